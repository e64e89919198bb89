// The camera side of HTTP authentication: challenges and checks for Basic
// and Digest (MD5 and SHA-256).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <chrono>

class SimAuth {
public:
    SimAuth(QString realm, QString schemes) : realm_(std::move(realm)), schemes_(std::move(schemes))
    {
    }

    // True when the Authorization header proves user and password for this
    // request. `stale` is set when a Digest answer used an unknown or expired
    // nonce but was otherwise well formed.
    bool Check(const QByteArray& authorization, const QByteArray& method, const QByteArray& target,
               const QString& user, const QString& password, bool& stale);
    // WWW-Authenticate header values for a 401.
    QList<QByteArray> Challenges(bool stale);

private:
    QByteArray NewNonce();

    QString realm_;
    QString schemes_;
    QHash<QByteArray, std::chrono::steady_clock::time_point> nonces_;
};
