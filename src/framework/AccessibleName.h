#pragma once
// The name a screen reader announces for a control. The system's own accessibility takes a
// control's name from its window text, or from a label window just before it: ours are drawn by
// their parent, so a field or a scroll bar would be announced by its kind alone. A control named
// here answers the accessibility query itself, with the system's standard object for everything
// but the name.
#include "framework/WinControl.h"

#include <string>

// Once per control; survives re-creation of its window. Line breaks and a mnemonic "&" of a
// label's caption are read as a space and as nothing.
void SetAccessibleName(TWinControl& control, const std::wstring& name);

// For a window of our own class, whose kind the system cannot know (ROLE_SYSTEM_LINK...); the
// name stays the system's (the window text). Once per control, as the name.
void SetAccessibleRole(TWinControl& control, long role);

// What a caption reads as: "&" marks dropped ("&&" stays "&"), line breaks as one space.
std::wstring SpokenText(const std::wstring& caption);
