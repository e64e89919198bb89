// Live-video cost of the client: camsim serves N cameras on loopback, the
// client shows every stream through its own image server and video surface
// (offscreen), and this program measures, over a timed run:
//   - the client's CPU (this process only; camsim runs in its own),
//   - pictures received, decoded and painted per stream,
//   - latency from the camera's capture timestamp to the paint,
//   - peak resident memory,
// and compares the client's CPU per picture with TurboJPEG decoding the same
// pictures in a tight loop.
//
//   bench_live_video [--seconds 60] [--streams 4] [--size 640x480] [--fps 25]
//                    [--cell WxH] [--motion] [--scaling] [--ratios [--repeat N]]
//                    [--decode-only | --receive-only | --no-draw]
// --motion turns motion detection on for every stream (sensitivity 5).
// --scaling adds shorter runs with 1, 4, 8 and 16 streams and with 1280x720.
// --ratios runs, instead, the cases the targets name (4 streams of 640x480
// shown at 320x240 and 1:1, each without and with motion, and 1, 4 and 16
// streams at 320x240) and prints their ratios to the bare decode, to each
// other and to the picture interval; with --repeat N every case runs N times,
// in turn, and the figures are medians.
// --decode-only keeps the window hidden: no window shows the pictures, so
// they are not decoded (with --motion, only motion's small grey decode runs);
// --receive-only switches the display off (pictures are neither decoded nor
// painted); --no-draw shows the window and hands the surfaces their pictures
// as usual, but the surfaces do not draw them (what the copy into the window
// costs); together they split the cost into its stages. --ratios also runs
// the 1:1 case with --no-draw.
#include "platform/image_server/http_image_server.h"
#include "platform/image_server/video_surface.h"
#include "run_address.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <thread>
#include <turbojpeg.h>

namespace {

double ProcessCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

long PeakRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

qint64 WallUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Runs the event loop for `ms` (sleeping while there is nothing to do).
void Pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Camsim {
    QProcess process;
    std::vector<std::pair<QString, int>> cams;
    bool Start(int n, QSize size, int fps)
    {
        process.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/camsim/camsim"),
            {QStringLiteral("--cameras"), QString::number(n), QStringLiteral("--address"),
             RunAddress(), QStringLiteral("--port"), QStringLiteral("0"),
             QStringLiteral("--discovery-port"), QStringLiteral("-1"), QStringLiteral("--size"),
             QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), QStringLiteral("--fps"),
             QString::number(fps), QStringLiteral("--loop-frames"), QStringLiteral("50"),
             QStringLiteral("--quiet")});
        QByteArray out;
        while (!out.contains("camsim: ready") && process.waitForReadyRead(20000))
            out += process.readAllStandardOutput();
        static const QRegularExpression re(QStringLiteral("at ([0-9.]+):(\\d+)"));
        for (const QByteArray& line : out.split('\n')) {
            const auto m = re.match(QString::fromUtf8(line));
            if (m.hasMatch())
                cams.emplace_back(m.captured(1), m.captured(2).toInt());
        }
        return static_cast<int>(cams.size()) == n;
    }
    ~Camsim()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
            process.waitForFinished(5000);
        }
    }
};

struct RunResult {
    int streams = 0;
    QSize size;
    QSize cell;
    double seconds = 0;
    double cpuCores = 0;
    double cpuPerFrameMs = 0;
    double guiPerFrameMs = 0;  // the part spent on the GUI thread
    double decodePerFrameMs = 0;
    double pacedDecodeMs = 0;  // the bare decode at the stream's pace (0: not measured)
    bool motion = false;
    bool drawn = true;  // false: the surfaces took their pictures without drawing them
    quint64 received = 0, decoded = 0, painted = 0, converted = 0;
    quint64 minReceived = 0, maxReceived = 0;
    double latMedianMs = 0, latP99Ms = 0;
    long peakRssMb = 0;
};

