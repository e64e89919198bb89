// Recording and motion figures of the client, against camsim on loopback.
//
// Recording cost: camsim serves N cameras; the client shows every stream
// through its own image server and video surface (offscreen), first for a
// timed run of viewing only, then for a run of the same length that also
// records every stream to .AVI files (split by size; at a split the program
// starts the next file as the engine does). It prints, per run:
//   - the client's CPU (this process only; camsim runs in its own),
//   - pictures received, the cameras' bytes (TCP payload off the sockets, and
//     the JPEG pictures in it),
//   - for the recording run: bytes of the files on disk per second, and their
//     ratio to the cameras' bytes (the container's overhead).
//
// Motion latency: one camera, shown, with motion detection on (alarm flag 1,
// sensitivity 5). Each trial waits for a still scene, tells camsim to start
// its moving block, and times from the moment camsim switched motion on (its
// own wall-clock stamp) to the image server's motion Notify on the GUI
// thread. Also split into "until the camera's first picture with motion"
// and "from that picture's capture to the Notify". camsim renders every
// picture here, so the block starts wherever its sweep happens to be: how
// many pictures the detector needs depends on how much the block stands out
// from the background there.
//
//   bench_recording [--seconds 60] [--streams 4] [--size 640x480] [--fps 25]
//                   [--split-mb 10] [--rounds 1] [--trials 20] [--dir DIR]
//                   [--only recording|motion]
// --seconds is the length of each timed run (a short run: --seconds 10);
// --rounds repeats the viewing/recording pair; --dir records there instead of
// a temporary folder in TMPDIR (the folder is emptied of the files it made).
#include "platform/image_server/camera_media.h"
#include "platform/image_server/http_client.h"
#include "platform/image_server/http_image_server.h"
#include "platform/image_server/records.h"
#include "platform/image_server/video_surface.h"
#include "run_address.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

double ProcessCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

qint64 WallUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Bytes received so far on this process's open TCP sockets (the kernel's own
// count, headers of the protocol included, TCP/IP framing not).
quint64 TcpBytesReceived()
{
    quint64 total = 0;
    QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& name : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (!QFileInfo(fds.filePath(name)).symLinkTarget().contains(QLatin1String("socket:")))
            continue;
        tcp_info info{};
        socklen_t len = sizeof info;
        if (::getsockopt(name.toInt(), IPPROTO_TCP, TCP_INFO, &info, &len) == 0
            && len >= offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received)
            total += info.tcpi_bytes_received;
    }
    return total;
}

void Pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename Pred> bool PumpUntil(Pred done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

struct Camsim {
    QProcess process;
    std::vector<std::pair<QString, int>> cams;
    // `loopFrames` > 0 replays that many cached pictures (cheap for camsim);
    // 0 renders every picture (the moving block then sweeps the whole width).
    bool Start(int n, QSize size, int fps, int loopFrames)
    {
        QStringList args = {QStringLiteral("--cameras"),
                            QString::number(n),
                            QStringLiteral("--address"),
                            RunAddress(),
                            QStringLiteral("--port"),
                            QStringLiteral("0"),
                            QStringLiteral("--size"),
                            QStringLiteral("%1x%2").arg(size.width()).arg(size.height()),
                            QStringLiteral("--fps"),
                            QString::number(fps),
                            QStringLiteral("--discovery-port"),
                            QStringLiteral("-1"),
                            QStringLiteral("--quiet")};
        if (loopFrames > 0)
            args << QStringLiteral("--loop-frames") << QString::number(loopFrames);
        process.start(QCoreApplication::applicationDirPath()
                          + QStringLiteral("/../tools/camsim/camsim"),
                      args);
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
    // GET /sim/<command> on camera k (0-based); the state record it answers.
    Record Control(size_t k, const QByteArray& command) const
    {
        CameraEndpoint ep;
        ep.host = cams.at(k).first;
        ep.port = cams.at(k).second;
        HttpAuthenticator none;
        const HttpResponse r = HttpRequest(ep, none, "GET", "/sim/" + command, 3000);
        return r.Ok() ? ParseRecord(r.body) : Record{};
    }
    ~Camsim()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
            process.waitForFinished(5000);
        }
    }
};

