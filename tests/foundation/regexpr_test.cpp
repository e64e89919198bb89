// The regular-expression engine: matches and results, errors, state rules,
// the two patterns the program uses, and stack safety at the depth limit.
#include "foundation/helpers.h"
#include "foundation/regexpr.h"
#include "support/qt_printers.h"

#include <QThread>

#include <gtest/gtest.h>

#include <optional>

namespace {

const QString CR = QStringLiteral("\r");
const QString LF = QStringLiteral("\n");
const QString CRLF = QStringLiteral("\r\n");

QString digits(int n) { return QString(n, QLatin1Char('7')); }

struct Group {
    int number;
    int start;  // 0: took no part (result empty)
    int length;
};

struct MatchCase {
    const char* name;
    QString text;
    QString pattern;
    int32_t options;
    bool matched;
    int start = 0;
    int length = 0;
    std::vector<Group> groups = {};
    std::optional<int> groupCount = {};
};

// Runs one search and checks everything the engine reports about it.
void expectMatch(const MatchCase& c)
{
    SCOPED_TRACE(c.name);
    bool matched = false;
    try {
        matched = RegExpr(c.text, c.pattern, c.options);
    } catch (const RegExprError& e) {
        ADD_FAILURE() << "unexpected error " << e.number << ": " << e.what();
        return;
    }
    ASSERT_EQ(matched, c.matched);
    if (!matched)
        return;
    int32_t start = -1;
    int32_t length = -1;
    RegExprIndex(reWholeMatch, start, length);
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(RegExprResult(reWholeMatch), QVariant(c.text.mid(c.start - 1, c.length)));
    EXPECT_EQ(RegExprResult(reBeforeMatch), QVariant(c.text.left(c.start - 1)));
    EXPECT_EQ(RegExprResult(reAfterMatch), QVariant(c.text.mid(c.start - 1 + c.length)));
    if (c.groupCount) {
        RegExprIndex(reGroupCount, start, length);
        EXPECT_EQ(start, *c.groupCount);
        const QVariant count = RegExprResult(reGroupCount);
        if (*c.groupCount == 0)
            EXPECT_FALSE(count.isValid());
        else
            EXPECT_EQ(count, QVariant::fromValue(static_cast<qint16>(*c.groupCount)));
    }
    for (const Group& g : c.groups) {
        SCOPED_TRACE(g.number);
        RegExprIndex(g.number, start, length);
        EXPECT_EQ(start, g.start);
        EXPECT_EQ(length, g.length);
        const QVariant r = RegExprResult(g.number);
        if (g.start == 0)
            EXPECT_FALSE(r.isValid());  // empty, not ""
        else
            EXPECT_EQ(r, QVariant(c.text.mid(g.start - 1, g.length)));
    }
}

}  // namespace

