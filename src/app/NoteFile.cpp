#include "app/NoteFile.h"

#include "framework/Error.h"
#include "framework/Handles.h"
#include "framework/Paths.h"
#include "framework/SafeFile.h"
#include "framework/SystemError.h"

#include <windows.h>

namespace {

std::wstring CannotCreate(const std::wstring& path, DWORD error) {
    return L"Cannot create file \"" + path + L"\". " + SystemErrorText(error);
}

} // namespace

std::wstring DocumentPath() {
    return ExecutableRelativePath(L".RTF");
}

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
           ReadFile(file.Get(), bytes.data() + done,
                    static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20)), &read, nullptr) &&
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
    if (DWORD error = ReplaceFileContents(path, bytes)) throw TError(CannotCreate(path, error));
}

std::wstring SetAside(const std::wstring& path) {
    for (int n = 1;; ++n) {
        std::wstring aside = path + L".unreadable" + (n > 1 ? std::to_wstring(n) : L"");
        if (MoveFileW(path.c_str(), aside.c_str())) return aside;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return {};
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            throw TError(CannotCreate(path, error));
    }
}
