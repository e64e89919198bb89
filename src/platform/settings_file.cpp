#include "platform/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// ASCII-only case folding, so that names compare the same in every locale.
QString fold(QStringView name)
{
    QString out(name.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        *dst++ = (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + 32)) : c;
    }
    return out;
}

// Removes the characters that could end a line or that a reader would refuse
// (NUL): every C0 control character except TAB, and DEL.
QString stripControls(const QString& text)
{
    bool clean = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || u == 0x7F) {
            clean = false;
            break;
        }
    }
    if (clean)
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || u == 0x7F)
            continue;
        out.append(c);
    }
    return out;
}

// The form in which a value is written: as it stands, or quoted when reading
// it back as it stands would change it.
QString encodeValue(const QString& value)
{
    const bool edgesBlank = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    const bool looksQuoted = value.size() >= 2 && value.front() == u'"' && value.back() == u'"';
    if (edgesBlank || looksQuoted)
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

QString decodeValue(QStringView raw)
{
    const QStringView value = raw.trimmed();
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return value.mid(1, value.size() - 2).toString();
    return value.toString();
}

mode_t toMode(QFileDevice::Permissions p)
{
    mode_t m = 0;
    if (p & QFileDevice::ReadOwner)
        m |= S_IRUSR;
    if (p & QFileDevice::WriteOwner)
        m |= S_IWUSR;
    if (p & QFileDevice::ExeOwner)
        m |= S_IXUSR;
    if (p & QFileDevice::ReadGroup)
        m |= S_IRGRP;
    if (p & QFileDevice::WriteGroup)
        m |= S_IWGRP;
    if (p & QFileDevice::ExeGroup)
        m |= S_IXGRP;
    if (p & QFileDevice::ReadOther)
        m |= S_IROTH;
    if (p & QFileDevice::WriteOther)
        m |= S_IWOTH;
    if (p & QFileDevice::ExeOther)
        m |= S_IXOTH;
    return m;
}

QString errnoText(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

void SettingsFile::Clear()
{
    m_sections.clear();
    m_sectionIndex.clear();
}

SettingsFile::Section* SettingsFile::findSection(QStringView name)
{
    const auto it = m_sectionIndex.constFind(fold(name.trimmed()));
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[static_cast<size_t>(*it)];
}

const SettingsFile::Section* SettingsFile::findSection(QStringView name) const
{
    const auto it = m_sectionIndex.constFind(fold(name.trimmed()));
    return it == m_sectionIndex.constEnd() ? nullptr : &m_sections[static_cast<size_t>(*it)];
}

SettingsFile::Section& SettingsFile::sectionFor(const QString& name)
{
    if (Section* s = findSection(name))
        return *s;
    m_sectionIndex.insert(fold(name.trimmed()), static_cast<int>(m_sections.size()));
    m_sections.push_back(Section{name.trimmed(), {}, {}});
    return m_sections.back();
}

bool SettingsFile::Load()
{
    Clear();
    m_error.clear();
    QFile file(m_fileName);
    if (!QFileInfo(m_fileName).isFile()) {
        m_error = QStringLiteral("not a file");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return false;
    }
    if (file.size() > kMaxFileSize) {
        m_error = QStringLiteral("file too large");
        return false;
    }
    // Read what the size promises, plus one byte to notice a file that grew meanwhile.
    const QByteArray data = file.read(file.size() + 1);
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        return false;
    }
    return LoadFromData(data);
}

bool SettingsFile::LoadFromData(const QByteArray& data)
{
    Clear();
    m_error.clear();
    if (data.size() > kMaxFileSize) {
        m_error = QStringLiteral("file too large");
        return false;
    }
    if (data.contains('\0')) {
        m_error = QStringLiteral("not a text file (NUL byte)");
        return false;
    }
    QByteArrayView bytes(data);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        m_error = QStringLiteral("not valid UTF-8");
        return false;
    }

    Section* current = nullptr;
    qsizetype pos = 0;
    const qsizetype end = text.size();
    while (pos <= end) {
        qsizetype nl = text.indexOf(u'\n', pos);
        if (nl < 0)
            nl = end;
        QStringView line = QStringView(text).sliced(pos, nl - pos);
        pos = nl + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        // The line is told apart as it would be written: without its control
        // characters, so that a key never reads back as a comment or a section.
        const QString bare = stripControls(line.toString()).trimmed();
        if (bare.isEmpty() || bare.front() == u';' || bare.front() == u'#')
            continue;
        if (bare.front() == u'[' && bare.back() == u']' && bare.size() >= 2) {
            current = &sectionFor(bare.sliced(1, bare.size() - 2));
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!current || eq < 0)
            continue;
        const QString key = stripControls(line.first(eq).toString()).trimmed();
        if (key.isEmpty())
            continue;
        const QString folded = fold(key);
        if (current->index.contains(folded))
            continue;  // the first occurrence counts
        current->index.insert(folded, static_cast<int>(current->entries.size()));
        current->entries.push_back(Entry{key, decodeValue(line.sliced(eq + 1))});
    }
    return true;
}

