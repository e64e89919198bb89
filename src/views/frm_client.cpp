#include "views/frm_client.h"

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/guard.h"
#include "foundation/helpers.h"
#include "foundation/resources.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_label.h"
#include "platform/skin/skin_report.h"
#include "platform/toolbar/tool_bar.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/wis_viewer.h"
#include "views/colour_panel.h"
#include "views/skin_events.h"
#include "views/snapshot.h"
#include "views/video_placement.h"
#include "views/view_buttons.h"

#include <QApplication>
#include <QEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

namespace {

// Rows of gViewBtn and the cells this window shows.
enum Row {
    kMin = 0,
    kMax = 1,
    kClose = 2,
    kOnTop = 3,
    kWakeUp = 4,
    kColorCtl = 5,
    kEvent = 6,
    kSnapshot = 7,
    kRotate = 8,
    kZoom = 9,
    kAudio = 10
};
enum Cell { kNormal = 1, kDown = 2, kLeave = 3, kOver = 4, kGray = 5, kNoAudio = 6, kTip = 7 };

const QString kFitTool = QStringLiteral("ID_FitWindow");
const QString kZoomMenu = QStringLiteral("ID_ZoomMenu");

bool isAdminVariant() { return gLanguage.toUpper() == QLatin1String("DADODEZE"); }

// The viewer's parameters before each zoom step of a protocol-3 camera.
const QString kZoomStepKey = QStringLiteral("qzvm");
constexpr int kZoomStepValue = 12;

// Waits of the colour panel: after opening or closing it, and after sending
// new settings before the stream restarts.
constexpr int kColourPanelWaitMs = 1000;
constexpr int kApplyColorWaitMs = 2000;

}  // namespace

QSize ClientSizingOuter(QSize outer, QSize clientNow, QSize client, int tppX, int tppY)
{
    const long bw = std::lrint(double(outer.width()) - double(tppX) * clientNow.width());
    const long bh = std::lrint(double(outer.height()) - double(tppY) * clientNow.height());
    return QSize(int(long(tppX) * client.width() + bw), int(long(tppY) * client.height() + bh));
}

frmClient::frmClient(int slot, ClientLinks links, QWidget* parent)
    : QWidget(parent, Qt::Window), n_(slot), links_(std::move(links)), engine_(links_.engine)
{
    if (slot < 1 || slot > kSlotCount)
        throw std::out_of_range("no camera slot for a window");
    setObjectName(ClientWindowName(slot));
    setWindowTitle(QStringLiteral("Cam%1").arg(slot));
    setAttribute(Qt::WA_DeleteOnClose, false);

    skin_ = new SkinForm(this);
    QWidget* client = skin_->clientArea();

    picture_ = new VideoSurface(client);
    picture_->setObjectName(QStringLiteral("Picture1"));
    picture_->installEventFilter(this);
    picture_->setMouseTracking(true);  // the pointer shows where the picture can be dragged

    frameList_ = new QWidget(client);
    frameList_->setObjectName(QStringLiteral("frameList"));
    frameList_->hide();
    auto* frameLayout = new QVBoxLayout(frameList_);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    list_ = MakeEventListWidget(frameList_);
    frameLayout->addWidget(list_);
    listEvent_ = std::make_unique<ListWidgetEvents>(list_);

    // The colour panel over the top-left corner of the video; ShowColorCtl_Fun opens it.
    colour_ = new ColourPanel(client);
    colour_->onChange = [this](int bar, int value) {
        Guard(ErrorReport::Quiet, QStringLiteral("hscr_Change"), [&] { hscr_Change(bar, value); });
    };

    tbr1_ = new ActiveToolBar(this);
    connect(tbr1_, &ActiveToolBar::ToolClick, this, [this](Tool* tool) {
        Guard(ErrorReport::Quiet, QStringLiteral("tbr1_ToolClick"), [&] { tbr1_ToolClick(tool); });
    });

    ConnectSkinEvents(skin_, this, ErrorReport::Quiet);
}

