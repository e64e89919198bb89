#include "views/frm_combine_window.h"

#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/guard.h"
#include "foundation/helpers.h"
#include "foundation/language_variant.h"
#include "foundation/resources.h"
#include "foundation/window_names.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_label.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"
#include "views/colour_panel.h"
#include "views/frm_client.h"
#include "views/skin_events.h"
#include "views/snapshot.h"
#include "views/video_placement.h"
#include "views/view_buttons.h"

#include <QApplication>
#include <QEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>
#include <exception>
#include <stdexcept>

using namespace viewbtn;

namespace {

constexpr int kColourPanelWaitMs = 1000;
constexpr int kApplyColorWaitMs = 2000;
const QString kActiveFrame = QStringLiteral("BgColor 255 -");
const QString kInactiveFrame = QStringLiteral("BgColor 0 -");
const char* const kFrameElements[4] = {"Top", "Bottom", "Left", "Right"};

bool isAdminVariant() { return CurrentVariant() == LangVariant::DADODEZE; }
bool fixedCaptionVariant()
{
    return gLanguage == QLatin1String("TarselS") || gLanguage == QLatin1String("Tarsel");
}
bool idle(int c) { return gCam[c].RecordMode == kRecordNone; }
bool rotateAllowed(int c) { return idle(c) && gCam[c].Protocol != kProtocolViewer; }
bool colourAllowed(int c)
{
    return idle(c) && gCam[c].Protocol != kProtocolViewer && gCam[c].Protocol != kProtocolWebStream;
}
bool audioCamera(int c)
{
    return gCam[c].Protocol == kProtocolViewer || gCam[c].Protocol == kProtocolWebStream;
}

}  // namespace

