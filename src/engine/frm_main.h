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
#include "engine/schedule_rules.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "platform/ui_services.h"

#include <QDate>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class ImageServer;
class WisViewer;

// The engine's event texts: entry k - 1 of gLangEvent is the language
// pack's Event<k>.
enum EngineEvent : int {
    kEventStreamStarted = 0,
    kEventStreamStopped = 1,
    kEventConnecting = 2,
    kEventConnected = 3,
    kEventConnectFailed = 4,  // also the text of a pan/tilt refusal box
    kEventMotion = 5,
    kEventNoStorage = 6,
    kEventRecordFailed = 7,
    kEventConnectionLost = 8,
    kEventFrameDropped = 9,
    kEventMailSent = 10,
    kEventMailFailed = 11,
    kEventMailServerUnreachable = 12,
    kEventLoginRefused = 13,
    kEventRecordStarted = 14,
    kEventRecordStopped = 15,
    kEventStreamStalled = 16,
};

// The panel's LEDs of slot n.
constexpr int RecordLed(int n) { return (n - 1) * 3 + 1; }
constexpr int MotionLed(int n) { return (n - 1) * 3 + 2; }
constexpr int ConnectedLed(int n) { return (n - 1) * 3 + 3; }

// Makes the camera objects of the four slots: the program makes the real
// controls, tests hand in doubles.
class EngineControls {
public:
    virtual ~EngineControls() = default;
    virtual std::unique_ptr<ImageServer> MakeImageServer(int slot) = 0;
    virtual std::unique_ptr<WisViewer> MakeViewer(int slot) = 0;
};

// The controls the program runs with.
class ProductionControls : public EngineControls {
public:
    std::unique_ptr<ImageServer> MakeImageServer(int slot) override;
    std::unique_ptr<WisViewer> MakeViewer(int slot) override;
};

// Puts the program's proxy settings on a camera object.
void PutProxySettings(ImageServer& server);

// What the engine knows of the machine it runs on.
struct SystemInfo {
    qint16 wProcessorLevel = 0;
};
extern SystemInfo gSysInfo;

class frmMain : public QObject, public WindowLifecycle {
    Q_OBJECT
public:
    // Lines an event list keeps at most before the oldest 100 go to the log file.
    static constexpr int kListSpill = 500;
    static constexpr int kSpillBlock = 100;
    // While a log file cannot be written the lines stay in the list; past this
    // many the oldest are given up, so a dead disk cannot exhaust memory.
    static constexpr int kMaxHeldLines = 100000;
    // Stop attempts of CamStart and the wait after each.
    static constexpr int kStopAttempts = 5;
    static constexpr int kStopWaitMs = 500;
    // The processor level the frame-delay table sees: any machine this runs
    // on is fast enough that the table must not slow the pictures down.
    static constexpr qint16 kProcessorLevel = 17;

    frmMain(IEngineWindows& windows, EngineControls& controls, QObject* parent = nullptr);
    ~frmMain() override;

    // --- Start-up and shut-down ---
    // Loads the captions, puts defaults on the camera objects, pushes the
    // settings of every assigned slot and restarts the slots that were
    // running. Runs once.
    void Form_Load() override;
    // Stops recordings and streams, appends the event lists to the log files,
    // waits for the streams to end and saves main.ini, then asks the program
    // to end when the engine lives in the window registry. Runs once;
    // afterwards every entry point does nothing.
    void Form_Unload() override;
    bool IsLoaded() const { return m_loaded; }
    bool IsUnloaded() const { return m_unloaded; }

    // --- The controls of the four slots (n = 1..4; others throw std::out_of_range) ---
    ImageServer& Cam(int n);
    WisViewer& WisViewer1(int n);
    const QStringList& List1(int n) const;
    QTimer tmrSchedule;
    QTimer tmrMotionLed;
    std::array<QTimer, kSlotCount + 1> tmrMotion;  // 1..4
    QTimer tmrScan;

    // --- Language captions ---
    // Reads the engine's texts from the language's caption file into the
    // language tables. False when the file is missing (nothing changes) or
    // cannot be read to its end (what was read stays).
    static bool LoadLanguage();

    // --- Camera set-up ---
    void InitialCamSetting();
    void PutSettingToCam(int n);
    // The motion flag word for a slot: 1 alarm, 4 mail, 8 motion recording.
    static int AlarmFlagsFor(const CamInfo& cam);
    // The picture a motion mail of slot n carries.
    static QString MailPictureFile(int n);
    // A version text as the panel shows it: "N/A" for "0.00" and "".
    static QString VersionText(const QString& reported);
    // The random source of MakeNonce (foundation/helpers.h; tests install a fixed one).
    void SetRandomSource(std::function<double()> draw) { m_random = std::move(draw); }

    // --- Streams ---
    void CamStart(int n);
    void CamStop(int n);

