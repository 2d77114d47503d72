#include "framework/SafeFile.h"

#include "framework/FileCalls.h"
#include "framework/Handles.h"
#include "framework/SystemError.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// Another program reading the file (a backup tool, a virus scanner) holds it for a moment.
bool Transient(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

DWORD WriteTemporary(const std::wstring& temporary, const std::string& bytes) {
    TFileCalls& calls = FileCalls();
    SetLastError(ERROR_SUCCESS);
    TFileHandle file(calls.Open(temporary.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
    if (!file) return LastErrorOr(ERROR_CANNOT_MAKE);
    if (DWORD error = WriteAll(calls, file.Get(), bytes)) return error;
    SetLastError(ERROR_SUCCESS);
    if (!calls.Flush(file.Get())) return LastErrorOr(ERROR_WRITE_FAULT);
    // Every write said it took its bytes; the file must now hold them all, or it is not renamed.
    LARGE_INTEGER size{};
    SetLastError(ERROR_SUCCESS);
    if (!calls.GetSize(file.Get(), &size)) return LastErrorOr(ERROR_WRITE_FAULT);
    if (static_cast<unsigned long long>(size.QuadPart) != bytes.size()) return ERROR_WRITE_FAULT;
    return ERROR_SUCCESS;
}

// Runs a step again for a moment while another program holds the file.
template <class F> DWORD Patiently(F&& step) {
    for (int attempt = 0;; ++attempt) {
        SetLastError(ERROR_SUCCESS);
        if (step()) return ERROR_SUCCESS;
        const DWORD error = LastErrorOr(ERROR_WRITE_FAULT);
        if (!Transient(error) || attempt == 20) return error;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

// The platform's replacement keeps the file what it was to the system and to the programs that
// watch it (a sync client sees one update of one file, not a delete and a create). Where it is
// refused (no such file yet, a file system without it), the rename does the same job.
DWORD PutInPlace(const std::wstring& temporary, const std::wstring& path) {
    TFileCalls& calls = FileCalls();
    // A file the user made read-only is not replaced, whatever the file system would allow.
    const DWORD attributes = calls.GetAttributes(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return ERROR_ACCESS_DENIED;
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        Patiently([&] { return calls.Replace(path.c_str(), temporary.c_str(), nullptr); }) == ERROR_SUCCESS)
        return ERROR_SUCCESS;
    return Patiently([&] {
        return calls.Move(temporary.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    });
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

} // namespace

std::wstring TemporaryPathFor(const std::wstring& path) {
    // "~" first and ".tmp" last: the name sync clients and backup tools leave alone.
    const std::wstring folder = FolderOf(path);
    return folder + L"~" + path.substr(folder.size()) + L".tmp";
}

void RemoveLeftTemporaries(const std::wstring& path) {
    // The name earlier versions used too.
    for (const std::wstring& left : {TemporaryPathFor(path), path + L".tmp"})
        FileCalls().Delete(left.c_str());
}

DWORD ReplaceFileContents(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = TemporaryPathFor(path);
    DWORD error = WriteTemporary(temporary, bytes);
    if (error == ERROR_SUCCESS) error = PutInPlace(temporary, path);
    if (error == ERROR_SUCCESS) return ERROR_SUCCESS;
    FileCalls().Delete(temporary.c_str());
    return error;
}
