// The firmware transfer window closed the way a desktop closes it: on a
// display of its own with a real window manager, another X client asks the
// window manager to close the window (as its close box does), the window
// manager sends the window WM_DELETE_WINDOW, and the send under way stops.
//
// The test starts Xvfb and openbox on a free display and runs itself once
// more there, on the xcb platform, for the part that shows the window.
#include "discovery/discovery_windows.h"
#include "discovery/frm_update_fw.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "platform/tftp/tftp.h"
#include "support/fake_ui.h"
#include "support/modal_script.h"
#include "support/temp_program.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <unistd.h>

#ifdef CAM_HAVE_XCB
#include <cstring>
#include <xcb/xcb.h>
#endif

namespace {

constexpr const char* kChildVariable = "CAM_WM_CLOSE_CHILD";

#ifdef CAM_HAVE_XCB
// Asks the window manager to close `window`, as a pager or a close box does.
bool AskWindowManagerToClose(quint32 window)
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return false;
    }
    const char name[] = "_NET_CLOSE_WINDOW";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    bool sent = false;
    if (atom && screen) {
        xcb_client_message_event_t e{};
        e.response_type = XCB_CLIENT_MESSAGE;
        e.format = 32;
        e.window = window;
        e.type = atom->atom;
        e.data.data32[0] = XCB_CURRENT_TIME;
        e.data.data32[1] = 2;  // from a pager: the user asked
        xcb_send_event(c, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&e));
        sent = xcb_flush(c) > 0;
    }
    free(atom);
    xcb_disconnect(c);
    return sent;
}
#endif

// The part run on the window manager's display.
TEST(FirmwareWindowManager, ChildTheTransferWindowClosedByTheWindowManager)
{
    if (qEnvironmentVariableIsEmpty(kChildVariable))
        GTEST_SKIP() << "runs only inside TheCloseBoxStopsASendUnderAWindowManager";
#ifndef CAM_HAVE_XCB
    FAIL() << "built without xcb";
#else
    InitGlobalVariable();
    TempProgramFolder program;
    FakeUi ui;
    windows().Reset();
    RegisterDiscoveryWindows(windows());
    // A firmware server that takes the write request and never answers.
    QUdpSocket silent;
    ASSERT_TRUE(silent.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    TFTP::SetTftpPort(silent.localPort());
    // Only the window manager's close may end this send.
    frmTFTPProgress::SetTimesForTests(120000, 0);
    auto* transfer = windows().Get<frmTFTPProgress>(kTFTPProgressWindowName);
    ASSERT_NE(transfer, nullptr);
    transfer->TFTPServer = QStringLiteral("127.0.0.1");
    transfer->FirmwareFile = program.write(QStringLiteral("TempFW.BIN"), QByteArray(2000, 'f'));

    bool sendingBeforeClose = false;
    int asks = 0;
    ModalScript script(90000);
    script.When(
        "the write request", [&] { return transfer->isVisible() && silent.hasPendingDatagrams(); },
        [&] { sendingBeforeClose = transfer->tftp->busy(); });
    // The window manager takes the window over in its own time: asked again
    // until the window has gone.
    script.When(
        "the window closed by the window manager",
        [&] {
            if (!transfer->isVisible())
                return true;
            ++asks;
            EXPECT_TRUE(AskWindowManagerToClose(static_cast<quint32>(transfer->winId())));
            return false;
        },
        [] {});
    transfer->ShowModal(nullptr);
    ASSERT_TRUE(script.Complete()) << script.Failure().toStdString();
    EXPECT_TRUE(sendingBeforeClose);
    EXPECT_GE(asks, 1);
    EXPECT_FALSE(transfer->tftp->busy()) << "the send was aborted";
    EXPECT_FALSE(transfer->m_bSucceeded);
    EXPECT_TRUE(ui.messages.empty()) << "the operator's close is not reported";
    windows().Reset();
    TFTP::SetTftpPort(0);
    frmTFTPProgress::SetTimesForTests(0, 0);
    InitGlobalVariable();
#endif
}

// A child process ended at the end of the test, whatever happened.
struct Helper {
    QProcess process;
    ~Helper()
    {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000)) {
                process.kill();
                process.waitForFinished(2000);
            }
        }
    }
};

TEST(FirmwareWindowManager, TheCloseBoxStopsASendUnderAWindowManager)
{
    if (!qEnvironmentVariableIsEmpty(kChildVariable))
        GTEST_SKIP() << "the child runs only its own part";
#ifndef CAM_HAVE_XCB
    GTEST_SKIP() << "built without xcb (libxcb1-dev): no X client to ask the window manager";
#else
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (xvfb.isEmpty() || openbox.isEmpty())
        GTEST_SKIP() << "Xvfb or openbox is not installed (scripts/setup.sh installs both)";

    // A display number nobody uses: Xvfb refuses one that is taken, and the
    // next is tried.
    Helper server;
    QString display;
    for (int n = 150 + ::getpid() % 200, tries = 0; tries < 20 && display.isEmpty(); ++n, ++tries) {
        if (QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))
            || QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
            continue;
        server.process.start(xvfb, {QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"),
                                    QStringLiteral("tcp"), QStringLiteral("-screen"),
                                    QStringLiteral("0"), QStringLiteral("1024x768x24")});
        if (!server.process.waitForStarted(30000))
            continue;
        // Up once its socket is there; a taken display ends the server.
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
        for (int i = 0; i < 100 && server.process.state() == QProcess::Running; ++i) {
            if (QFileInfo::exists(socket)) {
                display = QStringLiteral(":%1").arg(n);
                break;
            }
            server.process.waitForFinished(100);
        }
        if (display.isEmpty() && server.process.state() == QProcess::Running) {
            server.process.kill();
            server.process.waitForFinished(2000);
        }
    }
    ASSERT_FALSE(display.isEmpty()) << "no free display for Xvfb";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    Helper wm;
    wm.process.setProcessEnvironment(env);
    wm.process.start(openbox, {QStringLiteral("--sm-disable")});
    ASSERT_TRUE(wm.process.waitForStarted(30000));

    Helper child;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    child.process.setProcessEnvironment(env);
    child.process.setProcessChannelMode(QProcess::MergedChannels);
    child.process.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--gtest_filter=FirmwareWindowManager."
                                        "ChildTheTransferWindowClosedByTheWindowManager")});
    ASSERT_TRUE(child.process.waitForFinished(90000)) << "the child hung";
    const QString out = QString::fromLocal8Bit(child.process.readAll());
    EXPECT_EQ(child.process.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("[  PASSED  ] 1 test")))
        << "the child ran its part: " << out.toStdString();
    EXPECT_EQ(wm.process.state(), QProcess::Running) << "the window manager ran throughout";
#endif
}

}  // namespace
