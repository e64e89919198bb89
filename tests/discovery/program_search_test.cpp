// The program as it starts, against a simulated camera on loopback: the
// operator clicks an empty slot on the panel, the search window lists the
// camera, Add takes it into the slot, and its video shows in the slot's
// window.
#include "app/app_windows.h"
#include "app/startup.h"
#include "discovery/frm_browse.h"
#include "discovery/frm_login.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"
#include "platform/image_server/camera_search.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "support/camsim_process.h"
#include "support/fake_ui.h"
#include "support/modal_script.h"
#include "support/real_time_ui.h"
#include "support/skin_mouse.h"
#include "support/temp_program.h"
#include "views/frm_client.h"

#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

TEST(ProgramSearch, AnEmptySlotIsFilledFromTheSearchAndItsVideoShows)
{
    // The camera serves on the protocol-0 port, on an address of its own.
    const QString address = OwnLoopbackNet() + QStringLiteral("9");
    TempProgramFolder folder;
    const QString ini =
        folder.write(QStringLiteral("cams.ini"),
                     "[camera1]\naddress=" + address.toUtf8()
                         + "\nport=8481\nname=\"Porch\"\nmac=0.30.140.7.7.7\nuser=\npassword=\n"
                           "admin_id=admin\nadmin_password=admin\nfps=10\nsize=320x240\n");
    CamsimProcess sim;
    QString error;
    ASSERT_TRUE(sim.Start({QStringLiteral("--config"), ini}, &error)) << error.toStdString();
    DiscoverySettings search;
    search.targets = {QHostAddress(QStringLiteral("127.255.255.255"))};
    search.port = static_cast<quint16>(sim.discoveryPort);
    search.listenMs = 700;
    SetDiscoverySettings(search);

    RealTimeUi ui;
    ASSERT_TRUE(CopyTree(QStringLiteral(CAM_RESOURCES_DIR), folder.path()));
    WindowRegistry& registry = windows();
    registry.Reset();
    RegisterProgramWindows();
    ASSERT_EQ(Main(), StartupResult::Running);
    auto* panel = registry.IfLoaded<frmController>(kPanelWindowName);
    ASSERT_NE(panel, nullptr);
    ASSERT_FALSE(gCam[1].Assign);

    QStringList listed;
    ModalScript script(60000);
    script.When(
        "the search window listing the camera",
        [] {
            auto* b = ModalScript::Visible<frmBrowse>();
            if (!b || b->m_bBusy || b->m_bFirst)
                return false;
            // A loaded machine can hold the camera's answer past the listening
            // time: a search that ended without it is run again, as an operator
            // would; the script's step time bounds the retries.
            if (b->ListViewSearch->topLevelItemCount() == 0) {
                ModalScript::Click(b->cmdSearch);
                return false;
            }
            return b->ListViewSearch->topLevelItemCount() == 1;
        },
        [&] {
            frmBrowse& b = *ModalScript::Visible<frmBrowse>();
            const QTreeWidgetItem* row = b.ListViewSearch->topLevelItem(0);
            listed = QStringList{row->text(0), row->text(1), row->text(2)};
            ModalScript::Click(b.cmdAdd);
        });
    // The camera has an administrator: the operator logs in with it.
    script.OnVisible<frmLogin>("the log-in prompt", [](frmLogin& login) {
        ModalScript::Type(login.txtUserName, QStringLiteral("admin"));
        ModalScript::Type(login.txtPassword, QStringLiteral("admin"));
        ModalScript::Click(login.cmdOK);
    });
    SkinMouse mouse(panel->SkinForm1());
    mouse.click(QStringLiteral("Cam1"));  // an empty slot: the search window opens
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();

    EXPECT_EQ(listed,
              (QStringList{QStringLiteral("Porch"), address, QStringLiteral("00 1E 8C 07 07 07")}));
    EXPECT_FALSE(registry.IsLoaded(kBrowseWindowName));
    EXPECT_TRUE(gCam[1].Assign);
    EXPECT_TRUE(gCam[1].Enable);
    EXPECT_EQ(gCam[1].IPAddress, address);
    EXPECT_EQ(gCam[1].Port, 8481);
    EXPECT_EQ(gCam[1].Protocol, 0);
    EXPECT_EQ(gCam[1].ServerName, QStringLiteral("Porch"));
    EXPECT_EQ(gCam[1].MacAddress, QStringLiteral("0.30.140.7.7.7"));
    EXPECT_EQ(gCam[1].UserName, QStringLiteral("admin"));
    auto* window = registry.IfLoaded<frmClient>(ClientWindowName(1));
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(WaitUntil([&] { return window->Picture1()->framesPresented() >= 3; }, 20000));
    EXPECT_TRUE(ui.messages.empty()) << ui.messages.front().text.toStdString();

    registry.Reset();
    ReleaseInstanceLock();
    InitGlobalVariable();
    ResetDiscoverySettings();
}

}  // namespace
