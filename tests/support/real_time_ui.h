// RealTimeUi: the scripted UI double with real time. Message boxes are
// recorded and answered as FakeUi does, but sleeps really sleep (pumping
// events where the program pumps them) and the clock is the system's, for
// tests where streams and cameras run for real.
#pragma once

#include "support/camsim_process.h"
#include "support/fake_ui.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

class RealTimeUi : public FakeUi {
public:
    void Sleep(int ms) override
    {
        sleeps.push_back(ms);
        QThread::msleep(static_cast<unsigned long>(ms));
    }
    void SleepPumping(int ms) override
    {
        pumpedSleeps.push_back(ms);
        WaitUntil([] { return false; }, ms);
    }
    void DoEvents() override
    {
        ++doEvents;
        QCoreApplication::processEvents();
    }
    QDateTime Now() override { return QDateTime::currentDateTime(); }
};