TEST(RegExpr, FindsTheFirstMatchTheTryingOrderGivesWithItsGroups)
{
    const QChar ctrlA(1);
    const std::vector<MatchCase> cases = {
        {"empty text, star", "", "\\d*", 0, true, 1, 0, {}, 0},
        {"star stops at a non-digit", "12a", "\\d*", 0, true, 1, 2},
        {"first alternative wins", "ab", "a|ab", 0, true, 1, 1},
        {"first alternative wins, longer one later", "xy", "x|xy", 0, true, 1, 1},
        {"400 digits", digits(400), "\\d*", 0, true, 1, 400},
        {"499 digits, the most a star takes", digits(499), "\\d*", 0, true, 1, 499},
        {"one level less for the star after a literal", "x" + digits(498), "x\\d*", 0, true, 1,
         499},
        {"{0} never matches", "b", "a{0}b", 0, false},
        {"{0,0} never matches", "b", "a{0,0}b", 0, false},
        {"{,2} reads as {0,2}", "aaa", "a{,2}", 0, true, 1, 2},
        {"a repeated group keeps its last round", "aaa", "(a)*", 0, true, 1, 3, {{1, 3, 1}}, 1},
        {"a quantifier without element is a literal", "*a", "*a", 0, true, 1, 2},
        {"a brace without closing is a literal", "a{2", "a{2", 0, true, 1, 3},
        {"negated class at the end", "", "[^a]", 0, false},
        {"negated class", "a", "[^a]", 0, false},
        {"negated class matches", "ba", "[^a]", 0, true, 1, 1},
        {"bad range not reached", "", "[z-a]", 0, false},
        {"dot and CR LF", CRLF, ".", 0, false},
        {"dot and a lone CR", CR, ".", 0, true, 1, 1},
        {"dot and a lone LF", LF, ".", 0, true, 1, 1},
        {"single-line dot", CRLF, "..", reSingleLine, true, 1, 2},
        {"back-reference beyond the groups not reached", "b", "(a)\\2", 0, false},
        {"text before and after", "abc", "b", 0, true, 2, 1, {}, 0},
        {"two groups", "ab", "(a)(b)", 0, true, 1, 2, {{1, 1, 1}, {2, 2, 1}}, 2},
        {"a non-capturing group gets no number", "ab", "(?:a)(b)", 0, true, 1, 2, {{1, 2, 1}}, 1},
        {"outer groups are numbered first",
         "ab",
         "(a(b))",
         0,
         true,
         1,
         2,
         {{1, 1, 2}, {2, 2, 1}},
         2},
        {"quoted text", "a.b", "\\Qa.b\\E", 0, true, 1, 3},
        {"quoted text is literal", "axb", "\\Qa.b\\E", 0, false},
        {"hex escape", "A", "\\x41", 0, true, 1, 1},
        {"hex escape of a full stop", ".", "\\x2E", 0, true, 1, 1},
        {"hex escape of a full stop is literal", "x", "\\x2E", 0, false},
        {"octal escape", "A", "\\0101", 0, true, 1, 1},
        {"octal escape above 255 takes two digits", " 0", "\\0400", 0, true, 1, 2},
        {"\\0 alone", QString(QChar(0)), "\\0", 0, true, 1, 1},
        {"\\x without digits", "xg", "\\xg", 0, true, 1, 2},
        {"control character", QString(ctrlA), "\\cA", 0, true, 1, 1},
        {"control character, lower case", QString(QChar(26)), "\\cz", 0, true, 1, 1},
        {"tab escape", "a\tb", "a\\tb", 0, true, 1, 3},
        {"\\f is a line feed", LF, "\\f", 0, true, 1, 1},
        {"\\f is not a form feed", "\f", "\\f", 0, false},
        {"\\f inside brackets", "a" + LF, "a[\\f]", 0, true, 1, 2},
        {"bell and escape", QString(QChar(7)) + QChar(27), "\\a\\e", 0, true, 1, 2},
        {"empty pattern, empty text", "", "", 0, true, 1, 0},
        {"lazy plus", "aaa", "a+?", 0, true, 1, 1},
        {"lazy plus inside", "<a><b>", "<.+?>", 0, true, 1, 3},
        {"greedy plus", "<a><b>", "<.+>", 0, true, 1, 6},
        {"lazy optional", "a", "a??", 0, true, 1, 0},
        {"lazy star", "aaab", "a*?b", 0, true, 1, 4},
        {"braces greedy", "aaaa", "a{2,3}", 0, true, 1, 3},
        {"braces lazy", "aaaa", "a{2,3}?", 0, true, 1, 2},
        {"braces exact, too few", "a", "a{2}", 0, false},
        {"braces open-ended", "aaaa", "a{2,}", 0, true, 1, 4},
        {"braces open-ended, lazy", "aaaa", "a{2,}?", 0, true, 1, 2},
        {"blanks in a count", "aaa", "a{ 2 }", 0, true, 1, 2},
        {"a group repeated", "ababx", "(?:ab)+", 0, true, 1, 4},
        {"captures restored after a failed branch", "b", "(a)|b", 0, true, 1, 1, {{1, 0, 0}}, 1},
        {"captures of the branch that matched",
         "ay",
         "(a)x|(a)y",
         0,
         true,
         1,
         2,
         {{1, 0, 0}, {2, 1, 1}},
         2},
        {"empty capture is an empty text",
         "abcd",
         "(a|ab)(c|bcd)(d*)",
         0,
         true,
         1,
         4,
         {{1, 1, 1}, {2, 2, 3}, {3, 5, 0}},
         3},
        {"back-reference", "aaba", "(a+)b\\1", 0, true, 2, 3, {{1, 2, 1}}, 1},
        {"back-reference, ignoring case", "aA", "(a)\\1", reIgnoreCase, true, 1, 2},
        {"lookahead", "acab", "a(?=b)", 0, true, 3, 1},
        {"negative lookahead", "abac", "a(?!b)", 0, true, 3, 1},
        {"^ after CR LF", "a\r\nb", "^b", 0, false},
        {"^ after CR LF, multiline", "a\r\nb", "^b", reMultiline, true, 4, 1},
        {"$ before a final CR LF", "a\r\n", "a$", 0, true, 1, 1},
        {"$ before an inner CR LF", "a\r\nb", "a$", 0, false},
        {"$ before an inner CR LF, multiline", "a\r\nb", "a$", reMultiline, true, 1, 1},
        {"\\A", "ba", "\\Aa", 0, false},
        {"\\Z before a final CR LF", "a\r\n", "a\\Z", 0, true, 1, 1},
        {"\\n is CR LF", "a\r\nb", "a\\nb", 0, true, 1, 4},
        {"\\n is not a lone LF", "a\nb", "a\\nb", 0, false},
        {"ignore case", "ABC", "b", reIgnoreCase, true, 2, 1},
        {"ignore case in ranges", "XbCaY", "[a-c]+", reIgnoreCase, true, 2, 3},
        {"case counts by default", "ABC", "b", 0, false},
        {"word boundary", "ab cd", "\\bc", 0, true, 4, 1},
        {"not a word boundary", "abc", "\\Bb", 0, true, 2, 1},
        {"digit class", "ab1234", "\\d{3}", 0, true, 3, 3},
        {"word class", " foo_1!", "\\w+", 0, true, 2, 5},
        {"space class", "a \t b", "\\s+", 0, true, 2, 3},
        {"non-digit class", "12ab3", "\\D+", 0, true, 3, 2},
        {"CR LF item in brackets", CRLF, "[\\n]", 0, true, 1, 2},
        {"] first in brackets", "]", "[]a]", 0, true, 1, 1},
        {"escaped ] in brackets", "]", "[a\\]]", 0, true, 1, 1},
        {"] first after ^", "]a", "[^]]", 0, true, 2, 1},
        {"- at the ends is literal", "-", "[a-]", 0, true, 1, 1},
        {"- at the start is literal", "-", "[-a]", 0, true, 1, 1},
        {"\\b in brackets is a backspace", QString(QChar(8)), "[\\b]", 0, true, 1, 1},
        {"negated class inside brackets reads as ^ and the class", "a", "[x\\W]", 0, true, 1, 1},
        {"... so a caret matches it", "^", "[x\\W]", 0, true, 1, 1},
        {"... and punctuation does not", "!", "[x\\W]", 0, false},
        {"31 empty groups", "", QStringLiteral("()").repeated(31), 0, true, 1, 0, {{31, 1, 0}}, 31},
        {"comment", "ab", "a(?#note)b", 0, true, 1, 2},
        {"trailing backslash is a backslash", "a\\", "a\\", 0, true, 1, 2},
        {"escaped punctuation", "a.b", "a\\.b", 0, true, 1, 3},
        {"stray ) is a literal", "a)", "a)", 0, true, 1, 2},
        // Quantifiers rewrite the text: "{*}" tries "{{*}", where "{*}" reads
        // as the quantifier {0}, which fails; so only the "}" alone matches.
        {"rewriting re-reads the text", "{{}", "{*}", 0, true, 3, 1},
    };
    for (const auto& c : cases)
        expectMatch(c);
}

