#pragma once
// The file system calls through which the note's files are read and written. Each is
// replaceable, so tests can make one fail (a short read, a write that takes nothing, a locked
// file) and check that the stored note survives.
#include <windows.h>

#include <functional>

struct TFileCalls {
    std::function<HANDLE(const wchar_t* path, DWORD access, DWORD share, DWORD disposition)> Open;
    std::function<BOOL(HANDLE file, LARGE_INTEGER* size)> GetSize;
    std::function<BOOL(HANDLE file, void* buffer, DWORD size, DWORD* read)> Read;
    std::function<BOOL(HANDLE file, const void* data, DWORD size, DWORD* written)> Write;
    std::function<BOOL(HANDLE file)> Flush;
    std::function<BOOL(const wchar_t* from, const wchar_t* to, DWORD flags)> Move;
    // The platform's replacement of one file's contents by another's, keeping the replaced
    // file's name, attributes and permissions.
    std::function<BOOL(const wchar_t* replaced, const wchar_t* replacement)> Replace;
    std::function<BOOL(const wchar_t* path)> Delete;
    std::function<DWORD(const wchar_t* path)> GetAttributes;
};

// The process's calls; the real ones until a test replaces some.
TFileCalls& FileCalls();
// Puts every real call back.
void ResetFileCalls();
