#pragma once
// The font faces the system has, for tests that need a real face to open a dialog on.
#include <map>
#include <string>

// Every face of the system, and whether it is TrueType.
std::map<std::wstring, bool> SystemFaces();
// A TrueType face the system has (Arial may be missing), so a font dialog can open on it.
std::wstring SomeTrueTypeFace();
