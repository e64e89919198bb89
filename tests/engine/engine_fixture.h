// An engine wired to fakes of the windows, the camera objects and the
// desktop, with its data folder in a temporary directory.
#pragma once

#include "engine/frm_main.h"
#include "foundation/app_paths.h"
#include "platform/image_server/video_surface.h"
#include "support/fake_engine_controls.h"
#include "support/fake_engine_windows.h"
#include "support/fake_ui.h"
#include "support/qt_printers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using CamId = ImageServer::Dispid;
using ViewerId = WisViewer::Dispid;

class EngineFixture : public ::testing::Test {
protected:
    EngineFixture()
    {
        SetAppPath(dir.path());
        SetDataPath(dir.path());
        InitGlobalVariable();
        for (int k = 0; k < 17; ++k)
            gLangEvent[k] = QStringLiteral("E%1").arg(k + 1);
        gAppTitle = QStringLiteral("Cameras");
        gNonce.clear();
        gCamNonce.fill(QString());
        gAudioOn.fill(false);
        gIntervalEnabled = false;
        gSysInfo.wProcessorLevel = frmMain::kProcessorLevel;
        for (int n = 1; n <= kSlotCount; ++n) {
            windows.surfaces[n] = &surfaces[n];
            windows.combine.cells[n] = &cells[n];
        }
    }
    ~EngineFixture() override
    {
        gWinOpen.fill(false);
        gCombineMode = 0;
        gLangEvent.fill(QString());
        gAppTitle = kBuiltInTitle;
        SetAppPath({});
        SetDataPath({});
    }

    // Makes slot n an assigned camera of the given protocol.
    void Assign(int n, int protocol, bool enable = false)
    {
        CamInfo& c = gCam[n];
        c.Assign = true;
        c.Enable = enable;
        c.Protocol = protocol;
        c.IPAddress = QStringLiteral("127.0.0.%1").arg(n + 1);
        c.ServerName = QStringLiteral("Cam %1").arg(n);
        c.UserName = QStringLiteral("admin");
        c.Password = QStringLiteral("secret");
    }

    JournalImageServer& cam(int n) { return *controls.cams[n]; }
    JournalWisViewer& viewer(int n) { return *controls.viewers[n]; }
    // The events of slot n's list, text lines only ("E1", "E2", ...).
    QStringList Events(int n) const
    {
        QStringList out;
        const QStringList& list = engine.List1(n);
        for (int i = 1; i < list.size(); i += 2)
            out << list[i].trimmed();
        return out;
    }

    FakeUi fake;
    QTemporaryDir dir;
    Journal journal;
    std::array<VideoSurface, kSlotCount + 1> surfaces;
    std::array<VideoSurface, kSlotCount + 1> cells;
    FakeEngineWindows windows{journal};
    FakeEngineControls controls{journal};
    frmMain engine{windows, controls};
};
