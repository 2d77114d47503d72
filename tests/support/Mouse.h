#pragma once
#include <windows.h>

// A real click of the left (or right) button at a screen position.
void ClickScreen(POINT at, bool rightButton = false);
// The centre of a window, or a point `dx`, `dy` from its top-left corner, on the screen.
POINT ScreenCentre(HWND wnd);
POINT ScreenPoint(HWND wnd, int dx, int dy);
