#pragma once
// Real files for the document tests: their bytes, another program's lock on them, and the file
// calls a test replaces to make one of them fail.
#include "framework/FileCalls.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

inline std::string FileBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

inline bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline FILETIME LastWriteTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// Dates the file back to 2001, so that any later write shows in its time; returns that time.
inline FILETIME AgeFile(const std::wstring& path) {
    const FILETIME old{0x1D2A000, 0x01C0B000};
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        SetFileTime(file, nullptr, nullptr, &old);
        CloseHandle(file);
    }
    return old;
}

inline bool SameTime(const FILETIME& a, const FILETIME& b) {
    return CompareFileTime(&a, &b) == 0;
}

// Another program holding a file and sharing it with nobody, or only with readers: then the file
// reads as ever but cannot be written, as a read-only one (the read-only attribute does not stop
// the tests' user, root, under Wine).
class TFileLock {
public:
    explicit TFileLock(const std::wstring& path, DWORD share = 0)
        : FHandle(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~TFileLock() { Release(); }
    TFileLock(const TFileLock&) = delete;
    TFileLock& operator=(const TFileLock&) = delete;
    void Release() {
        if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
        FHandle = INVALID_HANDLE_VALUE;
    }
    bool Held() const { return FHandle != INVALID_HANDLE_VALUE; }

private:
    HANDLE FHandle;
};

// The file calls of the process for the length of a test: replace some through `Calls`, call
// the untouched ones through `Real`; the real set comes back at the end.
class TInjectedFileCalls {
public:
    TInjectedFileCalls() : Real(FileCalls()) {}
    ~TInjectedFileCalls() { ResetFileCalls(); }
    TInjectedFileCalls(const TInjectedFileCalls&) = delete;
    TInjectedFileCalls& operator=(const TInjectedFileCalls&) = delete;

    TFileCalls& Calls = FileCalls();
    const TFileCalls Real;
};

// What a call that fails leaves behind.
inline BOOL Fails(DWORD error) {
    SetLastError(error);
    return FALSE;
}