frmClient::~frmClient()
{
    // The skin and toolbar are destroyed after this window's own part; whatever
    // they report while going must not reach handlers of a window that is gone.
    if (colour_)
        colour_->onChange = nullptr;
    for (QObject* child :
         {static_cast<QObject*>(skin_), static_cast<QObject*>(colour_->SkinForm2()),
          static_cast<QObject*>(tbr1_)})
        if (child)
            child->disconnect(this);
    if (picture_)
        picture_->removeEventFilter(this);
    // Whatever way the window goes, no camera keeps drawing into its picture.
    if (engine_ && !engine_->IsUnloaded()) {
        try {
            if (Cam().display() == picture_)
                Cam().setDisplay(nullptr);
        } catch (...) {
        }
    }
}

ImageServer& frmClient::Cam()
{
    if (!engine_)
        throw std::logic_error("the engine is gone");
    return engine_->Cam(n_);
}

WisViewer& frmClient::Viewer()
{
    if (!engine_)
        throw std::logic_error("the engine is gone");
    return engine_->WisViewer1(n_);
}
VideoSurface* frmClient::Picture1() { return picture_; }
SkinForm* frmClient::SkinForm2() const { return colour_->SkinForm2(); }
SkinLabel* frmClient::label(int i) const { return colour_->label(i); }
IEventListBox& frmClient::ListEvent() { return *listEvent_; }

QSize frmClient::clientSize() const { return skin_->clientRect().size(); }

// ------------------------------------------------------------------ lifecycle

void frmClient::Form_Load()
{
    setWindowIcon(QApplication::windowIcon());
    gWinOpen[n_] = true;
    loaded_ = true;
    EventListLayout();
    // Handed over whatever the protocol; the engine's binding decides who draws.
    Cam().setDisplay(picture_);
    m_bFirst = true;
    gOnTop[OnTopIndexOfSlot(n_)] = false;
    m_bColorCtlVisible = false;
    m_bListVisible = false;
    m_bDonotSet = false;
    LoadSkin();
    LoadEventList();
    RefrushStatusBar();
    for (int i = 0; i < 3; ++i)
        colour_->label(i)->setCaption(gLangClientSkl[i]);
    LoadToolbar();
}

void frmClient::LoadSkin()
{
    skin_->SkinFile(LangFilePath(LangFileName(QStringLiteral("_2.skn"))));
    colour_->LoadSkin(LangFilePath(QStringLiteral("Bar.skn")));
    if (skin_->isLoaded() && !isVisible())
        resize(skin_->designSize());
}

void frmClient::LoadToolbar()
{
    tbr1_->LoadLayout(LangFilePath(LangFileName(QStringLiteral(".atb"))));
    // The window acts on these IDs whatever the file holds; a layout without
    // them gets the window's own zoom menu.
    if (!tbr1_->hasPopup(kZoomMenu) || !tbr1_->Tools(kFitTool)) {
        SkinReport(
            QStringLiteral("toolbar layout has no zoom menu; frmClient%1 uses its own").arg(n_));
        const char* factors[] = {"x1", "x1.5", "x2", "x2.5", "x3", "x3.5", "x4"};
        QStringList entries{kFitTool};
        tbr1_->addTool(kFitTool, QStringLiteral("Fit Window"), QStringLiteral("Zoom"), true, true);
        for (const char* f : factors) {
            const QString id = QStringLiteral("ID_") + QLatin1String(f);
            tbr1_->addTool(id, QLatin1String(f), QStringLiteral("Zoom"), true, false);
            entries << id;
        }
        tbr1_->addPopup(kZoomMenu, QStringLiteral("ZoomMenu"), entries);
    }
}

void frmClient::Form_Activate()
{
    if (!loaded_ || unloaded_)
        return;
    Cam().setDisplayEnabled(true);
    if (m_bFirst) {
        ApplyLangFont();
        QFont font = tbr1_->font();
        SetControlFont(font);
        tbr1_->setFont(font);
        if (Tool* fit = tbr1_->Tools(kFitTool))
            fit->setCaption(gLangPopup[2]);
        if (!isMaximized() && !isFullScreen())
            resize(ClientSizingOuter(size(), clientSize(), QSize(320, 240), 1, 1));
        RecordGrayBTN();
        m_bFirst = false;
    }
    SetButtonTips();
    RefrushStatusBar();
}

