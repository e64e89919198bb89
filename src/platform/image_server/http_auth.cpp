#include "platform/image_server/http_auth.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

bool IsTokenChar(char c)
{
    if (static_cast<unsigned char>(c) <= 32 || static_cast<unsigned char>(c) >= 127)
        return false;
    return !QByteArray("()<>@,;:\\\"/[]?={}").contains(c);
}

void SkipSpace(const QByteArray& s, qsizetype& i)
{
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
}

QByteArray ReadToken(const QByteArray& s, qsizetype& i)
{
    const qsizetype start = i;
    while (i < s.size() && IsTokenChar(s[i]))
        ++i;
    return s.mid(start, i - start);
}

// A quoted string (with backslash escapes) or a token; false when malformed.
bool ReadValue(const QByteArray& s, qsizetype& i, QByteArray& out)
{
    out.clear();
    if (i < s.size() && s[i] == '"') {
        ++i;
        while (i < s.size() && s[i] != '"') {
            if (s[i] == '\\' && i + 1 < s.size())
                ++i;
            out += s[i++];
        }
        if (i >= s.size())
            return false;
        ++i;
        return true;
    }
    // token68 values (Basic credentials) may end in '='.
    const qsizetype start = i;
    while (i < s.size() && s[i] != ',' && s[i] != ' ' && s[i] != '\t')
        ++i;
    out = s.mid(start, i - start);
    return !out.isEmpty();
}

QByteArray Hash(const QByteArray& algorithm, const QByteArray& data)
{
    const bool sha = algorithm.toUpper().startsWith("SHA-256");
    return QCryptographicHash::hash(data,
                                    sha ? QCryptographicHash::Sha256 : QCryptographicHash::Md5)
        .toHex();
}

}  // namespace

QList<AuthChallenge> ParseChallenges(const QList<QByteArray>& headerValues)
{
    QList<AuthChallenge> out;
    for (const QByteArray& value : headerValues) {
        qsizetype i = 0;
        AuthChallenge* current = nullptr;
        while (i < value.size()) {
            SkipSpace(value, i);
            if (i < value.size() && value[i] == ',') {
                ++i;
                continue;
            }
            QByteArray word = ReadToken(value, i);
            if (word.isEmpty()) {
                // Not a token: skip to the next comma.
                while (i < value.size() && value[i] != ',')
                    ++i;
                continue;
            }
            SkipSpace(value, i);
            if (i < value.size() && value[i] == '=' && current) {
                // auth-param of the current challenge.
                ++i;
                SkipSpace(value, i);
                QByteArray v;
                if (!ReadValue(value, i, v)) {
                    current = nullptr;
                    break;
                }
                const QByteArray key = word.toLower();
                if (!current->params.contains(key))
                    current->params.insert(key, v);
                continue;
            }
            if (i < value.size() && value[i] == '=') {
                // A parameter before any scheme: skip it.
                while (i < value.size() && value[i] != ',')
                    ++i;
                continue;
            }
            // A new scheme; its parameters follow.
            out.append(AuthChallenge{word.toLower(), {}});
            current = &out.last();
        }
    }
    return out;
}

void HttpAuthenticator::SetCredentials(const QString& user, const QString& password)
{
    if (user != user_ || password != password_) {
        user_ = user;
        password_ = password;
        nc_ = 0;
    }
}

void HttpAuthenticator::Reset()
{
    scheme_.clear();
    realm_.clear();
    nonce_.clear();
    opaque_.clear();
    algorithm_.clear();
    qop_.clear();
    nc_ = 0;
}

