#pragma once
// Layered-window support, looked up once at start: where the system lacks it, windows are
// simply never layered and nothing is reported.
#include <windows.h>

namespace Layered {

void LookUp();
bool Available();
// Applies whole-window opacity and/or a colour key, or takes the layering away when both are off.
void Apply(HWND wnd, bool alphaBlend, BYTE alpha, bool colorKey, COLORREF key);

} // namespace Layered
