#include "foundation/helpers.h"

#include "foundation/globals.h"
#include "foundation/regexpr.h"
#include "platform/image_server/camera_codes.h"
#include "platform/ui_services.h"

#include <QFileInfo>
#include <QWidget>

#include <cmath>
#include <stdexcept>

// ---------------------------------------------------------------- windows

void SetTopMost(QWidget* window, bool on)
{
    if (!window)
        return;
    const bool already = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (already == on) {
        // Asking again brings a pinned window back above the others.
        if (on && window->isVisible())
            window->raise();
        return;
    }
    // Changing the flag re-creates the native window and hides it.
    const bool wasVisible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (wasVisible)
        window->show();
}

// ---------------------------------------------------------------- patterns

bool IsPatternMatch(const QString& text, const QString& pattern)
{
    try {
        if (!RegExpr(text, pattern, 0))
            return false;
        const QVariant whole = RegExprResult(reWholeMatch);
        return whole.isValid() && whole.toString() == text;
    } catch (const RegExprError&) {
        // A text too long for the engine, or a bad pattern: no match.
        return false;
    }
}

// ---------------------------------------------------------------- shell

namespace {

void showOpenMessage(int index, MsgIcon icon, const QString& path = QString())
{
    QString text = gLangMainMsg[static_cast<size_t>(index)];
    if (!path.isEmpty())
        text += QLatin1Char('\n') + path;  // which file was looked for
    ui().MsgBox(text, MsgButtons::OK, icon, gAppTitle);
}

}  // namespace

void OpenWithAssociatedApp(const QString& path)
{
    try {
        if (path.isEmpty() || !QFileInfo(path).isFile()) {
            showOpenMessage(2, MsgIcon::None, path);
            return;
        }
        const QString file = QFileInfo(path).absoluteFilePath();
        const QStringList command = ui().AssociatedCommand(file);
        if (command.isEmpty() || command.first().trimmed().isEmpty()) {
            showOpenMessage(0, MsgIcon::Critical, file);
            return;
        }
        if (!ui().StartProgram(command.first(), command.mid(1)))
            showOpenMessage(1, MsgIcon::Critical);
    } catch (...) {
        // Any other failure ends the operation without a message.
    }
}

void RunPlayer(const QString& path)
{
    try {
        if (path.isEmpty() || !QFileInfo(path).isFile()) {
            showOpenMessage(2, MsgIcon::None);
            return;
        }
        const QString file = QFileInfo(path).absoluteFilePath();
        if (gPlayerPath.trimmed().isEmpty() || !ui().StartProgram(gPlayerPath, {file}))
            showOpenMessage(1, MsgIcon::Critical);
    } catch (...) {
        // Any other failure ends the operation without a message.
    }
}

// ---------------------------------------------------------------- camera restart

namespace {
RestartCamLinks& restartLinks()
{
    static RestartCamLinks links;
    return links;
}
}  // namespace

void SetRestartCamLinks(RestartCamLinks links) { restartLinks() = std::move(links); }

void RestartCam(int cam)
{
    if (cam < 1 || cam > kSlotCount)
        throw std::out_of_range("RestartCam: camera slot out of range");
    const CamInfo& info = gCam[static_cast<size_t>(cam)];
    if (info.Protocol != kProtocolServer || !info.Enable)
        return;
    const RestartableStream control =
        restartLinks().camera ? restartLinks().camera(cam) : RestartableStream();
    if (!control)
        return;
    control.stop();
    // A camera that never reports "stopped" must not freeze the program:
    // after kRestartMaxPolls polls it is started anyway.
    for (int poll = 0; poll < kRestartMaxPolls; ++poll) {
        ui().Sleep(kRestartPollMs);
        if (!control.isRunning())
            break;
    }
    control.start();
    // A slot that is reconnecting stays dark until its pictures come again.
    if (gWinOpen[kWinOpenPanel] && restartLinks().ledControl)
        restartLinks().ledControl((cam - 1) * 3 + 3, !info.Reconnecting);
    gStreamRestarted[static_cast<size_t>(cam - 1)] = true;
}

// ---------------------------------------------------------------- viewer log-in

QString MakeNonce(const std::function<double()>& draw)
{
    QString text;
    for (int i = 0; i < 4; ++i) {
        // nearbyint rounds a half to the even neighbour in the default mode.
        const double v = std::nearbyint(draw() * 10000.0);
        text += QString::number(static_cast<qint64>(v));
    }
    return text.left(16);
}

