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

// Another program holding a file and sharing it with nobody.
class TFileLock {
public:
    explicit TFileLock(const std::wstring& path)
        : FHandle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
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
