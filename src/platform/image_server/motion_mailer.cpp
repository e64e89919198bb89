#include "platform/image_server/motion_mailer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <curl/curl.h>

namespace mail {

QStringList Addresses(const QString& list)
{
    QStringList out;
    static const QRegularExpression separators(QStringLiteral("[,;]"));
    for (QString part : list.split(separators, Qt::SkipEmptyParts)) {
        part = part.trimmed();
        const qsizetype open = part.lastIndexOf(QLatin1Char('<'));
        const qsizetype close = part.lastIndexOf(QLatin1Char('>'));
        if (open >= 0 && close > open)
            part = part.mid(open + 1, close - open - 1).trimmed();
        // An address never holds blanks, control characters or angle brackets.
        bool clean = !part.isEmpty();
        for (QChar c : part)
            if (c.isSpace() || c.unicode() < 0x20 || c == QLatin1Char('<') || c == QLatin1Char('>'))
                clean = false;
        if (clean)
            out << part;
    }
    return out;
}

QString ServerUrl(const QString& server)
{
    const QString s = server.trimmed();
    if (s.isEmpty())
        return {};
    if (s.startsWith(QStringLiteral("smtp://"), Qt::CaseInsensitive)
        || s.startsWith(QStringLiteral("smtps://"), Qt::CaseInsensitive))
        return s;
    for (QChar c : s)
        if (c.isSpace() || c == QLatin1Char('/') || c == QLatin1Char('@') || c.unicode() < 0x20)
            return {};
    // A port is given when the text ends in :digits (after a bracketed IPv6 address, if any).
    static const QRegularExpression withPort(
        QStringLiteral("^(\\[[^\\]]+\\]|[^:\\[\\]]+):(\\d{1,5})$"));
    if (withPort.match(s).hasMatch())
        return QStringLiteral("smtp://") + s;
    if (s.count(QLatin1Char(':')) > 1 && !s.startsWith(QLatin1Char('[')))
        return QStringLiteral("smtp://[") + s + QStringLiteral("]:25");  // a bare IPv6 address
    return QStringLiteral("smtp://") + s + QStringLiteral(":25");
}

QByteArray HeaderText(const QString& text)
{
    QString clean;
    for (QChar c : text)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            clean += c;
    clean = clean.trimmed();
    bool ascii = true;
    for (QChar c : clean)
        ascii &= c.unicode() < 0x80;
    if (ascii)
        return clean.toLatin1();
    return "=?UTF-8?B?" + clean.toUtf8().toBase64() + "?=";
}

}  // namespace mail

namespace {

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Job {
    MailSettings settings;
    QString pictureFile;
    QByteArray jpeg;  // the picture to write first (motion), or the fallback (send now)
    bool writeFirst = false;
};

QByteArray RfcDate(const QDateTime& t)
{
    return QLocale::c().toString(t, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss ")).toLatin1()
           + (t.offsetFromUtc() >= 0 ? "+" : "-")
           + QByteArray::number(std::abs(t.offsetFromUtc()) / 3600).rightJustified(2, '0')
           + QByteArray::number(std::abs(t.offsetFromUtc()) % 3600 / 60).rightJustified(2, '0');
}

}  // namespace

struct MotionMailer::Impl {
    std::function<void(int)> onResult;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    bool busy = false;
    std::atomic<bool> quit{false};
    MailSettings settings;
    int intervalS = 5;
    bool mailedBefore = false;
    qint64 lastStartMs = 0;
    int started = 0;
    QString lastError;
    std::thread thread;

    void Run();
    int Send(const Job& job, QString& error);
    static int Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return static_cast<Impl*>(self)->quit ? 1 : 0;
    }
    void Queue(Job job, qint64 nowMs)
    {
        mailedBefore = true;
        lastStartMs = nowMs;
        ++started;
        busy = true;
        jobs.push_back(std::move(job));
        wake.notify_all();
    }
};

MotionMailer::MotionMailer(std::function<void(int)> onResult) : d_(std::make_unique<Impl>())
{
    GlobalInit();
    d_->onResult = std::move(onResult);
    d_->thread = std::thread([impl = d_.get()] { impl->Run(); });
}

MotionMailer::~MotionMailer()
{
    {
        std::lock_guard lock(d_->mutex);
        d_->quit = true;
        d_->jobs.clear();
    }
    d_->wake.notify_all();
    d_->thread.join();
}

void MotionMailer::SetSettings(const MailSettings& settings)
{
    std::lock_guard lock(d_->mutex);
    d_->settings = settings;
}

void MotionMailer::SetIntervalSeconds(int seconds)
{
    std::lock_guard lock(d_->mutex);
    d_->intervalS = std::max(0, seconds);
}

bool MotionMailer::OnMotion(const QByteArray& jpeg, const QString& pictureFile, qint64 nowMs)
{
    std::lock_guard lock(d_->mutex);
    if (d_->busy || jpeg.isEmpty())
        return false;
    if (d_->mailedBefore && nowMs >= d_->lastStartMs
        && nowMs - d_->lastStartMs < qint64(d_->intervalS) * 1000)
        return false;
    d_->Queue(Job{d_->settings, pictureFile, jpeg, true}, nowMs);
    return true;
}

void MotionMailer::SendNow(const QString& pictureFile, const QByteArray& fallbackJpeg, qint64 nowMs)
{
    std::lock_guard lock(d_->mutex);
    if (d_->jobs.size() >= 2)
        return;  // enough mails waiting already
    d_->Queue(Job{d_->settings, pictureFile, fallbackJpeg, false}, nowMs);
}

bool MotionMailer::Busy() const
{
    std::lock_guard lock(d_->mutex);
    return d_->busy;
}