frmCombineWindow::frmCombineWindow(CombineLinks links, QWidget* parent)
    : QWidget(parent, Qt::Window), m_links(std::move(links)), m_engine(m_links.engine)
{
    setObjectName(kCombineWindowName);
    setWindowTitle(QStringLiteral("Combine Window"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    m_skin = new SkinForm(this);
    QWidget* client = m_skin->clientArea();
    for (int n = 1; n <= kSlotCount; ++n) {
        Cell& c = m_cells[n];
        c.host = new QWidget(client);
        c.host->setObjectName(QStringLiteral("cell%1").arg(n));
        c.skin = new SkinForm(c.host);
        c.skin->setObjectName(QStringLiteral("sfCam%1").arg(n));
        c.picture = new VideoSurface(c.skin->clientArea());
        c.picture->setObjectName(QStringLiteral("picCam%1").arg(n));
        c.picture->installEventFilter(this);
        c.colour = new ColourPanel(c.skin->clientArea());
        c.colour->onChange = [this, n](int bar, int value) {
            Guard(ErrorReport::Quiet, QStringLiteral("hscr_Change"),
                  [&] { hscr_Change(n, bar, value); });
        };
        connect(c.skin, &SkinForm::Click, this, [this, n](SkinElement*) {
            Guard(ErrorReport::Quiet, QStringLiteral("sfCam_Click"), [&] { sfCam_Click(n); });
        });
        c.host->show();
    }

    m_frameList = new QWidget(client);
    m_frameList->setObjectName(QStringLiteral("frameList"));
    m_frameList->hide();
    auto* frameLayout = new QVBoxLayout(m_frameList);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    m_list = MakeEventListWidget(m_frameList);
    frameLayout->addWidget(m_list);
    m_listEvent = std::make_unique<ListWidgetEvents>(m_list);

    ConnectSkinEvents(m_skin, this, ErrorReport::Quiet);
}

frmCombineWindow::~frmCombineWindow()
{
    m_skin->disconnect(this);
    for (int n = 1; n <= kSlotCount; ++n) {
        m_cells[n].skin->disconnect(this);
        m_cells[n].colour->onChange = nullptr;
        m_cells[n].picture->removeEventFilter(this);
    }
    // Whatever way the window goes, no camera keeps drawing into its cells.
    try {
        DetachCameras();
    } catch (...) {
    }
}

ImageServer& frmCombineWindow::Cam(int n)
{
    if (!m_engine)
        throw std::logic_error("the engine is gone");
    return m_engine->Cam(n);
}

WisViewer& frmCombineWindow::Viewer(int n)
{
    if (!m_engine)
        throw std::logic_error("the engine is gone");
    return m_engine->WisViewer1(n);
}

VideoSurface* frmCombineWindow::picCam(int n)
{
    if (n < 1 || n > kSlotCount)
        throw std::out_of_range("no cell for that slot");
    return m_cells[n].picture;
}

IEventListBox& frmCombineWindow::ListEvent() { return *m_listEvent; }

QSize frmCombineWindow::clientSize() const { return m_skin->clientRect().size(); }

// ------------------------------------------------------------------ lifecycle

void frmCombineWindow::Form_Load()
{
    setWindowIcon(QApplication::windowIcon());
    gWinOpen[kWinOpenCombine] = true;
    m_loaded = true;
    setWindowTitle(QString());
    LoadSkin();
    if (m_skin->isLoaded())
        resize(m_skin->designSize());
    // A new window gets a client area of 640 x 480, whatever the skin's frame.
    resize(ClientSizingOuter(size(), clientSize(), QSize(kDefaultClientWidth, kDefaultClientHeight),
                             1, 1));
    LayoutAndBind();
    m_bColorCtlVisible = false;
    m_bListVisible = false;
    for (int n = 1; n <= kSlotCount; ++n) {
        Cam(n).setDisplayEnabled(true);
        m_bSuppress[n] = false;
        for (int i = 0; i < 3; ++i)
            m_cells[n].colour->label(i)->setCaption(gLangClientSkl[i]);
    }
    m_bFirst = true;
    for (bool& onTop : gOnTop)
        onTop = false;
    RefrushStatusBar();
}

void frmCombineWindow::LoadSkin()
{
    m_skin->SkinFile(LangFilePath(LangFileName(QStringLiteral("_2.skn"))));
    for (int n = 1; n <= kSlotCount; ++n)
        m_cells[n].skin->SkinFile(LangFilePath(QStringLiteral("cam.skn")));
    for (int n = 1; n <= kSlotCount; ++n)
        m_cells[n].colour->LoadSkin(LangFilePath(QStringLiteral("Bar.skn")));
}

void frmCombineWindow::Form_Activate()
{
    if (!m_loaded || m_unloaded)
        return;
    if (m_bFirst) {
        ApplyLangFont();
        SetButtonTips(gCurCam);
        PutActiveBorder(gCurCam);
        m_bFirst = false;
    }
    GrayZoomButton();
    if (m_bColorCtlVisible)
        ShowCell(m_skin, kColorCtl, kDown);
}

void frmCombineWindow::ApplyLangFont()
{
    try {
        SetControlFont(m_list, true);
        for (int n = 1; n <= kSlotCount; ++n)
            for (int i = 0; i < 6; ++i)
                SetControlFont(m_cells[n].colour->label(i), true);
    } catch (...) {
        // The remaining controls keep their fonts.
    }
}

void frmCombineWindow::SetButtonTips(int cam)
{
    SetTips(m_skin);
    if (!audioCamera(cam))
        m_skin->GetElement(gViewBtn[kAudio].BtnName).setToolTip(QString());
}

void frmCombineWindow::GrayZoomButton() { ShowCell(m_skin, kZoom, kGray); }

void frmCombineWindow::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    hide();
    // No camera may keep drawing into a cell of a window that is gone.
    DetachCameras();
    gOnTop[kOnTopCombine] = false;
    gWinOpen[kWinOpenCombine] = false;
    bool anyOther = false;
    for (int k = 0; k < int(gWinOpen.size()); ++k)
        if (k != kWinOpenCombine && gWinOpen[k])
            anyOther = true;
    if (!anyOther) {
        if (m_links.unloadEngine)
            m_links.unloadEngine();
    } else if (gCombineMode == 1) {
        gCombineMode = 0;
    }
}

void frmCombineWindow::DetachCameras()
{
    if (!m_engine || m_engine->IsUnloaded())
        return;
    for (int n = 1; n <= kSlotCount; ++n) {
        if (Cam(n).display() == m_cells[n].picture)
            Cam(n).setDisplay(nullptr);
    }
}

bool frmCombineWindow::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Guard(ErrorReport::Quiet, QStringLiteral("Form_Activate"), [this] { Form_Activate(); });
    return QWidget::event(e);
}

void frmCombineWindow::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    Guard(ErrorReport::Quiet, QStringLiteral("Form_Activate"), [this] { Form_Activate(); });
}

