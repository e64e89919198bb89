// Ends the program the proper way (the engine's shut-down: recordings
// closed, event lists appended to the log files, main.ini saved) when the
// system asks it to end: SIGTERM, SIGINT or SIGHUP, or the end of the desktop
// session.
#pragma once

#include "platform/shutdown_signals.h"

#include <QObject>
#include <functional>

class WindowRegistry;
class QSessionManager;

class ProgramEndRequests : public QObject {
    Q_OBJECT
public:
    // `beforeArm` runs for each request that comes during the start-up.
    explicit ProgramEndRequests(WindowRegistry& registry, std::function<void()> beforeArm = {},
                                QObject* parent = nullptr);

    // Requests that come before Arm (during the start-up) wait for it.
    void Arm();
    bool Installed() const { return m_signals.Installed(); }

private:
    void Request();
    void EndNow();

    WindowRegistry& m_registry;
    std::function<void()> m_beforeArm;
    ShutdownSignals m_signals;
    bool m_armed = false;
    bool m_waiting = false;
};
