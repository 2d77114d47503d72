#pragma once
// A disk in memory behind the program's file calls, behaving as Windows does: case-insensitive
// paths, folders, attributes, times stamped by the simulated wall clock at the file system's
// granularity, handles with access and share modes, the calls' real error codes, the three ways
// ReplaceFileW fails and what each leaves, a full disk and a folder the user may not change.
// Other programs act on it directly (not through the calls): they write, rename over, touch,
// delete and hold files. Faults make chosen calls fail; a kill ends the program at a chosen call.
#include "framework/FileCalls.h"
#include "note/sim/SimClock.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

enum class TSimCall {
    scOpen,
    scClose,
    scGetSize,
    scRead,
    scWrite,
    scFlush,
    scMove,
    scReplace,
    scDelete,
    scGetAttributes,
    scGetInfo,
    scCreateFolder,
    scList,
};

// Where ReplaceFileW can stop, each with its own code.
enum class TReplaceStep {
    rsRemoveReplaced,  // ERROR_UNABLE_TO_REMOVE_REPLACED: nothing changed
    rsMoveReplacement, // ERROR_UNABLE_TO_MOVE_REPLACEMENT
    rsLastStep,        // ERROR_UNABLE_TO_MOVE_REPLACEMENT_2
};

class TSimDisk {
public:
    explicit TSimDisk(TSimClock& clock);
    ~TSimDisk();
    TSimDisk(const TSimDisk&) = delete;
    TSimDisk& operator=(const TSimDisk&) = delete;

    // The program's calls, bound to this disk.
    TFileCalls Calls();

    // The folder and the ones above it.
    void AddFolder(const std::wstring& path);
    // Last-write times are rounded down to this (2000 on FAT).
    void SetTimeGranularity(ULONGLONG ms) { FGranularity = ms * 10000; }
    // Wine's ReplaceFileW leaves an empty "rfXXXX.tmp" beside a replaced file it could not remove.
    void SetWineStrays(bool on) { FWineStrays = on; }
    // As the user or another program sets them (FILE_ATTRIBUTE_READONLY, hidden, ...).
    bool SetAttributes(const std::wstring& path, DWORD attributes);

    // The next `count` calls of this kind (on a path holding `pathPart`, when given) fail with `error`.
    void FailNext(TSimCall call, int count, DWORD error, const std::wstring& pathPart = {});
    // The next `count` replacements stop at `step`, with its code.
    void FailReplaceAt(TReplaceStep step, int count = 1);
    // Writes on the volume ("D:") take what fits in this many more bytes, then fail with
    // ERROR_DISK_FULL.
    void SetFreeSpace(const std::wstring& volume, ULONGLONG bytes);
    void SetDiskFull(const std::wstring& volume, bool full);
    // Creates, moves, renames and deletes in the folder fail with ERROR_ACCESS_DENIED.
    void SetReadOnlyFolder(const std::wstring& folder, bool on);
    // Every fault and condition above, and an armed kill.
    void ClearFaults();
    // Only the failing calls to come.
    void ClearCallFaults();

    // The program dies when it makes its `calls`-th call from now, before that call acts.
    void KillAtCall(int calls) { FKillIn = calls; }
    // The program ends (its handles are closed by the system) and every later call of it fails
    // without effect until StartProgram. A kill also tells OnKill.
    void EndProgram();
    void KillProgram();
    bool ProgramDead() const { return FDead; }
    void StartProgram();
    std::function<void()> OnKill;

    // Other programs. Each honours the program's handles as Windows would and returns false
    // (doing nothing) when the file is missing, held or read-only.
    bool OtherWrite(const std::wstring& path, const std::string& bytes);
    // As sync clients do: the bytes go to `temporary` beside it, renamed over the file.
    bool OtherReplaceByRename(const std::wstring& path, const std::wstring& temporary,
                              const std::string& bytes);
    bool OtherTouch(const std::wstring& path);
    // New bytes of the same size, and the last-write time put back.
    bool OtherRewriteSameStamp(const std::wstring& path, const std::string& bytes);
    bool OtherDelete(const std::wstring& path);
    bool OtherMove(const std::wstring& from, const std::wstring& to);
    // Another program opens the file for reading with this share mode; 0 when it could not.
    int Hold(const std::wstring& path, DWORD share);
    void Release(int hold);
    void ReleaseAll();

