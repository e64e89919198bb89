#include "platform/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>
#include <sys/stat.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

struct ReadCase {
    const char* name;
    QByteArray text;
    const char* section;
    const char* key;
    std::optional<QString> expected;
};

}  // namespace

TEST(SettingsFile, ReadsTheTextForm)
{
    const ReadCase cases[] = {
        {"plain", "[General]\nLanguage=english\n", "General", "Language",
         QStringLiteral("english")},
        {"BOM and CRLF", "\xEF\xBB\xBF[General]\r\nLanguage=english\r\nFont=DejaVu Sans\r\n",
         "General", "Font", QStringLiteral("DejaVu Sans")},
        {"names ignore ASCII case", "[cam1]\nipaddress=10.0.0.1\n", "CAM1", "IPAddress",
         QStringLiteral("10.0.0.1")},
        {"blanks around names and values", "  [ Cam1 ]  \n  Port =  8481  \n", "Cam1", "Port",
         QStringLiteral("8481")},
        {"value split at the first =", "[G]\nUrl=a=b=c\n", "G", "Url", QStringLiteral("a=b=c")},
        {"quotes keep blanks", "[G]\nName=\"  padded  \"\n", "G", "Name",
         QStringLiteral("  padded  ")},
        {"a lone quote is text", "[G]\nName=\"open\n", "G", "Name", QStringLiteral("\"open")},
        {"empty value is present", "[G]\nMacAddress=\n", "G", "MacAddress", QString()},
        {"no inline comments", "[G]\nHint=Zoom ; in\n", "G", "Hint", QStringLiteral("Zoom ; in")},
        {"first duplicate wins", "[G]\nA=1\nA=2\n", "G", "A", QStringLiteral("1")},
        {"repeated section is one section", "[G]\nA=1\n[H]\nB=2\n[g]\nC=3\nA=9\n", "G", "C",
         QStringLiteral("3")},
        {"repeated section keeps the first key", "[G]\nA=1\n[g]\nA=9\n", "G", "A",
         QStringLiteral("1")},
        {"UTF-8 text", "[G]\nName=Caf\xC3\xA9 \xE2\x82\xAC\n", "G", "Name",
         QStringLiteral("Café €")},
        {"no newline at the end", "[G]\nA=last", "G", "A", QStringLiteral("last")},
        {"keys before the first section are ignored", "A=1\n[G]\nB=2\n", "G", "A", std::nullopt},
        {"comment lines", "[G]\n;A=1\n#B=2\n", "G", "A", std::nullopt},
        {"line without =", "[G]\nA\n", "G", "A", std::nullopt},
        {"missing section", "[G]\nA=1\n", "H", "A", std::nullopt},
        {"control characters in names are dropped",
         "[G\x01]\nA\x02"
         "B=1\n",
         "G", "AB", QStringLiteral("1")},
        {"a key of control characters is no key", "[G]\n\x01=1\n", "G", "", std::nullopt},
        {"control characters cannot hide a comment", "[G]\n\x08; A=1\n", "G", "; A", std::nullopt},
        {"control characters cannot hide a section", "[G]\n\x08[H]=]\nA=1\n", "H]=", "A",
         QStringLiteral("1")},
        {"a lone CR does not end a line", "[G]\nA=1\r[H]\rB=2\n", "G", "A",
         QStringLiteral("1\r[H]\rB=2")},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile file;
        ASSERT_TRUE(file.LoadFromData(c.text)) << file.ErrorString().toStdString();
        EXPECT_EQ(file.GetValue(QString::fromLatin1(c.section), QString::fromLatin1(c.key)),
                  c.expected);
    }
}

TEST(SettingsFile, RefusesFilesThatAreNotText)
{
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"NUL byte", QByteArray("[G]\nA=1\0\n", 9)},
        {"invalid UTF-8", "[G]\nA=\xFF\xFE\x80\n"},
        {"overlong UTF-8", "[G]\nA=\xC0\xAF\n"},
        {"too large", QByteArray(SettingsFile::kMaxFileSize + 1, 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile file;
        file.SetValue(QStringLiteral("Old"), QStringLiteral("Key"), QStringLiteral("stale"));
        EXPECT_FALSE(file.LoadFromData(c.data));
        EXPECT_FALSE(file.ErrorString().isEmpty());
        EXPECT_TRUE(file.Sections().isEmpty());  // nothing half-read, nothing stale
    }
}

TEST(SettingsFile, LoadFailsForMissingFileOrFolder)
{
    QTemporaryDir dir;
    SettingsFile file;
    file.FileName(dir.filePath(QStringLiteral("absent.ini")));
    EXPECT_FALSE(file.Load());
    file.FileName(dir.path());
    EXPECT_FALSE(file.Load());
}