TEST(RegExpr, RaisesNumberedErrorsWithTheirFixedTexts)
{
    struct ErrorCase {
        const char* name;
        QString text;
        QString pattern;
        int32_t options;
        int number;
        QString description;
    };
    const QString maxIter = QStringLiteral("Error in RegExpr.DoRegExpr: Maximum number of "
                                           "iterations exceeded. Possibly an infinite loop.");
    const QString nested =
        QStringLiteral("Error in RegExpr.GetNextRegExpr: Nested +?*{} in regular expression.");
    const std::vector<ErrorCase> cases = {
        {"500 digits", digits(500), "\\d*", 0, 20052, maxIter},
        {"1000 digits", digits(1000), "\\d*", 0, 20052, maxIter},
        {"the star after a literal reaches level 1001", "x" + digits(499), "x\\d*", 0, 20052,
         maxIter},
        {"an empty loop", "b", "(a*)*", 0, 20052, maxIter},
        {"inverted range", "b", "[z-a]", 0, 20050,
         "Error in RegExpr.MatchSquareBrackets: Invalid range in regular expression [z-a]"},
        {"inverted range after ^", "b", "[^z-a]", 0, 20050,
         "Error in RegExpr.MatchSquareBrackets: Invalid range in regular expression [z-a]"},
        {"CR LF in a range", "x", "[\\n-z]", 0, 20050,
         "Error in RegExpr.MatchSquareBrackets: Range start or end longer than 1 character: "
         "[\\n-z]"},
        {"back-reference beyond the groups", "aa", "(a)\\2", 0, 20052,
         "Error in RegExpr.MatchAtom: Not so many sub-expressions in this regular expression: \\2"},
        {"both line modes", "x", "x", reSingleLine | reMultiline, 20053,
         "Error in RegExpr.RegExpr: Cannot specify both reSingleLine and reMultiline at the same "
         "time."},
        {"inline flags", "x", "(?x)", 0, 20052,
         "Error in RegExpr.ProcessParentheses: Invalid extended regular expression syntax: (?x)"},
        {"unclosed group", "ab", "(ab", 0, 20052,
         "Error in RegExpr.ProcessParentheses: Invalid regular expression: A closing ) expected: "
         "(ab"},
        {"unclosed group after a group", "ab", "(a)(b", 0, 20052,
         "Error in RegExpr.ProcessParentheses: Invalid regular expression: A closing ) expected: "
         "(a)(b"},
        {"unclosed brackets", "ab", "[ab", 0, 20052,
         "Error in RegExpr.ProcessParentheses: Invalid regular expression: A closing ] expected."},
        {"lower above upper", "", "a{3,2}", 0, 20050,
         "Error in RegExpr.DoRegExpr: Upper limit is less than lower limit in regular expression "
         "{3,2}"},
        {"lower above upper, lazy", "", "a{3,2}?", 0, 20050,
         "Error in RegExpr.DoRegExpr: Upper limit is less than lower limit in regular expression "
         "{3,2}"},
        {"negative count", "", "a{-1}", 0, 20050,
         "Error in RegExpr.DoRegExpr: Count is less than zero in regular expression {-1}"},
        {"negative open count", "", "a{-1,}", 0, 20050,
         "Error in RegExpr.DoRegExpr: Count is less than zero in regular expression {-1,}"},
        {"negative limit", "", "a{1,-2}", 0, 20050,
         "Error in RegExpr.DoRegExpr: Upper or lower limit is less than zero in regular expression "
         "{1,-2}"},
        {"negative before inverted", "", "a{-3,-5}", 0, 20050,
         "Error in RegExpr.DoRegExpr: Upper or lower limit is less than zero in regular expression "
         "{-3,-5}"},
        {"count too large", "", "a{40000}", 0, 20050,
         "Error in RegExpr.DoRegExpr: Upper or lower limit is less than zero in regular expression "
         "{40000}"},
        {"double star", "", "a**", 0, 20052, nested},
        {"lazy optional and more", "", "a*??", 0, 20052, nested},
        {"braces twice", "", "a{2}{3}", 0, 20052, nested},
        {"32 groups", "", QStringLiteral("()").repeated(32), 0, 20052,
         "Error in RegExpr.CreateMatch: Too many subexpressions in regular expression (max 31)."},
        {"bad control character", "", "\\c1", 0, 20052,
         "Error in RegExpr.ExpandEspaces: Invalid control character in regular expression: \\c1"},
        {"missing control character", "", "a\\c", 0, 20052,
         "Error in RegExpr.ExpandEspaces: Control character missing in regular expression: a\\c"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            RegExpr(c.text, c.pattern, c.options);
            ADD_FAILURE() << "no error raised";
        } catch (const RegExprError& e) {
            EXPECT_EQ(e.number, c.number);
            EXPECT_EQ(e.description, c.description);
            EXPECT_EQ(QString::fromStdString(e.what()), c.description);
            EXPECT_TRUE(e.source.endsWith(QStringLiteral(".RegExpr"))) << e.source.toStdString();
            EXPECT_GT(e.source.size(), 8);
        }
    }
}

