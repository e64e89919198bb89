// The skin wiring the video windows share: each skin event reaches the handler
// of its own name, through the guard under that name, reported as the window
// asks; a window that is gone hears nothing more.
#include "foundation/globals.h"
#include "platform/skin/skin_form.h"
#include "support/fake_ui.h"
#include "support/qt_printers.h"
#include "views/skin_events.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

// A window with the five skin handlers: notes what reached it and, when told,
// fails in every one.
class SkinWindow : public QObject {
public:
    void SkinForm1_MouseDown(SkinElement*, int button)
    {
        Note(QStringLiteral("down %1").arg(button));
    }
    void SkinForm1_MouseUp(SkinElement*, int button) { Note(QStringLiteral("up %1").arg(button)); }
    void SkinForm1_MouseIn(SkinElement*) { Note(QStringLiteral("in")); }
    void SkinForm1_MouseOut(SkinElement*) { Note(QStringLiteral("out")); }
    void SkinForm1_Click(SkinElement*) { Note(QStringLiteral("click")); }

    QStringList heard;
    bool fail = false;

private:
    void Note(const QString& what)
    {
        heard << what;
        if (fail)
            throw std::runtime_error("handler failed");
    }
};

void EmitAll(SkinForm* skin)
{
    emit skin->MouseIn(nullptr);
    emit skin->MouseDown(nullptr, 1, 3, 4);
    emit skin->MouseUp(nullptr, 2, 3, 4);
    emit skin->Click(nullptr);
    emit skin->MouseOut(nullptr);
}

TEST(SkinEvents, EachEventReachesItsHandlerAndAFailureIsReportedUnderItsName)
{
    InitGlobalVariable();
    gAppTitle = QStringLiteral("Title");
    FakeUi ui;
    QWidget host;
    auto* skin = new SkinForm(&host);
    const QStringList inOrder{QStringLiteral("in"), QStringLiteral("down 1"),
                              QStringLiteral("up 2"), QStringLiteral("click"),
                              QStringLiteral("out")};
    const QStringList boxTexts{QStringLiteral("Error SkinForm1_MouseIn function"),
                               QStringLiteral("Error SkinForm1_MouseDown function"),
                               QStringLiteral("Error SkinForm1_MouseUp function"),
                               QStringLiteral("Error SkinForm1_Click function"),
                               QStringLiteral("Error SkinForm1_MouseOut function")};
    struct Case {
        const char* name;
        ErrorReport how;
        bool fail;
        QStringList boxes;
    };
    const Case cases[] = {
        {"box, handlers run through", ErrorReport::Box, false, {}},
        {"box, handlers fail", ErrorReport::Box, true, boxTexts},
        {"quiet, handlers fail", ErrorReport::Quiet, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui.messages.clear();
        SkinWindow window;
        window.fail = c.fail;
        ConnectSkinEvents(skin, &window, c.how);
        EmitAll(skin);  // a failure never leaves the handler
        EXPECT_EQ(window.heard, inOrder);
        QStringList shown;
        for (const ShownMessage& m : ui.messages) {
            shown << m.text;
            EXPECT_EQ(m.buttons, MsgButtons::OK);
            EXPECT_EQ(m.title, QStringLiteral("Title"));
        }
        EXPECT_EQ(shown, c.boxes);
    }

    // The windows above are gone: their connections went with them.
    auto window = std::make_unique<SkinWindow>();
    ConnectSkinEvents(skin, window.get(), ErrorReport::Box);
    EmitAll(skin);
    EXPECT_EQ(window->heard, inOrder) << "only the living window hears the events";
    window.reset();
    ui.messages.clear();
    EmitAll(skin);
    EXPECT_TRUE(ui.messages.empty());
    InitGlobalVariable();
}

}  // namespace