// ---------------------------------------------------------------- text

namespace {

// Reads a whole text as a non-negative decimal number (blanks around it
// allowed); false when it is not one or does not fit 31 bits.
bool readDecimal(QStringView text, qint64& value)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 10)
        return false;
    value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    return value <= 0x7FFFFFFF;
}

void appendCodePoint(QString& out, char32_t cp)
{
    if (cp > 0xFFFF) {
        out += QChar(QChar::highSurrogate(cp));
        out += QChar(QChar::lowSurrogate(cp));
    } else {
        out += QChar(static_cast<char16_t>(cp));
    }
}

const char kHex[] = "0123456789ABCDEF";

void appendPercentByte(QString& out, unsigned byte)
{
    out += QLatin1Char('%');
    out += QLatin1Char(kHex[(byte >> 4) & 0xF]);
    out += QLatin1Char(kHex[byte & 0xF]);
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// Code points of Windows-1252 bytes 0x80..0x9F; the five unassigned bytes
// keep their own value.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Bytes of one run of %XX escapes: UTF-8 when they form valid UTF-8, else
// Windows-1252 (what older browsers post for Western text).
QString decodeByteRun(const QByteArray& bytes)
{
    bool ascii = true;
    for (const char b : bytes)
        ascii = ascii && static_cast<unsigned char>(b) < 0x80;
    if (ascii)
        return QString::fromLatin1(bytes);
    QString utf8;
    bool valid = true;
    for (qsizetype i = 0; i < bytes.size() && valid;) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            extra = 1;
            cp = b0 & 0x1F;
            minimum = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            extra = 2;
            cp = b0 & 0x0F;
            minimum = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            extra = 3;
            cp = b0 & 0x07;
            minimum = 0x10000;
        } else {
            valid = false;
            break;
        }
        if (i + extra >= bytes.size() && extra > 0) {
            valid = false;
            break;
        }
        for (int k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (!valid)
            break;
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            valid = false;
            break;
        }
        appendCodePoint(utf8, cp);
        i += 1 + extra;
    }
    if (valid)
        return utf8;
    QString cp1252;
    cp1252.reserve(bytes.size());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        cp1252 += QChar(u >= 0x80 && u <= 0x9F ? kCp1252High[u - 0x80] : char16_t(u));
    }
    return cp1252;
}

}  // namespace

QString FormatMacAddress(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (text.trimmed().isEmpty())
        return text;
    QStringList out;
    for (qsizetype i = 0; i < parts.size() && i < 6; ++i) {
        qint64 value = 0;
        if (!readDecimal(parts[i], value))
            return text;
        QString hex = QString::number(value, 16).toUpper();
        if (hex.size() == 1)
            hex.prepend(QLatin1Char('0'));
        out << hex;
    }
    return out.join(QLatin1Char(' '));
}

QString DecodeHtmlEntities(const QString& text)
{
    QString result;
    result.reserve(text.size());
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype amp = text.indexOf(QLatin1String("&#"), from);
        if (amp < 0)
            break;
        const qsizetype semi = text.indexOf(QLatin1Char(';'), amp + 2);
        if (semi < 0)
            break;
        const qsizetype digits = semi - amp - 2;
        char32_t value = 0;
        bool decode = digits == 4 || digits == 5;
        for (qsizetype i = amp + 2; decode && i < semi; ++i) {
            const char16_t u = text[i].unicode();
            if (u < '0' || u > '9')
                decode = false;
            else
                value = value * 10 + (u - '0');
        }
        // Only real characters are produced: no NUL, no lone surrogate.
        decode = decode && value >= 1 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
        if (decode) {
            result += QStringView(text).mid(from, amp - from);
            appendCodePoint(result, value);
        } else {
            result += QStringView(text).mid(from, semi + 1 - from);
        }
        from = semi + 1;
    }
    result += QStringView(text).mid(from);
    return result;
}

