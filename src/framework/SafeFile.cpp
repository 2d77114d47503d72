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

DWORD WriteAll(HANDLE file, const std::string& bytes) {
    TFileCalls& calls = FileCalls();
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        SetLastError(ERROR_SUCCESS);
        if (!calls.Write(file, bytes.data() + done, chunk, &written)) return LastErrorOr(ERROR_WRITE_FAULT);
        // A write that "succeeds" without taking anything would loop for ever or end short.
        if (written == 0 || written > chunk) return ERROR_WRITE_FAULT;
        done += written;
    }
    return ERROR_SUCCESS;
}

DWORD WriteTemporary(const std::wstring& temporary, const std::string& bytes) {
    TFileCalls& calls = FileCalls();
    SetLastError(ERROR_SUCCESS);
    TFileHandle file(calls.Open(temporary.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
    if (!file) return LastErrorOr(ERROR_CANNOT_MAKE);
    if (DWORD error = WriteAll(file.Get(), bytes)) return error;
    SetLastError(ERROR_SUCCESS);
    if (!calls.Flush(file.Get())) return LastErrorOr(ERROR_WRITE_FAULT);
    // Every write said it took its bytes; the file must now hold them all, or it is not renamed.
    LARGE_INTEGER size{};
    SetLastError(ERROR_SUCCESS);
    if (!calls.GetSize(file.Get(), &size)) return LastErrorOr(ERROR_WRITE_FAULT);
    if (static_cast<unsigned long long>(size.QuadPart) != bytes.size()) return ERROR_WRITE_FAULT;
    return ERROR_SUCCESS;
}

DWORD RenameOver(const std::wstring& temporary, const std::wstring& path) {
    for (int attempt = 0;; ++attempt) {
        SetLastError(ERROR_SUCCESS);
        if (FileCalls().Move(temporary.c_str(), path.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        const DWORD error = LastErrorOr(ERROR_WRITE_FAULT);
        if (!Transient(error) || attempt == 20) return error;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

} // namespace

std::wstring TemporaryPathFor(const std::wstring& path) {
    return path + L".tmp";
}

DWORD ReplaceFileContents(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = TemporaryPathFor(path);
    DWORD error = WriteTemporary(temporary, bytes);
    if (error == ERROR_SUCCESS) error = RenameOver(temporary, path);
    if (error == ERROR_SUCCESS) return ERROR_SUCCESS;
    FileCalls().Delete(temporary.c_str());
    return error;
}
