// A short text about the machine the program runs on (operating system,
// processor, memory, Qt and FFmpeg versions), as the about box shows it.
#pragma once

#include <QString>

struct SystemFacts {
    QString os;            // "Debian GNU/Linux 12 (bookworm)"
    QString kernel;        // "linux 6.1.0"
    QString cpuModel;      // "" when unknown
    QString architecture;  // "x86_64"
    int cpuThreads = 0;
    qint64 memoryKiB = 0;  // 0 when unknown
    QString qtVersion;
    QString ffmpegVersion;
};

// What this machine says about itself.
SystemFacts CollectSystemFacts();

// The model name from /proc/cpuinfo text ("" when none), and MemTotal in KiB
// from /proc/meminfo text (0 when none or unreadable).
QString CpuModelFromCpuInfo(const QString& cpuinfo);
qint64 MemTotalKiBFromMemInfo(const QString& meminfo);

// One line per fact, each "Label: value"; unknown values read "unknown".
QString FormatSystemSummary(const SystemFacts& facts);
