#include "note/sim/SimDiskParts.h"

using namespace simdisk;

using namespace std::string_literals;

// The program's calls, as Windows answers them.

HANDLE TSimDisk::Open(const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
    const std::wstring what = L"Open "s + std::wstring(path);
    auto failed = [&](DWORD error) {
        SetLastError(error);
        Trace(what, false);
        return INVALID_HANDLE_VALUE;
    };
    if (auto error = Enter(TSimCall::scOpen, path)) return failed(*error);
    const std::wstring key = Key(path);
    if (FolderExists(key)) return failed(ERROR_ACCESS_DENIED);
    if (!FolderExists(ParentKey(key))) return failed(ERROR_PATH_NOT_FOUND);
    TFilePtr file = Find(path);
    if (file && file->DeletePending) return failed(ERROR_ACCESS_DENIED);
    if (file && disposition == CREATE_NEW) return failed(ERROR_FILE_EXISTS);
    if (!file && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING))
        return failed(ERROR_FILE_NOT_FOUND);
    const bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    std::vector<TChange> changes;
    DWORD result = ERROR_SUCCESS;
    if (!file) {
        if (ReadOnlyFolder(ParentKey(key))) return failed(ERROR_ACCESS_DENIED);
        file = Create(path);
    } else {
        if ((file->Attributes & FILE_ATTRIBUTE_READONLY) && (Writes(access) || Deletes(access) || truncates))
            return failed(ERROR_ACCESS_DENIED);
        if (!SharingAllows(*file, access, share)) return failed(ERROR_SHARING_VIOLATION);
        if (truncates && !file->Bytes.empty()) {
            changes.push_back({file->Path, file->Bytes, {}});
            file->Bytes.clear();
            file->Written = Stamp();
            Touched(file->Path);
        }
        if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) result = ERROR_ALREADY_EXISTS;
    }
    const HANDLE handle = NewHandle(file, access, share, true);
    SetLastError(result);
    Trace(what, true);
    Notify(changes);
    SetLastError(result);
    return handle;
}

BOOL TSimDisk::Close(HANDLE value) {
    if (FDead) return Fail(ERROR_INVALID_HANDLE);
    THandle* handle = Handle(value);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    const TFilePtr file = handle->File;
    FHandles.erase(reinterpret_cast<UINT_PTR>(value));
    if (file->DeletePending && !Opened(*file)) Erase(file);
    return TRUE;
}

BOOL TSimDisk::GetSize(HANDLE value, LARGE_INTEGER* size) {
    THandle* handle = Handle(value);
    if (!handle) return Fail(FDead ? ERROR_OPERATION_ABORTED : ERROR_INVALID_HANDLE);
    if (auto error = Enter(TSimCall::scGetSize, handle->File->Path)) return Fail(*error);
    size->QuadPart = static_cast<LONGLONG>(handle->File->Bytes.size());
    return TRUE;
}

BOOL TSimDisk::Read(HANDLE value, void* buffer, DWORD size, DWORD* read) {
    *read = 0;
    THandle* handle = Handle(value);
    if (!handle) return Fail(FDead ? ERROR_OPERATION_ABORTED : ERROR_INVALID_HANDLE);
    if (auto error = Enter(TSimCall::scRead, handle->File->Path)) return Fail(*error);
    if (!Reads(handle->Access)) return Fail(ERROR_ACCESS_DENIED);
    const std::string& bytes = handle->File->Bytes;
    const size_t count =
        handle->Position >= bytes.size() ? 0 : std::min<size_t>(size, bytes.size() - handle->Position);
    std::copy_n(bytes.data() + handle->Position, count, static_cast<char*>(buffer));
    handle->Position += count;
    *read = static_cast<DWORD>(count);
    return TRUE;
}

BOOL TSimDisk::Write(HANDLE value, const void* data, DWORD size, DWORD* written) {
    *written = 0;
    THandle* handle = Handle(value);
    if (!handle) return Fail(FDead ? ERROR_OPERATION_ABORTED : ERROR_INVALID_HANDLE);
    const TFilePtr file = handle->File;
    if (auto error = Enter(TSimCall::scWrite, file->Path)) return Fail(*error);
    if (!Writes(handle->Access)) return Fail(ERROR_ACCESS_DENIED);
    const size_t end = handle->Position + size;
    const ULONGLONG growth = end > file->Bytes.size() ? end - file->Bytes.size() : 0;
    const ULONGLONG free = FreeBytes(file->Path);
    const DWORD fits = growth > free ? static_cast<DWORD>(size - (growth - free)) : size;
    const std::string before = file->Bytes;
    if (fits > 0) {
        if (handle->Position + fits > file->Bytes.size()) file->Bytes.resize(handle->Position + fits);
        std::copy_n(static_cast<const char*>(data), fits,
                    file->Bytes.begin() + static_cast<ptrdiff_t>(handle->Position));
        handle->Position += fits;
        file->Written = Stamp();
        Touched(file->Path);
    }
    *written = fits;
    Notify({{file->Path, before, file->Bytes}});
    if (fits < size) {
        SetLastError(ERROR_DISK_FULL);
        Trace(L"Write "s + file->Path, false);
        return FALSE;
    }
    return TRUE;
}

