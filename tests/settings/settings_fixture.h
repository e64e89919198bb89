// The settings dialogs with the real engine on scripted camera objects, a
// scripted desktop and the shipped English caption file in a temporary
// program folder; the dialogs and the engine are registered with the window
// registry as the program registers them.
#pragma once

#include "engine/frm_main.h"
#include "engine/registry_windows.h"
#include "foundation/globals.h"
#include "foundation/settings.h"
#include "foundation/window_registry.h"
#include "platform/settings_file.h"
#include "settings/settings_windows.h"
#include "support/fake_engine_controls.h"
#include "support/fake_engine_windows.h"
#include "support/fake_ui.h"
#include "support/modal_script.h"
#include "support/qt_printers.h"
#include "support/temp_program.h"

#include <QFile>
#include <gtest/gtest.h>

using CamId = ImageServer::Dispid;
using ViewerId = WisViewer::Dispid;

inline QByteArray ShippedResource(const QString& relative)
{
    QFile f(QStringLiteral(CAM_RESOURCES_DIR "/") + relative);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class SettingsFixture : public ::testing::Test {
protected:
    SettingsFixture()
    {
        InitGlobalVariable();
        gAppTitle = QStringLiteral("Cameras");
        gLanguage = QStringLiteral("english");
        program.write(QStringLiteral("lang/english.ini"),
                      ShippedResource(QStringLiteral("lang/english.ini")));
        windows().Reset();
        windows().Register(kEngineWindowName,
                           [this] { return new frmMain(engineWindows, controls); });
        RegisterSettingsWindows(windows());
        Engine();
        ClearCalls();
    }
    ~SettingsFixture() override
    {
        windows().Reset();
        gWinOpen.fill(false);
        InitGlobalVariable();
    }

    frmMain& Engine() { return *windows().Get<frmMain>(kEngineWindowName); }
    JournalImageServer& cam(int n) { return *controls.cams[static_cast<size_t>(n)]; }
    JournalWisViewer& viewer(int n) { return *controls.viewers[static_cast<size_t>(n)]; }
    void ClearCalls()
    {
        for (int n = 1; n <= kSlotCount; ++n) {
            cam(n).calls.clear();
            viewer(n).calls.clear();
        }
    }
    // Calls to the camera objects of every slot.
    int CameraCalls()
    {
        int count = 0;
        for (int n = 1; n <= kSlotCount; ++n)
            count += static_cast<int>(cam(n).calls.size() + viewer(n).calls.size());
        return count;
    }

    // Loads a dialog from the registry, runs `act` once it shows, shows it
    // modal and returns it (still loaded) after it hid.
    template <typename T>
    T& Run(const QString& name, std::function<void(T&)> act, std::function<void(T&)> before = {})
    {
        T& dialog = *windows().Get<T>(name);
        if (before)
            before(dialog);
        ModalScript script;
        script.OnVisible<T>(name, act);
        dialog.ShowModal(nullptr);
        EXPECT_TRUE(script.Complete()) << script.Failure().toStdString();
        return dialog;
    }

    QStringList MessageTexts() const
    {
        QStringList out;
        for (const ShownMessage& m : fakeUi.messages)
            out << m.text;
        return out;
    }
    // A text of the shipped caption file.
    static QString Caption(const QString& section, const QString& key)
    {
        SettingsFile f;
        f.LoadFromData(ShippedResource(QStringLiteral("lang/english.ini")));
        return f.GetValue(section, key).value_or(QString());
    }
    // A value of the saved main.ini; nullopt when the file or the key is missing.
    static std::optional<QString> Saved(const QString& section, const QString& key)
    {
        SettingsFile f;
        f.FileName(MainIniPath());
        if (!QFileInfo::exists(MainIniPath()) || !f.Load())
            return std::nullopt;
        return f.GetValue(section, key);
    }

    FakeUi fakeUi;
    TempProgramFolder program;
    Journal journal;
    FakeEngineWindows engineWindows{journal};
    FakeEngineControls controls{journal};
};
