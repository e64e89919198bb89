// The event lists of the four slots and their log files.
#include "engine/frm_main.h"

#include "foundation/app_paths.h"
#include "foundation/guard.h"
#include "platform/ui_services.h"

#include <QDir>
#include <QFile>

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

        if (list.size() >= kListSpill) {
            if (SaveLog(n, kSpillBlock))
                list.remove(0, kSpillBlock);
            else if (list.size() > kMaxHeldLines)
                list.remove(0, kSpillBlock);  // the disk has been failing for a long time
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
}

bool frmMain::CheckLogFolder(int n)
{
    if (!ValidSlot(n))
        return false;
    return QDir().mkpath(LogFolder(n));
}

bool frmMain::SaveLog(int n, int count)
{
    if (!ValidSlot(n) || m_list[n].isEmpty())
        return true;
    const bool folderOk = CheckLogFolder(n);
    const QString name = LogFileName(ui().Now().date());
    const QString fallback = DataPath() + QLatin1Char('/') + name;
    const QString path = folderOk ? LogFolder(n) + QLatin1Char('/') + name : fallback;

    // A count beyond the list opens the file and writes nothing.
    const QStringList& list = m_list[n];
    const int lines = count <= list.size() ? std::max(0, count) : 0;
    bool ok = AppendLines(path, list, lines);
    if (!ok && path != fallback)
        ok = AppendLines(fallback, list, lines);
    if (!ok) {
        ReportLogFailure(n, path);
        return false;
    }
    m_logFailureReported[n] = false;
    return true;
}

bool frmMain::AppendLines(const QString& path, const QStringList& lines, int count)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const qint64 before = file.size();
    QByteArray data;
    for (int i = 0; i < count; ++i) {
        data += lines[i].toUtf8();
        data += "\r\n";
    }
    const bool ok = file.write(data) == data.size() && file.flush();
    if (!ok)
        file.resize(before);  // never leave half a block that a retry would write again
    return ok;
}

void frmMain::ReportLogFailure(int n, const QString& path)
{
    if (m_logFailureReported[n])
        return;
    m_logFailureReported[n] = true;
    ui().MsgBox(QString(gLangLogNotWritten)
                    .replace(QLatin1String("%1"), QString::number(n))
                    .replace(QLatin1String("%2"), path),
                MsgButtons::OK, MsgIcon::Warning, gAppTitle);
}
