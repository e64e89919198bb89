// A temporary program folder for tests: AppPath() and DataPath() point into
// it for the fixture's lifetime, with helpers to write files there.
#pragma once

#include "foundation/app_paths.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// Copies every file below `from` into `to`, keeping the folders and replacing
// files already there; false when one could not be copied.
inline bool CopyTree(const QString& from, const QString& to)
{
    bool ok = true;
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        ok = QFile::copy(source, target) && ok;
    }
    return ok;
}

class TempProgramFolder {
public:
    TempProgramFolder()
    {
        SetAppPath(m_dir.path());
        SetDataPath(m_dir.path());
    }
    ~TempProgramFolder()
    {
        SetAppPath({});
        SetDataPath({});
    }
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString& relative) const
    {
        return m_dir.path() + QLatin1Char('/') + relative;
    }

    // Writes a file (creating its folders); returns its full path.
    QString write(const QString& relative, const QByteArray& data) const
    {
        const QString full = file(relative);
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile f(full);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(data);
        return full;
    }
    QByteArray read(const QString& relative) const
    {
        QFile f(file(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString& relative) const { return QFileInfo::exists(file(relative)); }
    void remove(const QString& relative) const { QFile::remove(file(relative)); }

private:
    QTemporaryDir m_dir;
};
