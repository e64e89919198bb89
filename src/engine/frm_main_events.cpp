// The event lists of the four slots and their log files.
#include "engine/frm_main.h"

#include "foundation/app_paths.h"
#include "foundation/guard.h"
#include "platform/ui_services.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace {
const QString kHeadingGap = QStringLiteral("   ");
const QString kTextIndent = QStringLiteral("    ");
}  // namespace

QString frmMain::TwoDigit(int v)
{
    if (v >= 1 && v <= 9)
        return QLatin1Char('0') + QString::number(v);
    return QString::number(v);
}

QString frmMain::LogFolder(int n)
{
    return DataPath() + QStringLiteral("/Log/Cam") + QString::number(n) + QStringLiteral("Log");
}

QString frmMain::LogFileName(const QDate& day)
{
    return TwoDigit(day.year()) + TwoDigit(day.month()) + TwoDigit(day.day())
           + QStringLiteral(".Log");
}

const QStringList& frmMain::List1(int n) const
{
    static const QStringList empty;
    return ValidSlot(n) ? m_list[n] : empty;
}

void frmMain::AddEvent(int n, const QString& text)
{
    if (m_unloaded || !ValidSlot(n))
        return;
    Guard(ErrorReport::Box, QStringLiteral("AddEvent"), [&] {
        const CamInfo& cam = gCam[n];
        const QString heading = ui().Now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                + kHeadingGap + cam.IPAddress + kHeadingGap + cam.ServerName;
        const QString line = kTextIndent + text;
        QStringList& list = m_list[n];
        list << heading << line;
        m_unwritten[n] += 2;
        // On disk at once: a crash or a kill loses nothing that was logged.
        SaveLog(n, static_cast<int>(list.size()));

        if (list.size() >= kListSpill) {
            const int onDisk = static_cast<int>(list.size()) - m_unwritten[n];
            if (onDisk >= kSpillBlock) {
                list.remove(0, kSpillBlock);
            } else if (list.size() > kMaxHeldLines) {
                list.remove(0, kSpillBlock);  // the disk has been failing for a long time
                m_unwritten[n] = std::min(m_unwritten[n], static_cast<int>(list.size()));
            }
        }

        if (gWinOpen[kWinOpenCombine]) {
            ICombineWindow* combine = m_windows.CombineWindow();
            if (combine && combine->ListVisible())
                Mirror(combine->ListEvent(), heading, line);
        }
        if (gWinOpen[n]) {
            if (IClientWindow* client = m_windows.Client(n))
                Mirror(client->ListEvent(), heading, line);
        }
    });
}

void frmMain::Mirror(IEventListBox& box, const QString& heading, const QString& line)
{
    box.AddItem(heading);
    box.AddItem(line);
    box.SelectLast();
    if (box.ListCount() >= kListSpill)
        box.RemoveFirst(kSpillBlock);
}

void frmMain::RefreshStatus()
{
    if (m_unloaded)
        return;
    for (int n = 1; n <= kSlotCount; ++n) {
        if (!gWinOpen[n])
            continue;
        if (IClientWindow* client = m_windows.Client(n))
            client->RefrushStatusBar();
    }
    // The combined and scan windows show the slots' connection states too.
    if (gWinOpen[kWinOpenCombine]) {
        if (ICombineWindow* combine = m_windows.CombineWindow())
            combine->RefrushStatusBar();
    }
    if (gWinOpen[kWinOpenScan]) {
        if (IScanWindow* scan = m_windows.ScanWindow())
            scan->RefrushStatusBar();
    }
}

bool frmMain::CheckLogFolder(int n)
{
    if (!ValidSlot(n))
        return false;
    return QDir().mkpath(LogFolder(n));
}

bool frmMain::SaveLog(int n, int count)
{
    if (!ValidSlot(n))
        return true;
    const QStringList& list = m_list[n];
    const int size = static_cast<int>(list.size());
    // Lines already on disk are the list's first size - unwritten.
    const int from = size - m_unwritten[n];
    const int to = std::clamp(count, 0, size);
    if (to <= from)
        return true;
    const bool folderOk = CheckLogFolder(n);
    const QString name = LogFileName(ui().Now().date());
    const QString fallback = DataPath() + QLatin1Char('/') + name;
    const QString path = folderOk ? LogFolder(n) + QLatin1Char('/') + name : fallback;

    bool ok = AppendLines(path, list.mid(from, to - from));
    if (!ok && path != fallback)
        ok = AppendLines(fallback, list.mid(from, to - from));
    if (!ok) {
        ReportLogFailure(n, path);
        return false;
    }
    m_unwritten[n] -= to - from;
    m_logFailureReported[n] = false;
    return true;
}

bool frmMain::AppendLines(const QString& path, const QStringList& lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const qint64 before = file.size();
    QByteArray data;
    for (const QString& line : lines) {
        data += line.toUtf8();
        data += "\r\n";
    }
    const bool ok = file.write(data) == data.size() && file.flush();
    if (!ok)
        file.resize(before);  // never leave half a block that a retry would write again
    return ok;
}

void frmMain::tmrLog_Timer()
{
    bool left = false;
    for (int n = 1; n <= kSlotCount; ++n) {
        if (m_unwritten[n] > 0)
            SaveLog(n, static_cast<int>(m_list[n].size()));
        left = left || m_unwritten[n] > 0;
    }
    if (!left)
        tmrLog.stop();
}

void frmMain::ReportLogFailure(int n, const QString& path)
{
    // Tried again every second until it can be written.
    if (!m_closing && !tmrLog.isActive())
        tmrLog.start();
    if (m_logFailureReported[n])
        return;
    m_logFailureReported[n] = true;
    // Shown from the event loop: a camera's event that logged this line goes on.
    ShowBoxLater(QString(gLangLogNotWritten)
                     .replace(QLatin1String("%1"), QString::number(n))
                     .replace(QLatin1String("%2"), path),
                 MsgIcon::Warning, gAppTitle);
}
