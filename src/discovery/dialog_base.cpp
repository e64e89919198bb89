#include "discovery/dialog_base.h"

#include "foundation/globals.h"
#include "foundation/resources.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QWindow>

// ---------------------------------------------------------------- language

std::optional<LanguageSection> LanguageSection::Open(const QString& section)
{
    const QString path = CaptionFilePath();  // found whatever its capitalisation
    if (gLanguage.isEmpty() || path.isEmpty())
        return std::nullopt;
    LanguageSection s;
    s.m_file.FileName(path);
    if (!s.m_file.Load())
        return std::nullopt;
    s.m_section = section;
    return s;
}

QString LanguageSection::Text(const QString& key) const
{
    return m_file.GetValue(m_section, key).value_or(QString());
}

std::vector<QString> LanguageSection::Messages(int count) const
{
    std::vector<QString> out;
    for (int i = 1; i <= count; ++i)
        out.push_back(Text(QStringLiteral("Message%1").arg(i)));
    return out;
}

// ---------------------------------------------------------------- dialog

DialogBase::DialogBase(QWidget* parent) : QDialog(parent)
{
    setWindowIcon(QApplication::windowIcon());
    setModal(true);
}

DialogBase::~DialogBase()
{
    if (m_hourglass) {
        try {
            ui().SetBusy(false);
        } catch (...) {
        }
    }
}

void DialogBase::ShowModal(QWidget* owner)
{
    setWindowModality(Qt::ApplicationModal);
    if (owner) {
        winId();  // the native window exists from here, so it can be placed
        QWindow* mine = windowHandle();
        QWindow* theirs = owner->window()->windowHandle();
        if (mine && theirs)
            mine->setTransientParent(theirs);
    }
    exec();
}

void DialogBase::SetHourglass(bool on)
{
    if (on == m_hourglass)
        return;
    m_hourglass = on;
    ui().SetBusy(on);
}

MsgResult DialogBase::Message(const QString& text, MsgIcon icon, MsgButtons buttons)
{
    return ui().MsgBox(text, buttons, icon, gAppTitle);
}

void DialogBase::ApplyLanguageFont(std::initializer_list<QWidget*> controls)
{
    try {
        for (QWidget* control : controls)
            SetControlFont(control, true);
    } catch (...) {
        // A control that takes no font ends the routine; the others keep theirs.
    }
}

void DialogBase::FocusAndSelect(QLineEdit* box)
{
    if (!box)
        return;
    box->setFocus(Qt::OtherFocusReason);
    box->selectAll();
}

void DialogBase::reject()
{
    // Esc (and QDialog's own close path): the Cancel handler, unless busy or
    // the window has no Cancel button.
    Guard("cmdCancel_Click", [this] {
        if (EscapeCancels() && !CloseRefused())
            OnCancel();
    });
}

void DialogBase::closeEvent(QCloseEvent* event)
{
    if (!isVisible()) {
        event->accept();
        return;
    }
    Guard("Form_QueryUnload", [this] {
        if (!CloseRefused())
            OnCancel();
    });
    // Refused, or the Cancel handler kept the dialog open.
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

void DialogBase::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    Guard("Form_Activate", [this] { OnFirstShow(); });
}

void DialogBase::RecoverFromFailure()
{
    RecoverAfterError();
    SetHourglass(false);
}
