// The scan tour: the running cameras one after another in the scan window.
// A camera that is not on show draws nowhere (its display is parked).
#include "engine/frm_main.h"

#include "platform/image_server/image_server.h"
#include "platform/video_viewer/wis_viewer.h"

#include <QSize>
#include <algorithm>

namespace {
constexpr int kParkedSize = 1;
constexpr int kMsPerSecond = 1000;
}  // namespace

void frmMain::ParkAll()
{
    for (int i = 1; i <= kSlotCount; ++i) {
        if (gCam[i].Protocol == 3) {
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
    try {
        for (int i = 1; i <= kSlotCount; ++i)
            Cam(i).setDisplayEnabled(false);
        for (int w = 1; w <= kCombineWindowNumber; ++w) {
            if (gWinOpen[static_cast<size_t>(w)])
                m_windows.UnloadWindow(w);
        }
        IScanWindow* scan = m_windows.ScanWindow();
        if (!scan)
            throw std::runtime_error("no scan window");
        scan->ShowModeless();
        gScanCam = 1;
        for (int i = 1; i <= kSlotCount; ++i) {
            if (gCam[i].Enable) {
                gScanCam = i;
                break;
            }
        }
        DoScanMode(gScanCam);
        tmrScan.setInterval((std::max(0, gScanDelay) + 1) * kMsPerSecond);
        tmrScan.start();
    } catch (...) {
        ShowErrorOnce(QStringLiteral("Error Scan Mode"));
    }
}

void frmMain::DoScanMode(int n)
{
    if (Refused(n))
        return;
    try {
        ParkAll();
        if (!gWinOpen[kScanWindowNumber])
            return;
        IScanWindow* scan = m_windows.ScanWindow();
        if (!scan)
            return;
        const QSize size = scan->ClientSize();
        if (gCam[n].Protocol == 3) {
            WisViewer1(n).attachWindow(scan->VideoTarget(), size.width(), size.height());
        } else {
            Cam(n).setDisplay(scan->VideoTarget());
            Cam(n).setDisplayWidth(size.width());
            Cam(n).setDisplayHeight(size.height());
        }
        Cam(n).setDisplayEnabled(true);
        scan->RefrushStatusBar();
    } catch (...) {
        ReportError(QStringLiteral("DoScanMode"));
    }
}

void frmMain::tmrScan_Timer()
{
    if (m_closing)
        return;
    try {
        int k = std::clamp(gScanCam, 1, kSlotCount);
        for (int tries = 0; tries < kSlotCount; ++tries) {
            k = k % kSlotCount + 1;
            if (!gCam[k].Enable)
                continue;
            gScanCam = k;
            if (gWinOpen[kScanWindowNumber])
                if (IScanWindow* scan = m_windows.ScanWindow())
                    scan->Repaint();
            DoScanMode(k);
            return;
        }
        if (gWinOpen[kScanWindowNumber])
            if (IScanWindow* scan = m_windows.ScanWindow())
                scan->RefrushStatusBar();
    } catch (...) {
    }
}

void frmMain::ScanModeToNormalMode()
{
    if (m_closing)
        return;
    try {
        tmrScan.stop();
        // The shown camera leaves the scan window before the window goes.
        ScanWindowClosing();
        m_windows.UnloadWindow(kScanWindowNumber);
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
    } catch (...) {
        ReportError(QStringLiteral("ScanModeToNormalMode"));
    }
}

void frmMain::ScanModeToCombineMode()
{
    if (m_closing)
        return;
    try {
        tmrScan.stop();
        ScanWindowClosing();
        m_windows.UnloadWindow(kScanWindowNumber);
        for (int i = 1; i <= kSlotCount; ++i)
            Cam(i).setDisplayEnabled(false);
    } catch (...) {
    }
}

void frmMain::ScanWindowClosing()
{
    tmrScan.stop();
    if (m_unloaded)
        return;
    try {
        ParkAll();
    } catch (...) {
    }
}
