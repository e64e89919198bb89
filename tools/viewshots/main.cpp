// viewshots: starts the program from a program folder (its language pack and
// main.ini with four running cameras) as the program itself does, then grabs
// the video windows into PNG files: a zoomed and dragged picture, the colour
// panel before and after a brightness change, a camera turned by a quarter,
// a camera whose pictures stopped (reconnecting), the combined window with
// its active frame, before and after the panel picks another slot, and the
// scan window.
//
// The panel's Combine and Scan buttons and the engine's scan tour are not
// part of the program yet: for those two windows the tool does what they
// will do (the single windows close and the combined window opens; one
// camera is routed into the scan window).
//
// Usage: viewshots <program folder> <output folder>
#include "app/app_windows.h"
#include "app/startup.h"
#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "panel/frm_controller.h"
#include "platform/image_server/http_client.h"
#include "platform/image_server/image_server.h"
#include "platform/image_server/video_surface.h"
#include "platform/skin/skin_form.h"
#include "platform/toolbar/tool_bar.h"
#include "views/colour_panel.h"
#include "views/frm_client.h"
#include "views/frm_combine_window.h"
#include "views/frm_scan.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScrollBar>
#include <QThread>
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

void Send(QWidget* target, QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(p), QPointF(target->mapToGlobal(p)), b, held, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
}