void frmClient::ApplyLangFont()
{
    try {
        SetControlFont(list_, true);
        for (int i = 0; i < 6; ++i)
            SetControlFont(colour_->label(i), true);
    } catch (...) {
        // The remaining controls keep their fonts.
    }
}

void frmClient::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    hide();
    gOnTop[OnTopIndexOfSlot(n_)] = false;
    if (engine_ && !engine_->IsUnloaded()) {
        Cam().setDisplayEnabled(false);
        // Detach the picture area: the camera must not draw into a window that is gone.
        if (Cam().display() == picture_)
            Cam().setDisplay(nullptr);
    }
    gWinOpen[n_] = false;
    bool anyOther = false;
    for (int k = 0; k < int(gWinOpen.size()); ++k)
        if (k != n_ && gWinOpen[k])
            anyOther = true;
    if (!anyOther && links_.unloadEngine)
        links_.unloadEngine();
}

bool frmClient::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Guard(ErrorReport::Quiet, QStringLiteral("Form_Activate"), [this] { Form_Activate(); });
    return QWidget::event(e);
}

void frmClient::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    // A window manager may never activate a new window: showing counts as activating.
    Guard(ErrorReport::Quiet, QStringLiteral("Form_Activate"), [this] { Form_Activate(); });
}

void frmClient::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (loaded_ && !unloaded_)
        Guard(ErrorReport::Quiet, QStringLiteral("Form_Resize"), [this] { Form_Resize(); });
}

void frmClient::ShowModeless()
{
    if (!isVisible())
        show();
}

// ------------------------------------------------------------------ layout

bool frmClient::FitChecked() const
{
    const Tool* fit = tbr1_->Tools(kFitTool);
    return !fit || fit->State() == 1;
}

void frmClient::Form_Resize()
{
    ResizeVideo();
    EventListLayout();
}

void frmClient::ResizeVideo()
{
    const QSize c = clientSize();
    if (FitChecked()) {
        PlacePicture(QRectF(0, 0, c.width(), c.height()));
        Cam().setDisplayWidth(c.width());
        Cam().setDisplayHeight(c.height());
        if (gCam[n_].Protocol == kProtocolViewer)
            Viewer().attachWindow(picture_, ClampTo16(c.width()), ClampTo16(c.height()));
        return;
    }
    // Zoom: the zoomed size stays and the picture is centred again. When the
    // camera object's size is no longer the zoom of its picture (the slot
    // was bound to another window meanwhile, or the camera's picture size
    // changed), the zoom is taken again, so the picture area always has the
    // zoomed size.
    const double f = CheckedZoomFactor();
    if (f > 0) {
        const QSize zoomed = ZoomedSize(f);
        if (!zoomed.isEmpty() && zoomed != QSize(Cam().displayWidth(), Cam().displayHeight())) {
            Zoom(f);
            return;
        }
    }
    PlacePicture(CentredPicture(c, QSize(Cam().displayWidth(), Cam().displayHeight())));
}

double frmClient::CheckedZoomFactor() const
{
    for (const char* id : {"ID_x1", "ID_x1.5", "ID_x2", "ID_x2.5", "ID_x3", "ID_x3.5", "ID_x4"}) {
        const Tool* tool = tbr1_->Tools(QLatin1String(id));
        if (tool && tool->State() == 1)
            return ZoomFactorOf(tool->ID()).value_or(0);
    }
    return 0;
}

void frmClient::PlacePicture(const QRectF& placement)
{
    placement_ = placement;
    picture_->setGeometry(PictureGeometry(placement));
}

void frmClient::setFitMode()
{
    if (Tool* fit = tbr1_->Tools(kFitTool))
        fit->setState(1);
    ResizeVideo();
}

void frmClient::EventListLayout() { frameList_->setGeometry(QRect(QPoint(0, 0), clientSize())); }

