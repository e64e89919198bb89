// Playing a recording: the operator picks a file, which goes to the chosen
// player or to the desktop's program for it.
#include "panel/frm_controller.h"

#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/guard.h"
#include "foundation/helpers.h"
#include "foundation/window_registry.h"
#include "panel/panel_windows.h"

void frmController::PlayRecord()
{
    // Best effort: a failure ends it quietly (a log line).
    Guard(ErrorReport::Quiet, QStringLiteral("PlayRecord"), [this] {
        auto* picker = windows().Get<IPlayMenuDialog>(kPlayMenuWindowName);
        if (!picker)
            return;
        struct Unloader {
            ~Unloader() { windows().Unload(kPlayMenuWindowName); }
        } unloadAtEnd;
        // Always the root of the first storage, whichever is in use.
        picker->m_sPath = gStorageCount >= 1 ? gStorage[0].Path : AppPath();
        picker->ShowModal(this);
        if (picker->m_bCancel)
            return;
        const QString file = picker->m_sPath;
        if (gPlayerMode != 0)
            RunPlayer(file);
        else
            OpenWithAssociatedApp(file);
    });
}
