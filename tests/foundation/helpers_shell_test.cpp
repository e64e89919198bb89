// Window pinning, opening files and restarting a camera stream.
#include "foundation/globals.h"
#include "foundation/helpers.h"
#include "support/fake_image_server.h"
#include "support/fake_ui.h"
#include "support/qt_printers.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class HelpersShell : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitGlobalVariable();
        gAppTitle = QStringLiteral("Title");
        gLangMainMsg = {QStringLiteral("no program"), QStringLiteral("start failed"),
                        QStringLiteral("no such file")};
        ASSERT_TRUE(dir.isValid());
        existing = dir.filePath(QStringLiteral("clip one.AVI"));
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    void TearDown() override { InitGlobalVariable(); }

    FakeUi fake;
    QTemporaryDir dir;
    QString existing;
};

}  // namespace

TEST_F(HelpersShell, OpenWithAssociatedAppReportsEachFailureWithItsOwnText)
{
    struct Case {
        const char* name;
        bool fileExists;
        QString program;
        bool startWorks;
        int message;  // -1: none
        MsgIcon icon;
        bool started;
    };
    const std::vector<Case> cases = {
        {"missing file", false, QStringLiteral("/usr/bin/player"), true, 2, MsgIcon::None, false},
        {"no association", true, QString(), true, 0, MsgIcon::Critical, false},
        {"start failed", true, QStringLiteral("/usr/bin/player"), false, 1, MsgIcon::Critical,
         true},
        {"opened", true, QStringLiteral("/usr/bin/player"), true, -1, MsgIcon::None, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.messages.clear();
        fake.started.clear();
        fake.associationLookups.clear();
        fake.associatedProgram = c.program;
        fake.startProgramResult = c.startWorks;
        const QString path = c.fileExists ? existing : dir.filePath(QStringLiteral("gone.AVI"));

        OpenWithAssociatedApp(path);

        if (c.message < 0) {
            EXPECT_TRUE(fake.messages.empty());
        } else {
            ASSERT_EQ(fake.messages.size(), 1u);
            // The missing file, or the file no program takes, is named on a
            // second line; a failed start has its own text.
            const bool named = c.message != 1;
            EXPECT_EQ(
                fake.messages[0].text,
                gLangMainMsg[static_cast<size_t>(c.message)]
                    + (named ? QLatin1Char('\n') + QFileInfo(path).absoluteFilePath() : QString()));
            EXPECT_EQ(fake.messages[0].icon, c.icon);
            EXPECT_EQ(fake.messages[0].buttons, MsgButtons::OK);
            EXPECT_EQ(fake.messages[0].title, gAppTitle);
        }
        EXPECT_EQ(fake.associationLookups.size(), c.fileExists ? 1u : 0u);
        if (c.started) {
            ASSERT_EQ(fake.started.size(), 1u);
            EXPECT_EQ(fake.started[0].first, c.program);
            EXPECT_EQ(fake.started[0].second, QStringList{existing});
        } else {
            EXPECT_TRUE(fake.started.empty());
        }
    }
}

TEST_F(HelpersShell, RunPlayerStartsTheConfiguredPlayerWithTheFile)
{
    gPlayerPath = QStringLiteral("/opt/player/bin/play");
    RunPlayer(existing);
    ASSERT_EQ(fake.started.size(), 1u);
    EXPECT_EQ(fake.started[0].first, gPlayerPath);
    EXPECT_EQ(fake.started[0].second, QStringList{existing});  // blanks need no quoting
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(fake.associationLookups.empty());

    fake.started.clear();
    RunPlayer(dir.filePath(QStringLiteral("gone.AVI")));
    EXPECT_TRUE(fake.started.empty());
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("no such file"));
    EXPECT_EQ(fake.messages[0].icon, MsgIcon::None);

    fake.messages.clear();
    fake.startProgramResult = false;
    RunPlayer(existing);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("start failed"));
    EXPECT_EQ(fake.messages[0].icon, MsgIcon::Critical);

    // No player configured: the start fails the same way, nothing is run.
    fake.messages.clear();
    fake.started.clear();
    fake.startProgramResult = true;
    gPlayerPath.clear();
    RunPlayer(existing);
    EXPECT_TRUE(fake.started.empty());
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("start failed"));
}

TEST_F(HelpersShell, OpeningAFolderCountsAsAMissingFile)
{
    fake.associatedProgram = QStringLiteral("/usr/bin/player");
    OpenWithAssociatedApp(dir.path());
    RunPlayer(QString());
    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("no such file\n") + dir.path());
    EXPECT_EQ(fake.messages[1].text, QStringLiteral("no such file"));
    EXPECT_TRUE(fake.started.empty());
}

