// Cost of the pattern engine on the program's own patterns and on the
// deepest star the engine allows.
#include "foundation/helpers.h"
#include "foundation/regexpr.h"

#include <benchmark/benchmark.h>

namespace {

const QString kIpPattern = QStringLiteral(
    "([1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}\\.[1-2]?[0-9]{1,2}|^$)");
const QString kPortPattern = QStringLiteral("\\d*");

void IsPatternMatch_Address(benchmark::State& state)
{
    const QString texts[] = {QStringLiteral("192.168.0.1"), QStringLiteral("10.0.0.255"),
                             QStringLiteral("1.2.3"), QStringLiteral("999.1.1.1")};
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(IsPatternMatch(texts[i], kIpPattern));
        i = (i + 1) % std::size(texts);
    }
}
BENCHMARK(IsPatternMatch_Address);

void IsPatternMatch_Port(benchmark::State& state)
{
    const QString texts[] = {QStringLiteral("8080"), QStringLiteral("80a"),
                             QStringLiteral("65535")};
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(IsPatternMatch(texts[i], kPortPattern));
        i = (i + 1) % std::size(texts);
    }
}
BENCHMARK(IsPatternMatch_Port);

void RegExpr_StarOver400Characters(benchmark::State& state)
{
    const QString text(400, QLatin1Char('x'));
    const QString pattern = QStringLiteral("x*");
    for (auto _ : state)
        benchmark::DoNotOptimize(RegExpr(text, pattern));
}
BENCHMARK(RegExpr_StarOver400Characters);

}  // namespace

BENCHMARK_MAIN();
