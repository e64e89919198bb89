// Video viewer cost and camera-sound latency.
//
// Viewer CPU: camsim serves N protocol-3 cameras (H.264 in MPEG-TS) on
// loopback. In this process N viewers play them, each drawing into a shown
// (offscreen) VideoSurface at the camera's size. At the same time, for every
// camera, `ffmpeg -threads 1 -i URL -f null -` decodes the same stream in a
// process of its own. After the run the CPU time per decoded picture of the
// viewers (this process: CLOCK_PROCESS_CPUTIME_ID) is compared with that of
// the ffmpeg processes (their user + system time, read when they end).
//
// Sound latency: a protocol-3 camera's sound channel (image server OpenAudio,
// viewer AudioOn) and a protocol-4 camera's stream mode 3: for every block,
// the wall-clock time it is handed to the sound output minus the camera's
// time of its first sample.
//
//   bench_video_viewer [--seconds S] [--streams N] [--size WxH] [--fps F] [--only cpu|audio]
//                      [--display none|convert|paint] [--window WxH (size shown)]
#include "platform/audio/audio_player.h"
#include "platform/image_server/http_image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/video_viewer/http_wis_viewer.h"
#include "run_address.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace {

// What the viewers do with their pictures: nothing (decode only), convert them
// for a window that is not shown, or convert and paint them (the default).
enum class Shown { None, Convert, Paint };
Shown gDisplay = Shown::Paint;
QSize gWindow;  // size shown; empty: the stream's own size

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void Pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Camsim {
    QProcess process;
    std::vector<std::pair<QString, int>> cams;
    bool Start(int n, int protocol, QSize size, int fps)
    {
        process.start(
            QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/camsim/camsim"),
            {QStringLiteral("--cameras"), QString::number(n), QStringLiteral("--port"),
             QStringLiteral("0"), QStringLiteral("--protocol"), QString::number(protocol),
             QStringLiteral("--address"), RunAddress(), QStringLiteral("--size"),
             QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), QStringLiteral("--fps"),
             QString::number(fps), QStringLiteral("--discovery-port"), QStringLiteral("0"),
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

// The engine's steps for one protocol-3 slot.
struct Slot {
    std::unique_ptr<HttpImageServer> cam = std::make_unique<HttpImageServer>();
    std::unique_ptr<HttpWisViewer> viewer = std::make_unique<HttpWisViewer>();
    std::unique_ptr<VideoSurface> surface = std::make_unique<VideoSurface>();
    QString nonce = QStringLiteral("20481377");

    bool Connect(const QString& address, int port, QSize size)
    {
        if (!gWindow.isEmpty())
            size = gWindow;
        cam->setIPAddress(address);
        cam->setPort(port);
        cam->setUserName(QStringLiteral("admin"));
        cam->setPassword(QStringLiteral("admin"));
        cam->setProtocol(3);
        cam->probeInit();
        if (cam->viewerParam1() <= 0 || cam->viewerParam2() <= 0)
            return false;
        viewer->setViewerParam1(QString::number(cam->viewerParam1()));
        viewer->setViewerParam2(QString::number(cam->viewerParam2()));
        viewer->setAuthText(nonce);
        viewer->connectTo(address);
        surface->resize(size);
        if (gDisplay == Shown::Paint)
            surface->show();
        if (gDisplay != Shown::None)
            viewer->attachWindow(surface.get(), size.width(), size.height());
        viewer->start();
        return true;
    }
};

struct Ffmpeg {
    pid_t pid = -1;
    int errFd = -1;
    QByteArray err;

    bool Start(const QString& url)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        pid = fork();
        if (pid == 0) {
            dup2(fds[1], 2);
            ::close(fds[0]);
            ::close(fds[1]);
            const QByteArray u = url.toUtf8();
            execlp("ffmpeg", "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-stats",
                   "-threads", "1", "-i", u.constData(), "-f", "null", "-", nullptr);
            _exit(127);
        }
        ::close(fds[1]);
        errFd = fds[0];
        return pid > 0;
    }
    // Ends it (SIGINT: ffmpeg finishes cleanly), returns its CPU seconds and the pictures it
    // decoded.
    void Finish(double& cpu, long& frames)
    {
        ::kill(pid, SIGINT);
        char buf[4096];
        ssize_t n = 0;
        while ((n = ::read(errFd, buf, sizeof buf)) > 0)
            err.append(buf, static_cast<int>(n));
        ::close(errFd);
        int status = 0;
        rusage ru{};
        wait4(pid, &status, 0, &ru);
        cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec)
              + static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
        static const QRegularExpression re(QStringLiteral("frame=\\s*(\\d+)"));
        frames = 0;
        auto it = re.globalMatch(QString::fromUtf8(err));
        while (it.hasNext())
            frames = it.next().captured(1).toLong();
    }
};

int RunCpu(int streams, QSize size, int fps, int seconds)
{
    Camsim sim;
    if (!sim.Start(streams, 3, size, fps)) {
        std::fprintf(stderr, "camsim did not start\n");
        return 1;
    }
    std::vector<Slot> viewers(static_cast<size_t>(streams));
    std::vector<Ffmpeg> ffmpegs(static_cast<size_t>(streams));
    for (int i = 0; i < streams; ++i) {
        auto& s = viewers[static_cast<size_t>(i)];
        if (!s.Connect(sim.cams[static_cast<size_t>(i)].first,
                       sim.cams[static_cast<size_t>(i)].second, size)) {
            std::fprintf(stderr, "probe failed\n");
            return 1;
        }
        // ffmpeg logs in with its own ticket.
        HttpImageServer probe;
        probe.setIPAddress(sim.cams[static_cast<size_t>(i)].first);
        probe.setPort(sim.cams[static_cast<size_t>(i)].second);
        probe.setUserName(QStringLiteral("admin"));
        probe.setPassword(QStringLiteral("admin"));
        probe.setProtocol(3);
        probe.probeInit();
        ffmpegs[static_cast<size_t>(i)].Start(QStringLiteral("http://%1:%2@%3:%4/api/stream.ts")
                                                  .arg(probe.viewerParam2())
                                                  .arg(QStringLiteral("55501234"))
                                                  .arg(sim.cams[static_cast<size_t>(i)].first)
                                                  .arg(probe.viewerParam1()));
    }
    Pump(3000);  // warm-up: connections, first key frames
    quint64 frames0 = 0, shown0 = 0;
    for (auto& s : viewers) {
        frames0 += s.viewer->stats().frames;
        shown0 += s.viewer->stats().framesShown;
    }
    const double cpu0 = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    Pump(seconds * 1000);
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    quint64 frames = 0, shown = 0, damaged = 0;
    for (auto& s : viewers) {
        frames += s.viewer->stats().frames;
        shown += s.viewer->stats().framesShown;
        damaged += s.viewer->stats().damaged;
    }
    frames -= frames0;
    shown -= shown0;
    double ffCpu = 0;
    long ffFrames = 0;
    for (auto& f : ffmpegs) {
        double c = 0;
        long n = 0;
        f.Finish(c, n);
        ffCpu += c;
        ffFrames += n;
    }
    for (auto& s : viewers)
        s.viewer->stop();
    const double viewerMs = frames ? cpu * 1000.0 / static_cast<double>(frames) : 0;
    const double ffMs = ffFrames ? ffCpu * 1000.0 / static_cast<double>(ffFrames) : 0;
    std::printf("cpu display=%s window=%dx%d streams=%d size=%dx%d fps=%d seconds=%.1f viewer: "
                "cores=%.3f frames=%llu "
                "shown=%llu damaged=%llu ms/frame=%.3f | ffmpeg -threads 1: cpu=%.2fs frames=%ld "
                "ms/frame=%.3f (whole run incl. warm-up) | ratio=%.2f\n",
                gDisplay == Shown::None      ? "none"
                : gDisplay == Shown::Convert ? "convert"
                                             : "paint",
                gWindow.isEmpty() ? size.width() : gWindow.width(),
                gWindow.isEmpty() ? size.height() : gWindow.height(), streams, size.width(),
                size.height(), fps, elapsed, cpu / elapsed, static_cast<unsigned long long>(frames),
                static_cast<unsigned long long>(shown), static_cast<unsigned long long>(damaged),
                viewerMs, ffCpu, ffFrames, ffMs, ffMs > 0 ? viewerMs / ffMs : 0.0);
    std::fflush(stdout);
    return 0;
}

struct Latency {
    std::mutex mutex;
    std::vector<double> ms;
    void Add(qint64 firstUs, qint64 handedUs)
    {
        if (firstUs <= 0)
            return;
        std::lock_guard lock(mutex);
        ms.push_back(static_cast<double>(handedUs - firstUs) / 1000.0);
    }
    void Print(const char* what)
    {
        std::lock_guard lock(mutex);
        std::sort(ms.begin(), ms.end());
        if (ms.empty()) {
            std::printf("audio %s: no blocks\n", what);
            return;
        }
        const auto at = [&](double q) { return ms[static_cast<size_t>(q * (ms.size() - 1))]; };
        std::printf("audio %s: blocks=%zu latency first sample -> sink: min=%.1f median=%.1f "
                    "p95=%.1f max=%.1f ms\n",
                    what, ms.size(), ms.front(), at(0.5), at(0.95), ms.back());
        std::fflush(stdout);
    }
};

int RunAudio(int seconds)
{
    {
        Camsim sim;
        if (!sim.Start(1, 3, QSize(640, 480), 25))
            return 1;
        Slot slot;
        if (!slot.Connect(sim.cams[0].first, sim.cams[0].second, QSize(320, 240)))
            return 1;
        Pump(1000);
        slot.cam->openAudio(slot.nonce);
        slot.viewer->audioOn();
        Latency lat;
        slot.viewer->audioPlayer()->onHandedToSink = [&](qint64 a, qint64 b) { lat.Add(a, b); };
        Pump(seconds * 1000);
        slot.viewer->stop();
        lat.Print("protocol 3 (viewer)");
    }
    Camsim sim;
    if (!sim.Start(1, 4, QSize(640, 480), 25))
        return 1;
    HttpImageServer cam;
    VideoSurface surface;
    cam.setIPAddress(sim.cams[0].first);
    cam.setPort(sim.cams[0].second);
    cam.setUserName(QStringLiteral("admin"));
    cam.setPassword(QStringLiteral("admin"));
    cam.setProtocol(4);
    cam.setDisplay(&surface);
    cam.setDisplayEnabled(true);
    cam.setStreamMode(3);
    cam.start();
    Latency lat;
    cam.audioPlayer()->onHandedToSink = [&](qint64 a, qint64 b) { lat.Add(a, b); };
    Pump(seconds * 1000);
    cam.stop();
    lat.Print("protocol 4 (image server, stream mode 3)");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 30, streams = 4, fps = 25;
    QSize size(640, 480);
    QString only;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString next = args.value(i + 1);
        if (args[i] == QLatin1String("--seconds"))
            seconds = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--streams"))
            streams = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--fps"))
            fps = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--size")) {
            const QStringList p = next.split(QLatin1Char('x'));
            size = QSize(p.value(0).toInt(), p.value(1).toInt());
            ++i;
        } else if (args[i] == QLatin1String("--only")) {
            only = next, ++i;
        } else if (args[i] == QLatin1String("--window")) {
            const QStringList p = next.split(QLatin1Char('x'));
            gWindow = QSize(p.value(0).toInt(), p.value(1).toInt());
            ++i;
        } else if (args[i] == QLatin1String("--display")) {
            gDisplay = next == QLatin1String("none")      ? Shown::None
                       : next == QLatin1String("convert") ? Shown::Convert
                                                          : Shown::Paint;
            ++i;
        }
    }
    int rc = 0;
    if (only.isEmpty() || only == QLatin1String("cpu"))
        rc |= RunCpu(streams, size, fps, seconds);
    if (only.isEmpty() || only == QLatin1String("audio"))
        rc |= RunAudio(std::min(seconds, 20));
    return rc;
}
