// The window registry: every top-level window of the program by name, loaded
// on first reference and unloaded on request. A "window" is a QObject: usually
// a QWidget; the engine window frmMain is a plain QObject without a screen
// presence, and the registry treats it the same way.
//
// How windows live
//   - src/app registers each window once with a factory:
//         windows().Register(kPanelWindowName,
//                            [] { return new frmController; }, CloseUnloads::Yes);
//     Lower layers (the engine) refer to windows only by name, never by class.
//   - windows().Get(name) returns the window, loading it first when it is not
//     loaded: the factory builds it hidden, the registry stores it, then calls
//     its Form_Load() when the window implements WindowLifecycle. A reference
//     made while the window loads (from its own Form_Load, or from a window it
//     loads in turn) returns the same object; it is never built twice.
//     Get never shows a window; callers show it.
//   - windows().Unload(name) runs the window's Form_Unload(), forgets it, hides
//     it (widgets) and deletes it later (from the event loop, so a window may unload
//     itself from its own handlers). A later Get loads a fresh one.
//   - Windows registered with CloseUnloads::Yes unload when the user closes
//     them (title-bar button, Alt+F4, QWidget::close()); Form_QueryUnload() may
//     refuse. Others (dialogs) are only hidden by closing: their caller reads
//     their fields and then unloads them.
//   - Every window sets and clears its own gWinOpen flag in Form_Load and
//     Form_Unload; the registry's IsLoaded is the generic form of that flag.
//
// Program end
//   RequestProgramEnd() asks for the program to end. It is idempotent. From
//   the moment it is called, Get never creates a window (it returns the window
//   only when it is still loaded, else nullptr). The end itself runs queued,
//   from the event loop: every window still loaded is hidden and deleted
//   without running its unload handlers, and the event loop quits with the
//   requested code (when no loop runs, nothing is left to quit later). The
//   engine requests the end when frmMain unloads. The program turns
//   QGuiApplication::quitOnLastWindowClosed off: only this request ends the
//   run.
//
// All of this runs on the GUI thread. Exceptions thrown by a window's handlers
// pass to the caller of Get/Unload; the registry's own event-loop entry points
// (closing by the user, the queued end) catch and log them.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// Optional load/unload handlers of a window.
class WindowLifecycle {
public:
    virtual ~WindowLifecycle() = default;
    // Runs once, right after the window is built and registered, before Get returns it.
    virtual void Form_Load() {}
    // The user asks to close the window; false keeps it open.
    virtual bool Form_QueryUnload() { return true; }
    // Runs once when the window is unloaded, before it is hidden and deleted.
    virtual void Form_Unload() {}
};

enum class CloseUnloads { No, Yes };

class WindowRegistry {
public:
    using Factory = std::function<QObject*()>;

    WindowRegistry();
    ~WindowRegistry();
    WindowRegistry(const WindowRegistry&) = delete;
    WindowRegistry& operator=(const WindowRegistry&) = delete;

    // Registers (or replaces) the factory of a window name.
    void Register(const QString& name, Factory factory,
                  CloseUnloads closeUnloads = CloseUnloads::No);
    bool IsRegistered(const QString& name) const;

    // The window, loaded hidden first when needed; nullptr for an unknown name
    // or, after the end was requested, for a window that is not loaded.
    QObject* Get(const QString& name);
    template <typename T> T* Get(const QString& name) { return dynamic_cast<T*>(Get(name)); }
    // The window when loaded, else nullptr; never loads.
    QObject* IfLoaded(const QString& name) const;
    template <typename T> T* IfLoaded(const QString& name) const
    {
        return dynamic_cast<T*>(IfLoaded(name));
    }
    bool IsLoaded(const QString& name) const;

    // Unloads the window when loaded; nothing otherwise (also while it unloads already).
    void Unload(const QString& name);
    // Unloads the registered window that is this object.
    void Unload(QObject* window);
    // Name under which this object is loaded, or an empty text.
    QString NameOf(const QObject* window) const;
    // Names of the loaded windows in load order.
    std::vector<QString> LoadedNames() const;

    void RequestProgramEnd(int exitCode = 0);
    bool ProgramEndRequested() const { return m_endRequested; }

    // Deletes every window at once and forgets registrations and the end
    // request. For tests and for the program's last step.
    void Reset();

private:
    struct Registration {
        Factory factory;
        CloseUnloads closeUnloads = CloseUnloads::No;
    };
    struct Loaded {
        QPointer<QObject> window;
        bool unloading = false;
        quint64 order = 0;
    };
    class CloseFilter;

    void finishProgramEnd(int exitCode);
    bool handleClose(QObject* window);

    std::map<QString, Registration> m_registrations;
    std::map<QString, Loaded> m_loaded;
    quint64 m_nextOrder = 0;
    bool m_endRequested = false;
    quint64 m_generation = 0;
    std::unique_ptr<CloseFilter> m_closeFilter;
};

// The program's one registry.
WindowRegistry& windows();