void ClickElement(SkinForm* form, const QString& name)
{
    const SkinElement* el = form->findElement(name);
    if (!el)
        return;
    const QPoint p = el->rect().center();
    Send(form, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
    Send(form, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    Send(form, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

bool Save(QWidget* w, const QString& file)
{
    const bool ok = w->grab().toImage().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

// Mean luminance of the picture a surface shows now.
double MeanLuma(const VideoSurface* surface)
{
    const QImage img = surface->currentFrame().convertToFormat(QImage::Format_RGB32);
    if (img.isNull())
        return -1;
    double sum = 0;
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x)
            sum += qGray(line[x]);
    }
    return sum / (double(img.width()) * img.height());
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    if (argc < 3) {
        std::fprintf(stderr, "Usage: viewshots <program folder> <output folder>\n");
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
    auto* engine = windows().IfLoaded<frmMain>(kEngineWindowName);
    auto* client = windows().IfLoaded<frmClient>(ClientWindowName(1));
    if (!engine || !client) {
        std::fprintf(stderr, "no engine or no window of camera 1\n");
        return 1;
    }
    Wait(4000);  // the cameras come up and the video runs
    bool ok = true;

    // Zoom x2 and drag the picture towards its top-left corner.
    client->tbr1()->Tools(QStringLiteral("ID_x2"))->trigger();
    Wait(800);
    QWidget* picture = client->Picture1();
    Send(picture, QEvent::MouseButtonPress, QPoint(200, 150), Qt::LeftButton, Qt::LeftButton);
    Send(picture, QEvent::MouseMove, QPoint(260, 200), Qt::NoButton, Qt::LeftButton);
    Send(picture, QEvent::MouseButtonRelease, QPoint(260, 200), Qt::LeftButton, Qt::NoButton);
    Wait(800);
    const QRectF placed = client->placement();
    std::printf("zoomed picture at (%g, %g) %g x %g in a %d x %d client area\n", placed.x(),
                placed.y(), placed.width(), placed.height(), client->clientSize().width(),
                client->clientSize().height());
    ok &= Save(client, out.filePath(QStringLiteral("view-zoom-dragged.png")));
    client->tbr1()->Tools(QStringLiteral("ID_FitWindow"))->trigger();
    Wait(500);

    // The colour panel, then a brightness change through its bar.
    ClickElement(client->SkinForm1(), QStringLiteral("ColorCtl"));
    Wait(800);
    const double before = MeanLuma(client->Picture1());
    ok &= Save(client, out.filePath(QStringLiteral("view-colour-panel.png")));
    // A timed run: from the bar's change to the first brighter picture on screen.
    QElapsedTimer change;
    change.start();
    client->picImage()->bar(ColourPanel::kBrightness)->setValue(120);
    const qint64 blocked = change.elapsed();  // the window is busy this long
    while (MeanLuma(client->Picture1()) < before + 30 && change.elapsed() < 20000)
        Wait(10);
    const qint64 shown = change.elapsed();
    Wait(1000);
    const double after = MeanLuma(client->Picture1());
    std::printf("mean brightness of the picture: %.1f before, %.1f after\n", before, after);
    std::printf("brightness change: window busy %lld ms, first brighter picture after %lld ms\n",
                static_cast<long long>(blocked), static_cast<long long>(shown));
    ok &= Save(client, out.filePath(QStringLiteral("view-colour-brighter.png")));
    client->picImage()->bar(ColourPanel::kBrightness)->setValue(64);
    ClickElement(client->SkinForm1(), QStringLiteral("ColorCtl"));
    Wait(500);

    // Camera 1 turned by a quarter: it keeps its shape (and stays turned in
    // the combined window below).
    ClickElement(client->SkinForm1(), QStringLiteral("Rotate"));
    Wait(1500);
    const QRect turned = client->Picture1()->pictureRect();
    std::printf("turned picture at (%d, %d) %d x %d in a %d x %d client area\n", turned.x(),
                turned.y(), turned.width(), turned.height(), client->clientSize().width(),
                client->clientSize().height());
    ok &= Save(client, out.filePath(QStringLiteral("view-rotated.png")));

    // Camera 2 stops sending pictures: its window says it is reconnecting,
    // over its last picture, dimmed.
    if (auto* client2 = windows().IfLoaded<frmClient>(ClientWindowName(2))) {
        CameraEndpoint camera2;
        camera2.host = gCam[2].IPAddress;
        camera2.port = gCam[2].Port;
        HttpAuthenticator none;
        HttpRequest(camera2, none, "GET", "/sim/stall?on=1", 3000);
        QElapsedTimer down;
        down.start();
        while (!gCam[2].Reconnecting && down.elapsed() < 20000)
            Wait(50);
        Wait(300);
        std::printf("camera 2 %s after %lld ms\n",
                    gCam[2].Reconnecting ? "shows it is reconnecting" : "still shows on line",
                    static_cast<long long>(down.elapsed()));
        ok &= gCam[2].Reconnecting;
        ok &= Save(client2, out.filePath(QStringLiteral("view-reconnecting.png")));
        HttpRequest(camera2, none, "GET", "/sim/stall?on=0", 3000);
    }

    // The combined window: the single windows close, the combined one opens.
    for (int n = 1; n <= kSlotCount; ++n)
        windows().Unload(ClientWindowName(n));
    gCombineMode = 1;
    gCurCam = 2;
    auto* combine = windows().Get<frmCombineWindow>(kCombineWindowName);
    if (!combine)
        return 1;
    combine->show();
    Wait(2500);
    ok &= Save(combine, out.filePath(QStringLiteral("combined-four-cameras.png")));

    // The panel picks slot 3, records it by hand, goes to slot 2 and back to
    // 3: the combined window's frame and buttons follow the slot the panel
    // picked (colour and rotation greyed while it records).
    if (auto* panel = windows().IfLoaded<frmController>(kPanelWindowName)) {
        for (const char* element : {"Cam3", "ManualRec", "Cam2", "Cam3"}) {
            ClickElement(panel->SkinForm1(), QLatin1String(element));
            Wait(500);
        }
        Wait(1000);
        ok &= Save(combine, out.filePath(QStringLiteral("combined-after-slot-change.png")));
        ClickElement(panel->SkinForm1(), QStringLiteral("ManualRec"));
        Wait(500);
    }

    // The scan window showing camera 3.
    windows().Unload(kCombineWindowName);
    gCombineMode = 0;
    gScanMode = true;
    auto* scan = windows().Get<frmScan>(kScanWindowName);
    if (!scan)
        return 1;
    gScanCam = 3;
    scan->show();
    Wait(300);
    ImageServer& cam = engine->Cam(3);
    cam.setDisplay(scan->VideoTarget());
    cam.setDisplayWidth(scan->ClientSize().width());
    cam.setDisplayHeight(scan->ClientSize().height());
    cam.setDisplayEnabled(true);
    scan->RefrushStatusBar();
    Wait(2000);
    ok &= Save(scan, out.filePath(QStringLiteral("scan-window.png")));

    windows().RequestProgramEnd();
    QApplication::exec();
    windows().Reset();
    ReleaseInstanceLock();
    return ok ? 0 : 1;
}
