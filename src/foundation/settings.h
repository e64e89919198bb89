// main.ini: the operator's settings (four camera slots with their schedules,
// motion and mail settings, and the general proxy, storage, recording-file,
// recycling, scan and player settings). The file lives in the data folder and
// is written with owner-only permissions because it holds passwords.
//
// Reading follows the reading rule of ini_values.h with the field-specific
// fallbacks documented in docs/settings-files.md. A value that does not
// convert, or a number outside what the program can use (see
// kSettingsLimits in settings.cpp), makes LoadSettings fail; values read
// before the failure stay in the globals.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// DataPath() + "/main.ini".
QString MainIniPath();

// Writes every slot and the general settings. False on any failure; no message.
bool SaveSettings();
// Reads main.ini into the globals. True when the file does not exist (nothing
// changes) or was read to the end; false when it cannot be read or a value is
// malformed.
bool LoadSettings();
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
