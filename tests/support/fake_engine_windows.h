// Stand-ins for the windows the engine calls back into. Every call is written
// to a shared journal ("client2.Form_Resize", "panel.LedControl 6 on", ...),
// so tests can check the order of calls across windows and camera objects.
#pragma once

#include "engine/engine_windows.h"
#include "foundation/globals.h"

#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <stdexcept>

class Journal {
public:
    void Add(const QString& entry) { entries << entry; }
    // Position of the first entry equal to `entry`, or -1.
    int IndexOf(const QString& entry) const { return static_cast<int>(entries.indexOf(entry)); }
    bool Has(const QString& entry) const { return entries.contains(entry); }
    // Entries starting with `prefix`, in order.
    QStringList With(const QString& prefix) const
    {
        QStringList out;
        for (const QString& e : entries)
            if (e.startsWith(prefix))
                out << e;
        return out;
    }
    void Clear() { entries.clear(); }

    QStringList entries;
};

class FakeListBox : public IEventListBox {
public:
    void AddItem(const QString& line) override
    {
        if (failAdds)
            throw std::runtime_error("list box refused the line");
        lines << line;
    }
    int ListCount() const override { return static_cast<int>(lines.size()); }
    void SelectLast() override { selected = ListCount() - 1; }
    void RemoveFirst(int count) override
    {
        lines.remove(0, std::min<qsizetype>(count, lines.size()));
        if (selected >= 0)
            selected = std::max(-1, selected - count);
    }

    QStringList lines;
    int selected = -1;
    bool failAdds = false;
};

class FakePanelWindow : public IPanelWindow {
public:
    explicit FakePanelWindow(Journal& j) : journal(j) {}
    void LedControl(int led, bool on) override
    {
        leds[led] = on;
        journal.Add(QStringLiteral("panel.LedControl %1 %2").arg(led).arg(on ? "on" : "off"));
    }
    void RefreshPanelText() override { journal.Add(QStringLiteral("panel.RefreshPanelText")); }
    void ChkBtnStatus(const QString& button) override
    {
        journal.Add(QStringLiteral("panel.ChkBtnStatus ") + button);
    }
    void StopBtnHold() override { journal.Add(QStringLiteral("panel.StopBtnHold")); }

    Journal& journal;
    std::array<bool, 13> leds{};
};

class FakeClientWindow : public IClientWindow {
public:
    FakeClientWindow(Journal& j, int slot, VideoSurface* surface)
        : journal(j), n(slot), surface_(surface)
    {
    }
    VideoSurface* Picture1() override { return surface_; }
    void SetFirst(bool value) override
    {
        first = value;
        log(QStringLiteral("SetFirst"));
    }
    void Form_Resize() override { log(QStringLiteral("Form_Resize")); }
    void RefrushStatusBar() override { log(QStringLiteral("RefrushStatusBar")); }
    void RepaintPicture() override { log(QStringLiteral("RepaintPicture")); }
    void SetColorCtlVisible(bool visible) override
    {
        colorCtlVisible = visible;
        log(QStringLiteral("SetColorCtlVisible %1").arg(visible ? "true" : "false"));
    }
    void ShowColorCtl_Fun() override { log(QStringLiteral("ShowColorCtl_Fun")); }
    void ShowMotionText(bool show) override
    {
        log(QStringLiteral("ShowMotionText %1").arg(show ? "true" : "false"));
    }
    void RecordGrayBTN() override { log(QStringLiteral("RecordGrayBTN")); }
    IEventListBox& ListEvent() override { return list; }
    void ShowModeless() override
    {
        visible = true;
        log(QStringLiteral("ShowModeless"));
    }

    void log(const QString& what) { journal.Add(QStringLiteral("client%1.").arg(n) + what); }

    Journal& journal;
    int n;
    VideoSurface* surface_;
    bool first = false;
    bool colorCtlVisible = true;
    bool visible = false;
    FakeListBox list;
};