void frmClient::tbr1_ToolClick(Tool* tool)
{
    if (!tool)
        return;
    const std::optional<double> factor = ZoomFactorOf(tool->ID());
    // A click that left its entry unchecked changes nothing.
    if (!factor || tool->State() == 0)
        return;
    if (*factor == 0)
        Fit();
    else
        Zoom(*factor);
}

void frmClient::Fit()
{
    const QSize c = clientSize();
    Cam().setDisplayHeight(c.height());
    Cam().setDisplayWidth(c.width());
    PlacePicture(QRectF(0, 0, Cam().displayWidth(), Cam().displayHeight()));
    if (gCam[n_].Protocol == kProtocolViewer)
        Viewer().attachWindow(picture_, ClampTo16(RoundHalfEven(placement_.width())),
                              ClampTo16(RoundHalfEven(placement_.height())));
}

QSize frmClient::ZoomedSize(double factor)
{
    if (gCam[n_].Protocol == kProtocolViewer)
        return QSize(ScaleBy(Viewer().sourceWidth(), factor),
                     ScaleBy(Viewer().sourceHeight(), factor));
    const QSize zoomed(ScaleBy(Cam().sourceWidth(), factor), ScaleBy(Cam().sourceHeight(), factor));
    // A picture turned by a quarter is as wide as the camera's is high.
    const int angle = Cam().rotateAngle();
    return angle == 90 || angle == 270 ? zoomed.transposed() : zoomed;
}

void frmClient::Zoom(double factor)
{
    const QSize c = clientSize();
    if (gCam[n_].Protocol == kProtocolViewer)
        Viewer().zoomStep(kZoomStepKey, kZoomStepValue);
    const QSize zoomed = ZoomedSize(factor);
    Cam().setDisplayHeight(zoomed.height());
    Cam().setDisplayWidth(zoomed.width());
    PlacePicture(CentredPicture(c, QSize(Cam().displayWidth(), Cam().displayHeight())));
    if (gCam[n_].Protocol == kProtocolViewer)
        Viewer().attachWindow(picture_, ClampTo16(RoundHalfEven(placement_.width())),
                              ClampTo16(RoundHalfEven(placement_.height())));
}

bool frmClient::eventFilter(QObject* watched, QEvent* e)
{
    if (watched != picture_)
        return QWidget::eventFilter(watched, e);
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(e);
        const int button = me->button() == Qt::LeftButton     ? 1
                           : me->button() == Qt::RightButton  ? 2
                           : me->button() == Qt::MiddleButton ? 4
                                                              : 0;
        const QPointF pos = me->position();
        Guard(ErrorReport::Quiet, QStringLiteral("Picture1_MouseDown"),
              [&] { Picture1_MouseDown(button, pos); });
        break;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        const QPointF pos = me->position();
        const Qt::MouseButtons buttons = me->buttons();
        Guard(ErrorReport::Quiet, QStringLiteral("Picture1_MouseMove"),
              [&] { Picture1_MouseMove(buttons, pos); });
        break;
    }
    case QEvent::MouseButtonRelease:
        Guard(ErrorReport::Quiet, QStringLiteral("Picture1_MouseUp"),
              [this] { Picture1_MouseUp(); });
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, e);
}

void frmClient::Picture1_MouseDown(int button, QPointF pos)
{
    ReassertOnTop();
    const QSize c = clientSize();
    if (DragStarts(FitChecked(), placement_.size(), c, button)) {
        m_iDrag = 1;
        m_lDragX = RoundHalfEven(pos.x());
        m_lDragY = RoundHalfEven(pos.y());
        picture_->setCursor(Qt::SizeAllCursor);
    } else {
        m_iDrag = 0;
        picture_->unsetCursor();
    }
}

