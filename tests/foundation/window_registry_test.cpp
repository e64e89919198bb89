#include "foundation/window_registry.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

namespace {

std::vector<std::string> gLog;

class TestWindow : public QWidget, public WindowLifecycle {
public:
    explicit TestWindow(std::string name) : m_name(std::move(name)) { gLog.push_back("new " + m_name); }
    ~TestWindow() override { gLog.push_back("delete " + m_name); }
    void Form_Load() override
    {
        gLog.push_back("load " + m_name + (isVisible() ? " visible" : " hidden"));
        if (onLoad)
            onLoad();
    }
    bool Form_QueryUnload() override { return allowClose; }
    void Form_Unload() override
    {
        gLog.push_back("unload " + m_name);
        if (onUnload)
            onUnload();
    }

    std::function<void()> onLoad;
    std::function<void()> onUnload;
    bool allowClose = true;

private:
    std::string m_name;
};

class WindowRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        windows().Reset();
        gLog.clear();
    }
    void TearDown() override { windows().Reset(); }

    static void registerWindow(const QString& name, CloseUnloads close = CloseUnloads::No,
                               std::function<void(TestWindow*)> setup = {})
    {
        windows().Register(
            name,
            [name, setup] {
                auto* w = new TestWindow(name.toStdString());
                if (setup)
                    setup(w);
                return w;
            },
            close);
    }
    static void runDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

}  // namespace

