// Finds the program the desktop associates with a file, the way freedesktop
// desktops do: the file's MIME type (and its parent types), the default and
// added associations of the mimeapps.list files, the mimeinfo.cache of the
// installed applications, and the Exec line of the chosen .desktop file.
#pragma once

#include <QString>
#include <QStringList>

// The folders the lookup reads; FromEnvironment() follows the XDG variables
// and their documented defaults.
struct XdgDirs {
    QString configHome;
    QStringList configDirs;
    QString dataHome;
    QStringList dataDirs;
    QStringList desktopNames;  // XDG_CURRENT_DESKTOP, lower-cased

    static XdgDirs FromEnvironment();
};

// The command line (program first, the file included) that opens file with
// its associated program; empty when no installed program is associated.
QStringList DesktopAssociatedCommand(const QString& file);
QStringList DesktopAssociatedCommand(const QString& file, const QString& mimeType,
                                     const QStringList& parentTypes, const XdgDirs& dirs);

// The desktop file id ("org.example.Player.desktop") of the program associated
// with the first of mimeTypes that has one; empty when none does.
QString DefaultDesktopId(const QStringList& mimeTypes, const XdgDirs& dirs);

// The full path of an installed desktop file id; empty when not installed.
QString FindDesktopFile(const QString& desktopId, const XdgDirs& dirs);

// Turns an Exec value into program and arguments for one file: quoting and
// escapes are resolved, %f/%F become the path, %u/%U its file URL, %c the
// name, %k the desktop file, %% a percent sign; other field codes vanish.
// Without a file field code the path is appended. Empty on a malformed value.
QStringList ExecCommandLine(const QString& exec, const QString& file, const QString& name = {},
                            const QString& desktopFile = {});
