#include "note/sim/SimDiskParts.h"

using namespace simdisk;

using namespace std::string_literals;

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
