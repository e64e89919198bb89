// The scan tour: the running cameras one after another in the scan window.
// A camera that is not on show draws nowhere (its display is parked).
#include "engine/frm_main.h"

#include "foundation/guard.h"
#include "foundation/settings.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QSize>
#include <algorithm>
#include <stdexcept>

namespace {
constexpr int kParkedSize = 1;
constexpr int kMsPerSecond = 1000;
}  // namespace

void frmMain::ParkAll()
{
    for (int i = 1; i <= kSlotCount; ++i) {
        if (gCam[i].Protocol == kProtocolViewer) {
            WisViewer1(i).attachWindow(nullptr, kParkedSize, kParkedSize);
        } else {
            Cam(i).setDisplayEnabled(false);
            Cam(i).setDisplay(nullptr);
        }
    }
}

void frmMain::ScanMode()
{
    if (m_closing)
        return;
    Guard(ErrorReport::Box, QStringLiteral("ScanMode"), [&] {
        for (int i = 1; i <= kSlotCount; ++i)
            Cam(i).setDisplayEnabled(false);
        // Loaded (hidden) before the other windows go, so that closing the
        // last of them never looks like the end of the program.
        IScanWindow* scan = m_windows.ScanWindow();
        if (!scan)
            throw std::runtime_error("no scan window");
        for (size_t w = 1; w <= kWinOpenCombine; ++w) {
            if (gWinOpen[w])
                m_windows.UnloadWindow(static_cast<int>(w));
        }
        scan->ShowModeless();
        gScanCam = 1;
        for (int i = 1; i <= kSlotCount; ++i) {
            if (gCam[i].Enable) {
                gScanCam = i;
                break;
            }
        }
        DoScanMode(gScanCam);
        tmrScan.setInterval(ScanStepSeconds() * kMsPerSecond);
        tmrScan.start();
    });
}

void frmMain::DoScanMode(int n)
{
    if (Refused(n))
        return;
    Guard(ErrorReport::Box, QStringLiteral("DoScanMode"), [&] {
        ParkAll();
        if (!gWinOpen[kWinOpenScan])
            return;
        IScanWindow* scan = m_windows.ScanWindow();
        if (!scan)
            return;
        const QSize size = scan->ClientSize();
        if (gCam[n].Protocol == kProtocolViewer) {
            WisViewer1(n).attachWindow(scan->VideoTarget(), size.width(), size.height());
        } else {
            Cam(n).setDisplay(scan->VideoTarget());
            Cam(n).setDisplayWidth(size.width());
            Cam(n).setDisplayHeight(size.height());
        }
        Cam(n).setDisplayEnabled(true);
        scan->RefrushStatusBar();
    });
}

void frmMain::tmrScan_Timer()
{
    if (m_closing)
        return;
    Guard(ErrorReport::Quiet, QStringLiteral("tmrScan_Timer"), [&] {
        int k = std::clamp(gScanCam, 1, kSlotCount);
        for (int tries = 0; tries < kSlotCount; ++tries) {
            k = k % kSlotCount + 1;
            if (!gCam[k].Enable)
                continue;
            gScanCam = k;
            if (gWinOpen[kWinOpenScan])
                if (IScanWindow* scan = m_windows.ScanWindow())
                    scan->Repaint();
            DoScanMode(k);
            return;
        }
        if (gWinOpen[kWinOpenScan])
            if (IScanWindow* scan = m_windows.ScanWindow())
                scan->RefrushStatusBar();
    });
}

void frmMain::ScanModeToNormalMode()
{
    if (m_closing)
        return;
    Guard(ErrorReport::Box, QStringLiteral("ScanModeToNormalMode"), [&] {
        tmrScan.stop();
        // The shown camera leaves the scan window before the window goes.
        ScanWindowClosing();
        m_windows.UnloadWindow(kWinOpenScan);
        for (int i = 1; i <= kSlotCount; ++i) {
            Cam(i).setDisplayEnabled(false);
            if (!gCam[i].Enable)
                continue;
            IClientWindow* window = m_windows.Client(i);
            if (!window)
                continue;
            Cam(i).setDisplay(window->Picture1());
            // The window's own layout gives the picture its size and binds a
            // protocol-3 viewer again.
            window->SetFirst(true);
            window->Form_Resize();
            window->ShowModeless();
        }
        if (gWinOpen[0])
            if (IPanelWindow* panel = m_windows.Panel())
                panel->RefreshPanelText();
    });
}

void frmMain::ScanModeToCombineMode()
{
    if (m_closing)
        return;
    Guard(ErrorReport::Quiet, QStringLiteral("ScanModeToCombineMode"), [&] {
        tmrScan.stop();
        ScanWindowClosing();
        m_windows.UnloadWindow(kWinOpenScan);
        for (int i = 1; i <= kSlotCount; ++i)
            Cam(i).setDisplayEnabled(false);
    });
}

void frmMain::ScanWindowClosing()
{
    tmrScan.stop();
    if (m_unloaded)
        return;
    Guard(ErrorReport::Quiet, QStringLiteral("ScanWindowClosing"), [&] { ParkAll(); });
}
