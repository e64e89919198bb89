// The firmware update as an operator runs it, with the real engine, its real
// camera objects and the TFTP control against the simulated camera: an empty
// file and a file the camera refuses leave the camera running as before; an
// image goes over with the progress bar, the camera restarts and the slot
// takes its new version.
#include "discovery/discovery_windows.h"
#include "discovery/frm_update_fw.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/resources.h"
#include "foundation/window_registry.h"
#include "platform/image_server/image_server.h"
#include "platform/settings_file.h"
#include "platform/tftp/tftp.h"
#include "support/camsim_process.h"
#include "support/fake_ui.h"
#include "support/modal_script.h"
#include "support/program_globals.h"
#include "support/real_time_ui.h"
#include "support/temp_program.h"
#include "views/frm_client.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

namespace {

QString Caption(const QString& section, const QString& key)
{
    SettingsFile f;
    f.FileName(QStringLiteral(CAM_RESOURCES_DIR "/lang/english.ini"));
    f.Load();
    return f.GetValue(section, key).value_or(QString());
}

TEST(FirmwareCamsim, AnImageGoesOverTheCameraRestartsAndTheSlotTakesItsNewVersion)
{
    TempProgramFolder program;
    const QString ini = program.write(
        QStringLiteral("cams.ini"),
        "[camera1]\naddress=127.0.0.2\nport=0\nname=Porch\nuser=admin\npassword=admin\n"
        "fw_version=1.20\ntftp_port=0\nreboot_ms=300\n");
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--config"), ini}, &error)) << error.toStdString();
    TFTP::SetTftpPort(sim.Control(1, "state").value(QStringLiteral("tftp_port")).toInt());
    frmTFTPProgress::SetTimesForTests(frmTFTPProgress::kWatchdogMs, 1000);

    RealTimeUi ui;
    QTemporaryDir data;
    ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
    CamInfo& cam = AssignSimCamera(1, sim.cams[0]);
    cam.FWVersion = QStringLiteral("1.20");
    gCurCam = 1;

    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterEngineWindow(registry);
    RegisterClientWindows(registry);
    RegisterDiscoveryWindows(registry);
    auto* engine = registry.Get<frmMain>(kEngineWindowName);
    ASSERT_NE(engine, nullptr);
    ASSERT_TRUE(engine->Cam(1).isRunning());

    struct Case {
        const char* name;
        QByteArray content;
        QString message;  // what the operator is told
        QString version;  // what the slot reports afterwards
    };
    const QByteArray image = "CAMFW/1 version=3.10\n" + QByteArray(70000, 'f');
    const Case cases[] = {
        {"an empty file",
         {},
         Caption(QStringLiteral("frmUpdateFW"), QStringLiteral("Message4")),
         QStringLiteral("1.20")},
        {"a file the camera refuses", QByteArray(5000, 'x'),
         Caption(QStringLiteral("frmTFTPProgress"), QStringLiteral("Message2")),
         QStringLiteral("1.20")},
        {"a firmware image", image,
         Caption(QStringLiteral("frmProgress"), QStringLiteral("Message1")),
         QStringLiteral("3.10")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        const QString file = program.write(QStringLiteral("firmware.bin"), c.content);
        auto* dialog = registry.Get<frmUpdateFW>(kUpdateFWWindowName);
        int largest = 0;
        QString percent;
        ModalScript script(30000);
        script.OnVisible<frmUpdateFW>("the update dialog", [&](frmUpdateFW& d) {
            ModalScript::Type(d.txtFirmwareFileName, file);
            ModalScript::Click(d.cmdUpdateFirmware);
            if (c.content.isEmpty())
                d.hide();  // refused: the dialog stays open until the operator leaves
        });
        if (!c.content.isEmpty()) {
            script.OnVisible<frmTFTPProgress>("the transfer window", [&](frmTFTPProgress& t) {
                QObject::connect(t.progressbar, &QProgressBar::valueChanged,
                                 [&](int v) { largest = std::max(largest, v); });
                // The label follows the bar within the same step.
                QObject::connect(
                    t.progressbar, &QProgressBar::valueChanged, &t,
                    [&] { percent = t.lblProgress->text(); }, Qt::QueuedConnection);
            });
        }
        dialog->ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
        registry.Unload(kUpdateFWWindowName);
        QStringList shown;
        for (const ShownMessage& m : ui.messages)
            shown << m.text;
        EXPECT_EQ(shown, QStringList{c.message});
        EXPECT_EQ(cam.FWVersion, c.version);
        EXPECT_TRUE(cam.Enable) << "the camera runs as it did before";
        EXPECT_TRUE(engine->Cam(1).isRunning());
        if (c.version == QLatin1String("3.10")) {
            EXPECT_EQ(largest, image.size()) << "the bar went to the file's size";
            EXPECT_EQ(percent, QStringLiteral("100%"));
            EXPECT_EQ(sim.Control(1, "state").value(QStringLiteral("fw_version")), c.version);
        }
        EXPECT_EQ(ui.busyDepth, 0);
    }
    EXPECT_EQ(sim.Control(1, "state").value(QStringLiteral("firmware_updates")),
              QStringLiteral("1"));

    registry.Reset();
    TFTP::SetTftpPort(0);
    frmTFTPProgress::SetTimesForTests(0, 0);
    ForgetProgramGlobals();
}

TEST(FirmwareWindows, ASilentCameraIsGivenUpByTheWatchdogAndTheWaitEndsOnItsTick501)
{
    TempProgramFolder program;
    FakeUi ui;
    InitGlobalVariable();
    gLanguage = QStringLiteral("english");
    program.write(QStringLiteral("lang/english.ini"), [] {
        QFile f(QStringLiteral(CAM_RESOURCES_DIR "/lang/english.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }());
    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterDiscoveryWindows(registry);

    // Nobody answers the write request: after the watchdog's time the
    // transfer is aborted and the operator told.
    QUdpSocket silent;
    ASSERT_TRUE(silent.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    TFTP::SetTftpPort(silent.localPort());
    frmTFTPProgress::SetTimesForTests(300, 0);
    auto* transfer = registry.Get<frmTFTPProgress>(kTFTPProgressWindowName);
    transfer->TFTPServer = QStringLiteral("127.0.0.1");
    transfer->FirmwareFile = program.write(QStringLiteral("TempFW.BIN"), QByteArray(2000, 'f'));
    QElapsedTimer clock;
    clock.start();
    transfer->ShowModal(nullptr);
    EXPECT_GE(clock.elapsed(), 250) << "a coarse timer may fire up to 5% early";
    EXPECT_FALSE(transfer->m_bSucceeded);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              Caption(QStringLiteral("frmTFTPProgress"), QStringLiteral("Message2")));
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(silent.hasPendingDatagrams()) << "the request went out";
    registry.Unload(kTFTPProgressWindowName);

    // The wait: 50 s in steps of 2 thousandths, ending on tick 501.
    ui.messages.clear();
    frmProgress::SetTickForTests(1);
    auto* wait = registry.Get<frmProgress>(kProgressWindowName);
    wait->OpTime = 50000;
    int ticks = 0;
    int last = 0;
    QObject::connect(&wait->timer, &QTimer::timeout, [&] {
        ++ticks;
        last = wait->progressbar->value();
    });
    wait->ShowModal(nullptr);
    EXPECT_EQ(ticks, 501);
    EXPECT_EQ(last, 1000);
    EXPECT_EQ(wait->lblProgress->text(), QStringLiteral("100%"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Information);

    registry.Reset();
    TFTP::SetTftpPort(0);
    frmTFTPProgress::SetTimesForTests(0, 0);
    frmProgress::SetTickForTests(0);
    InitGlobalVariable();
}

}  // namespace
