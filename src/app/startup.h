// The program's start-up: one instance per data folder, the global defaults,
// the language pack, the device-page table and main.ini, then the hidden
// engine window and the control panel.
#pragma once

#include <QString>

enum class StartupResult {
    AlreadyRunning,  // another instance holds the lock: ended silently
    Failed,          // a file was missing or malformed: the message was shown
    Running,         // the panel is shown; the event loop takes over
};

// Runs the start-up sequence. The windows "frmMain" and "frmController" must
// be registered. On Running the instance lock stays held until
// ReleaseInstanceLock(); otherwise it is released again.
StartupResult Main();

// The system asks the program to end (a signal) before it runs. A start-up
// that fails then ends at once: its message box closes (or does not open),
// the lock is released and nothing is written. A start-up that succeeds
// leaves the request to the running program.
void EndFailingStartup();

// The lock file that keeps a second instance from starting.
QString InstanceLockPath();
void ReleaseInstanceLock();

// Creates the application, registers the windows, runs Main and the event loop.
int RunProgram(int argc, char** argv);
