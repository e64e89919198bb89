// The set-up that the tests running the real engine share: the program's
// globals with the shipped language pack read, as the program has them before
// its engine starts; a slot that shows one simulated camera; and the globals
// put back afterwards.
#pragma once

#include "foundation/app_paths.h"
#include "foundation/globals.h"
#include "foundation/resources.h"
#include "support/camsim_process.h"

#include <QString>
#include <gtest/gtest.h>

// Fresh globals, the shipped resources as the program folder, `dataDir` as
// the data folder, and the whole language pack read. Its assertions end only
// this function: call it under ASSERT_NO_FATAL_FAILURE.
inline void InitGlobalsWithShippedPack(const QString& dataDir)
{
    SetAppPath(QStringLiteral(CAM_RESOURCES_DIR));  // the shipped language pack and skins
    SetDataPath(dataDir);
    InitGlobalVariable();
    ASSERT_TRUE(LoadLanguageIni());
    ASSERT_TRUE(LoadLang1Ini());
    ASSERT_TRUE(LoadLang2Ini());
    ASSERT_TRUE(LoadLang3Ini());
}

// Slot `slot` shows the simulated camera `cam` with protocol 0 and the
// simulator's account, admin/admin: assigned and enabled (it starts with the
// engine).
inline CamInfo& AssignSimCamera(int slot, const CamsimProcess::Cam& cam)
{
    CamInfo& info = gCam[static_cast<size_t>(slot)];
    info.Assign = true;
    info.Enable = true;
    info.Protocol = 0;
    info.IPAddress = cam.address;
    info.Port = cam.port;
    info.UserName = QStringLiteral("admin");
    info.Password = QStringLiteral("admin");
    return info;
}

// Start values again, and no program or data folder.
inline void ForgetProgramGlobals()
{
    InitGlobalVariable();
    SetAppPath({});
    SetDataPath({});
}
