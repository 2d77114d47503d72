#pragma once
// Window classes and the hidden windows that components keep for their messages.
#include <windows.h>

// Registers a class once per process; a class some earlier registration made is accepted.
void RegisterWindowClass(const WNDCLASSEXW& windowClass);

// A window that is never shown: its procedure finds `owner` in GWLP_USERDATA.
HWND CreateUtilityWindow(const wchar_t* className, WNDPROC procedure, HWND parent, DWORD exStyle, DWORD style,
                         void* owner);