void frmCombineWindow::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (m_loaded && !m_unloaded)
        Guard(ErrorReport::Quiet, QStringLiteral("Form_Resize"), [this] { Form_Resize(); });
}

void frmCombineWindow::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    // A window restored from minimised at its old size gets no resize event;
    // it lays out and binds its cells again all the same (the engine's calls
    // while it was minimised did nothing).
    if (e->type() != QEvent::WindowStateChange || !m_loaded || m_unloaded || isMinimized())
        return;
    if (static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized)
        Guard(ErrorReport::Quiet, QStringLiteral("Form_Resize"), [this] { Form_Resize(); });
}

// ------------------------------------------------------------------ grid

void frmCombineWindow::Form_Resize()
{
    if (isMinimized())
        return;
    LayoutAndBind();
    EventListLayout();
}

void frmCombineWindow::LayoutAndBind()
{
    const std::array<QRect, 4> cells = CombinedCells(clientSize());
    for (int n = 1; n <= kSlotCount; ++n) {
        Cell& c = m_cells[n];
        c.host->setGeometry(cells[n - 1]);
        // Laid out at once, also while the window is hidden (Qt defers the
        // resize events of hidden widgets).
        c.skin->setGeometry(c.host->rect());
        c.skin->clientArea()->setGeometry(c.skin->clientRect());
        c.picture->setGeometry(QRect(QPoint(0, 0), c.skin->clientRect().size()));
    }
    // Every slot is bound to its cell, whatever its Assign and Enable. The
    // video lies inside the cell's frame, so the active frame stays visible.
    for (int n = 1; n <= kSlotCount; ++n) {
        const QRect& r = cells[n - 1];
        const int w = ClampTo16(r.width() - 2 * kCellFrame);
        const int h = ClampTo16(r.height() - 2 * kCellFrame);
        if (gCam[n].Protocol == kProtocolViewer) {
            Viewer(n).attachWindow(m_cells[n].picture, w, h);
        } else {
            Cam(n).setDisplay(m_cells[n].picture);
            Cam(n).setDisplayWidth(w);
            Cam(n).setDisplayHeight(h);
        }
    }
}

void frmCombineWindow::EventListLayout()
{
    m_frameList->setGeometry(QRect(QPoint(0, 0), clientSize()));
}

void frmCombineWindow::RepaintCell(int n) { picCam(n)->clearFrame(); }

void frmCombineWindow::RefrushStatusBar()
{
    if (gCurCam >= 1 && gCurCam <= kSlotCount)
        m_skin->GetElement(QStringLiteral("Line")).setText(ConnectionText(gCam[gCurCam]));
    for (int n = 1; n <= kSlotCount; ++n)
        picCam(n)->setDownText(PictureDownText(gCam[n]));
}

bool frmCombineWindow::eventFilter(QObject* watched, QEvent* e)
{
    // A click on a cell's video is a click on the cell.
    if (e->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        for (int n = 1; n <= kSlotCount; ++n) {
            if (watched == m_cells[n].picture
                && m_cells[n].picture->rect().contains(
                    static_cast<QMouseEvent*>(e)->position().toPoint())) {
                Guard(ErrorReport::Quiet, QStringLiteral("sfCam_Click"), [&] { sfCam_Click(n); });
                break;
            }
        }
    }
    return QWidget::eventFilter(watched, e);
}

// ------------------------------------------------------------------ active cell

void frmCombineWindow::sfCam_Click(int index)
{
    if (index < 1 || index > kSlotCount)
        return;
    const bool panelOpen = gWinOpen[kWinOpenPanel];
    if (index != gCurCam) {
        if (panelOpen && m_links.StopBtnHold)
            m_links.StopBtnHold();
        if (m_bColorCtlVisible) {
            m_bColorCtlVisible = false;
            ShowColorPanel();
        }
        gCamCfgOpen = false;
        if (panelOpen && gCurCam >= 1 && gCurCam <= kSlotCount)
            gExtInfo[gCurCam - 1] = false;
    }
    gCurCam = index;
    PutActiveBorder(index);
    if (panelOpen) {
        if (m_links.RefreshPTPanel)
            m_links.RefreshPTPanel();
        if (m_links.RefreshPanelText)
            m_links.RefreshPanelText();
        if (m_links.RefrushCamCfgBtn)
            m_links.RefrushCamCfgBtn();
    }
}