namespace {

int errorNumber(const std::function<void()>& call, QString* description = nullptr)
{
    try {
        call();
    } catch (const RegExprError& e) {
        if (description)
            *description = e.description;
        return e.number;
    }
    return 0;
}

}  // namespace

TEST(RegExpr, KeepsOneResultUntilTheNextValidSearch)
{
    int32_t start = 0;
    int32_t length = 0;
    QString description;

    ASSERT_TRUE(RegExpr(QStringLiteral("abc"), QStringLiteral("b")));
    // Rejected options leave the result in place.
    EXPECT_EQ(errorNumber([] { RegExpr(QStringLiteral("x"), QStringLiteral("x"), 6); }), 20053);
    EXPECT_EQ(RegExprResult(reWholeMatch), QVariant(QStringLiteral("b")));

    ASSERT_TRUE(RegExpr(QStringLiteral("ab"), QStringLiteral("(a)(b)")));
    struct BadType {
        int32_t type;
        QString description;
    };
    const std::vector<BadType> bad = {
        {3, "Error in RegExpr.RegExprIndex: No match stored for regular sub-expression #3"},
        {31, "Error in RegExpr.RegExprIndex: No match stored for regular sub-expression #31"},
        {32, "Error in RegExpr.RegExprIndex: Invalid value, parameter ResultType = 32"},
        {-4, "Error in RegExpr.RegExprIndex: Invalid value, parameter ResultType = -4"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.type);
        EXPECT_EQ(errorNumber([&] { RegExprResult(b.type); }, &description), 20053);
        EXPECT_EQ(description, b.description);
        EXPECT_EQ(errorNumber([&] { RegExprIndex(b.type, start, length); }, &description), 20053);
        EXPECT_EQ(description, b.description);
    }

    // A search that finds nothing, or fails with an error, leaves no result.
    const std::vector<std::function<void()>> noResult = {
        [] { EXPECT_FALSE(RegExpr(QStringLiteral("abc"), QStringLiteral("x"))); },
        [] { errorNumber([] { RegExpr(QStringLiteral("b"), QStringLiteral("(a)|[z-a]")); }); },
        [] { errorNumber([] { RegExpr(QStringLiteral("b"), QStringLiteral("(ab")); }); },
    };
    for (size_t i = 0; i < noResult.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(RegExpr(QStringLiteral("ab"), QStringLiteral("(a)(b)")));
        noResult[i]();
        EXPECT_EQ(errorNumber([] { RegExprResult(reWholeMatch); }, &description), 20051);
        EXPECT_EQ(description,
                  QStringLiteral("Error in RegExpr.RegExprResult: No match on last call "
                                 "to RegExpr, or RegExpr not called at all"));
        EXPECT_EQ(errorNumber([&] { RegExprIndex(reWholeMatch, start, length); }, &description),
                  20051);
        EXPECT_EQ(description,
                  QStringLiteral("Error in RegExpr.RegExprIndex: No match on last call "
                                 "to RegExpr, or RegExpr not called at all"));
    }

    // A pattern refused for too many groups leaves the engine sound.
    EXPECT_EQ(errorNumber([] { RegExpr(QString(), QStringLiteral("()").repeated(40)); }), 20052);
    ASSERT_TRUE(RegExpr(QStringLiteral("ab"), QStringLiteral("(a)(b)")));
    EXPECT_EQ(RegExprResult(2), QVariant(QStringLiteral("b")));

    // Groups of an earlier search do not leak into the next one.
    ASSERT_TRUE(RegExpr(QStringLiteral("ab"), QStringLiteral("(a)(b)")));
    ASSERT_TRUE(RegExpr(QStringLiteral("xb"), QStringLiteral("(a)?b")));
    RegExprIndex(1, start, length);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(errorNumber([] { RegExprResult(2); }), 20053);
}

