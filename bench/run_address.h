// A loopback address range of this run's own, so that two copies of a
// benchmark on one machine never serve their simulated cameras on the same
// addresses (ports are free ones already).
#pragma once

#include <QCoreApplication>
#include <QString>

// The first camera's address of block `block` (0..4) of this run: 127.A.B.1,
// with A and B taken from the process id; the cameras count up from it.
inline QString RunAddress(int block = 0)
{
    const qint64 pid = QCoreApplication::applicationPid();
    return QStringLiteral("127.%1.%2.1").arg(100 + pid % 100).arg((pid / 100) % 50 * 5 + block);
}
