// SettingsFile: the program's INI file component.
//
// Text form
//   - UTF-8; a byte-order mark at the start is skipped; lines end in LF or CRLF.
//   - "[Section]" lines open a section; "key=value" lines (split at the first
//     "=") belong to the last section opened; lines before the first section,
//     blank lines, lines starting with ";" or "#" and any other line are ignored.
//     There are no inline comments: a value is everything after the "=".
//   - Names (sections and keys) lose their control characters, are trimmed and
//     are compared ASCII case-insensitively; a line with an empty key is ignored.
//     When a file holds a key twice in a section, the first one counts; a
//     section that appears twice is one section.
//   - A value is trimmed of surrounding blanks, unless it is enclosed in double
//     quotes: then the text between the quotes is the value, as it stands.
//     Save quotes every value that would not survive that reading as it stands
//     (leading or trailing blanks, or a value that itself starts and ends with
//     a quote).
//   - Save writes the sections and keys in the order they were first created.
//
// Safety
//   - Load refuses a file that is larger than kMaxFileSize, holds a NUL byte or
//     is not valid UTF-8; the object then holds nothing.
//   - A value or name can never create another line: Save drops CR, LF and the
//     other control characters except TAB from everything it writes.
//   - Save writes a temporary file beside the target, flushes it to disk and
//     renames it over the target, so a reader never sees a half-written file and
//     an interrupted save leaves the previous file whole.
//
// Values are raw text. Typed values are stored as text in fixed forms: flags as
// "True"/"False", integers in plain decimal. Conversions and the reading rule
// live in foundation/ini_values.h.
#pragma once

#include <QFileDevice>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

class SettingsFile {
public:
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    // Names the file that Load and Save use; no file access.
    void FileName(const QString& path) { m_fileName = path; }
    const QString& FileName() const { return m_fileName; }

    // Permissions a saved file gets (default: owner read/write, others read).
    void SetPermissions(QFileDevice::Permissions permissions) { m_permissions = permissions; }

    // Replaces the contents with those of the named file. False (and an empty
    // object) when the file cannot be read or is not an acceptable text file;
    // ErrorString() then says why.
    bool Load();
    // Parses text already in memory, with the same rules as Load.
    bool LoadFromData(const QByteArray& data);

    // The value under section and key, or nullopt when either is missing.
    std::optional<QString> GetValue(QStringView section, QStringView key) const;

    // Stores a value, creating the section and key at the end when they are
    // new; an existing key keeps its place and gets the new value. Names and
    // the value lose their control characters first, as Save would drop them;
    // a key whose name is then empty is not stored.
    void SetValue(const QString& section, const QString& key, const QString& value);
    void SetValue(const QString& section, const QString& key, const char* value)
    {
        SetValue(section, key, QString::fromUtf8(value));
    }
    void SetValue(const QString& section, const QString& key, bool value);
    void SetValue(const QString& section, const QString& key, int value);
    void SetValue(const QString& section, const QString& key, qint16 value)
    {
        SetValue(section, key, static_cast<int>(value));
    }

    // Writes every section and key to the named file, creating or replacing it.
    bool Save();
    // The text Save would write.
    QByteArray ToData() const;

    const QString& ErrorString() const { return m_error; }

    // Section names in file order, and the keys of one section in order.
    QStringList Sections() const;
    QStringList Keys(QStringView section) const;

    void Clear();

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, int> index;  // folded key -> entries index
    };

    Section* findSection(QStringView name);
    const Section* findSection(QStringView name) const;
    Section& sectionFor(const QString& name);

    QString m_fileName;
    QString m_error;
    QFileDevice::Permissions m_permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                             | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionIndex;  // folded name -> m_sections index
};
