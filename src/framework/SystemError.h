#pragma once
#include <windows.h>

#include <string>

// The system's own text for an error code, without the trailing line break.
std::wstring SystemErrorText(DWORD code);
// The error a failed call left, or `fallback` when it left none: a failure must never read as
// success. Clear the error (SetLastError(ERROR_SUCCESS)) before the call.
DWORD LastErrorOr(DWORD fallback);
