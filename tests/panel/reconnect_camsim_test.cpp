// The program as it starts, against simulated cameras that fail the way real
// ones do: a slot is "On line" only while its pictures arrive. Within 10 s of
// a fault the slot's connected LED is dark and its panel line, its video
// window's status bar and its picture say it is reconnecting; within 10 s of
// the fault's end (or the camera's return) it is on line again; the event
// list holds one line for the loss and one for the return.
#include "app/app_windows.h"
#include "app/startup.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/camera_media.h"
#include "platform/image_server/http_image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "support/camsim_process.h"
#include "support/real_time_ui.h"
#include "support/skin_mouse.h"
#include "support/temp_program.h"
#include "views/frm_client.h"
#include "views/frm_combine_window.h"
#include "views/frm_scan.h"

#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Every bound of these tests: a fault is seen within 10 s, its end too.
constexpr int kBound = 10000;
// Bounds of waits that are not the subject (start-up, first pictures).
constexpr int kStartWait = 30000;

class ReconnectCamsim : public ::testing::Test {
protected:
    void TearDown() override
    {
        mouse.reset();
        windows().Reset();
        ReleaseInstanceLock();
        InitGlobalVariable();
    }

    // Starts camsim with `args` (and `--cameras cameras`).
    void StartCamsim(QStringList args, int cameras = 1)
    {
        args << QStringLiteral("--cameras") << QString::number(cameras);
        QString error;
        ASSERT_TRUE(sim.Start(args, &error)) << error.toStdString();
    }

    // Starts the program with a running slot per camsim camera.
    void StartProgram(int protocol = kProtocolServer, const QByteArray& general = {})
    {
        ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
        QByteArray ini = "[General]\n" + general;
        for (size_t k = 0; k < sim.cams.size(); ++k) {
            ini += QStringLiteral("[Cam%1]\nEnable=True\nAssign=True\nUserName=admin\n"
                                  "Password=admin\nIPAddress=%2\nPort=%3\nProtocol=%4\n"
                                  "ServerName=Sim %1\n")
                       .arg(k + 1)
                       .arg(sim.cams[k].address)
                       .arg(sim.cams[k].port)
                       .arg(protocol)
                       .toUtf8();
        }
        folder.write(QStringLiteral("main.ini"), ini);
        windows().Reset();
        RegisterProgramWindows();
        ASSERT_EQ(Main(), StartupResult::Running);
        panel = windows().IfLoaded<frmController>(kPanelWindowName);
        ASSERT_NE(panel, nullptr);
        mouse = std::make_unique<SkinMouse>(panel->SkinForm1());
        engine = windows().IfLoaded<frmMain>(kEngineWindowName);
        ASSERT_NE(engine, nullptr);
        window = windows().IfLoaded<frmClient>(ClientWindowName(1));
        ASSERT_NE(window, nullptr);
    }

    QString PanelText(const char* element) const
    {
        return panel->SkinForm1()->GetElement(QString::fromLatin1(element)).text();
    }
    bool LedOn(int slot) const
    {
        const int led = 3 * slot;
        return panel->SkinForm1()->GetElement(QStringLiteral("Led%1-3").arg(slot)).picture()
               == gPanelBtn[static_cast<size_t>(19 + led)].BtnStr[2];
    }
    QString WindowLine() const
    {
        return window->SkinForm1()->GetElement(QStringLiteral("Line")).text();
    }

    // Slot 1 as everything the operator looks at shows it.
    bool ShowsReconnecting() const
    {
        return !LedOn(1) && PanelText("Line5").endsWith(gLangReconnecting)
               && WindowLine() == gLangReconnecting
               && window->Picture1()->downText() == gLangReconnecting;
    }
    bool ShowsOnLine() const
    {
        return LedOn(1) && PanelText("Line5").endsWith(gLangOnLine) && WindowLine() == gLangOnLine
               && window->Picture1()->downText().isEmpty();
    }
    bool PicturesShown(quint64 more) const { return window->Picture1()->framesPresented() >= more; }

    // Slot 1's event texts from line `from` (a count of events) on.
    QStringList EventsFrom(int from) const
    {
        QStringList out;
        const QStringList& list = engine->List1(1);
        for (qsizetype i = 2 * from + 1; i < list.size(); i += 2)
            out << list[i].trimmed();
        return out;
    }
    int EventCount() const { return static_cast<int>(engine->List1(1).size() / 2); }

