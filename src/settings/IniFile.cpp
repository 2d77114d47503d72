#include "settings/IniFile.h"

#include "framework/Error.h"

#include <windows.h>

#include <cstdint>
#include <set>

namespace {

constexpr size_t kValueLength = 2047;

// The files whose failed write has been reported in this run and not written since.
std::set<std::wstring>& ReportedPaths() {
    static std::set<std::wstring> paths;
    return paths;
}

} // namespace

TIniFile::TIniFile(std::wstring path) : FPath(std::move(path)) {
    // Without a file (the first start), each read would try to open it and fail in turn:
    // settle that once for the whole batch.
    if (GetFileAttributesW(FPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        FMissing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
}

TIniFile::~TIniFile() {
    if (!FMissing) WritePrivateProfileStringW(nullptr, nullptr, nullptr, FPath.c_str());
}

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& fallback) const {
    // A missing file gives the default; one that the functions would trim or cut is left to them.
    if (FMissing && fallback.size() <= kValueLength && (fallback.empty() || fallback.back() != L' '))
        return fallback;
    wchar_t buffer[kValueLength + 1];
    DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                       kValueLength + 1, FPath.c_str());
    return std::wstring(buffer, n);
}

int TIniFile::ReadInteger(const std::wstring& section, const std::wstring& key, int fallback) const {
    return ParseIniInteger(ReadString(section, key, L"")).value_or(fallback);
}

bool TIniFile::ReadBool(const std::wstring& section, const std::wstring& key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool TIniFile::Holds(const std::wstring& section, const std::wstring& key, const std::wstring& value) const {
    if (FMissing || value.size() > kValueLength) return false;
    // A default that cannot be the value, so that a missing key never reads as holding it.
    const wchar_t* absent = value.empty() ? L"?" : L"";
    // One character more than a value can have: a longer stored value never matches.
    wchar_t buffer[kValueLength + 2];
    const DWORD n = GetPrivateProfileStringW(section.c_str(), key.c_str(), absent, buffer, kValueLength + 2,
                                             FPath.c_str());
    return value.compare(0, std::wstring::npos, buffer, n) == 0;
}

void TIniFile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    if (FWriteFailed || Holds(section, key, value)) return;
    if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), FPath.c_str())) {
        FWriteFailed = true;
        // Once said, a file that stays unwritable is not reported at every click or resize step.
        if (ReportedPaths().insert(FPath).second) throw TError(L"Unable to write to " + FPath);
        return;
    }
    ReportedPaths().erase(FPath);
    FMissing = false;
}

void TIniFile::WriteInteger(const std::wstring& section, const std::wstring& key, int value) {
    WriteString(section, key, std::to_wstring(value));
}

void TIniFile::WriteBool(const std::wstring& section, const std::wstring& key, bool value) {
    WriteString(section, key, value ? L"1" : L"0");
}
