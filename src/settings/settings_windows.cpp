#include "settings/settings_windows.h"

#include "foundation/window_registry.h"
#include "settings/frm_add_schedule.h"
#include "settings/frm_email_setting.h"
#include "settings/frm_motion_setting.h"
#include "settings/frm_play_menu.h"
#include "settings/frm_schedule.h"
#include "settings/frm_select_dir.h"
#include "settings/frm_sys_conf.h"

void RegisterSettingsWindows(WindowRegistry& registry)
{
    registry.Register(kSysConfWindowName, [] { return new frmSysConf; });
    registry.Register(kSelectDirWindowName, [] { return new frmSelectDir; });
    registry.Register(kNewFolderWindowName, [] { return new frmNewFolder; });
    registry.Register(kPlayMenuWindowName, [] { return new frmPlayMenu; });
    registry.Register(kScheduleWindowName, [] { return new frmSchedule; });
    registry.Register(kAddScheduleWindowName, [] { return new frmAddSchedule; });
    registry.Register(kMotionSettingWindowName, [] { return new frmMotionSetting; });
    registry.Register(kEMailSettingWindowName, [] { return new frmEMailSetting; });
}
