#pragma once
// Earlier versions of the note, kept by time in a folder beside it ("<stem>.versions"): each a
// file named after the moment it was taken (UTC) and the computer that took it, never renamed
// afterwards, so a sync client sees files come and go and two computers never write one name.
// Thinned by age: every version of the last 2 hours (made one per 10 minutes at most), one per hour
// for a day, one per day for 14 days, one per week for 3 months; nothing older, at most 64 of
// them and 20 times the note's size in bytes, the oldest going first.
#include "framework/FileCalls.h"
#include "note/NoteKeeper.h"

#include <windows.h>

#include <string>
#include <vector>

// One file the versions dialog lists.
struct TNoteVersion {
    std::wstring Path;
    // When it was taken, in file-time units (100 ns since 1601, UTC).
    ULONGLONG Taken = 0;
    // The computer that took it; empty for a conflict copy.
    std::wstring Computer;
    ULONGLONG Size = 0;
    // Another writer's version kept beside the note, not a version of this program's.
    bool Conflict = false;
};

// "<folder>\<stem>.versions\" for "<folder>\<stem><ext>".
std::wstring VersionsFolder(const std::wstring& note);

// The versions and the conflict copies of the note, newest first. Reads names and sizes only.
std::vector<TNoteVersion> ListVersions(TFileCalls& calls, const std::wstring& note);

// --- Making and thinning the versions (the keeper's side) -------------------------------------

// File-time units.
constexpr ULONGLONG kFileTimeSecond = 10'000'000ull;
constexpr ULONGLONG kFileTimeMinute = 60 * kFileTimeSecond;
constexpr ULONGLONG kFileTimeHour = 60 * kFileTimeMinute;
constexpr ULONGLONG kFileTimeDay = 24 * kFileTimeHour;
// A new version is taken when none is nearer than this to now.
constexpr ULONGLONG kVersionEvery = 10 * kFileTimeMinute;
constexpr size_t kMostVersions = 64;
constexpr ULONGLONG kVersionsSizeFactor = 20;

// "<stem> YYYY-MM-DD hh-mm-ss <computer><ext>", or with " (n)" before the extension when n > 1.
std::wstring VersionPathFor(const std::wstring& note, ULONGLONG taken, const std::wstring& computer,
                            int n = 1);
// True when `name` (a file name, no folder) is a version of `note`, with its time and computer.
bool ParseVersionName(const std::wstring& note, const std::wstring& name, ULONGLONG& taken,
                      std::wstring& computer);

// True when a version is due: no version taken within kVersionEvery of now, on either side (one
// dated ahead, by a clock set back or another computer's, holds off the next only that long).
bool VersionDue(const std::vector<ULONGLONG>& taken, ULONGLONG now);

struct TVersionAge {
    ULONGLONG Taken = 0;
    ULONGLONG Size = 0;
};
// Which versions go (indices into `versions`, ascending), by the thinning rules above. Buckets are
// aligned to absolute time and keep their oldest version, so the outcome only depends on the
// files and `now`; ties in time keep the input's order. The newest is never dropped, and versions
// dated after `now` never for their age.
std::vector<size_t> VersionsToDrop(const std::vector<TVersionAge>& versions, ULONGLONG now,
                                   ULONGLONG noteSize);

// The versions of this note in its folder, oldest first (ties by name).
std::vector<TNoteVersion> FolderVersions(TFileCalls& calls, const std::wstring& note);
// `bytes` (what the note's file holds now) becomes a version taken at `now` by `computer`: written
// through a temporary, read back whole, then moved to a name no file has. 0 and `made` on success.
DWORD MakeVersion(TFileCalls& calls, const std::wstring& note, const std::string& bytes, ULONGLONG now,
                  const std::wstring& computer, std::wstring& made);
// Deletes the versions the rules drop; only files whose names parse as versions of this note.
void ThinVersions(TFileCalls& calls, const std::wstring& note, ULONGLONG now, ULONGLONG noteSize);
// "<note>.1" to "<note>.3", kept by earlier releases, moved into the folder under their last-write
// time.
void TakeInNumberedVersions(TFileCalls& calls, const std::wstring& note, const std::wstring& computer);
// Before the note is replaced: `bytes` becomes a version when one is due or `force`d, then the
// folder is thinned. True when one was made; `nearest` is then its time, or else the time of the
// version that made one not due (0 when none or the folder could not be read).
bool KeepVersionByTime(TFileCalls& calls, const std::wstring& note, const std::string& bytes, ULONGLONG now,
                       const std::wstring& computer, bool force, ULONGLONG noteSize, ULONGLONG& nearest);
