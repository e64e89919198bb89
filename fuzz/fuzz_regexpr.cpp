// Fuzzes the regular-expression engine with pattern, text and options.
// Input: one byte of options, one byte of pattern length, the pattern, then
// the text (both read as Latin-1, so control characters come through).
// Every search must end, with a result or an engine error, and a result must
// be consistent: before + whole + after is the text, groups lie inside it.
#include "foundation/helpers.h"
#include "foundation/regexpr.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int32_t options = data[0] & 7;
    const size_t patternSize = std::min<size_t>(data[1], size - 2);
    const QString pattern = QString::fromLatin1(reinterpret_cast<const char*>(data + 2),
                                                static_cast<qsizetype>(patternSize));
    const size_t textSize = std::min<size_t>(size - 2 - patternSize, 1024);
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data + 2 + patternSize),
                                             static_cast<qsizetype>(textSize));
    bool matched = false;
    try {
        matched = RegExpr(text, pattern, options);
    } catch (const RegExprError& e) {
        check(e.number >= 20050 && e.number <= 20053);
        check(e.description.startsWith(QStringLiteral("Error in RegExpr.")));
        return 0;
    }
    if (matched) {
        int32_t start = 0;
        int32_t length = 0;
        RegExprIndex(reWholeMatch, start, length);
        check(start >= 1 && length >= 0 && start + length - 1 <= text.size());
        const QString whole = RegExprResult(reWholeMatch).toString();
        const QString before = RegExprResult(reBeforeMatch).toString();
        const QString after = RegExprResult(reAfterMatch).toString();
        check(before + whole + after == text);
        int32_t groups = 0;
        RegExprIndex(reGroupCount, groups, length);
        check(groups >= 0 && groups <= 31);
        for (int32_t k = 1; k <= groups; ++k) {
            RegExprIndex(k, start, length);
            check(start == 0 || (start >= 1 && length >= 0 && start + length - 1 <= text.size()));
        }
        for (int32_t k = groups + 1; k <= 32; ++k) {
            try {
                RegExprResult(k);
                check(false);
            } catch (const RegExprError& e) {
                check(e.number == 20053);
            }
        }
    } else {
        try {
            RegExprResult(reWholeMatch);
            check(false);
        } catch (const RegExprError& e) {
            check(e.number == 20051);
        }
    }
    // The whole-text test never lets an engine error through.
    const bool whole = IsPatternMatch(text, pattern);
    (void)whole;
    return 0;
}
