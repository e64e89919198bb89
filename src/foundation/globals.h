// Program-wide state shared by every window: camera slot records, general
// settings, storages, skin button tables, language tables and mode flags.
// Arrays keep the index ranges the program uses everywhere: slots are 1..4
// (entry 0 of slot arrays is unused), storages 0..15, panel buttons 0..40,
// window buttons 0..10.
#pragma once

#include "platform/image_server/camera_codes.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstddef>
#include <vector>

inline constexpr int kSlotCount = 4;
inline constexpr int kScheduleCount = 5;
inline constexpr int kMaxStorages = 16;
inline constexpr int kPanelBtnCount = 41;
inline constexpr int kViewBtnCount = 11;
inline constexpr int kDefaultCamPort = 8481;

// CamInfo::RecordMode, stored in main.ini as the number.
enum CamRecordMode : int {
    kRecordNone = 0,
    kRecordManual = 1,
    kRecordSchedule = 2,
    kRecordMotion = 3,
};

// Indexes of gWinOpen; slot n's video window is index n.
enum WinOpenIndex : size_t {
    kWinOpenPanel = 0,
    kWinOpenCombine = 5,
    kWinOpenScan = 6,
};

// Indexes of gOnTop; slot n's video window is index n - 1 (OnTopIndexOfSlot).
enum OnTopIndex : size_t {
    kOnTopScan = 4,
    kOnTopCombine = 5,
};
constexpr size_t OnTopIndexOfSlot(int slot) { return static_cast<size_t>(slot - 1); }

struct ScheduleInfo {
    bool CHECK = false;
    int MODE = 1;  // 0 weekly, 1 one date
    QString TimeStart;
    QString TimeStop;
    int WeekOption = 0;  // bit 0 Sunday .. bit 6 Saturday
    QString DateStart;
    QString DateStop;
    bool Started = false;  // run time only
    bool Stopped = false;  // run time only
};

struct CamInfo {
    int RecordType = 1;
    bool Assign = false;
    bool IsLocalCamera = true;
    bool Recording = false;
    bool AdminVerified = false;
    bool PT = false;
    bool Enable = false;
    // Run-time only: the slot runs (Enable) but its pictures stopped coming;
    // the camera object is reconnecting. Set by the stream codes 15 and 1000,
    // cleared by code 2 and by every start and stop.
    bool Reconnecting = false;
    QString IPAddress;
    QString MacAddress = QStringLiteral("0.0.0.0.0.0");
    int Port = kDefaultCamPort;
    int Protocol = kProtocolServer;
    QString UserName;
    QString Password;
    QString ServerModel;
    QString ServerName;
    QString ServerLocation;
    QString FWVersion;
    QString HWVersion;
    QString ROMVersion;
    QDateTime LastMotionTime;
    bool MotionFlag = false;
    int RotateAngle = 0;
    int RecordMode = kRecordNone;  // CamRecordMode
    int ScheduleCount = 0;
    int CurSchedule = 0;
    std::array<ScheduleInfo, kScheduleCount + 1> Schedule{};  // 1..5
    QString MailServer;
    QString MailFrom;
    QString MailTo;
    QString MailSubject;
    QString MailUserName;
    QString MailPassword;
    int MailIntervalTime = 5;
    int Sensitivity = 5;
    int Alarm = 0;
    int SendEmail = 0;
    int Trig1 = 0;
    int Trig2 = 0;
    QDateTime LastMailTime;
};

struct StorageInfo {
    QString Path;
    bool Checked = false;
};

struct BtnInfo {
    std::array<QString, 9> BtnStr{};
    QString BtnName;
    bool EnableGray = false;
};

struct DeviceInfo {
    QString Model;
    QString Page;
};

// Camera slots, 1..4.
extern std::array<CamInfo, kSlotCount + 1> gCam;

// General settings.
extern bool gBypassProxyServer;
extern bool gEnableProxy;
extern QString gProxyServerAddress;
extern int gProxyServerPort;
extern qint16 gReserveSpace;
extern qint16 gSplitFileMode;
extern qint16 gFileSize;
extern qint16 gFileTimeLimited;
extern std::array<StorageInfo, kMaxStorages> gStorage;
extern int gStorageCount;
extern int gActiveStorage;
extern int gUseRecycleFlag;
extern int gRecycleMode;
extern int gRecycleSpaceValue;
extern int gRecycleTime;
extern int gScanDelay;
extern int gPlayerMode;
extern QString gPlayerPath;

