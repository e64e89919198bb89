// The common frame of the program's dialogs (camera discovery and settings).
//
// Every such dialog
//   - reads its texts from its own section of the language's caption file
//     (lang/<tag>.ini): "Caption" for the window, a key per control, and
//     Message1..MessageN for its message list. A missing file leaves the
//     built-in texts and empty messages; a missing key gives an empty text.
//   - puts the language font on its text-bearing controls, in a fixed order,
//     stopping quietly at the first control that refuses.
//   - has a busy state while a camera request runs: Esc and the close box are
//     refused then, and work again afterwards. Otherwise Esc and the close box
//     run the dialog's Cancel handler, which hides the dialog. A window with
//     no Cancel button closes by its close box only: Esc is left to its
//     contents.
//   - shows the busy pointer through ui() and always gives it back: when the
//     dialog goes idle, when a handler fails, and at the latest when the dialog
//     is destroyed.
//   - shows its messages through ui().MsgBox with the application title.
//   - runs every handler reachable from the event loop through Guard, so that no
//     exception escapes into Qt: a failing handler is reported as
//     "Error <handler> function" and the dialog returns to idle.
//
// Dialogs are modal: the caller shows them with ShowModal, which returns when
// the dialog hides, reads their public fields, then unloads them through the
// window registry. A dialog never deletes itself.
#pragma once

#include "foundation/guard.h"
#include "foundation/window_registry.h"
#include "platform/settings_file.h"
#include "platform/ui_services.h"

#include <QDialog>
#include <QString>
#include <initializer_list>
#include <optional>
#include <vector>

// One section of the language's caption file.
class LanguageSection {
public:
    // The section of the current language's caption file; nullopt when the
    // file is missing or cannot be read.
    static std::optional<LanguageSection> Open(const QString& section);

    // The value of a key, empty when the key is missing.
    QString Text(const QString& key) const;
    // Message1..Message<count>, in order.
    std::vector<QString> Messages(int count) const;

private:
    LanguageSection() = default;
    SettingsFile m_file;
    QString m_section;
};

class DialogBase : public QDialog, public WindowLifecycle {
    Q_OBJECT
public:
    explicit DialogBase(QWidget* parent = nullptr);
    ~DialogBase() override;

    // Shows the dialog modal, placed over `owner` (may be nullptr), and
    // returns when it hides.
    void ShowModal(QWidget* owner);

    // True while the dialog shows the busy pointer.
    bool Hourglass() const { return m_hourglass; }

protected:
    // True while a camera request runs: Esc and the close box do nothing.
    virtual bool CloseRefused() const { return false; }
    // The Cancel handler, run by Esc and the close box when not refused.
    virtual void OnCancel() = 0;
    // False for a window without a Cancel button: Esc does not close it.
    virtual bool EscapeCancels() const { return true; }
    // Runs once, the first time the dialog is shown.
    virtual void OnFirstShow() {}
    // Brings the dialog back to idle after a handler failed (buttons on, not busy).
    virtual void RecoverAfterError() {}

    // The busy pointer for this dialog; setting the same state twice changes nothing.
    void SetHourglass(bool on);
    // A message box with the application title.
    MsgResult Message(const QString& text, MsgIcon icon, MsgButtons buttons = MsgButtons::OK);
    // Puts the language font on each control in turn; stops at the first failure.
    static void ApplyLanguageFont(std::initializer_list<QWidget*> controls);
    // Gives the focus to a text box and selects its whole text.
    static void FocusAndSelect(class QLineEdit* box);

    // Runs a handler; on an exception the dialog recovers and shows the error box.
    template <typename F> void Guard(const char* handler, F&& f) noexcept
    {
        ::Guard(ErrorReport::Box, QString::fromLatin1(handler), std::forward<F>(f),
                [this] { RecoverFromFailure(); });
    }

    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void RecoverFromFailure();

    bool m_hourglass = false;
    bool m_shown = false;
};