// The client side: a window of video surfaces, one image server per camera.
struct Client {
    QWidget window;
    std::vector<std::unique_ptr<HttpImageServer>> cams;
    Client(const Camsim& sim, QSize cell)
    {
        auto* grid = new QGridLayout(&window);
        grid->setSpacing(2);
        for (size_t k = 0; k < sim.cams.size(); ++k) {
            auto* s = new VideoSurface;
            s->setFixedSize(cell);
            grid->addWidget(s, static_cast<int>(k / 2), static_cast<int>(k % 2));
            auto cam = std::make_unique<HttpImageServer>();
            cam->setUserName(QStringLiteral("admin"));
            cam->setPassword(QStringLiteral("admin"));
            cam->setIPAddress(sim.cams[k].first);
            cam->setPort(sim.cams[k].second);
            cam->setDisplay(s);
            cam->setDisplayWidth(cell.width());
            cam->setDisplayHeight(cell.height());
            cam->setDisplayEnabled(true);
            cams.push_back(std::move(cam));
        }
        window.show();
        for (auto& c : cams)
            c->start();
    }
    ~Client()
    {
        for (auto& c : cams)
            c->stop();
    }
    quint64 Pictures() const
    {
        quint64 n = 0;
        for (const auto& c : cams)
            n += c->media().Pictures();
        return n;
    }
    quint64 PictureBytes() const
    {
        quint64 n = 0;
        for (const auto& c : cams)
            n += c->media().PictureBytes();
        return n;
    }
};

struct Run {
    double seconds = 0, cpu = 0;
    quint64 pictures = 0, jpegBytes = 0, tcpBytes = 0;
    // Recording only.
    qint64 fileBytes = 0;
    int files = 0, splits = 0, failures = 0;
    quint64 framesWritten = 0, framesDropped = 0;
};

