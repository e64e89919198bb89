#include "platform/desktop_apps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>

#include <map>

namespace {

// Groups of a freedesktop key file: group -> key -> raw value.
using KeyFile = std::map<QString, std::map<QString, QString>>;

KeyFile readKeyFile(const QString& path)
{
    KeyFile groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return groups;
    QString group;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || group.isEmpty())
            continue;
        const QString key = line.left(eq).trimmed();
        auto& keys = groups[group];
        if (keys.find(key) == keys.end())  // the first occurrence counts
            keys[key] = line.mid(eq + 1).trimmed();
    }
    return groups;
}

QString value(const KeyFile& kf, const QString& group, const QString& key)
{
    const auto g = kf.find(group);
    if (g == kf.end())
        return {};
    const auto k = g->second.find(key);
    return k == g->second.end() ? QString() : k->second;
}

// Resolves the escapes of a key-file string value.
QString unescapeValue(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != QLatin1Char('\\') || i + 1 >= raw.size()) {
            out += raw[i];
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
        case 's':
            out += QLatin1Char(' ');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case '\\':
            out += QLatin1Char('\\');
            break;
        default:
            out += QLatin1Char('\\');
            out += next;
        }
    }
    return out;
}

QStringList splitList(const QString& raw)
{
    QStringList items;
    for (const QString& item : raw.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString t = item.trimmed();
        if (!t.isEmpty())
            items << t;
    }
    return items;
}

// The mimeapps.list files in the order of precedence.
QStringList mimeAppsFiles(const XdgDirs& dirs)
{
    QStringList files;
    auto addDir = [&](const QString& dir) {
        if (dir.isEmpty())
            return;
        for (const QString& desktop : dirs.desktopNames)
            files << dir + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        files << dir + QStringLiteral("/mimeapps.list");
    };
    addDir(dirs.configHome);
    for (const QString& d : dirs.configDirs)
        addDir(d);
    if (!dirs.dataHome.isEmpty())
        addDir(dirs.dataHome + QStringLiteral("/applications"));
    for (const QString& d : dirs.dataDirs)
        addDir(d + QStringLiteral("/applications"));
    return files;
}

QStringList applicationDirs(const XdgDirs& dirs)
{
    QStringList out;
    if (!dirs.dataHome.isEmpty())
        out << dirs.dataHome + QStringLiteral("/applications");
    for (const QString& d : dirs.dataDirs)
        out << d + QStringLiteral("/applications");
    return out;
}

bool inPath(const QString& program)
{
    if (program.contains(QLatin1Char('/')))
        return QFileInfo(program).isExecutable();
    return !QStandardPaths::findExecutable(program).isEmpty();
}

// A desktop file that can be launched: an application, not hidden, with an
// Exec line and, when it names one, an installed TryExec program. A program
// that runs in a terminal is left out: started without one it has no screen
// and ends at once, so the operator would see nothing.
bool launchable(const KeyFile& kf)
{
    const QString group = QStringLiteral("Desktop Entry");
    if (kf.find(group) == kf.end())
        return false;
    const QString type = value(kf, group, QStringLiteral("Type"));
    if (!type.isEmpty() && type != QLatin1String("Application"))
        return false;
    if (value(kf, group, QStringLiteral("Hidden")) == QLatin1String("true"))
        return false;
    if (value(kf, group, QStringLiteral("Exec")).isEmpty())
        return false;
    if (value(kf, group, QStringLiteral("Terminal")) == QLatin1String("true"))
        return false;
    const QString tryExec = unescapeValue(value(kf, group, QStringLiteral("TryExec")));
    return tryExec.isEmpty() || inPath(tryExec);
}

bool installed(const QString& id, const XdgDirs& dirs)
{
    const QString path = FindDesktopFile(id, dirs);
    return !path.isEmpty() && launchable(readKeyFile(path));
}

}  // namespace