    // Waits for the fault to show, ends it, waits for the return; then the
    // events since the fault hold one loss line (`lossText`) and one return.
    void FaultAndReturn(const std::function<void()>& fault, const std::function<void()>& end,
                        const QString& lossText)
    {
        ASSERT_TRUE(WaitUntil([&] { return ShowsOnLine() && PicturesShown(3); }, kStartWait))
            << PanelText("Line5").toStdString();
        const int mark = EventCount();
        fault();
        ASSERT_TRUE(WaitUntil([&] { return ShowsReconnecting(); }, kBound))
            << PanelText("Line5").toStdString() << " / " << WindowLine().toStdString();
        EXPECT_TRUE(gCam[1].Enable);
        end();
        const quint64 shown = window->Picture1()->framesPresented();
        ASSERT_TRUE(WaitUntil([&] { return ShowsOnLine(); }, kBound))
            << PanelText("Line5").toStdString() << " / " << WindowLine().toStdString();
        ASSERT_TRUE(WaitUntil([&] { return PicturesShown(shown + 1); }, kBound));
        const QStringList events = EventsFrom(mark);
        EXPECT_EQ(events.count(lossText), 1) << events.join(u'|').toStdString();
        EXPECT_EQ(events.count(gLangEvent[kEventConnected]), 1) << events.join(u'|').toStdString();
        for (const int other : {kEventConnectionLost, kEventStreamStalled, kEventConnectFailed}) {
            if (gLangEvent[static_cast<size_t>(other)] != lossText) {
                EXPECT_FALSE(events.contains(gLangEvent[static_cast<size_t>(other)]))
                    << events.join(u'|').toStdString();
            }
        }
        EXPECT_TRUE(ui.messages.empty());
    }

    CamsimProcess sim;
    RealTimeUi ui;
    TempProgramFolder folder;
    frmController* panel = nullptr;
    frmMain* engine = nullptr;
    frmClient* window = nullptr;
    std::unique_ptr<SkinMouse> mouse;
};

TEST_F(ReconnectCamsim, AHangingCameraThatDropsTheStream)
{
    StartCamsim({});
    StartProgram();
    FaultAndReturn(
        [&] {
            sim.Control(1, "hang?on=1");
            sim.Control(1, "drop");
        },
        [&] { sim.Control(1, "hang?on=0"); }, gLangEvent[kEventConnectionLost]);
}

// A recording goes on across the gap: the slot records all along, and the
// pictures that come back are recorded.
TEST_F(ReconnectCamsim, AStalledStreamWhileRecording)
{
    StartCamsim({});
    StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return ShowsOnLine(); }, kStartWait));
    QTemporaryDir storage;
    gStorage[0] = StorageInfo{storage.path(), true};
    gStorageCount = 1;
    mouse->click(QStringLiteral("ManualRec"));
    ASSERT_TRUE(gCam[1].Recording);
    const auto& media = dynamic_cast<HttpImageServer&>(engine->Cam(1)).media();
    ASSERT_TRUE(WaitUntil([&] { return media.RecordStats().framesWritten > 0; }, kStartWait));
    quint64 recorded = 0;
    FaultAndReturn([&] { sim.Control(1, "stall?on=1"); },
                   [&] {
                       EXPECT_TRUE(gCam[1].Recording);
                       EXPECT_TRUE(PanelText("Line5").startsWith(gLangRec[1]));
                       recorded = media.RecordStats().framesWritten;
                       sim.Control(1, "stall?on=0");
                   },
                   gLangEvent[kEventStreamStalled]);
    EXPECT_TRUE(gCam[1].Recording);
    EXPECT_TRUE(
        WaitUntil([&] { return media.RecordStats().framesWritten > recorded + 5; }, kBound));
    EXPECT_EQ(media.RecordStats().filesClosed, 0u);  // still the same file
}

// The camera's program ends (killed) and comes back on the same address
// and port once the pauses between the client's attempts have grown to their
// longest (1 + 2 + 4 + 8 s).
TEST_F(ReconnectCamsim, ACameraThatIsKilledAndRestarted)
{
    const QString address = OwnLoopbackNet() + QStringLiteral("31");
    int port = 0;
    {
        QTcpServer probe;  // a free port on that address
        ASSERT_TRUE(probe.listen(QHostAddress(address), 0));
        port = probe.serverPort();
    }
    const QStringList args{QStringLiteral("--address"), address, QStringLiteral("--port"),
                           QString::number(port)};
    StartCamsim(args);
    StartProgram();
    FaultAndReturn([&] { sim.process().kill(); },
                   [&] {
                       sim.process().waitForFinished(5000);
                       WaitUntil([] { return false; }, 16000);  // the camera stays away
                       sim.cams.clear();
                       StartCamsim(args);
                   },
                   gLangEvent[kEventConnectionLost]);
}

