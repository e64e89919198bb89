#include "platform/skin/skin_form.h"
#include "platform/skin/skin_picture.h"
#include "platform/skin/skin_report.h"
#include "support/skin_mouse.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

const char* kSkin = R"(
# test skin
[Skin]
Name = Back
Size = 200 100
Client = 10 20 100 60
Background = back.png
BackgroundSlice = 10 20 10 20
BgColor = #000000
Resizable = yes
MinSize = 150 80

[Element A]
Kind = button
Rect = 120 20 20 20
Anchor = right top
Picture = sheet.png

[Element B]
Kind = button
Rect = 150 20 20 20
Anchor = right top
Picture = sheet.png

[Element Label]
Kind = text
Rect = 120 60 70 20
Anchor = left right bottom
Text = hello

[Element Hidden]
Rect = 120 45 20 10
Visible = no

[Element Deco]
Rect = 150 45 20 10
Mouse = no

[Element Max]
Kind = button
Rect = 160 0 20 14
Anchor = right top
Action = maximize

[Element Close]
Kind = button
Rect = 180 0 20 14
Anchor = right top
Action = close
)";

const QColor kGrey(0x20, 0x20, 0x20);

void writeSheet(const QString& path, const QColor& aColour, const QColor& bColour)
{
    QImage img(200, 100, QImage::Format_RGB32);
    img.fill(kGrey);
    QPainter p(&img);
    p.fillRect(QRect(120, 20, 20, 20), aColour);
    p.fillRect(QRect(150, 20, 20, 20), bColour);
    p.end();
    ASSERT_TRUE(img.save(path));
}

class SkinFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile f(dir.filePath(QStringLiteral("test.skn")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kSkin);
        f.close();
        writeSheet(dir.filePath(QStringLiteral("sheet.png")), Qt::red, Qt::green);
        writeSheet(dir.filePath(QStringLiteral("over.png")), Qt::blue, Qt::yellow);
        writeSheet(dir.filePath(QStringLiteral("back.png")), kGrey, kGrey);
        SkinPictures::clear();
        host = std::make_unique<QWidget>();
        host->resize(200, 100);
        form = new SkinForm(host.get());
        ASSERT_TRUE(form->SkinFile(dir.filePath(QStringLiteral("test.skn"))));
        log = std::make_unique<SkinEventLog>(form);
        mouse = std::make_unique<SkinMouse>(form);
    }
    QColor pixel(QPoint p) { return form->grab().toImage().pixelColor(p); }

    QTemporaryDir dir;
    std::unique_ptr<QWidget> host;
    SkinForm* form = nullptr;
    std::unique_ptr<SkinEventLog> log;
    std::unique_ptr<SkinMouse> mouse;
};

TEST_F(SkinFormTest, ReportsThePointerOnElementsInOrder)
{
    mouse->hover(QStringLiteral("A"));
    mouse->hover(QStringLiteral("B"));
    mouse->move(QPoint(60, 10));  // background: no event of its own
    mouse->click(QStringLiteral("A"));
    mouse->leaveWindow();
    EXPECT_EQ(log->take(), (QStringList{"In:A", "Out:A", "In:B", "Out:B", "In:A", "Down:A:1",
                                        "Up:A:1", "Click:A", "Out:A"}));
}

TEST_F(SkinFormTest, PressDraggedOffAnElementEndsWithoutClick)
{
    const QPoint a = mouse->at(QStringLiteral("A"));
    mouse->move(a);
    mouse->press(a);
    mouse->move(mouse->at(QStringLiteral("B")));  // while pressed, only A hears of it
    mouse->move(a);
    mouse->move(mouse->at(QStringLiteral("B")));
    mouse->release(mouse->at(QStringLiteral("B")));
    EXPECT_EQ(log->take(),
              (QStringList{"In:A", "Down:A:1", "Out:A", "In:A", "Out:A", "Up:A:1", "In:B"}));
}

