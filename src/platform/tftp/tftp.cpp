#include "platform/tftp/tftp.h"

#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QMetaObject>
#include <QPointer>
#include <atomic>
#include <cstdio>
#include <curl/curl.h>
#include <mutex>
#include <thread>

namespace {
constexpr int kDefaultPort = 69;
constexpr int kBlockSize = 512;
std::atomic<int> gPortOverride{0};

// curl_global_init once for the program, before the first transfer.
void InitCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
}  // namespace

// One transfer: its thread and what it reports. The GUI side may drop it
// (Abort, destruction) while the thread still runs; `target` is cleared then
// and nothing more is posted.
struct TFTP::Job : std::enable_shared_from_this<TFTP::Job> {
    std::mutex mutex;
    QPointer<TFTP> target;
    std::atomic<bool> aborted{false};
    std::thread thread;
    FILE* file = nullptr;
    qint64 size = 0;
    qint64 lastReported = -1;
    bool started = false;

    // Runs f(target) on the GUI thread, unless the transfer was dropped by then.
    template <typename F> void Post(F f)
    {
        std::lock_guard lock(mutex);
        if (!target || aborted)
            return;
        QMetaObject::invokeMethod(
            target.data(),
            [self = shared_from_this(), f] {
                TFTP* t = nullptr;
                {
                    std::lock_guard lock(self->mutex);
                    if (self->aborted || !self->target)
                        return;
                    t = self->target.data();
                }
                f(t);
            },
            Qt::QueuedConnection);
    }
};

TFTP::TFTP(QObject* parent) : QObject(parent) {}

TFTP::~TFTP() { Abort(); }

int TFTP::Port()
{
    if (const int p = gPortOverride.load(); p > 0)
        return p;
    bool ok = false;
    const int env = qEnvironmentVariableIntValue("CAM_TFTP_PORT", &ok);
    return ok && env > 0 && env <= 65535 ? env : kDefaultPort;
}

void TFTP::SetTftpPort(int port) { gPortOverride = port > 0 && port <= 65535 ? port : 0; }

bool TFTP::busy() const { return m_job && m_job->thread.joinable(); }

void TFTP::Abort()
{
    if (!m_job)
        return;
    {
        std::lock_guard lock(m_job->mutex);
        m_job->aborted = true;
        m_job->target = nullptr;
    }
    // curl notices the flag within its progress period (well under a second);
    // the thread is left to end on its own so that the GUI never waits.
    if (m_job->thread.joinable())
        m_job->thread.detach();
    m_job.reset();
}

void TFTP::setAction(int action)
{
    if (action != kActionSend)
        return;
    Abort();
    auto job = std::make_shared<Job>();
    job->target = this;
    m_job = job;

    const QString host = m_remoteHost.trimmed();
    const QFileInfo info(m_localFile);
    const auto fail = [job](int code, const QString& text) {
        job->Post([code, text](TFTP* t) { emit t->TransferError(code, text); });
    };
    if (QHostAddress(host).protocol() != QAbstractSocket::IPv4Protocol) {
        fail(-1, QStringLiteral("not an IPv4 address: %1").arg(host));
        return;
    }
    if (!info.isFile()) {
        fail(-1, QStringLiteral("no such file: %1").arg(m_localFile));
        return;
    }
    if (info.size() > kMaxFileBytes) {
        fail(-1, QStringLiteral("the file is too large for TFTP"));
        return;
    }
    job->file = std::fopen(QFile::encodeName(info.absoluteFilePath()).constData(), "rb");
    if (!job->file) {
        fail(-1, QStringLiteral("cannot read %1").arg(m_localFile));
        return;
    }
    job->size = info.size();
    const QByteArray url =
        QStringLiteral("tftp://%1:%2/%3").arg(host).arg(Port()).arg(RemoteFileName()).toUtf8();
    InitCurl();
    job->thread = std::thread([job, url] {
        CURL* curl = curl_easy_init();
        CURLcode rc = CURLE_FAILED_INIT;
        char error[CURL_ERROR_SIZE] = {};
        if (curl) {
            curl_easy_setopt(curl, CURLOPT_URL, url.constData());
            curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(curl, CURLOPT_READDATA, job->file);
            curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(job->size));
            curl_easy_setopt(curl, CURLOPT_TFTP_NO_OPTIONS, 1L);
            curl_easy_setopt(curl, CURLOPT_TFTP_BLKSIZE, static_cast<long>(kBlockSize));
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, job.get());
            curl_easy_setopt(
                curl, CURLOPT_XFERINFOFUNCTION,
                +[](void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) -> int {
                    auto* j = static_cast<Job*>(data);
                    if (j->aborted)
                        return 1;
                    if (!j->started) {
                        j->started = true;
                        j->Post([](TFTP* t) { emit t->TransferStart(); });
                    }
                    const qint64 sent = std::min<qint64>(ulnow, j->size);
                    if (sent > j->lastReported && sent > 0) {
                        j->lastReported = sent;
                        j->Post([sent](TFTP* t) { emit t->Progress(sent); });
                    }
                    return 0;
                });
            rc = curl_easy_perform(curl);
            curl_easy_cleanup(curl);
        }
        std::fclose(job->file);
        job->file = nullptr;
        if (job->aborted)
            return;
        if (rc == CURLE_OK) {
            if (job->lastReported < job->size)
                job->Post([size = job->size](TFTP* t) { emit t->Progress(size); });
            job->Post([](TFTP* t) { emit t->TransferComplete(); });
        } else {
            const QString text = QString::fromUtf8(error[0] ? error : curl_easy_strerror(rc));
            job->Post([code = static_cast<int>(rc), text](TFTP* t) {
                emit t->TransferError(code, text);
            });
        }
    });
}
