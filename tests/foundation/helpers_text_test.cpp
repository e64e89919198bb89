// Text conversions and bit arithmetic of the shared helpers.
#include "foundation/helpers.h"
#include "support/fake_ui.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

QString chars(std::initializer_list<char32_t> codes)
{
    QString s;
    for (const char32_t c : codes)
        s += QString::fromUcs4(&c, 1);
    return s;
}

struct TextCase {
    QString input;
    QString expected;
};

}  // namespace

TEST(URLEncode, EncodesEachCharacterClassAsTheCamerasExpect)
{
    const std::vector<TextCase> cases = {
        {QString(), QString()},
        {QStringLiteral("a b\r\nc"), QStringLiteral("a+b%0D%0Ac")},
        {QStringLiteral("a/b?c"), QStringLiteral("a%2Fb%3Fc")},
        {QStringLiteral("50%"), QStringLiteral("50%25")},
        {QStringLiteral("x\ny"), QStringLiteral("x%0D%0Ay")},  // a lone LF too
        {QStringLiteral("x\ry"), QStringLiteral("xy")},        // a lone CR is dropped
        {chars({0, 5, 9}), QStringLiteral("%00%05%09")},
        {chars({11, 12, 14, 15, 16, 31}), QStringLiteral("%0B%0C%0E%0F%10%1F")},
        {QStringLiteral("*-.@_"), QStringLiteral("*-.@_")},
        {QStringLiteral("+,"), QStringLiteral("%2B%2C")},
        {QStringLiteral("!\"#$&'()"), QStringLiteral("%21%22%23%24%26%27%28%29")},
        {QStringLiteral(":;<=>"), QStringLiteral("%3A%3B%3C%3D%3E")},
        {QStringLiteral("[\\]^`{|}~"), QStringLiteral("%5B%5C%5D%5E%60%7B%7C%7D%7E")},
        {chars({127}), QStringLiteral("%7F")},
        {QStringLiteral("AZaz09"), QStringLiteral("AZaz09")},
        // Outside ASCII: the UTF-8 bytes, percent-encoded.
        {chars({0xE9}), QStringLiteral("%C3%A9")},
        {chars({0x80}), QStringLiteral("%C2%80")},
        {chars({0x4E2D, 0x6587}), QStringLiteral("%E4%B8%AD%E6%96%87")},
        {chars({0x1F600}), QStringLiteral("%F0%9F%98%80")},
        {QString(QChar(0xD800)), QStringLiteral("%EF%BF%BD")},  // a lone surrogate
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(URLEncode(c.input), c.expected);
    }
}

TEST(URLEncode, KeepsOnlyLettersDigitsAndFiveMarksOfASCII)
{
    const QString kept = QStringLiteral("*-.@_");
    for (char16_t c = 0; c < 128; ++c) {
        if (c == 10 || c == 13 || c == 32)
            continue;
        SCOPED_TRACE(int(c));
        const QString out = URLEncode(QString(QChar(c)));
        const bool alnum =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (alnum || kept.contains(QChar(c)))
            EXPECT_EQ(out, QString(QChar(c)));
        else
            EXPECT_EQ(out, QStringLiteral("%%1").arg(int(c), 2, 16, QLatin1Char('0')).toUpper());
    }
}

