#include "note/sim/SimDiskParts.h"

using namespace simdisk;

// Other programs acting on the disk, and what the test sees of it.

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
