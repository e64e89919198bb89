// A small HTTP/1.1 client for the camera protocol: one connection per
// request, Basic and Digest authentication, forward proxies, bounded reads,
// deadlines and cancellation. Used on worker threads for streams and, with a
// short deadline, on the GUI thread for synchronous requests.
#pragma once

#include "platform/image_server/http_auth.h"
#include "platform/image_server/tcp_stream.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Where a request goes and how.
struct CameraEndpoint {
    QString host;
    int port = 0;
    QString user;
    QString password;
    bool useProxy = false;
    QString proxyHost;
    int proxyPort = 0;
};

// The proxy rule: with `enableProxy`, requests go through the proxy unless
// `bypassLocal` is set and the camera is local (flagged so, or a loopback,
// private or link-local address, or a host name without a dot).
bool ShouldUseProxy(const QString& cameraHost, bool enableProxy, const QString& proxyHost,
                    int proxyPort, bool bypassLocal, bool isLocalCamera);
bool IsLocalAddress(const QString& host);

struct HttpResponse {
    IoResult io = IoResult::Failed;  // transport outcome of the header read
    int status = 0;                  // 0: no HTTP answer
    QByteArray reason;
    QList<QPair<QByteArray, QByteArray>> headers;  // names lower case
    QByteArray body;                               // whole body (Request) or empty (Open)
    QString error;                                 // why it failed, for logs

    QByteArray Header(const QByteArray& lowerName) const;
    QList<QByteArray> Headers(const QByteArray& lowerName) const;
    bool Ok() const { return status >= 200 && status < 300; }
};

class HttpConnection {
public:
    static constexpr int kMaxHeaderBytes = 16 * 1024;

    // Sends the request and reads the answer's status and headers; answers a
    // 401 with the camera's challenge and tries again (a second 401 stands).
    HttpResponse Open(const CameraEndpoint& ep, HttpAuthenticator& auth, const QByteArray& method,
                      const QByteArray& pathAndQuery, const QByteArray& body,
                      const QByteArray& contentType, Deadline deadline, const CancelToken* cancel);
    // Reads more of the body (chunked coding removed), appending at most about
    // maxBytes to `out`. Closed means the body ended.
    IoResult ReadBody(QByteArray& out, int maxBytes, Deadline deadline, const CancelToken* cancel);
    bool BodyDone() const { return done_; }
    void Close() { tcp_.Close(); }

private:
    HttpResponse OpenOnce(const CameraEndpoint& ep, HttpAuthenticator& auth,
                          const QByteArray& method, const QByteArray& pathAndQuery,
                          const QByteArray& body, const QByteArray& contentType, Deadline deadline,
                          const CancelToken* cancel);
    IoResult Fill(Deadline deadline, const CancelToken* cancel);
    // Moves decoded body bytes from raw_ to out; returns false on a framing error.
    bool Decode(QByteArray& out, int maxBytes);

    TcpStream tcp_;
    QByteArray raw_;  // received, not yet consumed
    bool chunked_ = false;
    qint64 remaining_ = -1;  // Content-Length left; -1 until close
    qint64 chunkLeft_ = 0;
    int chunkState_ = 0;  // 0 size line, 1 data, 2 CRLF after data, 3 trailers
    bool done_ = false;
};

// One whole request: the answer with its body (at most maxBody bytes; a
// larger body fails the request).
HttpResponse HttpRequest(const CameraEndpoint& ep, HttpAuthenticator& auth,
                         const QByteArray& method, const QByteArray& pathAndQuery, int timeoutMs,
                         const CancelToken* cancel = nullptr, const QByteArray& body = {},
                         const QByteArray& contentType = {}, int maxBody = 64 * 1024);