BOOL TSimDisk::Flush(HANDLE value) {
    THandle* handle = Handle(value);
    if (!handle) return Fail(FDead ? ERROR_OPERATION_ABORTED : ERROR_INVALID_HANDLE);
    if (auto error = Enter(TSimCall::scFlush, handle->File->Path)) return Fail(*error);
    if (!Writes(handle->Access)) return Fail(ERROR_ACCESS_DENIED);
    return TRUE;
}

BOOL TSimDisk::Move(const wchar_t* fromPath, const wchar_t* toPath, DWORD flags) {
    const std::wstring what = L"Move "s + std::wstring(fromPath) + L" -> " + toPath;
    auto failed = [&](DWORD error) {
        SetLastError(error);
        Trace(what, false);
        return FALSE;
    };
    if (auto error = Enter(TSimCall::scMove, std::wstring(fromPath) + L"|" + toPath)) return failed(*error);
    const TFilePtr from = Find(fromPath);
    if (!from) return failed(FolderExists(fromPath) ? ERROR_ACCESS_DENIED : Missing(fromPath));
    if (from->DeletePending) return failed(ERROR_ACCESS_DENIED);
    const std::wstring toKey = Key(toPath);
    if (!FolderExists(ParentKey(toKey))) return failed(ERROR_PATH_NOT_FOUND);
    if (ReadOnlyFolder(ParentKey(Key(fromPath))) || ReadOnlyFolder(ParentKey(toKey)))
        return failed(ERROR_ACCESS_DENIED);
    if (HeldWithoutDeleteShare(*from)) return failed(ERROR_SHARING_VIOLATION);
    if (FolderExists(toKey)) return failed(ERROR_ACCESS_DENIED);
    std::vector<TChange> changes;
    const TFilePtr to = Find(toPath);
    if (to && to != from) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) return failed(ERROR_ALREADY_EXISTS);
        // Classic rename semantics: an open or read-only target is not replaced.
        if ((to->Attributes & FILE_ATTRIBUTE_READONLY) || to->DeletePending || Opened(*to))
            return failed(ERROR_ACCESS_DENIED);
        changes.push_back({to->Path, to->Bytes, from->Bytes});
        Erase(to);
    } else if (to != from) {
        changes.push_back({toPath, {}, from->Bytes});
    }
    if (to != from) changes.push_back({from->Path, from->Bytes, {}});
    Rename(from, toPath);
    Trace(what, true);
    Notify(changes);
    return TRUE;
}

