#include "note/sim/SimDisk.h"

#include <algorithm>
#include <cwctype>

using namespace std::string_literals;

struct TSimDisk::TFile {
    std::wstring Path;
    std::string Bytes;
    DWORD Attributes = FILE_ATTRIBUTE_ARCHIVE;
    ULONGLONG Created = 0;
    ULONGLONG Written = 0;
    // Deleted while open with FILE_SHARE_DELETE: gone when its last handle closes.
    bool DeletePending = false;
};

struct TSimDisk::THandle {
    TFilePtr File;
    DWORD Access = 0;
    DWORD Share = 0;
    size_t Position = 0;
    bool Program = true;
};

struct TSimDisk::TFault {
    TSimCall Call;
    int Count = 0;
    DWORD Error = 0;
    std::wstring PathPart; // upper-case
    std::optional<TReplaceStep> Step;
};

struct TSimDisk::TChange {
    std::wstring Path;
    std::string Before;
    std::string After;
};

namespace {

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The upper-case path without a final backslash: what names a file or folder.
std::wstring Key(const std::wstring& path) {
    std::wstring key = Upper(path);
    std::replace(key.begin(), key.end(), L'/', L'\\');
    while (key.size() > 1 && key.back() == L'\\')
        key.pop_back();
    return key;
}

std::wstring ParentKey(const std::wstring& key) {
    const size_t slash = key.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

// "C:" for "c:\\folder\\file".
std::wstring VolumeOf(const std::wstring& path) {
    return Key(path.substr(0, path.find_first_of(L"\\/")));
}

std::wstring NameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool Reads(DWORD access) {
    return access & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE | FILE_READ_DATA | FILE_EXECUTE);
}
bool Writes(DWORD access) {
    return access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA);
}
bool Deletes(DWORD access) {
    return access & (DELETE | GENERIC_ALL);
}

