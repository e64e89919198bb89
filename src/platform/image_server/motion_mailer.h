// Mail on motion: a camera's picture sent over SMTP (libcurl), as a MIME
// message with the JPEG attached.
//
// - Mails go out on a thread of their own; nothing here waits for the network
//   on the caller's thread. The result comes through the callback (on that
//   thread): sent, refused (the server said no: log-in, sender, recipient,
//   message; or the settings are incomplete) or unreachable (no connection).
// - The connection is encrypted with STARTTLS whenever the server offers it,
//   and the server's certificate must then be valid. With a user name set,
//   the client logs in (AUTH) with the mechanism the server offers.
// - On motion, at most one mail per interval; the interval counts from the
//   start of the last mail, sent or not, so a failing server is not hammered.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

struct MailSettings {
    QString
        server;  // "host", "host:port" (port 25 when not given), or an smtp:// or smtps:// address
    QString to;  // one or more addresses, separated by "," or ";"
    QString from;
    QString subject;
    QString userName;  // "" = no log-in
    QString password;
    QString caFile;  // certificates trusted besides the system's ("" = the system's only)
    int connectTimeoutMs = 10000;
    int timeoutMs = 60000;
};

class MotionMailer {
public:
    static constexpr int kSent = 19;
    static constexpr int kFailed = 20;
    static constexpr int kUnreachable = 21;

    explicit MotionMailer(std::function<void(int code)> onResult);
    ~MotionMailer();  // a mail on its way is abandoned
    MotionMailer(const MotionMailer&) = delete;
    MotionMailer& operator=(const MotionMailer&) = delete;

    void SetSettings(const MailSettings& settings);
    void SetIntervalSeconds(int seconds);

    // Motion seen at `nowMs` (a steady clock, in milliseconds). When the
    // interval has passed and no mail is on its way, the picture is written to
    // `pictureFile` (when one is named) and mailed. True when a mail was started.
    bool OnMotion(const QByteArray& jpeg, const QString& pictureFile, qint64 nowMs);
    // Mails `pictureFile` at once, whatever the interval. When the file cannot
    // be read, `fallbackJpeg` is written to it and sent instead.
    void SendNow(const QString& pictureFile, const QByteArray& fallbackJpeg, qint64 nowMs);

    bool Busy() const;
    QString LastError() const;
    int MailsStarted() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The pieces of a mail, exposed for their own tests.
namespace mail {
// The addresses of an address list: "Ann <ann@x.org>; bob@y.org" gives ann@x.org, bob@y.org.
QStringList Addresses(const QString& list);
// The libcurl address for a server setting.
QString ServerUrl(const QString& server);
// A header value, safe to send: control characters taken out; non-ASCII text
// encoded as an RFC 2047 word.
QByteArray HeaderText(const QString& text);
}  // namespace mail
