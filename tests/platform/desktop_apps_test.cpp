// Finding the program associated with a file in a freedesktop layout.
#include "platform/desktop_apps.h"
#include "platform/ui_services.h"
#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

TEST(ExecCommandLine, ResolvesQuotingEscapesAndFieldCodes)
{
    const QString file = QStringLiteral("/rec/CAM1_Lobby/clip 1.AVI");
    const QString url = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
    struct Case {
        QString exec;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("vlc %U"), {QStringLiteral("vlc"), url}},
        {QStringLiteral("mpv --player-operation-mode=pseudo-gui -- %f"),
         {QStringLiteral("mpv"), QStringLiteral("--player-operation-mode=pseudo-gui"),
          QStringLiteral("--"), file}},
        {QStringLiteral("viewer"), {QStringLiteral("viewer"), file}},
        {QStringLiteral("viewer %i %m --name=%c %F"),
         {QStringLiteral("viewer"), QStringLiteral("--name=Viewer"), file}},
        {QStringLiteral("\"/opt/My Player/play\" --file=%f"),
         {QStringLiteral("/opt/My Player/play"), QStringLiteral("--file=") + file}},
        {QStringLiteral("sh -c \"echo \\\"\\$1\\\"\" %f"),
         {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo \"$1\""), file}},
        {QStringLiteral("tool 100%% %f"), {QStringLiteral("tool"), QStringLiteral("100%"), file}},
        {QStringLiteral("tool\\s--x %k %f"),
         {QStringLiteral("tool"), QStringLiteral("--x"), QStringLiteral("/apps/viewer.desktop"),
          file}},
        {QStringLiteral("  spaced   %f  "), {QStringLiteral("spaced"), file}},
        // Malformed: an open quote, nothing to run.
        {QStringLiteral("\"unterminated %f"), {}},
        {QString(), {}},
        {QStringLiteral("%f"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exec.toStdString());
        EXPECT_EQ(ExecCommandLine(c.exec, file, QStringLiteral("Viewer"),
                                  QStringLiteral("/apps/viewer.desktop")),
                  c.expected);
    }
}

namespace {

// A throw-away XDG tree: config home, one config dir, data home, two data dirs.
class XdgTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        dirs.configHome = path("config");
        dirs.configDirs = {path("etc-xdg")};
        dirs.dataHome = path("local");
        dirs.dataDirs = {path("usr-local"), path("usr")};
        for (const QString& d : {dirs.dataHome, dirs.dataDirs[0], dirs.dataDirs[1]})
            QDir().mkpath(d + QStringLiteral("/applications"));
        QDir().mkpath(dirs.configHome);
        QDir().mkpath(dirs.configDirs[0]);
    }
    QString path(const char* name) const { return root.filePath(QString::fromLatin1(name)); }
    void write(const QString& file, const QString& text)
    {
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }
    void app(const QString& dataDir, const QString& id, const QString& exec,
             const QString& extra = {})
    {
        write(dataDir + QStringLiteral("/applications/") + id,
              QStringLiteral("[Desktop Entry]\nType=Application\nName=") + id
                  + QStringLiteral("\nExec=") + exec + QLatin1Char('\n') + extra);
    }

    QTemporaryDir root;
    XdgDirs dirs;
};

}  // namespace

TEST_F(XdgTree, TheUsersDefaultWinsOverTheSystemsAndUninstalledProgramsAreSkipped)
{
    app(dirs.dataDirs[1], QStringLiteral("sysplayer.desktop"), QStringLiteral("sysplayer %f"));
    app(dirs.dataDirs[1], QStringLiteral("userplayer.desktop"), QStringLiteral("userplayer %U"));
    write(dirs.dataDirs[1] + QStringLiteral("/applications/mimeapps.list"),
          QStringLiteral("[Default Applications]\nvideo/x-msvideo=sysplayer.desktop\n"));
    EXPECT_EQ(DefaultDesktopId({QStringLiteral("video/x-msvideo")}, dirs),
              QStringLiteral("sysplayer.desktop"));

    write(dirs.configHome + QStringLiteral("/mimeapps.list"),
          QStringLiteral("# mine\n[Default Applications]\n"
                         "video/x-msvideo=gone.desktop;userplayer.desktop;\n"));
    EXPECT_EQ(DefaultDesktopId({QStringLiteral("video/x-msvideo")}, dirs),
              QStringLiteral("userplayer.desktop"));

    // A desktop-specific list comes before the general one of the same folder.
    dirs.desktopNames = {QStringLiteral("xfce")};
    write(dirs.configHome + QStringLiteral("/xfce-mimeapps.list"),
          QStringLiteral("[Default Applications]\nvideo/x-msvideo=sysplayer.desktop\n"));
    EXPECT_EQ(DefaultDesktopId({QStringLiteral("video/x-msvideo")}, dirs),
              QStringLiteral("sysplayer.desktop"));
}