// TurboJPEG alone: decode the pictures in a tight loop, CPU seconds per picture.
double BareDecodeMs(const std::vector<QByteArray>& jpegs)
{
    tjhandle h = tjInitDecompress();
    int w = 0, ht = 0, ss = 0, cs = 0;
    tjDecompressHeader3(h, reinterpret_cast<const unsigned char*>(jpegs[0].constData()),
                        static_cast<unsigned long>(jpegs[0].size()), &w, &ht, &ss, &cs);
    std::vector<unsigned char> buf(static_cast<size_t>(w) * static_cast<size_t>(ht) * 4);
    int n = 0;
    const double t0 = ThreadCpuSeconds();
    while (ThreadCpuSeconds() - t0 < 2.0) {
        const QByteArray& j = jpegs[static_cast<size_t>(n) % jpegs.size()];
        tjDecompressHeader3(h, reinterpret_cast<const unsigned char*>(j.constData()),
                            static_cast<unsigned long>(j.size()), &w, &ht, &ss, &cs);
        tjDecompress2(h, reinterpret_cast<const unsigned char*>(j.constData()),
                      static_cast<unsigned long>(j.size()), buf.data(), w, w * 4, ht, TJPF_BGRX,
                      TJFLAG_FASTDCT);
        ++n;
    }
    const double t = ThreadCpuSeconds() - t0;
    tjDestroy(h);
    return t * 1000.0 / n;
}

// The same decode at a stream's pace: one picture every `intervalMs`, the
// thread sleeping in between, as a stream's thread does. Its caches and
// clock are no longer those of a tight loop.
double PacedDecodeMs(const std::vector<QByteArray>& jpegs, int intervalMs, int count)
{
    tjhandle h = tjInitDecompress();
    int w = 0, ht = 0, ss = 0, cs = 0;
    tjDecompressHeader3(h, reinterpret_cast<const unsigned char*>(jpegs[0].constData()),
                        static_cast<unsigned long>(jpegs[0].size()), &w, &ht, &ss, &cs);
    std::vector<unsigned char> buf(static_cast<size_t>(w) * static_cast<size_t>(ht) * 4);
    double total = 0;
    for (int n = 0; n < count; ++n) {
        const QByteArray& j = jpegs[static_cast<size_t>(n) % jpegs.size()];
        const double t0 = ThreadCpuSeconds();
        tjDecompressHeader3(h, reinterpret_cast<const unsigned char*>(j.constData()),
                            static_cast<unsigned long>(j.size()), &w, &ht, &ss, &cs);
        tjDecompress2(h, reinterpret_cast<const unsigned char*>(j.constData()),
                      static_cast<unsigned long>(j.size()), buf.data(), w, w * 4, ht, TJPF_BGRX,
                      TJFLAG_FASTDCT);
        total += ThreadCpuSeconds() - t0;
        std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
    }
    tjDestroy(h);
    return total * 1000.0 / count;
}

enum class Stage { Full, DecodeOnly, ReceiveOnly, NoDraw };
Stage gStage = Stage::Full;
int gPacedDecodes = 0;  // pictures the paced decode takes after a run (0: none)

// A surface that takes its pictures like any other but never draws them.
class UndrawnSurface : public VideoSurface {
protected:
    void paintEvent(QPaintEvent*) override {}
};

