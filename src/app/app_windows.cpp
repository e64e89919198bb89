#include "app/app_windows.h"

#include "engine/engine_windows.h"
#include "engine/frm_main.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"

namespace {

// The engine's view of the other windows, found by name in the registry.
class AppEngineWindows : public IEngineWindows {
public:
    IPanelWindow* Panel() override { return windows().IfLoaded<IPanelWindow>(QStringLiteral("frmController")); }
    IClientWindow* Client(int n) override
    {
        return windows().Get<IClientWindow>(QStringLiteral("frmClient%1").arg(n));
    }
    ICombineWindow* CombineWindow() override
    {
        return windows().IfLoaded<ICombineWindow>(QStringLiteral("frmCombineWindow"));
    }
};

}  // namespace

void RegisterProgramWindows()
{
    static AppEngineWindows engineWindows;
    windows().Register(QStringLiteral("frmMain"), [] { return new frmMain(engineWindows); });
    windows().Register(QStringLiteral("frmController"), [] { return new frmController; }, CloseUnloads::Yes);
}