// A camera that answers the stream but never sends a picture: down from the
// start, after the stall time.
TEST_F(ReconnectCamsim, ACameraThatNeverSendsAPicture)
{
    StartCamsim({});
    sim.Control(1, "stall?on=1");
    StartProgram();
    ASSERT_TRUE(WaitUntil([&] { return ShowsReconnecting(); }, kBound))
        << PanelText("Line5").toStdString();
    EXPECT_EQ(EventsFrom(0).count(gLangEvent[kEventStreamStalled]), 1);
    EXPECT_EQ(window->Picture1()->framesPresented(), 0u);
    sim.Control(1, "stall?on=0");
    ASSERT_TRUE(WaitUntil([&] { return ShowsOnLine(); }, kBound));
    const QStringList events = EventsFrom(0);
    EXPECT_EQ(events.count(gLangEvent[kEventStreamStalled]), 1);
    EXPECT_EQ(events.count(gLangEvent[kEventConnected]), 1);
    EXPECT_FALSE(events.contains(gLangEvent[kEventConnectionLost]));
}

// A protocol-3 camera: its viewer reports the same way.
TEST_F(ReconnectCamsim, AProtocolThreeCameraThatStalls)
{
    StartCamsim({QStringLiteral("--protocol"), QStringLiteral("3")});
    StartProgram(kProtocolViewer);
    FaultAndReturn([&] { sim.Control(1, "stall?on=1"); }, [&] { sim.Control(1, "stall?on=0"); },
                   gLangEvent[kEventStreamStalled]);
}

// The combined window's cell and the scan window show the down camera the
// same way; the other camera stays on line.
TEST_F(ReconnectCamsim, TheCombinedCellAndTheScanWindowShowIt)
{
    StartCamsim({}, 2);
    StartProgram(kProtocolServer, "ScanDelay=19\n");  // a scan step of 20 s: the tour stays on 1
    ASSERT_TRUE(WaitUntil([&] { return LedOn(1) && LedOn(2); }, kStartWait));
    mouse->click(QStringLiteral("Combine"));
    auto* combine = windows().IfLoaded<frmCombineWindow>(kCombineWindowName);
    ASSERT_NE(combine, nullptr);
    const auto combineLine = [&] {
        return combine->SkinForm1()->GetElement(QStringLiteral("Line")).text();
    };
    ASSERT_TRUE(WaitUntil([&] { return combine->picCam(1)->framesPresented() >= 3; }, kStartWait));
    EXPECT_EQ(combineLine(), gLangOnLine);

    sim.Control(1, "hang?on=1");
    sim.Control(1, "drop");
    ASSERT_TRUE(WaitUntil(
        [&] { return combine->picCam(1)->downText() == gLangReconnecting && !LedOn(1); }, kBound));
    EXPECT_EQ(combineLine(), gLangReconnecting);  // slot 1 is the active cell
    EXPECT_TRUE(combine->picCam(2)->downText().isEmpty());
    EXPECT_TRUE(LedOn(2));

    // The tour starts at slot 1, which is still down.
    mouse->click(QStringLiteral("Scan"));
    ASSERT_TRUE(gScanMode);
    auto* scan = windows().IfLoaded<frmScan>(kScanWindowName);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(gScanCam, 1);
    const auto scanLine = [&] {
        return scan->SkinForm1()->GetElement(QStringLiteral("Line")).text();
    };
    EXPECT_EQ(scanLine(), gLangReconnecting);
    EXPECT_EQ(scan->VideoTarget()->downText(), gLangReconnecting);

    sim.Control(1, "hang?on=0");
    ASSERT_TRUE(WaitUntil([&] { return scanLine() == gLangOnLine && LedOn(1); }, kBound));
    EXPECT_TRUE(scan->VideoTarget()->downText().isEmpty());
    mouse->click(QStringLiteral("Scan"));
    EXPECT_FALSE(gScanMode);
}

}  // namespace
