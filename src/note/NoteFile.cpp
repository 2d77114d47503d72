#include "note/NoteFile.h"

#include "framework/Error.h"
#include "framework/FileCalls.h"
#include "framework/Handles.h"
#include "framework/Paths.h"
#include "framework/SafeFile.h"
#include "framework/SystemError.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <chrono>
#include <thread>

namespace {

constexpr DWORD kReadChunk = 1u << 20;
// Another program holding the file for a moment (a backup tool, a virus scanner, a sync client).
constexpr auto kOpenPatience = std::chrono::seconds(2);

std::wstring CannotCreate(const std::wstring& path, DWORD error) {
    return L"Cannot create file \"" + path + L"\". " + SystemErrorText(error);
}

TError CannotOpen(const std::wstring& path, DWORD error) {
    return TError(L"Cannot open file \"" + path + L"\". " + SystemErrorText(error));
}

TFileHandle OpenForReading(const std::wstring& path, bool patient) {
    const auto deadline =
        std::chrono::steady_clock::now() + (patient ? kOpenPatience : std::chrono::seconds(0));
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        TFileHandle file(FileCalls().Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        if (file) return file;
        const DWORD error = LastErrorOr(ERROR_OPEN_FAILED);
        if (error != ERROR_SHARING_VIOLATION || std::chrono::steady_clock::now() >= deadline)
            throw CannotOpen(path, error);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Reads up to `size` bytes; 0 only at the end of the file.
DWORD ReadSome(const std::wstring& path, HANDLE file, char* buffer, DWORD size) {
    DWORD read = 0;
    SetLastError(ERROR_SUCCESS);
    if (!FileCalls().Read(file, buffer, size, &read)) throw CannotOpen(path, LastErrorOr(ERROR_READ_FAULT));
    if (read > size) throw CannotOpen(path, ERROR_READ_FAULT);
    return read;
}

// What tells one stored file from another: its size and the time it was last written.
std::string Identity(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return std::to_string(data.nFileSizeHigh) + " " + std::to_string(data.nFileSizeLow) + " " +
           std::to_string(data.ftLastWriteTime.dwHighDateTime) + " " +
           std::to_string(data.ftLastWriteTime.dwLowDateTime);
}

// The mark holds the file's identity, then a line with the count of loads begun.
struct TMark {
    std::string Identity;
    int Loads = 0;
};

std::string ReadMarker(const std::wstring& marker) {
    TFileHandle file(CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    char buffer[256];
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) return {};
    return std::string(buffer, read);
}

TMark ReadMark(const std::wstring& marker) {
    const std::string text = ReadMarker(marker);
    if (text.empty()) return {};
    const size_t line = text.find('\n');
    // A mark without a count was left by one load.
    if (line == std::string::npos) return {text, 1};
    int loads = 0;
    for (size_t i = line + 1; i < text.size() && text[i] >= '0' && text[i] <= '9' && loads < 1000; ++i)
        loads = loads * 10 + (text[i] - '0');
    return {text.substr(0, line), std::max(loads, 1)};
}

} // namespace

std::wstring DocumentPath() {
    return ExecutableRelativePath(L".RTF");
}

std::wstring RescuePath() {
    return UserDataPath(L".RTF");
}

void WriteRescueCopy(const std::string& bytes) {
    const std::wstring path = RescuePath();
    CreateDirectoryW(path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    ReplaceFileSafely(path, bytes);
}

bool DocumentExists(const std::wstring& path) {
    SetLastError(ERROR_SUCCESS);
    if (FileCalls().GetAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = LastErrorOr(ERROR_OPEN_FAILED);
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    throw CannotOpen(path, error);
}

std::string ReadDocumentFile(const std::wstring& path, bool patient) {
    TFileHandle file = OpenForReading(path, patient);
    LARGE_INTEGER size{};
    SetLastError(ERROR_SUCCESS);
    if (!FileCalls().GetSize(file.Get(), &size)) throw CannotOpen(path, LastErrorOr(ERROR_READ_FAULT));
    if (size.QuadPart < 0) throw CannotOpen(path, ERROR_READ_FAULT);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    for (size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kReadChunk));
        const DWORD read = ReadSome(path, file.Get(), bytes.data() + done, chunk);
        // The file ended before its size: it shrank under us.
        if (read == 0) throw CannotOpen(path, ERROR_HANDLE_EOF);
        done += read;
    }
    // Whatever the size said, the note is all of the file.
    char more[4096];
    while (const DWORD read = ReadSome(path, file.Get(), more, sizeof more))
        bytes.append(more, read);
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

std::string WithoutFinalParagraphMark(const std::string& rtf) {
    if (rtf.rfind("{\\rtf", 0) != 0) return rtf;
    // Only closing braces and white space may follow the mark.
    size_t end = rtf.size();
    while (end > 0 && (rtf[end - 1] == '}' || isspace(static_cast<unsigned char>(rtf[end - 1]))))
        --end;
    if (end < 4 || rtf.compare(end - 4, 4, "\\par") != 0) return rtf;
    const size_t mark = end - 4;
    // "\\par" is an escaped backslash followed by letters, not the control word.
    size_t backslashes = 0;
    while (mark > backslashes && rtf[mark - 1 - backslashes] == '\\')
        ++backslashes;
    if (backslashes % 2 != 0) return rtf;
    return rtf.substr(0, mark) + rtf.substr(end);
}

void ReplaceFileSafely(const std::wstring& path, const std::string& bytes) {
    if (DWORD error = ReplaceFileContents(path, bytes)) throw TError(CannotCreate(path, error));
}

namespace {

std::wstring SetAsideName(const std::wstring& path, int n) {
    return path + L".unreadable" + (n > 1 ? std::to_wstring(n) : L"");
}

} // namespace

std::wstring SetAsideName(const std::wstring& path) {
    int n = 1;
    while (GetFileAttributesW(SetAsideName(path, n).c_str()) != INVALID_FILE_ATTRIBUTES)
        ++n;
    return SetAsideName(path, n);
}

std::wstring SetAside(const std::wstring& path) {
    for (int n = 1, attempt = 0;;) {
        std::wstring aside = SetAsideName(path, n);
        SetLastError(ERROR_SUCCESS);
        if (FileCalls().Move(path.c_str(), aside.c_str(), 0)) {
            DeleteFileW(LoadMarkerPath(path).c_str()); // the mark was for the file now set aside
            return aside;
        }
        const DWORD error = LastErrorOr(ERROR_WRITE_FAULT);
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
            ++n;
        } else if (error == ERROR_SHARING_VIOLATION && ++attempt <= 20) {
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        } else {
            throw TError(CannotCreate(path, error));
        }
    }
}

std::wstring LoadMarkerPath(const std::wstring& path) {
    return path + L".loading";
}

TLoadInProgress::TLoadInProgress(const std::wstring& path) : FMarker(LoadMarkerPath(path)) {
    // Without the mark the load goes on all the same: the scan before it still stands guard.
    const std::string identity = Identity(path);
    const TMark before = ReadMark(FMarker);
    const int loads = (before.Identity == identity ? before.Loads : 0) + 1;
    const std::string mark = identity + "\n" + std::to_string(loads);
    TFileHandle file(CreateFileW(FMarker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.Get(), mark.data(), static_cast<DWORD>(mark.size()), &written, nullptr);
}

TLoadInProgress::~TLoadInProgress() {
    DeleteFileW(FMarker.c_str());
}

int LoadsNeverReturned(const std::wstring& path) {
    const std::wstring marker = LoadMarkerPath(path);
    if (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
    const std::string identity = Identity(path);
    const TMark mark = ReadMark(marker);
    if (!identity.empty() && mark.Identity == identity) return mark.Loads;
    DeleteFileW(marker.c_str());
    return 0;
}

bool LoadNeverReturned(const std::wstring& path) {
    return LoadsNeverReturned(path) >= kLoadsBeforeRefusal;
}

std::wstring OriginalCopyPath(const std::wstring& path) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t stamp[48];
    swprintf(stamp, std::size(stamp), L" (original %04u-%02u-%02u %02u-%02u-%02u", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, now.wSecond);
    const size_t slash = path.find_last_of(L"\\/");
    const size_t dot = path.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    const std::wstring base = hasExtension ? path.substr(0, dot) : path;
    const std::wstring extension = hasExtension ? path.substr(dot) : L"";
    std::wstring copy = base + stamp + L")" + extension;
    for (int n = 2; GetFileAttributesW(copy.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
        copy = base + stamp + L" " + std::to_wstring(n) + L")" + extension;
    return copy;
}

bool HeldByAnotherProgram(const std::wstring& path) {
    SetLastError(ERROR_SUCCESS);
    TFileHandle file(FileCalls().Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    return !file && GetLastError() == ERROR_SHARING_VIOLATION;
}
