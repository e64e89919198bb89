#include "platform/system_summary.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QSysInfo>
#include <QThread>
#include <QtGlobal>

extern "C" {
#include <libavutil/avutil.h>
}

namespace {

QString ReadSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.read(1 << 20));
}

QString OrUnknown(const QString& value)
{
    return value.trimmed().isEmpty() ? QStringLiteral("unknown") : value.trimmed();
}

}  // namespace

QString CpuModelFromCpuInfo(const QString& cpuinfo)
{
    static const QRegularExpression line(QStringLiteral("^model name\\s*:\\s*(.*)$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(cpuinfo);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

qint64 MemTotalKiBFromMemInfo(const QString& meminfo)
{
    static const QRegularExpression line(QStringLiteral("^MemTotal:\\s*(\\d+)\\s*kB\\s*$"),
                                         QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(meminfo);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const qint64 kib = m.captured(1).toLongLong(&ok);
    return ok && kib > 0 ? kib : 0;
}

SystemFacts CollectSystemFacts()
{
    SystemFacts f;
    f.os = QSysInfo::prettyProductName();
    f.kernel = QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion();
    f.cpuModel = CpuModelFromCpuInfo(ReadSmallFile(QStringLiteral("/proc/cpuinfo")));
    f.architecture = QSysInfo::currentCpuArchitecture();
    f.cpuThreads = QThread::idealThreadCount();
    f.memoryKiB = MemTotalKiBFromMemInfo(ReadSmallFile(QStringLiteral("/proc/meminfo")));
    f.qtVersion = QString::fromLatin1(qVersion());
    f.ffmpegVersion = QString::fromLatin1(av_version_info());
    return f;
}

QString FormatSystemSummary(const SystemFacts& f)
{
    QString cpu = OrUnknown(f.cpuModel);
    if (!f.architecture.isEmpty())
        cpu += QStringLiteral(" (%1)").arg(f.architecture);
    if (f.cpuThreads > 0)
        cpu += QStringLiteral(", %1 threads").arg(f.cpuThreads);
    const QString memory = f.memoryKiB > 0 ? QStringLiteral("%1 MiB").arg(f.memoryKiB / 1024)
                                           : QStringLiteral("unknown");
    QStringList lines;
    lines << QStringLiteral("Operating system: %1").arg(OrUnknown(f.os))
          << QStringLiteral("Kernel: %1").arg(OrUnknown(f.kernel))
          << QStringLiteral("Processor: %1").arg(cpu) << QStringLiteral("Memory: %1").arg(memory)
          << QStringLiteral("Qt: %1").arg(OrUnknown(f.qtVersion))
          << QStringLiteral("FFmpeg: %1").arg(OrUnknown(f.ffmpegVersion));
    return lines.join(QLatin1Char('\n'));
}
