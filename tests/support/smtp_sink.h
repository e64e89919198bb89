// A small SMTP server on loopback for the mail tests. It runs on the thread
// that creates it (the test's event loop) and keeps every message it
// accepted. Options: offer STARTTLS (with a certificate made for the test),
// require a log-in, refuse recipients, hang up after the greeting.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

struct SinkMessage {
    QByteArray envelopeFrom;
    QList<QByteArray> recipients;
    QByteArray data;      // as received, dot-stuffing undone
    QByteArray authUser;  // "" = no log-in
    bool encrypted = false;
    qint64 connectedAtMs = 0;  // when the client connected (milliseconds since the epoch)
};

// A self-signed certificate for 127.0.0.1, made with the openssl tool.
struct TestCertificate {
    QTemporaryDir dir;
    QString certFile, keyFile;
    bool ok = false;
    TestCertificate()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
            return;
        certFile = dir.filePath(QStringLiteral("cert.pem"));
        keyFile = dir.filePath(QStringLiteral("key.pem"));
        QProcess p;
        p.start(QStringLiteral("openssl"),
                {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                 QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                 QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                 QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                 QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                 QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-keyout"), keyFile,
                 QStringLiteral("-out"), certFile});
        ok = p.waitForFinished(30000) && p.exitCode() == 0 && QFile::exists(certFile);
    }
};

class SmtpSink : public QTcpServer {
public:
    struct Options {
        QString certFile, keyFile;  // set: STARTTLS is offered
        QByteArray user, password;  // set: a log-in is required
        bool refuseRecipients = false;
        bool hangUpAfterGreeting = false;
        bool silent = false;  // accepts the connection and never answers
    };

    explicit SmtpSink(Options options) : options_(std::move(options))
    {
        listen(QHostAddress::LocalHost, 0);
    }

    QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(serverPort()); }
    QList<SinkMessage> messages;
    int connections = 0;
    int failedLogins = 0;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        ++connections;
        auto* socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        auto* state = new Session;
        state->connectedAtMs = QDateTime::currentMSecsSinceEpoch();
        state->current.connectedAtMs = state->connectedAtMs;
        QObject::connect(socket, &QSslSocket::readyRead, socket,
                         [this, socket, state] { OnData(socket, *state); });
        QObject::connect(socket, &QSslSocket::disconnected, socket, [socket, state] {
            delete state;
            socket->deleteLater();
        });
        if (options_.silent)
            return;
        if (options_.hangUpAfterGreeting) {
            socket->write("220 sink ready\r\n");
            socket->disconnectFromHost();
            return;
        }
        socket->write("220 sink ready\r\n");
    }

private:
    struct Session {
        QByteArray buffer;
        bool inData = false;
        bool authed = false;
        enum class Auth { None, LoginUser, LoginPassword, Plain } auth = Auth::None;
        QByteArray loginUser;
        qint64 connectedAtMs = 0;
        SinkMessage current;
    };

    void Reply(QSslSocket* s, const QByteArray& line) { s->write(line + "\r\n"); }

    bool CheckLogin(Session& st, const QByteArray& user, const QByteArray& password)
    {
        if (user == options_.user && password == options_.password) {
            st.authed = true;
            st.current.authUser = user;
            return true;
        }
        ++failedLogins;
        return false;
    }

    void OnData(QSslSocket* s, Session& st)
    {
        st.buffer += s->readAll();
        for (;;) {
            const qsizetype eol = st.buffer.indexOf("\r\n");
            if (eol < 0)
                return;
            QByteArray line = st.buffer.left(eol);
            st.buffer.remove(0, eol + 2);
            if (st.inData) {
                if (line == ".") {
                    st.inData = false;
                    st.current.encrypted = s->isEncrypted();
                    messages.push_back(st.current);
                    st.current =
                        SinkMessage{{}, {}, {}, st.current.authUser, false, st.connectedAtMs};
                    Reply(s, "250 queued");
                } else {
                    if (line.startsWith(".."))
                        line.remove(0, 1);
                    st.current.data += line + "\r\n";
                }
                continue;
            }
            if (st.auth != Session::Auth::None) {
                const QByteArray decoded = QByteArray::fromBase64(line);
                if (st.auth == Session::Auth::LoginUser) {
                    st.loginUser = decoded;
                    st.auth = Session::Auth::LoginPassword;
                    Reply(s, "334 UGFzc3dvcmQ6");
                } else {
                    const QList<QByteArray> parts = decoded.split('\0');
                    const bool ok = st.auth == Session::Auth::LoginPassword
                                        ? CheckLogin(st, st.loginUser, decoded)
                                        : parts.size() == 3 && CheckLogin(st, parts[1], parts[2]);
                    st.auth = Session::Auth::None;
                    Reply(s, ok ? "235 welcome" : "535 wrong user name or password");
                }
                continue;
            }
            const QByteArray upper = line.toUpper();
            const bool tlsOffered = !options_.certFile.isEmpty() && !s->isEncrypted();
            if (upper.startsWith("EHLO")) {
                s->write("250-sink\r\n");
                if (tlsOffered)
                    s->write("250-STARTTLS\r\n");
                if (!options_.user.isEmpty())
                    s->write("250-AUTH PLAIN LOGIN\r\n");
                Reply(s, "250 SIZE 20000000");
            } else if (upper.startsWith("HELO")) {
                Reply(s, "250 sink");
            } else if (upper == "STARTTLS" && tlsOffered) {
                Reply(s, "220 go ahead");
                s->flush();
                QFile cert(options_.certFile), key(options_.keyFile);
                cert.open(QIODevice::ReadOnly);
                key.open(QIODevice::ReadOnly);
                s->setLocalCertificate(QSslCertificate(cert.readAll()));
                s->setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
                s->startServerEncryption();
            } else if (upper.startsWith("AUTH PLAIN")) {
                const QByteArray initial = line.mid(10).trimmed();
                if (initial.isEmpty()) {
                    st.auth = Session::Auth::Plain;
                    Reply(s, "334 ");
                } else {
                    const QList<QByteArray> parts = QByteArray::fromBase64(initial).split('\0');
                    Reply(s, parts.size() == 3 && CheckLogin(st, parts[1], parts[2])
                                 ? "235 welcome"
                                 : "535 wrong user name or password");
                }
            } else if (upper.startsWith("AUTH LOGIN")) {
                st.auth = Session::Auth::LoginUser;
                Reply(s, "334 VXNlcm5hbWU6");
            } else if (upper.startsWith("MAIL FROM:")) {
                if (!options_.user.isEmpty() && !st.authed) {
                    Reply(s, "530 log in first");
                    continue;
                }
                st.current.envelopeFrom = line.mid(10).trimmed();
                if (const qsizetype close = st.current.envelopeFrom.indexOf('>'); close >= 0)
                    st.current.envelopeFrom.truncate(close + 1);  // without parameters (SIZE=...)
                st.current.recipients.clear();
                st.current.data.clear();
                Reply(s, "250 ok");
            } else if (upper.startsWith("RCPT TO:")) {
                if (options_.refuseRecipients) {
                    Reply(s, "550 no such user here");
                    continue;
                }
                st.current.recipients << line.mid(8).trimmed();
                Reply(s, "250 ok");
            } else if (upper == "DATA") {
                st.inData = true;
                Reply(s, "354 go on");
            } else if (upper == "QUIT") {
                Reply(s, "221 bye");
                s->disconnectFromHost();
                return;
            } else if (upper == "RSET" || upper == "NOOP") {
                Reply(s, "250 ok");
            } else {
                Reply(s, "502 not here");
            }
        }
    }

    Options options_;
};