void frmClient::Picture1_MouseMove(Qt::MouseButtons buttons, QPointF pos)
{
    const QSize c = clientSize();
    switch (PointerOver(FitChecked(), placement_.size(), c, m_iDrag != 0)) {
    case PicturePointer::SizeAll:
        picture_->setCursor(Qt::SizeAllCursor);
        break;
    case PicturePointer::Hand:
        picture_->setCursor(Qt::PointingHandCursor);
        break;
    case PicturePointer::Default:
        picture_->unsetCursor();
        break;
    }
    if (buttons != Qt::LeftButton || m_iDrag != 1)
        return;
    // The start point stays: the position is measured on the moving picture,
    // so the grabbed point stays under the pointer.
    QRectF p = placement_;
    if (pos.x() != m_lDragX && p.width() > c.width())
        p.moveLeft(PanStep(p.left(), pos.x() - double(m_lDragX), p.width(), c.width()));
    if (pos.y() != m_lDragY && p.height() > c.height())
        p.moveTop(PanStep(p.top(), pos.y() - double(m_lDragY), p.height(), c.height()));
    if (p != placement_)
        PlacePicture(p);
}

void frmClient::Picture1_MouseUp()
{
    m_iDrag = 0;
    picture_->unsetCursor();
}

// ------------------------------------------------------------------ looks

int frmClient::RowOf(const SkinElement* element)
{
    if (!element)
        return -1;
    for (int r = 0; r < kViewBtnCount; ++r)
        if (gViewBtn[r].BtnName == element->Name())
            return r;
    return -1;
}

SkinElement& frmClient::RowElement(int row) { return skin_->GetElement(gViewBtn[row].BtnName); }

void frmClient::ShowCell(int row, int cell)
{
    RowElement(row).setStatePicture(gViewBtn[row].BtnStr[cell]);
}

void frmClient::Look(SkinElement* element, int row, int cell)
{
    element->setStatePicture(gViewBtn[row].BtnStr[cell]);
}

void frmClient::SkinForm1_MouseDown(SkinElement* element, int button)
{
    if (button != 1)
        return;
    const CamInfo& cam = gCam[n_];
    const bool idle = cam.RecordMode == kRecordNone;
    const int row = RowOf(element);
    switch (row) {
    case -1:
        ReassertOnTop();
        break;
    case kMin:
    case kMax:
    case kClose:
    case kWakeUp:
    case kSnapshot:
    case kZoom:
        Look(element, row, kDown);
        break;
    case kRotate:
        if (idle && cam.Protocol != kProtocolViewer)
            Look(element, row, kDown);
        break;
    case kAudio:
        if (!idle)
            break;
        if (cam.Protocol == kProtocolViewer || cam.Protocol == kProtocolWebStream) {
            // The look of the state the click will switch to.
            if (cam.Enable)
                Look(element, row, gAudioOn[n_ - 1] ? kOver : kDown);
        } else {
            Look(element, row, kNoAudio);
        }
        break;
    default:
        break;  // OnTop, ColorCtl, Event take their look from the click
    }
}

void frmClient::SkinForm1_MouseUp(SkinElement* element, int button)
{
    if (button != 1)
        return;
    const int row = RowOf(element);
    if (row == kMin || row == kMax || row == kClose || row == kSnapshot || row == kZoom)
        Look(element, row, kNormal);
}

void frmClient::SkinForm1_MouseIn(SkinElement* element) { HoverLook(element, true); }
void frmClient::SkinForm1_MouseOut(SkinElement* element) { HoverLook(element, false); }

void frmClient::HoverLook(SkinElement* element, bool entering)
{
    const CamInfo& cam = gCam[n_];
    const bool idle = cam.RecordMode == kRecordNone;
    const int off = entering ? kOver : kLeave;
    const int row = RowOf(element);
    switch (row) {
    case kMin:
    case kClose:
    case kWakeUp:
    case kSnapshot:
    case kZoom:
        Look(element, row, off);
        break;
    case kMax:
        Look(element, row, off);
        if (entering)
            element->setToolTip(isMaximized() ? gMaxTipMaximized : gMaxTipNormal);
        break;
    case kOnTop:
        Look(element, row, gOnTop[OnTopIndexOfSlot(n_)] ? kDown : off);
        break;
    case kColorCtl:
        if (idle && cam.Protocol != kProtocolViewer && cam.Protocol != kProtocolWebStream)
            Look(element, row, m_bColorCtlVisible ? kDown : off);
        break;
    case kEvent:
        Look(element, row, m_bListVisible ? kDown : off);
        break;
    case kRotate:
        if (idle && cam.Protocol != kProtocolViewer)
            Look(element, row, off);
        break;
    case kAudio:
        if (!idle)
            break;
        if (cam.Protocol != kProtocolViewer && cam.Protocol != kProtocolWebStream)
            Look(element, row, kNoAudio);
        else
            Look(element, row, gAudioOn[n_ - 1] ? kDown : off);
        break;
    default:
        break;
    }
}

