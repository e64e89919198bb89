#include "discovery/web_post.h"

#include "foundation/helpers.h"

#include <QList>
#include <QPair>
#include <climits>
#include <cmath>

namespace {

const QString kSettingsPage = QStringLiteral("onfig1.htm");
// No camera form has more fields; a larger body is read up to here.
constexpr qsizetype kMaxFields = 1000;

QList<QPair<QString, QString>> Fields(const QByteArray& body)
{
    QList<QPair<QString, QString>> out;
    for (const QByteArray& pair : body.split('&')) {
        if (out.size() >= kMaxFields)
            break;
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        const QByteArray name = eq < 0 ? pair : pair.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : pair.mid(eq + 1);
        // URLDecode reads bytes as Latin-1 text; the escapes carry the rest.
        out.append({URLDecode(QString::fromLatin1(name)), URLDecode(QString::fromLatin1(value))});
    }
    return out;
}

std::optional<QString> Find(const QList<QPair<QString, QString>>& fields, const QString& name)
{
    for (const auto& f : fields)
        if (f.first == name)
            return f.second;
    return std::nullopt;
}

}  // namespace

int LeadingNumber(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    double value = 0;
    if (text.mid(i, 2).compare(QLatin1String("&H"), Qt::CaseInsensitive) == 0) {
        i += 2;
        qint64 v = 0;
        qsizetype digits = 0;
        while (i < text.size() && digits < 8) {
            const int d = QStringView(text).mid(i, 1).toInt(nullptr, 16);
            const bool hex =
                text[i].isDigit()
                || (text[i].toLower() >= QLatin1Char('a') && text[i].toLower() <= QLatin1Char('f'));
            if (!hex)
                break;
            v = v * 16 + d;
            ++i;
            ++digits;
        }
        return static_cast<int>(static_cast<qint32>(static_cast<quint32>(v)));
    }
    // sign, digits, point, digits, exponent
    const qsizetype start = i;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype mantissa = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        ++mantissa;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            ++mantissa;
        }
    }
    if (mantissa == 0)
        return 0;
    qsizetype end = i;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            ++j;
        qsizetype expDigits = 0;
        while (j < text.size() && text[j].isDigit() && text[j].unicode() < 128) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            end = j;
    }
    bool ok = false;
    value = text.mid(start, end - start).toDouble(&ok);
    if (!ok || std::isnan(value))
        return 0;
    value = std::nearbyint(value);
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

std::optional<WebPost> ParseWebPost(const QString& url, const QByteArray& body)
{
    if (body.isEmpty())
        return std::nullopt;
    const auto fields = Fields(body);
    WebPost post;
    post.settingsPage = url.contains(kSettingsPage);
    if (!post.settingsPage && !Find(fields, QStringLiteral("Sys_ID")))
        return std::nullopt;
    const auto text = [&](const char* name) {
        return Find(fields, QString::fromLatin1(name)).value_or(QString());
    };
    const auto number = [&](const char* name, int fallback) {
        const auto v = Find(fields, QString::fromLatin1(name));
        return v ? LeadingNumber(*v) : fallback;
    };
    if (post.settingsPage) {
        post.serverName = Find(fields, QStringLiteral("SRV_Name"));
        post.serverLocation = Find(fields, QStringLiteral("SRV_Location"));
        post.ipAddress = Find(fields, QStringLiteral("IP_Address"));
    }
    post.userName = text("Sys_ID");
    post.password = text("Sys_Password");
    post.secondPort = number("Second_Port", 0);
    post.webSecond = number("Web_Second", 0);
    post.imageSecond = number("Image_Second", 0);
    post.ipAssign = number("IP_ASSIGN", 1);
    return post;
}
