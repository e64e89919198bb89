// What the camera engine needs of the windows, as small interfaces that the
// windows implement. The engine never includes a window header: it reaches
// the panel and the video windows only through these, and tests replace them
// with fakes.
//
// The engine tests the windows' open flags (gWinOpen) itself before it calls
// a window, as the windows set and clear those flags when they load and
// unload. Only EngineWindows::Client() may load a window (hidden), which the
// video binding relies on.
#pragma once

#include <QSize>
#include <QString>

class VideoSurface;

// A list box of text lines, as the engine mirrors its event lines into it.
class IEventListBox {
public:
    virtual ~IEventListBox() = default;
    virtual void AddItem(const QString& line) = 0;
    virtual int ListCount() const = 0;
    // Selects (and scrolls to) the last line.
    virtual void SelectLast() = 0;
    // Removes the first `count` lines (all of them when fewer).
    virtual void RemoveFirst(int count) = 0;
};

// The control panel (frmController).
class IPanelWindow {
public:
    virtual ~IPanelWindow() = default;
    // LED (slot - 1) x 3 + 1 recording, + 2 motion, + 3 connected.
    virtual void LedControl(int led, bool on) = 0;
    // Rewrites the panel's information lines and recording texts.
    virtual void RefreshPanelText() = 0;
    // Puts the pan/tilt buttons in the state that `button` names ("" = none pressed).
    virtual void ChkBtnStatus(const QString& button) = 0;
    // Ends a running pan/tilt hold-repeat.
    virtual void StopBtnHold() = 0;
};

// A single-camera window (frmClient1 .. frmClient4).
class IClientWindow {
public:
    virtual ~IClientWindow() = default;
    // The picture area that a camera object draws into.
    virtual VideoSurface* Picture1() = 0;
    // Sets the window's m_bFirst flag (the next layout treats the picture as new).
    virtual void SetFirst(bool first) = 0;
    // Lays the picture and the event list out again and re-binds the picture.
    virtual void Form_Resize() = 0;
    // Writes the status texts and shows, in the picture area, whether the
    // slot is reconnecting.
    virtual void RefrushStatusBar() = 0;
    // Clears the last picture a stopped stream left in the picture area.
    virtual void RepaintPicture() = 0;
    // Sets m_bColorCtlVisible; ShowColorCtl_Fun then shows or hides the colour panel by it.
    virtual void SetColorCtlVisible(bool visible) = 0;
    virtual void ShowColorCtl_Fun() = 0;
    virtual void ShowMotionText(bool show) = 0;
    // Sets the looks of the recording-dependent buttons from the slot's record.
    virtual void RecordGrayBTN() = 0;
    virtual IEventListBox& ListEvent() = 0;
    // Shows the window modeless (it stays where it is when already visible).
    virtual void ShowModeless() = 0;
};

// The combined window (frmCombineWindow), all four slots in a grid.
class ICombineWindow {
public:
    virtual ~ICombineWindow() = default;
    // The cell that shows slot n (1..4).
    virtual VideoSurface* picCam(int n) = 0;
    // Lays the grid out again and binds every slot to its cell.
    virtual void Form_Resize() = 0;
    virtual void RepaintCell(int n) = 0;
    // Writes the active cell's status texts and shows, in every cell, whether
    // its slot is reconnecting.
    virtual void RefrushStatusBar() = 0;
    // m_bListVisible: the window's event list is shown.
    virtual bool ListVisible() const = 0;
    virtual IEventListBox& ListEvent() = 0;
    virtual void RecordGrayBTN(int n) = 0;
};

// The scan window (frmScan). The scan tour shows one running camera at a
// time in the window's client area, which the window leaves entirely to the
// video. Before the window goes away (closed by the operator or unloaded by
// the engine) it calls frmMain::ScanWindowClosing(), which takes every camera
// off it; after that the engine no longer draws into it.
class IScanWindow {
public:
    virtual ~IScanWindow() = default;
    // Shows the window modeless (it stays where it is when already visible).
    virtual void ShowModeless() = 0;
    // The surface the shown camera draws into: the window's client area.
    virtual VideoSurface* VideoTarget() = 0;
    // The client area's size in pixels.
    virtual QSize ClientSize() const = 0;
    // Writes the status texts (address, number, name, connection state) of
    // slot gScanCam and shows whether it is reconnecting.
    virtual void RefrushStatusBar() = 0;
    // Repaints the window; the engine asks before each scan step.
    virtual void Repaint() = 0;
};

// How the engine finds the windows. The program's window registry implements
// it; a window that the engine refers to is loaded on demand.
class IEngineWindows {
public:
    virtual ~IEngineWindows() = default;
    // The panel; nullptr when it is not loaded. Callers test gWinOpen(0) first.
    virtual IPanelWindow* Panel() = 0;
    // Single-camera window n (1..4); loads it hidden when it is not loaded.
    // nullptr only when no window can be made any more (the program is ending).
    virtual IClientWindow* Client(int n) = 0;
    // The combined window; nullptr when it is not loaded. Callers test
    // gWinOpen(5) or gCombineMode first.
    virtual ICombineWindow* CombineWindow() = 0;
    // The scan window; loads it hidden when it is not loaded. nullptr when
    // the program has no scan window or no window can be made any more.
    virtual IScanWindow* ScanWindow() = 0;
    // Unloads the window whose gWinOpen index is w when it is loaded (its
    // unload clears the flag): 1..4 the single-camera windows,
    // kWinOpenCombine, kWinOpenScan.
    virtual void UnloadWindow(int w) = 0;
};
