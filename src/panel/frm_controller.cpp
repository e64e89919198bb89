#include "panel/frm_controller.h"

#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/resources.h"

frmController::frmController(QWidget* parent) : QWidget(parent) {}

void frmController::Form_Load()
{
    gWinOpen[0] = true;
    setWindowTitle(gAppTitle);
    SetControlFont(this);
    if (gUIWidth > 0 && gUIHeight > 0)
        setFixedSize(gUIWidth, gUIHeight);
}

void frmController::Form_Unload()
{
    gWinOpen[0] = false;
    for (size_t i = 1; i < gWinOpen.size(); ++i)
        if (gWinOpen[i])
            return;  // a video window still shows: the program goes on
    // The engine's unload is the program's shut-down; it ends the run.
    RequestEngineUnload(windows());
}
