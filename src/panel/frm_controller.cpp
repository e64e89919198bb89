// The panel window's life, its element helpers, the LEDs, the clock and the
// tool menu.
#include "panel/frm_controller.h"

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/guard.h"
#include "foundation/helpers.h"
#include "foundation/language_variant.h"
#include "foundation/resources.h"
#include "panel/panel_engine.h"
#include "panel/panel_windows.h"
#include "platform/image_server/image_server.h"
#include "platform/settings_file.h"
#include "platform/skin/skin_form.h"
#include "platform/toolbar/tool_bar.h"
#include "platform/ui_services.h"

#include <QApplication>
#include <QDebug>
#include <QLocale>
#include <QRegularExpression>
#include <QShowEvent>
#include <algorithm>
#include <exception>
#include <stdexcept>

namespace {

// The largest side the language pack may give the panel, in pixels.
constexpr int kMaxPanelSide = 16'384;

// A side of the panel: the pack's, within what a window can be, or the
// skin's own when the pack gives none (or none a window can have).
int PanelSide(int fromPack, int fromSkin)
{
    return fromPack > 0 ? std::min(fromPack, kMaxPanelSide) : fromSkin;
}

// The clock, "LineID" and the five information lines.
const QString kLineNames[] = {QStringLiteral("LineID"), QStringLiteral("Line1"),
                              QStringLiteral("Line2"),  QStringLiteral("Line3"),
                              QStringLiteral("Line4"),  QStringLiteral("Line5")};

bool IsPanTiltName(const QString& name)
{
    for (int row = frmController::kRowPtFirst; row <= frmController::kRowPtLast; ++row)
        if (gPanelBtn[static_cast<size_t>(row)].BtnName == name)
            return true;
    return name.startsWith(QLatin1String("PT-"));
}

// The caption file's [frmController] text of a key, "" when missing.
QString PanelText(const SettingsFile& file, const char* key)
{
    return file.GetValue(kPanelWindowName, QString::fromLatin1(key)).value_or(QString());
}

}  // namespace

frmController::frmController(ImageServerFactory makeImageServer, QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_skin = new SkinForm(this);
    m_skin->setObjectName(QStringLiteral("SkinForm1"));
    m_tbr = new ActiveToolBar(this);
    m_tbr->setObjectName(QStringLiteral("tbr"));
    m_imageServer = makeImageServer ? makeImageServer() : CreateImageServer();

    Timer1.setInterval(500);
    tmrBtnHold.setInterval(500);
    commands.ConfirmPTControl = [this](int slot) { return ConfirmPTControl(slot); };
    commands.SendPTCommand = [this](int slot, int code) { SendPTCommand(slot, code); };
    m_ownPanelEngine = std::make_unique<EnginePanelCommands>();
    InstallEngineCommands();
    // Commands that open a window come on with that window.
    if (windows().IsRegistered(kPlayMenuWindowName))
        commands.PlayRecord = [this] { PlayRecord(); };

    connect(m_skin, &SkinForm::MouseIn, this, &frmController::SkinForm1_MouseIn);
    connect(m_skin, &SkinForm::MouseOut, this, &frmController::SkinForm1_MouseOut);
    connect(m_skin, &SkinForm::MouseDown, this,
            [this](SkinElement* e, int button, int, int) { SkinForm1_MouseDown(e, button); });
    connect(m_skin, &SkinForm::MouseUp, this,
            [this](SkinElement* e, int button, int, int) { SkinForm1_MouseUp(e, button); });
    connect(m_skin, &SkinForm::Click, this, &frmController::SkinForm1_Click);
    connect(&Timer1, &QTimer::timeout, this, &frmController::Timer1_Timer);
    connect(&tmrBtnHold, &QTimer::timeout, this, &frmController::tmrBtnHold_Timer);
    connect(m_tbr, &ActiveToolBar::ToolClick, this, &frmController::tbr_ToolClick);
    if (m_imageServer)
        connect(m_imageServer.get(), &ImageServer::EndCheckIP, this,
                &frmController::ImageServer1_EndCheckIP);
}

