#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Opens a document, address or "mailto:" link with the shell's "open" action. Failures are
// silent. Replaceable, so tests can see what would have been opened.
extern std::function<void(HWND owner, const std::wstring& target)> ShellOpen;
