// A build without Qt WebEngine: no embedded browser.
#include "platform/web_browser/embedded_browser.h"

bool EmbeddedBrowserAvailable() { return false; }
void PrepareEmbeddedBrowser() {}
std::unique_ptr<EmbeddedBrowser> CreateEmbeddedBrowser(QWidget*) { return nullptr; }
