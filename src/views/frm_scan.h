// frmScan: the scan window, one camera at a time while the scan tour runs.
// The engine's tour decides which camera it shows and draws that camera into
// the window's client area (VideoTarget); the window keeps the camera
// objects' picture size equal to its client area, writes the shown camera's
// address, number and name, and offers two buttons: bring the panel back and
// keep on top. The other buttons are greyed. Closing the window ends the tour.
#pragma once

#include "engine/engine_windows.h"
#include "foundation/window_registry.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class frmMain;
class SkinElement;
class SkinForm;
class VideoSurface;

struct ScanLinks {
    frmMain* engine = nullptr;
    // The control panel, loaded when it is not; nullptr when there is none.
    std::function<QWidget*()> panel;
    // Called first when the window goes away: the engine takes every camera
    // off the window and stops the tour's timer.
    std::function<void()> windowClosing;
    // Unloads the engine, which ends the program.
    std::function<void()> unloadEngine;
};

class frmScan : public QWidget, public WindowLifecycle, public IScanWindow {
    Q_OBJECT
public:
    explicit frmScan(ScanLinks links, QWidget* parent = nullptr);
    ~frmScan() override;

    // --- Window events ---
    void Form_Load() override;
    void Form_Activate();
    void Form_Resize();
    void Form_Unload() override;

    // --- IScanWindow (the engine) ---
    void ShowModeless() override;
    VideoSurface* VideoTarget() override { return m_picture; }
    QSize ClientSize() const override;
    void RefrushStatusBar() override;
    void Repaint() override;

    bool m_bFirst = true;

    SkinForm* SkinForm1() const { return m_skin; }

    // --- Skin event handlers ---
    void SkinForm1_MouseDown(SkinElement* element, int button);
    void SkinForm1_MouseUp(SkinElement* element, int button);
    void SkinForm1_MouseIn(SkinElement* element);
    void SkinForm1_MouseOut(SkinElement* element);
    void SkinForm1_Click(SkinElement* element);

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void HoverLook(SkinElement* element, bool entering);
    void GrayScanButtons();
    void ToggleOnTop();
    void DetachCameras();

    ScanLinks m_links;
    QPointer<frmMain> m_engine;
    SkinForm* m_skin = nullptr;
    VideoSurface* m_picture = nullptr;
    bool m_loaded = false;
    bool m_unloaded = false;
};
