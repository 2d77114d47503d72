#include "note/StoredNote.h"

#include "note/NoteFile.h"
#include "framework/Error.h"
#include "framework/FileCalls.h"
#include "framework/SafeFile.h"
#include "framework/SystemError.h"

#include <cstdio>

namespace {

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash + 1);
}

TError CannotCreate(const std::wstring& path, DWORD error) {
    return TError(L"Cannot create file \"" + path + L"\". " + SystemErrorText(error));
}

} // namespace

TFileStamp StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    SetLastError(ERROR_SUCCESS);
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = LastErrorOr(ERROR_OPEN_FAILED);
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
        throw TError(L"Cannot open file \"" + path + L"\". " + SystemErrorText(error));
    }
    TFileStamp stamp;
    stamp.Exists = true;
    stamp.Size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.LastWrite =
        (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

std::wstring ConflictPath(const std::wstring& path, const SYSTEMTIME& when) {
    const std::wstring folder = FolderOf(path);
    const size_t dot = path.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot >= folder.size();
    wchar_t stamp[48];
    swprintf(stamp, std::size(stamp), L" (conflit %04u-%02u-%02u %02u-%02u-%02u)", when.wYear, when.wMonth,
             when.wDay, when.wHour, when.wMinute, when.wSecond);
    return hasExtension ? path.substr(0, dot) + stamp + path.substr(dot) : path + stamp;
}

TStoredNote::TStoredNote(std::wstring path) : FPath(std::move(path)) {
    FWatch = FindFirstChangeNotificationW(FolderOf(FPath).c_str(), FALSE,
                                          FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                                              FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (FWatch == INVALID_HANDLE_VALUE) FWatch = nullptr;
}

TStoredNote::~TStoredNote() {
    if (FWatch) FindCloseChangeNotification(FWatch);
}

void TStoredNote::Rearm() {
    if (FWatch && !FindNextChangeNotification(FWatch)) {
        // A watch that cannot go on would fire for ever: the caller falls back to looking now and then.
        FindCloseChangeNotification(FWatch);
        FWatch = nullptr;
    }
}

void TStoredNote::Remember(std::shared_ptr<const std::string> bytes, const TFileStamp& stamp) {
    FStamp = stamp;
    FKnown = std::move(bytes);
}

void TStoredNote::Forget() {
    FStamp = {};
    FKnown.reset();
}

std::string TStoredNote::Read() {
    const TFileStamp before = StampOf(FPath);
    std::string bytes = ReadDocumentFile(FPath);
    // Written while it was read: what was read is known, but not as the file's present state.
    Remember(std::make_shared<const std::string>(bytes), StampOf(FPath) == before ? before : TFileStamp{});
    return bytes;
}

TStoredCheck TStoredNote::Check() {
    TStoredCheck result;
    try {
        const TFileStamp now = StampOf(FPath);
        if (now == FStamp) return result;
        if (!now.Exists) {
            Forget();
            result.Change = scGone;
            return result;
        }
        // No waiting here: the user may be typing. A file held by its writer is looked at again.
        result.Bytes = ReadDocumentFile(FPath, false);
        if (StampOf(FPath) != now) {
            // Still being written: the next look decides.
            result.Change = scUnreadable;
            result.Bytes.clear();
            return result;
        }
        FSeen = now;
        if (FKnown && result.Bytes == *FKnown) {
            FStamp = now;
            result.Change = scTouched;
            result.Bytes.clear();
            return result;
        }
        result.Change = scChanged;
    } catch (const TError& error) {
        result.Change = scUnreadable;
        result.Bytes.clear();
        result.Error = error.Message();
    }
    return result;
}

void TStoredNote::Accept(const std::string& bytes) {
    Remember(std::make_shared<const std::string>(bytes), FSeen);
}

bool TStoredNote::Holds(const std::string& bytes) const {
    return FStamp.Exists && FKnown && bytes == *FKnown;
}

void TStoredNote::KeepVersions() {
    if (FVersionsKept) return;
    FVersionsKept = true;
    if (!StampOf(FPath).Exists) return;
    // Extra safety, not the save itself: a version that cannot be kept does not stop the save.
    TFileCalls& calls = FileCalls();
    calls.Delete(VersionPath(kKeptVersions).c_str());
    for (int n = kKeptVersions - 1; n >= 1; --n)
        calls.Move(VersionPath(n).c_str(), VersionPath(n + 1).c_str(), MOVEFILE_REPLACE_EXISTING);
    CopyFileW(FPath.c_str(), VersionPath(1).c_str(), FALSE);
}

void TStoredNote::Write(const std::string& bytes) {
    Write(std::make_shared<const std::string>(bytes));
}

void TStoredNote::Write(std::shared_ptr<const std::string> bytes) {
    KeepVersions();
    if (const DWORD error = ReplaceFileContents(FPath, *bytes)) throw CannotCreate(FPath, error);
    TFileStamp stamp;
    try {
        stamp = StampOf(FPath);
    } catch (const TError&) {
        // Unknown: the next check reads the file again.
    }
    Remember(std::move(bytes), stamp);
}

std::wstring TStoredNote::KeepConflict(const std::string& theirs) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::wstring first = ConflictPath(FPath, now);
    std::wstring path = first;
    for (int n = 2; StampOf(path).Exists; ++n) {
        const size_t paren = first.find_last_of(L')');
        path = first.substr(0, paren) + L" " + std::to_wstring(n) + first.substr(paren);
    }
    if (const DWORD error = ReplaceFileContents(path, theirs)) throw CannotCreate(path, error);
    return path;
}
