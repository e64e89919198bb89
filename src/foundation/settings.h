// main.ini: the operator's settings (four camera slots with their schedules,
// motion and mail settings, and the general proxy, storage, recording-file,
// recycling, scan and player settings). The file lives in the data folder and
// is written with owner-only permissions because it holds passwords.
//
// Reading follows the reading rule of ini_values.h with the field-specific
// fallbacks documented in docs/settings-files.md. Every value that converts
// to its key's type loads as written and is saved back unchanged; only a
// number or flag whose text does not convert, more than sixteen storages or a
// file that cannot be read make LoadSettings fail (values read before the
// failure stay in the globals). The code that uses a setting takes it through
// the functions at the end of this header, which make odd values sound.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>

struct CamInfo;

// DataPath() + "/main.ini".
QString MainIniPath();

// Writes every slot and the general settings. False on any failure, with the
// file and the reason in `error` when given; no message. The file is replaced
// whole or not at all.
bool SaveSettings(QString* error = nullptr);

// Who asked for a save, which decides how often a failure is shown.
enum class SaveRequest {
    Operator,  // an accepted dialog: every failure is shown
    Program,   // the program's own saves (a camera push, the program's end): a
               // failure is shown once until a save works again
};
// SaveSettings, and when it fails the warning gLangSettingsNotSaved (the file
// and the reason) in a box with the application title. The settings in memory
// stay as they are, so a later save writes them.
bool SaveSettingsOrWarn(SaveRequest request);
// Reads main.ini into the globals. True when the file does not exist (nothing
// changes) or was read to the end; false when it cannot be read or a value
// does not convert. On false, `error` (when given) names the file, the key and
// the text: `/opt/cam/main.ini: [Cam2] Port = "80a" is not a number`.
bool LoadSettings(QString* error = nullptr);
// The 1-based number of the first checked storage among all sixteen entries;
// 0 when gStorageCount is below 1 or none is checked.
int GetFirstCheckedStorage();

// Schedule times and dates are stored as "HH:mm" and "yyyy-MM-dd". The readers
// also accept older forms: times "h:mm AP", "h:mm:ss AP", "HH:mm:ss"; dates
// "M/d/yyyy" and the system locale's short date. Invalid or empty text gives
// an invalid QTime/QDate.
QTime ScheduleTimeFromText(const QString& text);
QDate ScheduleDateFromText(const QString& text);
QString ScheduleTimeToText(const QTime& time);
QString ScheduleDateToText(const QDate& date);

// Settings as the program acts on them. The stored values stay as they are.
// Megabytes kept free on a recording storage: 500 + 50 x gReserveSpace, an
// index below 0 counting as 0.
int ReserveSpaceMB();
// Size and time at which a recording file is split: (index + 1) x 10 MB or
// minutes, an index below 0 counting as 0 and the result capped to what the
// camera objects take (32760).
int SplitFileSizeMB();
int SplitFileMinutes();
// Seconds the scan tour shows each camera: gScanDelay + 1, at least 1 and at
// most 24 days (the longest a timer waits).
int ScanStepSeconds();
// A rotation the video can be drawn in: 0, 90, 180 or 270; any other angle is 0.
int QuarterTurn(int degrees);
// The port the slot's camera is reached on: its Port when 1..65535, else the
// protocol's default (80 for protocols 1 and 2, 8481 otherwise).
int CameraPort(const CamInfo& cam);
