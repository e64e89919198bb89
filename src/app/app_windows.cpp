#include "app/app_windows.h"

#include "discovery/discovery_windows.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/window_registry.h"
#include "panel/frm_about.h"
#include "panel/frm_controller.h"
#include "settings/settings_windows.h"
#include "views/frm_client.h"
#include "views/frm_combine_window.h"
#include "views/frm_scan.h"

#include <QPointer>

namespace {

void RegisterCombineAndScanWindows(WindowRegistry& registry)
{
    registry.Register(
        kCombineWindowName,
        [&registry]() -> QObject* {
            CombineLinks links;
            links.engine = registry.Get<frmMain>(kEngineWindowName);
            if (!links.engine)
                return nullptr;
            links.panel = [&registry] { return registry.Get<QWidget>(kPanelWindowName); };
            auto panelDo = [&registry](void (frmController::*op)()) {
                return [&registry, op] {
                    if (auto* panel = registry.IfLoaded<frmController>(kPanelWindowName))
                        (panel->*op)();
                };
            };
            links.StopBtnHold = panelDo(&frmController::StopBtnHold);
            links.RefreshPTPanel = panelDo(&frmController::RefreshPTPanel);
            links.RefreshPanelText = panelDo(&frmController::RefreshPanelText);
            links.RefrushCamCfgBtn = panelDo(&frmController::RefrushCamCfgBtn);
            links.unloadEngine = [&registry] { RequestEngineUnload(registry); };
            return new frmCombineWindow(std::move(links));
        },
        CloseUnloads::Yes);
    registry.Register(
        kScanWindowName,
        [&registry]() -> QObject* {
            ScanLinks links;
            links.engine = registry.Get<frmMain>(kEngineWindowName);
            if (!links.engine)
                return nullptr;
            links.panel = [&registry] { return registry.Get<QWidget>(kPanelWindowName); };
            links.unloadEngine = [&registry] { RequestEngineUnload(registry); };
            // The engine takes every camera off the window before it goes.
            links.windowClosing = [engine = QPointer<frmMain>(links.engine)] {
                if (engine)
                    engine->ScanWindowClosing();
            };
            return new frmScan(std::move(links));
        },
        CloseUnloads::Yes);
}

}  // namespace

void RegisterProgramWindows()
{
    RegisterEngineWindow(windows());
    windows().Register(
        kPanelWindowName, [] { return new frmController; }, CloseUnloads::Yes);
    windows().Register(kAboutWindowName, [] { return new frmAbout; });
    RegisterClientWindows(windows());
    RegisterCombineAndScanWindows(windows());
    RegisterDiscoveryWindows(windows());
    RegisterSettingsWindows(windows());
}
