// Reader for the sectioned text files of the skin engine and the toolbar
// (".skn" and ".atb"): "[Kind Name]" section headers, "key = value" lines,
// whole-line comments starting with '#' or ';'. Keys and section kinds are
// case-insensitive; section names and values are kept as written.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QMargins>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct LayoutEntry {
    QString key;  // lower case
    QString value;
    int line = 0;
};

struct LayoutSection {
    QString kind;  // lower case, e.g. "skin", "element", "tool"
    QString name;  // as written, may be empty
    int line = 0;
    std::vector<LayoutEntry> entries;

    // The last entry of that key (keys are compared in lower case), or nullptr.
    const LayoutEntry* find(const QString& key) const;
};

struct LayoutText {
    std::vector<LayoutSection> sections;
    QStringList warnings;  // "line N: ..." for lines that were skipped
};

// Files larger than this are refused: no layout needs more.
inline constexpr qint64 kMaxLayoutFileBytes = 1024 * 1024;

// Parses the text. Lines that cannot be understood are skipped with a warning;
// entries before the first section header are skipped too.
LayoutText ParseLayoutText(const QByteArray& data);

// Reads a file whole; nullopt with *error set when it cannot be read or is too large.
std::optional<QByteArray> ReadLayoutBytes(const QString& path, QString* error);
// Reads and parses a file; nullopt with *error set when it cannot be read or is too large.
std::optional<LayoutText> ReadLayoutFile(const QString& path, QString* error);

// Finds a file in its folder ignoring the case of the file name (resources
// written on a case-insensitive system keep working). Returns the existing
// path or an empty string.
QString FindFileNoCase(const QString& folder, const QString& name);

// Value helpers. Each returns nullopt when the text does not fit.
std::optional<std::vector<int>> ParseIntList(const QString& text, int count);
std::optional<QRect> ParseRectValue(const QString& text);        // "x y w h"
std::optional<QSize> ParseSizeValue(const QString& text);        // "w h"
std::optional<QMargins> ParseMarginsValue(const QString& text);  // "left top right bottom"
std::optional<QColor> ParseColorValue(const QString& text);      // "#rrggbb", "#aarrggbb", a name
std::optional<bool> ParseFlagValue(const QString& text);         // yes/no, true/false, on/off, 1/0
// "Family, size[, bold][, italic]"; size in points.
std::optional<QFont> ParseFontValue(const QString& text);
