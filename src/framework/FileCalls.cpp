#include "framework/FileCalls.h"

namespace {

TFileCalls RealCalls() {
    TFileCalls calls;
    calls.Open = [](const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
        return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    calls.GetSize = [](HANDLE file, LARGE_INTEGER* size) { return GetFileSizeEx(file, size); };
    calls.Read = [](HANDLE file, void* buffer, DWORD size, DWORD* read) {
        return ReadFile(file, buffer, size, read, nullptr);
    };
    calls.Write = [](HANDLE file, const void* data, DWORD size, DWORD* written) {
        return WriteFile(file, data, size, written, nullptr);
    };
    calls.Flush = [](HANDLE file) { return FlushFileBuffers(file); };
    calls.Move = [](const wchar_t* from, const wchar_t* to, DWORD flags) {
        return MoveFileExW(from, to, flags);
    };
    calls.Replace = [](const wchar_t* replaced, const wchar_t* replacement) {
        return ReplaceFileW(replaced, replacement, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                            nullptr);
    };
    calls.Delete = [](const wchar_t* path) { return DeleteFileW(path); };
    calls.GetAttributes = [](const wchar_t* path) { return GetFileAttributesW(path); };
    return calls;
}

} // namespace

TFileCalls& FileCalls() {
    static TFileCalls calls = RealCalls();
    return calls;
}

void ResetFileCalls() {
    FileCalls() = RealCalls();
}