bool HttpAuthenticator::Accept(const QList<AuthChallenge>& challenges)
{
    const AuthChallenge* digest = nullptr;
    const AuthChallenge* basic = nullptr;
    for (const AuthChallenge& c : challenges) {
        if (c.scheme == "digest" && !digest && c.params.contains("nonce")) {
            const QByteArray alg = c.params.value("algorithm", "MD5").toUpper();
            if (alg == "MD5" || alg == "MD5-SESS" || alg == "SHA-256" || alg == "SHA-256-SESS") {
                const QByteArray qop = c.params.value("qop");
                // qop absent (old form) or offering auth.
                bool ok = qop.isEmpty();
                for (const QByteArray& q : qop.split(','))
                    ok = ok || q.trimmed().toLower() == "auth";
                if (ok)
                    digest = &c;
            }
        } else if (c.scheme == "basic" && !basic) {
            basic = &c;
        }
    }
    Reset();
    if (digest) {
        scheme_ = "digest";
        realm_ = digest->params.value("realm");
        nonce_ = digest->params.value("nonce");
        opaque_ = digest->params.value("opaque");
        algorithm_ = digest->params.value("algorithm");
        qop_ = digest->params.value("qop").isEmpty() ? QByteArray() : QByteArray("auth");
        return true;
    }
    if (basic) {
        scheme_ = "basic";
        realm_ = basic->params.value("realm");
        return true;
    }
    return false;
}

QByteArray DigestResponse(const QByteArray& algorithm, const QByteArray& user,
                          const QByteArray& realm, const QByteArray& password,
                          const QByteArray& method, const QByteArray& uri, const QByteArray& nonce,
                          const QByteArray& nc, const QByteArray& cnonce, const QByteArray& qop)
{
    QByteArray ha1 = Hash(algorithm, user + ':' + realm + ':' + password);
    if (algorithm.toUpper().endsWith("-SESS"))
        ha1 = Hash(algorithm, ha1 + ':' + nonce + ':' + cnonce);
    const QByteArray ha2 = Hash(algorithm, method + ':' + uri);
    if (qop.isEmpty())
        return Hash(algorithm, ha1 + ':' + nonce + ':' + ha2);
    return Hash(algorithm, ha1 + ':' + nonce + ':' + nc + ':' + cnonce + ':' + qop + ':' + ha2);
}

namespace {
// A quoted-string for a header. Control characters (a camera's challenge or a
// typed user name could hold line breaks) are dropped, so that nothing can
// end the header line early; the answer is then simply wrong.
QByteArray Quote(const QByteArray& v)
{
    QByteArray out = "\"";
    for (char c : v) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            continue;
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// A token for a header (algorithm, qop): only token characters pass.
QByteArray Token(const QByteArray& v)
{
    QByteArray out;
    for (char c : v)
        if (IsTokenChar(c))
            out += c;
    return out;
}
}  // namespace

QByteArray HttpAuthenticator::Authorization(const QByteArray& method, const QByteArray& uri)
{
    const QByteArray user = user_.toUtf8();
    const QByteArray password = password_.toUtf8();
    if (scheme_ == "basic")
        return "Basic " + (user + ':' + password).toBase64();
    if (scheme_ != "digest")
        return {};
    ++nc_;
    const QByteArray nc = QByteArray::number(nc_, 16).rightJustified(8, '0');
    QByteArray cnonce = fixedCnonce_;
    if (cnonce.isEmpty()) {
        const quint64 r = QRandomGenerator::system()->generate64();
        cnonce = QByteArray::number(r, 16);
    }
    const QByteArray response =
        DigestResponse(algorithm_.isEmpty() ? QByteArray("MD5") : algorithm_, user, realm_,
                       password, method, uri, nonce_, nc, cnonce, qop_);
    QByteArray h = "Digest username=" + Quote(user) + ", realm=" + Quote(realm_) + ", nonce="
                   + Quote(nonce_) + ", uri=" + Quote(uri) + ", response=" + Quote(response);
    if (!algorithm_.isEmpty())
        h += ", algorithm=" + Token(algorithm_);
    if (!opaque_.isEmpty())
        h += ", opaque=" + Quote(opaque_);
    if (!qop_.isEmpty())
        h += ", qop=" + qop_ + ", nc=" + nc + ", cnonce=" + Quote(cnonce);
    return h;
}