TEST(IsPatternMatch, JudgesTheProgramsAddressAndPortPatterns)
{
    const QString ip = QStringLiteral(
        "([1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}|^$)");
    const QString port = QStringLiteral("\\d*");
    struct Case {
        QString text;
        QString pattern;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"192.168.0.1", ip, true},
        {"10.0.0.255", ip, true},
        {"299.1.1.1", ip, true},  // the range check comes later
        {"1.22.133.244", ip, true},
        {"999.1.1.1", ip, false},
        {"1234.1.1.1", ip, false},
        {"1.2.3", ip, false},
        {"1.2.3.4x", ip, false},
        {" 1.2.3.4", ip, false},
        {"1.2.3.4.5", ip, false},
        {"1,2.3.4", ip, false},
        {"", ip, true},
        {"", port, true},
        {"8080", port, true},
        {"08080", port, true},
        {"80a", port, false},
        {" 80", port, false},
        {"12a", port, false},
        {digits(499), port, true},
        {digits(600), port, false},  // too long for the engine: rejected, no error
        {"ab", "a|ab", false},
        {"ab", "(ab", false},  // a bad pattern matches nothing
        {"AB", "ab", false},   // case counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(40).toStdString() + " / " + c.pattern.toStdString());
        EXPECT_EQ(IsPatternMatch(c.text, c.pattern), c.expected);
    }
}

