#pragma once
// The system's high-contrast setting. While it is on, what the program draws takes the system's
// colours and windows are opaque; the user's own values stay as they are, to come back with it off.
#include "framework/Types.h"

#include <windows.h>

#include <functional>

namespace HighContrast {

// The system's answer, or the replacement's while one is set.
bool On();
// Replaces how the setting is read (an empty function restores the system's).
void SetQuery(std::function<bool()> query);
// A message that may change the setting or the system colours, as top-level windows get it.
bool IsChange(UINT msg, WPARAM wParam);
// The colour to draw: an explicit colour gives way to the system colour `systemIndex` while the
// setting is on; system colours are always the system's.
COLORREF Shown(TColor color, int systemIndex);

} // namespace HighContrast
