// discoveryshots: starts the program from a program folder as the program
// itself does, then does what an operator does to fill an empty slot: clicks
// the slot, waits for the search window to list the cameras, chooses one that
// asks for a log-in, types it, and waits for the video. It grabs the search
// window, the log-in dialog and the result into PNG files.
//
// Usage: discoveryshots <program folder> <output folder> <camera name>
//        (the camera's user name and password are "admin")
#include "app/app_windows.h"
#include "app/startup.h"
#include "discovery/frm_browse.h"
#include "discovery/frm_login.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "views/frm_client.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <deque>
#include <functional>

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

template <typename T> T* Visible()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = dynamic_cast<T*>(w); t && w->isVisible())
            return t;
    return nullptr;
}

bool Save(QWidget* w, const QString& file)
{
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

// Steps that run from the event loop (also inside modal dialogs), each once
// its condition holds.
class Steps {
public:
    Steps()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (starting_ || steps_.empty() || !steps_.front().first())
                return;
            auto act = std::move(steps_.front().second);
            steps_.pop_front();
            starting_ = true;
            QTimer::singleShot(0, [this, act] {
                starting_ = false;
                act();
            });
        });
        timer_.start(20);
    }
    void When(std::function<bool()> ready, std::function<void()> act)
    {
        steps_.emplace_back(ready, act);
    }
    bool Done() const { return steps_.empty() && !starting_; }

private:
    QTimer timer_;
    std::deque<std::pair<std::function<bool()>, std::function<void()>>> steps_;
    bool starting_ = false;
};

void Click(SkinForm* form, const QString& name)
{
    const SkinElement* el = form->findElement(name);
    if (!el)
        return;
    const QPointF p = el->rect().center();
    for (auto [type, button, held] :
         {std::tuple{QEvent::MouseMove, Qt::NoButton, Qt::MouseButtons(Qt::NoButton)},
          std::tuple{QEvent::MouseButtonPress, Qt::LeftButton, Qt::MouseButtons(Qt::LeftButton)},
          std::tuple{QEvent::MouseButtonRelease, Qt::LeftButton, Qt::MouseButtons(Qt::NoButton)}}) {
        QMouseEvent e(type, p, form->mapToGlobal(p), button, held, Qt::NoModifier);
        QApplication::sendEvent(form, &e);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (argc < 4) {
        std::fprintf(stderr,
                     "Usage: discoveryshots <program folder> <output folder> <camera name>\n");
        return 2;
    }
    const QString program = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString camera = QString::fromLocal8Bit(argv[3]);
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
    Wait(500);

    bool ok = true;
    // A message box means the camera was not added: say what it said, close it
    // and let the run end as failed instead of waiting on it.
    QTimer messages;
    QObject::connect(&messages, &QTimer::timeout, [&ok] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                std::fprintf(stderr, "message: %s\n", qPrintable(box->text()));
                ok = false;
                box->reject();
            }
        }
    });
    messages.start(500);
    Steps steps;
    steps.When(
        [] {
            auto* b = Visible<frmBrowse>();
            return b && !b->m_bBusy && !b->m_bFirst && b->ListViewSearch->topLevelItemCount() >= 3;
        },
        [&] {
            frmBrowse& b = *Visible<frmBrowse>();
            b.ListViewSearch->sortItems(0, Qt::AscendingOrder);
            const auto rows = b.ListViewSearch->findItems(camera, Qt::MatchExactly, 0);
            if (!rows.isEmpty())
                b.ListViewSearch->setCurrentItem(rows.front());
            Wait(200);
            ok &= Save(&b, out.filePath(QStringLiteral("search-window.png")));
            b.cmdAdd->click();
        });
    steps.When([] { return Visible<frmLogin>() != nullptr; },
               [&] {
                   frmLogin& login = *Visible<frmLogin>();
                   login.txtUserName->setText(QStringLiteral("admin"));
                   login.txtPassword->setText(QStringLiteral("admin"));
                   login.txtPassword->setFocus();
                   Wait(200);
                   ok &= Save(&login, out.filePath(QStringLiteral("login-dialog.png")));
                   login.cmdOK->click();
               });
    Click(panel->SkinForm1(), QStringLiteral("Cam1"));  // an empty slot: the search window opens
    QElapsedTimer t;
    t.start();
    while (!steps.Done() && t.elapsed() < 30000)
        Wait(50);
    auto* video = windows().IfLoaded<frmClient>(ClientWindowName(1));
    t.restart();
    while (video && video->Picture1()->framesPresented() < 10 && t.elapsed() < 20000)
        Wait(50);
    if (!steps.Done() || !video || !video->isVisible()) {
        std::fprintf(stderr, "the camera was not added\n");
        ok = false;
    } else {
        const QImage left = panel->grab().toImage();
        const QImage right = video->grab().toImage();
        QImage both(left.width() + 12 + right.width(), std::max(left.height(), right.height()),
                    QImage::Format_RGB32);
        both.fill(QColor(0x2b, 0x2f, 0x36));
        QPainter p(&both);
        p.drawImage(0, 0, left);
        p.drawImage(left.width() + 12, 0, right);
        p.end();
        const QString file = out.filePath(QStringLiteral("search-camera-added.png"));
        ok &= both.save(file);
        std::printf("wrote %s\n", qPrintable(file));
    }

    windows().RequestProgramEnd();
    QApplication::exec();
    windows().Reset();
    ReleaseInstanceLock();
    return ok ? 0 : 1;
}