TEST_F(XdgTree, FallsBackToAddedAssociationsTheCacheAndParentTypes)
{
    app(dirs.dataDirs[1], QStringLiteral("editor.desktop"), QStringLiteral("editor %f"),
        QStringLiteral("MimeType=text/plain;\n"));
    app(dirs.dataDirs[1], QStringLiteral("other.desktop"), QStringLiteral("other %f"),
        QStringLiteral("MimeType=text/plain;\n"));
    // No cache in that folder: the desktop files are read, in name order.
    EXPECT_EQ(DefaultDesktopId({QStringLiteral("text/x-log"), QStringLiteral("text/plain")}, dirs),
              QStringLiteral("editor.desktop"));

    // The user removed that association.
    write(dirs.configHome + QStringLiteral("/mimeapps.list"),
          QStringLiteral("[Removed Associations]\ntext/plain=editor.desktop\n"));
    EXPECT_EQ(DefaultDesktopId({QStringLiteral("text/plain")}, dirs),
              QStringLiteral("other.desktop"));

    // A cache, when present, is what the folder offers.
    app(dirs.dataDirs[0], QStringLiteral("cached.desktop"), QStringLiteral("cached %f"));
    write(dirs.dataDirs[0] + QStringLiteral("/applications/mimeinfo.cache"),
          QStringLiteral("[MIME Cache]\ntext/plain=cached.desktop;\n"));
    EXPECT_EQ(DefaultDesktopId({QStringLiteral("text/plain")}, dirs),
              QStringLiteral("cached.desktop"));

    // Added associations come before the cache.
    write(dirs.configHome + QStringLiteral("/mimeapps.list"),
          QStringLiteral("[Added Associations]\ntext/plain=other.desktop;\n"));
    EXPECT_EQ(DefaultDesktopId({QStringLiteral("text/plain")}, dirs),
              QStringLiteral("other.desktop"));

    EXPECT_EQ(DefaultDesktopId({QStringLiteral("video/mp4")}, dirs), QString());
}

TEST_F(XdgTree, HiddenUnrunnableAndNonApplicationEntriesAreNotInstalled)
{
    app(dirs.dataDirs[1], QStringLiteral("hidden.desktop"), QStringLiteral("hidden %f"),
        QStringLiteral("Hidden=true\n"));
    app(dirs.dataDirs[1], QStringLiteral("missing.desktop"), QStringLiteral("missing %f"),
        QStringLiteral("TryExec=/nonexistent/program-that-is-not-there\n"));
    write(dirs.dataDirs[1] + QStringLiteral("/applications/link.desktop"),
          QStringLiteral("[Desktop Entry]\nType=Link\nURL=http://127.0.0.1/\n"));
    app(dirs.dataDirs[1], QStringLiteral("vendor/nested.desktop"), QStringLiteral("nested %f"));
    write(dirs.configHome + QStringLiteral("/mimeapps.list"),
          QStringLiteral("[Default Applications]\nimage/jpeg=hidden.desktop;missing.desktop;"
                         "link.desktop;vendor-nested.desktop\n"));
    EXPECT_EQ(DefaultDesktopId({QStringLiteral("image/jpeg")}, dirs),
              QStringLiteral("vendor-nested.desktop"));
    EXPECT_EQ(FindDesktopFile(QStringLiteral("vendor-nested.desktop"), dirs),
              dirs.dataDirs[1] + QStringLiteral("/applications/vendor/nested.desktop"));
    EXPECT_EQ(FindDesktopFile(QStringLiteral("../escape.desktop"), dirs), QString());
}

