// A scripted stand-in for the desktop: records every message box and wait,
// answers message boxes from a queue and keeps a clock that only moves when
// told to (or when the program waits).
#pragma once

#include "platform/ui_services.h"

#include <deque>
#include <functional>
#include <vector>

struct ShownMessage {
    QString text;
    MsgButtons buttons;
    MsgIcon icon;
    QString title;
};

class FakeUi : public UiServices {
public:
    FakeUi() { SetUiServices(this); }
    ~FakeUi() override { SetUiServices(nullptr); }

    MsgResult MsgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                     const QString& title) override
    {
        messages.push_back({text, buttons, icon, title});
        if (onMsgBox)
            onMsgBox(messages.back());  // what runs while the box is open
        if (!answers.empty()) {
            const MsgResult r = answers.front();
            answers.pop_front();
            return r;
        }
        switch (buttons) {
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgResult::Yes;
        case MsgButtons::RetryCancel:
            return MsgResult::Retry;
        default:
            return MsgResult::OK;
        }
    }
    void Sleep(int ms) override
    {
        sleeps.push_back(ms);
        clock = clock.addMSecs(ms);
        if (onSleep)
            onSleep(ms);  // what the world does meanwhile
    }
    void SleepPumping(int ms) override
    {
        pumpedSleeps.push_back(ms);
        clock = clock.addMSecs(ms);
        if (onSleepPumping)
            onSleepPumping(ms);  // what the world does meanwhile
    }
    void DoEvents() override
    {
        ++doEvents;
        if (onDoEvents)
            onDoEvents();  // what "other events" run at this point
    }
    QDateTime Now() override { return clock; }
    void SetBusy(bool busy) override { busyDepth += busy ? 1 : -1; }
    bool ShellOpen(const QString& target) override
    {
        opened.push_back(target);
        return shellOpenResult;
    }
    bool StartProgram(const QString& program, const QStringList& args) override
    {
        started.push_back({program, args});
        return startProgramResult;
    }
    QStringList AssociatedCommand(const QString& file) override
    {
        associationLookups.push_back(file);
        if (associatedProgram.isEmpty())
            return {};
        return {associatedProgram, file};
    }
    QString GetOpenFileName(QWidget*, const QString& title, const QString& dir,
                            const QString& filter) override
    {
        fileFilters.push_back(filter);
        fileDialogs.push_back({title, dir, filter});
        return openFileAnswer;
    }
    QString GetSaveFileName(QWidget*, const QString& title, const QString& dir,
                            const QString& filter) override
    {
        fileFilters.push_back(filter);
        fileDialogs.push_back({title, dir, filter});
        if (onSaveDialog)
            onSaveDialog();
        return saveFileAnswer;
    }

    std::vector<ShownMessage> messages;
    std::deque<MsgResult> answers;
    std::function<void(const ShownMessage&)> onMsgBox;
    std::vector<int> sleeps;
    std::function<void(int ms)> onSleep;
    std::vector<int> pumpedSleeps;
    std::function<void(int ms)> onSleepPumping;
    int doEvents = 0;
    std::function<void()> onDoEvents;
    int busyDepth = 0;
    QDateTime clock{QDate(2026, 12, 9), QTime(12, 0)};
    std::vector<QString> opened;
    bool shellOpenResult = true;
    std::vector<std::pair<QString, QStringList>> started;
    bool startProgramResult = true;
    std::vector<QString> associationLookups;
    QString associatedProgram;  // empty: no program associated
    std::vector<QString> fileFilters;
    struct FileDialog {
        QString title, dir, filter;
    };
    std::vector<FileDialog> fileDialogs;
    // Runs while the save dialog is "open" (what the program may do meanwhile).
    std::function<void()> onSaveDialog;
    QString openFileAnswer;
    QString saveFileAnswer;
};