frmController::~frmController()
{
    // The skin is destroyed after this window's own part; what it reports
    // while going must not reach the panel's handlers.
    if (m_skin)
        m_skin->disconnect(this);
    if (m_tbr)
        m_tbr->disconnect(this);
}

// ------------------------------------------------------------------ life

void frmController::Form_Load()
{
    // The engine comes first: the panel drives it from its first refresh on.
    windows().Get(kEngineWindowName);
    setWindowIcon(QApplication::windowIcon());

    m_tbr->LoadLayout(LangFilePath(LangFileName(QStringLiteral(".atb"))));
    QFont toolFont = m_tbr->font();
    SetControlFont(toolFont);
    m_tbr->setFont(toolFont);

    // The panel skin; a missing or bad file leaves a blank window (the skin reports why).
    m_skin->SkinFile(LangFilePath(LangFileName(QStringLiteral("_1.skn"))));

    // The language pack's size; without one the skin's own.
    const QSize design = m_skin->designSize();
    const int height = PanelSide(gUIHeight, design.isValid() ? design.height() : 380);
    const int width = PanelSide(gUIWidth, design.isValid() ? design.width() : 520);
    setFixedSize(width, height);

    gWinOpen[kWinOpenPanel] = true;
    m_loaded = true;
    m_firstActivate = true;
    gExtInfo.fill(false);

    m_textNotAvailable.clear();
    m_textNotStopped.clear();
    if (const QString path = CaptionFilePath(); !path.isEmpty()) {
        SettingsFile file;
        file.FileName(path);
        if (file.Load()) {
            m_textNotAvailable = PanelText(file, "strNotAvailable");
            m_textNotStopped = PanelText(file, "strNotStopped");
        }
    }
    ApplyAvailability();

    RefreshPanelText();
    SetControlFont(this);
    m_connectHover = false;
    m_camConfHover = false;
    unsetCursor();
    Timer1.start();
    Timer1_Timer();
}

void frmController::Form_Activate()
{
    if (!m_loaded)
        return;
    Guard(ErrorReport::Quiet, QStringLiteral("Form_Activate"), [&] {
        if (m_firstActivate) {
            setWindowTitle(gAppTitle);
            if (Tool* about = m_tbr->Tools(QStringLiteral("ID_About"))) {
                about->setCaption(gLangPopup[0]);
                about->setEnabled(windows().IsRegistered(kAboutWindowName));
            }
            if (Tool* help = m_tbr->Tools(QStringLiteral("ID_Help")))
                help->setCaption(gLangPopup[1]);
            InitBtnTips();
            RefreshLeds();
            SetTextFonts();
            RefreshPTPanel();
            m_firstActivate = false;
        }
        ShowBtnBitmap(kRowScan, gScanMode ? kCellDown : kCellNormal);
        ShowBtnBitmap(kRowCombine, gCombineMode != 1 ? kCellNormal : kCellDown);
        RefrushCamCfgBtn();
        RefreshPanelText();
    });
}

void frmController::Form_Unload()
{
    hide();
    Timer1.stop();
    tmrBtnHold.stop();
    gWinOpen[kWinOpenPanel] = false;
    m_loaded = false;
    for (size_t i = 1; i < gWinOpen.size(); ++i)
        if (gWinOpen[i])
            return;  // a video window still shows: the program goes on without its panel
    // The engine's unload is the program's shut-down.
    RequestEngineUnload(windows());
}

void frmController::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    // A window manager may never activate a new window: the first show counts.
    if (m_firstActivate)
        Form_Activate();
}

void frmController::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (e->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow())
        Form_Activate();
    else
        tmrBtnHold.stop();  // a held pan/tilt button never outlives the panel's focus
}

void frmController::SetTextFonts()
{
    const QFont base = font();
    if (SkinElement* time = Element(QStringLiteral("Time"))) {
        QFont f = base;
        f.setPointSizeF(8);
        time->setFont(f);
    }
    for (int i = 1; i <= 5; ++i)
        if (SkinElement* line = Element(kLineNames[i]))
            line->setFont(base);
    if (SkinElement* id = Element(kLineNames[0])) {
        QFont f = base;
        f.setPointSizeF(36);
        f.setItalic(true);
        id->setFont(f);
    }
}

