// The simulated camera starts from one command, refuses bad options with a
// message, and ends cleanly on SIGTERM and SIGINT.
#include "support/camsim_process.h"

#include <gtest/gtest.h>

TEST(Camsim, EndsCleanlyOnSignals)
{
    for (int sig : {SIGTERM, SIGINT}) {
        CamsimProcess sim;
        QString error;
        ASSERT_TRUE(sim.Start({QStringLiteral("--cameras"), QStringLiteral("3")}, &error))
            << error.toStdString();
        ASSERT_EQ(sim.cams.size(), 3u);
        EXPECT_EQ(sim.cams[2].address, QStringLiteral("127.0.0.4"));
        ::kill(static_cast<pid_t>(sim.process().processId()), sig);
        ASSERT_TRUE(sim.process().waitForFinished(60000)) << sig;
        EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit) << sig;
        EXPECT_EQ(sim.process().exitCode(), 0) << sig;
        EXPECT_TRUE(sim.process().readAllStandardOutput().contains("camsim: stopped")) << sig;
    }
}

TEST(Camsim, RefusesBadOptionsWithAMessage)
{
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("--cameras"), QStringLiteral("0")}, "--cameras"},
        {{QStringLiteral("--address"), QStringLiteral("192.168.1.5")}, "loopback"},
        {{QStringLiteral("--size"), QStringLiteral("big")}, "--size"},
        {{QStringLiteral("--auth"), QStringLiteral("none")}, "--auth"},
        {{QStringLiteral("--config"), QStringLiteral("/nonexistent/cams.ini")}, "no such file"},
        {{QStringLiteral("--frobnicate")}, "unknown option"},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.start(CamsimProcess::Program(), c.args);
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 2) << c.message;
        EXPECT_TRUE(p.readAllStandardError().contains(c.message)) << c.message;
    }
}