    // --- Recording ---
    // Starts recording slot n in the given mode (1 manual, 2 schedule,
    // 3 motion): starts the slot's stream first when it is stopped, picks a
    // storage (CheckStorage), logs the start and lights the recording LED.
    // False when the slot is not assigned, already records or no storage
    // can take the recording (then "no storage" is logged). A failing
    // control call is not trapped: it reaches the caller.
    bool StartRecord(int n, int mode);
    // Stops recording slot n (the stop is sent even when it does not record),
    // logs the stop when it recorded, and brings the LED, the panel text and
    // the windows' record buttons in step.
    void StopRecord(int n);
    // Gives every camera object the same frame delay, by running and
    // recording slots.
    void SetCamDelay();
    // The viewer of slot n closed a recording file at its split size: the
    // recording goes on in a new file where CheckStorage says, or stops.
    void WisViewer1_RecordSplit(int n);

    // --- Recording storage ---
    // True when slot n may record: its camera object reports its record
    // folder ready, or a storage pick finds one (plain walk over the checked
    // storages, or the recycling pick on the first usable checked storage,
    // which first deletes old recordings by age or by the per-camera quota).
    // The chosen camera folder is handed to the slot's camera object or
    // viewer. Never throws; any failure is False.
    bool CheckStorage(int n);
    // Free bytes the user may write at a path. The engine asks it of the
    // storage folder (or its nearest existing parent); tests install a table.
    using FreeSpaceSource = std::function<double(const QString& path)>;
    void SetFreeSpaceSource(FreeSpaceSource source);
    // "CAM<n>_<server name>", trimmed, without \ / : * ? " < > |.
    static QString CameraFolderName(int n, const QString& serverName);
    // The storage path and a folder name joined by one separator.
    static QString JoinPath(const QString& path, const QString& name);
    // Whole hours from `from` to `to` as a clock counts them: the number of
    // hour starts passed (10:59 to 12:00 is 2).
    static qint64 HourStartsBetween(const QDateTime& from, const QDateTime& to);

    // --- Camera status events ---
    // The reaction to a status code of slot n's camera object (its Notify
    // event). Errors inside end the handler quietly.
    void Cam_Notify(int n, int code);

    // --- Motion ---
    // Motion reported by slot n's camera object (status code 6) or viewer:
    // shows it (event line, LED, the window's "MOTION" text) unless it is
    // shown already, and in motion mode starts a recording or holds the
    // running one for another kMotionHoldMs.
    void MotionDetected(int n);
    // The viewer of slot n asks for a motion mail: sent through the slot's
    // camera object when mail is on, the mail interval has passed since the
    // last one and the mail picture exists.
    void WisViewer1_MotionMail(int n);
    // The motion hold of slot n ran out: the motion recording stops.
    void tmrMotion_Timer(int n);
    // Clears the motion indication of slots whose motion began
    // kMotionShownSeconds or more ago.
    void tmrMotionLed_Timer();
    // Switch the motion-recording bit of slot n's flags on or off (on the
    // viewer for protocol 3); switching it off also cancels the hold.
    void Start_MotionStart(int n);
    void Stop_MotionStart(int n);
    static constexpr int kMotionHoldMs = 10000;
    static constexpr int kMotionShownSeconds = 2;

    // --- Schedules ---
    // For every slot in schedule mode: starts the recording of an entry
    // whose window opens now, stops the one whose window is over, and arms
    // weekly entries again for their next day.
    void tmrSchedule_Timer();
    // The schedule list was rewritten: entry i (from 1) of slot n now holds
    // what entry from[i - 1] held (0: a new entry). The window each entry
    // opened moves with it; new entries and those past the list have none.
    void MoveScheduleWindows(int n, const std::vector<int>& from);

    // --- Scan tour ---
    // Closes the single-camera and combined windows, shows the scan window
    // and starts the tour at the first running slot.
    void ScanMode();
    // Parks every slot and shows slot n in the scan window.
    void DoScanMode(int n);
    // The scan step: the next running slot after gScanCam.
    void tmrScan_Timer();
    // Ends the tour and opens the single-camera windows of the running slots.
    void ScanModeToNormalMode();
    // Ends the tour for the combined window (the panel then shows it).
    void ScanModeToCombineMode();
    // The scan window is about to go away: every camera is taken off it and
    // the step timer stops. The window calls this first in its unload.
    void ScanWindowClosing();

    // --- Event lists and log files ---
    // Adds an event (a heading line and an indented text line) to slot n's
    // list, mirrors it into the open windows' lists and moves the oldest 100
    // lines to the day's log file when the list reaches 500 lines.
    void AddEvent(int n, const QString& text);
    // Every open video window (single-camera, combined, scan) refreshes its
    // status bar.
    void RefreshStatus();
    // Puts the first `count` lines of slot n's list on disk: appends those of
    // them not written yet to the day's log file. True when they all are on
    // disk. AddEvent writes every event at once; a line that cannot be written
    // stays unwritten, is reported once and is tried again by tmrLog.
    bool SaveLog(int n, int count);
    // Every second while some slot's lines could not be written: tries again.
    void tmrLog_Timer();
    QTimer tmrLog;
    // Makes Log/ and Log/Cam<n>Log/ in the data folder; false when it cannot.
    bool CheckLogFolder(int n);

