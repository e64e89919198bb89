// How long the search window takes from pressing ReSearch to listing every
// camera, and to being idle again, with 16 and with 200 simulated cameras
// answering on loopback. The window runs with the program's own image server
// and search timings; only the targets are this machine's loopback.
#include "discovery/frm_browse.h"
#include "foundation/globals.h"
#include "platform/image_server/camera_search.h"
#include "run_address.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>

namespace {

// camsim with `count` cameras on this run's addresses, free ports.
class Sim {
public:
    explicit Sim(int count)
    {
        const QString program =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/camsim/camsim");
        m_process.start(
            program, {QStringLiteral("--cameras"), QString::number(count),
                      QStringLiteral("--address"), RunAddress(), QStringLiteral("--port"),
                      QStringLiteral("0"), QStringLiteral("--discovery-port"), QStringLiteral("0"),
                      QStringLiteral("--fps"), QStringLiteral("1"), QStringLiteral("--size"),
                      QStringLiteral("160x120"), QStringLiteral("--quiet")});
        QByteArray out;
        QElapsedTimer t;
        t.start();
        static const QRegularExpression port(QStringLiteral("discovery on UDP port (\\d+)"));
        while (t.elapsed() < 60000 && !out.contains("camsim: ready")) {
            m_process.waitForReadyRead(200);
            out += m_process.readAllStandardOutput();
        }
        const auto m = port.match(QString::fromUtf8(out));
        if (m.hasMatch())
            discoveryPort = m.captured(1).toInt();
    }
    ~Sim()
    {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(10000))
            m_process.kill();
    }
    int discoveryPort = -1;

private:
    QProcess m_process;
};

std::map<int, std::unique_ptr<Sim>> gSims;  // one camsim per camera count, kept across runs

void BM_SearchWindow(benchmark::State& state, bool toIdle)
{
    const int cameras = static_cast<int>(state.range(0));
    auto& sim = gSims[cameras];
    if (!sim)
        sim = std::make_unique<Sim>(cameras);
    if (sim->discoveryPort <= 0) {
        state.SkipWithError("camsim did not start");
        return;
    }
    DiscoverySettings settings;  // the program's timings
    settings.targets = {QHostAddress(QStringLiteral("127.255.255.255"))};
    settings.port = static_cast<quint16>(sim->discoveryPort);
    SetDiscoverySettings(settings);

    frmBrowse browse;
    browse.Form_Load();
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        browse.cmdSearch->click();
        qint64 full = -1;
        while (t.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            if (full < 0 && browse.ListViewSearch->topLevelItemCount() >= cameras)
                full = t.nsecsElapsed();
            if (!browse.m_bBusy)
                break;
        }
        const qint64 idle = t.nsecsElapsed();
        if (full < 0 || browse.ListViewSearch->topLevelItemCount() != cameras) {
            state.SkipWithError("not every camera was listed");
            return;
        }
        state.SetIterationTime(static_cast<double>(toIdle ? idle : full) / 1e9);
        QThread::msleep(100);  // let late datagrams go
        QCoreApplication::processEvents();
    }
    state.counters["cameras"] = cameras;
}

}  // namespace

BENCHMARK_CAPTURE(BM_SearchWindow, to_full_list, false)
    ->Arg(16)
    ->Arg(200)
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SearchWindow, to_idle, true)
    ->Arg(16)
    ->Arg(200)
    ->Iterations(1)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CAM_DISCOVERY_TARGETS", "127.255.255.255");
    QApplication app(argc, argv);
    InitGlobalVariable();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    gSims.clear();
    return 0;
}
