#include "foundation/resources.h"

#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/ini_values.h"
#include "platform/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QWidget>

#include <algorithm>
#include <limits>

namespace {

const QString kGeneral = QStringLiteral("General");

bool sameName(const QString& a, const QString& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x + 32);
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

// Opens a resource file; false when it does not exist or cannot be read.
bool openResource(const QString& path, SettingsFile& file)
{
    if (path.isEmpty())
        return false;
    file.FileName(path);
    return file.Load();
}

// A language tag names files in lang/; it may not lead anywhere else. The
// empty tag is a tag like any other: its files are "_2.ini" and so on.
bool isSafeTag(const QString& tag)
{
    if (tag == u"." || tag == u"..")
        return false;
    return !std::any_of(tag.begin(), tag.end(),
                        [](QChar c) { return c == u'/' || c == u'\\' || c.unicode() < 0x20; });
}

// Reads one skin button table: [BtnName] row names, [BtnStr] cell key names,
// then one section per row.
template <size_t N>
void readButtonTable(const IniReader& r, std::array<BtnInfo, N>& rows, bool readEnableGray)
{
    for (size_t row = 0; row < N; ++row) {
        QString name;
        r.TextByRule(u"BtnName", QString::number(row), name);
        rows[row].BtnName = name;
    }
    std::array<QString, 9> cellKeys;
    for (size_t k = 0; k < cellKeys.size(); ++k)
        r.TextByRule(u"BtnStr", QString::number(k), cellKeys[k]);
    for (BtnInfo& row : rows) {
        for (size_t k = 0; k < cellKeys.size(); ++k) {
            QString cell;
            if (!row.BtnName.isEmpty() && !cellKeys[k].isEmpty())
                r.TextByRule(row.BtnName, cellKeys[k], cell);
            row.BtnStr[k] = cell;
        }
        if (readEnableGray) {
            bool gray = false;
            row.EnableGray =
                !row.BtnName.isEmpty() && r.Flag(row.BtnName, u"EnableGray", gray) && gray;
        }
    }
}

}  // namespace

QString LangFileName(const QString& suffix) { return gLanguage + suffix; }

QString ResourceDisplayPath(const QString& relative)
{
    return AppPath() + QLatin1Char('/') + relative;
}

QString FindResourceFile(const QString& relative)
{
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    QString current = AppPath();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        const QString& part = parts[i];
        if (part == u"." || part == u"..")
            return {};
        const QFileInfo exact(current + QLatin1Char('/') + part);
        if (last ? exact.isFile() : exact.isDir()) {
            current = exact.filePath();
            continue;
        }
        const QStringList entries = QDir(current).entryList(
            (last ? QDir::Files : QDir::Dirs) | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        const auto match = std::find_if(entries.begin(), entries.end(), [&](const QString& entry) {
            return sameName(entry, part);
        });
        if (match == entries.end())
            return {};
        current += QLatin1Char('/') + *match;
    }
    return current;
}

QString FindLangFile(const QString& fileName)
{
    return FindResourceFile(kLangFolder + QLatin1Char('/') + fileName);
}

QString CaptionFilePath() { return FindLangFile(LangFileName(QStringLiteral(".ini"))); }

QString LangFilePath(const QString& fileName)
{
    const QString found = FindLangFile(fileName);
    return found.isEmpty() ? ResourceDisplayPath(kLangFolder + QLatin1Char('/') + fileName) : found;
}

bool LoadLanguageIni(QString* why)
{
    if (why)
        why->clear();
    try {
        SettingsFile file;
        const QString path = FindLangFile(kLanguageIniName);
        if (!openResource(path, file))
            return false;
        QString tag;
        if (!IniReader(file).TextByRule(kGeneral, u"Language", tag))
            tag = QStringLiteral("english");
        if (!isSafeTag(tag)) {
            if (why)
                *why = path
                       + QStringLiteral(": [General] Language = \"%1\" is not a language name "
                                        "(it may not hold / or \\, nor be . or ..)")
                             .arg(tag);
            return false;
        }
        gLanguage = tag;
        return true;
    } catch (...) {
        return false;
    }
}

