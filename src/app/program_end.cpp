#include "app/program_end.h"

#include "engine/registry_windows.h"
#include "foundation/guard.h"
#include "foundation/window_registry.h"

#include <QGuiApplication>
#include <QSessionManager>

ProgramEndRequests::ProgramEndRequests(WindowRegistry& registry, std::function<void()> beforeArm,
                                       QObject* parent)
    : QObject(parent), m_registry(registry), m_beforeArm(std::move(beforeArm))
{
    connect(&m_signals, &ShutdownSignals::requested, this, [this](int) {
        Guard(ErrorReport::Quiet, QStringLiteral("ShutdownSignals_requested"), [&] { Request(); });
    });
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        // The session is ending: the data is saved now, as the program may
        // not be asked again before it is ended.
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
            if (m_armed)
                Guard(ErrorReport::Quiet, QStringLiteral("App_CommitDataRequest"),
                      [&] { EndNow(); });
        });
    }
    if (QCoreApplication* app = QCoreApplication::instance()) {
        // Whatever quits the event loop, the engine shuts down first.
        connect(app, &QCoreApplication::aboutToQuit, this, [this] {
            Guard(ErrorReport::Quiet, QStringLiteral("App_AboutToQuit"), [&] { EndNow(); });
        });
    }
}

void ProgramEndRequests::Arm()
{
    m_armed = true;
    if (m_waiting) {
        m_waiting = false;
        Request();
    }
}

void ProgramEndRequests::Request()
{
    if (!m_armed) {
        m_waiting = true;
        if (m_beforeArm)
            m_beforeArm();
        return;
    }
    if (m_registry.IsLoaded(kEngineWindowName))
        RequestEngineUnload(m_registry);  // its unload ends the program
    else
        m_registry.RequestProgramEnd();
}

void ProgramEndRequests::EndNow()
{
    if (m_registry.IsLoaded(kEngineWindowName))
        m_registry.Unload(kEngineWindowName);
}
