// The one guard for handlers reached from the event loop. An exception never
// leaves a handler: Guard catches it, and ReportHandlerFailure answers it as
// the window's reporting policy says. Every window that shows the failure
// shows the same text, "Error <handler> function".
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

// How a window answers a handler that failed.
enum class ErrorReport {
    Box,    // a message box "Error <handler> function", OK only, application title
    Quiet,  // a line in the log; the operator sees nothing
};

// "Error <handler> function".
QString HandlerErrorText(const QString& handler);

// Logs the failure and, for ErrorReport::Box, shows the error box; a box of
// the same text that is still open further up the stack (its event loop let
// another event fail the same way) is not shown twice. `what` is the
// exception's text, empty when it had none. Never throws.
void ReportHandlerFailure(ErrorReport how, const QString& handler, const QString& what) noexcept;

// Runs one handler body. On an exception, runs `recover` (bringing the window
// back to idle; a failure there is swallowed), then reports. Returns whether
// the body ran to its end.
template <typename Body>
bool Guard(ErrorReport how, const QString& handler, Body&& body,
           const std::function<void()>& recover = {}) noexcept
{
    QString what;
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception& e) {
        what = QString::fromUtf8(e.what());
    } catch (...) {
    }
    if (recover) {
        try {
            recover();
        } catch (...) {
        }
    }
    ReportHandlerFailure(how, handler, what);
    return false;
}