TEST_F(WindowRegistryTest, FirstReferenceLoadsHiddenOnceAndNestedReferencesSeeTheSameWindow)
{
    QWidget* seenDuringLoad = nullptr;
    registerWindow(QStringLiteral("frmMain"));
    registerWindow(QStringLiteral("frmController"), CloseUnloads::No, [&](TestWindow* w) {
        w->onLoad = [&, w] {
            // The panel's load refers to itself and to the engine window.
            seenDuringLoad = windows().Get(QStringLiteral("frmController"));
            EXPECT_EQ(seenDuringLoad, w);
            EXPECT_NE(windows().Get(QStringLiteral("frmMain")), nullptr);
        };
    });

    EXPECT_FALSE(windows().IsLoaded(QStringLiteral("frmController")));
    EXPECT_EQ(windows().IfLoaded(QStringLiteral("frmController")), nullptr);
    QWidget* panel = windows().Get(QStringLiteral("frmController"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel, seenDuringLoad);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(windows().Get(QStringLiteral("frmController")), panel);
    EXPECT_EQ(windows().Get<TestWindow>(QStringLiteral("frmController")), panel);
    EXPECT_TRUE(windows().IsLoaded(QStringLiteral("frmMain")));
    EXPECT_EQ(windows().LoadedNames(),
              (std::vector<QString>{QStringLiteral("frmController"), QStringLiteral("frmMain")}));
    EXPECT_EQ(gLog, (std::vector<std::string>{"new frmController", "load frmController hidden", "new frmMain",
                                              "load frmMain hidden"}));
    EXPECT_EQ(windows().Get(QStringLiteral("frmUnknown")), nullptr);
}

TEST_F(WindowRegistryTest, UnloadRunsTheHandlerOnceAndTheNextReferenceLoadsAFreshWindow)
{
    int reentered = 0;
    registerWindow(QStringLiteral("frmClient1"), CloseUnloads::No, [&](TestWindow* w) {
        w->onUnload = [&] {
            ++reentered;
            // Still reachable while it unloads; a nested unload is ignored.
            EXPECT_TRUE(windows().IsLoaded(QStringLiteral("frmClient1")));
            windows().Unload(QStringLiteral("frmClient1"));
        };
    });
    QPointer<QWidget> first = windows().Get(QStringLiteral("frmClient1"));
    first->show();
    windows().Unload(QStringLiteral("frmClient1"));
    EXPECT_EQ(reentered, 1);
    EXPECT_FALSE(windows().IsLoaded(QStringLiteral("frmClient1")));
    ASSERT_FALSE(first.isNull());  // deleted from the event loop, not under the caller's feet
    EXPECT_FALSE(first->isVisible());
    runDeferredDeletes();
    EXPECT_TRUE(first.isNull());

    windows().Unload(QStringLiteral("frmClient1"));  // not loaded: nothing happens
    QWidget* second = windows().Get(QStringLiteral("frmClient1"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(gLog, (std::vector<std::string>{"new frmClient1", "load frmClient1 hidden", "unload frmClient1",
                                              "delete frmClient1", "new frmClient1",
                                              "load frmClient1 hidden"}));
}

TEST_F(WindowRegistryTest, ClosingUnloadsOnlyWindowsRegisteredSoAndAsksFirst)
{
    registerWindow(QStringLiteral("frmController"), CloseUnloads::Yes);
    registerWindow(QStringLiteral("frmAbout"), CloseUnloads::No);

    auto* panel = windows().Get<TestWindow>(QStringLiteral("frmController"));
    panel->show();
    panel->allowClose = false;
    EXPECT_FALSE(panel->close());
    EXPECT_TRUE(windows().IsLoaded(QStringLiteral("frmController")));
    panel->allowClose = true;
    EXPECT_TRUE(panel->close());
    EXPECT_FALSE(windows().IsLoaded(QStringLiteral("frmController")));

    QWidget* about = windows().Get(QStringLiteral("frmAbout"));
    about->show();
    about->close();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(windows().IsLoaded(QStringLiteral("frmAbout")));  // its caller unloads it
    EXPECT_EQ(gLog, (std::vector<std::string>{"new frmController", "load frmController hidden",
                                              "unload frmController", "new frmAbout", "load frmAbout hidden"}));
}

TEST_F(WindowRegistryTest, FailedLoadLeavesTheWindowUnloaded)
{
    bool fail = true;
    registerWindow(QStringLiteral("frmMain"), CloseUnloads::No, [&](TestWindow* w) {
        w->onLoad = [&] {
            if (fail)
                throw std::runtime_error("no camera objects");
        };
    });
    EXPECT_THROW(windows().Get(QStringLiteral("frmMain")), std::runtime_error);
    EXPECT_FALSE(windows().IsLoaded(QStringLiteral("frmMain")));
    fail = false;
    EXPECT_NE(windows().Get(QStringLiteral("frmMain")), nullptr);
}

TEST_F(WindowRegistryTest, ProgramEndIsQueuedIdempotentAndNothingIsRecreatedAfterIt)
{
    registerWindow(QStringLiteral("frmMain"));
    registerWindow(QStringLiteral("frmController"));
    registerWindow(QStringLiteral("frmClient1"));
    QPointer<QWidget> engine = windows().Get(QStringLiteral("frmMain"));
    QPointer<QWidget> panel = windows().Get(QStringLiteral("frmController"));
    panel->show();

    QTimer safety;  // ends the loop should the end never come
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    safety.start(5000);
    QTimer::singleShot(0, [&] {
        windows().RequestProgramEnd(3);
        windows().RequestProgramEnd(5);
        EXPECT_TRUE(windows().ProgramEndRequested());
        // Until the queued end runs, loaded windows stay reachable; others are never built.
        EXPECT_EQ(windows().Get(QStringLiteral("frmController")), panel.data());
        EXPECT_EQ(windows().Get(QStringLiteral("frmClient1")), nullptr);
    });
    const int code = QCoreApplication::exec();
    EXPECT_EQ(code, 3);
    runDeferredDeletes();
    EXPECT_TRUE(engine.isNull());
    EXPECT_TRUE(panel.isNull());
    EXPECT_TRUE(windows().LoadedNames().empty());
    EXPECT_EQ(windows().Get(QStringLiteral("frmMain")), nullptr);
    // The windows went without their unload handlers: the engine's own unload caused the end.
    EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "unload frmController"), 0);
}