RunResult Run(int streams, QSize size, QSize cell, int fps, int seconds, bool motion)
{
    RunResult r;
    r.motion = motion;
    r.drawn = gStage != Stage::NoDraw;
    r.streams = streams;
    r.size = size;
    r.cell = cell;
    Camsim sim;
    if (!sim.Start(streams, size, fps)) {
        std::fprintf(stderr, "camsim did not start\n");
        return r;
    }
    QWidget window;
    auto* grid = new QGridLayout(&window);
    grid->setSpacing(2);
    const int cols = streams <= 4 ? 2 : 4;
    std::vector<std::unique_ptr<HttpImageServer>> cams;
    std::vector<VideoSurface*> surfaces;
    std::vector<qint64> latencies;
    latencies.reserve(static_cast<size_t>(streams * fps * (seconds + 10)));
    bool measuring = false;
    for (int k = 0; k < streams; ++k) {
        auto* s = gStage == Stage::NoDraw ? new UndrawnSurface : new VideoSurface;
        s->setFixedSize(cell);
        grid->addWidget(s, k / cols, k % cols);
        surfaces.push_back(s);
        QObject::connect(s, &VideoSurface::framePainted, s, [&latencies, &measuring](qint64 ts) {
            if (measuring && ts > 0)
                latencies.push_back(WallUs() - ts);
        });
        auto cam = std::make_unique<HttpImageServer>();
        cam->setUserName(QStringLiteral("admin"));
        cam->setPassword(QStringLiteral("admin"));
        cam->setIPAddress(sim.cams[static_cast<size_t>(k)].first);
        cam->setPort(sim.cams[static_cast<size_t>(k)].second);
        cam->setDisplay(s);
        cam->setDisplayWidth(cell.width());
        cam->setDisplayHeight(cell.height());
        cam->setDisplayEnabled(gStage != Stage::ReceiveOnly);
        if (motion) {
            cam->setSensitivity(5);
            cam->setAlarmFlags(1);
        }
        cams.push_back(std::move(cam));
    }
    if (gStage == Stage::Full || gStage == Stage::NoDraw)
        window.show();  // a hidden window decodes but never paints
    for (auto& c : cams)
        c->start();
    Pump(3000);  // warm-up

    // The same pictures for the bare decode.
    std::vector<QByteArray> jpegs;
    QTemporaryDir dir;
    for (size_t k = 0; k < cams.size() && k < 4; ++k) {
        const QString f = dir.filePath(QStringLiteral("s%1.jpg").arg(k));
        if (cams[k]->saveSnapshot(f, 0)) {
            QFile file(f);
            if (file.open(QIODevice::ReadOnly))
                jpegs.push_back(file.readAll());
        }
    }

    std::vector<quint64> rec0, dec0, pai0, con0;
    for (size_t k = 0; k < cams.size(); ++k) {
        rec0.push_back(cams[k]->framesReceived());
        dec0.push_back(cams[k]->framesDecoded());
        pai0.push_back(surfaces[k]->framesPainted());
        con0.push_back(surfaces[k]->framesConverted());
    }
    measuring = true;
    const double cpu0 = ProcessCpuSeconds();
    const double gui0 = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    Pump(seconds * 1000);
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double gui = ThreadCpuSeconds() - gui0;
    r.seconds = static_cast<double>(wall.elapsed()) / 1000.0;
    measuring = false;
    r.minReceived = ~0ULL;
    for (size_t k = 0; k < cams.size(); ++k) {
        const quint64 rec = cams[k]->framesReceived() - rec0[k];
        r.received += rec;
        r.decoded += cams[k]->framesDecoded() - dec0[k];
        r.painted += surfaces[k]->framesPainted() - pai0[k];
        r.converted += surfaces[k]->framesConverted() - con0[k];
        r.minReceived = std::min(r.minReceived, rec);
        r.maxReceived = std::max(r.maxReceived, rec);
    }
    for (auto& c : cams)
        c->stop();
    r.cpuCores = cpu / r.seconds;
    r.cpuPerFrameMs = r.received ? cpu * 1000.0 / static_cast<double>(r.received) : 0;
    r.guiPerFrameMs = r.received ? gui * 1000.0 / static_cast<double>(r.received) : 0;
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        r.latMedianMs = static_cast<double>(latencies[latencies.size() / 2]) / 1000.0;
        r.latP99Ms = static_cast<double>(
                         latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)])
                     / 1000.0;
    }
    r.peakRssMb = PeakRssKb() / 1024;
    r.decodePerFrameMs = jpegs.empty() ? 0 : BareDecodeMs(jpegs);
    if (gPacedDecodes > 0 && !jpegs.empty())
        r.pacedDecodeMs = PacedDecodeMs(jpegs, 1000 / std::max(1, fps), gPacedDecodes);
    return r;
}