TEST_F(SkinFormTest, EveryPressIsEndedWhenTheWindowStopsListening)
{
    struct Case {
        const char* what;
        std::function<void(QWidget*, SkinForm*)> interrupt;
    };
    const Case cases[] = {
        {"blocked by a modal window",
         [](QWidget*, SkinForm* f) {
             QEvent e(QEvent::WindowBlocked);
             QApplication::sendEvent(f, &e);
         }},
        {"deactivated",
         [](QWidget*, SkinForm* f) {
             QEvent e(QEvent::ActivationChange);
             QApplication::sendEvent(f, &e);
         }},
        {"hidden", [](QWidget* h, SkinForm*) { h->hide(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host->show();
        log->take();
        const QPoint a = mouse->at(QStringLiteral("A"));
        mouse->move(a);
        mouse->press(a);
        c.interrupt(host.get(), form);
        mouse->release(a);  // arrives late, or never; either way nothing more
        EXPECT_EQ(log->take(), (QStringList{"In:A", "Down:A:1", "Up:A:1", "Out:A"}));
        EXPECT_EQ(form->pressedElement(), nullptr);
    }
}

TEST_F(SkinFormTest, OtherButtonsPressAndReleaseButNeverClick)
{
    mouse->click(QStringLiteral("A"), Qt::RightButton);
    const QPoint b = mouse->at(QStringLiteral("B"));
    mouse->move(b);
    mouse->press(b, Qt::MiddleButton);
    mouse->press(b, Qt::LeftButton);  // a second button while one is held is ignored
    mouse->release(b, Qt::LeftButton);
    mouse->release(b, Qt::MiddleButton);
    EXPECT_EQ(log->take(),
              (QStringList{"In:A", "Down:A:2", "Up:A:2", "Out:A", "In:B", "Down:B:4", "Up:B:4"}));
}

TEST_F(SkinFormTest, BackgroundPressPassesTheRootAndDragMovesTheWindow)
{
    host->move(100, 100);
    host->show();
    const QPoint before = host->pos();
    mouse->press(QPoint(60, 10));
    mouse->move(QPoint(90, 30));  // far enough: the move starts, the press ends
    mouse->move(QPoint(100, 40));
    mouse->release(QPoint(100, 40));
    EXPECT_EQ(log->take(), (QStringList{"Down:Back:1", "Up:Back:1"}));
    EXPECT_EQ(host->pos(), before + QPoint(10, 10));
    EXPECT_EQ(form->Skin()->Name(), QStringLiteral("Back"));

    mouse->click(QStringLiteral("Deco"));  // no mouse: the press falls to the background
    EXPECT_EQ(log->take(), (QStringList{"Down:Back:1", "Up:Back:1", "Click:Back"}));
}

TEST_F(SkinFormTest, ElementsFollowTheirAnchorsAndLayoutValue)
{
    host->resize(260, 130);
    const SkinElement& a = form->GetElement(QStringLiteral("A"));
    SkinElement& label = form->GetElement(QStringLiteral("Label"));
    EXPECT_EQ(a.rect(), QRect(180, 20, 20, 20));            // right top: moves right
    EXPECT_EQ(label.rect(), QRect(120, 90, 130, 20));       // left right bottom: grows, moves down
    EXPECT_EQ(form->clientRect(), QRect(10, 20, 160, 90));  // known while hidden
    host->show();
    EXPECT_EQ(form->clientArea()->geometry(), form->clientRect());
    EXPECT_EQ(label.Width(), 130);
    label.setLayoutValue(30);
    EXPECT_EQ(label.rect(), QRect(120, 90, 30, 20));
    label.setStyleCode(0);
    EXPECT_EQ(label.Width(), 130);
}

TEST_F(SkinFormTest, HiddenAndMouseLessElementsAreNotUnderThePointer)
{
    EXPECT_EQ(form->elementAt(mouse->at(QStringLiteral("Hidden"))), nullptr);
    EXPECT_EQ(form->elementAt(mouse->at(QStringLiteral("Deco"))), nullptr);
    SkinElement& a = form->GetElement(QStringLiteral("A"));
    a.setAlpha(255);
    mouse->hover(QStringLiteral("A"));
    EXPECT_TRUE(log->take().isEmpty());
    a.setAlpha(0);
    mouse->hover(QStringLiteral("A"));
    EXPECT_EQ(log->take(), QStringList{"In:A"});
    form->GetElement(QStringLiteral("Hidden")).setAlpha(0);
    EXPECT_EQ(form->elementAt(mouse->at(QStringLiteral("Hidden")))->Name(),
              QStringLiteral("Hidden"));
}

TEST_F(SkinFormTest, MissingNameGivesAStandInReportedOnce)
{
    QStringList reports;
    SetSkinReporter([&](const QString& m) { reports << m; });
    SkinElement& ghost = form->GetElement(QStringLiteral("Ghost"));
    ghost.setText(QStringLiteral("x"));
    ghost.setStatePicture(QStringLiteral("over.png"));
    ghost.setAlpha(255);
    form->Skin()->GetElement(QStringLiteral("Ghost")).setToolTip(QStringLiteral("t"));
    SetSkinReporter(nullptr);
    EXPECT_TRUE(ghost.isNull());
    EXPECT_TRUE(ghost.text().isEmpty());
    EXPECT_EQ(form->findElement(QStringLiteral("Ghost")), nullptr);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("Ghost")));
    EXPECT_FALSE(form->GetElement(QStringLiteral("A")).isNull());
}

TEST_F(SkinFormTest, StatePicturesShowAtOnce)
{
    SkinElement& a = form->GetElement(QStringLiteral("A"));
    const QPoint pa = a.rect().center();
    struct Case {
        QString state;
        QColor expected;
    };
    const Case cases[] = {
        {QString(), Qt::red},  // the skin's own look: its place cut from its sheet
        {QStringLiteral("over.png"), Qt::blue},
        {QStringLiteral("OVER.PNG"), Qt::blue},           // file names ignore case
        {QStringLiteral("over.png 150 20"), Qt::yellow},  // another place of the sheet
        {QStringLiteral("BgColor 255 -"), QColor(255, 0, 0)},
        {QStringLiteral("BgColor 0 -"), QColor(0, 0, 0)},
        {QStringLiteral("BgColor 0xFF0000 -"), QColor(0, 0, 255)},  // 0x00BBGGRR
        {QStringLiteral("-"), kGrey},                               // nothing: the background shows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state.toStdString());
        a.setStatePicture(c.state);
        EXPECT_EQ(a.picture(), c.state.isEmpty() ? QStringLiteral("sheet.png") : c.state);
        EXPECT_EQ(pixel(pa), c.expected);
    }
    a.setStatePicture(QStringLiteral("over.png"));
    a.setImageRect(QStringLiteral("30 0 20 20"));  // relative to A's own place: B's square
    EXPECT_EQ(pixel(pa), Qt::yellow);
    a.setImageSource(QString());
    a.setImageRect(QString());
    EXPECT_EQ(pixel(pa), Qt::red);
    a.setAlpha(255);
    EXPECT_EQ(pixel(pa), kGrey);
}

TEST_F(SkinFormTest, BackgroundKeepsItsBordersWhenStretched)
{
    host->show();
    host->resize(400, 200);
    // The top border (20 px, grey in the sheet) stretches across; B keeps its own square
    // after moving with its right anchor.
    EXPECT_EQ(pixel(QPoint(300, 10)), kGrey);
    EXPECT_EQ(pixel(form->GetElement(QStringLiteral("B")).rect().center()), Qt::green);
    // The text element draws its text: some pixel in its rect differs from the sheet.
    const QImage img = form->grab().toImage();
    const QRect r = form->GetElement(QStringLiteral("Label")).rect();
    bool drawn = false;
    for (int x = r.left(); x <= r.right() && !drawn; ++x)
        for (int y = r.top(); y <= r.bottom() && !drawn; ++y)
            drawn = img.pixelColor(x, y) != kGrey;
    EXPECT_TRUE(drawn);
}

TEST_F(SkinFormTest, CaptionElementsActOnTheWindowAfterTheirClick)
{
    host->show();
    QStringList seen;
    QObject::connect(form, &SkinForm::Click, form, [&](SkinElement* e) {
        seen << e->Name() + (host->isVisible() ? QStringLiteral(" visible") : QString());
    });
    mouse->click(QStringLiteral("Max"));
    EXPECT_TRUE(host->isMaximized());
    mouse->click(QStringLiteral("Max"));
    EXPECT_FALSE(host->isMaximized());
    mouse->click(QStringLiteral("Close"));
    EXPECT_FALSE(host->isVisible());
    EXPECT_EQ(seen, (QStringList{"Max visible", "Max visible", "Close visible"}));
}

TEST_F(SkinFormTest, HandlersMayReloadTheSkinOrDestroyTheWindow)
{
    // Reload inside Click: the form forgets the old elements and goes on.
    const auto reloading = QObject::connect(form, &SkinForm::Click, form, [this](SkinElement*) {
        form->SkinFile(dir.filePath(QStringLiteral("test.skn")));
    });
    mouse->click(QStringLiteral("A"));
    EXPECT_EQ(log->take(), (QStringList{"In:A", "Down:A:1", "Up:A:1", "Click:A"}));
    mouse->hover(QStringLiteral("B"));
    EXPECT_EQ(log->take(), QStringList{"In:B"});
    QObject::disconnect(reloading);

    // The window hides inside MouseDown: the press is ended inside the handler and
    // the late release adds nothing.
    const auto hiding = QObject::connect(form, &SkinForm::MouseDown, form,
                                         [this](SkinElement*, int, int, int) { host->hide(); });
    host->show();
    const QPoint a = mouse->at(QStringLiteral("A"));
    mouse->move(a);
    mouse->press(a);
    mouse->release(a);
    EXPECT_EQ(log->take(), (QStringList{"Out:B", "In:A", "Down:A:1", "Up:A:1", "Out:A"}));
    QObject::disconnect(hiding);

    // The close element closes a window that deletes itself when closed.
    QWidget* raw = host.release();
    raw->setAttribute(Qt::WA_DeleteOnClose);
    raw->show();
    const QPointer<SkinForm> watch(form);
    mouse->click(QStringLiteral("Close"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(watch.isNull());
}

TEST(SkinFormLoad, AFileThatCannotBeReadLeavesABlankFormWithClientArea)
{
    QWidget host;
    host.resize(120, 90);
    SkinForm form(&host);
    QStringList reports;
    SetSkinReporter([&](const QString& m) { reports << m; });
    EXPECT_FALSE(form.SkinFile(QStringLiteral("/nonexistent/x.skn")));
    SetSkinReporter(nullptr);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_TRUE(form.errorString().contains(QStringLiteral("x.skn")));
    EXPECT_EQ(reports.size(), 1);
    EXPECT_EQ(form.Skin(), nullptr);
    EXPECT_EQ(form.clientRect(), QRect(0, 0, 120, 90));
    SkinEventLog log(&form);
    SkinMouse mouse(&form);
    mouse.press(QPoint(5, 5));
    mouse.release(QPoint(5, 5));
    EXPECT_TRUE(log.events.isEmpty());
    EXPECT_TRUE(form.GetElement(QStringLiteral("A")).isNull());
}

}  // namespace
