#include "foundation/window_registry.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QThread>
#include <algorithm>
#include <exception>

class WindowRegistry::CloseFilter : public QObject {
public:
    explicit CloseFilter(WindowRegistry& registry) : m_registry(registry) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        QObject* window = watched;
        try {
            if (m_registry.handleClose(window))
                event->accept();
            else
                event->ignore();
            return true;
        } catch (const std::exception& e) {
            qWarning() << "closing" << m_registry.NameOf(window) << "failed:" << e.what();
        } catch (...) {
            qWarning() << "closing" << m_registry.NameOf(window) << "failed";
        }
        event->accept();
        return true;
    }

private:
    WindowRegistry& m_registry;
};

namespace {
void hideWindow(QObject* window)
{
    if (auto* widget = qobject_cast<QWidget*>(window))
        widget->hide();
}
}  // namespace

WindowRegistry::WindowRegistry() = default;
WindowRegistry::~WindowRegistry() = default;

WindowRegistry& windows()
{
    static WindowRegistry registry;
    return registry;
}

void WindowRegistry::Register(const QString& name, Factory factory, CloseUnloads closeUnloads)
{
    m_registrations[name] = Registration{std::move(factory), closeUnloads};
}

bool WindowRegistry::IsRegistered(const QString& name) const
{
    return m_registrations.count(name) != 0;
}

QObject* WindowRegistry::IfLoaded(const QString& name) const
{
    const auto it = m_loaded.find(name);
    return it == m_loaded.end() ? nullptr : it->second.window.data();
}

bool WindowRegistry::IsLoaded(const QString& name) const { return IfLoaded(name) != nullptr; }

QObject* WindowRegistry::Get(const QString& name)
{
    if (const auto it = m_loaded.find(name); it != m_loaded.end()) {
        if (it->second.window)
            return it->second.window.data();
        m_loaded.erase(it);  // deleted behind our back
    }
    if (m_endRequested)
        return nullptr;
    const auto reg = m_registrations.find(name);
    if (reg == m_registrations.end())
        return nullptr;
    const Factory factory = reg->second.factory;  // the factory may register others
    const CloseUnloads closeUnloads = reg->second.closeUnloads;
    QObject* window = factory ? factory() : nullptr;
    if (!window)
        return nullptr;
    m_loaded[name] = Loaded{window, false, m_nextOrder++};
    if (closeUnloads == CloseUnloads::Yes && window->isWidgetType()) {
        if (!m_closeFilter)
            m_closeFilter = std::make_unique<CloseFilter>(*this);
        window->installEventFilter(m_closeFilter.get());
    }
    if (auto* lifecycle = dynamic_cast<WindowLifecycle*>(window)) {
        try {
            lifecycle->Form_Load();
        } catch (...) {
            // A window whose load failed is not loaded.
            if (const auto it = m_loaded.find(name);
                it != m_loaded.end() && it->second.window == window)
                m_loaded.erase(it);
            hideWindow(window);
            window->deleteLater();
            throw;
        }
    }
    // The window may have unloaded itself while loading.
    const auto it = m_loaded.find(name);
    return (it != m_loaded.end() && it->second.window == window) ? window : nullptr;
}

void WindowRegistry::Unload(const QString& name)
{
    const auto it = m_loaded.find(name);
    if (it == m_loaded.end())
        return;
    if (!it->second.window) {
        m_loaded.erase(it);
        return;
    }
    if (it->second.unloading)
        return;
    it->second.unloading = true;
    const QPointer<QObject> window = it->second.window;

    // Whatever the unload handler does, the window ends up forgotten and deleted.
    struct Finish {
        WindowRegistry& registry;
        const QString& name;
        const QPointer<QObject>& window;
        ~Finish()
        {
            if (const auto found = registry.m_loaded.find(name);
                found != registry.m_loaded.end() && found->second.window == window)
                registry.m_loaded.erase(found);
            if (window) {
                hideWindow(window);
                window->deleteLater();
            }
        }
    } finish{*this, name, window};

    if (auto* lifecycle = dynamic_cast<WindowLifecycle*>(window.data()))
        lifecycle->Form_Unload();
}

void WindowRegistry::Unload(QObject* window)
{
    const QString name = NameOf(window);
    if (!name.isEmpty())
        Unload(name);
}

QString WindowRegistry::NameOf(const QObject* window) const
{
    if (!window)
        return {};
    for (const auto& [name, loaded] : m_loaded)
        if (loaded.window == window)
            return name;
    return {};
}

std::vector<QString> WindowRegistry::LoadedNames() const
{
    std::vector<std::pair<quint64, QString>> ordered;
    for (const auto& [name, loaded] : m_loaded)
        if (loaded.window)
            ordered.emplace_back(loaded.order, name);
    std::sort(ordered.begin(), ordered.end());
    std::vector<QString> names;
    for (auto& entry : ordered)
        names.push_back(std::move(entry.second));
    return names;
}

bool WindowRegistry::handleClose(QObject* window)
{
    const QString name = NameOf(window);
    if (name.isEmpty())
        return true;  // not ours (any more): let it close
    const auto it = m_loaded.find(name);
    if (it->second.unloading)
        return true;
    if (auto* lifecycle = dynamic_cast<WindowLifecycle*>(window);
        lifecycle && !lifecycle->Form_QueryUnload())
        return false;
    Unload(name);
    return true;
}

void WindowRegistry::RequestProgramEnd(int exitCode)
{
    if (m_endRequested)
        return;
    m_endRequested = true;
    if (QCoreApplication* app = QCoreApplication::instance()) {
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            app,
            [this, exitCode, generation] {
                if (generation == m_generation)  // not forgotten by Reset meanwhile
                    finishProgramEnd(exitCode);
            },
            Qt::QueuedConnection);
    } else {
        finishProgramEnd(exitCode);
    }
}

void WindowRegistry::finishProgramEnd(int exitCode)
{
    try {
        const std::vector<QString> names = LoadedNames();
        for (auto name = names.rbegin(); name != names.rend(); ++name) {
            const auto it = m_loaded.find(*name);
            if (it == m_loaded.end())
                continue;
            const QPointer<QObject> window = it->second.window;
            m_loaded.erase(it);
            if (window) {
                hideWindow(window);
                window->deleteLater();
            }
        }
    } catch (const std::exception& e) {
        qWarning() << "ending the program:" << e.what();
    } catch (...) {
        qWarning() << "ending the program failed";
    }
    // Quitting with no event loop running (the end was reached from a bare
    // processEvents) would leave the thread's quit flag set, and every loop
    // started later, a modal dialog's included, would return at once.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(exitCode);
}

void WindowRegistry::Reset()
{
    std::vector<QPointer<QObject>> doomed;
    for (auto& [name, loaded] : m_loaded)
        doomed.push_back(loaded.window);
    m_loaded.clear();
    m_registrations.clear();
    m_endRequested = false;
    m_nextOrder = 0;
    ++m_generation;
    for (const QPointer<QObject>& window : doomed)
        delete window.data();
    if (QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
