// Where the program reads its resources (the program folder) and where it
// writes its own files (the data folder: the program folder when writable,
// else the per-user data folder).
#pragma once

#include <QString>

// Folder of the executable, no trailing separator.
QString AppPath();
// Folder for main.ini, Log/, temporary pictures and the default storage.
QString DataPath();

// Tests and the start-up code may point both at other folders.
void SetAppPath(const QString& path);
void SetDataPath(const QString& path);  // empty: derive from AppPath()