    // "07" for 7, "12" for 12, "0" for 0, "2026" for 2026.
    static QString TwoDigit(int v);
    // The folder of slot n's log files, and the file name for a day.
    static QString LogFolder(int n);
    static QString LogFileName(const QDate& day);

private:
    void ReportLogFailure(int n, const QString& path);
    void Mirror(IEventListBox& box, const QString& heading, const QString& line);
    static bool AppendLines(const QString& path, const QStringList& lines);
    static bool ValidSlot(int n) { return n >= 1 && n <= kSlotCount; }
    // Entry points that act on cameras refuse once shut-down has begun.
    bool Refused(int n) const { return m_closing || !ValidSlot(n); }

    void InitialCamSettingFor(int n);
    void BindVideo(int n);
    void ConnectViewer(int n);
    void CamStartSteps(int n);
    void CamStopSteps(int n);
    void WaitForStreamEnd(int n);
    void SaveAllSettings();

    // Recording and storage (frm_main_record.cpp, frm_main_storage.cpp).
    void HandFolder(int n, const QString& folder, bool clearKeepFolder);
    bool CheckStorageNoRecycle(int n);
    bool CheckStorageRecycle(int n);
    // Makes the storage path and the camera folder in it; false (and one
    // message per storage) when they cannot be made.
    bool CheckPath(const QString& path, const QString& folderName, QString& recordFolder);
    double FreeSpace(const QString& path) const;
    // Deletes the recordings past the age limit; how many, -1 on failure.
    int DeleteOldRecordings(const QString& folder);
    // Deletes the oldest recordings until slot n's folder is within its
    // quota less one file; false when the storage cannot take it.
    bool KeepQuota(int n, const QString& folder, const QString& storagePath, double free);
    // The record LED, panel text and record buttons after a recording ended.
    void ShowRecordingEnded(int n);
    // Status events (frm_main_status.cpp).
    void ConnectCameraEvents();
    // Motion, schedules and the scan tour (frm_main_motion.cpp,
    // frm_main_schedule.cpp, frm_main_scan.cpp).
    void ConnectTimers();
    void MotionSteps(int n);
    void ScheduleSteps(int n, const schedule::WallClock& now);
    // Takes every slot's video off the scan window.
    void ParkAll();
    // Runs an event handler now, or after the one that is running.
    void Dispatch(std::function<void()> handler);
    // Shows a message box from the event loop, after the running handler:
    // while it is open, the cameras' events go on being handled (a split
    // must not wait for the operator). `open` is set until the box closes.
    void ShowBoxLater(const QString& text, MsgIcon icon, const QString& title,
                      bool* open = nullptr);
    void CamNotifySteps(int n, int code);
    // Pictures of running slot n stopped coming (code 15 or 1000): the slot
    // shows it is reconnecting and logs `eventText` once.
    void StreamDown(int n, int eventText);

    IEngineWindows& m_windows;
    std::array<std::unique_ptr<ImageServer>, kSlotCount + 1> m_cam;
    std::array<std::unique_ptr<WisViewer>, kSlotCount + 1> m_viewer;
    std::array<QStringList, kSlotCount + 1> m_list;
    std::array<bool, kSlotCount + 1> m_logFailureReported{};
    // How many lines at the end of each slot's list are not in its log file yet.
    std::array<int, kSlotCount + 1> m_unwritten{};
    // The address each viewer was last connected to ("" = never).
    std::array<QString, kSlotCount + 1> m_viewerAddress;
    // A start or stop of the slot's stream is under way (CamStart lets events
    // run while it waits, and they may ask for the same slot again).
    std::array<bool, kSlotCount + 1> m_streamBusy{};
    // The slot's stream has brought a picture since its start.
    std::array<bool, kSlotCount + 1> m_picturesCame{};
    // A stop asked for while a start was under way; done when the start ends.
    std::array<bool, kSlotCount + 1> m_stopPending{};
    std::function<double()> m_random;
    FreeSpaceSource m_freeSpace;
    // Storage paths whose folders could not be made, each reported once
    // until a folder can be made there again.
    QStringList m_unusableStorages;
    // A pan/tilt refusal box is shown or about to be (further refusals
    // meanwhile add none).
    bool m_panTiltBoxOpen = false;
    // The window each started schedule entry opened: the day it opened on
    // and where it ends.
    struct ScheduleWindow {
        QDate startDay;
        schedule::WallClock end;
    };
    std::array<std::array<ScheduleWindow, kScheduleCount + 1>, kSlotCount + 1> m_scheduleWindow{};
    // A schedule tick is running (StartRecord waits inside it).
    bool m_scheduleBusy = false;
    std::deque<std::function<void()>> m_pendingEvents;
    bool m_dispatching = false;
    bool m_loaded = false;
    bool m_closing = false;
    bool m_unloaded = false;
};
