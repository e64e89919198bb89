#include "engine/frm_main.h"

#include "foundation/settings.h"

void frmMain::SaveAllSettings()
{
    // A failed save leaves the previous main.ini whole; the settings stay in
    // memory and the next save tries again. The operator hears of it once.
    SaveSettingsOrWarn(SaveRequest::Program);
}
