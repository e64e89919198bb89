// The panel with the settings dialogs registered as the program registers
// them: the configuration and motion buttons switch on and open the real
// dialogs, which the panel unloads afterwards.
#include "../panel/panel_fixture.h"
#include "settings/frm_motion_setting.h"
#include "settings/frm_sys_conf.h"
#include "settings/settings_windows.h"
#include "support/modal_script.h"

#include <QComboBox>
#include <QSlider>

namespace {

class PanelSettingsButtons : public PanelFixture {
protected:
    PanelSettingsButtons() { RegisterSettingsWindows(windows()); }
};

TEST_F(PanelSettingsButtons, ConfigurationAndMotionOpenTheirDialogs)
{
    AssignSlot(1);
    OpenPanel();
    EXPECT_TRUE(panel->CommandAvailable(QStringLiteral("SysConf")));
    EXPECT_TRUE(panel->CommandAvailable(QStringLiteral("Motion")));
    EXPECT_EQ(El(QStringLiteral("SysConf")).toolTip(), Cell(5, 7));
    // Schedules and playback come with the panel's own commands.
    EXPECT_FALSE(panel->CommandAvailable(QStringLiteral("ScheduleRec")));
    EXPECT_FALSE(panel->CommandAvailable(QStringLiteral("Play")));

    ModalScript config;
    config.OnVisible<frmSysConf>("the configuration dialog", [](frmSysConf& d) {
        d.cboScanDelay->setCurrentIndex(2);
        ModalScript::Click(d.cmdOK);
    });
    Click(QStringLiteral("SysConf"));
    ASSERT_TRUE(config.Complete()) << config.Failure().toStdString();
    EXPECT_EQ(gScanDelay, 2);
    EXPECT_FALSE(windows().IsLoaded(kSysConfWindowName));

    gCam[1].Sensitivity = 5;
    Click(QStringLiteral("CamConf"));
    ModalScript motion;
    motion.OnVisible<frmMotionSetting>("the motion dialog", [](frmMotionSetting& d) {
        d.sldSensitivity->setValue(8);
        ModalScript::Click(d.cmdOK);
    });
    Click(QStringLiteral("Motion"));
    ASSERT_TRUE(motion.Complete()) << motion.Failure().toStdString();
    EXPECT_EQ(gCam[1].Sensitivity, 8);
    EXPECT_EQ(cam(1).sensitivity, 8);
    EXPECT_FALSE(windows().IsLoaded(kMotionSettingWindowName));
}

}  // namespace
