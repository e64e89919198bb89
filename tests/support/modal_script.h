// Drives modal dialogs from a test the way an operator would: the steps run
// from the event loop (also inside the dialogs' own modal loops), each one once
// its condition holds. When a step waits too long the script gives up, notes
// what it was waiting for and hides every visible dialog so that no modal loop
// is left running.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

class ModalScript {
public:
    explicit ModalScript(int stepTimeoutMs = 60000) : m_timeoutMs(stepTimeoutMs)
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_timer.start();
        m_clock.start();
    }
    ~ModalScript() { m_timer.stop(); }

    // Runs `act` once `ready` holds (after the steps before it).
    ModalScript& When(QString what, std::function<bool()> ready, std::function<void()> act)
    {
        m_steps.push_back({std::move(what), std::move(ready), std::move(act)});
        return *this;
    }
    // Runs `act` on the first visible top-level widget of type T.
    template <typename T> ModalScript& OnVisible(QString what, std::function<void(T&)> act)
    {
        return When(
            std::move(what), [] { return Visible<T>() != nullptr; }, [act] { act(*Visible<T>()); });
    }

    bool Finished() const { return !m_starting && m_steps.empty() && m_failure.isEmpty(); }
    // Lets the remaining steps run (after the dialog returned); true when all ran.
    bool Complete()
    {
        while ((m_starting || !m_steps.empty()) && m_failure.isEmpty()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QThread::msleep(1);
        }
        return Finished();
    }
    const QString& Failure() const { return m_failure; }

    template <typename T> static T* Visible()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = dynamic_cast<T*>(w); t && w->isVisible())
                return t;
        return nullptr;
    }

    // Operator actions.
    static void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void Type(QLineEdit* box, const QString& text)
    {
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }

private:
    struct Step {
        QString what;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    void Tick()
    {
        if (m_starting || m_steps.empty())
            return;
        if (m_steps.front().ready()) {
            // The action may open a modal loop in which the next steps run. A
            // timer does not fire again while its own slot runs, so the action
            // runs from an event of its own.
            auto act = std::make_shared<std::function<void()>>(std::move(m_steps.front().act));
            m_steps.pop_front();
            m_starting = true;
            QTimer::singleShot(0, &m_timer, [this, act] {
                m_starting = false;
                m_clock.restart();
                (*act)();
            });
            return;
        }
        if (m_clock.elapsed() > m_timeoutMs) {
            m_failure = QStringLiteral("timed out waiting for: ") + m_steps.front().what;
            m_steps.clear();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<QDialog*>(w) && w->isVisible())
                    w->hide();
        }
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    std::deque<Step> m_steps;
    QString m_failure;
    int m_timeoutMs;
    bool m_starting = false;  // an action is posted and has not started yet
};