void frmCombineWindow::PutActiveBorder(int cam)
{
    if (cam < 1 || cam > kSlotCount)
        return;
    SkinElement& name = m_skin->GetElement(QStringLiteral("ServerName"));
    const QString t = fixedCaptionVariant()
                          ? gLangCombineCaption
                          : QString::number(cam) + QStringLiteral(".  ") + gCam[cam].ServerName;
    name.setText(t);
    setWindowTitle(t);
    m_skin->GetElement(QStringLiteral("Line")).setText(ConnectionText(gCam[cam]));
    for (int n = 1; n <= kSlotCount; ++n) {
        const QString& look = n == cam ? kActiveFrame : kInactiveFrame;
        for (const char* frame : kFrameElements)
            m_cells[n].skin->GetElement(QLatin1String(frame)).setStatePicture(look);
    }
    // The panel marks the new cell before it makes the slot current: the
    // buttons take slot cam's looks and tips here, whatever gCurCam still holds.
    ButtonLooksOf(cam);
    SetButtonTips(cam);
    RefrushClrCtlBtn(cam);
}

// ------------------------------------------------------------------ panel refreshers

void frmCombineWindow::RecordGrayBTN(int cam)
{
    // The buttons act on the active cell: another slot's state must not set their looks.
    if (cam != gCurCam)
        return;
    ButtonLooksOf(cam);
}

void frmCombineWindow::ButtonLooksOf(int cam)
{
    if (cam < 1 || cam > kSlotCount)
        return;
    if (!idle(cam) && m_bColorCtlVisible) {
        m_bColorCtlVisible = false;
        ShowColorPanel();
    }
    const bool audioOn = gAudioOn[cam - 1];
    int colour, rotate, sound;
    if (!idle(cam)) {
        colour = kGray;
        rotate = kGray;
        sound = audioCamera(cam) ? kGray : kNoAudio;
    } else if (gCam[cam].Protocol == kProtocolViewer) {
        colour = kGray;
        rotate = kGray;
        sound = audioOn ? kDown : kLeave;
    } else if (gCam[cam].Protocol == kProtocolWebStream) {
        colour = kGray;
        rotate = kNormal;
        sound = audioOn ? kDown : kLeave;
    } else {
        colour = kNormal;
        rotate = kNormal;
        sound = kNoAudio;
    }
    ShowCell(m_skin, kColorCtl, colour);
    ShowCell(m_skin, kRotate, rotate);
    ShowCell(m_skin, kAudio, sound);
}

void frmCombineWindow::RefrushShowClrCtl(int cam)
{
    if (cam != gCurCam && m_bColorCtlVisible) {
        m_bColorCtlVisible = false;
        ShowColorPanel();
    }
}

void frmCombineWindow::RefrushListCtl(int cam)
{
    if (cam != gCurCam && m_bListVisible) {
        m_bListVisible = false;
        ShowEventList();
    }
}

void frmCombineWindow::RefrushClrCtlBtn(int cam)
{
    if (!isAdminVariant() || cam < 1 || cam > kSlotCount)
        return;
    const bool verified = gCam[cam].AdminVerified;
    m_skin->GetElement(gViewBtn[kColorCtl].BtnName).setAlpha(verified ? 0 : 255);
    m_skin->GetElement(QStringLiteral("LBtnSet")).setLayoutValue(verified ? 84 : 62);
}

// ------------------------------------------------------------------ looks

void frmCombineWindow::SkinForm1_MouseDown(SkinElement* element, int button)
{
    if (button != 1)
        return;
    const int c = gCurCam;
    const int row = RowOf(element);
    switch (row) {
    case kMin:
    case kMax:
    case kClose:
    case kWakeUp:
    case kSnapshot:
        Look(element, row, kDown);
        break;
    case kRotate:
        if (rotateAllowed(c))
            Look(element, row, kDown);
        break;
    case kAudio:
        if (!idle(c))
            break;
        if (!audioCamera(c))
            Look(element, row, kNoAudio);
        else if (gCam[c].Enable)
            Look(element, row, gAudioOn[c - 1] ? kOver : kDown);
        break;
    default:
        break;
    }
}

