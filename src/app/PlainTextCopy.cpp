#include "app/PlainTextCopy.h"

#include "framework/Error.h"
#include "framework/Handles.h"
#include "framework/Paths.h"

#include <windows.h>

namespace {

int IoErrorCode(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return 2;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return 3;
    case ERROR_TOO_MANY_OPEN_FILES:
        return 4;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return 5;
    case ERROR_HANDLE_EOF:
        return 100;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return 101;
    }
    return static_cast<int>(error);
}

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

} // namespace

std::wstring PlainTextPath() {
    return ExecutableRelativePath(L".txt");
}

std::string PlainTextBytes(const std::vector<std::wstring>& lines) {
    std::string out;
    for (const std::wstring& line : lines) {
        if (!line.empty()) {
            int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, line.data(),
                                        static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
            std::string bytes(static_cast<size_t>(n), '\0');
            WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, line.data(), static_cast<int>(line.size()),
                                bytes.data(), n, nullptr, nullptr);
            out += bytes;
        }
        out += "\r\n";
    }
    return out;
}

std::wstring IoErrorText(int code) {
    switch (code) {
    case 2:
        return L"File not found";
    case 3:
        return L"Invalid filename";
    case 4:
        return L"Too many open files";
    case 5:
        return L"File access denied";
    case 100:
        return L"Read beyond end of file";
    case 101:
        return L"Disk full";
    case 106:
        return L"Invalid numeric input";
    }
    return L"I/O error " + std::to_wstring(code);
}

void WritePlainText(const std::wstring& path, const std::string& bytes) {
    TFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw TError(IoErrorText(IoErrorCode(GetLastError())));
    if (!WriteAll(file.Get(), bytes)) throw TError(IoErrorText(IoErrorCode(GetLastError())));
}