    // The folder watch: how many changes the folder has seen, by anyone.
    ULONGLONG Changes(const std::wstring& folder) const;

    std::vector<std::wstring> Files() const;
    std::optional<std::string> Bytes(const std::wstring& path) const;
    bool Exists(const std::wstring& path) const;
    int ProgramHandles() const;
    // Closes or uses of handles that were not open.
    int BadHandleUses() const { return FBadHandleUses; }

    // After each program call that changed what a path holds (contents, or the file itself).
    std::function<void(const std::wstring& path, const std::string& before, const std::string& after)>
        OnProgramChange;
    // Each program call and its result, for a replayed schedule.
    std::function<void(const std::wstring& line)> OnTrace;

private:
    struct TFile;
    struct THandle;
    struct TFault;
    struct TChange;
    using TFilePtr = std::shared_ptr<TFile>;

    std::optional<DWORD> Enter(TSimCall call, const std::wstring& path);
    BOOL Fail(DWORD error);
    void Trace(const std::wstring& what, bool ok);
    void Notify(const std::vector<TChange>& changes);

    TFilePtr Find(const std::wstring& path) const;
    bool FolderExists(const std::wstring& path) const;
    bool ReadOnlyFolder(const std::wstring& folderKey) const;
    DWORD Missing(const std::wstring& path) const;
    bool SharingAllows(const TFile& file, DWORD access, DWORD share) const;
    bool HeldWithoutDeleteShare(const TFile& file) const;
    bool Opened(const TFile& file) const;
    THandle* Handle(HANDLE handle);
    ULONGLONG Stamp() const;
    void Touched(const std::wstring& path);
    TFilePtr Create(const std::wstring& path);
    void Rename(const TFilePtr& file, const std::wstring& to);
    void Erase(const TFilePtr& file);
    ULONGLONG FreeBytes(const std::wstring& path) const;
    std::wstring StrayName(const std::wstring& folderKey);
    HANDLE NewHandle(const TFilePtr& file, DWORD access, DWORD share, bool program);

    HANDLE Open(const wchar_t* path, DWORD access, DWORD share, DWORD disposition);
    BOOL Close(HANDLE handle);
    BOOL GetSize(HANDLE handle, LARGE_INTEGER* size);
    BOOL Read(HANDLE handle, void* buffer, DWORD size, DWORD* read);
    BOOL Write(HANDLE handle, const void* data, DWORD size, DWORD* written);
    BOOL Flush(HANDLE handle);
    BOOL Move(const wchar_t* from, const wchar_t* to, DWORD flags);
    BOOL Replace(const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup);
    BOOL Delete(const wchar_t* path);
    DWORD GetAttributes(const wchar_t* path);
    BOOL GetInfo(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA* data);
    BOOL CreateFolder(const wchar_t* path);
    std::vector<std::wstring> List(const std::wstring& folder, const std::wstring& pattern);

    TSimClock& FClock;
    std::map<std::wstring, TFilePtr> FFiles; // by upper-case path
    std::set<std::wstring> FFolders;         // upper-case, no final backslash
    std::map<UINT_PTR, std::unique_ptr<THandle>> FHandles;
    std::map<std::wstring, ULONGLONG> FChanges;
    std::vector<TFault> FFaults;
    std::set<std::wstring> FReadOnlyFolders;
    std::map<std::wstring, ULONGLONG> FCapacity; // by upper-case volume
    ULONGLONG FGranularity = 10000;
    UINT_PTR FNextHandle = 0x1000;
    unsigned FNextStray = 0x3A7;
    bool FWineStrays = true;
    bool FDead = false;
    int FKillIn = 0;
    int FBadHandleUses = 0;
};

// Windows' wildcards: `*` any run of characters, `?` one; case-insensitive.
bool WildcardMatch(const std::wstring& name, const std::wstring& pattern);
