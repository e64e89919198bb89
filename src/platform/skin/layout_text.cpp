#include "platform/skin/layout_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

const LayoutEntry* LayoutSection::find(const QString& key) const
{
    const QString k = key.toLower();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->key == k)
            return &*it;
    return nullptr;
}

LayoutText ParseLayoutText(const QByteArray& data)
{
    LayoutText out;
    QByteArray bytes = data;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))
            || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']'))) {
                out.warnings << QStringLiteral("line %1: section header without ']'").arg(lineNo);
                continue;
            }
            const QString inner = line.mid(1, line.size() - 2).trimmed();
            if (inner.isEmpty()) {
                out.warnings << QStringLiteral("line %1: empty section header").arg(lineNo);
                continue;
            }
            LayoutSection section;
            const int space = inner.indexOf(QRegularExpression(QStringLiteral("\\s")));
            section.kind = (space < 0 ? inner : inner.left(space)).toLower();
            section.name = space < 0 ? QString() : inner.mid(space + 1).trimmed();
            section.line = lineNo;
            out.sections.push_back(std::move(section));
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            out.warnings << QStringLiteral("line %1: expected 'key = value'").arg(lineNo);
            continue;
        }
        if (out.sections.empty()) {
            out.warnings << QStringLiteral("line %1: entry before the first section").arg(lineNo);
            continue;
        }
        LayoutEntry entry;
        entry.key = line.left(eq).trimmed().toLower();
        entry.value = line.mid(eq + 1).trimmed();
        entry.line = lineNo;
        out.sections.back().entries.push_back(std::move(entry));
    }
    return out;
}

std::optional<QByteArray> ReadLayoutBytes(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.exists()) {
        if (error)
            *error = QStringLiteral("%1: no such file").arg(path);
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // Read one byte more than allowed, so that a growing file is caught too.
    QByteArray data = file.read(kMaxLayoutFileBytes + 1);
    if (data.size() > kMaxLayoutFileBytes) {
        if (error)
            *error = QStringLiteral("%1: file too large").arg(path);
        return std::nullopt;
    }
    return data;
}

std::optional<LayoutText> ReadLayoutFile(const QString& path, QString* error)
{
    const auto data = ReadLayoutBytes(path, error);
    if (!data)
        return std::nullopt;
    return ParseLayoutText(*data);
}

QString FindFileNoCase(const QString& folder, const QString& name)
{
    const QString direct = QDir(folder).filePath(name);
    if (QFileInfo(direct).isFile())
        return direct;
    // Walk the path one part at a time, matching each part without case.
    QString current = folder;
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        const QDir dir(current);
        const QStringList entries =
            dir.entryList(last ? QDir::Files : QDir::Dirs | QDir::NoDotAndDotDot);
        QString match;
        for (const QString& e : entries) {
            if (e.compare(parts[i], Qt::CaseInsensitive) == 0) {
                match = e;
                break;
            }
        }
        if (match.isEmpty())
            return {};
        current = dir.filePath(match);
    }
    return parts.isEmpty() ? QString() : current;
}

std::optional<std::vector<int>> ParseIntList(const QString& text, int count)
{
    static const QRegularExpression sep(QStringLiteral("[\\s,]+"));
    const QStringList parts = text.split(sep, Qt::SkipEmptyParts);
    if (parts.size() != count)
        return std::nullopt;
    std::vector<int> out;
    out.reserve(count);
    for (const QString& p : parts) {
        bool ok = false;
        const int v = p.toInt(&ok);
        // Skins stay well inside this range; larger values are typing errors.
        if (!ok || v < -100000 || v > 100000)
            return std::nullopt;
        out.push_back(v);
    }
    return out;
}

std::optional<QRect> ParseRectValue(const QString& text)
{
    const auto v = ParseIntList(text, 4);
    if (!v || (*v)[2] < 0 || (*v)[3] < 0)
        return std::nullopt;
    return QRect((*v)[0], (*v)[1], (*v)[2], (*v)[3]);
}

std::optional<QSize> ParseSizeValue(const QString& text)
{
    const auto v = ParseIntList(text, 2);
    if (!v || (*v)[0] <= 0 || (*v)[1] <= 0)
        return std::nullopt;
    return QSize((*v)[0], (*v)[1]);
}

std::optional<QMargins> ParseMarginsValue(const QString& text)
{
    const auto v = ParseIntList(text, 4);
    if (!v)
        return std::nullopt;
    for (int x : *v)
        if (x < 0)
            return std::nullopt;
    return QMargins((*v)[0], (*v)[1], (*v)[2], (*v)[3]);
}

std::optional<QColor> ParseColorValue(const QString& text)
{
    const QColor c = QColor::fromString(text.trimmed());
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<bool> ParseFlagValue(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("yes") || t == QLatin1String("true") || t == QLatin1String("on")
        || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("no") || t == QLatin1String("false") || t == QLatin1String("off")
        || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

std::optional<QFont> ParseFontValue(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 2 || parts[0].trimmed().isEmpty())
        return std::nullopt;
    bool ok = false;
    const double size = parts[1].trimmed().toDouble(&ok);
    if (!ok || size <= 0 || size > 400)
        return std::nullopt;
    QFont font(parts[0].trimmed());
    font.setPointSizeF(size);
    for (int i = 2; i < parts.size(); ++i) {
        const QString style = parts[i].trimmed().toLower();
        if (style == QLatin1String("bold"))
            font.setBold(true);
        else if (style == QLatin1String("italic"))
            font.setItalic(true);
        else
            return std::nullopt;
    }
    return font;
}
