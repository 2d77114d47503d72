#include "framework/Timer.h"

#include "framework/Error.h"
#include "framework/WindowClass.h"

namespace {
const wchar_t kTimerClass[] = L"Quillpad.Timer";
constexpr UINT_PTR kTimerId = 1;
} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    // A message-only window: the ticks arrive through the loop like any other message.
    FWindow.Reset(CreateUtilityWindow(kTimerClass, WndProc, HWND_MESSAGE, 0, 0, this));
    Update();
}

TTimer::~TTimer() {
    KillTimer(FWindow.Get(), kTimerId);
    SetWindowLongPtrW(FWindow.Get(), GWLP_USERDATA, 0);
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
    KillTimer(FWindow.Get(), kTimerId);
    if (FEnabled && FInterval > 0) SetTimer(FWindow.Get(), kTimerId, FInterval, nullptr);
}

LRESULT CALLBACK TTimer::WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TTimer*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (msg == WM_TIMER && self) {
        Guarded(self, [&] {
            if (self->OnTimer) self->OnTimer(self);
        });
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}
