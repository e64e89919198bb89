// The program's regular-expression engine: a backtracking matcher that
// carries out quantifiers by rewriting the pattern and recursing.
//
// Usage: RegExpr() searches a text and remembers the result; RegExprResult()
// and RegExprIndex() read it until the next RegExpr() call. There is one
// engine state for the whole program, used from the GUI thread only.
//
// Pattern language: literals and escapes (\t \r \f \a \e \cX \xH \xHH \0ooo,
// \Q...\E, a backslash before any other character), . ^ $ \A \Z \b \B, \n
// (a CR LF pair), the classes \w \W \d \D \s \S, bracket expressions with
// ranges, negation, escapes and the CR LF item, capturing groups (at most 31),
// (?:...), (?=...), (?!...), (?#...), alternation (the first alternative that
// matches wins, not the longest), * + ? {n} {n,} {n,m} {,m} and their lazy
// forms, back-references \1..\9, and the options below.
//
// Positions are 1-based. Errors are thrown as RegExprError with the numbers
// 20050 (bad count or range), 20051 (no result to read), 20052 (bad pattern,
// or the search gave up) and 20053 (bad arguments); the engine catches none of
// them itself.
#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <stdexcept>

struct RegExprError : std::runtime_error {
    RegExprError(int number, const QString& source, const QString& description);
    int number;
    QString source;       // "<program>.RegExpr"
    QString description;  // "Error in RegExpr.<procedure>: <message>"
};

inline constexpr int32_t reIgnoreCase = 1;
inline constexpr int32_t reSingleLine = 2;  // "." also matches line breaks
inline constexpr int32_t reMultiline = 4;   // "^" and "$" also match at CR LF line breaks

// Result types for RegExprResult and RegExprIndex.
inline constexpr int32_t reWholeMatch = -3;
inline constexpr int32_t reBeforeMatch = -2;
inline constexpr int32_t reAfterMatch = -1;
inline constexpr int32_t reGroupCount = 0;

// The deepest the matcher recurses before it gives up (error 20052). A starred
// element costs two levels per repetition, so "\d*" matches at most 499 digits.
inline constexpr int kRegExprMaxDepth = 1000;

// Searches text for pattern; true when a match was found.
bool RegExpr(const QString& text, const QString& pattern, int32_t options = 0);
// The text of a result: a QString, a qint16 for the group count, or an
// invalid QVariant ("empty": no groups, or a group that took no part).
QVariant RegExprResult(int32_t resultType);
// The 1-based start and the length of a result.
void RegExprIndex(int32_t resultType, int32_t& start, int32_t& length);
