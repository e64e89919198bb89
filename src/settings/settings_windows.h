// The recording and system settings dialogs as the rest of the program sees
// them: the one call that registers them (their names are in
// foundation/window_names.h). The panel opens frmSysConf, frmSchedule,
// frmMotionSetting and frmPlayMenu; the others are opened by those dialogs.
#pragma once

#include "foundation/window_names.h"

class WindowRegistry;

// Registers the eight settings dialogs.
void RegisterSettingsWindows(WindowRegistry& registry);
