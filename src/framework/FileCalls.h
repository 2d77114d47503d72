#pragma once
// The file system calls through which the note's files are read and written. Each is
// replaceable, so tests can make one fail (a short read, a write that takes nothing, a locked
// file) and check that the stored note survives, or put a whole simulated disk behind them.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct TFileCalls {
    std::function<HANDLE(const wchar_t* path, DWORD access, DWORD share, DWORD disposition)> Open;
    std::function<BOOL(HANDLE file)> Close;
    std::function<BOOL(HANDLE file, LARGE_INTEGER* size)> GetSize;
    std::function<BOOL(HANDLE file, void* buffer, DWORD size, DWORD* read)> Read;
    std::function<BOOL(HANDLE file, const void* data, DWORD size, DWORD* written)> Write;
    std::function<BOOL(HANDLE file)> Flush;
    std::function<BOOL(const wchar_t* from, const wchar_t* to, DWORD flags)> Move;
    // The platform's replacement of one file's contents by another's, keeping the replaced
    // file's name, attributes and permissions; the replaced file goes to `backup` first when one
    // is named (null: none).
    std::function<BOOL(const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup)> Replace;
    std::function<BOOL(const wchar_t* path)> Delete;
    std::function<DWORD(const wchar_t* path)> GetAttributes;
    // Attributes, size and times of a file without opening it.
    std::function<BOOL(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data)> GetInfo;
    std::function<BOOL(const wchar_t* path)> CreateFolder;
    // The names (not paths) of the files in `folder` (ending with a backslash) whose names match
    // `pattern`, with the platform's wildcards.
    std::function<std::vector<std::wstring>(const std::wstring& folder, const std::wstring& pattern)> List;
};

// The process's calls; the real ones until a test replaces some.
TFileCalls& FileCalls();
// Puts every real call back.
void ResetFileCalls();

// Writes all the bytes to an open file: 0, or why not. A write that says it took nothing (or more
// than it was given) is a failure, not a reason to try for ever.
DWORD WriteAll(TFileCalls& calls, HANDLE file, const std::string& bytes);

// A file opened through a set of calls, closed through the same set.
class TCallsFile {
public:
    TCallsFile(TFileCalls& calls, HANDLE handle) : FCalls(calls), FHandle(handle) {}
    ~TCallsFile() {
        if (*this) FCalls.Close(FHandle);
    }
    TCallsFile(const TCallsFile&) = delete;
    TCallsFile& operator=(const TCallsFile&) = delete;
    explicit operator bool() const { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }
    HANDLE Get() const { return FHandle; }

private:
    TFileCalls& FCalls;
    HANDLE FHandle;
};
