#include "panel/panel_engine.h"

#include "engine/frm_main.h"
#include "foundation/window_names.h"
#include "foundation/window_registry.h"

#include <stdexcept>

namespace {

frmMain& Engine()
{
    auto* engine = windows().Get<frmMain>(kEngineWindowName);
    if (!engine)
        throw std::runtime_error("the camera engine is not loaded");
    return *engine;
}

}  // namespace

bool EnginePanelCommands::StartRecord(int n, int mode) { return Engine().StartRecord(n, mode); }
void EnginePanelCommands::StopRecord(int n) { Engine().StopRecord(n); }
bool EnginePanelCommands::CheckStorage(int n) { return Engine().CheckStorage(n); }
void EnginePanelCommands::Start_MotionStart(int n) { Engine().Start_MotionStart(n); }
void EnginePanelCommands::Stop_MotionStart(int n) { Engine().Stop_MotionStart(n); }
void EnginePanelCommands::CamStart(int n) { Engine().CamStart(n); }
void EnginePanelCommands::CamStop(int n) { Engine().CamStop(n); }
void EnginePanelCommands::PutSettingToCam(int n) { Engine().PutSettingToCam(n); }
void EnginePanelCommands::ScanMode() { Engine().ScanMode(); }
void EnginePanelCommands::ScanModeToNormalMode() { Engine().ScanModeToNormalMode(); }
void EnginePanelCommands::ScanModeToCombineMode() { Engine().ScanModeToCombineMode(); }
