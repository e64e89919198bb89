#include "engine/registry_windows.h"

#include "engine/frm_main.h"
#include "foundation/window_registry.h"

#include <QCoreApplication>
#include <QTimer>

IPanelWindow* RegistryEngineWindows::Panel()
{
    return m_registry.IfLoaded<IPanelWindow>(kPanelWindowName);
}

IClientWindow* RegistryEngineWindows::Client(int n)
{
    return m_registry.Get<IClientWindow>(ClientWindowName(n));
}

ICombineWindow* RegistryEngineWindows::CombineWindow()
{
    return m_registry.IfLoaded<ICombineWindow>(kCombineWindowName);
}

void RegisterEngineWindow(WindowRegistry& registry)
{
    registry.Register(kEngineWindowName, [&registry]() -> QObject* {
        // Both live as long as the program: the engine is made once per run.
        static RegistryEngineWindows engineWindows(registry);
        static ProductionControls controls;
        return new frmMain(engineWindows, controls);
    });
}

void RequestEngineUnload(WindowRegistry& registry)
{
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [&registry] { registry.Unload(kEngineWindowName); });
}
