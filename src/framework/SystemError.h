#pragma once
#include <windows.h>

#include <string>

// The system's own text for an error code, without the trailing line break.
std::wstring SystemErrorText(DWORD code);