void Print(const RunResult& r, int fps)
{
    const double expected = r.seconds * fps * r.streams;
    std::printf(
        "| %d | %dx%d | %dx%d%s | %s | %.0f s | %.3f | %llu (%.1f%% of %0.f sent at %d fps; "
        "per stream %llu..%llu) | %llu | %llu (%llu scaled) | "
        "%.2f / %.2f ms | %.3f ms (GUI thread %.3f) | %.3f ms | %.2f | %ld MB |\n",
        r.streams, r.size.width(), r.size.height(), r.cell.width(), r.cell.height(),
        r.drawn ? "" : " (not drawn)", r.motion ? "on" : "off", r.seconds, r.cpuCores,
        static_cast<unsigned long long>(r.received),
        100.0 * static_cast<double>(r.received) / expected, expected, fps,
        static_cast<unsigned long long>(r.minReceived),
        static_cast<unsigned long long>(r.maxReceived), static_cast<unsigned long long>(r.decoded),
        static_cast<unsigned long long>(r.painted), static_cast<unsigned long long>(r.converted),
        r.latMedianMs, r.latP99Ms, r.cpuPerFrameMs, r.guiPerFrameMs, r.decodePerFrameMs,
        r.decodePerFrameMs > 0 ? r.cpuPerFrameMs / r.decodePerFrameMs : 0.0, r.peakRssMb);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 60, streams = 4, fps = 25;
    QSize size(640, 480), cell(640, 480);
    bool scaling = false, motion = false, ratios = false;
    int repeat = 1;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString next = args.value(i + 1);
        const auto wh = [](const QString& t) {
            const QStringList p = t.split(QLatin1Char('x'));
            return p.size() == 2 ? QSize(p[0].toInt(), p[1].toInt()) : QSize();
        };
        if (args[i] == QLatin1String("--seconds"))
            seconds = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--streams"))
            streams = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--fps"))
            fps = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--size"))
            size = wh(next), ++i;
        else if (args[i] == QLatin1String("--cell"))
            cell = wh(next), ++i;
        else if (args[i] == QLatin1String("--scaling"))
            scaling = true;
        else if (args[i] == QLatin1String("--motion"))
            motion = true;
        else if (args[i] == QLatin1String("--ratios"))
            ratios = true;
        else if (args[i] == QLatin1String("--repeat"))
            repeat = std::max(1, next.toInt()), ++i;
        else if (args[i] == QLatin1String("--decode-only"))
            gStage = Stage::DecodeOnly;
        else if (args[i] == QLatin1String("--receive-only"))
            gStage = Stage::ReceiveOnly;
        else if (args[i] == QLatin1String("--no-draw"))
            gStage = Stage::NoDraw;
        else {
            std::fprintf(
                stderr,
                "usage: bench_live_video [--seconds S] [--streams N] [--size WxH] [--fps F] "
                "[--cell WxH] [--motion] [--scaling] [--ratios [--repeat N]] [--decode-only | "
                "--receive-only | --no-draw]\n");
            return 2;
        }
    }
    std::printf("| streams | picture | shown at | motion | run | client CPU (cores) | received | "
                "decoded | painted | latency median / p99 | client CPU per picture | bare decode "
                "per picture | ratio | peak RSS |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    if (ratios) {
        // Every case runs `repeat` times, the cases in turn, so that a change in
        // the machine's load touches them alike; the figures are medians, and
        // a ratio of two cases is taken within each round.
        const QSize vga(640, 480), half(320, 240);
        struct Case {
            int streams;
            QSize shown;
            bool motion;
            Stage stage = Stage::Full;
        };
        const Case cases[] = {{4, half, false},
                              {4, half, true},
                              {4, vga, false},
                              {4, vga, true},
                              {1, half, false},
                              {16, half, false},
                              {4, vga, false, Stage::NoDraw}};
        constexpr size_t kCases = std::size(cases);
        std::vector<std::array<RunResult, kCases>> rounds;
        for (int round = 0; round < repeat; ++round) {
            std::array<RunResult, kCases> results;
            for (size_t c = 0; c < kCases; ++c) {
                gPacedDecodes = round == 0 && c == 2 ? 150 : 0;
                gStage = cases[c].stage;
                results[c] =
                    Run(cases[c].streams, vga, cases[c].shown, fps, seconds, cases[c].motion);
                Print(results[c], fps);
            }
            rounds.push_back(results);
        }
        const auto median = [&](const auto& figure) {
            std::vector<double> v;
            for (const auto& r : rounds)
                v.push_back(figure(r));
            std::sort(v.begin(), v.end());
            return v.empty() ? 0.0 : v[v.size() / 2];
        };
        const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
        const auto perPicture = [&](size_t c) {
            return median([c](const auto& r) { return r[c].cpuPerFrameMs; });
        };
        std::printf("\nmedians of %d round(s):\n", repeat);
        std::printf("ratio 4 x 640x480 shown at 320x240 / bare full decode: %.2f (target <= 1.0)\n",
                    median([&](const auto& r) {
                        return ratio(r[0].cpuPerFrameMs, r[0].decodePerFrameMs);
                    }));
        std::printf("ratio 4 x 640x480 shown 1:1 / bare full decode: %.2f (target <= 1.3)\n",
                    median([&](const auto& r) {
                        return ratio(r[2].cpuPerFrameMs, r[2].decodePerFrameMs);
                    }));
        std::printf(
            "ratio with motion / without, shown at 320x240: %.2f, shown 1:1: %.2f (target "
            "<= 1.1)\n",
            median([&](const auto& r) { return ratio(r[1].cpuPerFrameMs, r[0].cpuPerFrameMs); }),
            median([&](const auto& r) { return ratio(r[3].cpuPerFrameMs, r[2].cpuPerFrameMs); }));
        std::printf("cost per picture at 320x240 with 1 / 4 / 16 streams: %.3f / %.3f / %.3f ms; "
                    "16 / 1: %.2f\n",
                    perPicture(4), perPicture(0), perPicture(5),
                    ratio(perPicture(5), perPicture(4)));
        std::printf(
            "the same 1:1 case with the surfaces not drawing: %.2f of the bare decode; the "
            "draw (the copy into the window) costs %.3f ms per picture, %.3f on the GUI "
            "thread\n",
            median([&](const auto& r) { return ratio(r[6].cpuPerFrameMs, r[6].decodePerFrameMs); }),
            median([](const auto& r) { return r[2].cpuPerFrameMs - r[6].cpuPerFrameMs; }),
            median([](const auto& r) { return r[2].guiPerFrameMs - r[6].guiPerFrameMs; }));
        double worstP99 = 0;
        for (const auto& r : rounds)
            for (const RunResult& one : r)
                if (one.painted > 0)
                    worstP99 = std::max(worstP99, one.latP99Ms);
        std::printf("latency p99, worst run / picture interval: %.2f / %.1f ms = %.2f (target < "
                    "1)\n",
                    worstP99, 1000.0 / fps, ratio(worstP99, 1000.0 / fps));
        const RunResult& first = rounds.front()[2];
        std::printf("for reference: bare full decode in a tight loop %.3f ms, at the stream's pace "
                    "(one picture every %d ms) %.3f ms; shown 1:1 / paced decode: %.2f\n",
                    first.decodePerFrameMs, 1000 / std::max(1, fps), first.pacedDecodeMs,
                    ratio(perPicture(2), first.pacedDecodeMs));
        return 0;
    }
    Print(Run(streams, size, cell, fps, seconds, motion), fps);
    if (scaling) {
        const int s = std::max(10, seconds / 3);
        for (int n : {1, 4, 8, 16})
            Print(Run(n, QSize(640, 480), QSize(320, 240), fps, s, motion), fps);
        Print(Run(4, QSize(1280, 720), QSize(640, 360), fps, s, motion), fps);
        Print(Run(4, QSize(1280, 720), QSize(1280, 720), fps, s, motion), fps);
    }
    return 0;
}
