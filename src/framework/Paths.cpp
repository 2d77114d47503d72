#include "framework/Paths.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

std::wstring ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ExecutableRelativePath(const std::wstring& extension) {
    std::wstring path = ExecutablePath();
    size_t slash = path.find_last_of(L"\\/");
    size_t dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) path.erase(dot);
    return path + extension;
}

std::wstring UserDataPath(const std::wstring& extension) {
    // The variable is there in every session; the shell is asked only where it is not.
    std::vector<wchar_t> folder(MAX_PATH);
    DWORD n = GetEnvironmentVariableW(L"APPDATA", folder.data(), static_cast<DWORD>(folder.size()));
    if (n >= folder.size()) {
        folder.resize(n);
        n = GetEnvironmentVariableW(L"APPDATA", folder.data(), static_cast<DWORD>(folder.size()));
    }
    std::wstring base(folder.data(), n < folder.size() ? n : 0);
    if (base.empty()) {
        wchar_t shellFolder[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, shellFolder))) base = shellFolder;
    }
    const std::wstring beside = ExecutableRelativePath(extension);
    const std::wstring name = beside.substr(beside.find_last_of(L"\\/") + 1);
    const std::wstring program = name.substr(0, name.size() - extension.size());
    return base + L"\\" + program + L"\\" + name;
}