qint64 AviBytes(const QString& dir, int* files)
{
    qint64 total = 0;
    QDirIterator it(dir, {QStringLiteral("*.AVI")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        total += QFileInfo(it.next()).size();
        ++*files;
    }
    return total;
}

Run Measure(Client& client, int seconds, const QString& recordDir, int splitMb)
{
    Run r;
    std::vector<QMetaObject::Connection> links;
    if (!recordDir.isEmpty()) {
        for (size_t k = 0; k < client.cams.size(); ++k) {
            HttpImageServer* cam = client.cams[k].get();
            const QString folder = QDir(recordDir).filePath(QStringLiteral("cam%1").arg(k + 1));
            QDir().mkpath(folder);
            cam->setRecordPath(folder);
            cam->setSplitFileMode(0);
            cam->setSplitFileSize(splitMb);
            cam->setReserveSpace(100);
            links.push_back(QObject::connect(cam, &ImageServer::Notify, cam, [cam, &r](int code) {
                if (code == NotifyCode::RecordSplitSize || code == NotifyCode::RecordSplitTime) {
                    ++r.splits;
                    cam->recordStart();  // the next file, as the engine answers a split
                } else if (code == NotifyCode::RecordFailed) {
                    ++r.failures;
                }
            }));
        }
    }
    std::vector<AviRecorder::Stats> stats0;
    for (const auto& c : client.cams)
        stats0.push_back(c->media().RecordStats());
    const quint64 pictures0 = client.Pictures();
    const quint64 jpeg0 = client.PictureBytes();
    const quint64 tcp0 = TcpBytesReceived();
    const double cpu0 = ProcessCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    if (!recordDir.isEmpty())
        for (auto& c : client.cams)
            c->recordStart();
    Pump(seconds * 1000);
    if (!recordDir.isEmpty())
        for (auto& c : client.cams)
            c->recordStop();  // returns when the file is complete
    r.cpu = ProcessCpuSeconds() - cpu0;
    r.seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    r.tcpBytes = TcpBytesReceived() - tcp0;
    r.pictures = client.Pictures() - pictures0;
    r.jpegBytes = client.PictureBytes() - jpeg0;
    for (const auto& l : links)
        QObject::disconnect(l);
    if (!recordDir.isEmpty()) {
        r.fileBytes = AviBytes(recordDir, &r.files);
        for (size_t k = 0; k < client.cams.size(); ++k) {
            const AviRecorder::Stats s = client.cams[k]->media().RecordStats();
            r.framesWritten += s.framesWritten - stats0[k].framesWritten;
            r.framesDropped += s.framesDropped - stats0[k].framesDropped;
        }
    }
    return r;
}

void PrintRun(const char* what, const Run& r, int streams, int fps)
{
    const double expected = r.seconds * fps * streams;
    std::printf("| %s | %.1f s | %.3f | %.3f ms | %llu (%.1f%% of %.0f) | %.3f MB/s | %.3f MB/s |",
                what, r.seconds, r.cpu / r.seconds,
                r.pictures ? r.cpu * 1000.0 / static_cast<double>(r.pictures) : 0.0,
                static_cast<unsigned long long>(r.pictures),
                100.0 * static_cast<double>(r.pictures) / expected, expected,
                static_cast<double>(r.tcpBytes) / r.seconds / 1e6,
                static_cast<double>(r.jpegBytes) / r.seconds / 1e6);
    if (r.files > 0)
        std::printf(" %.3f MB/s | %.4f | %.4f | %d files, %d splits, %d failed; %llu frames "
                    "written, %llu dropped |\n",
                    static_cast<double>(r.fileBytes) / r.seconds / 1e6,
                    static_cast<double>(r.fileBytes) / static_cast<double>(r.tcpBytes),
                    static_cast<double>(r.fileBytes) / static_cast<double>(r.jpegBytes), r.files,
                    r.splits, r.failures, static_cast<unsigned long long>(r.framesWritten),
                    static_cast<unsigned long long>(r.framesDropped));
    else
        std::printf(" – | – | – | – |\n");
    std::fflush(stdout);
}

int RecordingFigures(int streams, QSize size, int fps, int seconds, int rounds, int splitMb,
                     const QString& dirArg)
{
    Camsim sim;
    if (!sim.Start(streams, size, fps, 50)) {
        std::fprintf(stderr, "camsim did not start\n");
        return 1;
    }
    QTemporaryDir temp;
    const QString base = dirArg.isEmpty() ? temp.path() : dirArg;
    Client client(sim, size);
    Pump(3000);  // warm-up: connected, streaming, first pictures shown

    std::printf("\n%d streams of %dx%d at %d fps, shown at full size; recording into %s\n\n",
                streams, size.width(), size.height(), fps, qPrintable(base));
    std::printf("| run | time | client CPU (cores) | CPU per picture | pictures received | camera "
                "bytes (TCP) | "
                "JPEG bytes | file bytes | file / TCP | file / JPEG | files |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    double viewCpu = 0, viewSec = 0, recCpu = 0, recSec = 0;
    quint64 viewPics = 0, recPics = 0;
    for (int round = 0; round < rounds; ++round) {
        const Run v = Measure(client, seconds, {}, splitMb);
        PrintRun("viewing", v, streams, fps);
        const QString dir = QDir(base).filePath(QStringLiteral("round%1").arg(round + 1));
        const Run rec = Measure(client, seconds, dir, splitMb);
        PrintRun("viewing + recording", rec, streams, fps);
        QDir(dir).removeRecursively();
        viewCpu += v.cpu, viewSec += v.seconds, viewPics += v.pictures;
        recCpu += rec.cpu, recSec += rec.seconds, recPics += rec.pictures;
    }
    const double viewCores = viewCpu / viewSec, recCores = recCpu / recSec;
    const double viewPer = viewCpu * 1000.0 / static_cast<double>(std::max<quint64>(1, viewPics));
    const double recPer = recCpu * 1000.0 / static_cast<double>(std::max<quint64>(1, recPics));
    std::printf("\nrecording adds %.3f cores (%+.1f%%), %.3f ms CPU per picture (%+.1f%%)\n",
                recCores - viewCores, 100.0 * (recCores - viewCores) / viewCores, recPer - viewPer,
                100.0 * (recPer - viewPer) / viewPer);
    return 0;
}

int MotionFigures(QSize size, int fps, int trials)
{
    Camsim sim;
    if (!sim.Start(1, size, fps, 0)) {
        std::fprintf(stderr, "camsim did not start\n");
        return 1;
    }
    Client client(sim, size);
    HttpImageServer& cam = *client.cams[0];
    cam.setAlarmFlags(1);
    cam.setSensitivity(5);
    qint64 notifyUs = 0;
    int stillReports = 0;
    bool still = false;
    QObject::connect(&cam, &ImageServer::Notify, &cam, [&](int code) {
        if (code != NotifyCode::Motion)
            return;
        if (still)
            ++stillReports;
        else if (notifyUs == 0)
            notifyUs = WallUs();
    });
    Pump(3000);

    std::vector<double> total, toPicture, fromPicture;
    int missed = 0;
    QRandomGenerator jitter(1);  // varies where the block starts, the same way on every run
    for (int t = 0; t < trials; ++t) {
        // A still scene long enough for the detector's reference and its
        // report interval to hold no trace of the last motion.
        sim.Control(0, "motion?on=0");
        Pump(1500 + jitter.bounded(500));
        still = true;
        Pump(1000);
        still = false;
        notifyUs = 0;
        const Record on = sim.Control(0, "motion?on=1");
        const qint64 onUs = on.value(QStringLiteral("motion_on_us")).toLongLong();
        if (onUs <= 0) {
            std::fprintf(stderr, "camsim gave no motion time\n");
            return 1;
        }
        if (!PumpUntil([&] { return notifyUs != 0; }, 5000)) {
            ++missed;
            continue;
        }
        const qint64 firstUs =
            sim.Control(0, "state").value(QStringLiteral("motion_first_us")).toLongLong();
        if (firstUs < onUs || notifyUs < firstUs) {
            std::fprintf(stderr,
                         "inconsistent times: motion on %lld, first picture %lld, Notify %lld\n",
                         static_cast<long long>(onUs), static_cast<long long>(firstUs),
                         static_cast<long long>(notifyUs));
            return 1;
        }
        total.push_back(static_cast<double>(notifyUs - onUs) / 1000.0);
        toPicture.push_back(static_cast<double>(firstUs - onUs) / 1000.0);
        fromPicture.push_back(static_cast<double>(notifyUs - firstUs) / 1000.0);
    }
    sim.Control(0, "motion?on=0");
    const auto stats = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const double median =
            v.empty()
                ? 0
                : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
        return std::array<double, 3>{median, v.empty() ? 0 : v.front(), v.empty() ? 0 : v.back()};
    };
    std::printf(
        "\nmotion latency, one %dx%d camera at %d fps, sensitivity 5: %zu of %d trials reported "
        "(%d missed), %d reports during still scenes\n\n",
        size.width(), size.height(), fps, total.size(), trials, missed, stillReports);
    std::printf("| interval | median | min | max |\n|---|---|---|---|\n");
    const auto row = [&](const char* name, const std::vector<double>& v) {
        const auto s = stats(v);
        std::printf("| %s | %.1f ms | %.1f ms | %.1f ms |\n", name, s[0], s[1], s[2]);
    };
    row("motion switched on -> motion Notify", total);
    row("motion switched on -> first picture with motion captured", toPicture);
    row("that picture captured -> motion Notify", fromPicture);
    // The detector needs two pictures in a row over its threshold, so these
    // cluster near whole picture intervals; what lies beyond is the client's own time.
    std::sort(fromPicture.begin(), fromPicture.end());
    std::printf("\nfirst picture with motion -> Notify, every trial (ms):");
    for (double v : fromPicture)
        std::printf(" %.1f", v);
    std::printf("\n");
    std::fflush(stdout);
    return missed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int seconds = 60, streams = 4, fps = 25, rounds = 1, trials = 20, splitMb = 10;
    QSize size(640, 480);
    QString dir, only;
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
        else if (args[i] == QLatin1String("--rounds"))
            rounds = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--trials"))
            trials = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--split-mb"))
            splitMb = next.toInt(), ++i;
        else if (args[i] == QLatin1String("--dir"))
            dir = next, ++i;
        else if (args[i] == QLatin1String("--only"))
            only = next, ++i;
        else {
            std::fprintf(
                stderr, "usage: bench_recording [--seconds S] [--streams N] [--size WxH] [--fps F] "
                        "[--split-mb MB] [--rounds R] [--trials T] [--dir DIR] [--only "
                        "recording|motion]\n");
            return 2;
        }
    }
    if (seconds < 1 || streams < 1 || fps < 1 || rounds < 1 || trials < 1 || size.isEmpty()) {
        std::fprintf(stderr, "bench_recording: every count and size must be positive\n");
        return 2;
    }
    int rc = 0;
    if (only.isEmpty() || only == QLatin1String("recording"))
        rc |= RecordingFigures(streams, size, fps, seconds, rounds, splitMb, dir);
    if (only.isEmpty() || only == QLatin1String("motion"))
        rc |= MotionFigures(size, fps, trials);
    return rc;
}
