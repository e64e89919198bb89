// The seam between the program and the desktop: message boxes, waits, the
// clock, the busy pointer, the shell and file dialogs. Production code calls
// ui(); tests install a double with SetUiServices().
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class QWidget;

// Buttons and icons of a message box, in the usual combinations.
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Information, Question, Warning, Critical };
enum class MsgResult { OK, Cancel, Yes, No, Retry };

class UiServices {
public:
    virtual ~UiServices() = default;

    // Shows a modal message box and returns the button pressed.
    virtual MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                             const QString& title) = 0;
    // Blocks the calling thread; nothing else runs meanwhile.
    virtual void Sleep(int ms) = 0;
    // Waits while letting pending events run.
    virtual void SleepPumping(int ms) = 0;
    // Lets pending events run once.
    virtual void DoEvents() = 0;
    virtual QDateTime Now() = 0;
    // Busy pointer on/off; nested calls stack.
    virtual void SetBusy(bool busy) = 0;
    // Opens a file or address with the program the desktop associates with it.
    virtual bool ShellOpen(const QString& target) = 0;
    // Starts a program detached with arguments.
    virtual bool StartProgram(const QString& program, const QStringList& args) = 0;
    // The command line (program first, the file included) that opens a file
    // with the program the desktop associates with its type; empty when there
    // is none. The desktop's own lookup unless overridden.
    virtual QStringList AssociatedCommand(const QString& file);
    // File dialogs; an empty result means cancelled.
    virtual QString GetOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                                    const QString& filter) = 0;
    virtual QString GetSaveFileName(QWidget* parent, const QString& title, const QString& dir,
                                    const QString& filter) = 0;
};

UiServices& ui();
// Installs another implementation (tests); nullptr restores the desktop one.
void SetUiServices(UiServices* services);

// Shows the busy pointer for the lifetime of the guard, also when leaving by an exception.
class BusyPointer {
public:
    BusyPointer() { ui().SetBusy(true); }
    ~BusyPointer() { ui().SetBusy(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// The desktop implementation (Qt).
class QtUiServices : public UiServices {
public:
    MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                     const QString& title) override;
    void Sleep(int ms) override;
    void SleepPumping(int ms) override;
    void DoEvents() override;
    QDateTime Now() override;
    void SetBusy(bool busy) override;
    bool ShellOpen(const QString& target) override;
    bool StartProgram(const QString& program, const QStringList& args) override;
    QString GetOpenFileName(QWidget* parent, const QString& title, const QString& dir,
                            const QString& filter) override;
    QString GetSaveFileName(QWidget* parent, const QString& title, const QString& dir,
                            const QString& filter) override;
};