TEST(URLDecode, DecodesFormTextAndLeavesBrokenEscapesAlone)
{
    const std::vector<TextCase> cases = {
        {QString(), QString()},
        {QStringLiteral("a+b%41%0D%0Ac"), QStringLiteral("a bA\nc")},
        {QStringLiteral("*-.@_"), QStringLiteral("*-.@_")},
        {QStringLiteral("%2b%2B"), QStringLiteral("++")},
        {QStringLiteral("%zz"), QStringLiteral("%zz")},
        {QStringLiteral("50%"), QStringLiteral("50%")},
        {QStringLiteral("%4"), QStringLiteral("%4")},
        {QStringLiteral("%4g1"), QStringLiteral("%4g1")},
        {QStringLiteral("%%41"), QStringLiteral("%A")},
        // Byte runs: UTF-8 when valid, Windows-1252 otherwise.
        {QStringLiteral("%E4%B8%AD%E6%96%87"), chars({0x4E2D, 0x6587})},
        {QStringLiteral("%C3%A9t%C3%A9"), chars({0xE9, 't', 0xE9})},
        {QStringLiteral("caf%E9"), chars({'c', 'a', 'f', 0xE9})},
        {QStringLiteral("%80%92%99"), chars({0x20AC, 0x2019, 0x2122})},
        {QStringLiteral("%E4%B8"), chars({0xE4, 0xB8})},
        {QStringLiteral("%F0%9F%98%80"), chars({0x1F600})},
        {QStringLiteral("%ED%A0%80"),
         chars({0xED, 0xA0, 0x20AC})},                      // an encoded surrogate is not UTF-8
        {QStringLiteral("%E4%0D%B8%AD"), chars({0x4E2D})},  // CR bytes vanish from a run
        // Raw text outside ASCII passes through.
        {chars({0x4E2D, '+', 0xE9}), chars({0x4E2D, ' ', 0xE9})},
        // Then character references are decoded.
        {QStringLiteral("A%26%2320013%3BB"), chars({'A', 0x4E2D, 'B'})},
        {QStringLiteral("&#20013;"), chars({0x4E2D})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(URLDecode(c.input), c.expected);
    }
}

TEST(URLDecode, UndoesURLEncodeForTextWithoutReturnsOrReferences)
{
    const std::vector<QString> samples = {
        QStringLiteral("admin"),
        QStringLiteral("user name@example.org"),
        QStringLiteral("p+ss/w:rd?=&;%"),
        QStringLiteral("line1\nline2"),
        chars({0x4E2D, 0x6587, ' ', 0xE9, 0x20AC, 0x1F600, 0x7F, 1, 0}),
    };
    for (const QString& s : samples) {
        SCOPED_TRACE(s.toStdString());
        EXPECT_EQ(URLDecode(URLEncode(s)), s);
    }
}

TEST(DecodeHtmlEntities, DecodesOnlyFourAndFiveDigitReferencesToRealCharacters)
{
    const std::vector<TextCase> cases = {
        {QString(), QString()},
        {QStringLiteral("plain"), QStringLiteral("plain")},
        {QStringLiteral("A&#20013;B"), chars({'A', 0x4E2D, 'B'})},
        {QStringLiteral("x&#65;y"), QStringLiteral("x&#65;y")},
        {QStringLiteral("&#12;&#0065;"), QStringLiteral("&#12;A")},
        {QStringLiteral("&#233;"), QStringLiteral("&#233;")},
        {QStringLiteral("&#123456;"), QStringLiteral("&#123456;")},
        {QStringLiteral("&#99999;"), chars({0x1869F})},
        {QStringLiteral("a&#0065;b&#0066;c"), QStringLiteral("aAbBc")},
        {QStringLiteral("&#1234"), QStringLiteral("&#1234")},
        {QStringLiteral("&#&#1234;x"), QStringLiteral("&#&#1234;x")},
        // Nothing that is not a plain decimal code point is produced.
        {QStringLiteral("&#abcd;"), QStringLiteral("&#abcd;")},
        {QStringLiteral("&#12ab;"), QStringLiteral("&#12ab;")},
        {QStringLiteral("&#+123;"), QStringLiteral("&#+123;")},
        {QStringLiteral("&#0000;x"), QStringLiteral("&#0000;x")},
        {QStringLiteral("&#55296;"), QStringLiteral("&#55296;")},
        {QStringLiteral("&#57343;&#0066;"), QStringLiteral("&#57343;B")},
        {QStringLiteral("&#65535;"), chars({0xFFFF})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(DecodeHtmlEntities(c.input), c.expected);
    }
}

TEST(FormatMacAddress, WritesSixHexPartsAndNeverFailsOnOddText)
{
    const std::vector<TextCase> cases = {
        {QStringLiteral("0.16.32.10.11.255"), QStringLiteral("00 10 20 0A 0B FF")},
        {QStringLiteral("0.0.0.0.0.0"), QStringLiteral("00 00 00 00 00 00")},
        {QStringLiteral("256.1.2.3.4.5"), QStringLiteral("100 01 02 03 04 05")},
        {QStringLiteral("1.2.3.4.5.6.7"), QStringLiteral("01 02 03 04 05 06")},
        {QStringLiteral(" 1.2 .3.4.5.6"), QStringLiteral("01 02 03 04 05 06")},
        // Fewer parts: what is there is formatted.
        {QStringLiteral("0.16.32"), QStringLiteral("00 10 20")},
        // Not dotted numbers: the text as it came.
        {QString(), QString()},
        {QStringLiteral("00:11:22:33:44:55"), QStringLiteral("00:11:22:33:44:55")},
        {QStringLiteral("1.2.3.4.5.x"), QStringLiteral("1.2.3.4.5.x")},
        {QStringLiteral("1..3.4.5.6"), QStringLiteral("1..3.4.5.6")},
        {QStringLiteral("-1.2.3.4.5.6"), QStringLiteral("-1.2.3.4.5.6")},
        {QStringLiteral("99999999999.2.3.4.5.6"), QStringLiteral("99999999999.2.3.4.5.6")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(FormatMacAddress(c.input), c.expected);
    }
}

TEST(StripFileChars, RemovesEveryCharacterNotAllowedInNames)
{
    EXPECT_EQ(StripFileChars(QStringLiteral("Lobby/East")), QStringLiteral("LobbyEast"));
    EXPECT_EQ(StripFileChars(QStringLiteral("a\\b/c:d*e?f\"g<h>i|j")),
              QStringLiteral("abcdefghij"));
    EXPECT_EQ(StripFileChars(QStringLiteral("??||")), QString());
    EXPECT_EQ(StripFileChars(QStringLiteral(" Cam. 1 ")), QStringLiteral(" Cam. 1 "));
    // Control characters never reach a file name.
    EXPECT_EQ(StripFileChars(QStringLiteral("x\r\ny\t\x7f\u0085\u2028z")), QStringLiteral("xyz"));
}

TEST(CleanCameraText, DecodesThenDropsControlCharacters)
{
    const std::vector<TextCase> cases = {
        {QStringLiteral("x&#0013;&#0010;y"), QStringLiteral("xy")},
        {QStringLiteral("A&#20013;B"), chars({'A', 0x4E2D, 'B'})},
        {QStringLiteral("tab&#0009;bell&#0007;del&#0127;nel&#0133;ls&#8232;end"),
         QStringLiteral("tabbelldelnellsend")},
        {QStringLiteral("raw\r\nline"), QStringLiteral("rawline")},
        {QStringLiteral("&#0000;kept"), QStringLiteral("&#0000;kept")},
        {QStringLiteral(" Front door "), QStringLiteral(" Front door ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        EXPECT_EQ(CleanCameraText(c.input), c.expected);
    }
}

TEST(BitHelpers, WrapAndShiftLikeSixteenAndThirtyTwoBitIntegers)
{
    EXPECT_EQ(Shli(1, 15), -32768);
    EXPECT_EQ(Shli(3, 15), -32768);
    EXPECT_EQ(Shli(1, 0), 1);
    EXPECT_EQ(Shli(0x0101, 8), 0x0100);
    EXPECT_EQ(Shli(-1, 4), -16);
    EXPECT_EQ(Shli(1, 16), 0);
    EXPECT_EQ(Shli(-1, 255), 0);

    EXPECT_EQ(LongToInt(65535), -1);
    EXPECT_EQ(LongToInt(70000), 4464);
    EXPECT_EQ(LongToInt(32768), -32768);
    EXPECT_EQ(LongToInt(-1), -1);
    EXPECT_EQ(LongToInt(std::numeric_limits<qint32>::min()), 0);

    EXPECT_EQ(Shll(1, 31), std::numeric_limits<qint32>::min());
    EXPECT_EQ(Shll(3, 30), std::numeric_limits<qint32>::min() + (1 << 30));
    EXPECT_EQ(Shll(-1, 31), std::numeric_limits<qint32>::min());
    EXPECT_EQ(Shll(0x12345678, 4), 0x23456780);
    EXPECT_EQ(Shll(1, 32), 0);

    struct DblCase {
        double in;
        qint32 out;
    };
    const std::vector<DblCase> dbl = {
        {4294967295.0, -1},
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {2147483647.0, 2147483647},
        {2147483648.0, std::numeric_limits<qint32>::min()},
        {4294967296.0, 0},
        {-1.0, -1},
        {2147483648.5, std::numeric_limits<qint32>::min()},
        {4294967295.5, 0},
        {1e20, static_cast<qint32>(1661992960)},
    };
    for (const auto& c : dbl) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(dblToLong(c.in), c.out);
    }

    qint16 v = 0;
    BitSetInteger(v, 15);
    EXPECT_EQ(v, -32768);
    BitSetInteger(v, 0);
    EXPECT_EQ(v, -32767);
    BitSetInteger(v, 16);
    EXPECT_EQ(v, -32767);
    BitClearInteger(v, 15);
    EXPECT_EQ(v, 1);
    BitClearInteger(v, 200);
    EXPECT_EQ(v, 1);

    EXPECT_TRUE(BitTestInteger(-32768, 15));
    EXPECT_FALSE(BitTestInteger(-32768, 14));
    EXPECT_FALSE(BitTestInteger(-1, 16));
    EXPECT_TRUE(BitTestLong(std::numeric_limits<qint32>::min(), 31));
    EXPECT_TRUE(BitTestLong(0x10, 4));
    EXPECT_FALSE(BitTestLong(0x10, 3));
    EXPECT_FALSE(BitTestLong(-1, 32));
}

TEST(BitHelpers, ReportAnUnrepresentableValueAndGiveZero)
{
    FakeUi fake;
    EXPECT_EQ(dblToLong(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(dblToLong(std::numeric_limits<double>::quiet_NaN()), 0);
    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error: 6. Overflow"));
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("dblToLong"));
    EXPECT_EQ(fake.messages[0].buttons, MsgButtons::OK);
}