XdgDirs XdgDirs::FromEnvironment()
{
    auto env = [](const char* name) { return qEnvironmentVariable(name); };
    const QString home = QDir::homePath();
    XdgDirs d;
    d.configHome = env("XDG_CONFIG_HOME");
    if (d.configHome.isEmpty())
        d.configHome = home + QStringLiteral("/.config");
    d.configDirs = env("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (d.configDirs.isEmpty())
        d.configDirs << QStringLiteral("/etc/xdg");
    d.dataHome = env("XDG_DATA_HOME");
    if (d.dataHome.isEmpty())
        d.dataHome = home + QStringLiteral("/.local/share");
    d.dataDirs = env("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (d.dataDirs.isEmpty())
        d.dataDirs << QStringLiteral("/usr/local/share") << QStringLiteral("/usr/share");
    for (const QString& name :
         env("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        d.desktopNames << name.toLower();
    return d;
}

QString FindDesktopFile(const QString& desktopId, const XdgDirs& dirs)
{
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')))
        return {};
    // "vendor-app.desktop" may also live in the sub-folder "vendor/app.desktop".
    QStringList candidates{desktopId};
    QString nested = desktopId;
    for (qsizetype dash = nested.indexOf(QLatin1Char('-')); dash > 0;
         dash = nested.indexOf(QLatin1Char('-'), dash + 1)) {
        nested[dash] = QLatin1Char('/');
        candidates << nested;
    }
    for (const QString& dir : applicationDirs(dirs)) {
        for (const QString& relative : candidates) {
            const QString path = dir + QLatin1Char('/') + relative;
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}

QString DefaultDesktopId(const QStringList& mimeTypes, const XdgDirs& dirs)
{
    const QStringList lists = mimeAppsFiles(dirs);
    std::vector<KeyFile> parsed;
    parsed.reserve(static_cast<size_t>(lists.size()));
    for (const QString& f : lists)
        parsed.push_back(readKeyFile(f));

    // 1. An explicit default, for the type itself before its parents.
    for (const QString& type : mimeTypes) {
        for (const KeyFile& kf : parsed) {
            for (const QString& id :
                 splitList(value(kf, QStringLiteral("Default Applications"), type)))
                if (installed(id, dirs))
                    return id;
        }
    }
    // 2. Added associations, then the applications that declare the type,
    //    leaving out the associations the user removed.
    for (const QString& type : mimeTypes) {
        QSet<QString> removed;
        for (const KeyFile& kf : parsed)
            for (const QString& id :
                 splitList(value(kf, QStringLiteral("Removed Associations"), type)))
                removed.insert(id);
        for (const KeyFile& kf : parsed)
            for (const QString& id :
                 splitList(value(kf, QStringLiteral("Added Associations"), type)))
                if (!removed.contains(id) && installed(id, dirs))
                    return id;
        for (const QString& dir : applicationDirs(dirs)) {
            const QString cache = dir + QStringLiteral("/mimeinfo.cache");
            QStringList ids;
            if (QFileInfo(cache).isFile()) {
                ids = splitList(value(readKeyFile(cache), QStringLiteral("MIME Cache"), type));
            } else {
                // No cache in this folder: read the desktop files themselves.
                const QStringList names =
                    QDir(dir).entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
                for (const QString& name : names) {
                    const KeyFile kf = readKeyFile(dir + QLatin1Char('/') + name);
                    if (splitList(
                            value(kf, QStringLiteral("Desktop Entry"), QStringLiteral("MimeType")))
                            .contains(type))
                        ids << name;
                }
            }
            for (const QString& id : ids)
                if (!removed.contains(id) && installed(id, dirs))
                    return id;
        }
    }
    return {};
}

QStringList ExecCommandLine(const QString& exec, const QString& file, const QString& name,
                            const QString& desktopFile)
{
    // Split into arguments: blanks separate, double quotes group, and inside
    // quotes a backslash escapes " ` $ and itself.
    struct Arg {
        QString text;
        bool quoted = false;
    };
    std::vector<Arg> args;
    const QString line = unescapeValue(exec);
    Arg current;
    bool inArg = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else if (c == QLatin1Char('\\') && i + 1 < line.size()
                       && QStringLiteral("\"`$\\").contains(line[i + 1])) {
                current.text += line[++i];
            } else {
                current.text += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')) {
            if (inArg) {
                args.push_back(current);
                current = Arg();
                inArg = false;
            }
            continue;
        }
        inArg = true;
        if (c == QLatin1Char('"')) {
            inQuotes = true;
            current.quoted = true;
        } else {
            current.text += c;
        }
    }
    if (inQuotes)
        return {};
    if (inArg)
        args.push_back(current);
    if (args.empty())
        return {};

    const QString url = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
    QStringList out;
    bool fileUsed = false;
    for (const Arg& arg : args) {
        const bool program = out.isEmpty();
        if (arg.quoted) {
            out << arg.text;
            continue;
        }
        QString expanded;
        bool onlyCodes = true;
        for (qsizetype i = 0; i < arg.text.size(); ++i) {
            if (arg.text[i] != QLatin1Char('%') || i + 1 >= arg.text.size()) {
                expanded += arg.text[i];
                onlyCodes = false;
                continue;
            }
            const QChar code = arg.text[++i];
            switch (code.unicode()) {
            case 'f':
            case 'F':
                expanded += file;
                fileUsed = true;
                onlyCodes = false;
                break;
            case 'u':
            case 'U':
                expanded += url;
                fileUsed = true;
                onlyCodes = false;
                break;
            case 'c':
                expanded += name;
                onlyCodes = false;
                break;
            case 'k':
                expanded += desktopFile;
                onlyCodes = false;
                break;
            case '%':
                expanded += QLatin1Char('%');
                onlyCodes = false;
                break;
            default:
                break;  // %i and deprecated codes expand to nothing
            }
        }
        // The program itself must be named, not made of field codes.
        if (program && expanded != arg.text)
            return {};
        if (!(onlyCodes && expanded.isEmpty()))
            out << expanded;
    }
    if (out.isEmpty() || out.first().isEmpty())
        return {};
    if (!fileUsed)
        out << file;
    return out;
}

QStringList DesktopAssociatedCommand(const QString& file, const QString& mimeType,
                                     const QStringList& parentTypes, const XdgDirs& dirs)
{
    QStringList types{mimeType};
    types << parentTypes;
    const QString id = DefaultDesktopId(types, dirs);
    if (id.isEmpty())
        return {};
    const QString path = FindDesktopFile(id, dirs);
    const KeyFile kf = readKeyFile(path);
    const QString group = QStringLiteral("Desktop Entry");
    return ExecCommandLine(value(kf, group, QStringLiteral("Exec")), file,
                           unescapeValue(value(kf, group, QStringLiteral("Name"))), path);
}

QStringList DesktopAssociatedCommand(const QString& file)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    if (!type.isValid())
        return {};
    QStringList types = type.aliases();
    types << type.allAncestors();
    return DesktopAssociatedCommand(file, type.name(), types, XdgDirs::FromEnvironment());
}
