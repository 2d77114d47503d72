#include "support/Mouse.h"

#include <cstdlib>

namespace {

INPUT MouseAt(POINT at, DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

bool CursorAt(POINT at) {
    POINT now{};
    return GetCursorPos(&now) && std::abs(now.x - at.x) <= 1 && std::abs(now.y - at.y) <= 1;
}

} // namespace

void ClickScreen(POINT at, bool rightButton) {
    // As a hand does: the pointer gets there first, then the button goes down and up on the
    // spot. Sent at once, under load the press was seen to land where the pointer had been.
    INPUT move = MouseAt(at, 0);
    SendInput(1, &move, sizeof(INPUT));
    for (int waited = 0; waited < 2000 && !CursorAt(at); waited += 10)
        Sleep(10);
    Sleep(20);
    INPUT click[2] = {MouseAt(at, rightButton ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN),
                      MouseAt(at, rightButton ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)};
    SendInput(2, click, sizeof(INPUT));
}

POINT ScreenCentre(HWND wnd) {
    RECT r;
    GetWindowRect(wnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT ScreenPoint(HWND wnd, int dx, int dy) {
    RECT r;
    GetWindowRect(wnd, &r);
    return {r.left + dx, r.top + dy};
}
