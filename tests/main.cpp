#include "platform/web_browser/embedded_browser.h"

#include <QApplication>
#include <gmock/gmock.h>

// One QApplication for the whole run; widgets need it, and the offscreen
// platform keeps the tests headless.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A camera search started by any test, or by a program a test starts,
    // stays on this machine.
    qputenv("CAM_DISCOVERY_TARGETS", "127.255.255.255");
    PrepareEmbeddedBrowser();
    QApplication app(argc, argv);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