void frmClient::SetButtonTips()
{
    for (int r = 0; r < kViewBtnCount; ++r)
        RowElement(r).setToolTip(gViewBtn[r].BtnStr[kTip]);
    const int p = gCam[n_].Protocol;
    if (p != 3 && p != 4)
        RowElement(kAudio).setToolTip(QString());
}

// ------------------------------------------------------------------ clicks

void frmClient::SkinForm1_Click(SkinElement* element)
{
    const QString name = element->Name();
    CamInfo& cam = gCam[n_];
    if (name == QLatin1String("WakeUp")) {
        QWidget* panel = links_.panel ? links_.panel() : nullptr;
        if (panel) {
            if (!panel->isVisible())
                panel->show();
            panel->setWindowState(panel->windowState() & ~(Qt::WindowMinimized));
            panel->raise();
            panel->activateWindow();
        }
        ShowCell(kWakeUp, kOver);
    } else if (name == QLatin1String("OnTop")) {
        ToggleOnTop();
    } else if (name == QLatin1String("Rotate")) {
        if (cam.RecordMode == kRecordNone && cam.Protocol != kProtocolViewer && cam.Assign
            && cam.Enable) {
            cam.RotateAngle = NextRotation(cam.RotateAngle);
            Cam().setRotateAngle(cam.RotateAngle);
            ShowCell(kRotate, kOver);
            ResizeVideo();  // a zoomed picture takes its turned size
        }
    } else if (name == QLatin1String("ColorCtl")) {
        if (cam.RecordMode == kRecordNone && cam.Protocol != kProtocolViewer
            && cam.Protocol != kProtocolWebStream && (!isAdminVariant() || cam.AdminVerified)) {
            m_bColorCtlVisible = cam.Enable ? !m_bColorCtlVisible : false;
            ShowColorCtl_Fun();
        }
    } else if (name == QLatin1String("Snapshot")) {
        TakeSnapshot();
    } else if (name == QLatin1String("Event")) {
        m_bListVisible = !m_bListVisible;
        ShowEventList();
    } else if (name == QLatin1String("Zoom")) {
        tbr1_->PopupMenu(kZoomMenu);
    } else if (name == QLatin1String("Audio")) {
        AudioSwitch();
    }
}

void frmClient::ToggleOnTop()
{
    SkinElement& el = RowElement(kOnTop);
    bool& onTop = gOnTop[OnTopIndexOfSlot(n_)];
    if (onTop) {
        onTop = false;
        el.setStatePicture(gViewBtn[kOnTop].BtnStr[kOver]);
        SetTopMost(this, false);
    } else {
        onTop = true;
        el.setStatePicture(gViewBtn[kOnTop].BtnStr[kDown]);
        SetTopMost(this, true);
    }
}

void frmClient::ReassertOnTop()
{
    // The other windows in slot order, this one last.
    for (int k = 1; k <= kSlotCount; ++k) {
        if (k == n_ || !gOnTop[OnTopIndexOfSlot(k)])
            continue;
        if (QWidget* w = links_.clientWindow ? links_.clientWindow(k) : nullptr)
            SetTopMost(w, true);
    }
    if (gOnTop[OnTopIndexOfSlot(n_)])
        SetTopMost(this, true);
}

