// The folder picker with its new-folder prompt, and the recording picker,
// driven as an operator would on folders made for the test.
#include "foundation/drives.h"
#include "settings/folder_lists.h"
#include "settings/frm_play_menu.h"
#include "settings/frm_select_dir.h"
#include "settings_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

namespace {

class Pickers : public SettingsFixture {
protected:
    Pickers()
    {
        root = QDir::cleanPath(tree.path());
        for (const char* folder : {"CAM1_Gate", "CAM2_Yard", "Empty"})
            QDir(root).mkdir(QString::fromLatin1(folder));
        for (const char* file :
             {"CAM1_Gate/0001.AVI", "CAM1_Gate/0002.avi", "CAM1_Gate/0003.Avi",
              "CAM1_Gate/0001.SUB", "CAM1_Gate/notes.txt", "CAM2_Yard/0100.AVI"}) {
            QFile f(root + QLatin1Char('/') + QString::fromLatin1(file));
            EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    static QStringList Items(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    static QListWidgetItem* Item(QListWidget* list, const QString& text)
    {
        const auto found = list->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }
    // A double click on an item of a list, as the mouse does it.
    static void DoubleClick(QListWidget* list, const QString& text)
    {
        QListWidgetItem* item = Item(list, text);
        ASSERT_NE(item, nullptr) << text.toStdString();
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    static void Click(QListWidget* list, const QString& text)
    {
        QListWidgetItem* item = Item(list, text);
        ASSERT_NE(item, nullptr) << text.toStdString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
    }

    frmSelectDir& Pick(std::function<void(frmSelectDir&)> act, const QString& start)
    {
        return Run<frmSelectDir>(kSelectDirWindowName, act,
                                 [start](frmSelectDir& p) { p.SetStartFolder(start); });
    }
    frmPlayMenu& Play(std::function<void(frmPlayMenu&)> act, const QString& start)
    {
        return Run<frmPlayMenu>(kPlayMenuWindowName, act,
                                [start](frmPlayMenu& p) { p.m_sPath = start; });
    }

    QTemporaryDir tree;
    QString root;
};

// ---------------------------------------------------------------- folder picker

TEST_F(Pickers, TheResultIsTheOpenFolderNotAHighlightedOne)
{
    QString label;
    frmSelectDir& picker = Pick(
        [&](frmSelectDir& p) {
            EXPECT_EQ(p.windowTitle(),
                      Caption(QStringLiteral("frmSelectDir"), QStringLiteral("Caption")));
            EXPECT_EQ(Items(p.Dir1),
                      (QStringList{QStringLiteral(".."), QStringLiteral("CAM1_Gate"),
                                   QStringLiteral("CAM2_Yard"), QStringLiteral("Empty")}));
            DoubleClick(p.Dir1, QStringLiteral("CAM2_Yard"));  // opened
            Click(p.Dir1, QStringLiteral(".."));               // only highlighted
            label = p.lblPath->text();
            ModalScript::Click(p.cmdOK);
        },
        root);
    EXPECT_FALSE(picker.m_bCancel);
    EXPECT_EQ(picker.Path(), root + QStringLiteral("/CAM2_Yard"));
    EXPECT_EQ(label, QLatin1Char(' ') + root + QStringLiteral("/CAM2_Yard"));
}

TEST_F(Pickers, CancelEscAndTheCloseBoxCancelThePicker)
{
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        windows().Unload(kSelectDirWindowName);
        frmSelectDir& picker = Pick(
            [how](frmSelectDir& p) {
                EXPECT_FALSE(p.m_bCancel);
                if (how == 0)
                    ModalScript::Click(p.cmdCancel);
                else if (how == 1)
                    QTest::keyClick(&p, Qt::Key_Escape);
                else
                    p.close();
            },
            root);
        EXPECT_TRUE(picker.m_bCancel);
    }
}

TEST_F(Pickers, TheDriveListHoldsTheMountedFileSystemsAndStartsAtTheStorage)
{
    const CAPIDisks disks;
    frmSelectDir& picker = Pick([](frmSelectDir& p) { ModalScript::Click(p.cmdOK); },
                                root + QStringLiteral("/CAM1_Gate"));
    for (int n = 0; n < disks.GetDriveCount(); ++n)
        EXPECT_GE(picker.Drive1->findData(disks.LogicalDrives(n)), 0) << n;
    const QString drive = picker.Drive1->Drive();
    EXPECT_TRUE(drive == QLatin1String("/") || root.startsWith(drive + QLatin1Char('/')))
        << drive.toStdString();
    EXPECT_EQ(picker.Path(), root + QStringLiteral("/CAM1_Gate"));

    // A start folder that is gone opens its nearest existing parent.
    windows().Unload(kSelectDirWindowName);
    frmSelectDir& again = Pick([](frmSelectDir& p) { ModalScript::Click(p.cmdOK); },
                               root + QStringLiteral("/gone/deeper"));
    EXPECT_EQ(again.Path(), root);
}

TEST_F(Pickers, ANewFolderIsMadeInTheOpenFolderAndOpened)
{
    struct Case {
        const char* name;
        QString typed;  // "" = the prompt is cancelled
        bool made;
        QString open;  // relative to root after the request
    };
    const Case cases[] = {
        {"a new name", QStringLiteral("Recordings"), true, QStringLiteral("Recordings")},
        {"cancelled prompt", QString(), false, QString()},
        {"an existing folder is opened", QStringLiteral("Empty"), false, QStringLiteral("Empty")},
        {"a name with a separator", QStringLiteral("a/b"), false, QString()},
        {"the parent folder", QStringLiteral(".."), false, QString()},
        {"blanks only", QStringLiteral("   "), false, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows().Unload(kSelectDirWindowName);
        const QStringList before = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        frmSelectDir& picker = Pick(
            [&](frmSelectDir& p) {
                ModalScript prompt;
                prompt.OnVisible<frmNewFolder>("the prompt", [&](frmNewFolder& f) {
                    if (c.typed.isEmpty()) {
                        ModalScript::Click(f.cmdCancel);
                        return;
                    }
                    ModalScript::Type(f.txtNewFolder, c.typed);
                    ModalScript::Click(f.cmdOK);
                });
                ModalScript::Click(p.cmdNewFolder);
                EXPECT_TRUE(prompt.Complete()) << prompt.Failure().toStdString();
                ModalScript::Click(p.cmdOK);
            },
            root);
        const QStringList after = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        EXPECT_EQ(after.size(), before.size() + (c.made ? 1 : 0));
        EXPECT_EQ(picker.Path(), c.open.isEmpty() ? root : root + QLatin1Char('/') + c.open);
        EXPECT_EQ(picker.lblPath->text(), QLatin1Char(' ') + picker.Path());
        EXPECT_FALSE(windows().IsLoaded(kNewFolderWindowName));
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(root).filePath(QStringLiteral("a"))));
    EXPECT_EQ(JoinPath(QStringLiteral("/"), QStringLiteral("New")), QStringLiteral("/New"));
    EXPECT_EQ(JoinPath(QStringLiteral("/media/disk"), QStringLiteral("New")),
              QStringLiteral("/media/disk/New"));
}

TEST_F(Pickers, ThePromptsOKNeedsText)
{
    std::vector<bool> states;
    frmNewFolder& prompt = Run<frmNewFolder>(kNewFolderWindowName, [&](frmNewFolder& f) {
        states.push_back(f.cmdOK->isEnabled());
        QTest::keyClick(f.txtNewFolder, Qt::Key_Return);  // Enter in an empty box does nothing
        states.push_back(f.isVisible());
        QTest::keyClicks(f.txtNewFolder, QStringLiteral(" "));
        states.push_back(f.cmdOK->isEnabled());  // a blank counts as text
        QTest::keyClick(f.txtNewFolder, Qt::Key_Backspace);
        states.push_back(f.cmdOK->isEnabled());
        QTest::keyClicks(f.txtNewFolder, QStringLiteral(" Clips "));
        ModalScript::Click(f.cmdOK);
    });
    EXPECT_EQ(states, (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(prompt.NewFolderPath, QStringLiteral(" Clips "));  // as typed

    for (const bool closeBox : {false, true}) {
        windows().Unload(kNewFolderWindowName);
        frmNewFolder& again = Run<frmNewFolder>(kNewFolderWindowName, [closeBox](frmNewFolder& f) {
            QTest::keyClicks(f.txtNewFolder, QStringLiteral("x"));
            if (closeBox)
                f.close();
            else
                ModalScript::Click(f.cmdCancel);
        });
        EXPECT_TRUE(again.NewFolderPath.isEmpty());
    }
}

// ---------------------------------------------------------------- recording picker

TEST_F(Pickers, TheRecordingPickerListsRecordingsWhateverTheirCase)
{
    QStringList files, label;
    frmPlayMenu& picker = Play(
        [&](frmPlayMenu& p) {
            label << p.lblPath->text();
            DoubleClick(p.Dir1, QStringLiteral("CAM1_Gate"));
            files = Items(p.File1);
            label << p.lblPath->text();  // opening a folder does not change it
            ModalScript::Click(p.cmdOK);
        },
        root);
    EXPECT_EQ(files, (QStringList{QStringLiteral("0001.AVI"), QStringLiteral("0002.avi"),
                                  QStringLiteral("0003.Avi")}));
    EXPECT_EQ(label, (QStringList{root, root}));
    // OK without a click hands back the start folder.
    EXPECT_FALSE(picker.m_bCancel);
    EXPECT_EQ(picker.m_sPath, root);
}

TEST_F(Pickers, TheRecordingPickerHandsBackTheFileClickedLast)
{
    QString label;
    frmPlayMenu& picker = Play(
        [&](frmPlayMenu& p) {
            EXPECT_EQ(p.windowTitle(),
                      Caption(QStringLiteral("frmPlayMenu"), QStringLiteral("Caption")));
            Click(p.File1, QStringLiteral("0002.avi"));
            label = p.lblPath->text();
            DoubleClick(p.Dir1, QStringLiteral(".."));
            DoubleClick(p.Dir1, QStringLiteral("CAM2_Yard"));  // no click on a file there
            ModalScript::Click(p.cmdOK);
        },
        root + QStringLiteral("/CAM1_Gate"));
    EXPECT_EQ(label, QStringLiteral(" %1/CAM1_Gate/0002.avi").arg(root));
    EXPECT_EQ(picker.m_sPath, QStringLiteral("%1/CAM1_Gate/0002.avi").arg(root));

    windows().Unload(kPlayMenuWindowName);
    frmPlayMenu& twice =
        Play([&](frmPlayMenu& p) { DoubleClick(p.File1, QStringLiteral("0100.AVI")); },
             root + QStringLiteral("/CAM2_Yard"));
    EXPECT_FALSE(twice.m_bCancel);
    EXPECT_EQ(twice.m_sPath, QStringLiteral("%1/CAM2_Yard/0100.AVI").arg(root));
}

TEST_F(Pickers, AMissingStartFolderLeavesTheLabelEmpty)
{
    frmPlayMenu& picker = Play(
        [&](frmPlayMenu& p) {
            EXPECT_TRUE(p.lblPath->text().isEmpty());
            EXPECT_EQ(p.Dir1->Path(), QDir::cleanPath(QDir::currentPath()));
            ModalScript::Click(p.cmdOK);
        },
        root + QStringLiteral("/gone"));
    EXPECT_FALSE(picker.m_bCancel);
    EXPECT_TRUE(picker.m_sPath.isEmpty());
}

TEST_F(Pickers, CancelAndTheCloseBoxCancelTheRecordingPicker)
{
    for (const bool closeBox : {false, true}) {
        windows().Unload(kPlayMenuWindowName);
        frmPlayMenu& picker = Play(
            [closeBox](frmPlayMenu& p) {
                if (closeBox)
                    p.close();
                else
                    ModalScript::Click(p.cmdCancel);
            },
            root);
        EXPECT_TRUE(picker.m_bCancel);
        EXPECT_EQ(picker.m_sPath, root);
    }
}

}  // namespace
