// The machine summary of the about box: reading /proc texts and the layout
// of the summary, including unknown values.
#include "platform/system_summary.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemSummary, ReadsTheProcessorModelAndTheMemoryFromProcTexts)
{
    const QString cpuinfo =
        QStringLiteral("processor\t: 0\nvendor_id\t: GenuineIntel\nmodel\t\t: 85\n"
                       "model name\t: Intel(R) Xeon(R) CPU @ 2.20GHz\nprocessor\t: 1\n"
                       "model name\t: second entry\n");
    EXPECT_EQ(CpuModelFromCpuInfo(cpuinfo), QStringLiteral("Intel(R) Xeon(R) CPU @ 2.20GHz"));
    EXPECT_EQ(CpuModelFromCpuInfo(QStringLiteral("processor : 0\nmodel : 85\n")), QString());
    EXPECT_EQ(CpuModelFromCpuInfo(QString()), QString());

    struct Case {
        const char* text;
        qint64 kib;
    };
    const Case cases[] = {
        {"MemTotal:       24567890 kB\nMemFree:          123 kB\n", 24567890},
        {"MemFree: 5 kB\nMemTotal: 2048 kB\n", 2048},
        {"MemTotal: lots kB\n", 0},
        {"MemTotal: 99999999999999999999999 kB\n", 0},  // not a number we can hold
        {"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MemTotalKiBFromMemInfo(QString::fromLatin1(c.text)), c.kib) << c.text;
}

TEST(SystemSummary, OneLinePerFactAndUnknownForWhatIsMissing)
{
    SystemFacts f;
    f.os = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    f.kernel = QStringLiteral("linux 6.1.0");
    f.cpuModel = QStringLiteral("Example CPU");
    f.architecture = QStringLiteral("x86_64");
    f.cpuThreads = 8;
    f.memoryKiB = 16 * 1024 * 1024;
    f.qtVersion = QStringLiteral("6.4.2");
    f.ffmpegVersion = QStringLiteral("5.1.4");
    EXPECT_EQ(FormatSystemSummary(f),
              QStringLiteral("Operating system: Debian GNU/Linux 12 (bookworm)\n"
                             "Kernel: linux 6.1.0\n"
                             "Processor: Example CPU (x86_64), 8 threads\n"
                             "Memory: 16384 MiB\n"
                             "Qt: 6.4.2\n"
                             "FFmpeg: 5.1.4"));
    EXPECT_EQ(FormatSystemSummary(SystemFacts{}),
              QStringLiteral("Operating system: unknown\nKernel: unknown\nProcessor: unknown\n"
                             "Memory: unknown\nQt: unknown\nFFmpeg: unknown"));
}

TEST(SystemSummary, ThisMachineKnowsItsQtAndFFmpegVersions)
{
    const SystemFacts f = CollectSystemFacts();
    EXPECT_EQ(f.qtVersion, QString::fromLatin1(qVersion()));
    EXPECT_FALSE(f.ffmpegVersion.isEmpty());
    EXPECT_GT(f.cpuThreads, 0);
}

}  // namespace
