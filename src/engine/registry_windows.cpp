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

IScanWindow* RegistryEngineWindows::ScanWindow()
{
    return m_registry.Get<IScanWindow>(kScanWindowName);
}

void RegistryEngineWindows::UnloadWindow(int w)
{
    if (w >= 1 && w <= kSlotCount)
        m_registry.Unload(ClientWindowName(w));
    else if (w == kWinOpenCombine)
        m_registry.Unload(kCombineWindowName);
    else if (w == kWinOpenScan)
        m_registry.Unload(kScanWindowName);
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
