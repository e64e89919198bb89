#include "platform/image_server/http_client.h"

#include <QHostAddress>

bool IsLocalAddress(const QString& host)
{
    const QString h = host.trimmed();
    QHostAddress a;
    if (!a.setAddress(h))
        return !h.isEmpty() && !h.contains(QLatin1Char('.'));
    if (a.isLoopback() || a.isLinkLocal())
        return true;
    if (a.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 v = a.toIPv4Address();
        return (v >> 24) == 10 || (v >> 20) == ((172u << 4) | 1u)
               || (v >> 16) == ((192u << 8) | 168u);
    }
    return a.isUniqueLocalUnicast();
}

bool ShouldUseProxy(const QString& cameraHost, bool enableProxy, const QString& proxyHost,
                    int proxyPort, bool bypassLocal, bool isLocalCamera)
{
    if (!enableProxy || proxyHost.trimmed().isEmpty() || proxyPort <= 0 || proxyPort > 65535)
        return false;
    if (bypassLocal && (isLocalCamera || IsLocalAddress(cameraHost)))
        return false;
    return true;
}

QByteArray HttpResponse::Header(const QByteArray& lowerName) const
{
    for (const auto& h : headers)
        if (h.first == lowerName)
            return h.second;
    return {};
}

QList<QByteArray> HttpResponse::Headers(const QByteArray& lowerName) const
{
    QList<QByteArray> out;
    for (const auto& h : headers)
        if (h.first == lowerName)
            out.append(h.second);
    return out;
}

namespace {

QByteArray HostPort(const QString& host, int port)
{
    QByteArray h = host.trimmed().toUtf8();
    if (h.contains(':'))
        h = '[' + h + ']';
    return h + ':' + QByteArray::number(port);
}

// Parses "HTTP/1.x 200 Reason" and the header lines; false when malformed.
bool ParseHead(const QByteArray& head, HttpResponse& r)
{
    const QList<QByteArray> lines = head.split('\n');
    if (lines.isEmpty())
        return false;
    QByteArray status = lines[0].trimmed();
    if (!status.startsWith("HTTP/1."))
        return false;
    const QList<QByteArray> parts = status.split(' ');
    if (parts.size() < 2)
        return false;
    bool ok = false;
    r.status = parts[1].toInt(&ok);
    if (!ok || r.status < 100 || r.status > 999)
        return false;
    r.reason = status.mid(parts[0].size() + parts[1].size() + 2);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        r.headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    return true;
}

}  // namespace

HttpResponse HttpConnection::Open(const CameraEndpoint& ep, HttpAuthenticator& auth,
                                  const QByteArray& method, const QByteArray& pathAndQuery,
                                  const QByteArray& body, const QByteArray& contentType,
                                  Deadline deadline, const CancelToken* cancel)
{
    auth.SetCredentials(ep.user, ep.password);
    bool answeredFresh = false;  // the last try answered a challenge received in this call
    HttpResponse r;
    for (int attempt = 0; attempt < 3; ++attempt) {
        r = OpenOnce(ep, auth, method, pathAndQuery, body, contentType, deadline, cancel);
        if (r.status != 401)
            return r;
        Close();
        const QList<AuthChallenge> challenges = ParseChallenges(r.Headers("www-authenticate"));
        bool stale = false;
        for (const AuthChallenge& c : challenges)
            stale = stale || (c.scheme == "digest" && c.params.value("stale").toLower() == "true");
        if (answeredFresh && !stale)
            return r;  // the credentials were refused
        if (!auth.Accept(challenges))
            return r;
        answeredFresh = true;
    }
    return r;
}

