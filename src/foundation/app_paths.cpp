#include "foundation/app_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString gAppPathOverride;
QString gDataPathOverride;

QString stripTrailingSeparator(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}
}  // namespace

QString AppPath()
{
    if (!gAppPathOverride.isEmpty())
        return gAppPathOverride;
    if (QCoreApplication::instance())
        return stripTrailingSeparator(QCoreApplication::applicationDirPath());
    return stripTrailingSeparator(QDir::currentPath());
}

QString DataPath()
{
    if (!gDataPathOverride.isEmpty())
        return gDataPathOverride;
    const QString app = AppPath();
    const QFileInfo info(app);
    if (info.isDir() && info.isWritable())
        return app;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.camclient");
    QDir().mkpath(data);
    return stripTrailingSeparator(data);
}

void SetAppPath(const QString& path) { gAppPathOverride = stripTrailingSeparator(path); }
void SetDataPath(const QString& path) { gDataPathOverride = stripTrailingSeparator(path); }
