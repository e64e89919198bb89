// The program ends properly when the system asks it to: the signals go
// through a pipe into the event loop and unload the engine there.
#include "app/program_end.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "support/camsim_process.h"
#include "support/temp_program.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Stands in for the engine window: counts its unloads.
class EngineStandIn : public QObject, public WindowLifecycle {
public:
    explicit EngineStandIn(int& unloads) : m_unloads(unloads) {}
    void Form_Unload() override { ++m_unloads; }

private:
    int& m_unloads;
};

void Pump(int ms)
{
    WaitUntil([] { return false; }, ms);
}

TEST(ProgramEnd, EachSignalUnloadsTheEngineOnceTheProgramRuns)
{
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        WindowRegistry& registry = windows();
        registry.Reset();
        int unloads = 0;
        registry.Register(kEngineWindowName, [&] { return new EngineStandIn(unloads); });
        ASSERT_NE(registry.Get(kEngineWindowName), nullptr);
        {
            ProgramEndRequests ends(registry);
            ASSERT_TRUE(ends.Installed());
            // During the start-up the request waits.
            ::raise(signalNumber);
            Pump(100);
            EXPECT_EQ(unloads, 0);
            EXPECT_TRUE(registry.IsLoaded(kEngineWindowName));
            ends.Arm();
            ASSERT_TRUE(WaitUntil([&] { return unloads == 1; }, 5000));
            EXPECT_FALSE(registry.IsLoaded(kEngineWindowName));
            // A second request finds nothing more to do.
            ::raise(signalNumber);
            Pump(100);
            EXPECT_EQ(unloads, 1);
        }
        registry.Reset();
    }
}

TEST(ProgramEnd, WithoutAnEngineTheProgramJustEnds)
{
    WindowRegistry& registry = windows();
    registry.Reset();
    ProgramEndRequests ends(registry);
    ends.Arm();
    ::raise(SIGTERM);
    ASSERT_TRUE(WaitUntil([&] { return registry.ProgramEndRequested(); }, 5000));
    registry.Reset();
}

TEST(ProgramEnd, OnlyOneInstanceHandlesTheSignalsAndTheOldHandlingComesBack)
{
    struct sigaction before {};
    ::sigaction(SIGHUP, nullptr, &before);
    {
        WindowRegistry& registry = windows();
        ProgramEndRequests first(registry);
        ProgramEndRequests second(registry);
        EXPECT_TRUE(first.Installed());
        EXPECT_FALSE(second.Installed());
    }
    struct sigaction after {};
    ::sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

// The real program, killed with SIGTERM while it shows a camera: it writes
// the day's log and main.ini and exits normally.
TEST(ProgramEnd, TheProgramSavesItsLogAndSettingsOnSigterm)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({}, &error)) << error.toStdString();
    TempProgramFolder folder;
    ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
    const QString program = folder.file(QStringLiteral("camclient"));
    const QString built = QStringLiteral(CAM_BINARY_DIR "/camclient");
    // The program finds its resources beside itself: a link where possible.
    if (::link(QFile::encodeName(built).constData(), QFile::encodeName(program).constData()) != 0) {
        ASSERT_TRUE(QFile::copy(built, program));
    }
    InitGlobalVariable();
    CamInfo& cam = gCam[1];
    cam.Assign = true;
    cam.Enable = true;
    cam.IPAddress = sim.cams[0].address;
    cam.Port = sim.cams[0].port;
    cam.UserName = QStringLiteral("admin");
    cam.Password = QStringLiteral("admin");
    cam.ServerName = QStringLiteral("Gate");
    ASSERT_TRUE(SaveSettings());
    // The program must write it again: an old time shows whether it did.
    {
        QFile f(MainIniPath());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime);
    }
    InitGlobalVariable();

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(program, {});
    ASSERT_TRUE(child.waitForStarted(10000));
    // Running once the camera has sent it pictures.
    ASSERT_TRUE(WaitUntil(
        [&] { return RecordInt(sim.Control(1, "state"), QStringLiteral("frames_sent"), 0) > 20; },
        30000));
    ::kill(static_cast<pid_t>(child.processId()), SIGTERM);
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);

    const QString log =
        folder.file(QStringLiteral("Log/Cam1Log/")) + frmMain::LogFileName(QDate::currentDate());
    QFile day(log);
    ASSERT_TRUE(day.open(QIODevice::ReadOnly)) << log.toStdString();
    const QString text = QString::fromUtf8(day.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("Gate"))) << text.toStdString();
    EXPECT_GE(text.count(QStringLiteral("\r\n")), 4);  // the start and the connection at least
    EXPECT_GT(QFileInfo(MainIniPath()).lastModified(), QDateTime::currentDateTime().addDays(-1));
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(gCam[1].Enable);  // it starts again next time
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral(".camclient.lock"))));
    InitGlobalVariable();
}

}  // namespace
