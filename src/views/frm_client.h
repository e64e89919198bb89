// frmClient: the single-camera window, one design for the four slots
// (frmClient1 .. frmClient4). It shows the slot's live video in its picture
// area Picture1, framed by the video-window skin with its eleven buttons and
// status texts, and carries the event-list overlay, the snapshot command, the
// audio switch and the entry points of the colour panel and the zoom menu.
//
// The engine reaches it through IClientWindow; the window reaches the
// engine's camera objects of its slot (Cam(n), WisViewer1(n), List1(n)) and
// the other windows through ClientLinks.
#pragma once

#include "engine/engine_windows.h"
#include "foundation/window_registry.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class ActiveToolBar;
class ColourPanel;
class frmMain;
class ImageServer;
class QListWidget;
class SkinElement;
class SkinForm;
class SkinLabel;
class Tool;
class VideoSurface;
class WisViewer;

// What a single-camera window needs of the rest of the program.
struct ClientLinks {
    // The engine (the camera objects and event lists of the slots).
    frmMain* engine = nullptr;
    // The control panel, loaded when it is not (the wake-up button revives a
    // closed panel); nullptr when there is none.
    std::function<QWidget*()> panel;
    // Single-camera window k (1..4) when it is loaded, else nullptr.
    std::function<QWidget*(int k)> clientWindow;
    // Unloads the engine, which ends the program.
    std::function<void()> unloadEngine;
};

// Client-area sizing of the first activation: the window's outer size (in
// twips, tppX/tppY twips per pixel) that gives a client area of `client`
// pixels, keeping the frame that a window of `outer` twips with a client
// area of `clientNow` pixels has. Frame sizes are rounded half to even.
QSize ClientSizingOuter(QSize outer, QSize clientNow, QSize client, int tppX, int tppY);

class frmClient : public QWidget, public WindowLifecycle, public IClientWindow {
    Q_OBJECT
public:
    frmClient(int slot, ClientLinks links, QWidget* parent = nullptr);
    ~frmClient() override;

    int slot() const { return n_; }

    // --- Window events ---
    void Form_Load() override;
    // Runs on every activation and on every show (a new window is not always
    // activated); its one-time part runs while m_bFirst is set.
    void Form_Activate();
    void Form_Unload() override;

    // --- IClientWindow (what the engine calls) ---
    VideoSurface* Picture1() override;
    void SetFirst(bool first) override { m_bFirst = first; }
    void Form_Resize() override;
    void RefrushStatusBar() override;
    void RepaintPicture() override;
    void SetColorCtlVisible(bool visible) override { m_bColorCtlVisible = visible; }
    void ShowColorCtl_Fun() override;
    void ShowMotionText(bool show) override;
    void RecordGrayBTN() override;
    IEventListBox& ListEvent() override;
    void ShowModeless() override;

    // --- Public fields ---
    bool m_bFirst = true;
    bool m_bColorCtlVisible = false;
    qint16 iResolution = 0;
    qint16 iCompression = 0;
    qint16 iFramerate = 0;
    qint16 iBrightness = 0;
    qint16 iContrast = 0;
    qint16 iHue = 0;
    qint16 iLightfreq = 0;
    bool m_bListVisible = false;
    bool m_bDonotSet = false;

    // --- Controls other windows and tests reach ---
    SkinForm* SkinForm1() const { return skin_; }
    SkinForm* SkinForm2() const;
    ActiveToolBar* tbr1() const { return tbr1_; }
    QListWidget* ListEventBox() const { return list_; }
    QWidget* frameList() const { return frameList_; }
    SkinLabel* label(int i) const;
    // The colour panel (picImage with its bars and labels).
    ColourPanel* picImage() const { return colour_; }
    // Where the picture lies in the client area (Left, Top, Width, Height;
    // halves of a pixel kept).
    QRectF placement() const { return placement_; }
    bool dragging() const { return m_iDrag != 0; }
    // Client area size in pixels (GetClientRect).
    QSize clientSize() const;

    // Checks "ID_FitWindow" and lays the picture out at once (a new camera's
    // picture starts fitted).
    void setFitMode();

    // --- Skin event handlers ---
    void SkinForm1_MouseDown(SkinElement* element, int button);
    void SkinForm1_MouseUp(SkinElement* element, int button);
    void SkinForm1_MouseIn(SkinElement* element);
    void SkinForm1_MouseOut(SkinElement* element);
    void SkinForm1_Click(SkinElement* element);
    void tbr1_ToolClick(Tool* tool);

    // Picture1's mouse events (button 1 left; positions in pixels of the picture).
    void Picture1_MouseDown(int button, QPointF pos);
    void Picture1_MouseMove(Qt::MouseButtons buttons, QPointF pos);
    void Picture1_MouseUp();
    // A colour bar's change (ColourPanel::Bar, the bar's value).
    void hscr_Change(int bar, int value);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    ImageServer& Cam();
    WisViewer& Viewer();
    // The row of gViewBtn whose BtnName is the element's name (first match), or -1.
    static int RowOf(const SkinElement* element);
    SkinElement& RowElement(int row);
    void ShowCell(int row, int cell);
    void Look(SkinElement* element, int row, int cell);
    void HoverLook(SkinElement* element, bool entering);

    void LoadSkin();
    void ResizeVideo();
    void EventListLayout();
    void ApplyLangFont();
    void ToggleOnTop();
    void ReassertOnTop();
    void SetButtonTips();
    void ShowEventList();
    void LoadEventList();
    void TakeSnapshot();
    void AudioSwitch();
    void LoadToolbar();
    bool FitChecked() const;
    void Fit();
    void Zoom(double factor);
    // The picture size at a zoom factor: the camera's picture scaled, turned
    // with it by a quarter turn.
    QSize ZoomedSize(double factor);
    // The factor of the checked zoom entry; 0 in fit mode.
    double CheckedZoomFactor() const;
    void PlacePicture(const QRectF& placement);
    void ApplyColor();
    void ShowColourControls(bool show);
    void BusyWait(int ms);

    int n_;
    ClientLinks links_;
    QPointer<frmMain> engine_;  // the engine may go first when the program ends
    SkinForm* skin_ = nullptr;
    VideoSurface* picture_ = nullptr;
    QWidget* frameList_ = nullptr;
    QListWidget* list_ = nullptr;
    std::unique_ptr<IEventListBox> listEvent_;
    ColourPanel* colour_ = nullptr;
    QRectF placement_;
    int m_iDrag = 0;
    long m_lDragX = 0;
    long m_lDragY = 0;
    ActiveToolBar* tbr1_ = nullptr;
    bool loaded_ = false;
    bool unloaded_ = false;
};

// Registers frmClient1 .. frmClient4 with the window registry: built on first
// reference (hidden), unloaded when the operator closes them.
void RegisterClientWindows(WindowRegistry& registry);