TEST_F(XdgTree, TerminalProgramsAreNeverChosen)
{
    // A program that needs a terminal has no screen when started from here:
    // it is passed over for the next graphical one, and with none left the
    // file has no associated program.
    struct Case {
        const char* name;
        QString defaults;  // the user's default list for text/html
        QString expected;
    };
    app(dirs.dataDirs[1], QStringLiteral("vim.desktop"), QStringLiteral("vim %F"),
        QStringLiteral("Terminal=true\nMimeType=text/html;\n"));
    app(dirs.dataDirs[1], QStringLiteral("lynx.desktop"), QStringLiteral("lynx %u"),
        QStringLiteral("Terminal=true\n"));
    app(dirs.dataDirs[1], QStringLiteral("browser.desktop"), QStringLiteral("browser %u"),
        QStringLiteral("Terminal=false\n"));
    app(dirs.dataDirs[1], QStringLiteral("viewer.desktop"), QStringLiteral("viewer %f"));
    const std::vector<Case> cases = {
        {"terminal default, graphical next", QStringLiteral("vim.desktop;browser.desktop"),
         QStringLiteral("browser.desktop")},
        {"Terminal=false counts as graphical", QStringLiteral("browser.desktop;viewer.desktop"),
         QStringLiteral("browser.desktop")},
        {"no Terminal key", QStringLiteral("lynx.desktop;viewer.desktop"),
         QStringLiteral("viewer.desktop")},
        // vim also declares the type itself, and is passed over there too.
        {"only terminal programs", QStringLiteral("vim.desktop;lynx.desktop"), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write(dirs.configHome + QStringLiteral("/mimeapps.list"),
              QStringLiteral("[Default Applications]\ntext/html=") + c.defaults
                  + QLatin1Char('\n'));
        EXPECT_EQ(DefaultDesktopId({QStringLiteral("text/html")}, dirs), c.expected);
        const QStringList command = DesktopAssociatedCommand(
            QStringLiteral("/opt/app/help/index.html"), QStringLiteral("text/html"), {}, dirs);
        EXPECT_EQ(command.isEmpty() ? QString() : command.first(),
                  c.expected.isEmpty() ? QString() : c.expected.section(QLatin1Char('.'), 0, 0));
    }
}

TEST_F(XdgTree, GivesTheCommandLineOfTheAssociatedProgram)
{
    app(dirs.dataHome, QStringLiteral("player.desktop"),
        QStringLiteral("/opt/player/bin/play --fullscreen %f"));
    write(dirs.configHome + QStringLiteral("/mimeapps.list"),
          QStringLiteral("[Default Applications]\ntext/plain=player.desktop\n"));
    const QString file = QStringLiteral("/tmp/rec/clip.log");
    EXPECT_EQ(DesktopAssociatedCommand(file, QStringLiteral("text/x-log"),
                                       {QStringLiteral("text/plain")}, dirs),
              (QStringList{QStringLiteral("/opt/player/bin/play"), QStringLiteral("--fullscreen"),
                           file}));
    EXPECT_TRUE(DesktopAssociatedCommand(file, QStringLiteral("video/mp4"), {}, dirs).isEmpty());
}

TEST_F(XdgTree, TheDesktopServicesFollowTheXdgEnvironment)
{
    app(dirs.dataDirs[1], QStringLiteral("notes.desktop"), QStringLiteral("notes --open %u"));
    write(dirs.configDirs[0] + QStringLiteral("/mimeapps.list"),
          QStringLiteral("[Default Applications]\ntext/plain=notes.desktop\n"));
    const QString file = root.filePath(QStringLiteral("readme.txt"));
    write(file, QStringLiteral("hello\n"));

    const char* names[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                           "XDG_CURRENT_DESKTOP"};
    std::vector<QByteArray> saved;
    for (const char* n : names)
        saved.push_back(qgetenv(n));
    qputenv("XDG_CONFIG_HOME", dirs.configHome.toUtf8());
    qputenv("XDG_CONFIG_DIRS", dirs.configDirs[0].toUtf8());
    qputenv("XDG_DATA_HOME", dirs.dataHome.toUtf8());
    // The system folder stays last: the MIME database lives there.
    qputenv("XDG_DATA_DIRS", (dirs.dataDirs[0] + QLatin1Char(':') + dirs.dataDirs[1]
                              + QStringLiteral(":/usr/local/share:/usr/share"))
                                 .toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");

    QtUiServices desktop;
    const QStringList command = desktop.AssociatedCommand(file);

    for (size_t i = 0; i < saved.size(); ++i) {
        if (saved[i].isNull())
            qunsetenv(names[i]);
        else
            qputenv(names[i], saved[i]);
    }
    EXPECT_EQ(command, (QStringList{QStringLiteral("notes"), QStringLiteral("--open"),
                                    QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)}));
}
