#include "note/NoteClock.h"

namespace {

class TSystemClock : public TNoteClock {
public:
    ULONGLONG Now() override { return GetTickCount64(); }
    SYSTEMTIME LocalTime() override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return now;
    }
    ULONGLONG UtcFileTime() override {
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        return (ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    }
};

} // namespace

TNoteClock& SystemClock() {
    static TSystemClock clock;
    return clock;
}
