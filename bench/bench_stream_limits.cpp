// What one attempt costs the client against a camera whose stream part never
// ends: a part that says it is 2 GB long, a part without a boundary, or a part
// header line that never ends. Each camera runs in a child process of its own
// and sends for as long as the client reads; this process measures its own
// CPU time (all threads) and the bytes the stream read from the start of an
// attempt to its end (the stream's "connection lost" report).
//
//   bench_stream_limits [--attempts 20]
//
// The first attempt of a run is shown apart: it also pays for memory the
// process takes from the system for the first time and for first calls.
#include "../tests/support/endless_camera.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/stream_session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

double ProcessCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Camera {
    const char* name;
    EndlessCamera::Kind kind;
    pid_t pid = -1;
    int port = 0;
};

// Runs the camera in a child process; its port comes back through a pipe.
bool Spawn(Camera& camera)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    camera.pid = ::fork();
    if (camera.pid == 0) {
        ::close(fds[0]);
        EndlessCamera served(camera.kind);
        const int port = served.port();
        [[maybe_unused]] const ssize_t w = ::write(fds[1], &port, sizeof port);
        ::close(fds[1]);
        for (;;)
            ::pause();  // until the parent ends it
    }
    ::close(fds[1]);
    const bool ok = camera.pid > 0
                    && ::read(fds[0], &camera.port, sizeof camera.port)
                           == static_cast<ssize_t>(sizeof camera.port);
    ::close(fds[0]);
    return ok && camera.port > 0;
}

struct Attempt {
    double cpuSeconds = 0;
    quint64 bytes = 0;
    bool ended = false;
};

// One attempt: from the start of a stream to its "connection lost" report.
Attempt Measure(int port)
{
    StreamOptions options;
    options.endpoint.host = QStringLiteral("127.0.0.1");
    options.endpoint.port = port;
    options.backoffMs = {60000};  // no second attempt within the measurement
    QObject receiver;
    QEventLoop loop;
    Attempt a;
    StreamSession::Callbacks callbacks;
    callbacks.status = [&](int code) {
        if (code == NotifyCode::ConnectionLost) {
            a.ended = true;
            loop.quit();
        }
    };
    auto session = std::make_shared<StreamSession>(options, &receiver, callbacks);
    const double before = ProcessCpuSeconds();
    session->Start();
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    a.cpuSeconds = ProcessCpuSeconds() - before;
    a.bytes = session->bytesRead.load();
    session->Stop(2000);
    return a;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    int attempts = 20;  // at least 2
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--attempts") == 0)
            attempts = std::max(2, std::atoi(argv[++i]));
    // The cameras are forked before any thread of this process starts.
    Camera cameras[] = {{"2 GB Content-Length", EndlessCamera::Kind::HugeLength},
                        {"part without boundary", EndlessCamera::Kind::NoBoundary},
                        {"part header without end", EndlessCamera::Kind::EndlessHeader}};
    for (Camera& c : cameras)
        if (!Spawn(c)) {
            std::fprintf(stderr, "bench_stream_limits: the camera could not start\n");
            return 1;
        }
    QCoreApplication app(argc, argv);
    int code = 0;
    std::printf("| camera | CPU, first attempt | CPU per later attempt, median | worst | bytes "
                "read per attempt |\n");
    std::printf("| --- | --- | --- | --- | --- |\n");
    for (const Camera& c : cameras) {
        std::vector<double> cpu;
        quint64 bytes = 0;
        for (int i = 0; i < attempts; ++i) {
            const Attempt a = Measure(c.port);
            if (!a.ended) {
                std::fprintf(stderr, "bench_stream_limits: %s: the attempt did not end\n", c.name);
                code = 1;
                break;
            }
            cpu.push_back(a.cpuSeconds);
            bytes = std::max(bytes, a.bytes);
        }
        if (cpu.empty())
            continue;
        // The first attempt of the run also pays for fresh memory and first calls.
        const std::vector<double> later(cpu.begin() + 1, cpu.end());
        std::printf("| %s | %.4f s | %.4f s | %.4f s | %llu |\n", c.name, cpu.front(),
                    Median(later), *std::max_element(cpu.begin(), cpu.end()),
                    static_cast<unsigned long long>(bytes));
    }
    for (const Camera& c : cameras) {
        ::kill(c.pid, SIGKILL);
        ::waitpid(c.pid, nullptr, 0);
    }
    return code;
}
