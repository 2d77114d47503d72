#include "framework/Timer.h"

#include "framework/Error.h"

namespace {
const wchar_t kTimerClass[] = L"Quillpad.Timer";
constexpr UINT_PTR kTimerId = 1;
} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kTimerClass;
        RegisterClassExW(&wc);
        registered = true;
    }
    // A message-only window: the ticks arrive through the loop like any other message.
    FWindow.Reset(CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    if (!FWindow) throw TError(L"Cannot create a timer");
    SetWindowLongPtrW(FWindow.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
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
