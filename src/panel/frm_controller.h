// frmController: the control panel, the window the program is operated from.
//
// The skin engine draws all of it from the language's panel skin
// (lang/<tag>_1.skn): the four camera-slot buttons with their LEDs, the
// command buttons, the slot number, five information lines and the clock.
// The panel turns the operator's clicks into engine commands (connect,
// assign, erase, ...) and keeps its looks in step with the current slot
// gCurCam. The engine calls back through IPanelWindow (LEDs, text refresh,
// pan/tilt looks).
//
// Button looks come from the panel button table gPanelBtn (one row per
// element; cells 0 disabled group, 1 normal, 2 pressed/on, 4 hover,
// 5 greyed, 7 tip, 8 picture when shown again).
//
// Commands whose window or dialog is not part of the program yet (see
// CommandAvailable) keep their greyed look, carry the "not available yet"
// tip and ignore the mouse; they switch on by themselves once their window
// is registered, or once their own code sets them available.
//
// Every handler reachable from the event loop catches exceptions at its
// boundary; a missing skin element is ignored (the skin engine reports it).
#pragma once

#include "engine/engine_windows.h"
#include "foundation/window_registry.h"

#include <QDateTime>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <span>

class ActiveToolBar;
class IBrowseDialog;
class IPanelEngine;
class ImageServer;
class SkinElement;
class SkinForm;
class Tool;
class frmMain;

class frmController : public QWidget, public WindowLifecycle, public IPanelWindow {
    Q_OBJECT
public:
    using ImageServerFactory = std::function<std::unique_ptr<ImageServer>()>;

    // Panel button table rows with fixed roles.
    static constexpr int kRowScan = 3;
    static constexpr int kRowCombine = 4;
    static constexpr int kRowMotionRec = 6;
    static constexpr int kRowScheduleRec = 7;
    static constexpr int kRowManualRec = 8;
    static constexpr int kRowAssign = 9;
    static constexpr int kRowConnect = 10;
    static constexpr int kRowErase = 11;
    static constexpr int kRowExtInfo = 12;
    static constexpr int kRowWeb = 13;
    static constexpr int kRowMotion = 14;
    static constexpr int kRowUpdate = 15;
    static constexpr int kRowCamBase = 15;  // slot n: row 15 + n
    static constexpr int kRowLedBase = 19;  // LED n: row 19 + n
    static constexpr int kRowPlay = 32;
    static constexpr int kRowCamConf = 33;
    static constexpr int kRowPtFirst = 34;  // PT-L, PT-R, PT-U, PT-D, PT-H, PT-S
    static constexpr int kRowPtLast = 39;
    static constexpr int kRowPtGroup = 40;
    // Cells of a row.
    static constexpr int kCellDisabled = 0;
    static constexpr int kCellNormal = 1;
    static constexpr int kCellDown = 2;
    static constexpr int kCellHover = 4;
    static constexpr int kCellGray = 5;
    static constexpr int kCellTip = 7;
    static constexpr int kCellImage = 8;
    // StyleFlags of a switched-off and a switched-on element.
    static constexpr int kStyleOff = 2;
    static constexpr int kStyleOn = 18;
    // AssignCam's wait for the old stream to stop: tests, and the sleep between.
    static constexpr int kStopPolls = 50;
    static constexpr int kStopPollMs = 100;

    // Commands that come with their own code; unset ones are not available yet.
    // The panel sets those whose code is part of the program; tests replace them.
    struct Commands {
        // Recording-mode toggles of the current slot: true when the slot had a
        // recording mode on entry.
        std::function<bool()> ManualRecord;
        std::function<bool()> ScheduleRecord;
        std::function<bool()> MotionRecord;
        std::function<void()> PlayRecord;
        std::function<void()> Combine_Fun;
        std::function<void()> Scan_Fun;
        std::function<void()> WebSetting;
        // Pan/tilt: ask the operator whether motion handling may go off
        // (true = go ahead), and send a pan/tilt code for a slot.
        std::function<bool(int slot)> ConfirmPTControl;
        std::function<void(int slot, int code)> SendPTCommand;
    };
    Commands commands;

    // The panel's own image server comes from `makeImageServer` (tests), else
    // it is the production one.
    explicit frmController(ImageServerFactory makeImageServer = {}, QWidget* parent = nullptr);
    ~frmController() override;

    // --- Life ---
    void Form_Load() override;
    // Runs on every activation and on the first show; its one-time part
    // (caption, tips, LEDs, fonts) only once per load.
    void Form_Activate();
    void Form_Unload() override;

