// The firmware update as an operator runs it, with the real engine, its real
// camera objects and the TFTP control against the simulated camera: an empty
// file, a file the camera refuses, a camera that never answers and a transfer
// the operator closes leave the camera running as before; an image goes over
// with the progress bar, the camera restarts and the slot takes its new
// version. Every box comes with the normal pointer.
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
#include <QNetworkDatagram>
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

// One camsim camera in slot 1 (firmware 1.20, back `rebootMs` after an
// update) and the engine showing it; the firmware server is the camera's.
struct FirmwareRig {
    void Start(int rebootMs, int waitMs)
    {
        const QString ini = program.write(
            QStringLiteral("cams.ini"),
            "[camera1]\naddress=127.0.0.2\nport=0\nname=Porch\nuser=admin\npassword=admin\n"
            "fw_version=1.20\ntftp_port=0\nreboot_ms="
                + QByteArray::number(rebootMs) + "\n");
        QString error;
        ASSERT_TRUE(sim.Start({QStringLiteral("--config"), ini}, &error)) << error.toStdString();
        TFTP::SetTftpPort(sim.Control(1, "state").value(QStringLiteral("tftp_port")).toInt());
        frmTFTPProgress::SetTimesForTests(frmTFTPProgress::kWatchdogMs, waitMs);
        ASSERT_NO_FATAL_FAILURE(InitGlobalsWithShippedPack(data.path()));
        cam = &AssignSimCamera(1, sim.cams[0]);
        cam->FWVersion = QStringLiteral("1.20");
        gCurCam = 1;
        WindowRegistry& registry = windows();
        registry.Reset();
        RegisterEngineWindow(registry);
        RegisterClientWindows(registry);
        RegisterDiscoveryWindows(registry);
        engine = registry.Get<frmMain>(kEngineWindowName);
        ASSERT_NE(engine, nullptr);
    }
    ~FirmwareRig()
    {
        ui.onMsgBox = nullptr;
        windows().Reset();
        TFTP::SetTftpPort(0);
        frmTFTPProgress::SetTimesForTests(0, 0);
        ForgetProgramGlobals();
    }

    TempProgramFolder program;
    CamsimProcess sim;
    RealTimeUi ui;
    QTemporaryDir data;
    CamInfo* cam = nullptr;
    frmMain* engine = nullptr;
};

