// The whole program against a simulated camera, from the panel's Web button
// to the slot's new camera name: the set-up group opens, the camera's own web
// page logs in with the slot's account, the operator renames the camera on its
// settings page, and once the page's window is closed the slot, the panel's
// line and the camera carry the new name, and main.ini keeps it when the
// program ends.
#include "app/app_windows.h"
#include "app/startup.h"
#include "discovery/frm_login.h"
#include "discovery/frm_web.h"
#include "engine/frm_main.h"
#include "foundation/globals.h"
#include "foundation/settings.h"
#include "foundation/window_names.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"
#include "platform/image_server/records.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "platform/web_browser/embedded_browser.h"
#include "support/camsim_process.h"
#include "support/modal_script.h"
#include "support/real_time_ui.h"
#include "support/skin_mouse.h"
#include "support/temp_program.h"
#include "views/frm_client.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

// Runs the whole program from `folder` with the shipped resources and this
// main.ini; the panel, or null when it did not start.
frmController* StartProgram(TempProgramFolder& folder, const QString& mainIni)
{
    if (!CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()))
        return nullptr;
    folder.write(QStringLiteral("main.ini"), mainIni.toUtf8());
    windows().Reset();
    RegisterProgramWindows();
    if (Main() != StartupResult::Running)
        return nullptr;
    return windows().IfLoaded<frmController>(kPanelWindowName);
}

TEST(PanelWebCamsim, TheWebButtonRenamesTheSlotsCamera)
{
    if (!EmbeddedBrowserAvailable())
        GTEST_SKIP() << "this build has no embedded browser";
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(
        sim.Start({QStringLiteral("--cameras"), QStringLiteral("1"), QStringLiteral("--user"),
                   QStringLiteral("admin"), QStringLiteral("--password"), QStringLiteral("secret")},
                  &error))
        << error.toStdString();
    const auto& camera = sim.cams.at(0);

    RealTimeUi ui;
    TempProgramFolder folder;
    auto* panel = StartProgram(
        folder, QStringLiteral("[Cam1]\nEnable=True\nAssign=True\nUserName=admin\n"
                               "Password=secret\nIPAddress=%1\nPort=%2\nServerName=Sim 1\n")
                    .arg(camera.address)
                    .arg(camera.port));
    ASSERT_NE(panel, nullptr);
    WindowRegistry& registry = windows();
    SkinMouse mouse(panel->SkinForm1());
    const auto line = [&](const char* name) {
        return panel->SkinForm1()->GetElement(QString::fromLatin1(name)).text();
    };
    auto* window = registry.IfLoaded<frmClient>(ClientWindowName(1));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return window->Picture1()->framesPresented() >= 1; }, 20000));
    EXPECT_EQ(line("Line1"), QStringLiteral("Sim 1"));

    mouse.click(QStringLiteral("CamConf"));
    ASSERT_TRUE(gCamCfgOpen) << "the set-up group is open";

    // The operator on the camera's pages: to the settings page, a new name,
    // Apply. Each step is tried again until the page it needs has loaded.
    const QString renamed = QStringLiteral("Garden & Gate");
    QElapsedTimer pace;
    pace.start();
    frmWeb* web = nullptr;
    ModalScript script(60000);
    script.OnVisible<frmWeb>("the camera's web page", [&](frmWeb& w) { web = &w; });
    script.When(
        "the settings posted",
        [&] {
            if (web->m_bSettingsPosted)
                return true;
            if (pace.elapsed() > 250) {
                pace.restart();
                web->WebBrowser1()->RunScript(
                    QStringLiteral(
                        "var n = document.getElementById('SRV_Name');"
                        "if (!n) { var s = document.getElementById('settings'); if (s) s.click(); }"
                        "else if (n.value != '%1') { n.value = '%1';"
                        " document.getElementById('Config1').click(); }")
                        .arg(renamed));
            }
            return false;
        },
        [&] { web->close(); });
    mouse.click(QStringLiteral("Web"));
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();

    EXPECT_FALSE(registry.IsLoaded(kWebWindowName));
    EXPECT_EQ(gCam[1].ServerName, renamed);
    EXPECT_EQ(line("Line1"), renamed);
    EXPECT_EQ(sim.Control(1, "state").value(QStringLiteral("name")), renamed);
    EXPECT_TRUE(gCam[1].Enable) << "the stream runs again";
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();

    // Closing every window ends the program; main.ini keeps the new name.
    panel->close();
    window->close();
    ASSERT_TRUE(WaitUntil([&] { return registry.ProgramEndRequested(); }, 10000));
    InitGlobalVariable();
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(gCam[1].ServerName, renamed);

    registry.Reset();
    ReleaseInstanceLock();
    InitGlobalVariable();
}