TEST(SettingsFile, SaveThenLoadGivesBackEveryValueInOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("main.ini"));
    const QList<std::pair<QString, QString>> values = {
        {QStringLiteral("Plain"), QStringLiteral("admin")},
        {QStringLiteral("Empty"), QString()},
        {QStringLiteral("Zero"), QStringLiteral("0")},
        {QStringLiteral("LeadingBlank"), QStringLiteral("  secret")},
        {QStringLiteral("TrailingTab"), QStringLiteral("secret\t")},
        {QStringLiteral("Quoted"), QStringLiteral("\"quoted\"")},
        {QStringLiteral("QuoteInside"), QStringLiteral("say \"hi\" now")},
        {QStringLiteral("Equals"), QStringLiteral("a=b")},
        {QStringLiteral("Semicolon"), QStringLiteral(";not a comment")},
        {QStringLiteral("Bracket"), QStringLiteral("[General]")},
        {QStringLiteral("Unicode"), QStringLiteral("Kamera Süd 東")},
    };
    SettingsFile out;
    out.FileName(path);
    for (const auto& [key, value] : values)
        out.SetValue(QStringLiteral("Cam1"), key, value);
    out.SetValue(QStringLiteral("Cam1"), QStringLiteral("Enable"), true);
    out.SetValue(QStringLiteral("Cam1"), QStringLiteral("PT"), false);
    out.SetValue(QStringLiteral("Cam1"), QStringLiteral("Port"), 8481);
    out.SetValue(QStringLiteral("General"), QStringLiteral("ReserveSpace"), qint16(-3));
    ASSERT_TRUE(out.Save()) << out.ErrorString().toStdString();

    SettingsFile in;
    in.FileName(path);
    ASSERT_TRUE(in.Load());
    for (const auto& [key, value] : values)
        EXPECT_EQ(in.GetValue(u"Cam1", key), value) << key.toStdString();
    EXPECT_EQ(in.GetValue(u"Cam1", u"Enable"), QStringLiteral("True"));
    EXPECT_EQ(in.GetValue(u"Cam1", u"PT"), QStringLiteral("False"));
    EXPECT_EQ(in.GetValue(u"Cam1", u"Port"), QStringLiteral("8481"));
    EXPECT_EQ(in.GetValue(u"General", u"ReserveSpace"), QStringLiteral("-3"));
    EXPECT_EQ(in.Sections(), QStringList({QStringLiteral("Cam1"), QStringLiteral("General")}));
    QStringList expectedKeys;
    for (const auto& kv : values)
        expectedKeys << kv.first;
    expectedKeys << QStringLiteral("Enable") << QStringLiteral("PT") << QStringLiteral("Port");
    EXPECT_EQ(in.Keys(u"cam1"), expectedKeys);
}

TEST(SettingsFile, SetValueReplacesInPlaceWhateverTheCase)
{
    SettingsFile file;
    file.SetValue(QStringLiteral("Cam1"), QStringLiteral("RecordMode"), 2);
    file.SetValue(QStringLiteral("Cam1"), QStringLiteral("ScheduleCount"), 1);
    file.SetValue(QStringLiteral("CAM1"), QStringLiteral("recordmode"), 2);
    EXPECT_EQ(file.Sections(), QStringList{QStringLiteral("Cam1")});
    EXPECT_EQ(file.Keys(u"Cam1"),
              QStringList({QStringLiteral("RecordMode"), QStringLiteral("ScheduleCount")}));
    EXPECT_EQ(file.ToData(), QByteArray("[Cam1]\nRecordMode=2\nScheduleCount=1\n"));
}

// A camera name is text from the network; it must never become a key of its
// own (PlayerPath is later started by the program).
TEST(SettingsFile, LineBreaksInValuesCannotCreateSectionsOrKeys)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("main.ini"));
    const QString hostile = QStringLiteral("x\r\n[General]\r\nPlayerPath=/bin/sh");
    SettingsFile out;
    out.FileName(path);
    out.SetValue(QStringLiteral("Cam1"), QStringLiteral("ServerName"), hostile);
    out.SetValue(QStringLiteral("Cam1"), QStringLiteral("ServerLocation"),
                 QString::fromUtf8("a\nb\rc\0d\x0b"
                                   "e",
                                   9));
    out.SetValue(QStringLiteral("Cam\n[General]"), QStringLiteral("Key\nPlayerPath"),
                 QStringLiteral("v"));
    out.SetValue(QStringLiteral("Cam1"), QStringLiteral("\r\n"),
                 QStringLiteral("no name, not stored"));
    ASSERT_TRUE(out.Save());

    SettingsFile in;
    in.FileName(path);
    ASSERT_TRUE(in.Load());
    EXPECT_FALSE(in.GetValue(u"General", u"PlayerPath").has_value());
    EXPECT_EQ(in.GetValue(u"Cam1", u"ServerName"), QStringLiteral("x[General]PlayerPath=/bin/sh"));
    EXPECT_EQ(in.GetValue(u"Cam1", u"ServerLocation"), QStringLiteral("abcde"));
    EXPECT_EQ(in.Sections(), QStringList({QStringLiteral("Cam1"), QStringLiteral("Cam[General]")}));
    EXPECT_EQ(in.Keys(u"Cam[General]"), QStringList{QStringLiteral("KeyPlayerPath")});
    EXPECT_EQ(readAll(path).count('\n'),
              6);  // two headers, three keys, one blank line between sections
}

TEST(SettingsFile, SaveReplacesTheFileWholeWithTheAskedPermissions)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("main.ini"));
    writeAll(path, QByteArray(4096, 'x'));  // an older, longer file
    SettingsFile file;
    file.FileName(path);
    file.SetPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.SetValue(QStringLiteral("G"), QStringLiteral("A"), 1);
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(readAll(path), QByteArray("[G]\nA=1\n"));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("main.ini")});
}

TEST(SettingsFile, FailedSaveLeavesNoTraceAndTheOldFileIntact)
{
    QTemporaryDir dir;
    // The target is a non-empty folder: the final rename fails after the data was written.
    const QString blocked = dir.filePath(QStringLiteral("main.ini"));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/keep")));
    SettingsFile file;
    file.FileName(blocked);
    file.SetValue(QStringLiteral("G"), QStringLiteral("A"), 1);
    EXPECT_FALSE(file.Save());
    EXPECT_FALSE(file.ErrorString().isEmpty());
    EXPECT_TRUE(QFileInfo(blocked).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});

    // A folder that does not exist: nothing is created.
    file.FileName(dir.filePath(QStringLiteral("missing/main.ini")));
    EXPECT_FALSE(file.Save());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
}