TEST(FirmwareCamsim, AnImageGoesOverTheCameraRestartsAndTheSlotTakesItsNewVersion)
{
    FirmwareRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Start(300, 1000));
    TempProgramFolder& program = rig.program;
    CamsimProcess& sim = rig.sim;
    RealTimeUi& ui = rig.ui;
    CamInfo& cam = *rig.cam;
    WindowRegistry& registry = windows();
    frmMain* engine = rig.engine;
    ASSERT_TRUE(engine->Cam(1).isRunning());

    // Where the camera's firmware server does not answer: a port of its own
    // address that nobody serves.
    QUdpSocket silent;
    ASSERT_TRUE(silent.bind(QHostAddress(sim.cams[0].address), 0));
    const int camsimTftpPort = TFTP::Port();
    enum class Transfer { Served, Unanswered, ClosedWhileSending };

    struct Case {
        const char* name;
        QByteArray content;
        Transfer transfer;
        QStringList messages;  // what the operator is told
        QString version;       // what the slot reports afterwards
    };
    constexpr int kClosedWatchdogMs = 5000;
    const QByteArray image = "CAMFW/1 version=3.10\n" + QByteArray(70000, 'f');
    const QString failed = Caption(QStringLiteral("frmTFTPProgress"), QStringLiteral("Message2"));
    const Case cases[] = {
        {"an empty file",
         {},
         Transfer::Served,
         {Caption(QStringLiteral("frmUpdateFW"), QStringLiteral("Message4"))},
         QStringLiteral("1.20")},
        {"a file the camera refuses",
         QByteArray(5000, 'x'),
         Transfer::Served,
         {failed},
         QStringLiteral("1.20")},
        {"a camera that never answers",
         image,
         Transfer::Unanswered,
         {failed},
         QStringLiteral("1.20")},
        {"the operator closes the transfer window while it sends",
         image,
         Transfer::ClosedWhileSending,
         {},
         QStringLiteral("1.20")},
        {"a firmware image",
         image,
         Transfer::Served,
         {Caption(QStringLiteral("frmProgress"), QStringLiteral("Message1"))},
         QStringLiteral("3.10")},
    };
    std::vector<int> busyAtBox;
    ui.onMsgBox = [&](const ShownMessage&) { busyAtBox.push_back(ui.busyDepth); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        busyAtBox.clear();
        const bool served = c.transfer == Transfer::Served;
        TFTP::SetTftpPort(served ? camsimTftpPort : silent.localPort());
        // A short watchdog where the camera stays silent; a closed window must
        // have stopped it (there the watchdog is long enough that only a hang
        // reaches it before the close).
        const bool closed = c.transfer == Transfer::ClosedWhileSending;
        frmTFTPProgress::SetTimesForTests(
            served ? frmTFTPProgress::kWatchdogMs : (closed ? kClosedWatchdogMs : 400), 1000);
        while (silent.hasPendingDatagrams())
            silent.receiveDatagram();
        const QString file = program.write(QStringLiteral("firmware.bin"), c.content);
        auto* dialog = registry.Get<frmUpdateFW>(kUpdateFWWindowName);
        int largest = 0;
        QString percent;
        ModalScript script(90000);
        script.OnVisible<frmUpdateFW>("the update dialog", [&](frmUpdateFW& d) {
            ModalScript::Type(d.txtFirmwareFileName, file);
            ModalScript::Click(d.cmdUpdateFirmware);
            if (c.content.isEmpty())
                d.hide();  // refused: the dialog stays open until the operator leaves
        });
        if (c.transfer == Transfer::ClosedWhileSending) {
            script.When(
                "the write request",
                [&] {
                    return ModalScript::Visible<frmTFTPProgress>() && silent.hasPendingDatagrams();
                },
                [] { ModalScript::Visible<frmTFTPProgress>()->close(); });
        } else if (!c.content.isEmpty()) {
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
        if (closed)
            WaitUntil([] { return false; }, kClosedWatchdogMs + 1000);  // past the watchdog's time
        QStringList shown;
        for (const ShownMessage& m : ui.messages)
            shown << m.text;
        EXPECT_EQ(shown, c.messages);
        EXPECT_EQ(busyAtBox, std::vector<int>(c.messages.size(), 0))
            << "every box comes with the normal pointer";
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
}

TEST(FirmwareCamsim, TheWaitEndsWhenTheCameraIsBackAndSaysSoWhenItIsNot)
{
    struct Case {
        const char* name;
        bool cameraEnds;  // camsim ends during the wait
        int waitMs;       // the usual restart time
        int rebootMs;     // how long the camera is away after the update
        QString message;
        QString version;  // the slot's afterwards
        bool running;
    };
    const Case cases[] = {
        {"back in seconds: no 50 s wait", false, 0, 1500,
         Caption(QStringLiteral("frmProgress"), QStringLiteral("Message1")), QStringLiteral("3.10"),
         true},
        // Away far longer than the wait, so that it cannot be back before it ends.
        {"gone for good: told, the slot stays stopped", true, 1000, 120000,
         Caption(QStringLiteral("frmProgress"), QStringLiteral("Message2")), QStringLiteral("1.20"),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FirmwareRig rig;
        ASSERT_NO_FATAL_FAILURE(rig.Start(c.rebootMs, c.waitMs));
        TempProgramFolder& program = rig.program;
        CamsimProcess& sim = rig.sim;
        RealTimeUi& ui = rig.ui;
        CamInfo& cam = *rig.cam;
        WindowRegistry& registry = windows();
        frmMain* engine = rig.engine;

        const QString file = program.write(QStringLiteral("firmware.bin"),
                                           "CAMFW/1 version=3.10\n" + QByteArray(20000, 'f'));
        int barAtBox = -1;
        ui.onMsgBox = [&](const ShownMessage&) {
            if (auto* wait = registry.IfLoaded<frmProgress>(kProgressWindowName))
                barAtBox = wait->progressbar->value();
        };
        bool saysWhy = false;
        ModalScript script(180000);
        script.OnVisible<frmUpdateFW>("the update dialog", [&](frmUpdateFW& d) {
            ModalScript::Type(d.txtFirmwareFileName, file);
            ModalScript::Click(d.cmdUpdateFirmware);
        });
        script.OnVisible<frmProgress>("the wait", [&](frmProgress& w) {
            saysWhy = !w.lblWait->text().isEmpty() && w.lblWait->isVisible();
            if (c.cameraEnds)
                sim.Stop();
        });
        registry.Get<frmUpdateFW>(kUpdateFWWindowName)->ShowModal(nullptr);
        ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
        registry.Unload(kUpdateFWWindowName);

        QStringList shown;
        for (const ShownMessage& m : ui.messages)
            shown << m.text;
        EXPECT_EQ(shown, QStringList{c.message});
        EXPECT_TRUE(saysWhy) << "the wait says why it cannot be closed";
        if (!c.cameraEnds) {
            EXPECT_LT(barAtBox, frmProgress::kMaximum)
                << "the camera answered before the usual restart time was over";
        }
        EXPECT_EQ(cam.FWVersion, c.version);
        EXPECT_EQ(cam.Enable, c.running);
        EXPECT_EQ(engine->Cam(1).isRunning(), c.running);
    }
}

// The transfer and wait windows on their own, with a TFTP server that takes
// the write request and never answers.
class FirmwareWindows : public ::testing::Test {
protected:
    FirmwareWindows()
    {
        InitGlobalVariable();
        gLanguage = QStringLiteral("english");
        program.write(QStringLiteral("lang/english.ini"), [] {
            QFile f(QStringLiteral(CAM_RESOURCES_DIR "/lang/english.ini"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }());
        windows().Reset();
        RegisterDiscoveryWindows(windows());
        silent.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        TFTP::SetTftpPort(silent.localPort());
    }
    ~FirmwareWindows() override
    {
        windows().Reset();
        TFTP::SetTftpPort(0);
        frmTFTPProgress::SetTimesForTests(0, 0);
        frmProgress::SetTickForTests(0);
        InitGlobalVariable();
    }
    frmTFTPProgress& Transfer()
    {
        auto* transfer = windows().Get<frmTFTPProgress>(kTFTPProgressWindowName);
        transfer->TFTPServer = QStringLiteral("127.0.0.1");
        transfer->FirmwareFile = program.write(QStringLiteral("TempFW.BIN"), QByteArray(2000, 'f'));
        return *transfer;
    }

    TempProgramFolder program;
    FakeUi ui;
    QUdpSocket silent;
};

TEST_F(FirmwareWindows, ASilentCameraIsGivenUpByTheWatchdogAndTheWaitEndsOnItsTick501)
{
    ASSERT_EQ(silent.state(), QAbstractSocket::BoundState);
    WindowRegistry& registry = windows();

    // Nobody answers the write request: after the watchdog's time the
    // transfer is aborted and the operator told.
    frmTFTPProgress::SetTimesForTests(3000, 0);
    frmTFTPProgress* transfer = &Transfer();
    QElapsedTimer clock;
    clock.start();
    transfer->ShowModal(nullptr);
    EXPECT_GE(clock.elapsed(), 2850) << "a coarse timer may fire up to 5% early";
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
}

TEST_F(FirmwareWindows, OnlyTheCloseBoxEndsATransferAndTheWaitRunsToItsEnd)
{
    ASSERT_EQ(silent.state(), QAbstractSocket::BoundState);
    // Esc is no way out of the transfer window; its close box aborts the
    // transfer, and nothing is reported afterwards (the watchdog is off). The
    // watchdog is long enough that only a hang reaches it before the Esc.
    frmTFTPProgress::SetTimesForTests(60000, 0);
    frmTFTPProgress& transfer = Transfer();
    bool sendingAfterEsc = false;
    bool closedAtOnce = false;
    ModalScript script;
    script.When(
        "the write request", [&] { return transfer.isVisible() && silent.hasPendingDatagrams(); },
        [&] {
            QTest::keyClick(&transfer, Qt::Key_Escape);
            sendingAfterEsc = transfer.isVisible() && transfer.tftp->busy();
            transfer.close();
            closedAtOnce = !transfer.isVisible();
        });
    transfer.ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_TRUE(sendingAfterEsc);
    EXPECT_TRUE(closedAtOnce);
    EXPECT_FALSE(transfer.tftp->busy()) << "the transfer was aborted";
    EXPECT_FALSE(transfer.tmrTimeOut.isActive()) << "the watchdog was stopped with it";
    WaitUntil([] { return false; }, 800);
    EXPECT_FALSE(transfer.m_bSucceeded);
    EXPECT_TRUE(ui.messages.empty()) << "no box: neither the watchdog's nor a late event's";
    EXPECT_FALSE(ModalScript::Visible<frmProgress>());

    // The camera is restarting: neither Esc nor the close box cut the wait short.
    ui.messages.clear();
    frmProgress::SetTickForTests(1);
    auto* wait = windows().Get<frmProgress>(kProgressWindowName);
    wait->OpTime = 50000;
    bool openAfterward = false;
    ModalScript waiting;
    waiting.OnVisible<frmProgress>("the wait", [&](frmProgress& w) {
        QTest::keyClick(&w, Qt::Key_Escape);
        w.close();
        openAfterward = w.isVisible() && w.progressbar->value() < frmProgress::kMaximum;
    });
    wait->ShowModal(nullptr);
    ASSERT_TRUE(waiting.Complete()) << waiting.Failure().toStdString();
    EXPECT_TRUE(openAfterward);
    EXPECT_EQ(wait->progressbar->value(), frmProgress::kMaximum);
    EXPECT_EQ(ui.messages.size(), 1u) << "the wait ended with its own box";
}

}  // namespace
