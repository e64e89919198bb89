#include "foundation/ini_values.h"

#include "platform/settings_file.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace ini {
namespace {

bool isAsciiSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

QStringView trimAscii(QStringView t)
{
    while (!t.isEmpty() && isAsciiSpace(t.front().unicode()))
        t = t.sliced(1);
    while (!t.isEmpty() && isAsciiSpace(t.back().unicode()))
        t.chop(1);
    return t;
}

std::optional<double> radixValue(QStringView digits, int radix)
{
    if (digits.isEmpty())
        return std::nullopt;
    double value = 0;
    for (const QChar qc : digits) {
        const char16_t c = qc.unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else
            return std::nullopt;
        if (d >= radix)
            return std::nullopt;
        value = value * radix + d;  // reaches infinity for absurdly long texts, which is fine
    }
    return value;
}

}  // namespace

std::optional<double> NumericValue(QStringView text)
{
    const QStringView t = trimAscii(text);
    if (t.size() >= 2 && t[0] == u'&') {
        const char16_t kind = t[1].unicode();
        if (kind == u'H' || kind == u'h')
            return radixValue(t.sliced(2), 16);
        if (kind == u'O' || kind == u'o')
            return radixValue(t.sliced(2), 8);
        return std::nullopt;
    }

    // [+-]? (digits (. digits?)? | . digits) ([eEdD] [+-]? digits)?
    qsizetype i = 0;
    const qsizetype n = t.size();
    bool negative = false;
    if (i < n && (t[i] == u'+' || t[i] == u'-'))
        negative = t[i++] == u'-';
    const qsizetype intStart = i;
    while (i < n && isDigit(t[i].unicode()))
        ++i;
    const QStringView intPart = t.sliced(intStart, i - intStart);
    QStringView fracPart;
    if (i < n && t[i] == u'.') {
        const qsizetype fracStart = ++i;
        while (i < n && isDigit(t[i].unicode()))
            ++i;
        fracPart = t.sliced(fracStart, i - fracStart);
    }
    if (intPart.isEmpty() && fracPart.isEmpty())
        return std::nullopt;
    bool expNegative = false;
    QStringView expPart;
    if (i < n) {
        const char16_t e = t[i].unicode();
        if (e != u'e' && e != u'E' && e != u'd' && e != u'D')
            return std::nullopt;
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-'))
            expNegative = t[i++] == u'-';
        const qsizetype expStart = i;
        while (i < n && isDigit(t[i].unicode()))
            ++i;
        expPart = t.sliced(expStart, i - expStart);
        if (expPart.isEmpty() || i != n)
            return std::nullopt;
    }

    // Canonical ASCII form for from_chars, which never looks at the locale.
    std::string canon;
    canon.reserve(static_cast<size_t>(t.size()) + 4);
    if (negative)
        canon += '-';
    for (const QChar c : intPart)
        canon += static_cast<char>(c.unicode());
    if (intPart.isEmpty())
        canon += '0';
    if (!fracPart.isEmpty()) {
        canon += '.';
        for (const QChar c : fracPart)
            canon += static_cast<char>(c.unicode());
    }
    if (!expPart.isEmpty()) {
        canon += 'e';
        if (expNegative)
            canon += '-';
        for (const QChar c : expPart)
            canon += static_cast<char>(c.unicode());
    }

    double value = 0;
    const auto [ptr, ec] = std::from_chars(canon.data(), canon.data() + canon.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Decide between overflow and underflow from the decimal magnitude.
        qsizetype lead = 0;
        while (lead < intPart.size() && intPart[lead] == u'0')
            ++lead;
        long long magnitude;
        if (lead < intPart.size()) {
            magnitude = intPart.size() - lead;
        } else {
            qsizetype zeros = 0;
            while (zeros < fracPart.size() && fracPart[zeros] == u'0')
                ++zeros;
            if (zeros == fracPart.size())
                return negative ? -0.0 : 0.0;  // all digits zero
            magnitude = -static_cast<long long>(zeros);
        }
        long long exponent = 0;
        for (const QChar c : expPart) {
            exponent = exponent * 10 + (c.unicode() - u'0');
            if (exponent > 1'000'000'000)
                break;
        }
        magnitude += expNegative ? -exponent : exponent;
        if (magnitude > 0)
            return negative ? -std::numeric_limits<double>::infinity()
                            : std::numeric_limits<double>::infinity();
        return negative ? -0.0 : 0.0;
    }
    if (ec != std::errc() || ptr != canon.data() + canon.size())
        return std::nullopt;
    return value;
}

bool IsAbsent(const std::optional<QString>& value)
{
    if (!value)
        return true;
    const std::optional<double> number = NumericValue(*value);
    return number && *number == 0;
}

namespace {

double roundHalfEven(double x)
{
    const double low = std::floor(x);
    const double diff = x - low;
    if (diff < 0.5)
        return low;
    if (diff > 0.5)
        return low + 1;
    return std::fmod(low, 2.0) == 0 ? low : low + 1;
}

QString shown(QStringView text)
{
    return text.size() > 40 ? text.first(40).toString() + QStringLiteral("...") : text.toString();
}

template <typename Int> Int toInteger(QStringView text)
{
    const std::optional<double> number = NumericValue(text);
    if (!number)
        throw IniError(QStringLiteral("\"%1\" is not a number").arg(shown(text)).toStdString());
    const double r = std::isfinite(*number) ? roundHalfEven(*number) : *number;
    if (!(r >= static_cast<double>(std::numeric_limits<Int>::min())
          && r <= static_cast<double>(std::numeric_limits<Int>::max())))
        throw IniError(QStringLiteral("\"%1\" is outside %2..%3")
                           .arg(shown(text))
                           .arg(std::numeric_limits<Int>::min())
                           .arg(std::numeric_limits<Int>::max())
                           .toStdString());
    return static_cast<Int>(r);
}

}  // namespace

qint16 ToInt16(QStringView text) { return toInteger<qint16>(text); }
qint32 ToInt32(QStringView text) { return toInteger<qint32>(text); }

float ToFloat(QStringView text)
{
    const std::optional<double> number = NumericValue(text);
    if (!number)
        throw IniError(QStringLiteral("\"%1\" is not a number").arg(shown(text)).toStdString());
    if (!std::isfinite(*number) || std::fabs(*number) > std::numeric_limits<float>::max())
        throw IniError(QStringLiteral("\"%1\" is out of range").arg(shown(text)).toStdString());
    return static_cast<float>(*number);
}

bool ToFlag(QStringView text)
{
    const QStringView t = trimAscii(text);
    if (t.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<double> number = NumericValue(t);
    if (!number)
        throw IniError(
            QStringLiteral("\"%1\" is not True, False or a number").arg(shown(text)).toStdString());
    return *number != 0;
}

void RequireRange(const QString& section, const QString& key, long long value, long long min,
                  long long max)
{
    if (value < min || value > max)
        throw IniError(QStringLiteral("[%1] %2 = %3 is outside %4..%5")
                           .arg(section, key)
                           .arg(value)
                           .arg(min)
                           .arg(max)
                           .toStdString());
}

}  // namespace ini

void IniReader::fail(QStringView section, QStringView key, const QString& value, const char* what)
{
    Q_UNUSED(value);  // `what` quotes it
    throw IniError(QStringLiteral("[%1] %2 = %3")
                       .arg(section.toString(), key.toString(), QLatin1String(what))
                       .toStdString());
}

std::optional<QString> IniReader::numericCandidate(QStringView section, QStringView key) const
{
    std::optional<QString> value = m_file.GetValue(section, key);
    if (ini::IsAbsent(value) || value->trimmed().isEmpty())
        return std::nullopt;
    return value;
}

template <typename T, typename Convert>
bool IniReader::convertValue(QStringView section, QStringView key,
                             const std::optional<QString>& value, T& out, Convert convert)
{
    if (!value)
        return false;
    try {
        out = convert(*value);
    } catch (const IniError& e) {
        fail(section, key, *value, e.what());
    }
    return true;
}

bool IniReader::Int16(QStringView section, QStringView key, qint16& out) const
{
    return convertValue(section, key, numericCandidate(section, key), out, ini::ToInt16);
}

bool IniReader::Int32(QStringView section, QStringView key, int& out) const
{
    return convertValue(section, key, numericCandidate(section, key), out, ini::ToInt32);
}

bool IniReader::Float(QStringView section, QStringView key, float& out) const
{
    return convertValue(section, key, numericCandidate(section, key), out, ini::ToFloat);
}

bool IniReader::Flag(QStringView section, QStringView key, bool& out) const
{
    return convertValue(section, key, numericCandidate(section, key), out, ini::ToFlag);
}

bool IniReader::Int32KeepZero(QStringView section, QStringView key, int& out) const
{
    std::optional<QString> value = m_file.GetValue(section, key);
    if (value && value->trimmed().isEmpty())
        value.reset();
    return convertValue(section, key, value, out, ini::ToInt32);
}

bool IniReader::Text(QStringView section, QStringView key, QString& out) const
{
    std::optional<QString> value = m_file.GetValue(section, key);
    if (!value)
        return false;
    out = std::move(*value);
    return true;
}

bool IniReader::TextByRule(QStringView section, QStringView key, QString& out) const
{
    std::optional<QString> value = m_file.GetValue(section, key);
    if (ini::IsAbsent(value))
        return false;
    out = std::move(*value);
    return true;
}

bool IniReader::IsPresent(QStringView section, QStringView key) const
{
    return !ini::IsAbsent(m_file.GetValue(section, key));
}
