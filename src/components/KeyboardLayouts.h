#pragma once
// What a combination types in the keyboard layouts installed for the user. On many keyboards
// AltGr is Ctrl+Alt: Ctrl+Alt+E types "€" on a French one, Ctrl+Alt+2 starts "~". Taking such a
// combination system-wide would take that character from every program.
#include "framework/Types.h"

#include <windows.h>

#include <string>

// The character Ctrl+Alt (with Shift when `shift`) and `key` type in the first installed layout
// that types one there, as the platform's layouts give it; a dead key counts, it types its accent
// with the next key. Empty when no layout types a character with it.
std::wstring AltGrCharacterOfLayouts(WORD key, bool shift);

// The query the checks ask: the layouts' own, or one a test puts in its place.
using TAltGrQuery = std::wstring (*)(WORD key, bool shift);
extern TAltGrQuery AltGrCharacter;

// The character `shortcut` types where AltGr is Ctrl+Alt: empty when it is no Ctrl+Alt
// combination, or types nothing in any installed layout.
std::wstring CharacterTypedWithAltGr(TShortCut shortcut);