// ReplaceFileW as documented: the replaced file goes to the backup (or away), the replacement
// takes its name and keeps its attributes; each step that fails leaves its own state and code.
BOOL TSimDisk::Replace(const wchar_t* replacedPath, const wchar_t* replacementPath,
                       const wchar_t* backupPath) {
    const std::wstring what = L"Replace "s + std::wstring(replacedPath) + L" <- " + replacementPath +
                              (backupPath ? L" backup "s + std::wstring(backupPath) : L"");
    auto failed = [&](DWORD error) {
        SetLastError(error);
        Trace(what, false);
        return FALSE;
    };
    if (auto error = Enter(TSimCall::scReplace, std::wstring(replacedPath) + L"|" + replacementPath))
        return failed(*error);
    const TFilePtr replaced = Find(replacedPath);
    const TFilePtr replacement = Find(replacementPath);
    if (!replaced || !replacement) return failed(ERROR_FILE_NOT_FOUND);
    if (replaced == replacement) return failed(ERROR_INVALID_PARAMETER);
    const std::wstring folderKey = ParentKey(Key(replaced->Path));
    if ((replaced->Attributes & FILE_ATTRIBUTE_READONLY) || ReadOnlyFolder(folderKey) ||
        ReadOnlyFolder(ParentKey(Key(replacement->Path))))
        return failed(ERROR_ACCESS_DENIED);
    if (backupPath && !FolderExists(ParentKey(Key(backupPath)))) return failed(ERROR_PATH_NOT_FOUND);

    std::optional<TReplaceStep> step;
    for (auto fault = FFaults.begin(); fault != FFaults.end(); ++fault) {
        if (!fault->Step) continue;
        step = fault->Step;
        if (--fault->Count <= 0) FFaults.erase(fault);
        break;
    }
    const TFilePtr backup = backupPath ? Find(backupPath) : nullptr;
    const bool backupStuck = backup && backup != replacement && (backup->DeletePending || Opened(*backup));
    if (step == TReplaceStep::rsRemoveReplaced || replaced->DeletePending ||
        HeldWithoutDeleteShare(*replaced) || backupStuck) {
        // Wine makes its temporary name before it finds it cannot move the file there.
        if (FWineStrays && !step) Create(StrayName(folderKey));
        return failed(ERROR_UNABLE_TO_REMOVE_REPLACED);
    }

    std::vector<TChange> changes;
    const std::wstring replacedName = replaced->Path;
    if (step == TReplaceStep::rsMoveReplacement || replacement->DeletePending ||
        HeldWithoutDeleteShare(*replacement)) {
        if (!backupPath) {
            changes.push_back({replacedName, replaced->Bytes, {}});
            Erase(replaced);
        }
        Notify(changes);
        return failed(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
    }
    // The replaced file leaves its name first, for the backup or a temporary one.
    const std::wstring aside = backupPath ? std::wstring(backupPath) : StrayName(folderKey);
    if (backup && backup != replacement) {
        changes.push_back({backup->Path, backup->Bytes, replaced->Bytes});
        Erase(backup);
    } else if (!backup) {
        changes.push_back({aside, {}, replaced->Bytes});
    }
    Rename(replaced, aside);
    replacement->Attributes = replaced->Attributes;
    replacement->Created = replaced->Created;
    if (step == TReplaceStep::rsLastStep) {
        changes.push_back({replacedName, replaced->Bytes, {}});
        Notify(changes);
        return failed(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    }
    changes.push_back({replacedName, replaced->Bytes, replacement->Bytes});
    changes.push_back({replacement->Path, replacement->Bytes, {}});
    Rename(replacement, replacedName);
    if (!backupPath) Erase(replaced);
    Trace(what, true);
    Notify(changes);
    return TRUE;
}

BOOL TSimDisk::Delete(const wchar_t* path) {
    const std::wstring what = L"Delete "s + std::wstring(path);
    auto failed = [&](DWORD error) {
        SetLastError(error);
        Trace(what, false);
        return FALSE;
    };
    if (auto error = Enter(TSimCall::scDelete, path)) return failed(*error);
    const TFilePtr file = Find(path);
    if (!file) return failed(FolderExists(path) ? ERROR_ACCESS_DENIED : Missing(path));
    if ((file->Attributes & FILE_ATTRIBUTE_READONLY) || file->DeletePending ||
        ReadOnlyFolder(ParentKey(Key(path))))
        return failed(ERROR_ACCESS_DENIED);
    if (HeldWithoutDeleteShare(*file)) return failed(ERROR_SHARING_VIOLATION);
    const std::vector<TChange> changes{{file->Path, file->Bytes, {}}};
    if (Opened(*file))
        file->DeletePending = true;
    else
        Erase(file);
    Trace(what, true);
    Notify(changes);
    return TRUE;
}

DWORD TSimDisk::GetAttributes(const wchar_t* path) {
    if (auto error = Enter(TSimCall::scGetAttributes, path)) {
        SetLastError(*error);
        return INVALID_FILE_ATTRIBUTES;
    }
    if (FolderExists(path)) return FILE_ATTRIBUTE_DIRECTORY;
    const TFilePtr file = Find(path);
    if (!file || file->DeletePending) {
        SetLastError(file ? ERROR_ACCESS_DENIED : Missing(path));
        return INVALID_FILE_ATTRIBUTES;
    }
    return file->Attributes;
}

BOOL TSimDisk::GetInfo(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
    if (auto error = Enter(TSimCall::scGetInfo, path)) return Fail(*error);
    *data = {};
    if (FolderExists(path)) {
        data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
        return TRUE;
    }
    const TFilePtr file = Find(path);
    if (!file) return Fail(Missing(path));
    if (file->DeletePending) return Fail(ERROR_ACCESS_DENIED);
    data->dwFileAttributes = file->Attributes;
    data->ftCreationTime = AsFileTime(file->Created);
    data->ftLastAccessTime = AsFileTime(file->Written);
    data->ftLastWriteTime = AsFileTime(file->Written);
    data->nFileSizeHigh = static_cast<DWORD>(file->Bytes.size() >> 32);
    data->nFileSizeLow = static_cast<DWORD>(file->Bytes.size());
    return TRUE;
}

BOOL TSimDisk::CreateFolder(const wchar_t* path) {
    const std::wstring what = L"CreateFolder "s + std::wstring(path);
    auto failed = [&](DWORD error) {
        SetLastError(error);
        Trace(what, false);
        return FALSE;
    };
    if (auto error = Enter(TSimCall::scCreateFolder, path)) return failed(*error);
    const std::wstring key = Key(path);
    if (FolderExists(key) || Find(path)) return failed(ERROR_ALREADY_EXISTS);
    if (!FolderExists(ParentKey(key))) return failed(ERROR_PATH_NOT_FOUND);
    if (ReadOnlyFolder(ParentKey(key))) return failed(ERROR_ACCESS_DENIED);
    FFolders.insert(key);
    ++FChanges[ParentKey(key)];
    Trace(what, true);
    return TRUE;
}

std::vector<std::wstring> TSimDisk::List(const std::wstring& folder, const std::wstring& pattern) {
    std::vector<std::wstring> names;
    if (auto error = Enter(TSimCall::scList, folder + pattern)) {
        SetLastError(*error);
        return names;
    }
    const std::wstring folderKey = Key(folder);
    for (const auto& [key, file] : FFiles)
        if (ParentKey(key) == folderKey && WildcardMatch(NameOf(file->Path), pattern))
            names.push_back(NameOf(file->Path));
    if (names.empty()) SetLastError(FolderExists(folderKey) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return names;
}
