#include "views/frm_scan.h"

#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/guard.h"
#include "foundation/helpers.h"
#include "foundation/resources.h"
#include "foundation/window_names.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "views/frm_client.h"
#include "views/skin_events.h"
#include "views/view_buttons.h"

#include <QApplication>
#include <QEvent>
#include <exception>

using namespace viewbtn;

frmScan::frmScan(ScanLinks links, QWidget* parent)
    : QWidget(parent, Qt::Window), m_links(std::move(links)), m_engine(m_links.engine)
{
    setObjectName(kScanWindowName);
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_skin = new SkinForm(this);
    // The client area is left to the video the tour shows.
    m_picture = new VideoSurface(m_skin->clientArea());
    m_picture->setObjectName(QStringLiteral("ScanVideo"));

    ConnectSkinEvents(m_skin, this, ErrorReport::Quiet);
}

frmScan::~frmScan()
{
    m_skin->disconnect(this);
    try {
        DetachCameras();
    } catch (...) {
    }
}

QSize frmScan::ClientSize() const { return m_skin->clientRect().size(); }

void frmScan::Form_Load()
{
    setWindowIcon(QApplication::windowIcon());
    gWinOpen[kWinOpenScan] = true;
    m_bFirst = true;
    m_loaded = true;
    for (bool& onTop : gOnTop)
        onTop = false;
    m_skin->SkinFile(LangFilePath(LangFileName(QStringLiteral("_2.skn"))));
    if (m_skin->isLoaded())
        resize(m_skin->designSize());
    m_picture->setGeometry(QRect(QPoint(0, 0), ClientSize()));
}

void frmScan::Form_Activate()
{
    if (!m_loaded || m_unloaded || !m_bFirst)
        return;
    SkinElement& name = m_skin->GetElement(QStringLiteral("ServerName"));
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
    SetTips(m_skin);
    GrayScanButtons();
}

void frmScan::GrayScanButtons()
{
    for (int row : {kColorCtl, kEvent, kSnapshot, kRotate, kZoom})
        ShowCell(m_skin, row, kGray);
    ShowCell(m_skin, kAudio, kNoAudio);
}

void frmScan::Form_Resize()
{
    const QSize c = ClientSize();
    m_picture->setGeometry(QRect(QPoint(0, 0), c));
    if (!m_engine || m_engine->IsUnloaded())
        return;
    // All four, so the next camera of the tour already draws at this size.
    for (int n = 1; n <= kSlotCount; ++n) {
        m_engine->Cam(n).setDisplayWidth(c.width());
        m_engine->Cam(n).setDisplayHeight(c.height());
    }
}

void frmScan::RefrushStatusBar()
{
    if (gScanCam < 1 || gScanCam > kSlotCount)
        return;
    const CamInfo& cam = gCam[gScanCam];
    m_skin->GetElement(QStringLiteral("IPAddress")).setText(cam.IPAddress);
    const bool oneBlank =
        gLanguage == QLatin1String("TarselS") || gLanguage == QLatin1String("Tarsel");
    const QString t = QString::number(gScanCam)
                      + (oneBlank ? QStringLiteral(" ") : QStringLiteral(".  ")) + cam.ServerName;
    setWindowTitle(t);
    m_skin->GetElement(QStringLiteral("ServerName")).setText(t);
    m_skin->GetElement(QStringLiteral("Line")).setText(ConnectionText(cam));
    m_picture->setDownText(PictureDownText(cam));
}

void frmScan::Repaint() { m_picture->clearFrame(); }

void frmScan::ShowModeless()
{
    if (!isVisible())
        show();
}

void frmScan::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    hide();
    // The engine takes its cameras off the window before it goes.
    if (m_links.windowClosing)
        m_links.windowClosing();
    DetachCameras();
    gOnTop[kOnTopScan] = false;
    gScanMode = false;
    gWinOpen[kWinOpenScan] = false;
    bool anyOther = false;
    for (int k = 0; k < int(kWinOpenScan); ++k)
        anyOther = anyOther || gWinOpen[k];
    if (anyOther) {
        gCombineMode = 0;
        if (m_engine)
            m_engine->tmrScan.stop();
    } else if (m_links.unloadEngine) {
        m_links.unloadEngine();
    }
}

void frmScan::DetachCameras()
{
    if (!m_engine || m_engine->IsUnloaded())
        return;
    for (int n = 1; n <= kSlotCount; ++n)
        if (m_engine->Cam(n).display() == m_picture)
            m_engine->Cam(n).setDisplay(nullptr);
}

bool frmScan::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        Guard(ErrorReport::Quiet, QStringLiteral("Form_Activate"), [this] { Form_Activate(); });
    return QWidget::event(e);
}

void frmScan::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    Guard(ErrorReport::Quiet, QStringLiteral("Form_Activate"), [this] { Form_Activate(); });
}

void frmScan::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    if (m_loaded && !m_unloaded)
        Guard(ErrorReport::Quiet, QStringLiteral("Form_Resize"), [this] { Form_Resize(); });
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
        Look(element, row, gOnTop[kOnTopScan] ? kDown : off);
        break;
    default:
        break;  // the greyed buttons keep their looks
    }
}

void frmScan::SkinForm1_Click(SkinElement* element)
{
    const QString name = element->Name();
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
    }
}

void frmScan::ToggleOnTop()
{
    bool& onTop = gOnTop[kOnTopScan];
    onTop = !onTop;
    ShowCell(m_skin, kOnTop, onTop ? kDown : kOver);
    SetTopMost(this, onTop);
}
