#include "app/app_windows.h"

#include "discovery/discovery_windows.h"
#include "engine/registry_windows.h"
#include "foundation/window_registry.h"
#include "panel/frm_about.h"
#include "panel/frm_controller.h"
#include "settings/settings_windows.h"
#include "views/frm_client.h"

void RegisterProgramWindows()
{
    RegisterEngineWindow(windows());
    windows().Register(
        kPanelWindowName, [] { return new frmController; }, CloseUnloads::Yes);
    windows().Register(kAboutWindowName, [] { return new frmAbout; });
    RegisterClientWindows(windows());
    RegisterDiscoveryWindows(windows());
    RegisterSettingsWindows(windows());
}
