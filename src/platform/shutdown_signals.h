// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP), turned
// into a Qt signal on the GUI thread.
//
// The signal handler only writes the signal's number into a pipe (the one
// thing that is safe there); a QSocketNotifier reads it from the event loop
// and emits `requested`. One instance at a time; its destruction restores the
// handlers that were there before.
#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

    // False when the pipe or a handler could not be set up (or another
    // instance is installed): the signals then keep their previous handling.
    bool Installed() const { return m_installed; }

signals:
    void requested(int signalNumber);

private:
    void ReadPipe();

    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_installed = false;
};
