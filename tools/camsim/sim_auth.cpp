#include "sim_auth.h"

#include <QCryptographicHash>
#include <QMap>
#include <QRandomGenerator>

namespace {

constexpr auto kNonceLife = std::chrono::minutes(5);

QMap<QByteArray, QByteArray> ParseParams(const QByteArray& s)
{
    QMap<QByteArray, QByteArray> out;
    qsizetype i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == ',' || s[i] == '\t'))
            ++i;
        const qsizetype eq = s.indexOf('=', i);
        if (eq < 0)
            break;
        const QByteArray key = s.mid(i, eq - i).trimmed().toLower();
        i = eq + 1;
        QByteArray v;
        if (i < s.size() && s[i] == '"') {
            ++i;
            while (i < s.size() && s[i] != '"') {
                if (s[i] == '\\' && i + 1 < s.size())
                    ++i;
                v += s[i++];
            }
            ++i;
        } else {
            while (i < s.size() && s[i] != ',')
                v += s[i++];
            v = v.trimmed();
        }
        out.insert(key, v);
    }
    return out;
}

QByteArray H(const QByteArray& alg, const QByteArray& d)
{
    return QCryptographicHash::hash(d, alg.toUpper().startsWith("SHA-256")
                                           ? QCryptographicHash::Sha256
                                           : QCryptographicHash::Md5)
        .toHex();
}

}  // namespace

QByteArray SimAuth::NewNonce()
{
    const auto now = std::chrono::steady_clock::now();
    for (auto it = nonces_.begin(); it != nonces_.end();)
        it = now - it.value() > kNonceLife ? nonces_.erase(it) : std::next(it);
    QByteArray n = QByteArray::number(QRandomGenerator::system()->generate64(), 16)
                   + QByteArray::number(QRandomGenerator::system()->generate64(), 16);
    nonces_.insert(n, now);
    return n;
}

QList<QByteArray> SimAuth::Challenges(bool stale)
{
    QList<QByteArray> out;
    const QByteArray realm = realm_.toUtf8();
    if (schemes_ != QLatin1String("basic"))
        out << "Digest realm=\"" + realm + "\", nonce=\"" + NewNonce()
                   + "\", qop=\"auth\", algorithm=MD5" + (stale ? ", stale=true" : "");
    if (schemes_ != QLatin1String("digest"))
        out << "Basic realm=\"" + realm + "\"";
    return out;
}

bool SimAuth::Check(const QByteArray& authorization, const QByteArray& method,
                    const QByteArray& target, const QString& user, const QString& password,
                    bool& stale)
{
    stale = false;
    const QByteArray a = authorization.trimmed();
    const qsizetype sp = a.indexOf(' ');
    if (sp <= 0)
        return false;
    const QByteArray scheme = a.left(sp).toLower();
    const QByteArray rest = a.mid(sp + 1);
    if (scheme == "basic") {
        if (schemes_ == QLatin1String("digest"))
            return false;
        const QByteArray decoded = QByteArray::fromBase64(rest.trimmed());
        return decoded == user.toUtf8() + ':' + password.toUtf8();
    }
    if (scheme != "digest" || schemes_ == QLatin1String("basic"))
        return false;
    const auto p = ParseParams(rest);
    const QByteArray uri = p.value("uri");
    // The uri names this request: its origin form, or an absolute form ending in it.
    if (uri != target
        && !(uri.startsWith("http://") && uri.endsWith(target)
             && uri.indexOf('/', 7) == uri.size() - target.size()))
        return false;
    if (p.value("username") != user.toUtf8() || p.value("realm") != realm_.toUtf8())
        return false;
    const QByteArray alg = p.value("algorithm", "MD5");
    const QByteArray nonce = p.value("nonce");
    QByteArray ha1 = H(alg, user.toUtf8() + ':' + realm_.toUtf8() + ':' + password.toUtf8());
    if (alg.toUpper().endsWith("-SESS"))
        ha1 = H(alg, ha1 + ':' + nonce + ':' + p.value("cnonce"));
    const QByteArray ha2 = H(alg, method + ':' + uri);
    const QByteArray qop = p.value("qop");
    const QByteArray expected = qop.isEmpty()
                                    ? H(alg, ha1 + ':' + nonce + ':' + ha2)
                                    : H(alg, ha1 + ':' + nonce + ':' + p.value("nc") + ':'
                                                 + p.value("cnonce") + ':' + qop + ':' + ha2);
    if (expected != p.value("response").toLower())
        return false;
    const auto it = nonces_.constFind(nonce);
    if (it == nonces_.constEnd() || std::chrono::steady_clock::now() - it.value() > kNonceLife) {
        stale = true;
        return false;
    }
    return true;
}
