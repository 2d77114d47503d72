#pragma once
// What the versions dialog shows of each version, with no window: when it was taken in the
// user's time, who took it, its size, and the first words of its text. The words come from the
// file's first bytes only, so that a long list of versions of a long note opens at once.
#include "framework/FileCalls.h"
#include "note/NoteVersions.h"

#include <windows.h>

#include <string>
#include <vector>

// The most of a version read for its first words.
constexpr DWORD kVersionHeadBytes = 16 * 1024;
// About as many characters as the list's column shows.
constexpr size_t kFirstWordsLength = 60;

struct TVersionLine {
    TNoteVersion Version;
    std::wstring Date;     // "09/12/2026 10:45", local time
    std::wstring Computer; // the computer's name, or the mark of a conflict copy
    std::wstring Size;     // "12 Ko", "1,2 Mo"
    std::wstring Start;    // the first words; "(illisible)" when the file could not be read
};

// A moment in file-time units (UTC) as the user's clock showed it.
std::wstring LocalDateText(ULONGLONG taken);
std::wstring SizeText(ULONGLONG bytes);
// The text of the start of a note, blanks run together, cut near `length` characters.
std::wstring FirstWords(const std::string& head, size_t length = kFirstWordsLength);
// At most kVersionHeadBytes of the file; false when it cannot be opened or read.
bool ReadHead(TFileCalls& calls, const std::wstring& path, std::string& head);

std::vector<TVersionLine> VersionLines(TFileCalls& calls, const std::wstring& note);
