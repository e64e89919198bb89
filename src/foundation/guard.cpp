// Reporting a handler that failed: the one place that decides what the
// operator sees.
#include "foundation/guard.h"

#include "foundation/globals.h"
#include "platform/ui_services.h"

#include <QDebug>
#include <QStringList>

QString HandlerErrorText(const QString& handler)
{
    return QStringLiteral("Error ") + handler + QStringLiteral(" function");
}

void ReportHandlerFailure(ErrorReport how, const QString& handler, const QString& what) noexcept
{
    // Texts of the error boxes open now, innermost last.
    static QStringList openBoxes;
    try {
        const QString text = HandlerErrorText(handler);
        qWarning().noquote() << text
                             << (what.isEmpty() ? QStringLiteral("(no description)") : what);
        if (how != ErrorReport::Box || openBoxes.contains(text))
            return;
        openBoxes << text;
        try {
            ui().MsgBox(text, MsgButtons::OK, MsgIcon::None, gAppTitle);
        } catch (...) {
        }
        openBoxes.removeOne(text);
    } catch (...) {
        // Nothing more can be done; the window stays as it is.
    }
}
