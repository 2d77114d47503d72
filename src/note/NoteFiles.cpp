#include "note/NoteFiles.h"

#include "framework/SystemError.h"
#include "note/NoteVersions.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

constexpr DWORD kChunk = 1u << 20;

DWORD Failed(DWORD fallback) {
    return LastErrorOr(fallback);
}

bool Exists(TFileCalls& calls, const std::wstring& path) {
    return calls.GetAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Reads up to `size` bytes into `buffer`; `read` is 0 only at the end of the file.
DWORD ReadSome(TFileCalls& calls, HANDLE file, char* buffer, DWORD size, DWORD& read) {
    read = 0;
    SetLastError(ERROR_SUCCESS);
    if (!calls.Read(file, buffer, size, &read)) return Failed(ERROR_READ_FAULT);
    return read > size ? ERROR_READ_FAULT : ERROR_SUCCESS;
}

DWORD Move(TFileCalls& calls, const std::wstring& from, const std::wstring& to, DWORD flags) {
    SetLastError(ERROR_SUCCESS);
    return calls.Move(from.c_str(), to.c_str(), flags) ? ERROR_SUCCESS : Failed(ERROR_WRITE_FAULT);
}

// Another program holds the note so that it cannot be replaced (it did not share deleting).
bool NoteHeld(TFileCalls& calls, const std::wstring& path) {
    SetLastError(ERROR_SUCCESS);
    TCallsFile file(calls, calls.Open(path.c_str(), GENERIC_READ | DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING));
    return !file && IsHeld(Failed(ERROR_OPEN_FAILED));
}

std::wstring Stamped(const std::wstring& path, const wchar_t* word, const SYSTEMTIME& when) {
    const std::wstring folder = FolderOf(path);
    const size_t dot = path.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot >= folder.size();
    wchar_t stamp[64];
    swprintf(stamp, std::size(stamp), L" (%ls %04u-%02u-%02u %02u-%02u-%02u)", word, when.wYear, when.wMonth,
             when.wDay, when.wHour, when.wMinute, when.wSecond);
    return hasExtension ? path.substr(0, dot) + stamp + path.substr(dot) : path + stamp;
}

std::string Identity(TFileCalls& calls, const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!calls.GetInfo(path.c_str(), &data)) return {};
    return std::to_string(data.nFileSizeHigh) + " " + std::to_string(data.nFileSizeLow) + " " +
           std::to_string(data.ftLastWriteTime.dwHighDateTime) + " " +
           std::to_string(data.ftLastWriteTime.dwLowDateTime);
}

} // namespace

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring FileNameOf(const std::wstring& path) {
    return path.substr(FolderOf(path).size());
}

std::wstring NoteTemporaryPath(const std::wstring& path) {
    // "~" first and ".tmp" last: the names sync clients and backup tools leave alone.
    return FolderOf(path) + L"~" + FileNameOf(path) + L".tmp";
}

std::wstring NoteBackupPath(const std::wstring& path) {
    return FolderOf(path) + L"~" + FileNameOf(path) + L".old.tmp";
}

std::wstring ConflictPath(const std::wstring& path, const SYSTEMTIME& when) {
    return Stamped(path, L"conflit", when);
}

std::wstring OriginalPath(const std::wstring& path, const SYSTEMTIME& when) {
    return Stamped(path, L"original", when);
}

std::wstring FreeName(TFileCalls& calls, const std::wstring& first) {
    std::wstring name = first;
    const size_t paren = first.find_last_of(L')');
    for (int n = 2; Exists(calls, name) && paren != std::wstring::npos; ++n)
        name = first.substr(0, paren) + L" " + std::to_wstring(n) + first.substr(paren);
    return name;
}

std::vector<std::wstring> EngineCopies(TFileCalls& calls, const std::wstring& note) {
    const std::wstring folder = FolderOf(note), name = FileNameOf(note);
    const size_t dot = name.find_last_of(L'.');
    const std::wstring stem = name.substr(0, dot),
                       extension = dot == std::wstring::npos ? L"" : name.substr(dot);
    std::vector<std::wstring> copies;
    for (const wchar_t* pattern : {L".sync-conflict-*", L" (*conflicted copy*)", L" (*copie en conflit*)"})
        for (const std::wstring& found : calls.List(folder, stem + pattern + extension))
            if (std::find(copies.begin(), copies.end(), folder + found) == copies.end())
                copies.push_back(folder + found);
    std::sort(copies.begin(), copies.end());
    return copies;
}

