#include "framework/Layered.h"

namespace {

using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
TSetLayeredWindowAttributes gSetAttributes = nullptr;
bool gLookedUp = false;

} // namespace

void Layered::LookUp() {
    if (gLookedUp) return;
    gLookedUp = true;
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll"))
        gSetAttributes = reinterpret_cast<TSetLayeredWindowAttributes>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));
}

bool Layered::Available() {
    LookUp();
    return gSetAttributes != nullptr;
}

void Layered::Apply(HWND wnd, bool alphaBlend, BYTE alpha, bool colorKey, COLORREF key) {
    if (!wnd || !Available()) return;
    LONG_PTR exStyle = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (alphaBlend || colorKey) {
        if (!(exStyle & WS_EX_LAYERED)) SetWindowLongPtrW(wnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        DWORD flags = (alphaBlend ? LWA_ALPHA : 0) | (colorKey ? LWA_COLORKEY : 0);
        gSetAttributes(wnd, key, alpha, flags);
    } else if (exStyle & WS_EX_LAYERED) {
        SetWindowLongPtrW(wnd, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        RedrawWindow(wnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    }
}
