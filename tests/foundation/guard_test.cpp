// The handler guard: what the operator sees when a handler throws.
#include "foundation/globals.h"
#include "foundation/guard.h"
#include "support/fake_ui.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class HandlerGuard : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitGlobalVariable();
        gAppTitle = QStringLiteral("Title");
    }
    void TearDown() override { InitGlobalVariable(); }

    FakeUi fake;
};

TEST_F(HandlerGuard, ReportsAsThePolicySays)
{
    struct Case {
        const char* name;
        ErrorReport how;
        std::function<void()> body;
        bool completes;
        int boxes;
    };
    const Case cases[] = {
        {"box, runs through", ErrorReport::Box, [] {}, true, 0},
        {"box, std exception", ErrorReport::Box, [] { throw std::runtime_error("x"); }, false, 1},
        {"box, other exception", ErrorReport::Box, [] { throw 42; }, false, 1},
        {"quiet, std exception", ErrorReport::Quiet, [] { throw std::runtime_error("x"); }, false,
         0},
        {"quiet, other exception", ErrorReport::Quiet, [] { throw 42; }, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.messages.clear();
        int recovered = 0;
        EXPECT_EQ(Guard(c.how, QStringLiteral("cmdGo_Click"), c.body, [&] { ++recovered; }),
                  c.completes);
        EXPECT_EQ(recovered, c.completes ? 0 : 1);
        ASSERT_EQ(static_cast<int>(fake.messages.size()), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error cmdGo_Click function"));
            EXPECT_EQ(fake.messages[0].buttons, MsgButtons::OK);
            EXPECT_EQ(fake.messages[0].title, QStringLiteral("Title"));
        }
    }
}

TEST_F(HandlerGuard, FailingRecoveryStillReports)
{
    EXPECT_FALSE(Guard(
        ErrorReport::Box, QStringLiteral("Form_Load"), [] { throw std::runtime_error("load"); },
        [] { throw std::logic_error("recover"); }));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error Form_Load function"));
}

// While an error box is open its event loop runs other events; one failing the
// same way shows no second box, one failing otherwise does.
TEST_F(HandlerGuard, NoSecondBoxOfTheSameTextWhileOneIsOpen)
{
    int nested = 0;
    fake.onMsgBox = [&](const ShownMessage&) {
        if (nested++ > 0)
            return;
        Guard(ErrorReport::Box, QStringLiteral("CamStart"), [] { throw 1; });
        Guard(ErrorReport::Box, QStringLiteral("CamStop"), [] { throw 1; });
    };
    Guard(ErrorReport::Box, QStringLiteral("CamStart"), [] { throw 1; });
    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("Error CamStart function"));
    EXPECT_EQ(fake.messages[1].text, QStringLiteral("Error CamStop function"));

    // Once closed, the same failure shows its box again.
    fake.onMsgBox = nullptr;
    Guard(ErrorReport::Box, QStringLiteral("CamStart"), [] { throw 1; });
    EXPECT_EQ(fake.messages.size(), 3u);
}

}  // namespace
