#pragma once
// What the simulated disk's sources share: its records of files, handles and faults, and the
// path and access helpers.
#include "note/sim/SimDisk.h"

#include <algorithm>
#include <cwctype>

struct TSimDisk::TFile {
    std::wstring Path;
    std::string Bytes;
    DWORD Attributes = FILE_ATTRIBUTE_ARCHIVE;
    ULONGLONG Created = 0;
    ULONGLONG Written = 0;
    // Deleted while open with FILE_SHARE_DELETE: gone when its last handle closes.
    bool DeletePending = false;
};

struct TSimDisk::THandle {
    TFilePtr File;
    DWORD Access = 0;
    DWORD Share = 0;
    size_t Position = 0;
    bool Program = true;
};

struct TSimDisk::TFault {
    TSimCall Call;
    int Count = 0;
    DWORD Error = 0;
    std::wstring PathPart; // upper-case
    std::optional<TReplaceStep> Step;
};

struct TSimDisk::TChange {
    std::wstring Path;
    std::string Before;
    std::string After;
};

namespace simdisk {

inline std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The upper-case path without a final backslash: what names a file or folder.
inline std::wstring Key(const std::wstring& path) {
    std::wstring key = Upper(path);
    std::replace(key.begin(), key.end(), L'/', L'\\');
    while (key.size() > 1 && key.back() == L'\\')
        key.pop_back();
    return key;
}

inline std::wstring ParentKey(const std::wstring& key) {
    const size_t slash = key.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

// "C:" for "c:\\folder\\file".
inline std::wstring VolumeOf(const std::wstring& path) {
    return Key(path.substr(0, path.find_first_of(L"\\/")));
}

inline std::wstring NameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

inline bool Reads(DWORD access) {
    return access & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE | FILE_READ_DATA | FILE_EXECUTE);
}
inline bool Writes(DWORD access) {
    return access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA);
}
inline bool Deletes(DWORD access) {
    return access & (DELETE | GENERIC_ALL);
}

inline FILETIME AsFileTime(ULONGLONG time) {
    return {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

inline const wchar_t* CallName(TSimCall call) {
    static const wchar_t* const names[] = {
        L"Open",    L"Close",  L"GetSize",       L"Read",    L"Write",        L"Flush", L"Move",
        L"Replace", L"Delete", L"GetAttributes", L"GetInfo", L"CreateFolder", L"List"};
    return names[static_cast<int>(call)];
}

} // namespace simdisk
