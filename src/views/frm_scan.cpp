#include "views/frm_scan.h"

#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/helpers.h"
#include "foundation/resources.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_report.h"
#include "views/frm_client.h"
#include "views/view_buttons.h"

#include <QApplication>
#include <QEvent>
#include <exception>

using namespace viewbtn;

namespace {
constexpr int kScanOnTop = 4;  // gOnTop index of this window
}

frmScan::frmScan(ScanLinks links, QWidget* parent)
    : QWidget(parent, Qt::Window), links_(std::move(links)), engine_(links_.engine)
{
    setObjectName(QStringLiteral("frmScan"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    skin_ = new SkinForm(this);
    // The client area is left to the video the tour shows.
    picture_ = new VideoSurface(skin_->clientArea());
    picture_->setObjectName(QStringLiteral("ScanVideo"));

    connect(skin_, &SkinForm::MouseDown, this, [this](SkinElement* e, int button, int, int) {
        Guarded("SkinForm1_MouseDown", [&] { SkinForm1_MouseDown(e, button); });
    });
    connect(skin_, &SkinForm::MouseUp, this, [this](SkinElement* e, int button, int, int) {
        Guarded("SkinForm1_MouseUp", [&] { SkinForm1_MouseUp(e, button); });
    });
    connect(skin_, &SkinForm::MouseIn, this, [this](SkinElement* e) {
        Guarded("SkinForm1_MouseIn", [&] { SkinForm1_MouseIn(e); });
    });
    connect(skin_, &SkinForm::MouseOut, this, [this](SkinElement* e) {
        Guarded("SkinForm1_MouseOut", [&] { SkinForm1_MouseOut(e); });
    });
    connect(skin_, &SkinForm::Click, this,
            [this](SkinElement* e) { Guarded("SkinForm1_Click", [&] { SkinForm1_Click(e); }); });
}

frmScan::~frmScan()
{
    skin_->disconnect(this);
    try {
        DetachCameras();
    } catch (...) {
    }
}

void frmScan::Guarded(const char* what, const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::exception& e) {
        SkinReport(QStringLiteral("frmScan: %1 failed: %2")
                       .arg(QLatin1String(what), QString::fromUtf8(e.what())));
    } catch (...) {
        SkinReport(QStringLiteral("frmScan: %1 failed").arg(QLatin1String(what)));
    }
}

QSize frmScan::ClientSize() const { return skin_->clientRect().size(); }

void frmScan::Form_Load()
{
    setWindowIcon(QApplication::windowIcon());
    gWinOpen[kScanWindowNumber] = true;
    m_bFirst = true;
    loaded_ = true;
    for (bool& onTop : gOnTop)
        onTop = false;
    const QString lang = AppPath() + QLatin1Char('/') + kLangFolder + QLatin1Char('/');
    skin_->SkinFile(lang + LangFileName(QStringLiteral("_2.skn")));
    if (skin_->isLoaded())
        resize(skin_->designSize());
    picture_->setGeometry(QRect(QPoint(0, 0), ClientSize()));
}

void frmScan::Form_Activate()
{
    if (!loaded_ || unloaded_ || !m_bFirst)
        return;
    SkinElement& name = skin_->GetElement(QStringLiteral("ServerName"));
    if (gLanguage != QLatin1String("Tarsel")) {
        name.setText(gLangScanCaption);
    } else {
        const int n = gScanCam >= 1 && gScanCam <= kSlotCount ? gScanCam : 1;
        const QString t = QString::number(gScanCam) + QLatin1Char(' ') + gCam[n].ServerName;
        setWindowTitle(t);
        name.setText(t);
    }
    m_bFirst = false;
    if (!isMaximized() && !isFullScreen())
        resize(ClientSizingOuter(size(), ClientSize(), QSize(320, 240), 1, 1));
    Form_Resize();  // at once, also while hidden
    SetTips(skin_);
    GrayScanButtons();
}

void frmScan::GrayScanButtons()
{
    for (int row : {kColorCtl, kEvent, kSnapshot, kRotate, kZoom})
        ShowCell(skin_, row, kGray);
    ShowCell(skin_, kAudio, kNoAudio);
}

void frmScan::Form_Resize()
{
    const QSize c = ClientSize();
    picture_->setGeometry(QRect(QPoint(0, 0), c));
    if (!engine_ || engine_->IsUnloaded())
        return;
    // All four, so the next camera of the tour already draws at this size.
    for (int n = 1; n <= kSlotCount; ++n) {
        engine_->Cam(n).setDisplayWidth(c.width());
        engine_->Cam(n).setDisplayHeight(c.height());
    }
}

void frmScan::RefrushStatusBar()
{
    if (gScanCam < 1 || gScanCam > kSlotCount)
        return;
    const CamInfo& cam = gCam[gScanCam];
    skin_->GetElement(QStringLiteral("IPAddress")).setText(cam.IPAddress);
    const bool oneBlank =
        gLanguage == QLatin1String("TarselS") || gLanguage == QLatin1String("Tarsel");
    const QString t = QString::number(gScanCam)
                      + (oneBlank ? QStringLiteral(" ") : QStringLiteral(".  ")) + cam.ServerName;
    setWindowTitle(t);
    skin_->GetElement(QStringLiteral("ServerName")).setText(t);
}

void frmScan::Repaint() { picture_->clearFrame(); }

void frmScan::ShowModeless()
{
    if (!isVisible())
        show();
}

void frmScan::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    hide();
    // The engine takes its cameras off the window before it goes.
    if (links_.windowClosing)
        links_.windowClosing();
    DetachCameras();
    gOnTop[kScanOnTop] = false;
    gScanMode = false;
    gWinOpen[kScanWindowNumber] = false;
    bool anyOther = false;
    for (int k = 0; k < kScanWindowNumber; ++k)
        anyOther = anyOther || gWinOpen[k];
    if (anyOther) {
        gCombineMode = 0;
        if (engine_)
            engine_->tmrScan.stop();
    } else if (links_.unloadEngine) {
        links_.unloadEngine();
    }
}

