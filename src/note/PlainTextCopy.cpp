#include "note/PlainTextCopy.h"

#include "framework/Error.h"
#include "framework/Paths.h"
#include "framework/SafeFile.h"

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

} // namespace

std::wstring PlainTextPath() {
    return ExecutableRelativePath(L".txt");
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
    if (const DWORD error = ReplaceFileContents(path, bytes)) throw TError(IoErrorText(IoErrorCode(error)));
}