bool LoadLang1Ini()
{
    try {
        const QString path = FindLangFile(LangFileName(QStringLiteral("_1.ini")));
        if (path.isEmpty())
            return true;  // no font and panel file: the defaults stay
        SettingsFile file;
        if (!openResource(path, file))
            return false;
        const IniReader r(file);
        const QString& s = kGeneral;

        if (!r.TextByRule(s, u"Font", gFontName))
            gFontName = QStringLiteral("MS Sans Serif");
        if (!r.Float(s, u"FontSize", gFontSize))
            gFontSize = 9;
        if (!r.Int32(s, u"FontWeight", gFontWeight))
            gFontWeight = 400;
        if (!r.Int32(s, u"FontCharSet", gFontCharSet))
            gFontCharSet = 0;
        // The panel size is kept in pixels, as written, and applied (within
        // what a window can be) when the panel loads.
        r.Int32(s, u"UIWidth", gUIWidth);
        r.Int32(s, u"UIHeight", gUIHeight);
        if (!r.TextByRule(s, u"HelpFileName", gHelpFileName))
            gHelpFileName.clear();
        int unused = 0;
        r.Int32(s, u"ImageInterval", unused);
        gIntervalEnabled = !r.IsPresent(s, u"DisableIntelval");
        r.Int32(s, u"LineSize", unused);
        r.Int32(s, u"LineIDSize", unused);
        if (!r.TextByRule(s, u"AboutVersion", gAboutVersion))
            gAboutVersion.clear();
        if (!r.TextByRule(s, u"Version", gVersion))
            gVersion.clear();
        for (int i = 1; i <= 5; ++i) {
            int kind = 0;
            r.Int32(s, QStringLiteral("ExtraItem%1").arg(i), kind);
            gExtraItem[static_cast<size_t>(i)] = kind;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool LoadLang2Ini()
{
    try {
        SettingsFile file;
        if (!openResource(FindLangFile(LangFileName(QStringLiteral("_2.ini"))), file))
            return false;
        readButtonTable(IniReader(file), gPanelBtn, true);
        return true;
    } catch (...) {
        return false;
    }
}

bool LoadLang3Ini()
{
    try {
        SettingsFile file;
        if (!openResource(FindLangFile(LangFileName(QStringLiteral("_3.ini"))), file))
            return false;
        const IniReader r(file);
        readButtonTable(r, gViewBtn, false);
        gMaxTipNormal = gViewBtn[1].BtnStr[7];
        if (!r.Text(u"Max", u"Hint2", gMaxTipMaximized))
            gMaxTipMaximized.clear();
        return true;
    } catch (...) {
        return false;
    }
}

bool LoadCfgPageIni()
{
    try {
        SettingsFile file;
        if (!openResource(FindResourceFile(kCfgPageIniName), file))
            return false;
        const IniReader r(file);
        int count = 0;
        if (r.Int32(kGeneral, u"DeviceCount", count))
            ini::RequireRange(kGeneral, QStringLiteral("DeviceCount"), count, 0,
                              std::numeric_limits<int>::max());
        gDeviceCount = count;
        if (!r.TextByRule(kGeneral, u"DefaultPage", gDefaultPage))
            gDefaultPage = QStringLiteral("Content.htm");
        // A camera gets the page of the first row whose model its own contains.
        // A row without a model matches every camera, so no row after it can
        // ever be chosen: the table ends there. Every row past the file's last
        // Device<n> section has no model, so a count of any size costs no more
        // rows than the file has sections, plus one.
        gDevice.assign(1, DeviceInfo{});
        for (int n = 1; n <= count; ++n) {
            const QString section = QStringLiteral("Device%1").arg(n);
            DeviceInfo& device = gDevice.emplace_back();
            r.TextByRule(section, u"Model", device.Model);
            r.TextByRule(section, u"Page", device.Page);
            if (device.Model.isEmpty()) {
                gDeviceCount = n;
                break;
            }
        }
        return true;
    } catch (...) {
        return false;
    }
}

void SetControlFont(QFont& font)
{
    if (gFontSize == 0)
        gFontSize = 9;
    if (!gFontName.isEmpty())
        font.setFamilies({gFontName});
    // Sizes and weights a font cannot have leave the control's own.
    if (gFontSize > 0 && gFontSize <= 400)
        font.setPointSizeF(gFontSize);
    if (gFontWeight > 0)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(gFontWeight, 1, 1000)));
    font.setUnderline(false);
    font.setItalic(false);
    font.setStrikeOut(false);
}

void SetControlFont(QWidget* control, bool toFont)
{
    if (!control || !toFont)
        return;
    QFont font = control->font();
    SetControlFont(font);
    control->setFont(font);
}