void frmClient::AudioSwitch()
{
    const CamInfo& cam = gCam[n_];
    if (cam.RecordMode != kRecordNone
        || (cam.Protocol != kProtocolViewer && cam.Protocol != kProtocolWebStream) || !cam.Enable)
        return;
    bool& on = gAudioOn[n_ - 1];
    if (on) {
        on = false;
        if (cam.Protocol == kProtocolWebStream) {
            Cam().setStreamMode(1);
            Cam().applyStreamMode();
        } else {
            Viewer().audioOff();
        }
    } else {
        on = true;
        if (cam.Protocol == kProtocolWebStream) {
            Cam().setStreamMode(3);
            Cam().applyStreamMode();
        } else {
            Cam().openAudio(gCamNonce[n_ - 1]);
            Viewer().audioOn();
        }
    }
}

void frmClient::TakeSnapshot()
{
    const bool p3 = gCam[n_].Protocol == kProtocolViewer;
    const QPointer<frmClient> self(this);
    const QString file =
        AskSnapshotFile(this, gCam[n_].Protocol, [&] { return self && !unloaded_; });
    if (file.isEmpty())
        return;
    if (p3)
        Viewer().saveSnapshot(file);
    else
        Cam().saveSnapshot(file, 0);
}

void frmClient::ShowEventList()
{
    SkinElement& el = RowElement(kEvent);
    if (m_bListVisible) {
        el.setStatePicture(gViewBtn[kEvent].BtnStr[kDown]);
        EventListLayout();
        frameList_->show();
        frameList_->raise();
    } else {
        el.setStatePicture(gViewBtn[kEvent].BtnStr[kOver]);
        frameList_->hide();
    }
}

void frmClient::LoadEventList()
{
    if (!engine_)
        return;
    const QStringList& lines = engine_->List1(n_);
    if (lines.isEmpty())
        return;
    list_->addItems(lines);
    // The first line of the newest event; with a single line nothing is selected.
    list_->setCurrentRow(list_->count() - 2);
    list_->scrollToBottom();
}

// ------------------------------------------------------------------ status

void frmClient::RefrushStatusBar()
{
    const CamInfo& cam = gCam[n_];
    skin_->GetElement(QStringLiteral("IPAddress")).setText(cam.IPAddress);
    skin_->GetElement(QStringLiteral("Line")).setText(ConnectionText(cam));
    picture_->setDownText(PictureDownText(cam));
    skin_->GetElement(QStringLiteral("Recording")).setText(cam.Recording ? gLangRec[0] : QString());
    setWindowTitle(cam.ServerName);
    skin_->GetElement(QStringLiteral("ServerName")).setText(cam.ServerName);
    if (isAdminVariant()) {
        skin_->GetElement(QStringLiteral("ColorCtl")).setAlpha(cam.AdminVerified ? 0 : 255);
        skin_->GetElement(QStringLiteral("LBtnSet")).setLayoutValue(cam.AdminVerified ? 84 : 62);
    }
}

void frmClient::ShowMotionText(bool show)
{
    skin_->GetElement(QStringLiteral("MotionDetect"))
        .setText(show ? QStringLiteral("MOTION") : QString());
}

void frmClient::RecordGrayBTN()
{
    const CamInfo& cam = gCam[n_];
    if (cam.RecordMode != kRecordNone && m_bColorCtlVisible) {
        m_bColorCtlVisible = false;
        ShowColorCtl_Fun();
    }
    const bool audio = gAudioOn[n_ - 1];
    int colour, rotate, sound;
    if (cam.RecordMode != kRecordNone) {
        colour = kGray;
        rotate = kGray;
        sound = (cam.Protocol == kProtocolViewer || cam.Protocol == kProtocolWebStream) ? kGray
                                                                                        : kNoAudio;
    } else if (cam.Protocol == kProtocolViewer) {
        colour = kGray;
        rotate = kGray;
        sound = audio ? kDown : kLeave;
    } else if (cam.Protocol == kProtocolWebStream) {
        colour = kGray;
        rotate = kNormal;
        sound = audio ? kDown : kLeave;
    } else {
        colour = kNormal;
        rotate = kNormal;
        sound = kNoAudio;
    }
    ShowCell(kColorCtl, colour);
    ShowCell(kRotate, rotate);
    ShowCell(kAudio, sound);
}

