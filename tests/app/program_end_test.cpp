// The program ends properly when the system asks it to: the signals go
// through a pipe into the event loop and unload the engine there; during a
// start-up error box they end it at once. A killed program loses no event it
// logged.
#include "app/program_end.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "support/camsim_process.h"
#include "support/temp_program.h"

#include <QCoreApplication>
#include <QDir>
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

// The real program in `folder`, with the shipped resources beside it (it finds
// them there). Its assertions end only this function: call it under
// ASSERT_NO_FATAL_FAILURE.
void InstallProgram(const TempProgramFolder& folder, QString& program)
{
    ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
    program = folder.file(QStringLiteral("camclient"));
    const QString built = QStringLiteral(CAM_BINARY_DIR "/camclient");
    // A link where possible.
    if (::link(QFile::encodeName(built).constData(), QFile::encodeName(program).constData()) != 0) {
        ASSERT_TRUE(QFile::copy(built, program));
    }
}

// Starts the real program on the offscreen platform.
void StartProgram(QProcess& child, const QString& program,
                  QProcess::ProcessChannelMode channels = QProcess::ForwardedChannels)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(channels);
    child.start(program, {});
}

// The real program, killed with SIGTERM while it shows a camera: it writes
// the day's log and main.ini and exits normally.
TEST(ProgramEnd, TheProgramSavesItsLogAndSettingsOnSigterm)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({}, &error)) << error.toStdString();
    TempProgramFolder folder;
    QString program;
    ASSERT_NO_FATAL_FAILURE(InstallProgram(folder, program));
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
    StartProgram(child, program);
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

// The event texts of the day's log file of slot n, in order.
QStringList LoggedEvents(const TempProgramFolder& folder, int n)
{
    QFile day(folder.file(QStringLiteral("Log/Cam%1Log/").arg(n))
              + frmMain::LogFileName(QDate::currentDate()));
    if (!day.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(day.readAll()).split(QStringLiteral("\r\n"));
    QStringList texts;
    for (qsizetype i = 1; i < lines.size(); i += 2)
        texts << lines[i].trimmed();
    return texts;
}

// The real program killed (SIGKILL) while it runs loses no event it logged:
// each is in the day's log file, once. The next run, ended normally, adds its
// own events and writes none of the first run's again.
TEST(ProgramEnd, AKilledProgramLosesNoLoggedEvent)
{
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({}, &error)) << error.toStdString();
    TempProgramFolder folder;
    QString program;
    ASSERT_NO_FATAL_FAILURE(InstallProgram(folder, program));
    InitGlobalVariable();
    ASSERT_TRUE(LoadLanguageIni());
    ASSERT_TRUE(frmMain::LoadLanguage());  // the shipped event texts
    const QString started = gLangEvent[kEventStreamStarted];
    const QString connecting = gLangEvent[kEventConnecting];
    const QString connected = gLangEvent[kEventConnected];
    const QString lost = gLangEvent[kEventConnectionLost];
    CamInfo& cam = gCam[1];
    cam.Assign = true;
    cam.Enable = true;
    cam.IPAddress = sim.cams[0].address;
    cam.Port = sim.cams[0].port;
    cam.UserName = QStringLiteral("admin");
    cam.Password = QStringLiteral("admin");
    ASSERT_TRUE(SaveSettings());

    QProcess first;
    StartProgram(first, program);
    ASSERT_TRUE(first.waitForStarted(10000));
    // The start and the first pictures are on disk while it runs ...
    const QStringList start{started, connecting, connected};
    ASSERT_TRUE(WaitUntil([&] { return LoggedEvents(folder, 1) == start; }, 30000))
        << LoggedEvents(folder, 1).join(u'|').toStdString();
    // ... and so are a loss and the return.
    sim.Control(1, "drop");
    const QStringList run1 = start + QStringList{lost, connected};
    ASSERT_TRUE(WaitUntil([&] { return LoggedEvents(folder, 1) == run1; }, 30000))
        << LoggedEvents(folder, 1).join(u'|').toStdString();
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(LoggedEvents(folder, 1), run1);

    // The next run takes over the dead run's lock; its normal end appends only its own lines.
    QProcess second;
    StartProgram(second, program);
    ASSERT_TRUE(second.waitForStarted(10000));
    const QStringList both = run1 + start;
    ASSERT_TRUE(WaitUntil([&] { return LoggedEvents(folder, 1) == both; }, 30000))
        << LoggedEvents(folder, 1).join(u'|').toStdString();
    ::kill(static_cast<pid_t>(second.processId()), SIGTERM);
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(LoggedEvents(folder, 1), both);
    InitGlobalVariable();
}

// A start-up that fails shows its message in a box until the operator
// clicks OK; each of the three signals ends it at once instead: the lock is
// released and nothing is written.
TEST(ProgramEnd, EachSignalEndsTheStartUpErrorBoxAtOnce)
{
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        TempProgramFolder folder;
        QString program;
        ASSERT_NO_FATAL_FAILURE(InstallProgram(folder, program));
        // A port that is not a number: main.ini is refused.
        const QByteArray refused("[Cam1]\nAssign=True\nPort=80a\n");
        const QString ini = folder.write(QStringLiteral("main.ini"), refused);
        const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden);

        QProcess child;
        StartProgram(child, program, QProcess::SeparateChannels);
        ASSERT_TRUE(child.waitForStarted(10000));
        // It says why on its error output as it shows the box.
        QByteArray said;
        ASSERT_TRUE(WaitUntil(
            [&] {
                said += child.readAllStandardError();
                return said.contains("Port");
            },
            20000))
            << said.toStdString();
        EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral(".camclient.lock"))));
        ::kill(static_cast<pid_t>(child.processId()), signalNumber);
        ASSERT_TRUE(child.waitForFinished(10000)) << "the box kept the program";
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 1);
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral(".camclient.lock"))));
        QFile kept(ini);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), refused);
        const QStringList after = QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden);
        EXPECT_EQ(after, before);  // no log, no settings, nothing else
    }
}

}  // namespace
