#include "framework/Dpi.h"

#include "framework/DpiScale.h"
#include "framework/Handles.h"

namespace {

template <class F> F User32Call(const char* name) {
    return reinterpret_cast<F>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// Loaded only when a monitor is asked about, and kept for the process's life.
template <class F> F ShcoreCall(const char* name) {
    static HMODULE module = LoadLibraryW(L"shcore.dll");
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

using GetDpiForSystemFn = UINT(WINAPI*)();
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
constexpr int kEffectiveDpi = 0; // MDT_EFFECTIVE_DPI

} // namespace

int SystemPixelsPerInch() {
    static const auto getDpiForSystem = User32Call<GetDpiForSystemFn>("GetDpiForSystem");
    if (getDpiForSystem)
        if (const UINT dpi = getDpiForSystem()) return static_cast<int>(dpi);
    TScreenDC dc;
    const int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : kDesignPixelsPerInch;
}

int MonitorPixelsPerInch(HMONITOR monitor) {
    static const auto getDpiForMonitor = ShcoreCall<GetDpiForMonitorFn>("GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (monitor && getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, kEffectiveDpi, &x, &y)) && y > 0)
        return static_cast<int>(y);
    return SystemPixelsPerInch();
}

int PixelsPerInchAt(const RECT& screenRect) {
    return MonitorPixelsPerInch(MonitorFromRect(&screenRect, MONITOR_DEFAULTTONEAREST));
}

int WindowPixelsPerInch(HWND wnd) {
    static const auto getDpiForWindow = User32Call<GetDpiForWindowFn>("GetDpiForWindow");
    if (wnd && getDpiForWindow)
        if (const UINT dpi = getDpiForWindow(wnd)) return static_cast<int>(dpi);
    return wnd ? MonitorPixelsPerInch(MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST))
               : SystemPixelsPerInch();
}

void AdjustWindowRectForPixelsPerInch(RECT& rect, DWORD style, DWORD exStyle, int pixelsPerInch) {
    static const auto adjustForDpi = User32Call<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (adjustForDpi && adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(pixelsPerInch))) return;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}
