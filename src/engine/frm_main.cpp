#include "engine/frm_main.h"

#include "foundation/guard.h"
#include "foundation/helpers.h"
#include "platform/audio/audio_player.h"
#include "platform/image_server/camera_codes.h"
#include "platform/image_server/image_server.h"
#include "platform/ui_services.h"
#include "platform/video_viewer/http_wis_viewer.h"

#include <QTimer>
#include <stdexcept>
#include <string>

SystemInfo gSysInfo;

namespace {
// The engine whose camera objects the shared RestartCam helper reaches.
const frmMain* gLinkedEngine = nullptr;
}  // namespace

std::unique_ptr<ImageServer> ProductionControls::MakeImageServer(int)
{
    return CreateImageServer();
}

std::unique_ptr<WisViewer> ProductionControls::MakeViewer(int)
{
    // Told once per run, the first time a camera's sound is switched on.
    // The message comes after the click that switched the sound on has run.
    SetNoSoundDeviceNotice([] {
        QTimer::singleShot(0, [] {
            Guard(ErrorReport::Quiet, QStringLiteral("NoSoundDevice"), [] {
                ui().MsgBox(QStringLiteral("This computer has no sound output: camera sound "
                                           "cannot be played."),
                            MsgButtons::OK, MsgIcon::Warning, gAppTitle);
            });
        });
    });
    return CreateWisViewer();
}

frmMain::frmMain(IEngineWindows& windows, EngineControls& controls, QObject* parent)
    : QObject(parent), m_windows(windows)
{
    for (int n = 1; n <= kSlotCount; ++n) {
        m_cam[n] = controls.MakeImageServer(n);
        m_viewer[n] = controls.MakeViewer(n);
        tmrMotion[n].setInterval(10000);
    }
    tmrSchedule.setInterval(250);
    tmrMotionLed.setInterval(1000);
    tmrScan.setInterval(1000);
    tmrLog.setInterval(1000);

    ConnectCameraEvents();
    ConnectTimers();

    gLinkedEngine = this;
    SetRestartCamLinks({[this](int n) -> ImageServer* {
                            return m_unloaded || !ValidSlot(n) ? nullptr : m_cam[n].get();
                        },
                        [this](int led, bool on) {
                            if (IPanelWindow* panel = m_windows.Panel())
                                panel->LedControl(led, on);
                        }});
}

frmMain::~frmMain()
{
    if (gLinkedEngine == this) {
        SetRestartCamLinks({});
        gLinkedEngine = nullptr;
    }
}

ImageServer& frmMain::Cam(int n)
{
    if (!ValidSlot(n))
        throw std::out_of_range("no camera slot " + std::to_string(n));
    return *m_cam[n];
}

WisViewer& frmMain::WisViewer1(int n)
{
    if (!ValidSlot(n))
        throw std::out_of_range("no camera slot " + std::to_string(n));
    return *m_viewer[n];
}

void frmMain::Form_Load()
{
    if (m_loaded || m_closing)
        return;
    m_loaded = true;

    // Raising the GUI thread's priority needs privileges a desktop user does
    // not have on Linux, and one thread runs the whole program anyway.
    gSysInfo.wProcessorLevel = kProcessorLevel;
    gStreamRestarted.fill(false);
    LoadLanguage();
    InitialCamSetting();

    for (int n = 1; n <= kSlotCount && !m_closing; ++n) {
        if (!gCam[n].Assign)
            continue;
        PutSettingToCam(n);
        if (!gCam[n].Enable || m_closing)
            continue;
        Guard(ErrorReport::Box, QStringLiteral("Form_Load"), [&] {
            // Settings first, window second, stream last.
            if (IClientWindow* window = m_windows.Client(n)) {
                window->ShowModeless();
                window->RefrushStatusBar();
            }
        });
        CamStart(n);
    }
    if (!m_closing) {
        tmrSchedule.start();
        tmrMotionLed.start();
    }
}

void frmMain::Form_Unload()
{
    if (m_closing)
        return;
    m_closing = true;
    tmrSchedule.stop();
    tmrMotionLed.stop();
    tmrScan.stop();
    tmrLog.stop();
    for (int n = 1; n <= kSlotCount; ++n)
        tmrMotion[n].stop();

    // The streams are stopped directly, not through CamStop: the slots keep
    // their Enable flags, so the ones running now start again next time.
    for (int n = 1; n <= kSlotCount; ++n) {
        try {
            if (gCam[n].Recording)
                StopRecord(n);
        } catch (...) {
        }
        try {
            Cam(n).stop();
        } catch (...) {
        }
        // Only what is not on disk yet: every event was written as it came.
        if (SaveLog(n, static_cast<int>(m_list[n].size())))
            m_list[n].clear();
    }
    for (int n = 1; n <= kSlotCount; ++n)
        WaitForStreamEnd(n);
    SaveAllSettings();
    m_unloaded = true;
    if (!windows().NameOf(this).isEmpty())
        windows().RequestProgramEnd();
}

void frmMain::WaitForStreamEnd(int n)
{
    static constexpr int kWaits[] = {500, 1500, 2500};
    try {
        for (const int ms : kWaits) {
            if (!Cam(n).isRunning())
                return;
            ui().Sleep(ms);
        }
    } catch (...) {
    }
}