void frmCombineWindow::SkinForm1_MouseUp(SkinElement* element, int button)
{
    if (button != 1)
        return;
    const int row = RowOf(element);
    if (row == kMin || row == kMax || row == kClose || row == kSnapshot)
        Look(element, row, kNormal);
    else if (row == kRotate && rotateAllowed(gCurCam))
        Look(element, row, kOver);
}

void frmCombineWindow::SkinForm1_MouseIn(SkinElement* element) { HoverLook(element, true); }
void frmCombineWindow::SkinForm1_MouseOut(SkinElement* element) { HoverLook(element, false); }

void frmCombineWindow::HoverLook(SkinElement* element, bool entering)
{
    const int c = gCurCam;
    const int off = entering ? kOver : kLeave;
    const int row = RowOf(element);
    switch (row) {
    case kMin:
    case kClose:
    case kWakeUp:
    case kSnapshot:
        Look(element, row, off);
        break;
    case kMax:
        Look(element, row, off);
        if (entering)
            element->setToolTip(isMaximized() ? gMaxTipMaximized : gMaxTipNormal);
        break;
    case kOnTop:
        Look(element, row, gOnTop[kOnTopCombine] ? kDown : off);
        break;
    case kColorCtl:
        if (colourAllowed(c))
            Look(element, row, m_bColorCtlVisible ? kDown : off);
        break;
    case kEvent:
        Look(element, row, m_bListVisible ? kDown : off);
        break;
    case kRotate:
        if (rotateAllowed(c))
            Look(element, row, off);
        break;
    case kAudio:
        if (!idle(c))
            break;
        if (!audioCamera(c))
            Look(element, row, kNoAudio);
        else
            Look(element, row, gAudioOn[c - 1] ? kDown : off);
        break;
    default:
        break;  // Zoom keeps its greyed look
    }
}

// ------------------------------------------------------------------ clicks

void frmCombineWindow::SkinForm1_Click(SkinElement* element)
{
    const QString name = element->Name();
    const int c = gCurCam;
    CamInfo& cam = gCam[c];
    if (name == QLatin1String("WakeUp")) {
        QWidget* panel = m_links.panel ? m_links.panel() : nullptr;
        if (panel) {
            if (!panel->isVisible())
                panel->show();
            panel->setWindowState(panel->windowState() & ~(Qt::WindowMinimized));
            panel->raise();
            panel->activateWindow();
        }
        ShowCell(m_skin, kWakeUp, kOver);
    } else if (name == QLatin1String("OnTop")) {
        ToggleOnTop();
    } else if (name == QLatin1String("Rotate")) {
        if (rotateAllowed(c) && cam.Assign && cam.Enable) {
            cam.RotateAngle = NextRotation(cam.RotateAngle);
            Cam(c).setRotateAngle(cam.RotateAngle);
        }
    } else if (name == QLatin1String("ColorCtl")) {
        if (colourAllowed(c) && (!isAdminVariant() || cam.AdminVerified)) {
            m_bColorCtlVisible = cam.Enable ? !m_bColorCtlVisible : false;
            ShowColorPanel();
        }
    } else if (name == QLatin1String("Snapshot")) {
        TakeSnapshot();
    } else if (name == QLatin1String("Event")) {
        m_bListVisible = !m_bListVisible;
        ShowEventList();
    } else if (name == QLatin1String("Audio")) {
        if (idle(c) && audioCamera(c) && cam.Enable)
            AudioSwitch();
    }
}

void frmCombineWindow::ToggleOnTop()
{
    bool& onTop = gOnTop[kOnTopCombine];
    onTop = !onTop;
    ShowCell(m_skin, kOnTop, onTop ? kDown : kOver);
    SetTopMost(this, onTop);
}

void frmCombineWindow::AudioSwitch()
{
    const int c = gCurCam;
    bool& on = gAudioOn[c - 1];
    on = !on;
    if (gCam[c].Protocol == kProtocolWebStream) {
        Cam(c).setStreamMode(on ? 3 : 1);
        Cam(c).applyStreamMode();
    } else if (on) {
        Cam(c).openAudio(gCamNonce[c - 1]);
        Viewer(c).audioOn();
    } else {
        Viewer(c).audioOff();
    }
}