class FakeCombineWindow : public ICombineWindow {
public:
    explicit FakeCombineWindow(Journal& j) : journal(j) {}
    VideoSurface* picCam(int n) override { return cells[n]; }
    void Form_Resize() override { journal.Add(QStringLiteral("combine.Form_Resize")); }
    void RepaintCell(int n) override
    {
        journal.Add(QStringLiteral("combine.RepaintCell %1").arg(n));
    }
    void RefrushStatusBar() override { journal.Add(QStringLiteral("combine.RefrushStatusBar")); }
    bool ListVisible() const override { return listVisible; }
    IEventListBox& ListEvent() override { return list; }
    void RecordGrayBTN(int n) override
    {
        journal.Add(QStringLiteral("combine.RecordGrayBTN %1").arg(n));
    }

    Journal& journal;
    std::array<VideoSurface*, kSlotCount + 1> cells{};
    bool listVisible = false;
    FakeListBox list;
};

class FakeScanWindow : public IScanWindow {
public:
    explicit FakeScanWindow(Journal& j) : journal(j) {}
    void ShowModeless() override
    {
        visible = true;
        journal.Add(QStringLiteral("scan.ShowModeless"));
    }
    VideoSurface* VideoTarget() override { return surface; }
    QSize ClientSize() const override { return clientSize; }
    void RefrushStatusBar() override
    {
        journal.Add(QStringLiteral("scan.RefrushStatusBar %1").arg(gScanCam));
    }
    void Repaint() override { journal.Add(QStringLiteral("scan.Repaint")); }

    Journal& journal;
    VideoSurface* surface = nullptr;
    QSize clientSize{320, 240};
    bool visible = false;
};

// The registry side: loading a single-camera window sets its open flag, as
// the real window's load does; the panel and the combined window are "open"
// when a test sets their flags.
class FakeEngineWindows : public IEngineWindows {
public:
    explicit FakeEngineWindows(Journal& j) : journal(j), panel(j), combine(j) {}

    IPanelWindow* Panel() override { return gWinOpen[0] ? &panel : nullptr; }
    IClientWindow* Client(int n) override
    {
        if (refuseLoads)
            return nullptr;
        if (!clients[n]) {
            clients[n] = std::make_unique<FakeClientWindow>(journal, n, surfaces[n]);
            journal.Add(QStringLiteral("client%1.Load").arg(n));
        }
        gWinOpen[n] = true;
        return clients[n].get();
    }
    ICombineWindow* CombineWindow() override { return gWinOpen[5] ? &combine : nullptr; }
    // Loading the scan window sets its open flag, as the real window's load does.
    IScanWindow* ScanWindow() override
    {
        if (refuseLoads || noScanWindow)
            return nullptr;
        if (!scan) {
            scan = std::make_unique<FakeScanWindow>(journal);
            scan->surface = scanSurface;
            journal.Add(QStringLiteral("scan.Load"));
        }
        gWinOpen[kWinOpenScan] = true;
        return scan.get();
    }
    // Unloading runs what the real windows' unloads do for the engine: the
    // scan window calls onScanClosing (the engine's ScanWindowClosing) first.
    void UnloadWindow(int w) override
    {
        journal.Add(QStringLiteral("unload %1").arg(w));
        const auto i = static_cast<size_t>(w);
        if (w < 1 || i > kWinOpenScan || !gWinOpen[i])
            return;
        if (i == kWinOpenScan) {
            if (onScanClosing)
                onScanClosing();
            scan.reset();
        } else if (w <= kSlotCount) {
            clients[i].reset();
        }
        gWinOpen[i] = false;
    }

    // The window of slot n if it was loaded, else nullptr (does not load it).
    FakeClientWindow* Loaded(int n) const { return clients[n].get(); }

    Journal& journal;
    FakePanelWindow panel;
    FakeCombineWindow combine;
    std::array<std::unique_ptr<FakeClientWindow>, kSlotCount + 1> clients;
    std::array<VideoSurface*, kSlotCount + 1> surfaces{};
    std::unique_ptr<FakeScanWindow> scan;
    VideoSurface* scanSurface = nullptr;  // the picture area a loaded scan window offers
    std::function<void()> onScanClosing;
    bool refuseLoads = false;
    bool noScanWindow = false;
};
