// HTTP authentication: parsing the challenges of a 401 answer and building the
// Authorization header for Basic and Digest (MD5 and SHA-256, qop=auth).
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

struct AuthChallenge {
    QByteArray scheme;                    // lower case: "basic", "digest", ...
    QMap<QByteArray, QByteArray> params;  // keys lower case, values unquoted
};

// Parses the values of every WWW-Authenticate header of an answer. Malformed
// parts are skipped; the result holds only what could be read.
QList<AuthChallenge> ParseChallenges(const QList<QByteArray>& headerValues);

// Keeps what a camera last asked for and answers requests with it.
class HttpAuthenticator {
public:
    void SetCredentials(const QString& user, const QString& password);
    // Takes the challenges of a 401; returns false when none can be answered.
    bool Accept(const QList<AuthChallenge>& challenges);
    bool HasChallenge() const { return !scheme_.isEmpty(); }
    void Reset();
    // The Authorization header value for a request, empty when no challenge is known.
    QByteArray Authorization(const QByteArray& method, const QByteArray& uri);
    // For tests: a fixed client nonce instead of a random one.
    void SetClientNonceForTest(const QByteArray& cnonce) { fixedCnonce_ = cnonce; }

private:
    QString user_, password_;
    QByteArray scheme_;  // "basic" or "digest"
    QByteArray realm_, nonce_, opaque_, algorithm_, qop_;
    quint32 nc_ = 0;
    QByteArray fixedCnonce_;
};

// Digest response value (RFC 7616) for the given parts; algorithm "MD5",
// "SHA-256" (with or without "-sess"); qop empty or "auth".
QByteArray DigestResponse(const QByteArray& algorithm, const QByteArray& user,
                          const QByteArray& realm, const QByteArray& password,
                          const QByteArray& method, const QByteArray& uri, const QByteArray& nonce,
                          const QByteArray& nc, const QByteArray& cnonce, const QByteArray& qop);
