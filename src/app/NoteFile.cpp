#include "app/NoteFile.h"

#include "framework/Error.h"
#include "framework/Handles.h"
#include "framework/Paths.h"
#include "framework/SystemError.h"

#include <windows.h>

#include <thread>

namespace {

std::wstring CannotCreate(const std::wstring& path, DWORD error) {
    return L"Cannot create file \"" + path + L"\". " + SystemErrorText(error);
}

// Another program reading the document (a backup tool, a virus scanner) holds it for a moment.
bool Transient(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED; }

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

int IoErrorCode(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return 2;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return 3;
    case ERROR_TOO_MANY_OPEN_FILES: return 4;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return 5;
    case ERROR_HANDLE_EOF: return 100;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return 101;
    }
    return static_cast<int>(error);
}

} // namespace

std::wstring DocumentPath() { return ExecutableRelativePath(L".RTF"); }
std::wstring PlainTextPath() { return ExecutableRelativePath(L".txt"); }

std::string ReadDocumentFile(const std::wstring& path) {
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw TError(L"Cannot open file \"" + path + L"\". " + SystemErrorText(GetLastError()));
    LARGE_INTEGER size{};
    GetFileSizeEx(file.Get(), &size);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    size_t done = 0;
    while (done < bytes.size() &&
           ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20)),
                    &read, nullptr) &&
           read > 0)
        done += read;
    bytes.resize(done);
    return bytes;
}

std::string PrepareForEditor(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 32);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\0') continue;
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

void ReplaceFileSafely(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L".tmp";
    DWORD error = ERROR_SUCCESS;
    {
        TFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) throw TError(CannotCreate(path, GetLastError()));
        if (!WriteAll(file.Get(), bytes) || !FlushFileBuffers(file.Get())) error = GetLastError();
    }
    if (error == ERROR_SUCCESS) {
        for (int attempt = 0;; ++attempt) {
            if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return;
            error = GetLastError();
            if (!Transient(error) || attempt == 20) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    DeleteFileW(temporary.c_str());
    throw TError(CannotCreate(path, error ? error : ERROR_WRITE_FAULT));
}

std::wstring SetAside(const std::wstring& path) {
    for (int n = 1;; ++n) {
        std::wstring aside = path + L".unreadable" + (n > 1 ? std::to_wstring(n) : L"");
        if (MoveFileW(path.c_str(), aside.c_str())) return aside;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return {};
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) throw TError(CannotCreate(path, error));
    }
}

std::string PlainTextBytes(const std::vector<std::wstring>& lines) {
    std::string out;
    for (const std::wstring& line : lines) {
        if (!line.empty()) {
            int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, line.data(), static_cast<int>(line.size()),
                                        nullptr, 0, nullptr, nullptr);
            std::string bytes(static_cast<size_t>(n), '\0');
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, line.data(), static_cast<int>(line.size()), bytes.data(),
                                n, nullptr, nullptr);
            out += bytes;
        }
        out += "\r\n";
    }
    return out;
}

std::wstring IoErrorText(int code) {
    switch (code) {
    case 2: return L"File not found";
    case 3: return L"Invalid filename";
    case 4: return L"Too many open files";
    case 5: return L"File access denied";
    case 100: return L"Read beyond end of file";
    case 101: return L"Disk full";
    case 106: return L"Invalid numeric input";
    }
    return L"I/O error " + std::to_wstring(code);
}

void WritePlainText(const std::wstring& path, const std::string& bytes) {
    TFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw TError(IoErrorText(IoErrorCode(GetLastError())));
    if (!WriteAll(file.Get(), bytes)) throw TError(IoErrorText(IoErrorCode(GetLastError())));
}