// Searches that go as deep as the engine allows must fit the default 8 MiB
// stack of a thread, sanitizers included.
TEST(RegExpr, StaysWithinAnEightMegabyteStackAtTheDepthLimit)
{
    struct Deep {
        QString text;
        QString pattern;
    };
    const std::vector<Deep> searches = {
        {digits(499), "\\d*"},
        {digits(2000), "\\d*"},
        {digits(499), "(?:(\\d)|x)*"},
        {QStringLiteral("ab").repeated(400), "(?:(a)(b)|(c))*$"},
        {QString(400, QLatin1Char('a')), "(?=a)(a(?!b))*?$"},
        {QString(400, QLatin1Char('a')), "[a-z]{1,900}"},
        {QString(400, QLatin1Char('a')), "((((((((((a))))))))))*"},
        {QStringLiteral("x"),
         QStringLiteral("(").repeated(31) + "x" + QStringLiteral(")").repeated(31)},
    };
    std::vector<int> outcomes;
    QThread* worker = QThread::create([&] {
        for (const auto& s : searches) {
            try {
                outcomes.push_back(RegExpr(s.text, s.pattern) ? 1 : 0);
            } catch (const RegExprError& e) {
                outcomes.push_back(e.number);
            }
        }
    });
    worker->setStackSize(8u << 20);
    worker->start();
    ASSERT_TRUE(worker->wait(60000));
    delete worker;
    ASSERT_EQ(outcomes.size(), searches.size());
    // Each either matched or gave up with the depth error; none crashed.
    for (size_t i = 0; i < outcomes.size(); ++i) {
        SCOPED_TRACE(searches[i].pattern.toStdString());
        EXPECT_TRUE(outcomes[i] == 1 || outcomes[i] == 20052) << outcomes[i];
    }
    EXPECT_EQ(outcomes[0], 1);
    EXPECT_EQ(outcomes[1], 20052);
    EXPECT_EQ(outcomes.back(), 1);
}

TEST(RegExpr, GivesUpOnSearchesThatWouldRunAwayInTimeOrMemory)
{
    struct Case {
        const char* name;
        QString text;
        QString pattern;
    };
    const std::vector<Case> cases = {
        // Exponential backtracking that stays well inside the depth limit.
        {"nested alternatives", QString(60, QLatin1Char('a')) + QLatin1Char('b'), "(?:a|aa)*c"},
        // A brace count that would build megabytes of pattern text.
        {"a long group counted many times", "aaaa",
         QStringLiteral("(?:%1){32000}").arg(QString(200, QLatin1Char('a')))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString description;
        EXPECT_EQ(errorNumber([&] { RegExpr(c.text, c.pattern); }, &description), 20052);
        EXPECT_EQ(description,
                  QStringLiteral("Error in RegExpr.DoRegExpr: Maximum number of iterations "
                                 "exceeded. Possibly an infinite loop."));
    }
}
