// The panel with its own recording, display and web commands, on a fake of
// the engine procedures they call: every call goes to the shared journal
// ("StartRecord 1 1", "Stop_MotionStart 2", "ScanMode", ...), recordings
// start and stop as the engine would set the slot's Recording flag, and the
// test decides whether a recording starts and whether a storage is ready.
#pragma once

#include "panel/panel_engine.h"
#include "panel_fixture.h"

class FakePanelEngine : public IPanelEngine {
public:
    explicit FakePanelEngine(Journal& j) : journal(j) {}
    bool StartRecord(int n, int mode) override
    {
        log(QStringLiteral("StartRecord %1 %2").arg(n).arg(mode));
        if (startResult)
            gCam[static_cast<size_t>(n)].Recording = true;
        return startResult;
    }
    void StopRecord(int n) override
    {
        log(QStringLiteral("StopRecord %1").arg(n));
        gCam[static_cast<size_t>(n)].Recording = false;
    }
    bool CheckStorage(int n) override
    {
        log(QStringLiteral("CheckStorage %1").arg(n));
        return storageReady;
    }
    void Start_MotionStart(int n) override { log(QStringLiteral("Start_MotionStart %1").arg(n)); }
    void Stop_MotionStart(int n) override { log(QStringLiteral("Stop_MotionStart %1").arg(n)); }
    void CamStart(int n) override { log(QStringLiteral("CamStart %1").arg(n)); }
    void CamStop(int n) override { log(QStringLiteral("CamStop %1").arg(n)); }
    void PutSettingToCam(int n) override
    {
        const CamInfo& cam = gCam[static_cast<size_t>(n)];
        log(QStringLiteral("PutSettingToCam %1 %2 %3 %4")
                .arg(n)
                .arg(cam.IPAddress, cam.UserName, cam.Password));
    }
    void ScanMode() override { log(QStringLiteral("ScanMode")); }
    void ScanModeToNormalMode() override { log(QStringLiteral("ScanModeToNormalMode")); }
    void ScanModeToCombineMode() override { log(QStringLiteral("ScanModeToCombineMode")); }
    void log(const QString& what) { journal.Add(QStringLiteral("engine.") + what); }

    Journal& journal;
    bool startResult = true;
    bool storageReady = true;
};

// The combined window as the panel and the engine see it.
class JournalCombine : public QWidget,
                       public WindowLifecycle,
                       public ICombineWindow,
                       public IPanelCombineWindow {
public:
    explicit JournalCombine(Journal& j) : journal(j) {}
    void Form_Load() override
    {
        gWinOpen[kWinOpenCombine] = true;
        log(QStringLiteral("Load"));
    }
    void Form_Unload() override
    {
        gWinOpen[kWinOpenCombine] = false;
        log(QStringLiteral("Unload"));
    }
    void showEvent(QShowEvent*) override { log(QStringLiteral("shown")); }
    VideoSurface* picCam(int) override { return &surface; }
    void Form_Resize() override {}
    void RepaintCell(int) override {}
    void RefrushStatusBar() override {}
    bool ListVisible() const override { return false; }
    IEventListBox& ListEvent() override { return list; }
    void RecordGrayBTN(int n) override { log(QStringLiteral("RecordGrayBTN %1").arg(n)); }
    void RefrushShowClrCtl(int) override {}
    void RefrushListCtl(int) override {}
    void PutActiveBorder(int) override {}
    void RefrushClrCtlBtn(int) override {}
    void log(const QString& what) { journal.Add(QStringLiteral("combine.") + what); }

    Journal& journal;
    VideoSurface surface;
    FakeListBox list;
};

class PanelCommandsFixture : public PanelFixture {
protected:
    void SetUp() override
    {
        ownCommands = true;
        panelEngine = &engine;
        RegisterSchedule();
    }
    frmController& Open()
    {
        frmController& p = OpenPanel();
        journal.Clear();
        return p;
    }
    // The schedule editor: the test's `onSchedule` plays the operator.
    void RegisterSchedule()
    {
        windows().Register(kScheduleWindowName, [this] {
            auto* d = new FakeModalDialog(journal, kScheduleWindowName);
            return d;
        });
    }
    // The journal without the dialogs' deletions.
    QStringList Calls() const
    {
        QStringList out;
        for (const QString& e : journal.entries)
            if (!e.endsWith(QLatin1String(".deleted")))
                out << e;
        return out;
    }

    FakePanelEngine engine{journal};
};
