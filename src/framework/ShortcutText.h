#pragma once
// The text form of shortcuts ("Ctrl+Alt+S"), as menus show them and the hot-key field reads them.
#include "framework/Types.h"

#include <string>

// Key code and the Shift/Ctrl/Alt held with it; 0 for key codes above 255.
TShortCut MakeShortcut(WORD key, TShiftState shift);
// "Shift+", "Ctrl+", "Alt+" in that order, then the key's name; empty when the key has no name.
std::wstring FormatShortcut(TShortCut shortcut);
// Reads the text back; prefixes in any order and case ("^" also means Ctrl), 0 when no key matches.
TShortCut ParseShortcut(const std::wstring& text);
