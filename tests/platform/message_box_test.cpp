// The desktop's message boxes: a box with a short text still shows its
// whole title.
#include "platform/ui_services.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

TEST(DesktopMessageBox, AShortTextLeavesRoomForTheWholeTitle)
{
    QtUiServices desktop;
    struct Case {
        const char* title;
        const char* text;
    };
    // The about box's version box, and a longer title over a one-word text.
    const Case cases[] = {{"Corvex SE", "Corvex SE 1.0"},
                          {"Corvex SE: camera 4 in the yard", "OK"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const QString title = QLatin1String(c.title);
        int width = -1;
        QString shownTitle;
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                width = box->width();
                shownTitle = box->windowTitle();
                box->button(QMessageBox::Ok)->click();
            } else if (waited.elapsed() > 20000 && QApplication::activeModalWidget()) {
                QApplication::activeModalWidget()->close();  // only a hang gets here
            }
        });
        poll.start();
        EXPECT_EQ(desktop.MsgBox(QLatin1String(c.text), MsgButtons::OK, MsgIcon::None, title),
                  MsgResult::OK);
        poll.stop();
        EXPECT_EQ(shownTitle, title);
        // The title as the window manager draws it (bold), with room for the
        // window's icon and close button.
        QFont bold = QApplication::font();
        bold.setBold(true);
        EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(title) + 90);
    }
}
