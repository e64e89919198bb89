#include "engine/frm_main.h"

#include "platform/ui_services.h"

frmMain::frmMain(IEngineWindows& windows, QObject* parent) : QObject(parent), m_windows(windows) {}

frmMain::~frmMain() = default;

void frmMain::ReportError(const QString& procedure)
{
    const QString text = QStringLiteral("Error ") + procedure + QStringLiteral(" function");
    // A box of the same text is already open further up the stack (its event
    // loop let another event fail the same way): one is enough.
    if (m_openErrorBoxes.contains(text))
        return;
    m_openErrorBoxes << text;
    try {
        ui().MsgBox(text, MsgButtons::OK, MsgIcon::None, gAppTitle);
    } catch (...) {
    }
    m_openErrorBoxes.removeOne(text);
}
