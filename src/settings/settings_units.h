// The lists of the settings dialogs and what their indexes stand for. The
// settings hold list indexes; these turn an index into units and keep an index
// read from a hand-edited main.ini inside its list.
#pragma once

#include <algorithm>

namespace units {

inline constexpr int kReserveItems = 11;     // 500 MB .. 1000 MB
inline constexpr int kSplitModeItems = 2;    // by size, by time
inline constexpr int kSplitValueItems = 5;   // 10 .. 50 (MB or minutes)
inline constexpr int kRecycleModeItems = 2;  // by size, by age
inline constexpr int kRecycleItems = 50;     // 200 MB .. 10000 MB, 2 .. 100 hours
inline constexpr int kScanDelayItems = 20;   // 1 .. 20 seconds

// The index inside a list of `items` entries (0 for an empty list).
inline int Clamp(int index, int items) { return std::clamp(index, 0, std::max(0, items - 1)); }

inline int ReserveMB(int i) { return 500 + 50 * i; }
inline int SplitSizeMB(int i) { return (i + 1) * 10; }
inline int SplitMinutes(int i) { return (i + 1) * 10; }
inline int RecycleQuotaMB(int i) { return 200 * i + 200; }
inline int RecycleAgeHours(int i) { return 2 * i + 2; }
inline int ScanStepMs(int i) { return (i + 1) * 1000; }

// What the configuration dialog's OK puts on a camera as its reserve: the
// chosen reserve less one split file of the stored size, in both split modes.
// (Setting a camera up puts ReserveMB alone.)
inline int DialogReserveMB(int reserveIndex, int fileSizeIndex)
{
    return ReserveMB(reserveIndex) - SplitSizeMB(fileSizeIndex);
}

}  // namespace units
