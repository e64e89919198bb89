// The control panel under test: the real frmController with the shipped
// English pack and panel skin, the real engine on scriptable camera objects,
// and stand-ins for the windows and dialogs the panel opens, all in the window
// registry as the program has them. Every call on the stand-ins and the camera
// objects goes to one journal ("client2.ShowModeless", "cam2.start", ...).
//
// The button table's looks are replaced by one distinct state string per row
// and cell (a plain fill), so a test can tell exactly which cell an element shows.
#pragma once

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"
#include "panel/panel_engine.h"
#include "panel/panel_windows.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "platform/toolbar/tool_bar.h"
#include "support/fake_engine_controls.h"
#include "support/fake_engine_windows.h"
#include "support/fake_image_server.h"
#include "support/fake_ui.h"
#include "support/qt_printers.h"
#include "support/skin_mouse.h"
#include "support/temp_program.h"

#include <QCoreApplication>
#include <QPointer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A single-camera window as the panel and the engine see it: its picture
// area, the video skin (for the audio button) and the zoom tools.
class PanelTestClient : public QWidget, public WindowLifecycle, public IClientWindow {
public:
    PanelTestClient(Journal& j, int slot) : journal(j), n(slot)
    {
        surface = new VideoSurface(this);
        skin = new SkinForm(this);
        skin->SkinFile(AppPath() + QStringLiteral("/lang/english_2.skn"));
        tbr1 = new ActiveToolBar(this);
        tbr1->LoadLayout(AppPath() + QStringLiteral("/lang/english.atb"));
        resize(328, 318);
    }
    void Form_Load() override
    {
        gWinOpen[static_cast<size_t>(n)] = true;
        log(QStringLiteral("Load"));
    }
    void Form_Unload() override
    {
        gWinOpen[static_cast<size_t>(n)] = false;
        log(QStringLiteral("Unload"));
    }
    VideoSurface* Picture1() override { return surface; }
    void SetFirst(bool) override { log(QStringLiteral("SetFirst")); }
    void Form_Resize() override { log(QStringLiteral("Form_Resize")); }
    void RefrushStatusBar() override { log(QStringLiteral("RefrushStatusBar")); }
    void RepaintPicture() override { log(QStringLiteral("RepaintPicture")); }
    void SetColorCtlVisible(bool) override {}
    void ShowColorCtl_Fun() override {}
    void ShowMotionText(bool) override {}
    void RecordGrayBTN() override { log(QStringLiteral("RecordGrayBTN")); }
    IEventListBox& ListEvent() override { return list; }
    void ShowModeless() override
    {
        show();
        log(QStringLiteral("ShowModeless"));
    }
    void log(const QString& what) { journal.Add(QStringLiteral("client%1.").arg(n) + what); }

    Journal& journal;
    int n;
    VideoSurface* surface = nullptr;
    SkinForm* skin = nullptr;
    ActiveToolBar* tbr1 = nullptr;
    FakeListBox list;
};

// The camera search dialog: answers with the camera the test chose, or cancels.
class FakeBrowseDialog : public QObject, public IBrowseDialog {
public:
    explicit FakeBrowseDialog(Journal& j) : journal(j) {}
    void ShowModal(QWidget* owner) override
    {
        journal.Add(QStringLiteral("browse.ShowModal"));
        shownOwner = owner;
        if (onShow)
            onShow(*this);
    }
    Journal& journal;
    QWidget* shownOwner = nullptr;
    std::function<void(FakeBrowseDialog&)> onShow;
};

// The administrator check with its own camera object.
class FakeCheckPasswordDialog : public QObject, public ICheckPasswordDialog {
public:
    explicit FakeCheckPasswordDialog(Journal& j) : journal(j) {}
    ImageServer& ImageServer1() override { return server; }
    void ShowModal(QWidget*) override
    {
        journal.Add(QStringLiteral("check.ShowModal mode %1 id %2 pw %3")
                        .arg(m_lMode)
                        .arg(AdminID, Password));
        Cancel = cancelAnswer;
    }
    Journal& journal;
    FakeImageServer server;
    bool cancelAnswer = false;
};

