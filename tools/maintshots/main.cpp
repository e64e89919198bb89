// maintshots: the camera maintenance dialogs against a simulated camera, as an
// operator sees them: the search window with Change IP, the address dialog,
// the administrator check, the firmware dialog, the transfer and restart
// windows during a real update, and the camera's settings page in the web
// window. Each is grabbed into a PNG file.
//
// Usage: maintshots <program folder> <output folder> <camera address> <port> <tftp port>
//        (the camera's user name and password are "admin")
#include "app/app_windows.h"
#include "discovery/frm_browse.h"
#include "discovery/frm_change_ip_address.h"
#include "discovery/frm_check_password.h"
#include "discovery/frm_update_fw.h"
#include "discovery/frm_web.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "foundation/window_names.h"
#include "foundation/window_registry.h"
#include "platform/tftp/tftp.h"
#include "platform/web_browser/embedded_browser.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>

namespace {

bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void Settle(int ms)
{
    WaitFor([] { return false; }, ms);
}

bool Save(QWidget* w, const QString& file)
{
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    PrepareEmbeddedBrowser();
    QApplication app(argc, argv);
    // Message boxes (the end of the update) are read and closed as an operator would.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                std::printf("message: %s\n", qPrintable(box->text()));
                box->accept();
            }
    });
    closer.start(200);
    if (argc < 6) {
        std::fprintf(
            stderr,
            "usage: maintshots <program folder> <output folder> <address> <port> <tftp port>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QTemporaryDir data;
    SetAppPath(QString::fromLocal8Bit(argv[1]));
    SetDataPath(data.path());
    InitGlobalVariable();
    if (!LoadLanguageIni() || !LoadLang2Ini() || !LoadLang3Ini() || !LoadCfgPageIni()
        || !LoadLang1Ini()) {
        std::fprintf(stderr, "maintshots: the language pack could not be read\n");
        return 1;
    }
    const QString address = QString::fromLocal8Bit(argv[3]);
    gCurCam = 1;
    CamInfo& cam = gCam[1];
    cam.Assign = true;
    cam.Enable = false;
    cam.Protocol = 0;
    cam.IPAddress = address;
    cam.Port = QString::fromLocal8Bit(argv[4]).toInt();
    cam.UserName = QStringLiteral("admin");
    cam.Password = QStringLiteral("admin");
    cam.ServerName = QStringLiteral("Garden");
    TFTP::SetTftpPort(QString::fromLocal8Bit(argv[5]).toInt());
    // A shorter restart wait than the camera's own, so the tool ends soon.
    frmTFTPProgress::SetTimesForTests(frmTFTPProgress::kWatchdogMs, 6000);
    RegisterProgramWindows();
    WindowRegistry& registry = windows();
    int failures = 0;

    // The search window, the camera chosen: Change IP is there to press.
    auto* browse = registry.Get<frmBrowse>(kBrowseWindowName);
    browse->show();
    if (!WaitFor([&] { return !browse->m_bFirst && !browse->m_bBusy; }, 10000))
        ++failures;
    for (int i = 0; i < browse->ListViewSearch->topLevelItemCount(); ++i)
        if (browse->ListViewSearch->topLevelItem(i)->text(1) == address)
            browse->ListViewSearch->setCurrentItem(browse->ListViewSearch->topLevelItem(i));
    Settle(200);
    failures += !Save(browse, out + QStringLiteral("/browse_change_ip.png"));

    // The address dialog as Change IP opens it for a camera that may use DHCP.
    auto* change = registry.Get<frmChangeIPAddress>(kChangeIPAddressWindowName);
    change->m_sIPAddress = address;
    change->m_sSubnetMask = QStringLiteral("255.0.0.0");
    change->m_sDefaultGateway = QStringLiteral("127.0.0.1");
    change->show();
    change->txtIPAddress->setText(QStringLiteral("127.0.0.50"));
    Settle(200);
    failures += !Save(change, out + QStringLiteral("/change_ip_address.png"));
    change->hide();

    // The administrator check, the ID typed.
    auto* check = registry.Get<frmCheckPassword>(kCheckPasswordWindowName);
    check->show();
    check->txtAdminID->setText(QStringLiteral("admin"));
    check->txtPassword->setText(QStringLiteral("admin"));
    Settle(200);
    failures += !Save(check, out + QStringLiteral("/check_password.png"));
    check->hide();
    browse->hide();

    // A real firmware update: the file chosen, the transfer and the restart wait.
    QTemporaryDir files;
    const QString image = files.filePath(QStringLiteral("camera-fw-3.10.bin"));
    {
        QFile f(image);
        f.open(QIODevice::WriteOnly);
        f.write("CAMFW/1 version=3.10\n" + QByteArray(6 * 1024 * 1024, 'f'));
    }
    auto* update = registry.Get<frmUpdateFW>(kUpdateFWWindowName);
    update->txtFirmwareFileName->setText(image);
    bool grabbedTransfer = false;
    bool grabbedWait = false;
    QTimer watcher;
    watcher.setInterval(1);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (!grabbedTransfer) {
            if (auto* t = registry.IfLoaded<frmTFTPProgress>(kTFTPProgressWindowName);
                t && t->isVisible() && t->progressbar->value() > t->progressbar->maximum() / 3) {
                grabbedTransfer = true;
                failures += !Save(t, out + QStringLiteral("/tftp_progress.png"));
            }
        }
        if (!grabbedWait) {
            if (auto* w = registry.IfLoaded<frmProgress>(kProgressWindowName);
                w && w->isVisible() && w->progressbar->value() >= 400) {
                grabbedWait = true;
                failures += !Save(w, out + QStringLiteral("/firmware_restart_wait.png"));
            }
        }
    });
    watcher.start();
    QTimer::singleShot(300, [&] {
        Save(update, out + QStringLiteral("/update_firmware.png"));
        update->cmdUpdateFirmware->click();
    });
    update->ShowModal(nullptr);
    watcher.stop();
    failures += !grabbedTransfer + !grabbedWait;
    std::printf("the slot now reports firmware %s\n", qPrintable(cam.FWVersion));

    // The camera's settings page in the web window.
    if (auto* web = registry.Get<frmWeb>(kWebWindowName)) {
        web->m_sOldIPAddress = cam.IPAddress;
        web->show();
        EmbeddedBrowser* browser = web->WebBrowser1();
        int loads = 0;
        QObject::connect(browser, &EmbeddedBrowser::LoadFinished, [&](bool) { ++loads; });
        WaitFor([&] { return loads > 0; }, 20000);
        loads = 0;
        browser->RunScript(QStringLiteral("document.getElementById('settings').click()"));
        WaitFor([&] { return loads > 0; }, 20000);
        Settle(800);
        failures += !Save(web, out + QStringLiteral("/web_settings_page.png"));
        web->hide();
    } else {
        std::printf("this build has no web window\n");
    }
    registry.Reset();
    return failures == 0 ? 0 : 1;
}
