#include "discovery/frm_update_fw.h"

#include "discovery/discovery_windows.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/language_variant.h"
#include "panel/frm_controller.h"
#include "platform/image_server/image_server.h"
#include "platform/tftp/tftp.h"

#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <cmath>

namespace {
constexpr int kRestartWaitMs = 50000;
constexpr int kAfterUpdateSleepMs = 200;
const QString kTempFileName = QStringLiteral("TempFW.BIN");
const QString kFilter = QStringLiteral("Firmware (*.bin *.BIN)|*.bin;*.BIN|Any File (*)|*");

int gWatchdogMs = frmTFTPProgress::kWatchdogMs;
int gWaitMs = kRestartWaitMs;
int gTickMs = frmProgress::kTickMs;

// The nearest whole number, halves to even.
int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

frmMain* Engine() { return windows().Get<frmMain>(kEngineWindowName); }
}  // namespace

// ================================================================ frmUpdateFW

frmUpdateFW::frmUpdateFW(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(QStringLiteral("Update Firmware"));
    setFixedSize(440, 138);
    frameUpdateFirmware = new QGroupBox(QStringLiteral("Update Firmware"), this);
    frameUpdateFirmware->setGeometry(8, 6, 424, 82);
    lblFirmwarePath = new QLabel(QStringLiteral("File Path:"), frameUpdateFirmware);
    lblFirmwarePath->setGeometry(12, 30, 80, 22);
    txtFirmwareFileName = new QLineEdit(frameUpdateFirmware);
    txtFirmwareFileName->setGeometry(92, 28, 226, 24);
    lblFirmwarePath->setBuddy(txtFirmwareFileName);
    cmdBrowse = new QPushButton(QStringLiteral("&Browse..."), frameUpdateFirmware);
    cmdBrowse->setGeometry(324, 26, 90, 28);
    cmdUpdateFirmware = new QPushButton(QStringLiteral("&Update"), this);
    cmdUpdateFirmware->setGeometry(240, 98, 92, 28);
    cmdUpdateFirmware->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(340, 98, 92, 28);

    connect(cmdBrowse, &QPushButton::clicked, this,
            [this] { Guard("cmdBrowse_Click", [this] { cmdBrowse_Click(); }); });
    connect(cmdUpdateFirmware, &QPushButton::clicked, this,
            [this] { Guard("cmdUpdateFirmware_Click", [this] { cmdUpdateFirmware_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this,
            [this] { Guard("cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

frmUpdateFW::~frmUpdateFW() = default;

void frmUpdateFW::Form_Load()
{
    SetFormFont();
    LoadLanguage();
}

void frmUpdateFW::SetFormFont()
{
    ApplyLanguageFont({frameUpdateFirmware, lblFirmwarePath, txtFirmwareFileName, cmdBrowse,
                       cmdUpdateFirmware, cmdCancel});
}

bool frmUpdateFW::LoadLanguage()
{
    const auto lang = LanguageSection::Open(QStringLiteral("frmUpdateFW"));
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    frameUpdateFirmware->setTitle(lang->Text(QStringLiteral("frameUpdateFirmware")));
    lblFirmwarePath->setText(lang->Text(QStringLiteral("lblFirmwarePath")));
    cmdBrowse->setText(lang->Text(QStringLiteral("cmdBrowse")));
    cmdUpdateFirmware->setText(lang->Text(QStringLiteral("cmdUpdateFirmware")));
    cmdCancel->setText(lang->Text(QStringLiteral("cmdCancel")));
    const std::vector<QString> messages = lang->Messages(5);
    for (size_t i = 1; i <= 5; ++i)
        m_sMsg[i] = messages[i - 1];
    return true;
}

void frmUpdateFW::cmdBrowse_Click()
{
    const QString file =
        ui().GetOpenFileName(this, QStringLiteral("Open Profile"), AppPath(), kFilter);
    if (!file.isEmpty())
        txtFirmwareFileName->setText(file);
}

void frmUpdateFW::cmdCancel_Click()
{
    hide();
    ui().DoEvents();
}

void frmUpdateFW::RecoverAfterError() { m_bUpdating = false; }

void frmUpdateFW::Finish()
{
    m_bUpdating = false;
    hide();
    ui().DoEvents();
}

void frmUpdateFW::cmdUpdateFirmware_Click()
{
    if (m_bUpdating)
        return;
    const int slot = gCurCam;
    CamInfo& cam = gCam[static_cast<size_t>(slot)];
    frmMain* engine = Engine();
    if (!engine)
        return;
    const bool wasEnabled = cam.Enable;
    if (cam.Recording) {
        if (Message(m_sMsg[3], MsgIcon::Warning, MsgButtons::YesNo) != MsgResult::Yes) {
            if (gWinOpen[0]) {
                if (auto* panel = windows().IfLoaded<frmController>(kPanelWindowName))
                    panel->RefrushCamCfgBtn();
            }
            engine->RefreshStatus();
            return;
        }
    }
    const QFileInfo file(txtFirmwareFileName->text());
    if (!file.isFile()) {
        Message(m_sMsg[1], MsgIcon::Warning);
        FocusAndSelect(txtFirmwareFileName);
        return;
    }
    if (file.size() == 0) {
        // Nothing to send: the camera would be left without firmware.
        Message(m_sMsg[4], MsgIcon::Warning);
        FocusAndSelect(txtFirmwareFileName);
        return;
    }

    // The busy pointer covers the work only: every box, the transfer window
    // and the restart wait are shown with the normal pointer.
    m_bUpdating = true;
    ImageServer& server = engine->Cam(slot);
    // A private copy: the file may change or vanish while it is sent.
    QTemporaryDir folder;
    const QString copy = folder.isValid() ? folder.filePath(kTempFileName) : QString();
    bool cameraBusy = false;
    bool copied = false;
    {
        const BusyPointer busy;
        engine->CamStop(slot);
        cameraBusy = server.isBusy() != 0;
        copied = !cameraBusy && !copy.isEmpty() && QFile::copy(file.absoluteFilePath(), copy);
    }
    if (cameraBusy) {
        Message(m_sMsg[2], MsgIcon::Warning);
        Finish();
        return;
    }
    if (!copied) {
        Message(m_sMsg[5], MsgIcon::Critical);
        if (wasEnabled)
            engine->CamStart(slot);
        Finish();
        return;
    }
    bool succeeded = false;
    bool cameraBack = false;
    if (auto* transfer = windows().Get<frmTFTPProgress>(kTFTPProgressWindowName)) {
        transfer->TFTPServer = server.ipAddress();
        transfer->FirmwareFile = copy;
        transfer->ShowModal(this);
        transfer = windows().IfLoaded<frmTFTPProgress>(kTFTPProgressWindowName);
        succeeded = transfer && transfer->m_bSucceeded;
        cameraBack = transfer && transfer->m_bCameraBack;
        windows().Unload(kTFTPProgressWindowName);
    }
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(copy);
    if (!succeeded) {
        // The transfer window said why, or the operator closed it; the camera
        // goes on as before.
        if (wasEnabled)
            engine->CamStart(slot);
        Finish();
        return;
    }
    if (!cameraBack) {
        // The wait said so: the slot keeps the camera it knew, stopped.
        Finish();
        return;
    }
    {
        const BusyPointer busy;
        if (server.checkIP(0, false) == ImageServer::kTrue) {
            server.selectServer(-1);
            cam.Protocol = server.serverProtocol();
            cam.Port = server.port();
            cam.IsLocalCamera = server.isLocalCamera();
            cam.MacAddress = server.serverMacAddress();
            cam.ServerModel = server.serverModel();
            cam.ServerName = server.serverName();
            cam.FWVersion = server.fwVersion();
            cam.HWVersion = server.hwVersion();
            cam.ROMVersion = server.romVersion();
            engine->PutSettingToCam(slot);
            if (wasEnabled)
                engine->CamStart(slot);
        }
        ui().Sleep(kAfterUpdateSleepMs);
    }
    Finish();
}

// ================================================================ frmTFTPProgress

void frmTFTPProgress::SetTimesForTests(int watchdogMs, int waitMs)
{
    gWatchdogMs = watchdogMs > 0 ? watchdogMs : kWatchdogMs;
    gWaitMs = waitMs > 0 ? waitMs : kRestartWaitMs;
}

frmTFTPProgress::frmTFTPProgress(QWidget* parent) : DialogBase(parent), tftp(new TFTP(this))
{
    setWindowTitle(gAppTitle);
    setFixedSize(360, 84);
    progressbar = new QProgressBar(this);
    progressbar->setGeometry(12, 16, 336, 22);
    progressbar->setRange(0, 100);
    progressbar->setTextVisible(false);
    lblComplete = new QLabel(QStringLiteral("Complete"), this);
    lblComplete->setGeometry(12, 48, 160, 22);
    lblProgress = new QLabel(QStringLiteral("0%"), this);
    lblProgress->setGeometry(268, 48, 80, 22);
    lblProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    tmrTimeOut.setSingleShot(true);

    connect(tftp, &TFTP::TransferStart, this,
            [this] { Guard("tftp_TransferStart", [this] { tftp_TransferStart(); }); });
    connect(tftp, &TFTP::Progress, this, [this](qint64 bytes) {
        Guard("tftp_Progress", [this, bytes] { tftp_Progress(bytes); });
    });
    connect(tftp, &TFTP::TransferComplete, this,
            [this] { Guard("tftp_TransferComplete", [this] { tftp_TransferComplete(); }); });
    connect(tftp, &TFTP::TransferError, this,
            [this] { Guard("tftp_TransferError", [this] { tftp_TransferError(); }); });
    connect(&tmrTimeOut, &QTimer::timeout, this,
            [this] { Guard("tmrTimeOut_Timer", [this] { tmrTimeOut_Timer(); }); });
}

frmTFTPProgress::~frmTFTPProgress() { tftp->Abort(); }

void frmTFTPProgress::Form_Load()
{
    ApplyLanguageFont({lblProgress, lblComplete});
    LoadLanguage();
    lblComplete->setVisible(CurrentVariant() != LangVariant::DADODEZE);
}

bool frmTFTPProgress::LoadLanguage()
{
    const auto lang = LanguageSection::Open(QStringLiteral("frmTFTPProgress"));
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    lblComplete->setText(lang->Text(QStringLiteral("lblComplete")));
    const std::vector<QString> messages = lang->Messages(3);
    for (size_t i = 1; i <= 3; ++i)
        m_sMsg[i] = messages[i - 1];
    return true;
}

void frmTFTPProgress::OnFirstShow()
{
    const QFileInfo file(FirmwareFile);
    if (!file.isFile()) {
        Message(m_sMsg[1], MsgIcon::Critical);
        hide();
        return;
    }
    progressbar->setRange(
        0, static_cast<int>(std::clamp<qint64>(file.size(), 1, TFTP::kMaxFileBytes)));
    progressbar->setValue(0);
    tftp->setRemoteHost(TFTPServer);
    tftp->setLocalFile(FirmwareFile);
    m_bSending = true;
    tmrTimeOut.start(gWatchdogMs);
    tftp->setAction(TFTP::kActionSend);
}

void frmTFTPProgress::tftp_TransferStart() { progressbar->setValue(0); }

void frmTFTPProgress::tftp_Progress(qint64 bytes)
{
    tmrTimeOut.start(gWatchdogMs);
    const int value = static_cast<int>(std::clamp<qint64>(bytes, 0, progressbar->maximum()));
    progressbar->setValue(value);
    lblProgress->setText(
        QStringLiteral("%1%").arg(RoundHalfEven(100.0 * value / progressbar->maximum())));
}

void frmTFTPProgress::EndSending()
{
    tmrTimeOut.stop();
    m_bSending = false;
}

void frmTFTPProgress::tftp_TransferComplete()
{
    EndSending();
    hide();
    ui().DoEvents();
    if (auto* wait = windows().Get<frmProgress>(kProgressWindowName)) {
        wait->OpTime = gWaitMs;
        wait->CameraAddress = TFTPServer;
        wait->ShowModal(nullptr);
        wait = windows().IfLoaded<frmProgress>(kProgressWindowName);
        m_bCameraBack = wait && wait->m_bCameraBack;
        windows().Unload(kProgressWindowName);
    }
    m_bSucceeded = true;
}

void frmTFTPProgress::tftp_TransferError()
{
    EndSending();
    Message(m_sMsg[2], MsgIcon::Critical);
    hide();
}

void frmTFTPProgress::tmrTimeOut_Timer()
{
    ui().DoEvents();
    if (!m_bSending)
        return;  // the operator closed the window meanwhile
    tftp->Abort();
    ui().DoEvents();
    EndSending();
    Message(m_sMsg[2], MsgIcon::Critical);
    hide();
}

void frmTFTPProgress::OnCancel()
{
    if (m_bSending) {
        // The operator gives up: nothing more is sent or reported, and the
        // camera keeps the firmware it runs.
        tftp->Abort();
        EndSending();
    }
    hide();
}

// ================================================================ frmProgress

void frmProgress::SetTickForTests(int ms) { gTickMs = ms > 0 ? ms : kTickMs; }

frmProgress::frmProgress(QWidget* parent) : DialogBase(parent)
{
    setWindowTitle(gAppTitle);
    setFixedSize(360, 130);
    progressbar = new QProgressBar(this);
    progressbar->setGeometry(12, 16, 336, 22);
    progressbar->setRange(0, kMaximum);
    progressbar->setTextVisible(false);
    lblComplete = new QLabel(QStringLiteral("Complete"), this);
    lblComplete->setGeometry(12, 48, 200, 22);
    lblProgress = new QLabel(QStringLiteral("0%"), this);
    lblProgress->setGeometry(268, 48, 80, 22);
    lblProgress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblWait = new QLabel(this);
    lblWait->setGeometry(12, 76, 336, 44);
    lblWait->setWordWrap(true);
    connect(&timer, &QTimer::timeout, this,
            [this] { Guard("timer_Timer", [this] { timer_Timer(); }); });
}

frmProgress::~frmProgress() = default;

void frmProgress::Form_Load()
{
    timer.setInterval(gTickMs);
    ApplyLanguageFont({lblProgress, lblComplete, lblWait});
    LoadLanguage();
}

bool frmProgress::LoadLanguage()
{
    const auto lang = LanguageSection::Open(QStringLiteral("frmProgress"));
    if (!lang)
        return false;
    setWindowTitle(lang->Text(QStringLiteral("Caption")));
    lblComplete->setText(lang->Text(QStringLiteral("lblComplete")));
    lblWait->setText(lang->Text(QStringLiteral("lblWait")));
    const std::vector<QString> messages = lang->Messages(2);
    for (size_t i = 1; i <= 2; ++i)
        m_sMsg[i] = messages[i - 1];
    return true;
}

void frmProgress::OnFirstShow()
{
    progressbar->setValue(0);
    // The wait in steps of the timer's tick: 50 s in 100 ms ticks is 2 per tick.
    const double ticks = static_cast<double>(std::max(OpTime, 1)) / kTickMs;
    m_step = std::max(1, RoundHalfEven(kMaximum / ticks));
    // The usual restart fills the bar; a slow camera gets up to 2.4 times
    // as long in all (120 s for the usual 50 s).
    m_limitTicks = kMaximum / m_step * 12 / 5 + 1;
    m_ticks = 0;
    m_cameraGone = false;
    m_bCameraBack = false;
    if (!CameraAddress.isEmpty())
        m_camera = SlotCameraAt(gCurCam, CameraAddress);
    if (m_camera) {
        connect(m_camera.get(), &ImageServer::EndCheckIP, this, [this](int status) {
            Guard("ImageServer_EndCheckIP",
                  [this, status] { CameraAnswered(status == ImageServer::kTrue); });
        });
    }
    timer.start();
}

void frmProgress::timer_Timer()
{
    ++m_ticks;
    const int next = progressbar->value() + m_step;
    if (!m_camera) {
        // Nobody to ask: the wait is the usual time.
        if (next > kMaximum) {
            EndWait(true);
            return;
        }
    } else if (m_ticks > m_limitTicks) {
        EndWait(false);
        return;
    }
    if (next <= kMaximum) {
        progressbar->setValue(next);
        lblProgress->setText(QStringLiteral("%1%").arg(RoundHalfEven(next / 10.0)));
    }
    if (m_camera && !m_asking) {
        m_asking = true;
        if (m_camera->checkIP(1, false) != ImageServer::kTrue)
            CameraAnswered(false);
    }
}

void frmProgress::CameraAnswered(bool answered)
{
    m_asking = false;
    if (!timer.isActive())
        return;  // the wait is over
    if (!answered) {
        m_cameraGone = true;
        return;
    }
    // Back after it went away, or still there once the usual time is over
    // (a restart too quick to be seen).
    if (m_cameraGone || progressbar->value() + m_step > kMaximum)
        EndWait(true);
}

void frmProgress::EndWait(bool cameraBack)
{
    timer.stop();
    m_bCameraBack = cameraBack;
    hide();
    ui().DoEvents();
    if (cameraBack)
        Message(m_sMsg[1], MsgIcon::Information);
    else
        Message(m_sMsg[2], MsgIcon::Critical);
}

void RegisterFirmwareWindows(WindowRegistry& registry)
{
    registry.Register(kUpdateFWWindowName, [] { return new frmUpdateFW; });
    registry.Register(kTFTPProgressWindowName, [] { return new frmTFTPProgress; });
    registry.Register(kProgressWindowName, [] { return new frmProgress; });
}
