// Start-up time: from starting the process to the control panel shown, with
// the shipped resources and a full main.ini (four assigned slots, all five
// schedules each), against a minimal Qt program that shows one empty window.
// Both run as child processes of this program on the same platform plugin
// (offscreen unless QT_QPA_PLATFORM says otherwise), ten times each; the
// figure to read is the median.
//
// The slots are assigned but not connected, so no camera is reached; the
// engine still pushes every slot's settings, which saves main.ini.
#include "app/app_windows.h"
#include "app/startup.h"
#include "foundation/app_paths.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

// Reports "shown" once the event loop has handled the show, then leaves at once.
void reportShownAndExit()
{
    QTimer::singleShot(0, [] {
        std::fputs("shown\n", stdout);
        std::fflush(stdout);
        std::_Exit(0);
    });
}

int runMinimalChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(520, 380);
    window.show();
    reportShownAndExit();
    return QApplication::exec();
}

int runProgramChild(int argc, char** argv, const QString& folder)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("camclient"));
    QGuiApplication::setQuitOnLastWindowClosed(false);
    SetAppPath(folder);
    SetDataPath(folder);
    RegisterProgramWindows();
    if (Main() != StartupResult::Running) {
        std::fputs("start-up failed\n", stdout);
        return 1;
    }
    reportShownAndExit();
    return QApplication::exec();
}

QByteArray fullMainIni()
{
    QByteArray ini;
    for (int n = 1; n <= 4; ++n) {
        ini +=
            QStringLiteral("[Cam%1]\nEnable=False\nAssign=True\nUserName=admin\nPassword=secret\n"
                           "IPAddress=127.0.0.%1\nMacAddress=0.16.32.10.11.%1\nProtocol=0\n"
                           "IsLocalCamera=True\nPort=9\nServerName=Camera %1\nServerModel=PT-100\n"
                           "RecordMode=2\nScheduleCount=5\nPT=True\n")
                .arg(n)
                .toUtf8();
        for (int j = 1; j <= 5; ++j)
            ini += QStringLiteral(
                       "SCHEDULE%1_CHECK=True\nSCHEDULE%1_MODE=0\nSCHEDULE%1_WeekOption=62\n"
                       "SCHEDULE%1_DateStart=2026-01-01\nSCHEDULE%1_DateStop=2026-12-31\n"
                       "SCHEDULE%1_TimeStart=08:00\nSCHEDULE%1_TimeStop=17:30\n")
                       .arg(j)
                       .toUtf8();
        ini += "MailTo=guard@example.org\nMailIntervalTime=60\nSensitivity=5\n";
    }
    ini += "[General]\nStorageCount=1\nActiveStorage=1\n";
    return ini;
}

// A program folder with the shipped resources (copied from beside the build's program).
bool prepareFolder(const QString& folder)
{
    const QString resources = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    if (!QFileInfo::exists(resources + QStringLiteral("/lang")))
        return false;
    for (const QString& top : {QStringLiteral("lang"), QStringLiteral("CfgPage.ini")}) {
        const QString from = resources + QLatin1Char('/') + top;
        if (QFileInfo(from).isFile()) {
            QFile::copy(from, folder + QLatin1Char('/') + top);
            continue;
        }
        QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = it.next();
            const QString target = folder + QLatin1Char('/') + top + source.mid(from.size());
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile::copy(source, target);
        }
    }
    QFile main(folder + QStringLiteral("/main.ini"));
    return main.open(QIODevice::WriteOnly) && main.write(fullMainIni()) > 0;
}

// Runs this program as a child with `args` once per iteration and times it
// from the start to its "shown" line; `prepare` runs untimed before each.
void timeChild(benchmark::State& state, const QStringList& args,
               const std::function<void()>& prepare = {})
{
    for (auto _ : state) {
        if (prepare)
            prepare();
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), args);
        bool shown = false;
        while (!shown && child.waitForReadyRead(30000))
            while (child.canReadLine())
                shown = shown || child.readLine().startsWith("shown");
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        child.waitForFinished(30000);
        if (!shown) {
            state.SkipWithError("the child did not show its window");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_StartupToPanel(benchmark::State& state)
{
    QTemporaryDir folder;
    if (!prepareFolder(folder.path())) {
        state.SkipWithError("no resources beside the build's program");
        return;
    }
    // Each run starts from the same main.ini and no lock.
    timeChild(state, {QStringLiteral("--child-program"), folder.path()}, [&] {
        QFile main(folder.path() + QStringLiteral("/main.ini"));
        if (main.open(QIODevice::WriteOnly | QIODevice::Truncate))
            main.write(fullMainIni());
        QFile::remove(folder.path() + QStringLiteral("/.camclient.lock"));
    });
}

void BM_MinimalQtWindow(benchmark::State& state)
{
    timeChild(state, {QStringLiteral("--child-minimal")});
}

}  // namespace

BENCHMARK(BM_MinimalQtWindow)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupToPanel)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(10)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--child-minimal") == 0)
        return runMinimalChild(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--child-program") == 0)
        return runProgramChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