// Skin button tables and the web-page table.
extern std::array<BtnInfo, kPanelBtnCount> gPanelBtn;
extern std::array<BtnInfo, kViewBtnCount> gViewBtn;
extern QString gMaxTipNormal;
extern QString gMaxTipMaximized;
extern std::vector<DeviceInfo> gDevice;  // entries 1..gDeviceCount; entry 0 stays empty
extern int gDeviceCount;
extern QString gDefaultPage;

// Modes and windows.
extern QString gLanguage;
extern int gCurCam;
extern int gCombineMode;
extern bool gScanMode;
extern int gScanCam;
extern std::array<bool, 7> gWinOpen;  // 0 panel, 1..4 slot windows, 5 combined, 6 scan
extern bool gCamCfgOpen;
extern bool gIntervalEnabled;
extern std::array<bool, 6> gOnTop;                     // 0..3 slot windows, 4 scan, 5 combined
extern std::array<bool, kSlotCount> gAudioOn;          // index slot - 1
extern std::array<bool, kSlotCount> gStreamRestarted;  // index slot - 1
extern std::array<bool, kSlotCount> gExtInfo;          // index slot - 1
extern QString gNonce;
extern std::array<QString, kSlotCount> gCamNonce;  // index slot - 1

// Language font and panel values.
extern QString gFontName;
extern float gFontSize;
extern int gFontWeight;
extern int gFontCharSet;
extern int gUIWidth;
extern int gUIHeight;
extern QString gHelpFileName;
extern QString gAboutVersion;
extern QString gVersion;
extern std::array<int, 6> gExtraItem;  // 1..5

// Language text tables.
extern QString gAppTitle;
extern QString gLblEmpty;
extern std::array<QString, 100> gLangEvent;  // Event<n> in entry n - 1
extern std::array<QString, 3> gLangMainMsg;
// [frmMain] strLogNotWritten: the warning when an event log cannot be written
// (%1 the slot, %2 the file); a pack without the key keeps the built-in text.
extern QString gLangLogNotWritten;
extern const QString kBuiltInLogNotWritten;
// [frmMain] strSettingsNotSaved: the warning when main.ini cannot be written
// (%1 the file, %2 the reason); a pack without the key keeps the built-in text.
extern QString gLangSettingsNotSaved;
extern const QString kBuiltInSettingsNotSaved;
extern std::array<QString, 5> gLangCtrlMsg;
extern std::array<QString, 2> gLangClientMsg;
extern std::array<QString, 4> gLangRec;
extern QString gLangOnLine;
extern QString gLangOffLine;
// [frmController] strReconnecting: the status of a running slot whose pictures
// stopped coming; a pack without the key keeps the built-in text.
extern QString gLangReconnecting;
extern const QString kBuiltInReconnecting;
// The status a slot's lines and status bars show: on line, reconnecting or
// off line.
const QString& ConnectionText(const CamInfo& cam);
// The text over a slot's picture: the reconnecting status while the slot runs
// without pictures, else empty.
QString PictureDownText(const CamInfo& cam);
extern std::array<QString, 3> gLangPopup;
extern std::array<QString, 3> gLangClientSkl;
extern std::array<QString, 7> gDayName;
extern std::array<QString, 2> gModeName;
// Panel information-line labels.
extern QString gLangModel;
extern QString gLangHWVER;
extern QString gLangFWVER;
extern QString gLangROMVER;
extern QString gLangMACADDR;
extern QString gLangIPADDR;
extern QString gLangName;
// Captions of windows whose caption is set from outside.
extern QString gLangCombineCaption;
extern QString gLangScanCaption;
extern QString gLangWebCaption;

// The built-in application title, used until the caption file is read.
inline const QString kBuiltInTitle = QStringLiteral("Corvex SE");

// Gives every global its start value. Called once at start-up before any file
// is read; calling it again (tests) brings every global back to that state.
void InitGlobalVariable();