QString MotionMailer::LastError() const
{
    std::lock_guard lock(d_->mutex);
    return d_->lastError;
}

int MotionMailer::MailsStarted() const
{
    std::lock_guard lock(d_->mutex);
    return d_->started;
}

void MotionMailer::Impl::Run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [&] { return quit || !jobs.empty(); });
            if (quit)
                return;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        QString error;
        int code = kFailed;
        try {
            code = Send(job, error);
        } catch (const std::exception& e) {
            error = QString::fromLocal8Bit(e.what());
        }
        {
            std::lock_guard lock(mutex);
            lastError = error;
            busy = !jobs.empty();
        }
        if (quit)
            return;
        if (onResult)
            onResult(code);
    }
}

int MotionMailer::Impl::Send(const Job& job, QString& error)
{
    // The picture: written for the program (which may show or delete it), then attached.
    QByteArray picture;
    if (job.writeFirst) {
        picture = job.jpeg;
    } else {
        QFile f(job.pictureFile);
        if (!job.pictureFile.isEmpty() && f.open(QIODevice::ReadOnly))
            picture = f.read(64LL * 1024 * 1024);
        if (picture.isEmpty()) {
            picture = job.jpeg;
            if (!picture.isEmpty() && !job.pictureFile.isEmpty()) {
                QSaveFile out(job.pictureFile);
                if (!out.open(QIODevice::WriteOnly) || out.write(picture) != picture.size()
                    || !out.commit())
                    error = QStringLiteral("cannot write the picture %1").arg(job.pictureFile);
            }
        }
    }
    if (job.writeFirst && !job.pictureFile.isEmpty()) {
        QSaveFile out(job.pictureFile);
        if (!out.open(QIODevice::WriteOnly) || out.write(picture) != picture.size()
            || !out.commit()) {
            error = QStringLiteral("cannot write the picture %1").arg(job.pictureFile);
            // The mail still goes out: the picture is in memory.
        }
    }
    if (picture.isEmpty()) {
        error = QStringLiteral("no picture to send");
        return kFailed;
    }

    const MailSettings& s = job.settings;
    const QString url = mail::ServerUrl(s.server);
    const QStringList to = mail::Addresses(s.to);
    const QStringList from = mail::Addresses(s.from);
    if (url.isEmpty()) {
        error = QStringLiteral("no usable mail server is set");
        return kFailed;
    }
    if (to.isEmpty()) {
        error = QStringLiteral("no recipient is set");
        return kFailed;
    }

    CURL* curl = curl_easy_init();
    if (!curl) {
        error = QStringLiteral("the mail library cannot start");
        return kFailed;
    }
    curl_slist* recipients = nullptr;
    curl_slist* headers = nullptr;
    curl_mime* mime = nullptr;
    char curlError[CURL_ERROR_SIZE] = {};

    const QByteArray urlBytes = url.toUtf8();
    const QByteArray fromEnvelope =
        "<" + (from.isEmpty() ? QByteArray() : from.first().toUtf8()) + ">";
    for (const QString& r : to)
        recipients = curl_slist_append(recipients, ("<" + r.toUtf8() + ">").constData());
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray messageId =
        "<" + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + "."
        + QByteArray::number(now.toMSecsSinceEpoch()) + "@camclient>";
    headers = curl_slist_append(headers, ("Date: " + RfcDate(now)).constData());
    headers = curl_slist_append(headers, ("From: " + mail::HeaderText(s.from)).constData());
    headers = curl_slist_append(headers, ("To: " + mail::HeaderText(s.to)).constData());
    headers = curl_slist_append(headers, ("Subject: " + mail::HeaderText(s.subject)).constData());
    headers = curl_slist_append(headers, ("Message-ID: " + messageId).constData());

    mime = curl_mime_init(curl);
    curl_mimepart* text = curl_mime_addpart(mime);
    const QByteArray body = "Motion was detected at "
                            + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1()
                            + ".\r\nThe camera's picture is attached.\r\n";
    curl_mime_data(text, body.constData(), static_cast<size_t>(body.size()));
    curl_mime_type(text, "text/plain; charset=utf-8");
    curl_mimepart* image = curl_mime_addpart(mime);
    curl_mime_data(image, picture.constData(), static_cast<size_t>(picture.size()));
    curl_mime_type(image, "image/jpeg");
    QString name = QFileInfo(job.pictureFile).fileName();
    if (name.isEmpty())
        name = QStringLiteral("motion.jpg");
    curl_mime_filename(image, mail::HeaderText(name).constData());
    curl_mime_encoder(image, "base64");

    const QByteArray user = s.userName.toUtf8();
    const QByteArray password = s.password.toUtf8();
    const QByteArray caFile = QFile::encodeName(s.caFile);
    curl_easy_setopt(curl, CURLOPT_URL, urlBytes.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, fromEnvelope.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    if (!user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(s.timeoutMs));
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Impl::Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);

    const CURLcode rc = curl_easy_perform(curl);
    curl_off_t connectUs = 0;
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectUs);
    long response = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response);

    curl_mime_free(mime);
    curl_slist_free_all(headers);
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);

    if (rc == CURLE_OK)
        return kSent;
    error = QStringLiteral("%1 (%2)")
                .arg(QString::fromUtf8(curlError[0] ? curlError : curl_easy_strerror(rc)))
                .arg(response);
    const bool noConnection = rc == CURLE_COULDNT_RESOLVE_HOST || rc == CURLE_COULDNT_CONNECT
                              || (rc == CURLE_OPERATION_TIMEDOUT && connectUs == 0);
    return noConnection ? kUnreachable : kFailed;
}