void frmScan::DetachCameras()
{
    if (!engine_ || engine_->IsUnloaded())
        return;
    for (int n = 1; n <= kSlotCount; ++n)
        if (engine_->Cam(n).display() == picture_)
            engine_->Cam(n).setDisplay(nullptr);
}

bool frmScan::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Guarded("Form_Activate", [this] { Form_Activate(); });
    return QWidget::event(e);
}

void frmScan::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    Guarded("Form_Activate", [this] { Form_Activate(); });
}

void frmScan::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (loaded_ && !unloaded_)
        Guarded("Form_Resize", [this] { Form_Resize(); });
}

// ------------------------------------------------------------------ looks

void frmScan::SkinForm1_MouseDown(SkinElement* element, int button)
{
    if (button != 1)
        return;
    const int row = RowOf(element);
    if (row == kMin || row == kMax || row == kClose || row == kWakeUp)
        Look(element, row, kDown);
}

void frmScan::SkinForm1_MouseUp(SkinElement* element, int button)
{
    if (button != 1)
        return;
    const int row = RowOf(element);
    if (row == kMin || row == kMax || row == kClose)
        Look(element, row, kNormal);
}

void frmScan::SkinForm1_MouseIn(SkinElement* element) { HoverLook(element, true); }
void frmScan::SkinForm1_MouseOut(SkinElement* element) { HoverLook(element, false); }

void frmScan::HoverLook(SkinElement* element, bool entering)
{
    const int off = entering ? kOver : kLeave;
    const int row = RowOf(element);
    switch (row) {
    case kMin:
    case kClose:
    case kWakeUp:
        Look(element, row, off);
        break;
    case kMax:
        Look(element, row, off);
        if (entering)
            element->setToolTip(isMaximized() ? gMaxTipMaximized : gMaxTipNormal);
        break;
    case kOnTop:
        Look(element, row, gOnTop[kScanOnTop] ? kDown : off);
        break;
    default:
        break;  // the greyed buttons keep their looks
    }
}

void frmScan::SkinForm1_Click(SkinElement* element)
{
    const QString name = element->Name();
    if (name == QLatin1String("WakeUp")) {
        QWidget* panel = links_.panel ? links_.panel() : nullptr;
        if (panel) {
            if (!panel->isVisible())
                panel->show();
            panel->setWindowState(panel->windowState() & ~(Qt::WindowMinimized));
            panel->raise();
            panel->activateWindow();
        }
        ShowCell(skin_, kWakeUp, kOver);
    } else if (name == QLatin1String("OnTop")) {
        ToggleOnTop();
    }
}

void frmScan::ToggleOnTop()
{
    bool& onTop = gOnTop[kScanOnTop];
    onTop = !onTop;
    ShowCell(skin_, kOnTop, onTop ? kDown : kOver);
    SetTopMost(this, onTop);
}