// A dialog the panel only shows.
class FakeModalDialog : public QObject, public IModalDialog {
public:
    FakeModalDialog(Journal& j, QString name) : journal(j), m_name(std::move(name)) {}
    ~FakeModalDialog() override { journal.Add(m_name + QStringLiteral(".deleted")); }
    void ShowModal(QWidget* owner) override
    {
        journal.Add(m_name
                    + (owner ? QStringLiteral(".ShowModal owned") : QStringLiteral(".ShowModal")));
    }
    Journal& journal;
    QString m_name;
};

// The combined window's services to the panel.
class FakePanelCombine : public QWidget, public WindowLifecycle, public IPanelCombineWindow {
public:
    explicit FakePanelCombine(Journal& j) : journal(j)
    {
        skin = new SkinForm(this);
        skin->SkinFile(AppPath() + QStringLiteral("/lang/english_2.skn"));
    }
    void Form_Load() override { gWinOpen[5] = true; }
    void Form_Unload() override { gWinOpen[5] = false; }
    void RefrushShowClrCtl(int cam) override
    {
        log(QStringLiteral("RefrushShowClrCtl %1").arg(cam));
    }
    void RefrushListCtl(int cam) override { log(QStringLiteral("RefrushListCtl %1").arg(cam)); }
    void PutActiveBorder(int cam) override { log(QStringLiteral("PutActiveBorder %1").arg(cam)); }
    void RefrushClrCtlBtn(int cam) override { log(QStringLiteral("RefrushClrCtlBtn %1").arg(cam)); }
    // Also notes which slot was current when the call came.
    void log(const QString& what)
    {
        journal.Add(QStringLiteral("combine.%1 while %2").arg(what).arg(gCurCam));
    }
    Journal& journal;
    SkinForm* skin = nullptr;
};

class PanelFixture : public ::testing::Test {
protected:
    PanelFixture()
    {
        EXPECT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
        InitGlobalVariable();
        EXPECT_TRUE(LoadLanguageIni());
        packTag = gLanguage;
        EXPECT_TRUE(LoadLang2Ini());
        EXPECT_TRUE(LoadLang3Ini());
        EXPECT_TRUE(LoadLang1Ini());
        for (int row = 0; row < kPanelBtnCount; ++row)
            for (int cell : {0, 1, 2, 3, 4, 5, 6, 8}) {
                QString& look =
                    gPanelBtn[static_cast<size_t>(row)].BtnStr[static_cast<size_t>(cell)];
                if (!look.isEmpty())
                    look = QStringLiteral("BgColor #%1%2aa -")
                               .arg(row, 2, 16, QLatin1Char('0'))
                               .arg(cell, 2, 16, QLatin1Char('0'));
            }
        RegisterWindows();
    }
    ~PanelFixture() override
    {
        windows().Reset();
        gWinOpen.fill(false);
        gOnTop.fill(false);
    }

    // The program's windows as the registry has them (the panel with the
    // commands in `hooks`), on a fresh registry.
    void RegisterWindows()
    {
        windows().Reset();
        gWinOpen.fill(false);
        gCombineMode = 0;
        gScanMode = false;
        gLanguage = packTag;  // a test may have switched the variant
        gCamCfgOpen = false;
        gExtInfo.fill(false);
        clients.fill(nullptr);
        panel = nullptr;
        windows().Register(kEngineWindowName,
                           [this] { return new frmMain(engineWindows, controls); });
        windows().Register(
            kPanelWindowName,
            [this] {
                auto* p = new frmController([this] {
                    auto server = std::make_unique<FakeImageServer>();
                    imageServer1 = server.get();
                    return server;
                });
                if (panelEngine)
                    p->SetPanelEngine(panelEngine);
                if (ownCommands)
                    MergeHooks(p->commands);
                else
                    p->commands = hooks;
                return p;
            },
            CloseUnloads::Yes);
        for (int n = 1; n <= kSlotCount; ++n)
            windows().Register(
                ClientWindowName(n),
                [this, n] {
                    auto* window = new PanelTestClient(journal, n);
                    clients[static_cast<size_t>(n)] = window;
                    return window;
                },
                CloseUnloads::Yes);
    }