std::optional<QString> SettingsFile::GetValue(QStringView section, QStringView key) const
{
    const Section* s = findSection(section);
    if (!s)
        return std::nullopt;
    const auto it = s->index.constFind(fold(key.trimmed()));
    if (it == s->index.constEnd())
        return std::nullopt;
    return s->entries[static_cast<size_t>(*it)].value;
}

void SettingsFile::SetValue(const QString& section, const QString& key, const QString& value)
{
    // Names and values are stored as they will be written, so that what a later
    // Load sees is what GetValue sees now.
    const QString cleanSection = stripControls(section).trimmed();
    const QString cleanKey = stripControls(key).trimmed();
    if (cleanKey.isEmpty())
        return;  // a key needs a name to be written and found again
    Section& s = sectionFor(cleanSection);
    const QString folded = fold(cleanKey);
    const QString cleanValue = stripControls(value);
    const auto it = s.index.constFind(folded);
    if (it != s.index.constEnd()) {
        s.entries[static_cast<size_t>(*it)].value = cleanValue;
        return;
    }
    s.index.insert(folded, static_cast<int>(s.entries.size()));
    s.entries.push_back(Entry{cleanKey, cleanValue});
}

void SettingsFile::SetValue(const QString& section, const QString& key, bool value)
{
    SetValue(section, key, value ? QStringLiteral("True") : QStringLiteral("False"));
}

void SettingsFile::SetValue(const QString& section, const QString& key, int value)
{
    SetValue(section, key, QString::number(value));
}

QStringList SettingsFile::Sections() const
{
    QStringList out;
    for (const Section& s : m_sections)
        out << s.name;
    return out;
}

QStringList SettingsFile::Keys(QStringView section) const
{
    QStringList out;
    if (const Section* s = findSection(section))
        for (const Entry& e : s->entries)
            out << e.key;
    return out;
}

QByteArray SettingsFile::ToData() const
{
    QString text;
    for (size_t i = 0; i < m_sections.size(); ++i) {
        const Section& s = m_sections[i];
        if (i > 0)
            text += QLatin1Char('\n');
        text += QLatin1Char('[') + s.name + QStringLiteral("]\n");
        for (const Entry& e : s.entries)
            text += e.key + QLatin1Char('=') + encodeValue(e.value) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

bool SettingsFile::Save()
{
    m_error.clear();
    if (m_fileName.isEmpty()) {
        m_error = QStringLiteral("no file name");
        return false;
    }
    const QByteArray data = ToData();
    const QFileInfo target(m_fileName);
    const QByteArray finalName = QFile::encodeName(target.absoluteFilePath());
    QByteArray tempName = QFile::encodeName(target.absolutePath() + QStringLiteral("/.")
                                            + target.fileName() + QStringLiteral(".XXXXXX"));

    const int fd = ::mkstemp(tempName.data());
    if (fd < 0) {
        m_error = errnoText("create temporary file");
        return false;
    }
    auto fail = [&](const char* what) {
        m_error = errnoText(what);
        ::close(fd);
        ::unlink(tempName.constData());
        return false;
    };
    if (::fchmod(fd, toMode(m_permissions)) != 0)
        return fail("set permissions");
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("write");
        }
        p += n;
        left -= n;
    }
    if (::fdatasync(fd) != 0)
        return fail("flush");
    if (::close(fd) != 0) {
        m_error = errnoText("close");
        ::unlink(tempName.constData());
        return false;
    }
    if (::rename(tempName.constData(), finalName.constData()) != 0) {
        m_error = errnoText("rename");
        ::unlink(tempName.constData());
        return false;
    }
    return true;
}
