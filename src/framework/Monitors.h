#pragma once
// Keeping a top-level window where the user can reach it, whatever monitors there are now.
#include <windows.h>

// The rectangle grown to at least `minimum` and then moved, shrunk if need be, wholly into `area`.
RECT FitIntoArea(RECT window, const RECT& area, SIZE minimum);

// The rectangle itself when it lies on a monitor and is at least `minimum` large. Otherwise it
// is grown to the minimum, and one that lies on no monitor at all goes wholly onto the work area
// of the nearest one.
RECT ReachableRect(const RECT& window, SIZE minimum);

// The work area of the monitor a window is on (or nearest to, even hidden); the primary
// monitor's for no window.
RECT WorkAreaOf(HWND wnd);

// A rectangle of `size` centred in `area`; one larger than the area starts at its top-left.
RECT CentredIn(SIZE size, const RECT& area);