std::wstring SetAsideName(TFileCalls& calls, const std::wstring& path) {
    std::wstring name = path + L".unreadable";
    for (int n = 2; Exists(calls, name); ++n)
        name = path + L".unreadable" + std::to_wstring(n);
    return name;
}

std::wstring LoadMarkerPath(const std::wstring& path) {
    return path + L".loading";
}

DWORD StampOf(TFileCalls& calls, const std::wstring& path, TFileStamp& stamp) {
    stamp = {};
    WIN32_FILE_ATTRIBUTE_DATA data{};
    SetLastError(ERROR_SUCCESS);
    if (!calls.GetInfo(path.c_str(), &data)) {
        const DWORD error = Failed(ERROR_OPEN_FAILED);
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    stamp.Exists = true;
    stamp.Size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.LastWrite =
        (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return ERROR_SUCCESS;
}

DWORD ReadWhole(TFileCalls& calls, const std::wstring& path, std::string& bytes, DWORD access, DWORD share) {
    bytes.clear();
    SetLastError(ERROR_SUCCESS);
    TCallsFile file(calls, calls.Open(path.c_str(), access, share, OPEN_EXISTING));
    if (!file) return Failed(ERROR_OPEN_FAILED);
    LARGE_INTEGER size{};
    SetLastError(ERROR_SUCCESS);
    if (!calls.GetSize(file.Get(), &size)) return Failed(ERROR_READ_FAULT);
    if (size.QuadPart < 0) return ERROR_READ_FAULT;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    for (size_t done = 0; done < bytes.size();) {
        DWORD read = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kChunk));
        if (const DWORD error = ReadSome(calls, file.Get(), bytes.data() + done, chunk, read)) return error;
        // The file ended before its size: it shrank under us.
        if (read == 0) return ERROR_HANDLE_EOF;
        done += read;
    }
    // Whatever the size said, the note is all of the file.
    char more[4096];
    for (DWORD read = 1; read != 0;) {
        if (const DWORD error = ReadSome(calls, file.Get(), more, sizeof more, read)) return error;
        bytes.append(more, read);
    }
    return ERROR_SUCCESS;
}

DWORD WriteWhole(TFileCalls& calls, const std::wstring& path, const std::string& bytes, DWORD disposition) {
    DWORD error = ERROR_SUCCESS;
    {
        SetLastError(ERROR_SUCCESS);
        TCallsFile file(calls, calls.Open(path.c_str(), GENERIC_WRITE, 0, disposition));
        if (!file) return Failed(ERROR_CANNOT_MAKE);
        error = WriteAll(calls, file.Get(), bytes);
        SetLastError(ERROR_SUCCESS);
        if (!error && !calls.Flush(file.Get())) error = Failed(ERROR_WRITE_FAULT);
        // Every write said it took its bytes; the file must now hold them all.
        LARGE_INTEGER size{};
        SetLastError(ERROR_SUCCESS);
        if (!error && !calls.GetSize(file.Get(), &size)) error = Failed(ERROR_WRITE_FAULT);
        if (!error && static_cast<unsigned long long>(size.QuadPart) != bytes.size())
            error = ERROR_WRITE_FAULT;
    }
    if (error) calls.Delete(path.c_str());
    return error;
}