QString CharToPercentHex(char32_t codePoint)
{
    QString out;
    if (codePoint < 0x80) {
        out += QChar(static_cast<char16_t>(codePoint));
        return out;
    }
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = 0xFFFD;
    if (codePoint < 0x800) {
        appendPercentByte(out, 0xC0 | (codePoint >> 6));
        appendPercentByte(out, 0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        appendPercentByte(out, 0xE0 | (codePoint >> 12));
        appendPercentByte(out, 0x80 | ((codePoint >> 6) & 0x3F));
        appendPercentByte(out, 0x80 | (codePoint & 0x3F));
    } else {
        appendPercentByte(out, 0xF0 | (codePoint >> 18));
        appendPercentByte(out, 0x80 | ((codePoint >> 12) & 0x3F));
        appendPercentByte(out, 0x80 | ((codePoint >> 6) & 0x3F));
        appendPercentByte(out, 0x80 | (codePoint & 0x3F));
    }
    return out;
}

QString URLEncode(const QString& text)
{
    QString out;
    out.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        if (c == 13)
            continue;
        if (c == 10) {
            out += QLatin1String("%0D%0A");
        } else if (c <= 9) {
            out += QLatin1String("%0");
            out += QLatin1Char(char('0' + c));
        } else if (c == 32) {
            out += QLatin1Char('+');
        } else if (c == '*' || c == '-' || c == '.' || c == '@' || c == '_'
                   || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            out += QChar(static_cast<char16_t>(c));
        } else if (c < 0x80) {
            appendPercentByte(out, c);
        } else {
            out += CharToPercentHex(c);
        }
    }
    return out;
}

QString URLDecode(const QString& text)
{
    QString out;
    out.reserve(text.size());
    QByteArray run;  // bytes of consecutive %XX escapes
    auto flush = [&]() {
        if (!run.isEmpty()) {
            out += decodeByteRun(run);
            run.clear();
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('%') && i + 2 < text.size()) {
            const int hi = hexValue(text[i + 1]);
            const int lo = hexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                const int byte = hi * 16 + lo;
                if (byte != 13)
                    run.append(static_cast<char>(byte));
                i += 2;
                continue;
            }
        }
        flush();
        out += c == QLatin1Char('+') ? QChar(QLatin1Char(' ')) : c;
    }
    flush();
    return DecodeHtmlEntities(out);
}

namespace {

// C0, DEL, C1 and the line and paragraph separators.
bool isControlChar(char16_t u)
{
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}

}  // namespace

QString CleanCameraText(const QString& text)
{
    QString out = DecodeHtmlEntities(text);
    out.removeIf([](QChar c) { return isControlChar(c.unicode()); });
    return out;
}

QString StripFileChars(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (isControlChar(c.unicode()))
            continue;
        switch (c.unicode()) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            break;
        default:
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------- bits

qint16 Shli(qint16 value, quint8 bit)
{
    if (bit >= 16)
        return 0;
    return static_cast<qint16>(static_cast<quint16>(static_cast<quint16>(value) << bit));
}

qint16 LongToInt(qint32 value) { return static_cast<qint16>(static_cast<quint16>(value & 0xFFFF)); }

qint32 Shll(qint32 value, quint8 bit)
{
    if (bit >= 32)
        return 0;
    return dblToLong(static_cast<double>(value) * std::ldexp(1.0, bit));
}

qint32 dblToLong(double value)
{
    if (!std::isfinite(value)) {
        ui().MsgBox(QStringLiteral("Error: 6. Overflow"), MsgButtons::OK, MsgIcon::None,
                    QStringLiteral("dblToLong"));
        return 0;
    }
    constexpr double kTwo32 = 4294967296.0;
    double reduced = std::fmod(value, kTwo32);
    if (reduced < 0)
        reduced += kTwo32;
    // Round half to even (the default rounding mode); 2^32 is even, so
    // rounding before folding into the signed range gives the same result.
    const double rounded = std::nearbyint(reduced);
    return static_cast<qint32>(static_cast<quint32>(static_cast<quint64>(rounded) & 0xFFFFFFFFu));
}

void BitSetInteger(qint16& value, quint8 bit) { value = static_cast<qint16>(value | Shli(1, bit)); }

void BitClearInteger(qint16& value, quint8 bit)
{
    value = static_cast<qint16>(value & ~Shli(1, bit));
}

bool BitTestInteger(qint16 value, quint8 bit) { return (value & Shli(1, bit)) != 0; }

bool BitTestLong(qint32 value, quint8 bit) { return (value & Shll(1, bit)) != 0; }
