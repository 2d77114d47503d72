#pragma once
// Earlier versions of the note, kept by time in a folder beside it ("<stem>.versions"): each a
// file named after the moment it was taken (UTC) and the computer that took it, never renamed
// afterwards, so a sync client sees files come and go and two computers never write one name.
// Thinned by age: every version of the last 2 hours (one per 10 minutes at most), one per hour
// for a day, one per day for 14 days, one per week for 3 months; nothing older, at most 64 of
// them and 20 times the note's size in bytes, the oldest going first.
#include "framework/FileCalls.h"

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
