// Camera objects for an engine under test: scriptable image servers and
// viewers that also write their stream and display calls to the shared
// journal of the window fakes ("cam2.start", "viewer3.stop", ...), so tests
// can check the order of calls across cameras and windows.
#pragma once

#include "engine/frm_main.h"
#include "support/fake_engine_windows.h"
#include "support/fake_image_server.h"
#include "support/fake_wis_viewer.h"

#include <functional>

class JournalImageServer : public FakeImageServer {
public:
    JournalImageServer(Journal& j, int slot) : journal(j), n(slot) {}
    void start() override
    {
        log(QStringLiteral("start"));
        FakeImageServer::start();
    }
    void stop() override
    {
        log(QStringLiteral("stop"));
        FakeImageServer::stop();
    }
    void setDisplay(VideoSurface* s) override
    {
        log(s ? QStringLiteral("setDisplay") : QStringLiteral("setDisplay none"));
        FakeImageServer::setDisplay(s);
    }
    void recordStart() override
    {
        log(QStringLiteral("recordStart"));
        if (onRecordStart)
            onRecordStart();
        FakeImageServer::recordStart();
    }
    void recordStop() override
    {
        log(QStringLiteral("recordStop"));
        FakeImageServer::recordStop();
    }
    void log(const QString& what) { journal.Add(QStringLiteral("cam%1.").arg(n) + what); }

    // Runs when recordStart is called (what the caller has done by then).
    std::function<void()> onRecordStart;

    Journal& journal;
    int n;
};

class JournalWisViewer : public FakeWisViewer {
public:
    JournalWisViewer(Journal& j, int slot) : journal(j), n(slot) {}
    void start() override
    {
        log(QStringLiteral("start"));
        FakeWisViewer::start();
    }
    void stop() override
    {
        log(QStringLiteral("stop"));
        FakeWisViewer::stop();
    }
    void setWindow(VideoSurface* s) override
    {
        log(QStringLiteral("setWindow"));
        FakeWisViewer::setWindow(s);
    }
    void connectTo(const QString& a) override
    {
        log(QStringLiteral("connectTo ") + a);
        FakeWisViewer::connectTo(a);
    }
    void recordStart() override
    {
        log(QStringLiteral("recordStart"));
        FakeWisViewer::recordStart();
    }
    void recordStop() override
    {
        log(QStringLiteral("recordStop"));
        FakeWisViewer::recordStop();
    }
    void log(const QString& what) { journal.Add(QStringLiteral("viewer%1.").arg(n) + what); }

    Journal& journal;
    int n;
};

class FakeEngineControls : public EngineControls {
public:
    explicit FakeEngineControls(Journal& j) : journal(j) {}
    std::unique_ptr<ImageServer> MakeImageServer(int slot) override
    {
        auto cam = std::make_unique<JournalImageServer>(journal, slot);
        cams[slot] = cam.get();
        return cam;
    }
    std::unique_ptr<WisViewer> MakeViewer(int slot) override
    {
        auto viewer = std::make_unique<JournalWisViewer>(journal, slot);
        viewers[slot] = viewer.get();
        return viewer;
    }

    Journal& journal;
    std::array<JournalImageServer*, kSlotCount + 1> cams{};
    std::array<JournalWisViewer*, kSlotCount + 1> viewers{};
};
