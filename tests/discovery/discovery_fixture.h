// The discovery dialogs with fake camera objects and a scripted desktop, the
// shipped English caption file in a temporary program folder, and the
// dialogs registered with the window registry.
#pragma once

#include "discovery/discovery_windows.h"
#include "foundation/globals.h"
#include "foundation/window_registry.h"
#include "platform/settings_file.h"
#include "support/fake_image_server.h"
#include "support/fake_ui.h"
#include "support/fake_wis_viewer.h"
#include "support/modal_script.h"
#include "support/qt_printers.h"
#include "support/temp_program.h"

#include <QFile>
#include <QPointer>
#include <deque>
#include <gtest/gtest.h>

inline QByteArray ShippedFile(const QString& relative)
{
    QFile f(QStringLiteral(CAM_RESOURCES_DIR "/") + relative);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class DiscoveryFixture : public ::testing::Test {
protected:
    DiscoveryFixture()
    {
        InitGlobalVariable();
        gAppTitle = QStringLiteral("Cameras");
        gLanguage = QStringLiteral("english");
        program.write(QStringLiteral("lang/english.ini"),
                      ShippedFile(QStringLiteral("lang/english.ini")));
        DiscoveryControls controls;
        controls.imageServer = [this] {
            auto server = std::make_unique<FakeImageServer>();
            if (configure)
                configure(*server);
            servers.push_back(server.get());
            return std::unique_ptr<ImageServer>(std::move(server));
        };
        controls.viewer = [this] {
            auto viewer = std::make_unique<FakeWisViewer>();
            viewers.push_back(viewer.get());
            return std::unique_ptr<WisViewer>(std::move(viewer));
        };
        controls.random = [this] {
            const double r = draws.empty() ? 0.0 : draws.front();
            if (!draws.empty())
                draws.pop_front();
            return r;
        };
        SetDiscoveryControls(std::move(controls));
        RegisterDiscoveryWindows(windows());
    }
    ~DiscoveryFixture() override
    {
        windows().Reset();
        SetDiscoveryControls({});
        InitGlobalVariable();
    }

    // The texts of the messages shown so far.
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
        f.LoadFromData(ShippedFile(QStringLiteral("lang/english.ini")));
        return f.GetValue(section, key).value_or(QString());
    }

    FakeUi fakeUi;
    TempProgramFolder program;
    // Applied to every image server a dialog makes.
    std::function<void(FakeImageServer&)> configure;
    std::vector<QPointer<FakeImageServer>> servers;
    std::vector<QPointer<FakeWisViewer>> viewers;
    std::deque<double> draws;
};
