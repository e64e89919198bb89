#include "app/startup.h"

#include "app/app_windows.h"
#include "app/program_end.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "foundation/settings.h"
#include "foundation/window_names.h"
#include "foundation/window_registry.h"
#include "platform/ui_services.h"
#include "platform/web_browser/embedded_browser.h"

#include <QApplication>
#include <QDialog>
#include <QLockFile>
#include <QWidget>

#include <cstdio>
#include <exception>
#include <memory>

namespace {

std::unique_ptr<QLockFile> gInstanceLock;
// The system asked the program to end during the start-up.
bool gEndAsked = false;
// A start-up failure's message box is open.
bool gFailureBoxOpen = false;

bool AcquireInstanceLock()
{
    auto lock = std::make_unique<QLockFile>(InstanceLockPath());
    // Held for the whole run; only a lock whose process is gone counts as stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    gInstanceLock = std::move(lock);
    return true;
}

QString notExist(const QString& relative)
{
    return ResourceDisplayPath(relative) + QStringLiteral(" is not exist !!");
}

QString langFile(const QString& suffix)
{
    return kLangFolder + QLatin1Char('/') + LangFileName(suffix);
}

StartupResult fail(const QString& text)
{
    // Also for whoever started the program from a terminal or a script.
    std::fprintf(stderr, "camclient: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    if (!gEndAsked) {
        gFailureBoxOpen = true;
        ui().MsgBox(text, MsgButtons::OK, MsgIcon::None, kBuiltInTitle);
        gFailureBoxOpen = false;
    }
    ReleaseInstanceLock();
    return StartupResult::Failed;
}

}  // namespace

void EndFailingStartup()
{
    gEndAsked = true;
    if (!gFailureBoxOpen)
        return;
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        box->reject();
}

QString InstanceLockPath() { return DataPath() + QStringLiteral("/.camclient.lock"); }

void ReleaseInstanceLock() { gInstanceLock.reset(); }

StartupResult Main()
{
    if (!AcquireInstanceLock())
        return StartupResult::AlreadyRunning;

    InitGlobalVariable();
    if (QString why; !LoadLanguageIni(&why))
        return fail(why.isEmpty() ? notExist(kLangFolder + QLatin1Char('/') + kLanguageIniName)
                                  : why);
    if (!LoadLang2Ini())
        return fail(notExist(langFile(QStringLiteral("_2.ini"))));
    if (!LoadLang3Ini())
        return fail(notExist(langFile(QStringLiteral("_3.ini"))));
    if (!LoadCfgPageIni())
        return fail(notExist(QStringLiteral("cfgpage.ini")));  // spelt so, whatever the file's case
    if (QString why; !LoadSettings(&why))
        return fail(why);
    if (!LoadLang1Ini())
        return fail(notExist(langFile(QStringLiteral("_1.ini"))));

    gCurCam = 1;
    try {
        if (!windows().Get(kEngineWindowName))
            return fail(QStringLiteral("The camera engine could not be started."));
        auto* panel = windows().Get<QWidget>(kPanelWindowName);
        if (!panel)
            return fail(QStringLiteral("The control panel could not be opened."));
        panel->show();
    } catch (const std::exception& e) {
        return fail(QStringLiteral("Start-up failed: ") + QString::fromLocal8Bit(e.what()));
    }
    return StartupResult::Running;
}

int RunProgram(int argc, char** argv)
{
    PrepareEmbeddedBrowser();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("camclient"));
    QGuiApplication::setQuitOnLastWindowClosed(false);  // the window registry ends the run
    RegisterProgramWindows();
    // Installed before the start-up, so that a request to end meanwhile is
    // kept for when the program runs rather than killing it half way.
    ProgramEndRequests endRequests(windows(), EndFailingStartup);

    int code = 0;
    switch (Main()) {
    case StartupResult::AlreadyRunning:
        code = 0;
        break;
    case StartupResult::Failed:
        code = 1;
        break;
    case StartupResult::Running:
        endRequests.Arm();
        code = QApplication::exec();
        break;
    }
    windows().Reset();
    ReleaseInstanceLock();
    return code;
}
