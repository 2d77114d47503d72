#pragma once
// Where windows are: the resolution of the screen, of a monitor and of a window. The calls that
// answer per monitor are not on every system; each is looked up on first use, and without it the
// answer is the screen's resolution.
#include <windows.h>

// The message a per-monitor window gets when it moves to a monitor of another resolution.
constexpr UINT kDpiChangedMessage = 0x02E0;

// The resolution the whole desktop was started with.
int SystemPixelsPerInch();
// The resolution of a monitor, the system's when the monitor's own is not known.
int MonitorPixelsPerInch(HMONITOR monitor);
// The resolution of the monitor most of the rectangle (screen coordinates) lies on.
int PixelsPerInchAt(const RECT& screenRect);
// The resolution a window is drawn at.
int WindowPixelsPerInch(HWND wnd);
// Grows a client rectangle to the window rectangle of that style at that resolution.
void AdjustWindowRectForPixelsPerInch(RECT& rect, DWORD style, DWORD exStyle, int pixelsPerInch);
