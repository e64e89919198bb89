// The engine procedures that the panel's recording, display and web-page
// commands use. The program's implementation passes them to frmMain; tests
// hand the panel a fake (frmController::SetPanelEngine) so that the order of
// the calls can be checked.
#pragma once

class IPanelEngine {
public:
    virtual ~IPanelEngine() = default;
    // Recording (mode 1 manual, 2 schedule, 3 motion); StartRecord and
    // CheckStorage are true when a recording started or a storage is ready.
    virtual bool StartRecord(int n, int mode) = 0;
    virtual void StopRecord(int n) = 0;
    virtual bool CheckStorage(int n) = 0;
    // Arms and disarms motion recording.
    virtual void Start_MotionStart(int n) = 0;
    virtual void Stop_MotionStart(int n) = 0;
    // Streams, and a slot's connection settings put on its camera object (and saved).
    virtual void CamStart(int n) = 0;
    virtual void CamStop(int n) = 0;
    virtual void PutSettingToCam(int n) = 0;
    // The scan tour.
    virtual void ScanMode() = 0;
    virtual void ScanModeToNormalMode() = 0;
    virtual void ScanModeToCombineMode() = 0;
};

// The program's IPanelEngine: every call goes to the engine window, found
// anew each time (it is loaded before the panel and lives as long as the program).
class EnginePanelCommands : public IPanelEngine {
public:
    bool StartRecord(int n, int mode) override;
    void StopRecord(int n) override;
    bool CheckStorage(int n) override;
    void Start_MotionStart(int n) override;
    void Stop_MotionStart(int n) override;
    void CamStart(int n) override;
    void CamStop(int n) override;
    void PutSettingToCam(int n) override;
    void ScanMode() override;
    void ScanModeToNormalMode() override;
    void ScanModeToCombineMode() override;
};
