// The scripted image server keeps the contract the engine relies on: events
// come only after control returns to the event loop, and a stop takes as many
// isRunning() polls as asked.
#include "support/fake_image_server.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

using Dispid = ImageServer::Dispid;

TEST(FakeImageServer, StartOutcomeArrivesOnlyFromTheEventLoop)
{
    FakeImageServer cam;
    cam.startOutcome = NotifyCode::Connected;
    QSignalSpy spy(&cam, &ImageServer::Notify);
    cam.start();
    EXPECT_EQ(spy.count(), 0) << "emitted inside start()";
    EXPECT_TRUE(cam.isRunning());
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), NotifyCode::Connected);
}

TEST(FakeImageServer, StopLatencyCountsPollsAndRepeatedStopsDoNotRestartTheCountdown)
{
    struct Case {
        int latency;
        std::vector<bool> polls;  // isRunning() after stop(), with a stop() before each poll
    };
    const Case cases[] = {
        {0, {false, false}},
        {2, {true, true, false}},
        {-1, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        FakeImageServer cam;
        cam.stopLatencyPolls = c.latency;
        cam.start();
        std::vector<bool> seen;
        for (size_t i = 0; i < c.polls.size(); ++i) {
            cam.stop();
            seen.push_back(cam.isRunning());
        }
        EXPECT_EQ(seen, c.polls) << "latency " << c.latency;
    }
}

TEST(FakeImageServer, LogsCallsInOrderAndThrowsOnChosenMembers)
{
    FakeImageServer cam;
    cam.throwOn = {Dispid::Port};
    cam.setUserName(QStringLiteral("admin"));
    cam.setIPAddress(QStringLiteral("127.0.0.5"));
    EXPECT_THROW(cam.setPort(8481), std::runtime_error);
    EXPECT_LT(cam.IndexOf(Dispid::UserName), cam.IndexOf(Dispid::IPAddress));
    EXPECT_EQ(cam.Args(Dispid::IPAddress), QVariantList{QStringLiteral("127.0.0.5")});
    EXPECT_EQ(cam.Count(Dispid::Port), 1);
    EXPECT_EQ(cam.calls.back().name, QStringLiteral("Port"));
}