    // --- What the engine and the other windows call ---
    // LED n (1..12) of slot (n - 1) / 3 + 1: k = 1 recording, 2 motion, 3 connected.
    void LedControl(int led, bool on) override;
    void RefreshPanelText() override;
    void ChkBtnStatus(const QString& button) override;
    void StopBtnHold() override;
    void RefrushCamCfgBtn();
    void RefreshPTPanel();
    // Pan/tilt: asks before motion handling goes off (true: go ahead), and
    // sends a code to the current slot's camera. The panel installs both as
    // its commands.
    bool ConfirmPTControl(int slot);
    void SendPTCommand(int slot, int code);

    // --- Recording modes of the current slot ---
    // The three toggles: true when the slot had a recording mode on entry
    // (and during the scan tour or on an empty slot, where they do nothing).
    bool ManualRecord();
    bool ScheduleRecord();
    bool MotionRecord();
    // Ends whatever recording mode the current slot is in.
    void StopCamRecord();
    // Whether one of the slot's first ScheduleCount (at most five) entries is checked.
    static bool HasSchedule(int slot);

    // --- Display ---
    void Combine_Fun();
    void Scan_Fun();
    // Where slot n's window goes when the combined window closes: the
    // top-left corner of its quarter of `desktop`, in units of
    // `unitsPerPixel` (halves rounded to the even neighbour).
    static QPoint QuadrantOrigin(const QRect& desktop, int slot, double unitsPerPixel = 1.0);

    // --- The camera's web pages ---
    void WebSetting();

    // The engine procedures the commands above use (tests hand in a fake;
    // nullptr: the program's engine).
    // Set before the panel loads; the commands that need the engine come on with it.
    void SetPanelEngine(IPanelEngine* engine);
    // Lets the operator pick a recording and plays it.
    void PlayRecord();

    // --- Element helpers ---
    // Shows cell `cell` of row `row` on the row's element (only while the panel is open).
    void ShowBtnBitmap(int row, int cell);
    // Index 0 "LineID", 1..5 "Line1".."Line5".
    void ShowLineText(int index, const QString& text);
    // Shows or hides a named element; false when the skin has no such element.
    bool ShowSkinElement(const QString& name, bool show);
    // One extended-information text of a slot: kinds 1 model, 2 hardware,
    // 3 firmware, 4 ROM version, 5 MAC address, 6 IP address, 7 name; others "".
    static QString GetCamInfoText(int slot, int kind);
    // The clock's text: the short date and the long time, the date alone at midnight.
    static QString ClockText(const QDateTime& now);
    // The panel row whose element has this name, or -1.
    static int RowOf(const QString& name);

    // Whether the command of an element can be used. Elements without a
    // command of their own are always available.
    bool CommandAvailable(const QString& name) const;
    bool PanTiltAvailable() const;

    SkinForm* SkinForm1() const { return m_skin; }
    ActiveToolBar* tbr() const { return m_tbr; }
    ImageServer& ImageServer1() { return *m_imageServer; }
    // Clock (500 ms) and pan/tilt hold repeat.
    QTimer Timer1;
    QTimer tmrBtnHold;

    // The panel's own texts from the caption file.
    QString NotAvailableText() const { return m_textNotAvailable; }

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    // Skin, toolbar, timer and camera-object events.
    void SkinForm1_MouseIn(SkinElement* element);
    void SkinForm1_MouseOut(SkinElement* element);
    void SkinForm1_MouseDown(SkinElement* element, int button);
    void SkinForm1_MouseUp(SkinElement* element, int button);
    void SkinForm1_Click(SkinElement* element);
    void Timer1_Timer();
    void tbr_ToolClick(Tool* tool);
    void ImageServer1_EndCheckIP(int status);

    // Pointer feedback.
    enum class Pointer { In, Out, Down, Up };
    bool PointerGuard(int row, Pointer event) const;
    void ReassertTopMost();

    // Click dispatch: one row per command element (CommandTable); false when
    // the click was refused outright (no common refresh).
    enum class ClickGuard {
        None,             // always runs
        ScanOff,          // refused outright while the scan tour runs
        ScanOffAssigned,  // and an empty slot skips the command (the refresh still follows)
    };
    struct CommandRow;
    static std::span<const CommandRow> CommandTable();
    static const CommandRow* FindCommand(const QString& name);
    bool Dispatch(SkinElement& element);
    void CommonTail();
    bool ConfigButtonStep();
    // Folds the slot's extra information and the camera set-up away.
    void CloseInfo();