// ------------------------------------------------------- availability

bool frmController::PanTiltAvailable() const
{
    return static_cast<bool>(commands.ConfirmPTControl)
           && static_cast<bool>(commands.SendPTCommand);
}

bool frmController::CommandAvailable(const QString& name) const
{
    const LangVariant variant = CurrentVariant();
    const WindowRegistry& registry = windows();
    if (name == QLatin1String("Assign"))
        return registry.IsRegistered(kBrowseWindowName);
    if (name == QLatin1String("SysConf"))
        return registry.IsRegistered(kSysConfWindowName);
    if (name == QLatin1String("Update"))
        return registry.IsRegistered(kUpdateFWWindowName);
    if (name == QLatin1String("Motion"))
        return registry.IsRegistered(kMotionSettingWindowName);
    if (name == QLatin1String("About")) {
        if (variant == LangVariant::DADODEZE || variant == LangVariant::DIZUREZOV)
            return registry.IsRegistered(kAboutWindowName);
        return m_tbr && m_tbr->hasPopup(QStringLiteral("ID_HelpAbout"));
    }
    if (name == QLatin1String("CamConf")) {
        // The group is worth opening only when one of its buttons does something.
        const bool motionInGroup = variant != LangVariant::DADODEZE;
        const bool groupWorks = CommandAvailable(QStringLiteral("Web"))
                                || CommandAvailable(QStringLiteral("Update"))
                                || (motionInGroup && CommandAvailable(QStringLiteral("Motion")));
        return groupWorks
               && (variant != LangVariant::DADODEZE
                   || registry.IsRegistered(kCheckPasswordWindowName));
    }
    if (name == QLatin1String("ManualRec"))
        return static_cast<bool>(commands.ManualRecord);
    if (name == QLatin1String("ScheduleRec"))
        return static_cast<bool>(commands.ScheduleRecord);
    if (name == QLatin1String("MotionRec"))
        return static_cast<bool>(commands.MotionRecord);
    if (name == QLatin1String("Play"))
        return static_cast<bool>(commands.PlayRecord);
    if (name == QLatin1String("Combine"))
        return static_cast<bool>(commands.Combine_Fun);
    if (name == QLatin1String("Scan"))
        return static_cast<bool>(commands.Scan_Fun);
    if (name == QLatin1String("Web"))
        return static_cast<bool>(commands.WebSetting);
    if (IsPanTiltName(name))
        return PanTiltAvailable();
    return true;
}

bool frmController::RowAvailable(int row) const
{
    if (row >= kRowPtFirst && row <= kRowPtGroup)
        return PanTiltAvailable();
    if (row < 0 || row >= kPanelBtnCount)
        return true;
    return CommandAvailable(gPanelBtn[static_cast<size_t>(row)].BtnName);
}

QString frmController::GreyedCell(int row) const
{
    const auto& cells = gPanelBtn[static_cast<size_t>(row)].BtnStr;
    if (row >= kRowPtFirst && row <= kRowPtGroup)
        return cells[kCellDisabled];
    return cells[kCellGray].isEmpty() ? cells[kCellNormal] : cells[kCellGray];
}

QString frmController::RowLook(int row, int cell) const
{
    if (!RowAvailable(row))
        return GreyedCell(row);
    return gPanelBtn[static_cast<size_t>(row)].BtnStr[static_cast<size_t>(cell)];
}

void frmController::ApplyAvailability()
{
    for (int row = 0; row < kPanelBtnCount; ++row) {
        if (RowAvailable(row))
            continue;
        if (SkinElement* el = RowElement(row)) {
            el->setStatePicture(GreyedCell(row));
            el->setToolTip(m_textNotAvailable);
            el->setStyleFlags(kStyleOff);
        }
    }
}

// ------------------------------------------------------ element helpers

