// frmCombineWindow: the combined window, the live video of all four slots in
// a 2 x 2 grid of cells (cell n shows slot n), each framed by the cell skin
// (cam.skn). The active cell is the current slot (gCurCam): its frame is
// red, its camera's number and name stand in the title, and the window's one
// set of skin buttons acts on it. It carries a colour panel per cell, the
// event-list overlay and the snapshot command.
//
// The engine reaches it through ICombineWindow, the panel through
// IPanelCombineWindow; the window reaches the engine's camera objects and the
// panel through CombineLinks.
#pragma once

#include "engine/engine_windows.h"
#include "foundation/window_registry.h"
#include "panel/panel_windows.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class ColourPanel;
class frmMain;
class ImageServer;
class QListWidget;
class SkinElement;
class SkinForm;
class VideoSurface;
class WisViewer;

// What the combined window needs of the rest of the program.
struct CombineLinks {
    frmMain* engine = nullptr;
    // The control panel, loaded when it is not (the wake-up button revives a
    // closed panel); nullptr when there is none.
    std::function<QWidget*()> panel;
    // The panel's operations, used while it is open (gWinOpen(0)).
    std::function<void()> StopBtnHold;
    std::function<void()> RefreshPTPanel;
    std::function<void()> RefreshPanelText;
    std::function<void()> RefrushCamCfgBtn;
    // Unloads the engine, which ends the program.
    std::function<void()> unloadEngine;
};

class frmCombineWindow : public QWidget,
                         public WindowLifecycle,
                         public ICombineWindow,
                         public IPanelCombineWindow {
    Q_OBJECT
public:
    // The client area a new window gets, in pixels.
    static constexpr int kDefaultClientWidth = 640;
    static constexpr int kDefaultClientHeight = 480;
    // The cell frame's width in pixels; the video lies inside it.
    static constexpr int kCellFrame = 3;

    explicit frmCombineWindow(CombineLinks links, QWidget* parent = nullptr);
    ~frmCombineWindow() override;

    // --- Window events ---
    void Form_Load() override;
    void Form_Activate();
    void Form_Unload() override;

    // --- ICombineWindow (the engine) ---
    VideoSurface* picCam(int n) override;
    void Form_Resize() override;
    void RepaintCell(int n) override;
    // The active cell's connection state in the status bar; the picture of
    // every cell whose slot is reconnecting dimmed, with the text over it.
    void RefrushStatusBar() override;
    bool ListVisible() const override { return m_bListVisible; }
    IEventListBox& ListEvent() override;
    // Sets the looks of the colour, rotate and audio buttons from slot cam's
    // state; only for the active cell, whose camera the buttons act on (the
    // engine calls it for every slot whose recording stops).
    void RecordGrayBTN(int cam) override;

    // --- IPanelCombineWindow (the panel) ---
    void RefrushShowClrCtl(int cam) override;
    void RefrushListCtl(int cam) override;
    void PutActiveBorder(int cam) override;
    void RefrushClrCtlBtn(int cam) override;

    // --- Public fields ---
    bool m_bFirst = true;
    bool m_bListVisible = false;
    bool m_bColorCtlVisible = false;
    // The image settings of each cell's camera (index 1..4).
    std::array<qint16, 5> iResolution{}, iCompression{}, iFramerate{}, iBrightness{}, iContrast{},
        iHue{}, iLightfreq{};
    // While set, the colour bars of that cell send nothing (index 1..4).
    std::array<bool, 5> m_bSuppress{};

    // --- Controls other windows and tests reach ---
    SkinForm* SkinForm1() const { return m_skin; }
    SkinForm* sfCam(int n) const { return m_cells[n].skin; }
    QWidget* cell(int n) const { return m_cells[n].host; }
    ColourPanel* picImage(int n) const { return m_cells[n].colour; }
    QListWidget* ListEventBox() const { return m_list; }
    QWidget* frameList() const { return m_frameList; }
    QSize clientSize() const;

    // --- Event handlers ---
    void sfCam_Click(int index);
    void SkinForm1_MouseDown(SkinElement* element, int button);
    void SkinForm1_MouseUp(SkinElement* element, int button);
    void SkinForm1_MouseIn(SkinElement* element);
    void SkinForm1_MouseOut(SkinElement* element);
    void SkinForm1_Click(SkinElement* element);
    void hscr_Change(int index, int bar, int value);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct Cell {
        QWidget* host = nullptr;
        SkinForm* skin = nullptr;
        VideoSurface* picture = nullptr;
        ColourPanel* colour = nullptr;
    };

    ImageServer& Cam(int n);
    WisViewer& Viewer(int n);
    void LoadSkin();
    void LayoutAndBind();
    void EventListLayout();
    void ApplyLangFont();
    // Every button's tip; the audio button has none for a slot without sound.
    void SetButtonTips(int cam);
    // The looks of the colour, rotate and audio buttons for slot cam's state
    // (an open colour panel closes when the slot records).
    void ButtonLooksOf(int cam);
    void GrayZoomButton();
    void HoverLook(SkinElement* element, bool entering);
    void ToggleOnTop();
    void ShowColorPanel();
    void ApplyColor();
    void ShowEventList();
    void TakeSnapshot();
    void AudioSwitch();
    void DetachCameras();

    CombineLinks m_links;
    QPointer<frmMain> m_engine;
    SkinForm* m_skin = nullptr;
    std::array<Cell, 5> m_cells{};  // 1..4
    QWidget* m_frameList = nullptr;
    QListWidget* m_list = nullptr;
    std::unique_ptr<IEventListBox> m_listEvent;
    bool m_loaded = false;
    bool m_unloaded = false;
};