    // --- set-up helpers ---
    void AssignSlot(int n, int protocol = 0, bool enable = false)
    {
        CamInfo& c = gCam[static_cast<size_t>(n)];
        c.Assign = true;
        c.Enable = enable;
        c.Protocol = protocol;
        c.IPAddress = QStringLiteral("127.0.0.%1").arg(n + 1);
        c.Port = 8481;
        c.ServerName = QStringLiteral("Camera %1").arg(n);
        c.ServerLocation = QStringLiteral("Room %1").arg(n);
        c.MacAddress = QStringLiteral("0.17.34.51.68.%1").arg(80 + n);
    }
    // Installs stand-ins for the commands that come with their own code.
    void InstallAllCommands()
    {
        hooks.ManualRecord = [this] {
            return hookCall(QStringLiteral("ManualRecord"), manualResult);
        };
        hooks.ScheduleRecord = [this] {
            return hookCall(QStringLiteral("ScheduleRecord"), scheduleResult);
        };
        hooks.MotionRecord = [this] {
            return hookCall(QStringLiteral("MotionRecord"), motionResult);
        };
        hooks.PlayRecord = [this] { hookCall(QStringLiteral("PlayRecord"), false); };
        hooks.Combine_Fun = [this] { hookCall(QStringLiteral("Combine_Fun"), false); };
        hooks.Scan_Fun = [this] { hookCall(QStringLiteral("Scan_Fun"), false); };
        hooks.WebSetting = [this] { hookCall(QStringLiteral("WebSetting"), false); };
        hooks.ConfirmPTControl = [this](int slot) {
            journal.Add(QStringLiteral("ConfirmPTControl %1").arg(slot));
            return confirmPt ? confirmPt() : true;
        };
        hooks.SendPTCommand = [this](int slot, int code) {
            journal.Add(QStringLiteral("SendPTCommand %1 %2").arg(slot).arg(code));
        };
        for (const char* name : {"frmSysConf", "frmUpdateFW", "frmMotionSetting", "frmAbout"}) {
            const QString n = QString::fromLatin1(name);
            windows().Register(n, [this, n] { return new FakeModalDialog(journal, n); });
        }
        RegisterBrowse([](FakeBrowseDialog& d) { d.m_bCancel = true; });
        windows().Register(kCheckPasswordWindowName,
                           [this] { return new FakeCheckPasswordDialog(journal); });
    }
    // Keeps the panel's own commands where the test set no stand-in.
    void MergeHooks(frmController::Commands& own) const
    {
        auto take = [](auto& mine, const auto& stand_in) {
            if (stand_in)
                mine = stand_in;
        };
        take(own.ManualRecord, hooks.ManualRecord);
        take(own.ScheduleRecord, hooks.ScheduleRecord);
        take(own.MotionRecord, hooks.MotionRecord);
        take(own.PlayRecord, hooks.PlayRecord);
        take(own.Combine_Fun, hooks.Combine_Fun);
        take(own.Scan_Fun, hooks.Scan_Fun);
        take(own.WebSetting, hooks.WebSetting);
        take(own.ConfirmPTControl, hooks.ConfirmPTControl);
        take(own.SendPTCommand, hooks.SendPTCommand);
    }
    bool hookCall(const QString& name, bool result)
    {
        journal.Add(name);
        return result;
    }
    void RegisterBrowse(std::function<void(FakeBrowseDialog&)> onShow)
    {
        windows().Register(kBrowseWindowName, [this, onShow] {
            auto* dialog = new FakeBrowseDialog(journal);
            dialog->onShow = onShow;
            browse = dialog;
            return dialog;
        });
    }
    // The search dialog picks this camera.
    static void PickCamera(FakeBrowseDialog& d)
    {
        d.m_sIPAddress = QStringLiteral("127.0.0.9");
        d.m_sMACAddress = QStringLiteral("0.1.2.3.4.5");
        d.m_lPort = 8090;
        d.m_bLocalCamera = false;
        d.m_lProtocol = 2;
        d.m_sServerName = QStringLiteral("Gate");
        d.m_sServerModel = QStringLiteral("PT-200");
        d.m_sLocation = QStringLiteral("Yard");
        d.m_sFWVersion = QStringLiteral("2.10");
        d.m_sHWVersion = QStringLiteral("1.20");
        d.m_sROMVersion = QStringLiteral("1.30");
        d.m_sUserame = QStringLiteral("guard");
        d.m_sPassword = QStringLiteral("s3cret");
        d.m_bPT = true;
    }