SkinElement* frmController::Element(const QString& name) const
{
    if (!m_skin || name.isEmpty())
        return nullptr;
    SkinElement& el = m_skin->GetElement(name);  // reports a missing name once
    return el.isNull() ? nullptr : &el;
}

SkinElement* frmController::RowElement(int row) const
{
    if (row < 0 || row >= kPanelBtnCount)
        return nullptr;
    return Element(gPanelBtn[static_cast<size_t>(row)].BtnName);
}

int frmController::RowOf(const QString& name)
{
    if (name.isEmpty())
        return -1;
    for (int row = 0; row < kPanelBtnCount; ++row)
        if (gPanelBtn[static_cast<size_t>(row)].BtnName == name)
            return row;
    return -1;
}

void frmController::ShowBtnBitmap(int row, int cell)
{
    if (!gWinOpen[kWinOpenPanel] || row < 0 || row >= kPanelBtnCount || cell < 0 || cell > 8)
        return;
    if (SkinElement* el = RowElement(row))
        el->setStatePicture(RowLook(row, cell));
}

void frmController::SetRowTip(int row, const QString& tip)
{
    if (SkinElement* el = RowElement(row))
        el->setToolTip(RowAvailable(row) ? tip : m_textNotAvailable);
}

void frmController::SetRowStyle(int row, int flags)
{
    if (SkinElement* el = RowElement(row))
        el->setStyleFlags(RowAvailable(row) ? flags : kStyleOff);
}

void frmController::SwitchOff(int row)
{
    if (gPanelBtn[static_cast<size_t>(row)].EnableGray) {
        ShowBtnBitmap(row, kCellGray);
        return;
    }
    if (SkinElement* el = RowElement(row)) {
        el->setAlpha(255);
        el->setImageSource(QString());
        el->setImageRect(QString());
    }
}

void frmController::SwitchOn(int row)
{
    if (gPanelBtn[static_cast<size_t>(row)].EnableGray)
        ShowBtnBitmap(row, kCellNormal);
    else
        Reveal(row);
}

void frmController::Reveal(int row)
{
    SkinElement* el = RowElement(row);
    if (!el)
        return;
    el->setAlpha(0);
    if (!gPanelBtn[static_cast<size_t>(row)].EnableGray) {
        el->setImageSource(RowLook(row, kCellImage));
        el->setImageRect(QStringLiteral("0 0 %1 %2").arg(el->Width()).arg(el->Height()));
    }
}

void frmController::ShowLineText(int index, const QString& text)
{
    if (index < 0 || index > 5)
        return;
    if (SkinElement* el = Element(kLineNames[index]))
        el->setText(text);
}

bool frmController::ShowSkinElement(const QString& name, bool show)
{
    try {
        SkinElement* el = m_skin ? m_skin->findElement(name) : nullptr;
        if (!el)
            return false;
        el->setAlpha(show ? 0 : 255);
        return true;
    } catch (...) {
        return false;
    }
}

QString frmController::GetCamInfoText(int slot, int kind)
{
    if (slot < 1 || slot > kSlotCount)
        return {};
    const CamInfo& cam = gCam[static_cast<size_t>(slot)];
    switch (kind) {
    case 1:
        return gLangModel + cam.ServerModel;
    case 2:
        return gLangHWVER + cam.HWVersion;
    case 3:
        return gLangFWVER + cam.FWVersion;
    case 4:
        return gLangROMVER + cam.ROMVersion;
    case 5:
        return gLangMACADDR + FormatMacAddress(cam.MacAddress);
    case 6:
        return gLangIPADDR + cam.IPAddress;
    case 7:
        return gLangName + cam.ServerName;
    default:
        return {};
    }
}

// ------------------------------------------------------------------ LEDs

void frmController::LedControl(int led, bool on)
{
    if (led < 1 || led > 3 * kSlotCount)
        return;
    const int slot = (led - 1) / 3 + 1;
    const int k = (led - 1) % 3 + 1;
    if (SkinElement* el = Element(QStringLiteral("Led%1-%2").arg(slot).arg(k)))
        el->setStatePicture(
            gPanelBtn[static_cast<size_t>(kRowLedBase + led)].BtnStr[on ? kCellDown : kCellNormal]);
}

