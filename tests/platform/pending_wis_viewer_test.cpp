// The stand-in viewer for protocol-3 cameras: it never runs and tells the
// operator once, after the caller's own step, that such cameras are not
// supported yet.
#include "platform/video_viewer/pending_wis_viewer.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(PendingWisViewer, SaysOnceAndOnlyFromTheEventLoopThatItCannotShowVideo)
{
    int notices = 0;
    PendingWisViewer viewer([&] { ++notices; });
    viewer.setAlarmFlags(5);
    viewer.connectTo(QStringLiteral("127.0.0.2"));
    viewer.start();
    EXPECT_EQ(notices, 0);  // not inside the member call
    QCoreApplication::processEvents();
    EXPECT_EQ(notices, 1);
    viewer.start();
    QCoreApplication::processEvents();
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(viewer.state() & WisViewer::kStateRunning, 0);
    EXPECT_EQ(viewer.alarmFlags(), 5);
}
