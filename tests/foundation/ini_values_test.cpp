#include "foundation/ini_values.h"
#include "platform/settings_file.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
}

TEST(IniValues, RecognisesNumericText)
{
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"0", 0.0},
        {"00", 0.0},
        {"-0", 0.0},
        {" 0 ", 0.0},
        {"0.0", 0.0},
        {"0e5", 0.0},
        {".0", 0.0},
        {"0.", 0.0},
        {"+12", 12.0},
        {"-7", -7.0},
        {"2.5", 2.5},
        {".5", 0.5},
        {"1e3", 1000.0},
        {"1E+3", 1000.0},
        {"25d-1", 2.5},
        {"1D2", 100.0},
        {"&H1F", 31.0},
        {"&hff", 255.0},
        {"&O17", 15.0},
        {"&H0", 0.0},
        {"1e400", kInf},
        {"-1e400", -kInf},
        {"1e-400", 0.0},
        {"0e999999999999", 0.0},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"abc", std::nullopt},
        {"1,5", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1e", std::nullopt},
        {"e5", std::nullopt},
        {".", std::nullopt},
        {"+", std::nullopt},
        {"0x10", std::nullopt},
        {"&H", std::nullopt},
        {"&O8", std::nullopt},
        {"&HG", std::nullopt},
        {"12abc", std::nullopt},
        {"1 2", std::nullopt},
        {"False", std::nullopt},
        {"\xd9\xa3", std::nullopt},  // an Arabic-Indic digit is not a digit here
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<double> got = ini::NumericValue(QString::fromUtf8(c.text));
        ASSERT_EQ(got.has_value(), c.value.has_value());
        if (got) {
            EXPECT_EQ(*got, *c.value);
        }
    }
}

TEST(IniValues, ReadingRuleTreatsMissingAndZeroAsAbsent)
{
    EXPECT_TRUE(ini::IsAbsent(std::nullopt));
    for (const char* zero : {"0", "00", "0.0", "-0", "0e5", " 0 ", "&H0"})
        EXPECT_TRUE(ini::IsAbsent(QString::fromLatin1(zero))) << zero;
    for (const char* present : {"False", "", "1", "-1", "0.001", "abc", "0 0"})
        EXPECT_FALSE(ini::IsAbsent(QString::fromLatin1(present))) << present;
}