void frmController::RefreshLeds()
{
    for (int s = 1; s <= kSlotCount; ++s) {
        const CamInfo& cam = gCam[static_cast<size_t>(s)];
        LedControl((s - 1) * 3 + 3, cam.Enable && !cam.Reconnecting);
        LedControl((s - 1) * 3 + 1, cam.Recording);
        LedControl((s - 1) * 3 + 2, false);
    }
}

void frmController::InitBtnTips()
{
    for (int row = 0; row < kPanelBtnCount; ++row)
        SetRowTip(row, gPanelBtn[static_cast<size_t>(row)].BtnStr[kCellTip]);
}

// ----------------------------------------------------------------- clock

QString frmController::ClockText(const QDateTime& now)
{
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(now.date(), QLocale::ShortFormat);
    const QTime t = now.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return date;
    // The long time form without its time-zone name.
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    if (!format.contains(QLatin1Char('\'')))
        format.remove(zone);
    return date + QLatin1Char(' ') + locale.toString(t, format.trimmed());
}

void frmController::Timer1_Timer()
{
    Guard(ErrorReport::Quiet, QStringLiteral("Timer1_Timer"), [&] {
        if (SkinElement* el = Element(QStringLiteral("Time")))
            el->setText(ClockText(ui().Now()));
    });
}

// ------------------------------------------------------------- tool menu

bool frmController::ShowDialog(const QString& name, QWidget* owner)
{
    auto* dialog = windows().Get<IModalDialog>(name);
    if (!dialog)
        return false;
    dialog->ShowModal(owner);
    windows().Unload(name);
    return true;
}

void frmController::tbr_ToolClick(Tool* tool)
{
    Guard(ErrorReport::Quiet, QStringLiteral("tbr_ToolClick"), [&] {
        if (!tool)
            return;
        const QString id = tool->ID();
        if (id == QLatin1String("ID_Help")) {
            const QString relative = QStringLiteral("Help/") + gHelpFileName;
            const QString found = gHelpFileName.isEmpty() ? QString() : FindResourceFile(relative);
            OpenWithAssociatedApp(found.isEmpty() ? AppPath() + QLatin1Char('/') + relative
                                                  : found);
        } else if (id == QLatin1String("ID_About")) {
            ShowDialog(kAboutWindowName, this);
        }
    });
}

// ---------------------------------------------------------------- helpers

frmMain* frmController::Engine() const { return windows().Get<frmMain>(kEngineWindowName); }

void frmController::SetPanelEngine(IPanelEngine* engine)
{
    m_panelEngine = engine;
    InstallEngineCommands();
}

void frmController::InstallEngineCommands()
{
    if (!m_panelEngine && !m_ownPanelEngine)
        return;
    const WindowRegistry& registry = windows();
    commands.ManualRecord = [this] { return ManualRecord(); };
    commands.MotionRecord = [this] { return MotionRecord(); };
    if (registry.IsRegistered(kScheduleWindowName))
        commands.ScheduleRecord = [this] { return ScheduleRecord(); };
    if (registry.IsRegistered(kCombineWindowName))
        commands.Combine_Fun = [this] { Combine_Fun(); };
    if (registry.IsRegistered(kScanWindowName))
        commands.Scan_Fun = [this] { Scan_Fun(); };
    if (registry.IsRegistered(kWebWindowName))
        commands.WebSetting = [this] { WebSetting(); };
}

IPanelEngine& frmController::PanelEngine()
{
    if (m_panelEngine)
        return *m_panelEngine;
    if (!m_ownPanelEngine)
        throw std::logic_error("the panel's recording and display commands have no engine");
    return *m_ownPanelEngine;
}

bool frmController::Assigned() const
{
    return gCurCam >= 1 && gCurCam <= kSlotCount && gCam[static_cast<size_t>(gCurCam)].Assign;
}
