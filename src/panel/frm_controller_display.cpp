// What the operator sees: the combined window in place of the four
// single-camera windows and back, and the scan tour.
#include "panel/frm_controller.h"

#include "foundation/globals.h"
#include "foundation/window_names.h"
#include "foundation/window_registry.h"
#include "panel/panel_engine.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

QPoint frmController::QuadrantOrigin(const QRect& desktop, int slot, double unitsPerPixel)
{
    // Halved in floating point; a half goes to the even neighbour.
    const auto half = [unitsPerPixel](int pixels) {
        return static_cast<int>(std::nearbyint(pixels / 2.0 * unitsPerPixel));
    };
    const int halfWidth = half(desktop.width());
    const int halfHeight = half(desktop.height());
    const bool right = slot == 2 || slot == 4;
    const bool bottom = slot == 3 || slot == 4;
    return {right ? halfWidth : 0, bottom ? halfHeight : 0};
}

void frmController::Combine_Fun()
{
    IPanelEngine& engine = PanelEngine();
    if (gScanMode) {
        gScanMode = false;
        RefreshPTPanel();
        ShowBtnBitmap(kRowScan, kCellNormal);
        engine.ScanModeToCombineMode();
    }
    if (gCombineMode == 0) {
        gCombineMode = 1;
        for (int n = 1; n <= kSlotCount; ++n)
            windows().Unload(ClientWindowName(n));
        ShowBtnBitmap(kRowCombine, kCellDown);
        if (auto* combine = windows().Get<QWidget>(kCombineWindowName))
            combine->show();
    } else if (gCombineMode == 1) {
        gCombineMode = 0;
        ShowBtnBitmap(kRowCombine, kCellHover);
        windows().Unload(kCombineWindowName);
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect desktop = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
        for (int n = 1; n <= kSlotCount; ++n) {
            const CamInfo& cam = gCam[static_cast<size_t>(n)];
            if (!cam.Enable || !cam.Assign)
                continue;
            auto* window = windows().Get<QWidget>(ClientWindowName(n));
            auto* client = dynamic_cast<IClientWindow*>(window);
            if (!window || !client)
                continue;
            window->move(desktop.topLeft() + QuadrantOrigin(desktop, n));
            client->ShowModeless();
        }
    }
}

void frmController::Scan_Fun()
{
    // The tour needs two running cameras to start; once running, "Scan"
    // always ends it, whatever runs meanwhile.
    if (!gScanMode) {
        int running = 0;
        for (int n = 1; n <= kSlotCount; ++n)
            running += gCam[static_cast<size_t>(n)].Enable ? 1 : 0;
        if (running < 2)
            return;
    }
    IPanelEngine& engine = PanelEngine();
    if (gCombineMode == 1) {
        gCombineMode = 0;
        ShowBtnBitmap(kRowCombine, kCellNormal);
    }
    if (!gScanMode) {
        gScanMode = true;
        RefreshPTPanel();
        ShowBtnBitmap(kRowScan, kCellDown);
        engine.ScanMode();
    } else {
        gScanMode = false;
        ShowBtnBitmap(kRowScan, kCellHover);
        engine.ScanModeToNormalMode();
        RefreshPTPanel();
    }
}