TEST(IniValues, ConvertsIntegersRoundingHalfToEvenWithinRange)
{
    const struct {
        const char* text;
        std::optional<int> as16;  // nullopt: conversion error
        std::optional<int> as32;
    } cases[] = {
        {"42", 42, 42},
        {"-42", -42, -42},
        {"2.5", 2, 2},
        {"3.5", 4, 4},
        {"-2.5", -2, -2},
        {"2.4999", 2, 2},
        {"1e2", 100, 100},
        {"&HFF", 255, 255},
        {"32767", 32767, 32767},
        {"32768", std::nullopt, 32768},
        {"-32768", -32768, -32768},
        {"-32769", std::nullopt, -32769},
        {"2147483647", std::nullopt, 2147483647},
        {"2147483648", std::nullopt, std::nullopt},
        {"-2147483648", std::nullopt, -2147483647 - 1},
        {"1e400", std::nullopt, std::nullopt},
        {"abc", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"True", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromLatin1(c.text);
        if (c.as16) {
            EXPECT_EQ(ini::ToInt16(text), *c.as16);
        } else {
            EXPECT_THROW(ini::ToInt16(text), IniError);
        }
        if (c.as32) {
            EXPECT_EQ(ini::ToInt32(text), *c.as32);
        } else {
            EXPECT_THROW(ini::ToInt32(text), IniError);
        }
    }
}

TEST(IniValues, ConvertsFlagsAndFloats)
{
    for (const char* yes : {"True", "TRUE", "true", " True ", "-1", "1", "0.5"})
        EXPECT_TRUE(ini::ToFlag(QString::fromLatin1(yes))) << yes;
    for (const char* no : {"False", "false", "0"})
        EXPECT_FALSE(ini::ToFlag(QString::fromLatin1(no))) << no;
    for (const char* bad : {"maybe", "yes", "", "Truth"})
        EXPECT_THROW(ini::ToFlag(QString::fromLatin1(bad)), IniError) << bad;

    EXPECT_FLOAT_EQ(ini::ToFloat(u"9"), 9.0f);
    EXPECT_FLOAT_EQ(ini::ToFloat(u"10.5"), 10.5f);
    EXPECT_THROW(ini::ToFloat(u"10,5"), IniError);
    EXPECT_THROW(ini::ToFloat(u"1e39"), IniError);
    EXPECT_THROW(ini::ToFloat(u"big"), IniError);
}

// The decimal point is "." whatever the user's locale says.
TEST(IniValues, IgnoresTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_FLOAT_EQ(ini::ToFloat(u"10.5"), 10.5f);
    EXPECT_THROW(ini::ToFloat(u"10,5"), IniError);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(IniReader, AppliesTheRulePerKindOfKey)
{
    SettingsFile file;
    ASSERT_TRUE(file.LoadFromData("[S]\n"
                                  "Zero=0\n"
                                  "Empty=\n"
                                  "Num=12\n"
                                  "FalseText=False\n"
                                  "Bad=twelve\n"
                                  "Big=40000\n"));
    const IniReader reader(file);
    const int untouched = -99;

    // Numbers and flags: missing, 0 and empty are absent and leave the field alone.
    for (const char* key : {"Missing", "Zero", "Empty"}) {
        SCOPED_TRACE(key);
        int i = untouched;
        qint16 s = untouched;
        bool f = true;
        float x = -1;
        const QString k = QString::fromLatin1(key);
        EXPECT_FALSE(reader.Int32(u"S", k, i));
        EXPECT_FALSE(reader.Int16(u"S", k, s));
        EXPECT_FALSE(reader.Flag(u"S", k, f));
        EXPECT_FALSE(reader.Float(u"S", k, x));
        EXPECT_EQ(i, untouched);
        EXPECT_EQ(s, untouched);
        EXPECT_TRUE(f);
        EXPECT_EQ(x, -1);
    }
    int i = untouched;
    EXPECT_TRUE(reader.Int32(u"S", u"Num", i));
    EXPECT_EQ(i, 12);
    bool flag = true;
    EXPECT_TRUE(reader.Flag(u"S", u"FalseText", flag));  // "False" is present, and false
    EXPECT_FALSE(flag);

    // A stored 0 is a value for keys that keep zero; empty and missing are not.
    i = untouched;
    EXPECT_TRUE(reader.Int32KeepZero(u"S", u"Zero", i));
    EXPECT_EQ(i, 0);
    i = untouched;
    EXPECT_FALSE(reader.Int32KeepZero(u"S", u"Empty", i));
    EXPECT_FALSE(reader.Int32KeepZero(u"S", u"Missing", i));
    EXPECT_EQ(i, untouched);

    // Texts: only a missing key is absent; the full rule also drops zero numbers.
    QString text = QStringLiteral("start");
    EXPECT_TRUE(reader.Text(u"S", u"Zero", text));
    EXPECT_EQ(text, QStringLiteral("0"));
    EXPECT_TRUE(reader.Text(u"S", u"Empty", text));
    EXPECT_EQ(text, QString());
    EXPECT_FALSE(reader.Text(u"S", u"Missing", text));
    text = QStringLiteral("start");
    EXPECT_FALSE(reader.TextByRule(u"S", u"Zero", text));
    EXPECT_EQ(text, QStringLiteral("start"));
    EXPECT_TRUE(reader.TextByRule(u"S", u"Empty", text));
    EXPECT_EQ(text, QString());

    // Present values that do not convert are errors that name the key.
    try {
        reader.Int32(u"S", u"Bad", i);
        FAIL() << "no error";
    } catch (const IniError& e) {
        EXPECT_NE(std::string(e.what()).find("[S] Bad = \"twelve\" is not a number"),
                  std::string::npos)
            << e.what();
    }
    qint16 s = 0;
    EXPECT_THROW(reader.Int16(u"S", u"Big", s), IniError);
    EXPECT_THROW(reader.Flag(u"S", u"Bad", flag), IniError);
    EXPECT_TRUE(reader.Flag(u"S", u"Num", flag));  // numbers are flags too
    EXPECT_TRUE(flag);
}
