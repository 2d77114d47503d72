#include "framework/Shell.h"

#include <shellapi.h>

std::function<void(HWND, const std::wstring&)> ShellOpen = [](HWND owner, const std::wstring& target) {
    ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
};