HttpResponse HttpConnection::OpenOnce(const CameraEndpoint& ep, HttpAuthenticator& auth,
                                      const QByteArray& method, const QByteArray& pathAndQuery,
                                      const QByteArray& body, const QByteArray& contentType,
                                      Deadline deadline, const CancelToken* cancel)
{
    HttpResponse r;
    raw_.clear();
    chunked_ = false;
    remaining_ = -1;
    chunkLeft_ = 0;
    chunkState_ = 0;
    done_ = false;

    const QString connectHost = ep.useProxy ? ep.proxyHost : ep.host;
    const int connectPort = ep.useProxy ? ep.proxyPort : ep.port;
    r.io = tcp_.Connect(connectHost, connectPort, deadline, cancel);
    if (r.io != IoResult::Ok) {
        r.error = tcp_.LastError();
        return r;
    }
    const QByteArray hostPort = HostPort(ep.host, ep.port);
    const QByteArray target = ep.useProxy ? "http://" + hostPort + pathAndQuery : pathAndQuery;
    QByteArray req = method + ' ' + target + " HTTP/1.1\r\nHost: " + hostPort
                     + "\r\nUser-Agent: camclient/1.0\r\nAccept: */*\r\nConnection: close\r\n";
    if (auth.HasChallenge())
        req += "Authorization: " + auth.Authorization(method, pathAndQuery) + "\r\n";
    if (!body.isEmpty() || method == "POST") {
        if (!contentType.isEmpty())
            req += "Content-Type: " + contentType + "\r\n";
        req += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    req += "\r\n" + body;
    r.io = tcp_.SendAll(req, deadline, cancel);
    if (r.io != IoResult::Ok) {
        r.error = tcp_.LastError();
        return r;
    }
    // Header block.
    qsizetype end = -1;
    qsizetype sepLen = 4;
    while (end < 0) {
        r.io = tcp_.ReadSome(raw_, 4096, deadline, cancel);
        if (r.io != IoResult::Ok) {
            r.error = r.io == IoResult::Closed
                          ? QStringLiteral("connection closed before an answer")
                          : tcp_.LastError();
            if (r.io == IoResult::Closed)
                r.io = IoResult::Failed;
            return r;
        }
        end = raw_.indexOf("\r\n\r\n");
        if (end < 0) {
            end = raw_.indexOf("\n\n");
            sepLen = 2;
        } else {
            sepLen = 4;
        }
        if (end < 0 && raw_.size() > kMaxHeaderBytes) {
            r.io = IoResult::Failed;
            r.error = QStringLiteral("answer header too large");
            return r;
        }
    }
    if (end > kMaxHeaderBytes || !ParseHead(raw_.left(end), r)) {
        r.io = IoResult::Failed;
        r.status = 0;
        r.error = QStringLiteral("malformed answer header");
        return r;
    }
    raw_.remove(0, end + sepLen);
    r.io = IoResult::Ok;
    chunked_ = r.Header("transfer-encoding").toLower().contains("chunked");
    if (!chunked_) {
        const QByteArray len = r.Header("content-length");
        bool ok = false;
        const qint64 n = len.toLongLong(&ok);
        remaining_ = ok && n >= 0 ? n : -1;
        if (remaining_ == 0)
            done_ = true;
    }
    if (method == "HEAD" || r.status == 204 || r.status == 304)
        done_ = true;
    return r;
}

IoResult HttpConnection::Fill(Deadline deadline, const CancelToken* cancel)
{
    return tcp_.ReadSome(raw_, 64 * 1024, deadline, cancel);
}

bool HttpConnection::Decode(QByteArray& out, int maxBytes)
{
    if (!chunked_) {
        qint64 take = std::min<qint64>(raw_.size(), maxBytes);
        if (remaining_ >= 0)
            take = std::min(take, remaining_);
        out.append(raw_.constData(), take);
        raw_.remove(0, take);
        if (remaining_ >= 0) {
            remaining_ -= take;
            if (remaining_ == 0)
                done_ = true;
        }
        return true;
    }
    qsizetype produced = 0;
    while (!done_ && produced < maxBytes) {
        if (chunkState_ == 0 || chunkState_ == 2 || chunkState_ == 3) {
            const qsizetype nl = raw_.indexOf('\n');
            if (nl < 0)
                return raw_.size() <= 1024;  // a line longer than that is not chunked coding
            QByteArray line = raw_.left(nl).trimmed();
            raw_.remove(0, nl + 1);
            if (chunkState_ == 2) {
                if (!line.isEmpty())
                    return false;
                chunkState_ = 0;
            } else if (chunkState_ == 3) {
                if (line.isEmpty())
                    done_ = true;
            } else {
                const qsizetype semi = line.indexOf(';');
                if (semi >= 0)
                    line.truncate(semi);
                bool ok = false;
                chunkLeft_ = line.trimmed().toLongLong(&ok, 16);
                if (!ok || chunkLeft_ < 0 || line.trimmed().size() > 15)
                    return false;
                chunkState_ = chunkLeft_ == 0 ? 3 : 1;
            }
            continue;
        }
        // chunk data
        if (raw_.isEmpty())
            break;
        const qint64 take = std::min<qint64>({chunkLeft_, raw_.size(), maxBytes - produced});
        out.append(raw_.constData(), take);
        raw_.remove(0, take);
        produced += take;
        chunkLeft_ -= take;
        if (chunkLeft_ == 0)
            chunkState_ = 2;
    }
    return true;
}

IoResult HttpConnection::ReadBody(QByteArray& out, int maxBytes, Deadline deadline,
                                  const CancelToken* cancel)
{
    const qsizetype before = out.size();
    for (;;) {
        if (!Decode(out, maxBytes))
            return IoResult::Failed;
        if (out.size() > before)
            return IoResult::Ok;
        if (done_)
            return IoResult::Closed;
        const IoResult r = Fill(deadline, cancel);
        if (r == IoResult::Closed) {
            // End of data: a complete body only when no length was promised.
            if (!Decode(out, maxBytes))
                return IoResult::Failed;
            if (out.size() > before)
                return IoResult::Ok;
            done_ = true;
            return remaining_ < 0 && !chunked_ ? IoResult::Closed : IoResult::Failed;
        }
        if (r != IoResult::Ok)
            return r;
    }
}

HttpResponse HttpRequest(const CameraEndpoint& ep, HttpAuthenticator& auth,
                         const QByteArray& method, const QByteArray& pathAndQuery, int timeoutMs,
                         const CancelToken* cancel, const QByteArray& body,
                         const QByteArray& contentType, int maxBody)
{
    const Deadline deadline = DeadlineIn(timeoutMs);
    HttpConnection c;
    HttpResponse r = c.Open(ep, auth, method, pathAndQuery, body, contentType, deadline, cancel);
    if (r.io != IoResult::Ok)
        return r;
    while (!c.BodyDone()) {
        const IoResult io = c.ReadBody(r.body, 64 * 1024, deadline, cancel);
        if (io == IoResult::Closed)
            break;
        if (io != IoResult::Ok) {
            r.io = io;
            r.error = QStringLiteral("body not received");
            return r;
        }
        if (r.body.size() > maxBody) {
            r.io = IoResult::Failed;
            r.error = QStringLiteral("answer too large");
            return r;
        }
    }
    return r;
}