    // The click of each command element (false: refused, no common refresh).
    bool Cam_Click(SkinElement& clicked);
    bool SysConf_Click(SkinElement& clicked);
    bool ManualRec_Click(SkinElement& clicked);
    bool ScheduleRec_Click(SkinElement& clicked);
    bool MotionRec_Click(SkinElement& clicked);
    bool Assign_Click(SkinElement& clicked);
    bool Motion_Click(SkinElement& clicked);
    bool Combine_Click(SkinElement& clicked);
    bool Play_Click(SkinElement& clicked);
    bool Scan_Click(SkinElement& clicked);
    bool About_Click(SkinElement& clicked);
    bool Connect_Click(SkinElement& clicked);
    bool Web_Click(SkinElement& clicked);
    bool Min_Click(SkinElement& clicked);
    bool Erase_Click(SkinElement& clicked);
    bool CamConf_Click(SkinElement& clicked);
    bool ExtInfo_Click(SkinElement& clicked);
    bool Update_Click(SkinElement& clicked);
    bool PanTilt_Click(SkinElement& clicked);
    bool Other_Click(SkinElement& clicked);

    // Commands.
    void SelectCam(int cam);
    void ShowClient(int n);
    void AssignCam();
    void EraseCam();
    void GetCamFromBrowse(int slot, const IBrowseDialog& browse);
    void Connect_Fun(int slot);
    void ToggleCamCfg();
    // Opens the search dialog; true when a camera was chosen. The dialog stays
    // loaded until the caller unloads it.
    bool RunBrowseDialog(IBrowseDialog*& browse);
    void ResetAudioButton(QWidget* window);
    // Shows a registered dialog modal and unloads it; false when there is none.
    bool ShowDialog(const QString& name, QWidget* owner);
    void Update_Fun();
    void Motion_Fun();
    void tmrBtnHold_Timer();

    // First activation.
    void InitBtnTips();
    void RefreshLeds();
    void SetTextFonts();

    // Element access. A missing element yields nullptr (reported once by the skin).
    SkinElement* Element(const QString& name) const;
    SkinElement* RowElement(int row) const;
    // The look `cell` of `row`, or the greyed look while the row's command is not available.
    QString RowLook(int row, int cell) const;
    void ApplyAvailability();
    // Shows an element that was hidden: Alpha 0 and, for a row that hides
    // instead of greying, its picture back.
    void Reveal(int row);
    // The set-up group's captions fade while their buttons are greyed.
    void SyncGroupCaptions();
    void SetRowTip(int row, const QString& tip);
    void SetRowStyle(int row, int flags);
    // The two ways of switching an element (its row's EnableGray picks one).
    void SwitchOff(int row);
    void SwitchOn(int row);
    bool RowAvailable(int row) const;
    QString GreyedCell(int row) const;

    frmMain* Engine() const;
    bool Assigned() const;
    IPanelEngine& PanelEngine();
    // Sets the commands that need the engine, each once what it opens is registered.
    void InstallEngineCommands();

    // Recording steps.
    void StopRunningRecording(int c);
    void StartManualRecording(int c);
    void EditSchedules();
    void RefreshRecordLooks(int c);
    // Leaving recording mode `mode`: motion disarmed first, then a running
    // recording stopped.
    void LeaveRecordMode(int c, int mode);
    // The schedule and motion buttons: from their own mode back to none,
    // from any other the mode is left and `arm` tries theirs (given the mode
    // it came from). True when the slot had a recording mode on entry.
    bool ToggleArmedMode(int mode, void (frmController::*arm)(int c, int entry));
    void ArmSchedule(int c, int entry);
    void ArmMotion(int c, int entry);

    SkinForm* m_skin = nullptr;
    ActiveToolBar* m_tbr = nullptr;
    std::unique_ptr<ImageServer> m_imageServer;
    IPanelEngine* m_panelEngine = nullptr;
    std::unique_ptr<IPanelEngine> m_ownPanelEngine;
    bool m_firstActivate = false;
    bool m_connectHover = false;
    bool m_camConfHover = false;
    bool m_loaded = false;
    // A command is under way (it may let events run while it waits).
    bool m_commandBusy = false;
    int m_ptCode = 0;
    QString m_textNotAvailable;
    QString m_textNotStopped;
};
