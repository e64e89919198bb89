#include "foundation/window_registry.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

namespace {

std::vector<std::string> gLog;

class TestWindow : public QWidget, public WindowLifecycle {
public:
    explicit TestWindow(std::string name) : m_name(std::move(name))
    {
        gLog.push_back("new " + m_name);
    }
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

// The engine window has no screen presence.
class TestEngine : public QObject, public WindowLifecycle {
public:
    TestEngine() { gLog.push_back("new engine"); }
    ~TestEngine() override { gLog.push_back("delete engine"); }
    void Form_Load() override { gLog.push_back("load engine"); }
    void Form_Unload() override
    {
        gLog.push_back("unload engine");
        windows().RequestProgramEnd(3);
    }
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
    static void runDeferredDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

}  // namespace

TEST_F(WindowRegistryTest, FirstReferenceLoadsHiddenOnceAndNestedReferencesSeeTheSameWindow)
{
    QObject* seenDuringLoad = nullptr;
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
    auto* panel = windows().Get<TestWindow>(QStringLiteral("frmController"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel, seenDuringLoad);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(windows().Get(QStringLiteral("frmController")), panel);
    EXPECT_TRUE(windows().IsLoaded(QStringLiteral("frmMain")));
    EXPECT_EQ(windows().LoadedNames(),
              (std::vector<QString>{QStringLiteral("frmController"), QStringLiteral("frmMain")}));
    EXPECT_EQ(gLog, (std::vector<std::string>{"new frmController", "load frmController hidden",
                                              "new frmMain", "load frmMain hidden"}));
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
    QPointer<TestWindow> first = windows().Get<TestWindow>(QStringLiteral("frmClient1"));
    first->show();
    windows().Unload(QStringLiteral("frmClient1"));
    EXPECT_EQ(reentered, 1);
    EXPECT_FALSE(windows().IsLoaded(QStringLiteral("frmClient1")));
    ASSERT_FALSE(first.isNull());  // deleted from the event loop, not under the caller's feet
    EXPECT_FALSE(first->isVisible());
    runDeferredDeletes();
    EXPECT_TRUE(first.isNull());

    windows().Unload(QStringLiteral("frmClient1"));  // not loaded: nothing happens
    QObject* second = windows().Get(QStringLiteral("frmClient1"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(gLog, (std::vector<std::string>{"new frmClient1", "load frmClient1 hidden",
                                              "unload frmClient1", "delete frmClient1",
                                              "new frmClient1", "load frmClient1 hidden"}));
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

    auto* about = windows().Get<QWidget>(QStringLiteral("frmAbout"));
    about->show();
    about->close();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(windows().IsLoaded(QStringLiteral("frmAbout")));  // its caller unloads it
    EXPECT_EQ(gLog, (std::vector<std::string>{"new frmController", "load frmController hidden",
                                              "unload frmController", "new frmAbout",
                                              "load frmAbout hidden"}));
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

// An end that runs from a bare processEvents (no loop to quit) leaves later
// loops working: a modal dialog opened after it still waits for its answer.
TEST_F(WindowRegistryTest, AnEndWithNoLoopRunningLeavesLaterLoopsWorking)
{
    registerWindow(QStringLiteral("frmController"));
    windows().Get(QStringLiteral("frmController"));
    windows().RequestProgramEnd(4);
    QCoreApplication::processEvents();
    EXPECT_TRUE(windows().LoadedNames().empty());
    QEventLoop later;
    QTimer::singleShot(0, &later, [&later] { later.exit(7); });
    EXPECT_EQ(later.exec(), 7) << "the loop returned at once: the end left the quit flag set";
}

TEST_F(WindowRegistryTest, ProgramEndIsQueuedIdempotentAndNothingIsRecreatedAfterIt)
{
    windows().Register(QStringLiteral("frmMain"), [] { return new TestEngine; });
    registerWindow(QStringLiteral("frmController"), CloseUnloads::Yes, [](TestWindow* w) {
        // The last window closing unloads the engine, whose unload ends the program.
        w->onUnload = [] { windows().Unload(QStringLiteral("frmMain")); };
    });
    registerWindow(QStringLiteral("frmClient1"));
    registerWindow(QStringLiteral("frmAbout"));
    QPointer<QObject> engine = windows().Get(QStringLiteral("frmMain"));
    QPointer<QWidget> panel = windows().Get<QWidget>(QStringLiteral("frmController"));
    QPointer<QObject> about = windows().Get(QStringLiteral("frmAbout"));
    panel->show();

    // As in the program: the registry, not the last visible window, ends the run.
    const bool quitOnLast = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QTimer safety;  // ends the loop should the end never come
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    safety.start(5000);
    QTimer::singleShot(0, [&] {
        panel->close();
        EXPECT_TRUE(windows().ProgramEndRequested());
        windows().RequestProgramEnd(5);  // a second request changes nothing
        // Until the queued end runs, loaded windows stay reachable; others are never built.
        EXPECT_EQ(windows().Get(QStringLiteral("frmAbout")), about.data());
        EXPECT_EQ(windows().Get(QStringLiteral("frmClient1")), nullptr);
        EXPECT_EQ(windows().Get(QStringLiteral("frmMain")), nullptr);
    });
    const int code = QCoreApplication::exec();
    QGuiApplication::setQuitOnLastWindowClosed(quitOnLast);
    EXPECT_EQ(code, 3);
    runDeferredDeletes();
    EXPECT_TRUE(engine.isNull());
    EXPECT_TRUE(panel.isNull());
    EXPECT_TRUE(about.isNull());
    EXPECT_TRUE(windows().LoadedNames().empty());
    EXPECT_EQ(windows().Get(QStringLiteral("frmMain")), nullptr);
    // Windows still loaded at the end go without their unload handlers.
    EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "unload frmAbout"), 0);
    EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "unload engine"), 1);
}
