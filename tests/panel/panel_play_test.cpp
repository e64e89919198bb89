// Playing a recording from the panel: where the picker starts, what a
// cancelled picker does, and who plays the chosen file.
#include "panel_fixture.h"

namespace {

// The recording picker: the test's `onShow` plays the operator.
class FakePlayMenu : public QObject, public IPlayMenuDialog {
public:
    explicit FakePlayMenu(Journal& j) : journal(j) {}
    void ShowModal(QWidget* owner) override
    {
        journal.Add(owner ? QStringLiteral("playmenu.ShowModal owned")
                          : QStringLiteral("playmenu.ShowModal"));
        if (onShow)
            onShow(*this);
    }
    Journal& journal;
    std::function<void(FakePlayMenu&)> onShow;
};

class PanelPlayTest : public PanelFixture {
protected:
    void SetUp() override
    {
        ownCommands = true;
        windows().Register(kPlayMenuWindowName, [this] {
            auto* d = new FakePlayMenu(journal);
            d->onShow = [this](FakePlayMenu& menu) {
                shownPath = menu.m_sPath;
                menu.m_bCancel = cancel;
                menu.m_sPath = answer;
            };
            return d;
        });
    }
    QString shownPath;
    QString answer;
    bool cancel = false;
};

TEST_F(PanelPlayTest, PlayStartsInTheFirstStorageAndHandsThePickedFileOn)
{
    OpenPanel();
    EXPECT_TRUE(panel->CommandAvailable(QStringLiteral("Play")));
    const QString file = folder.write(QStringLiteral("rec/clip.avi"), QByteArray("RIFF"));

    // No storage: the program's folder; cancelled: nothing starts.
    gStorageCount = 0;
    cancel = true;
    Click(QStringLiteral("Play"));
    EXPECT_EQ(journal.With(QStringLiteral("playmenu")),
              QStringList{QStringLiteral("playmenu.ShowModal owned")});
    EXPECT_EQ(shownPath, AppPath());
    EXPECT_TRUE(fake.started.empty());
    EXPECT_TRUE(fake.associationLookups.empty());
    EXPECT_FALSE(windows().IsLoaded(kPlayMenuWindowName));

    // The first storage's root, whichever is in use; the chosen player.
    gStorageCount = 2;
    gStorage[0].Path = folder.path() + QStringLiteral("/rec");
    gStorage[1].Path = QStringLiteral("/elsewhere");
    gStorage[1].Checked = true;
    cancel = false;
    answer = file;
    gPlayerMode = 1;
    gPlayerPath = QStringLiteral("/usr/bin/player");
    Click(QStringLiteral("Play"));
    EXPECT_EQ(shownPath, gStorage[0].Path);
    ASSERT_EQ(fake.started.size(), 1u);
    EXPECT_EQ(fake.started[0].first, gPlayerPath);
    EXPECT_EQ(fake.started[0].second, QStringList{file});

    // Otherwise the desktop's program for the file.
    gPlayerMode = 0;
    fake.associatedProgram = QStringLiteral("/usr/bin/viewer");
    Click(QStringLiteral("Play"));
    EXPECT_EQ(fake.associationLookups.size(), 1u);
    EXPECT_EQ(fake.started.size(), 2u);
    EXPECT_FALSE(windows().IsLoaded(kPlayMenuWindowName));
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(PanelPlayTest, WithoutThePickerThePlayButtonStaysGreyed)
{
    RegisterWindows();
    ownCommands = true;
    OpenPanel();
    EXPECT_FALSE(panel->CommandAvailable(QStringLiteral("Play")));
    EXPECT_EQ(Row(frmController::kRowPlay).toolTip(), panel->NotAvailableText());
}

}  // namespace
