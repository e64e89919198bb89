#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "support/fake_ui.h"

#include <gtest/gtest.h>

TEST(InitGlobalVariable, GivesEverySlotAndSettingItsStartValue)
{
    FakeUi fake;
    SetAppPath(QStringLiteral("/opt/cam"));
    SetDataPath(QStringLiteral("/var/cam"));
    gCam[2].Assign = true;
    gCam[2].Port = 1;
    gCam[3].Schedule[4].MODE = 0;
    gStorageCount = 5;
    gCurCam = 3;

    InitGlobalVariable();

    EXPECT_EQ(gCurCam, 1);
    for (int n = 1; n <= kSlotCount; ++n) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(gCam[n].Assign);
        EXPECT_EQ(gCam[n].Port, 8481);
        EXPECT_EQ(gCam[n].MacAddress, QStringLiteral("0.0.0.0.0.0"));
        EXPECT_TRUE(gCam[n].IsLocalCamera);
        EXPECT_EQ(gCam[n].MailIntervalTime, 5);
        EXPECT_EQ(gCam[n].Sensitivity, 5);
        EXPECT_EQ(gCam[n].LastMotionTime, fake.clock);  // start-up time, not zero
        for (int j = 1; j <= kScheduleCount; ++j)
            EXPECT_EQ(gCam[n].Schedule[j].MODE, 1);
    }
    EXPECT_EQ(gStorageCount, 1);
    EXPECT_EQ(gStorage[0].Path, QStringLiteral("/var/cam"));
    EXPECT_TRUE(gStorage[0].Checked);
    EXPECT_EQ(gActiveStorage, 1);
    EXPECT_EQ(gProxyServerPort, 8080);
    EXPECT_TRUE(gBypassProxyServer);
    EXPECT_EQ(gLblEmpty, QStringLiteral("EMPTY"));
    SetAppPath({});
    SetDataPath({});
}