// The parts of a received MIME message that the tests look at.
struct ParsedMail {
    QMap<QByteArray, QByteArray> headers;  // names in lower case, unfolded
    QByteArray text;                       // the first text/plain part
    QByteArray attachment;                 // the image/jpeg part, decoded
    QByteArray attachmentName;
};

inline QMap<QByteArray, QByteArray> ParseHeaders(const QByteArray& block)
{
    QMap<QByteArray, QByteArray> out;
    QByteArray last;
    for (const QByteArray& raw : block.split('\n')) {
        const QByteArray line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if ((line.startsWith(' ') || line.startsWith('\t')) && !last.isEmpty()) {
            out[last] += " " + line.trimmed();
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        last = line.left(colon).trimmed().toLower();
        out[last] = line.mid(colon + 1).trimmed();
    }
    return out;
}

inline ParsedMail ParseMail(const QByteArray& data)
{
    ParsedMail m;
    const qsizetype split = data.indexOf("\r\n\r\n");
    m.headers = ParseHeaders(data.left(split));
    const QByteArray type = m.headers.value("content-type");
    const qsizetype b = type.indexOf("boundary=");
    if (b < 0)
        return m;
    QByteArray boundary = type.mid(b + 9);
    if (boundary.startsWith('"'))
        boundary = boundary.mid(1, boundary.indexOf('"', 1) - 1);
    const QByteArray joined = data.mid(split + 4);
    const QByteArray marker = "--" + boundary;
    qsizetype at = joined.indexOf(marker);
    while (at >= 0) {
        const qsizetype start = at + marker.size();
        if (joined.mid(start, 2) == "--")
            break;
        const qsizetype next = joined.indexOf(marker, start);
        const QByteArray part = joined.mid(start, (next < 0 ? joined.size() : next) - start);
        const qsizetype hb = part.indexOf("\r\n\r\n");
        const QMap<QByteArray, QByteArray> h = ParseHeaders(part.left(hb));
        QByteArray body = part.mid(hb + 4);
        if (body.endsWith("\r\n"))
            body.chop(2);
        const QByteArray ptype = h.value("content-type").toLower();
        if (ptype.startsWith("image/jpeg")) {
            m.attachment = h.value("content-transfer-encoding").toLower() == "base64"
                               ? QByteArray::fromBase64(body)
                               : body;
            const QByteArray disposition = h.value("content-disposition");
            const qsizetype f = disposition.indexOf("filename=");
            if (f >= 0)
                m.attachmentName = disposition.mid(f + 9).replace('"', "");
        } else if (ptype.startsWith("text/plain") && m.text.isEmpty()) {
            m.text = body;
        }
        at = next;
    }
    return m;
}
