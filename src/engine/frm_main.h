// frmMain: the camera engine. It has no visible window; it owns, for the
// whole run, the four image-server objects Cam(1..4), the four video viewers
// WisViewer1(1..4) used by protocol-3 cameras, the four event lists List1(1..4)
// and the engine's timers. Its load is the engine's start-up and its unload is
// the program's shut-down.
//
// It reaches the panel and the video windows only through IEngineWindows.
// Every public procedure traps its own errors the way the procedure reports
// them ("Error <name> function"); no exception leaves the engine.
#pragma once

#include "engine/engine_windows.h"
#include "foundation/globals.h"

#include <QDate>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

class ImageServer;
class WisViewer;

// Makes the camera objects of the four slots: the program makes the real
// controls, tests hand in doubles.
class EngineControls {
public:
    virtual ~EngineControls() = default;
    virtual std::unique_ptr<ImageServer> MakeImageServer(int slot) = 0;
    virtual std::unique_ptr<WisViewer> MakeViewer(int slot) = 0;
};

class frmMain : public QObject {
    Q_OBJECT
public:
    // Lines an event list keeps at most before the oldest 100 go to the log file.
    static constexpr int kListSpill = 500;
    static constexpr int kSpillBlock = 100;
    // While a log file cannot be written the lines stay in the list; past this
    // many the oldest are given up, so a dead disk cannot exhaust memory.
    static constexpr int kMaxHeldLines = 100000;

    explicit frmMain(IEngineWindows& windows, QObject* parent = nullptr);
    ~frmMain() override;

    // --- Event lists and log files ---
    // Adds an event (a heading line and an indented text line) to slot n's
    // list, mirrors it into the open windows' lists and moves the oldest 100
    // lines to the day's log file when the list reaches 500 lines.
    void AddEvent(int n, const QString& text);
    // Every open single-camera window refreshes its status bar.
    void RefreshStatus();
    // Appends the first `count` lines of slot n's list to the day's log file.
    // True when the lines were written (or there was nothing to write).
    bool SaveLog(int n, int count);
    // Makes Log/ and Log/Cam<n>Log/ in the data folder; false when it cannot.
    bool CheckLogFolder(int n);
    const QStringList& List1(int n) const;

    // "07" for 7, "12" for 12, "0" for 0, "2026" for 2026.
    static QString TwoDigit(int v);
    // The folder of slot n's log files, and the file name for a day.
    static QString LogFolder(int n);
    static QString LogFileName(const QDate& day);

    // True once the engine has been unloaded; every entry point then does nothing.
    bool IsUnloaded() const { return m_unloaded; }

private:
    // Shows "Error <procedure> function" unless that same box is already open.
    void ReportError(const QString& procedure);
    void ReportLogFailure(int n, const QString& path);
    void Mirror(IEventListBox& box, const QString& heading, const QString& line);
    static bool AppendLines(const QString& path, const QStringList& lines, int count);
    static bool ValidSlot(int n) { return n >= 1 && n <= kSlotCount; }

    IEngineWindows& m_windows;
    std::array<QStringList, kSlotCount + 1> m_list;
    std::array<bool, kSlotCount + 1> m_logFailureReported{};
    QStringList m_openErrorBoxes;
    bool m_unloaded = false;
};
