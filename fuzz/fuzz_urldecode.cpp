// Fuzzes the form and character-reference decoders with any text.
// They must never fail, never make a NUL or a lone surrogate out of text that
// had none, and decoding must undo encoding (carriage returns aside).
#include "foundation/helpers.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

qsizetype count(const QString& s, bool (*pred)(const QString&, qsizetype))
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); ++i)
        n += pred(s, i);
    return n;
}

bool isNul(const QString& s, qsizetype i) { return s[i].unicode() == 0; }

bool isLoneSurrogate(const QString& s, qsizetype i)
{
    if (s[i].isHighSurrogate())
        return i + 1 >= s.size() || !s[i + 1].isLowSurrogate();
    if (s[i].isLowSurrogate())
        return i == 0 || !s[i - 1].isHighSurrogate();
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    // Half the inputs as UTF-8, half as raw UTF-16 (lone surrogates included).
    QString s;
    if (size > 0 && (data[0] & 1)) {
        s.resize(static_cast<qsizetype>((size - 1) / 2));
        std::memcpy(s.data(), data + 1, static_cast<size_t>(s.size()) * 2);
    } else {
        s = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    }

    const QString entities = DecodeHtmlEntities(s);
    check(count(entities, isNul) == count(s, isNul));
    check(count(entities, isLoneSurrogate) <= count(s, isLoneSurrogate));
    check(entities.size() <= s.size());

    const QString decoded = URLDecode(s);
    check(decoded.size() <= s.size());

    const QString encoded = URLEncode(s);
    for (const QChar c : encoded)
        check(c.unicode() < 0x80);  // plain ASCII, whatever came in
    if (count(s, isLoneSurrogate) == 0) {
        QString withoutCR = s;
        withoutCR.remove(QChar(13));
        check(URLDecode(encoded) == DecodeHtmlEntities(withoutCR));
    }
    (void)FormatMacAddress(s);
    return 0;
}