void frmClient::ShowColorCtl_Fun()
{
    const CamInfo& cam = gCam[n_];
    try {
        SkinElement& button = RowElement(kColorCtl);
        if (!m_bColorCtlVisible) {
            Look(&button, kColorCtl, kNormal);
            ShowColourControls(false);
            BusyWait(kColourPanelWaitMs);
            return;
        }
        if (cam.Protocol == kProtocolServer) {
            if (cam.MacAddress.isEmpty()) {
                m_bColorCtlVisible = false;
                ui().MsgBox(gLangClientMsg[1], MsgButtons::OK, MsgIcon::None, gAppTitle);
                return;
            }
            Cam().setMacAddress(cam.MacAddress);
        }
        ImageConfig config{iResolution, iCompression, iFramerate, iBrightness,
                           iContrast,   iHue,         iLightfreq};
        int result;
        {
            BusyPointer busy;
            result = Cam().getImageConfig(config, 0);
        }
        if (result != -1) {
            m_bColorCtlVisible = false;
            Look(&button, kColorCtl, kOver);
            ShowColourControls(false);
            ui().MsgBox(gLangClientMsg[1], MsgButtons::OK, MsgIcon::None, gAppTitle);
        } else {
            iResolution = qint16(config.resolution);
            iCompression = qint16(config.compression);
            iFramerate = qint16(config.frameRate);
            iBrightness = qint16(config.brightness);
            iContrast = qint16(config.contrast);
            iHue = qint16(config.hue);
            iLightfreq = qint16(config.lightFrequency);
            Look(&button, kColorCtl, kDown);
            ShowColourControls(true);
            m_bDonotSet = true;
            colour_->SetValue(ColourPanel::kBrightness, iBrightness);
            colour_->SetValue(ColourPanel::kContrast, iContrast);
            colour_->SetValue(ColourPanel::kHue, iHue);
            m_bDonotSet = false;
            // The first window draws the opened panel, values and all, before
            // the pause; the others draw it when the pause is over. Only the
            // panel is painted: no other event runs in the middle of this.
            if (n_ == 1)
                colour_->repaint();
        }
        BusyWait(kColourPanelWaitMs);
    } catch (...) {
        // A failing camera call ends the procedure quietly; the pointer is back to normal.
        m_bDonotSet = false;
    }
}

void frmClient::ShowColourControls(bool show)
{
    colour_->setVisible(show);
    if (show) {
        colour_->raise();
        colour_->update();
    }
}

void frmClient::BusyWait(int ms)
{
    BusyPointer busy;
    ui().Sleep(ms);
}

void frmClient::hscr_Change(int bar, int value)
{
    if (m_bFirst || m_bDonotSet)
        return;
    qint16* fields[3] = {&iBrightness, &iContrast, &iHue};
    *fields[bar] = qint16(value);
    colour_->SetValueText(bar, value);
    colour_->update();
    ApplyColor();
}

void frmClient::ApplyColor()
{
    BusyPointer busy;
    Cam().setImageConfig(ImageConfig{iResolution, iCompression, iFramerate, iBrightness, iContrast,
                                     iHue, iLightfreq});
    ui().Sleep(kApplyColorWaitMs);
    RestartCam(n_);
}

void frmClient::RepaintPicture() { picture_->clearFrame(); }

// ------------------------------------------------------------------ registry

void RegisterClientWindows(WindowRegistry& registry)
{
    for (int n = 1; n <= kSlotCount; ++n) {
        registry.Register(
            ClientWindowName(n),
            [&registry, n]() -> QObject* {
                ClientLinks links;
                links.engine = registry.Get<frmMain>(kEngineWindowName);
                if (!links.engine)
                    return nullptr;
                links.panel = [&registry] { return registry.Get<QWidget>(kPanelWindowName); };
                links.clientWindow = [&registry](int k) {
                    return registry.IfLoaded<QWidget>(ClientWindowName(k));
                };
                links.unloadEngine = [&registry] { RequestEngineUnload(registry); };
                return new frmClient(n, std::move(links));
            },
            CloseUnloads::Yes);
    }
}
