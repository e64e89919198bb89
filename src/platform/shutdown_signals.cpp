#include "platform/shutdown_signals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe's ends; the handler writes into gWriteFd. Set before the handlers
// are installed and cleared after they are removed.
volatile sig_atomic_t gWriteFd = -1;
int gReadFd = -1;
std::array<struct sigaction, kSignals.size()> gPrevious{};

extern "C" void OnEndSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int fd = gWriteFd;
    if (fd >= 0) {
        // A full pipe already holds a request; nothing is lost by dropping this one.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent)
{
    if (gReadFd >= 0)
        return;  // another instance is installed
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    gReadFd = fds[0];
    gWriteFd = fds[1];

    struct sigaction action {};
    action.sa_handler = &OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &action, &gPrevious[i]);

    m_notifier = std::make_unique<QSocketNotifier>(gReadFd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { ReadPipe(); });
    m_installed = true;
}

ShutdownSignals::~ShutdownSignals()
{
    if (!m_installed)
        return;
    for (size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    m_notifier.reset();
    const int writeFd = gWriteFd;
    gWriteFd = -1;
    ::close(writeFd);
    ::close(gReadFd);
    gReadFd = -1;
}

void ShutdownSignals::ReadPipe()
{
    unsigned char buffer[16];
    for (;;) {
        const ssize_t got = ::read(gReadFd, buffer, sizeof buffer);
        if (got <= 0)
            return;
        for (ssize_t i = 0; i < got; ++i)
            emit requested(buffer[i]);
    }
}
