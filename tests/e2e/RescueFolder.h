#pragma once
// The folder of rescue copies in the user's application data, as the end-to-end tests see it.
#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <set>
#include <string>
#include <system_error>

inline std::set<std::wstring> Names(const std::filesystem::path& folder) {
    std::set<std::wstring> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        names.insert(entry.path().filename().wstring());
    return names;
}

// The folder of rescue copies in the user's application data. Whatever appears there while the
// test runs is the test's; only that is removed at the end, also after a failure.
class TRescueFolder {
public:
    TRescueFolder() {
        wchar_t base[MAX_PATH] = {};
        const DWORD n = GetEnvironmentVariableW(L"APPDATA", base, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, base);
        FPath = std::filesystem::path(base) / L"quillpad";
        FExisted = std::filesystem::exists(FPath);
        FBefore = Names(FPath);
    }
    ~TRescueFolder() {
        std::error_code ignored;
        for (const std::wstring& name : Added())
            if (name.find(L"quillpad") != std::wstring::npos) std::filesystem::remove(FPath / name, ignored);
        if (!FExisted) std::filesystem::remove(FPath, ignored); // only when empty
    }
    const std::filesystem::path& Path() const { return FPath; }
    std::set<std::wstring> Added() const {
        std::set<std::wstring> added;
        for (const std::wstring& name : Names(FPath))
            if (!FBefore.count(name)) added.insert(name);
        return added;
    }

private:
    std::filesystem::path FPath;
    bool FExisted = false;
    std::set<std::wstring> FBefore;
};