    // Loads the panel (and with it the engine) and shows it.
    frmController& OpenPanel(bool show = true)
    {
        panel = windows().Get<frmController>(kPanelWindowName);
        EXPECT_NE(panel, nullptr);
        if (show)
            panel->show();
        mouse = std::make_unique<SkinMouse>(panel->SkinForm1());
        return *panel;
    }
    frmMain& Engine() { return *windows().Get<frmMain>(kEngineWindowName); }
    // Opens the combined window (its load sets its open flag).
    FakePanelCombine* OpenCombine()
    {
        windows().Register(kCombineWindowName, [this] { return new FakePanelCombine(journal); });
        return windows().Get<FakePanelCombine>(kCombineWindowName);
    }

    // --- looks ---
    static QString Cell(int row, int cell)
    {
        return gPanelBtn[static_cast<size_t>(row)].BtnStr[static_cast<size_t>(cell)];
    }
    SkinElement& El(const QString& name) { return panel->SkinForm1()->GetElement(name); }
    SkinElement& Row(int row) { return El(gPanelBtn[static_cast<size_t>(row)].BtnName); }
    // Which cell of its row an element shows (-1: none of them).
    int CellOf(int row)
    {
        const QString shown = Row(row).picture();
        for (int cell = 0; cell <= 8; ++cell)
            if (!Cell(row, cell).isEmpty() && Cell(row, cell) == shown)
                return cell;
        return -1;
    }
    QString Line(int k)
    {
        return El(k == 0 ? QStringLiteral("LineID") : QStringLiteral("Line%1").arg(k)).text();
    }

    // Emits the skin's events for an element, as the skin engine does.
    void In(const QString& name) { emit panel->SkinForm1()->MouseIn(&El(name)); }
    void Out(const QString& name) { emit panel->SkinForm1()->MouseOut(&El(name)); }
    void Down(const QString& name, int button = 1)
    {
        emit panel->SkinForm1()->MouseDown(&El(name), button, 0, 0);
    }
    void Up(const QString& name, int button = 1)
    {
        emit panel->SkinForm1()->MouseUp(&El(name), button, 0, 0);
    }
    void Click(const QString& name) { mouse->click(name); }

    JournalImageServer& cam(int n) { return *controls.cams[static_cast<size_t>(n)]; }

    FakeUi fake;
    TempProgramFolder folder;
    QString packTag;
    Journal journal;
    RegistryEngineWindows engineWindows{windows()};
    FakeEngineControls controls{journal};
    frmController::Commands hooks;
    // The panel keeps its own commands, replaced only by the stand-ins set in `hooks`.
    bool ownCommands = false;
    // The engine procedures the panel's own commands call (nullptr: the real engine's).
    IPanelEngine* panelEngine = nullptr;
    bool manualResult = true;
    bool scheduleResult = true;
    bool motionResult = true;
    std::function<bool()> confirmPt;
    FakeImageServer* imageServer1 = nullptr;
    QPointer<FakeBrowseDialog> browse;
    std::array<QPointer<PanelTestClient>, kSlotCount + 1> clients;
    frmController* panel = nullptr;
    std::unique_ptr<SkinMouse> mouse;
};
