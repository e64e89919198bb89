#include "platform/ui_services.h"

#include "platform/desktop_apps.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QSpacerItem>
#include <QThread>
#include <QUrl>

namespace {
UiServices* gInstalled = nullptr;

QtUiServices& desktop()
{
    static QtUiServices services;
    return services;
}

// Converts the "Name (*.ext)|*.ext|Other|*.*" filter form into Qt's ";;" form.
QString qtFilter(const QString& filter)
{
    if (!filter.contains(QLatin1Char('|')))
        return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        if (!label.contains(QLatin1Char('(')))
            label += QStringLiteral(" (") + patterns + QLatin1Char(')');
        out << label;
    }
    return out.join(QStringLiteral(";;"));
}
}  // namespace

UiServices& ui() { return gInstalled ? *gInstalled : desktop(); }

void SetUiServices(UiServices* services) { gInstalled = services; }

namespace {

int MessageBoxTitleWidth(const QFont& font, const QString& title)
{
    // The window manager draws the title bold, beside the window's icon and
    // its close button.
    QFont bold = font;
    bold.setBold(true);
    constexpr int kTitleBarExtra = 120;
    return QFontMetrics(bold).horizontalAdvance(title) + kTitleBarExtra;
}

// A box with a short text is narrow, and the window manager cuts its title
// ("C…"): the box is made at least as wide as its whole title needs.
void KeepTitleWhole(QMessageBox& box, const QString& title)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid || title.isEmpty())
        return;
    grid->addItem(new QSpacerItem(MessageBoxTitleWidth(box.font(), title), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

MsgResult QtUiServices::MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                               const QString& title)
{
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (buttons) {
    case MsgButtons::OK:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OKCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case MsgButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    KeepTitleWhole(box, title);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgResult::OK;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Retry:
        return MsgResult::Retry;
    default:
        return buttons == MsgButtons::OK ? MsgResult::OK : MsgResult::Cancel;
    }
}

void QtUiServices::Sleep(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void QtUiServices::SleepPumping(int ms)
{
    QElapsedTimer timer;
    timer.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (timer.elapsed() < ms)
            QThread::msleep(5);
    } while (timer.elapsed() < ms);
}

void QtUiServices::DoEvents() { QCoreApplication::processEvents(); }

QDateTime QtUiServices::Now() { return QDateTime::currentDateTime(); }

void QtUiServices::SetBusy(bool busy)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}

bool QtUiServices::ShellOpen(const QString& target)
{
    const QFileInfo info(target);
    const QUrl url = info.exists() ? QUrl::fromLocalFile(info.absoluteFilePath()) : QUrl(target);
    return QDesktopServices::openUrl(url);
}

QStringList UiServices::AssociatedCommand(const QString& file)
{
    return DesktopAssociatedCommand(file);
}

bool QtUiServices::StartProgram(const QString& program, const QStringList& args)
{
    return QProcess::startDetached(program, args);
}

QString QtUiServices::GetOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                                      const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, dir, qtFilter(filter));
}

QString QtUiServices::GetSaveFileName(QWidget* parent, const QString& title, const QString& dir,
                                      const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, dir, qtFilter(filter));
}
