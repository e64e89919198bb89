// The engine's view of the program's windows through the window registry.
// Windows are found by name and reached through the interfaces they
// implement; a window that is not registered (or does not implement the
// interface) is simply not there for the engine.
#pragma once

#include "engine/engine_windows.h"
#include "foundation/window_names.h"

#include <QString>

class WindowRegistry;

class RegistryEngineWindows : public IEngineWindows {
public:
    explicit RegistryEngineWindows(WindowRegistry& registry) : m_registry(registry) {}
    IPanelWindow* Panel() override;
    IClientWindow* Client(int n) override;
    ICombineWindow* CombineWindow() override;
    IScanWindow* ScanWindow() override;
    void UnloadWindow(int w) override;

private:
    WindowRegistry& m_registry;
};

// Registers frmMain with the registry: built with the real camera controls,
// reaching the other windows through the same registry.
void RegisterEngineWindow(WindowRegistry& registry);

// Asks for the engine to unload (the program's shut-down) from the event
// loop, so that the caller's own handler finishes first. Idempotent.
void RequestEngineUnload(WindowRegistry& registry);