TEST(PanelWebCamsim, TheWebButtonOpensThePagesOfACameraOnTheImagePort)
{
    // A camera on 8481 that serves its pages there too, as its identity says.
    if (!EmbeddedBrowserAvailable())
        GTEST_SKIP() << "this build has no embedded browser";
    const QString address = OwnLoopbackNet() + QStringLiteral("11");
    TempProgramFolder folder;
    const QString ini =
        folder.write(QStringLiteral("cams.ini"),
                     "[camera1]\naddress=" + address.toUtf8()
                         + "\nport=8481\nname=Porch\nuser=\npassword=\nadmin_id=admin\n"
                           "admin_password=admin\nfps=5\nsize=320x240\n");
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--config"), ini}, &error)) << error.toStdString();
    ASSERT_EQ(sim.cams.at(0).port, 8481);

    RealTimeUi ui;
    auto* panel = StartProgram(
        folder, QStringLiteral("[Cam1]\nEnable=True\nAssign=True\nIPAddress=%1\nPort=8481\n"
                               "ServerName=Porch\n")
                    .arg(address));
    ASSERT_NE(panel, nullptr);
    WindowRegistry& registry = windows();
    SkinMouse mouse(panel->SkinForm1());
    mouse.click(QStringLiteral("CamConf"));
    ASSERT_TRUE(gCamCfgOpen) << "the set-up group is open";

    QUrl loaded;
    bool failedLoad = false;
    ModalScript script(60000);
    script.OnVisible<frmWeb>("the camera's web page", [&](frmWeb& w) {
        QObject::connect(w.WebBrowser1(), &EmbeddedBrowser::LoadFinished, &w,
                         [&, b = w.WebBrowser1()](bool ok) {
                             if (ok)
                                 loaded = b->Url();
                             else
                                 failedLoad = true;
                         });
    });
    // Anyone may watch the camera; its pages want the administrator.
    script.OnVisible<frmLogin>("the camera's log-in prompt", [](frmLogin& login) {
        ModalScript::Type(login.txtUserName, QStringLiteral("admin"));
        ModalScript::Type(login.txtPassword, QStringLiteral("admin"));
        ModalScript::Click(login.cmdOK);
    });
    script.When(
        "the page loaded or refused", [&] { return !loaded.isEmpty() || failedLoad; },
        [&] { ModalScript::Visible<frmWeb>()->close(); });
    mouse.click(QStringLiteral("Web"));
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_FALSE(failedLoad) << "the browser was refused";
    EXPECT_EQ(loaded.host(), address);
    EXPECT_EQ(loaded.port(), 8481);
    EXPECT_EQ(loaded.path(), QStringLiteral("/Content.htm"));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();

    panel->close();
    if (auto* window = registry.IfLoaded<frmClient>(ClientWindowName(1)))
        window->close();
    ASSERT_TRUE(WaitUntil([&] { return registry.ProgramEndRequested(); }, 10000));
    registry.Reset();
    ReleaseInstanceLock();
    InitGlobalVariable();
}

}  // namespace
