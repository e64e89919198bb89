// panelshots: starts the program from a program folder (its language pack and
// main.ini) as the program itself does, lets the cameras come up, then grabs
// the control panel in a few states, with the current slot's video window
// beside it, into PNG files.
//
// Usage: panelshots <program folder> <output folder>
#include "app/app_windows.h"
#include "app/startup.h"
#include "discovery/frm_browse.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "panel/frm_about.h"
#include "panel/frm_controller.h"
#include "platform/skin/skin_form.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace {

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Sends the pointer to an element of the panel's skin, as the mouse would.
class Pointer {
public:
    explicit Pointer(SkinForm* form) : form_(form) {}
    QPoint at(const QString& name) const
    {
        const SkinElement* el = form_->findElement(name);
        return el ? el->rect().center() : QPoint(-1, -1);
    }
    void move(const QString& name)
    {
        send(QEvent::MouseMove, at(name), Qt::NoButton, Qt::NoButton);
    }
    void press(const QString& name)
    {
        send(QEvent::MouseButtonPress, at(name), Qt::LeftButton, Qt::LeftButton);
    }
    void release(const QString& name)
    {
        send(QEvent::MouseButtonRelease, at(name), Qt::LeftButton, Qt::NoButton);
    }
    void click(const QString& name)
    {
        move(name);
        press(name);
        release(name);
    }

private:
    void send(QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons held)
    {
        QMouseEvent e(type, QPointF(p), QPointF(form_->mapToGlobal(p)), b, held, Qt::NoModifier);
        QApplication::sendEvent(form_, &e);
    }
    SkinForm* form_;
};

// Two windows side by side into one picture.
bool SaveImages(const QImage& left, const QImage& right, const QString& file)
{
    const int gap = right.isNull() ? 0 : 12;
    QImage out(left.width() + gap + right.width(), std::max(left.height(), right.height()),
               QImage::Format_RGB32);
    out.fill(QColor(0x2b, 0x2f, 0x36));
    QPainter p(&out);
    p.drawImage(0, 0, left);
    if (!right.isNull())
        p.drawImage(left.width() + gap, 0, right);
    p.end();
    const bool ok = out.save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

// The panel, and beside it the current slot's video window when one shows.
bool Save(frmController* panel, const QString& file, bool withVideo)
{
    QImage right;
    if (withVideo) {
        if (auto* video = windows().IfLoaded<QWidget>(ClientWindowName(gCurCam));
            video && video->isVisible())
            right = video->grab().toImage();
    }
    return SaveImages(panel->grab().toImage(), right, file);
}

bool SavePair(frmController* panel, QWidget* other, const QString& file)
{
    return SaveImages(panel->grab().toImage(), other->grab().toImage(), file);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (argc < 3) {
        std::fprintf(stderr, "Usage: panelshots <program folder> <output folder>\n");
        return 2;
    }
    const QString program = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QDir().mkpath(out.path());
    SetAppPath(program);
    SetDataPath(program);
    RegisterProgramWindows();
    if (Main() != StartupResult::Running) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    auto* panel = windows().IfLoaded<frmController>(kPanelWindowName);
    if (!panel)
        return 1;
    Pointer mouse(panel->SkinForm1());
    Wait(4000);  // the cameras come up and the video runs

    bool ok = Save(panel, out.filePath(QStringLiteral("panel-running.png")), true);
    mouse.move(QStringLiteral("Cam2"));
    Wait(200);
    ok &= Save(panel, out.filePath(QStringLiteral("panel-hover.png")), false);
    mouse.move(QStringLiteral("ExtInfo"));
    mouse.press(QStringLiteral("ExtInfo"));
    Wait(200);
    ok &= Save(panel, out.filePath(QStringLiteral("panel-pressed.png")), false);
    mouse.release(QStringLiteral("ExtInfo"));
    Wait(300);
    ok &= Save(panel, out.filePath(QStringLiteral("panel-extended.png")), false);
    mouse.click(QStringLiteral("CamConf"));
    Wait(300);
    ok &= Save(panel, out.filePath(QStringLiteral("panel-setup-open.png")), false);
    // A manual recording of slot 1 (into the program folder, the default storage).
    mouse.click(QStringLiteral("Cam1"));
    mouse.click(QStringLiteral("ManualRec"));
    mouse.move(QStringLiteral("Line3"));
    Wait(1500);
    ok &= Save(panel, out.filePath(QStringLiteral("panel-recording.png")), true);
    mouse.click(QStringLiteral("ManualRec"));
    // The scan tour, with slot 2 running too, beside the scan window.
    mouse.click(QStringLiteral("Cam2"));
    mouse.click(QStringLiteral("Connect"));
    Wait(2000);
    mouse.click(QStringLiteral("Scan"));
    mouse.move(QStringLiteral("Line3"));
    Wait(2500);
    if (auto* scan = windows().IfLoaded<QWidget>(kScanWindowName); scan && scan->isVisible())
        ok &= SavePair(panel, scan, out.filePath(QStringLiteral("panel-scanning.png")));
    else
        ok = false;
    mouse.click(QStringLiteral("Scan"));
    Wait(1000);
    // An empty slot opens the search window; it is closed once it has searched.
    QTimer closeSearch;
    QObject::connect(&closeSearch, &QTimer::timeout, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = dynamic_cast<frmBrowse*>(w);
                b && b->isVisible() && !b->m_bBusy && !b->m_bFirst)
                b->cmdCancel->click();
    });
    closeSearch.start(50);
    mouse.click(QStringLiteral("Cam4"));
    closeSearch.stop();
    mouse.move(QStringLiteral("Line3"));
    Wait(300);
    ok &= Save(panel, out.filePath(QStringLiteral("panel-empty-slot.png")), false);

    // The about box, as the toolbar's "About..." shows it.
    if (auto* about = windows().Get<frmAbout>(kAboutWindowName)) {
        about->show();
        Wait(300);
        const QString file = out.filePath(QStringLiteral("about-box.png"));
        const bool saved = about->grab().toImage().save(file);
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(file));
        ok &= saved;
        windows().Unload(kAboutWindowName);
    }

    windows().RequestProgramEnd();
    QApplication::exec();
    windows().Reset();
    ReleaseInstanceLock();
    return ok ? 0 : 1;
}