namespace {

using D = ImageServer::Dispid;

// A camera whose stream runs and that answers "running" for the given number
// of polls after it was told to stop (-1: it never stops).
std::unique_ptr<FakeImageServer> runningCamera(int stopLatencyPolls)
{
    auto cam = std::make_unique<FakeImageServer>();
    cam->stopLatencyPolls = stopLatencyPolls;
    cam->running = true;
    return cam;
}

}  // namespace

TEST_F(HelpersShell, RestartCamStopsWaitsAndStartsOnlyEnabledProtocolZeroSlots)
{
    struct Case {
        const char* name;
        int protocol;
        bool enable;
        bool panelOpen;
        int runningPolls;
        std::vector<D> calls;
        std::vector<int> sleeps;
        bool led;
    };
    const std::vector<Case> cases = {
        {"stops at once", 0, true, true, 0, {D::Stop, D::IsRunning, D::Start}, {200}, true},
        {"stops after two polls",
         0,
         true,
         true,
         2,
         {D::Stop, D::IsRunning, D::IsRunning, D::IsRunning, D::Start},
         {200, 200, 200},
         true},
        {"panel closed", 0, true, false, 0, {D::Stop, D::IsRunning, D::Start}, {200}, false},
        {"disabled slot", 0, false, true, 0, {}, {}, false},
        {"viewer camera", 3, true, true, 0, {}, {}, false},
        {"protocol 4", 4, true, true, 0, {}, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        InitGlobalVariable();
        gStreamRestarted = {};
        auto stream = runningCamera(c.runningPolls);
        std::vector<int> requestedSlots;
        std::vector<std::pair<int, bool>> leds;
        SetRestartCamLinks({[&](int cam) {
                                requestedSlots.push_back(cam);
                                return stream.get();
                            },
                            [&](int led, bool on) { leds.emplace_back(led, on); }});
        fake.sleeps.clear();
        gCam[3].Protocol = c.protocol;
        gCam[3].Enable = c.enable;
        gWinOpen[0] = c.panelOpen;

        RestartCam(3);

        EXPECT_EQ(stream->Sequence(true), c.calls);
        EXPECT_TRUE(stream->running);  // running again, or never touched
        EXPECT_EQ(fake.sleeps, c.sleeps);
        EXPECT_TRUE(fake.pumpedSleeps.empty());  // nothing else runs meanwhile
        const bool acted = !c.calls.empty();
        if (acted) {
            EXPECT_EQ(requestedSlots, std::vector<int>{3});
        }
        EXPECT_EQ(gStreamRestarted[2], acted);
        EXPECT_FALSE(gStreamRestarted[0] || gStreamRestarted[1] || gStreamRestarted[3]);
        if (c.led)
            EXPECT_EQ(leds, (std::vector<std::pair<int, bool>>{{9, true}}));
        else
            EXPECT_TRUE(leds.empty());
    }
    SetRestartCamLinks({});
}

TEST_F(HelpersShell, RestartCamGivesUpWaitingForACameraThatNeverStops)
{
    auto stream = runningCamera(-1);
    SetRestartCamLinks({[&](int) { return stream.get(); }, {}});
    gCam[1].Protocol = 0;
    gCam[1].Enable = true;
    gStreamRestarted = {};
    gWinOpen[0] = true;  // no LED link installed: nothing to light

    RestartCam(1);

    EXPECT_EQ(fake.sleeps.size(), static_cast<size_t>(kRestartMaxPolls));
    EXPECT_EQ(fake.sleeps.front(), kRestartPollMs);
    const auto calls = stream->Sequence();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls.front(), D::Stop);
    EXPECT_EQ(calls.back(), D::Start);  // started anyway
    EXPECT_EQ(stream->Count(D::IsRunning), kRestartMaxPolls);
    EXPECT_TRUE(gStreamRestarted[0]);
    SetRestartCamLinks({});
}

TEST_F(HelpersShell, RestartCamRejectsSlotsOutsideOneToFour)
{
    auto stream = runningCamera(0);
    SetRestartCamLinks({[&](int) { return stream.get(); }, {}});
    for (int n = 1; n <= 4; ++n)
        gCam[n].Enable = true;
    EXPECT_THROW(RestartCam(0), std::out_of_range);
    EXPECT_THROW(RestartCam(5), std::out_of_range);
    EXPECT_TRUE(stream->calls.empty());
    SetRestartCamLinks({});
}

TEST(SetTopMost, PinsAndUnpinsWithoutChangingVisibility)
{
    QWidget shown;
    shown.show();
    SetTopMost(&shown, true);
    EXPECT_TRUE(shown.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(shown.isVisible());
    SetTopMost(&shown, true);  // asking again keeps it pinned
    EXPECT_TRUE(shown.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(shown.isVisible());
    SetTopMost(&shown, false);
    EXPECT_FALSE(shown.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(shown.isVisible());

    QWidget hidden;
    SetTopMost(&hidden, true);
    EXPECT_TRUE(hidden.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(hidden.isVisible());

    SetTopMost(nullptr, true);  // no window: nothing happens
}
