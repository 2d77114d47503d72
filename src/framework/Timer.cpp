#include "framework/Timer.h"

#include "framework/Error.h"
#include "framework/SystemError.h"

#include <map>

namespace {

// The running timers by their identifiers. A thread timer needs no window (creating one costs
// the start-up about as much as everything else a timer does): its WM_TIMER messages come
// through the thread's loop with no window and the loop's dispatch calls Tick.
std::map<UINT_PTR, TTimer*>& Running() {
    static std::map<UINT_PTR, TTimer*> timers;
    return timers;
}

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    Update();
}

TTimer::~TTimer() {
    FEnabled = false;
    Update();
}

void TTimer::SetEnabled(bool enabled) {
    FEnabled = enabled;
    Update();
}

void TTimer::SetInterval(UINT milliseconds) {
    FInterval = milliseconds;
    Update();
}

void TTimer::Update() {
    if (FId) {
        // Also takes the timer's tick out of the queue if one is waiting there.
        KillTimer(nullptr, FId);
        Running().erase(FId);
        FId = 0;
    }
    if (!FEnabled || FInterval == 0) return;
    FId = SetTimer(nullptr, 0, FInterval, Tick);
    if (!FId) throw TError(L"Cannot start a timer. " + SystemErrorText(GetLastError()));
    Running()[FId] = this;
}

void CALLBACK TTimer::Tick(HWND, UINT, UINT_PTR id, DWORD) {
    const auto found = Running().find(id);
    if (found == Running().end()) return; // a timer stopped since
    TTimer* self = found->second;
    Guarded(self, [&] {
        if (self->OnTimer) self->OnTimer(self);
    });
}
