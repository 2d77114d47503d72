#pragma once
// The clock of the simulated world: a count of milliseconds that only moves when the test says
// so, and a wall clock (local time, and the time files are stamped with) that the user or a time
// server can set forward or back.
#include "note/NoteClock.h"

#include <windows.h>

class TSimClock : public TNoteClock {
public:
    ULONGLONG Now() override { return FNow; }
    SYSTEMTIME LocalTime() override {
        const ULONGLONG wall = WallFileTime();
        const FILETIME time{static_cast<DWORD>(wall), static_cast<DWORD>(wall >> 32)};
        SYSTEMTIME local{};
        FileTimeToSystemTime(&time, &local);
        return local;
    }
    ULONGLONG UtcFileTime() override { return WallFileTime(); }

    void Advance(ULONGLONG ms) { FNow += ms; }
    // The wall clock set by this much, backwards too; the count of milliseconds does not move.
    void ShiftWall(LONGLONG ms) { FWallShift += ms; }
    // The wall clock in file-time units (100 ns since 1601): what the disk stamps files with.
    ULONGLONG WallFileTime() const {
        // Set back further than the count has run, the wall clock goes before its start.
        return static_cast<ULONGLONG>(static_cast<LONGLONG>(kWallStart) +
                                      (static_cast<LONGLONG>(FNow) + FWallShift) * 10000);
    }

private:
    // A tick count well past a machine's start, when the wall clock reads 2026-03-02 09:00:00.
    static constexpr ULONGLONG kWallStart = 134'169'120'000'000'000ull;
    ULONGLONG FNow = 3'600'000;
    LONGLONG FWallShift = 0;
};