DWORD WriteKept(TFileCalls& calls, const std::wstring& path, const std::string& bytes, bool replace) {
    calls.CreateFolder(FolderOf(path).c_str());
    const std::wstring temporary = NoteTemporaryPath(path);
    if (const DWORD error = WriteWhole(calls, temporary, bytes, CREATE_ALWAYS)) return error;
    const DWORD error =
        Move(calls, temporary, path, (replace ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH);
    if (error) calls.Delete(temporary.c_str());
    return error;
}

DWORD WriteNewCopy(TFileCalls& calls, const std::wstring& first, const std::string& bytes,
                   std::wstring& kept) {
    // Whatever the folder says of its names, a copy never takes the place of another: a name that
    // turns out taken moves on to the next number.
    kept = FreeName(calls, first);
    const size_t paren = first.find_last_of(L')');
    DWORD error = ERROR_SUCCESS;
    for (int n = 2; n < 100; ++n) {
        error = WriteKept(calls, kept, bytes, false);
        if ((error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) || paren == std::wstring::npos)
            break;
        kept = first.substr(0, paren) + L" " + std::to_wstring(n) + first.substr(paren);
    }
    return error;
}

bool IsHeld(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

TReplaced ReplaceNote(TFileCalls& calls, const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = NoteTemporaryPath(path);
    const std::wstring backup = NoteBackupPath(path);
    TReplaced result;
    const auto failed = [&](DWORD error) {
        calls.Delete(temporary.c_str());
        result.Error = error;
        result.Outcome = IsHeld(error) || NoteHeld(calls, path) ? TReplaced::rdHeld : TReplaced::rdFailed;
        return result;
    };
    const auto written = [&] {
        if (Exists(calls, temporary)) calls.Delete(temporary.c_str());
        if (Exists(calls, backup)) calls.Delete(backup.c_str());
        result.Outcome = TReplaced::rdWritten;
        return result;
    };
    const DWORD attributes = calls.GetAttributes(path.c_str());
    const bool noteThere = attributes != INVALID_FILE_ATTRIBUTES;
    // A file the user made read-only is not replaced, whatever the file system would allow.
    if (noteThere && (attributes & FILE_ATTRIBUTE_READONLY)) {
        result.Error = ERROR_ACCESS_DENIED;
        return result;
    }
    // Never call the replacement on a note another program holds: it would fail all the same, and
    // some systems leave a stray file for each attempt.
    if (noteThere && NoteHeld(calls, path)) {
        result.Error = ERROR_SHARING_VIOLATION;
        result.Outcome = TReplaced::rdHeld;
        return result;
    }
    if (const DWORD error = WriteWhole(calls, temporary, bytes, CREATE_ALWAYS)) return failed(error);
    if (!noteThere) {
        const DWORD error = Move(calls, temporary, path, MOVEFILE_WRITE_THROUGH);
        return error ? failed(error) : written();
    }
    // The note as it was goes to the backup name for a moment, so that a replacement that fails
    // half-way leaves it where it can be put back.
    if (Exists(calls, backup)) calls.Delete(backup.c_str());
    SetLastError(ERROR_SUCCESS);
    if (calls.Replace(path.c_str(), temporary.c_str(), backup.c_str())) return written();
    const DWORD error = Failed(ERROR_UNABLE_TO_REMOVE_REPLACED);
    if (Exists(calls, path)) {
        // Nothing moved (refused, or the new file held for a moment): the rename does the same job.
        if (!Move(calls, temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return written();
        return failed(error);
    }
    // The note went to the backup name and its replacement did not follow.
    if (!Move(calls, temporary, path, MOVEFILE_WRITE_THROUGH)) return written();
    if (Exists(calls, backup) && !Move(calls, backup, path, MOVEFILE_WRITE_THROUGH)) return failed(error);
    // Neither name can be moved: the note is written in place of its own.
    if (!Exists(calls, path) && !WriteWhole(calls, path, bytes, CREATE_NEW)) return written();
    calls.Delete(temporary.c_str());
    result.Error = error;
    if (!Exists(calls, path) && Exists(calls, backup)) result.OldNoteAt = backup;
    return result;
}

std::wstring VersionCopyPath(const std::wstring& path) {
    return FolderOf(path) + L"~" + FileNameOf(path) + L".1.tmp";
}

bool ClearUpAfterCutSave(TFileCalls& calls, const std::wstring& path, const std::wstring& rescue) {
    const std::wstring temporary = NoteTemporaryPath(path);
    const std::wstring backup = NoteBackupPath(path);
    const std::wstring older = path + L".tmp"; // the name earlier versions wrote to
    bool fromTemporary = false;
    if (!Exists(calls, path)) {
        // Cut between the replacement's two renames, the new note was whole: it goes in place.
        // Cut while it was written, the backup is the note; without one, what was written is all
        // there is of it.
        if (Exists(calls, backup) && Exists(calls, temporary) && !Move(calls, temporary, path, 0))
            fromTemporary = true;
        else if (Exists(calls, backup))
            Move(calls, backup, path, 0);
        else
            for (const std::wstring& left : {temporary, older})
                if (Exists(calls, left) && !Move(calls, left, path, 0)) {
                    fromTemporary = true;
                    break;
                }
    }
    if (Exists(calls, path))
        for (const std::wstring& left : {temporary, backup, older, VersionCopyPath(path)})
            if (Exists(calls, left)) calls.Delete(left.c_str());
    SweepKeptTemporaries(calls, path, rescue);
    return fromTemporary;
}

bool SweepKeptTemporaries(TFileCalls& calls, const std::wstring& path, const std::wstring& rescue) {
    // The copies kept beside the note and the rescue copies are written through temporary files
    // of their own: a kill leaves them, never the copies' own files cut.
    bool swept = true;
    const auto sweep = [&](const std::wstring& folder, const std::wstring& pattern) {
        SetLastError(ERROR_SUCCESS);
        const std::vector<std::wstring> left = calls.List(folder, pattern);
        const DWORD error = GetLastError();
        if (left.empty() && error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND &&
            error != ERROR_NO_MORE_FILES && error != ERROR_PATH_NOT_FOUND)
            swept = false;
        for (const std::wstring& name : left)
            if (!calls.Delete((folder + name).c_str())) swept = false;
    };
    const std::wstring name = FileNameOf(path);
    const std::wstring stem = name.substr(0, name.find_last_of(L'.'));
    sweep(FolderOf(path), L"~" + stem + L" (*.tmp");
    sweep(VersionsFolder(path), L"~" + stem + L" *.tmp");
    if (!rescue.empty()) {
        const std::wstring rescueName = FileNameOf(rescue);
        sweep(FolderOf(rescue), L"~" + rescueName.substr(0, rescueName.find_last_of(L'.')) + L"*.tmp");
    }
    return swept;
}

bool ClearUpAfterSave(TFileCalls& calls, const std::wstring& path, bool restore) {
    // Without the note, after a replacement that could not put it back or a start that could not,
    // the backup or the new note may be all there is of it: it goes in place. Otherwise they are
    // what a finished save left, older than what was deleted since, and they go.
    if (restore && !Exists(calls, path)) {
        ClearUpAfterCutSave(calls, path);
        if (!Exists(calls, path))
            return !Exists(calls, NoteBackupPath(path)) && !Exists(calls, NoteTemporaryPath(path));
    }
    // Deleted whether or not the folder says they are there: a look that fails is no answer.
    bool clear = true;
    for (const std::wstring& left : {NoteTemporaryPath(path), NoteBackupPath(path), VersionCopyPath(path)}) {
        SetLastError(ERROR_SUCCESS);
        if (calls.Delete(left.c_str())) continue;
        const DWORD error = Failed(ERROR_ACCESS_DENIED);
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) clear = false;
    }
    return clear;
}

int LoadsNeverReturned(TFileCalls& calls, const std::wstring& path, const std::wstring& given) {
    const std::wstring marker = given.empty() ? LoadMarkerPath(path) : given;
    std::string text;
    if (const DWORD error =
            ReadWhole(calls, marker, text, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE)) {
        // A mark that is there but cannot be read may count loads that never returned: the worst
        // is assumed, and the note is not read this time.
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : kLoadsBeforeRefusal;
    }
    if (text.empty()) return 0;
    const std::string identity = Identity(calls, path);
    const size_t line = text.find('\n');
    int loads = 1; // a mark without a count was left by one load
    if (line != std::string::npos) {
        loads = 0;
        for (size_t i = line + 1; i < text.size() && text[i] >= '0' && text[i] <= '9' && loads < 1000; ++i)
            loads = loads * 10 + (text[i] - '0');
        loads = std::max(loads, 1);
    }
    if (!identity.empty() && text.substr(0, line) == identity) return loads;
    // A mark for another file: that file has been replaced since.
    calls.Delete(marker.c_str());
    return 0;
}

DWORD MarkLoad(TFileCalls& calls, const std::wstring& path, int loads, const std::wstring& marker) {
    return WriteWhole(calls, marker.empty() ? LoadMarkerPath(path) : marker,
                      Identity(calls, path) + "\n" + std::to_string(loads), CREATE_ALWAYS);
}

bool UnmarkLoad(TFileCalls& calls, const std::wstring& path, const std::wstring& marker) {
    const std::wstring mark = marker.empty() ? LoadMarkerPath(path) : marker;
    SetLastError(ERROR_SUCCESS);
    if (calls.Delete(mark.c_str())) return true;
    const DWORD error = Failed(ERROR_ACCESS_DENIED);
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
