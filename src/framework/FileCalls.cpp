#include "framework/FileCalls.h"

#include "framework/SystemError.h"

#include <algorithm>

namespace {

TFileCalls RealCalls() {
    TFileCalls calls;
    calls.Open = [](const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
        return CreateFileW(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    calls.Close = [](HANDLE file) { return CloseHandle(file); };
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
    calls.Replace = [](const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup) {
        return ReplaceFileW(replaced, replacement, backup, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    };
    calls.Delete = [](const wchar_t* path) { return DeleteFileW(path); };
    calls.GetAttributes = [](const wchar_t* path) { return GetFileAttributesW(path); };
    calls.GetInfo = [](const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
        return GetFileAttributesExW(path, GetFileExInfoStandard, data);
    };
    calls.CreateFolder = [](const wchar_t* path) { return CreateDirectoryW(path, nullptr); };
    calls.List = [](const std::wstring& folder, const std::wstring& pattern) {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder + pattern).c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    };
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

DWORD WriteAll(TFileCalls& calls, HANDLE file, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        SetLastError(ERROR_SUCCESS);
        if (!calls.Write(file, bytes.data() + done, chunk, &written)) return LastErrorOr(ERROR_WRITE_FAULT);
        if (written == 0 || written > chunk) return ERROR_WRITE_FAULT;
        done += written;
    }
    return ERROR_SUCCESS;
}
