#include "framework/Types.h"

COLORREF ColorToRGB(TColor color) {
    if (color < 0) return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color);
}

static bool KeyDown(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

TShiftState KeyboardShiftState() {
    TShiftState s = 0;
    if (KeyDown(VK_SHIFT)) s |= ssShift;
    if (KeyDown(VK_CONTROL)) s |= ssCtrl;
    if (KeyDown(VK_MENU)) s |= ssAlt;
    if (KeyDown(VK_LBUTTON)) s |= ssLeft;
    if (KeyDown(VK_RBUTTON)) s |= ssRight;
    if (KeyDown(VK_MBUTTON)) s |= ssMiddle;
    return s;
}

TShiftState MouseShiftState(WPARAM keys) {
    TShiftState s = 0;
    if (keys & MK_SHIFT) s |= ssShift;
    if (keys & MK_CONTROL) s |= ssCtrl;
    if (keys & MK_LBUTTON) s |= ssLeft;
    if (keys & MK_RBUTTON) s |= ssRight;
    if (keys & MK_MBUTTON) s |= ssMiddle;
    if (KeyDown(VK_MENU)) s |= ssAlt;
    return s;
}
