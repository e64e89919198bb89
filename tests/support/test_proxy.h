// A forward HTTP proxy on loopback for tests: it accepts requests in
// absolute form, records their request lines and relays them to the origin.
// It runs on a thread of its own so that a blocking client on the test's
// thread can use it.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMutex>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

class TestProxy {
public:
    TestProxy()
    {
        anchor_.moveToThread(&thread_);
        thread_.start();
        QMetaObject::invokeMethod(
            &anchor_,
            [this] {
                server_ = new QTcpServer(&anchor_);
                server_->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
                port_ = server_->serverPort();
                QObject::connect(server_, &QTcpServer::newConnection, &anchor_,
                                 [this] { Accept(); });
            },
            Qt::BlockingQueuedConnection);
    }
    ~TestProxy()
    {
        QMetaObject::invokeMethod(
            &anchor_, [this] { delete server_; }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    int port() const { return port_; }
    QStringList requestLines() const
    {
        QMutexLocker l(&mutex_);
        return lines_;
    }

private:
    struct Anchor : QObject {};
    void Accept()
    {
        while (QTcpSocket* client = server_->nextPendingConnection()) {
            auto* upstream = new QTcpSocket(client);
            auto* head = new QByteArray;
            QObject::connect(client, &QTcpSocket::disconnected, client, [client, head] {
                delete head;
                client->deleteLater();
            });
            QObject::connect(
                client, &QTcpSocket::readyRead, client, [this, client, upstream, head] {
                    if (upstream->state() != QAbstractSocket::UnconnectedState) {
                        upstream->write(client->readAll());
                        return;
                    }
                    head->append(client->readAll());
                    const qsizetype end = head->indexOf("\r\n\r\n");
                    if (end < 0)
                        return;
                    const QByteArray line = head->left(head->indexOf("\r\n"));
                    {
                        QMutexLocker l(&mutex_);
                        lines_ << QString::fromUtf8(line);
                    }
                    const QList<QByteArray> parts = line.split(' ');
                    const QUrl url(QString::fromUtf8(parts.value(1)));
                    if (parts.size() != 3 || url.scheme() != QLatin1String("http")) {
                        client->write("HTTP/1.1 400 Bad Request\r\nContent-Length: "
                                      "0\r\nConnection: close\r\n\r\n");
                        client->disconnectFromHost();
                        return;
                    }
                    QByteArray target = url.path(QUrl::FullyEncoded).toUtf8();
                    if (url.hasQuery())
                        target += '?' + url.query(QUrl::FullyEncoded).toUtf8();
                    const QByteArray forwarded =
                        parts[0] + ' ' + target + ' ' + parts[2] + head->mid(head->indexOf("\r\n"));
                    QObject::connect(upstream, &QTcpSocket::connected, client,
                                     [upstream, forwarded] { upstream->write(forwarded); });
                    QObject::connect(upstream, &QTcpSocket::readyRead, client,
                                     [client, upstream] { client->write(upstream->readAll()); });
                    QObject::connect(upstream, &QTcpSocket::disconnected, client,
                                     [client] { client->disconnectFromHost(); });
                    upstream->connectToHost(url.host(), static_cast<quint16>(url.port(80)));
                });
        }
    }

    QThread thread_;
    Anchor anchor_;
    QTcpServer* server_ = nullptr;
    int port_ = 0;
    mutable QMutex mutex_;
    QStringList lines_;
};