void frmCombineWindow::TakeSnapshot()
{
    const int c = gCurCam;
    const bool p3 = gCam[c].Protocol == kProtocolViewer;
    const QPointer<frmCombineWindow> self(this);
    const QString file =
        AskSnapshotFile(this, gCam[c].Protocol, [&] { return self && !m_unloaded; });
    if (file.isEmpty())
        return;
    if (p3)
        Viewer(c).saveSnapshot(file);
    else
        Cam(c).saveSnapshot(file, 0);
}

void frmCombineWindow::ShowEventList()
{
    const int c = gCurCam;
    if (m_bListVisible) {
        m_list->clear();
        ShowCell(m_skin, kEvent, kDown);
        if (m_engine) {
            const QStringList& lines = m_engine->List1(c);
            if (!lines.isEmpty()) {
                m_list->addItems(lines);
                m_list->setCurrentRow(m_list->count() - 1);
                m_list->scrollToBottom();
            }
        }
        EventListLayout();
        m_frameList->show();
        m_frameList->raise();
    } else {
        ShowCell(m_skin, kEvent, kOver);
        m_frameList->hide();
    }
}

// ------------------------------------------------------------------ colour panel

void frmCombineWindow::ShowColorPanel()
{
    const int c = gCurCam;
    if (c < 1 || c > kSlotCount)
        return;
    ColourPanel* panel = m_cells[c].colour;
    try {
        if (!m_bColorCtlVisible) {
            ShowCell(m_skin, kColorCtl, kOver);
            panel->hide();
            BusyPointer busy;
            ui().Sleep(kColourPanelWaitMs);
            return;
        }
        if (gCam[c].Protocol == kProtocolServer) {
            if (gCam[c].MacAddress.isEmpty()) {
                m_bColorCtlVisible = false;
                ui().MsgBox(gLangClientMsg[1], MsgButtons::OK, MsgIcon::None, gAppTitle);
                return;
            }
            Cam(c).setMacAddress(gCam[c].MacAddress);
        }
        ImageConfig config{iResolution[c], iCompression[c], iFramerate[c], iBrightness[c],
                           iContrast[c],   iHue[c],         iLightfreq[c]};
        int result;
        {
            BusyPointer busy;
            result = Cam(c).getImageConfig(config, 0);
        }
        if (result != -1) {
            m_bColorCtlVisible = false;
            ShowCell(m_skin, kColorCtl, kOver);
            panel->hide();
            ui().MsgBox(gLangClientMsg[1], MsgButtons::OK, MsgIcon::None, gAppTitle);
        } else {
            iResolution[c] = qint16(config.resolution);
            iCompression[c] = qint16(config.compression);
            iFramerate[c] = qint16(config.frameRate);
            iBrightness[c] = qint16(config.brightness);
            iContrast[c] = qint16(config.contrast);
            iHue[c] = qint16(config.hue);
            iLightfreq[c] = qint16(config.lightFrequency);
            ShowCell(m_skin, kColorCtl, kDown);
            panel->show();
            panel->raise();
            m_bSuppress[c] = true;
            panel->SetValue(ColourPanel::kBrightness, iBrightness[c]);
            panel->SetValue(ColourPanel::kContrast, iContrast[c]);
            panel->SetValue(ColourPanel::kHue, iHue[c]);
            m_bSuppress[c] = false;
            // Drawn at once, values and all, before the pause; no other event
            // runs in the middle of this.
            panel->repaint();
        }
        BusyPointer busy;
        ui().Sleep(kColourPanelWaitMs);
    } catch (...) {
        // A failing camera call ends the procedure quietly; the pointer is back to normal.
        m_bSuppress[c] = false;
    }
}

void frmCombineWindow::hscr_Change(int index, int bar, int value)
{
    if (index < 1 || index > kSlotCount || m_bSuppress[index] || m_bFirst)
        return;
    std::array<qint16, 5>* fields[3] = {&iBrightness, &iContrast, &iHue};
    (*fields[bar])[index] = qint16(value);
    m_cells[index].colour->SetValueText(bar, value);
    m_cells[index].colour->update();
    ApplyColor();
}

void frmCombineWindow::ApplyColor()
{
    const int c = gCurCam;
    BusyPointer busy;
    Cam(c).setImageConfig(ImageConfig{iResolution[c], iCompression[c], iFramerate[c],
                                      iBrightness[c], iContrast[c], iHue[c], iLightfreq[c]});
    RestartCam(c);
    ui().Sleep(kApplyColorWaitMs);
}