FILETIME AsFileTime(ULONGLONG time) {
    return {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

const wchar_t* CallName(TSimCall call) {
    static const wchar_t* const names[] = {
        L"Open",    L"Close",  L"GetSize",       L"Read",    L"Write",        L"Flush", L"Move",
        L"Replace", L"Delete", L"GetAttributes", L"GetInfo", L"CreateFolder", L"List"};
    return names[static_cast<int>(call)];
}

} // namespace

namespace {

// FindFirstFileW's wildcards after its own translation: `?` may match nothing before a dot or at
// the end, a dot before a wildcard may match the end of the name, and `*` before a dot stops at
// the name's last dot.
enum : wchar_t { kQm = 1, kDot = 2, kDosStar = 3 };

bool Match(const std::wstring& n, size_t i, const std::wstring& p, size_t j) {
    if (j == p.size()) return i == n.size();
    switch (p[j]) {
    case L'*':
        for (size_t k = i; k <= n.size(); ++k)
            if (Match(n, k, p, j + 1)) return true;
        return false;
    case kDosStar: {
        const size_t dot = n.find_last_of(L'.');
        for (size_t k = i; k <= (dot == std::wstring::npos ? n.size() : std::max(dot, i)); ++k)
            if (Match(n, k, p, j + 1)) return true;
        return false;
    }
    case kQm:
        if (i == n.size() || n[i] == L'.') return Match(n, i, p, j + 1);
        return Match(n, i + 1, p, j + 1);
    case kDot:
        if (i == n.size()) return Match(n, i, p, j + 1);
        return n[i] == L'.' && Match(n, i + 1, p, j + 1);
    default:
        return i < n.size() && n[i] == p[j] && Match(n, i + 1, p, j + 1);
    }
}

} // namespace

bool WildcardMatch(const std::wstring& name, const std::wstring& pattern) {
    if (pattern == L"*" || pattern == L"*.*") return true;
    std::wstring p = Upper(pattern);
    for (size_t j = 0; j < p.size(); ++j) {
        const wchar_t next = j + 1 < p.size() ? p[j + 1] : 0;
        if (p[j] == L'?')
            p[j] = kQm;
        else if (p[j] == L'.' && (next == L'?' || next == L'*'))
            p[j] = kDot;
        else if (p[j] == L'*' && next == L'.')
            p[j] = kDosStar;
    }
    return Match(Upper(name), 0, p, 0);
}

TSimDisk::TSimDisk(TSimClock& clock) : FClock(clock) {}
TSimDisk::~TSimDisk() = default;

TFileCalls TSimDisk::Calls() {
    TFileCalls calls;
    calls.Open = [this](const wchar_t* path, DWORD access, DWORD share, DWORD disposition) {
        return Open(path, access, share, disposition);
    };
    calls.Close = [this](HANDLE file) { return Close(file); };
    calls.GetSize = [this](HANDLE file, LARGE_INTEGER* size) { return GetSize(file, size); };
    calls.Read = [this](HANDLE file, void* buffer, DWORD size, DWORD* read) {
        return Read(file, buffer, size, read);
    };
    calls.Write = [this](HANDLE file, const void* data, DWORD size, DWORD* written) {
        return Write(file, data, size, written);
    };
    calls.Flush = [this](HANDLE file) { return Flush(file); };
    calls.Move = [this](const wchar_t* from, const wchar_t* to, DWORD flags) {
        return Move(from, to, flags);
    };
    calls.Replace = [this](const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup) {
        return Replace(replaced, replacement, backup);
    };
    calls.Delete = [this](const wchar_t* path) { return Delete(path); };
    calls.GetAttributes = [this](const wchar_t* path) { return GetAttributes(path); };
    calls.GetInfo = [this](const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data) {
        return GetInfo(path, data);
    };
    calls.CreateFolder = [this](const wchar_t* path) { return CreateFolder(path); };
    calls.List = [this](const std::wstring& folder, const std::wstring& pattern) {
        return List(folder, pattern);
    };
    return calls;
}

void TSimDisk::AddFolder(const std::wstring& path) {
    for (std::wstring key = Key(path); !key.empty(); key = ParentKey(key))
        FFolders.insert(key);
}

bool TSimDisk::SetAttributes(const std::wstring& path, DWORD attributes) {
    const TFilePtr file = Find(path);
    if (!file) return false;
    file->Attributes = attributes;
    Touched(file->Path);
    return true;
}

void TSimDisk::FailNext(TSimCall call, int count, DWORD error, const std::wstring& pathPart) {
    FFaults.push_back({call, count, error, Upper(pathPart), std::nullopt});
}

void TSimDisk::FailReplaceAt(TReplaceStep step, int count) {
    FFaults.push_back({TSimCall::scReplace, count, 0, {}, step});
}

void TSimDisk::SetFreeSpace(const std::wstring& volume, ULONGLONG bytes) {
    const std::wstring drive = VolumeOf(volume);
    ULONGLONG used = 0;
    for (const auto& [key, file] : FFiles)
        if (VolumeOf(key) == drive) used += file->Bytes.size();
    FCapacity[drive] = used + bytes;
}

void TSimDisk::SetDiskFull(const std::wstring& volume, bool full) {
    if (full)
        SetFreeSpace(volume, 0);
    else
        FCapacity.erase(VolumeOf(volume));
}

void TSimDisk::SetReadOnlyFolder(const std::wstring& folder, bool on) {
    if (on)
        FReadOnlyFolders.insert(Key(folder));
    else
        FReadOnlyFolders.erase(Key(folder));
}

void TSimDisk::ClearFaults() {
    FFaults.clear();
    FReadOnlyFolders.clear();
    FCapacity.clear();
    FKillIn = 0;
}

void TSimDisk::ClearCallFaults() {
    FFaults.clear();
}

void TSimDisk::KillProgram() {
    if (FDead) return;
    EndProgram();
    if (OnKill) OnKill();
}

void TSimDisk::EndProgram() {
    FDead = true;
    FKillIn = 0;
    std::vector<UINT_PTR> open;
    for (const auto& [value, handle] : FHandles)
        if (handle->Program) open.push_back(value);
    for (UINT_PTR value : open) {
        const TFilePtr file = FHandles[value]->File;
        FHandles.erase(value);
        if (file->DeletePending && !Opened(*file)) Erase(file);
    }
}

void TSimDisk::StartProgram() {
    FDead = false;
}

// Every program call passes here first: a dead program does nothing, an armed kill or fault fires.
std::optional<DWORD> TSimDisk::Enter(TSimCall call, const std::wstring& path) {
    if (FDead) return ERROR_OPERATION_ABORTED;
    if (FKillIn > 0 && --FKillIn == 0) {
        KillProgram();
        return ERROR_OPERATION_ABORTED;
    }
    const std::wstring upper = Upper(path);
    for (auto fault = FFaults.begin(); fault != FFaults.end(); ++fault) {
        if (fault->Call != call || fault->Step) continue;
        if (!fault->PathPart.empty() && upper.find(fault->PathPart) == std::wstring::npos) continue;
        const DWORD error = fault->Error;
        if (--fault->Count <= 0) FFaults.erase(fault);
        if (OnTrace)
            OnTrace(std::wstring(L"  fault ") + CallName(call) + L" " + path + L" -> " +
                    std::to_wstring(error));
        return error;
    }
    return std::nullopt;
}

BOOL TSimDisk::Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

void TSimDisk::Trace(const std::wstring& what, bool ok) {
    if (OnTrace) OnTrace(L"  "s + what + (ok ? L" ok" : L" -> "s + std::to_wstring(GetLastError())));
}

void TSimDisk::Notify(const std::vector<TChange>& changes) {
    if (!OnProgramChange) return;
    for (const TChange& change : changes)
        if (change.Before != change.After) OnProgramChange(change.Path, change.Before, change.After);
}

TSimDisk::TFilePtr TSimDisk::Find(const std::wstring& path) const {
    const auto found = FFiles.find(Key(path));
    return found == FFiles.end() ? nullptr : found->second;
}

bool TSimDisk::FolderExists(const std::wstring& path) const {
    return FFolders.count(Key(path)) != 0;
}

bool TSimDisk::ReadOnlyFolder(const std::wstring& folderKey) const {
    return FReadOnlyFolders.count(folderKey) != 0;
}

// The code for a path that names nothing: the file, or a folder on the way, is missing.
DWORD TSimDisk::Missing(const std::wstring& path) const {
    return FolderExists(ParentKey(Key(path))) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// CreateFileW's rule: the new access must be within every open handle's share, and every open
// handle's access within the new share.
bool TSimDisk::SharingAllows(const TFile& file, DWORD access, DWORD share) const {
    // Opening for attributes alone takes no part in sharing, nor does a handle opened so.
    const auto shares = [](DWORD a) { return Reads(a) || Writes(a) || Deletes(a); };
    if (!shares(access)) return true;
    for (const auto& [value, handle] : FHandles) {
        if (handle->File.get() != &file || !shares(handle->Access)) continue;
        if (Reads(access) && !(handle->Share & FILE_SHARE_READ)) return false;
        if (Writes(access) && !(handle->Share & FILE_SHARE_WRITE)) return false;
        if (Deletes(access) && !(handle->Share & FILE_SHARE_DELETE)) return false;
        if (Reads(handle->Access) && !(share & FILE_SHARE_READ)) return false;
        if (Writes(handle->Access) && !(share & FILE_SHARE_WRITE)) return false;
        if (Deletes(handle->Access) && !(share & FILE_SHARE_DELETE)) return false;
    }
    return true;
}

// A rename or delete needs every open handle to share deletion.
bool TSimDisk::HeldWithoutDeleteShare(const TFile& file) const {
    for (const auto& [value, handle] : FHandles)
        if (handle->File.get() == &file && !(handle->Share & FILE_SHARE_DELETE)) return true;
    return false;
}

bool TSimDisk::Opened(const TFile& file) const {
    for (const auto& [value, handle] : FHandles)
        if (handle->File.get() == &file) return true;
    return false;
}

// A dead program's handles were closed by the system: its later uses are not its mistakes.
TSimDisk::THandle* TSimDisk::Handle(HANDLE handle) {
    if (FDead) return nullptr;
    const auto found = FHandles.find(reinterpret_cast<UINT_PTR>(handle));
    if (found != FHandles.end()) return found->second.get();
    ++FBadHandleUses;
    return nullptr;
}

ULONGLONG TSimDisk::Stamp() const {
    const ULONGLONG now = FClock.WallFileTime();
    return FGranularity > 1 ? now - now % FGranularity : now;
}

void TSimDisk::Touched(const std::wstring& path) {
    ++FChanges[ParentKey(Key(path))];
}

TSimDisk::TFilePtr TSimDisk::Create(const std::wstring& path) {
    auto file = std::make_shared<TFile>();
    file->Path = path;
    file->Created = file->Written = Stamp();
    FFiles[Key(path)] = file;
    Touched(path);
    return file;
}

void TSimDisk::Rename(const TFilePtr& file, const std::wstring& to) {
    Touched(file->Path);
    FFiles.erase(Key(file->Path));
    file->Path = to;
    FFiles[Key(to)] = file;
    Touched(to);
}

void TSimDisk::Erase(const TFilePtr& file) {
    const auto found = FFiles.find(Key(file->Path));
    if (found != FFiles.end() && found->second == file) FFiles.erase(found);
    Touched(file->Path);
}

ULONGLONG TSimDisk::FreeBytes(const std::wstring& path) const {
    const std::wstring drive = VolumeOf(path);
    const auto capacity = FCapacity.find(drive);
    if (capacity == FCapacity.end()) return ~0ull;
    ULONGLONG used = 0;
    for (const auto& [key, file] : FFiles)
        if (VolumeOf(key) == drive) used += file->Bytes.size();
    return used >= capacity->second ? 0 : capacity->second - used;
}

// The name GetTempFileNameW gives with the prefix "rf": free, in the same folder.
std::wstring TSimDisk::StrayName(const std::wstring& folderKey) {
    for (;;) {
        wchar_t name[16];
        swprintf(name, 16, L"rf%04X.tmp", FNextStray++ & 0xFFFF);
        const std::wstring path = folderKey + L"\\" + name;
        if (!Find(path)) return path;
    }
}

HANDLE TSimDisk::NewHandle(const TFilePtr& file, DWORD access, DWORD share, bool program) {
    auto handle = std::make_unique<THandle>();
    handle->File = file;
    handle->Access = access;
    handle->Share = share;
    handle->Program = program;
    const UINT_PTR value = FNextHandle;
    FNextHandle += 4;
    FHandles[value] = std::move(handle);
    return reinterpret_cast<HANDLE>(value);
}

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

bool TSimDisk::OtherWrite(const std::wstring& path, const std::string& bytes) {
    TFilePtr file = Find(path);
    if (!file) {
        const std::wstring parent = ParentKey(Key(path));
        if (!FolderExists(parent) || ReadOnlyFolder(parent)) return false;
        file = Create(path);
    } else if (file->DeletePending || (file->Attributes & FILE_ATTRIBUTE_READONLY) ||
               !SharingAllows(*file, GENERIC_WRITE, FILE_SHARE_READ)) {
        return false;
    }
    file->Bytes = bytes;
    file->Written = Stamp();
    Touched(path);
    return true;
}

bool TSimDisk::OtherReplaceByRename(const std::wstring& path, const std::wstring& temporary,
                                    const std::string& bytes) {
    const TFilePtr target = Find(path);
    const std::wstring parent = ParentKey(Key(path));
    if (!FolderExists(parent) || ReadOnlyFolder(parent) || Find(temporary)) return false;
    if (target &&
        ((target->Attributes & FILE_ATTRIBUTE_READONLY) || target->DeletePending || Opened(*target)))
        return false;
    const TFilePtr written = Create(temporary);
    written->Bytes = bytes;
    if (target) Erase(target);
    Rename(written, target ? target->Path : path);
    return true;
}

bool TSimDisk::OtherTouch(const std::wstring& path) {
    const TFilePtr file = Find(path);
    if (!file || file->DeletePending || !SharingAllows(*file, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ))
        return false;
    file->Written = Stamp();
    Touched(path);
    return true;
}

bool TSimDisk::OtherRewriteSameStamp(const std::wstring& path, const std::string& bytes) {
    const TFilePtr file = Find(path);
    if (!file || file->Bytes.size() != bytes.size() || file->DeletePending ||
        (file->Attributes & FILE_ATTRIBUTE_READONLY) || !SharingAllows(*file, GENERIC_WRITE, FILE_SHARE_READ))
        return false;
    file->Bytes = bytes;
    Touched(path);
    return true;
}

bool TSimDisk::OtherDelete(const std::wstring& path) {
    const TFilePtr file = Find(path);
    if (!file || file->DeletePending || (file->Attributes & FILE_ATTRIBUTE_READONLY) ||
        ReadOnlyFolder(ParentKey(Key(path))) || HeldWithoutDeleteShare(*file))
        return false;
    if (Opened(*file))
        file->DeletePending = true;
    else
        Erase(file);
    return true;
}

bool TSimDisk::OtherMove(const std::wstring& fromPath, const std::wstring& toPath) {
    const TFilePtr from = Find(fromPath);
    const std::wstring toParent = ParentKey(Key(toPath));
    if (!from || from->DeletePending || Find(toPath) || !FolderExists(toParent) || ReadOnlyFolder(toParent) ||
        ReadOnlyFolder(ParentKey(Key(fromPath))) || HeldWithoutDeleteShare(*from))
        return false;
    Rename(from, toPath);
    return true;
}

int TSimDisk::Hold(const std::wstring& path, DWORD share) {
    const TFilePtr file = Find(path);
    if (!file || file->DeletePending || !SharingAllows(*file, GENERIC_READ, share)) return 0;
    return static_cast<int>(reinterpret_cast<UINT_PTR>(NewHandle(file, GENERIC_READ, share, false)));
}

void TSimDisk::Release(int hold) {
    const auto found = FHandles.find(static_cast<UINT_PTR>(hold));
    if (found == FHandles.end() || found->second->Program) return;
    const TFilePtr file = found->second->File;
    FHandles.erase(found);
    if (file->DeletePending && !Opened(*file)) Erase(file);
}

void TSimDisk::ReleaseAll() {
    std::vector<int> holds;
    for (const auto& [value, handle] : FHandles)
        if (!handle->Program) holds.push_back(static_cast<int>(value));
    for (int hold : holds)
        Release(hold);
}

ULONGLONG TSimDisk::Changes(const std::wstring& folder) const {
    const auto found = FChanges.find(Key(folder));
    return found == FChanges.end() ? 0 : found->second;
}

std::vector<std::wstring> TSimDisk::Files() const {
    std::vector<std::wstring> paths;
    for (const auto& [key, file] : FFiles)
        paths.push_back(file->Path);
    return paths;
}

std::optional<std::string> TSimDisk::Bytes(const std::wstring& path) const {
    const TFilePtr file = Find(path);
    if (!file) return std::nullopt;
    return file->Bytes;
}

bool TSimDisk::Exists(const std::wstring& path) const {
    return Find(path) != nullptr;
}

int TSimDisk::ProgramHandles() const {
    return static_cast<int>(std::count_if(FHandles.begin(), FHandles.end(),
                                          [](const auto& entry) { return entry.second->Program; }));
}
