#pragma once
// The time as the keeper of the note sees it: a count of milliseconds for its waits, and the
// local date and time for the names of the files it keeps. Replaceable, so a simulated clock can
// drive the keeper through hours of events in a moment.
#include <windows.h>

class TNoteClock {
public:
    virtual ~TNoteClock() = default;
    // Milliseconds since a fixed moment; never goes back.
    virtual ULONGLONG Now() = 0;
    // The local date and time (it may jump, backwards too, when the user or the system sets it).
    virtual SYSTEMTIME LocalTime() = 0;
    // The time in UTC, in file-time units (100 ns since 1601); it may jump too, backwards as well.
    virtual ULONGLONG UtcFileTime() = 0;
};

// The system's clock.
TNoteClock& SystemClock();
