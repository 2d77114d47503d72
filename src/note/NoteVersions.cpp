#include "note/NoteVersions.h"

#include "framework/SystemError.h"
#include "note/NoteFiles.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iterator>
#include <numeric>
#include <set>
#include <utility>

namespace {

constexpr ULONGLONG kWeek = 7 * kFileTimeDay;
// "YYYY-MM-DD hh-mm-ss"
constexpr size_t kStampLength = 19;

struct TNoteName {
    std::wstring Stem, Extension;
};

TNoteName NameParts(const std::wstring& note) {
    const std::wstring name = FileNameOf(note);
    const size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring::npos) return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && Upper(a) == Upper(b);
}

bool Exists(TFileCalls& calls, const std::wstring& path) {
    return calls.GetAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Stamp(ULONGLONG time) {
    const FILETIME file{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SYSTEMTIME when{};
    FileTimeToSystemTime(&file, &when);
    wchar_t text[32];
    swprintf(text, std::size(text), L"%04u-%02u-%02u %02u-%02u-%02u", when.wYear, when.wMonth, when.wDay,
             when.wHour, when.wMinute, when.wSecond);
    return text;
}

// "YYYY-MM-DD hh-mm-ss" at `at` in `text`, as a date and time; false for anything else.
bool ParseStamp(const std::wstring& text, size_t at, SYSTEMTIME& when) {
    if (text.size() < at + kStampLength) return false;
    static const wchar_t kShape[] = L"9999-99-99 99-99-99";
    for (size_t i = 0; i < kStampLength; ++i) {
        const wchar_t c = text[at + i];
        if (kShape[i] == L'9' ? !std::iswdigit(c) : c != kShape[i]) return false;
    }
    const auto number = [&](size_t from, size_t digits) {
        WORD value = 0;
        for (size_t i = 0; i < digits; ++i)
            value = static_cast<WORD>(value * 10 + (text[at + from + i] - L'0'));
        return value;
    };
    when = {};
    when.wYear = number(0, 4);
    when.wMonth = number(5, 2);
    when.wDay = number(8, 2);
    when.wHour = number(11, 2);
    when.wMinute = number(14, 2);
    when.wSecond = number(17, 2);
    FILETIME check{};
    return SystemTimeToFileTime(&when, &check) != FALSE;
}

ULONGLONG FileTimeOf(const SYSTEMTIME& when) {
    FILETIME file{};
    SystemTimeToFileTime(&when, &file);
    return (ULONGLONG(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

// Takes a final " n" (n >= 2) off `text`, the number a taken name was given.
void DropNumber(std::wstring& text, const wchar_t* open, const wchar_t* close) {
    const size_t openLength = wcslen(open), closeLength = wcslen(close);
    if (text.size() < openLength + closeLength + 1 ||
        text.compare(text.size() - closeLength, closeLength, close))
        return;
    const size_t start = text.rfind(open);
    if (start == std::wstring::npos) return;
    const size_t digits = start + openLength;
    const size_t end = text.size() - closeLength;
    if (digits >= end || !std::all_of(text.begin() + digits, text.begin() + end, ::iswdigit)) return;
    text.erase(start);
}

ULONGLONG SizeOf(TFileCalls& calls, const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!calls.GetInfo(path.c_str(), &data)) return 0;
    return (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A conflict copy's name: its local time, in UTC.
bool ParseConflictName(const std::wstring& note, const std::wstring& name, ULONGLONG& taken) {
    const TNoteName parts = NameParts(note);
    const std::wstring head = parts.Stem + L" (conflit ";
    const std::wstring tail = L")" + parts.Extension;
    if (name.size() < head.size() + kStampLength + tail.size()) return false;
    if (!SameText(name.substr(0, head.size()), head)) return false;
    if (!SameText(name.substr(name.size() - tail.size()), tail)) return false;
    std::wstring rest = name.substr(head.size() + kStampLength);
    rest.erase(rest.size() - tail.size());
    DropNumber(rest, L" ", L"");
    SYSTEMTIME local{}, utc{};
    if (!rest.empty() || !ParseStamp(name, head.size(), local)) return false;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) utc = local;
    taken = FileTimeOf(utc);
    return true;
}

// The first name from `n` on that no file has: a version never goes over another file.
template <class TName>
DWORD MoveToFreeName(TFileCalls& calls, const std::wstring& from, TName name, std::wstring& to) {
    DWORD error = ERROR_FILE_EXISTS;
    for (int n = 1; n < 100; ++n) {
        to = name(n);
        if (Exists(calls, to)) continue;
        SetLastError(ERROR_SUCCESS);
        if (calls.Move(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return ERROR_SUCCESS;
        error = LastErrorOr(ERROR_WRITE_FAULT);
        // Taken meanwhile (a sync client brought one in): the next number.
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    return error;
}

} // namespace

std::wstring VersionsFolder(const std::wstring& note) {
    return FolderOf(note) + NameParts(note).Stem + L".versions\\";
}

std::wstring VersionPathFor(const std::wstring& note, ULONGLONG taken, const std::wstring& computer, int n) {
    const TNoteName parts = NameParts(note);
    std::wstring name = parts.Stem + L" " + Stamp(taken) + L" " + computer;
    if (n > 1) name += L" (" + std::to_wstring(n) + L")";
    return VersionsFolder(note) + name + parts.Extension;
}

bool ParseVersionName(const std::wstring& note, const std::wstring& name, ULONGLONG& taken,
                      std::wstring& computer) {
    const TNoteName parts = NameParts(note);
    const size_t head = parts.Stem.size() + 1;
    if (name.size() < head + kStampLength + 2 + parts.Extension.size()) return false;
    if (!SameText(name.substr(0, head), parts.Stem + L" ")) return false;
    if (!SameText(name.substr(name.size() - parts.Extension.size()), parts.Extension)) return false;
    SYSTEMTIME when{};
    if (!ParseStamp(name, head, when) || name[head + kStampLength] != L' ') return false;
    std::wstring rest = name.substr(head + kStampLength + 1);
    rest.erase(rest.size() - parts.Extension.size());
    DropNumber(rest, L" (", L")");
    if (rest.empty() || rest.find_first_of(L" ()") != std::wstring::npos) return false;
    computer = rest;
    taken = FileTimeOf(when);
    return true;
}

bool VersionDue(const std::vector<ULONGLONG>& taken, ULONGLONG now) {
    return std::none_of(taken.begin(), taken.end(), [&](ULONGLONG time) {
        return (time > now ? time - now : now - time) < kVersionEvery;
    });
}

std::vector<size_t> VersionsToDrop(const std::vector<TVersionAge>& versions, ULONGLONG now,
                                   ULONGLONG noteSize) {
    if (versions.empty()) return {};
    std::vector<size_t> order(versions.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return versions[a].Taken < versions[b].Taken; });
    std::vector<bool> drop(versions.size(), false);
    // Oldest first: each bucket keeps the first it meets. Finer buckets nest in coarser ones, so a
    // version kept in its coarse bucket was kept in its fine one too, and stays kept as it ages.
    std::set<std::pair<ULONGLONG, ULONGLONG>> filled;
    for (const size_t i : order) {
        const ULONGLONG taken = versions[i].Taken;
        // Dated ahead (a clock set back, another computer's ahead): never dropped for its age.
        if (taken > now) continue;
        const ULONGLONG age = now - taken;
        // The last 2 hours keep every version: each writer makes one per 10 minutes at most, and
        // one made out of turn (the note as it was before a restore) must not go at once.
        if (age < 2 * kFileTimeHour) continue;
        const ULONGLONG width = age < kFileTimeDay        ? kFileTimeHour
                                : age < 14 * kFileTimeDay ? kFileTimeDay
                                : age < 92 * kFileTimeDay ? kWeek
                                                          : 0;
        if (!width || !filled.insert({width, taken / width}).second) drop[i] = true;
    }
    const size_t newest = order.back();
    drop[newest] = false;
    size_t count = 0;
    ULONGLONG total = 0;
    for (size_t i = 0; i < versions.size(); ++i)
        if (!drop[i]) ++count, total += versions[i].Size;
    const ULONGLONG most = noteSize * kVersionsSizeFactor;
    for (const size_t i : order) {
        if (count <= kMostVersions && total <= most) break;
        if (drop[i] || i == newest) continue;
        drop[i] = true;
        --count;
        total -= versions[i].Size;
    }
    std::vector<size_t> dropped;
    for (size_t i = 0; i < versions.size(); ++i)
        if (drop[i]) dropped.push_back(i);
    return dropped;
}

std::vector<TNoteVersion> FolderVersions(TFileCalls& calls, const std::wstring& note) {
    const TNoteName parts = NameParts(note);
    const std::wstring folder = VersionsFolder(note);
    std::vector<std::pair<std::wstring, TNoteVersion>> found;
    for (const std::wstring& name : calls.List(folder, parts.Stem + L" *" + parts.Extension)) {
        TNoteVersion version;
        if (!ParseVersionName(note, name, version.Taken, version.Computer)) continue;
        version.Path = folder + name;
        version.Size = SizeOf(calls, version.Path);
        found.emplace_back(Upper(name), std::move(version));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.second.Taken != b.second.Taken ? a.second.Taken < b.second.Taken : a.first < b.first;
    });
    std::vector<TNoteVersion> versions;
    for (auto& [name, version] : found)
        versions.push_back(std::move(version));
    return versions;
}

std::vector<TNoteVersion> ListVersions(TFileCalls& calls, const std::wstring& note) {
    std::vector<TNoteVersion> versions = FolderVersions(calls, note);
    const TNoteName parts = NameParts(note);
    const std::wstring folder = FolderOf(note);
    for (const std::wstring& name : calls.List(folder, parts.Stem + L" (conflit *)" + parts.Extension)) {
        TNoteVersion copy;
        if (!ParseConflictName(note, name, copy.Taken)) continue;
        copy.Path = folder + name;
        copy.Size = SizeOf(calls, copy.Path);
        copy.Conflict = true;
        versions.push_back(std::move(copy));
    }
    std::stable_sort(versions.begin(), versions.end(),
                     [](const TNoteVersion& a, const TNoteVersion& b) { return a.Taken > b.Taken; });
    return versions;
}

DWORD MakeVersion(TFileCalls& calls, const std::wstring& note, const std::string& bytes, ULONGLONG now,
                  const std::wstring& computer, std::wstring& made) {
    const std::wstring folder = VersionsFolder(note);
    calls.CreateFolder(folder.c_str());
    // "~" first and ".tmp" last, as the note's own temporary: sync clients leave it alone.
    const std::wstring temporary = folder + L"~" + FileNameOf(VersionPathFor(note, now, computer)) + L".tmp";
    if (const DWORD error = WriteWhole(calls, temporary, bytes, CREATE_ALWAYS)) return error;
    std::string back;
    DWORD error = ReadWhole(calls, temporary, back);
    if (!error && back != bytes) error = ERROR_CRC;
    if (!error)
        error = MoveToFreeName(
            calls, temporary, [&](int n) { return VersionPathFor(note, now, computer, n); }, made);
    if (error) calls.Delete(temporary.c_str());
    return error;
}

void ThinVersions(TFileCalls& calls, const std::wstring& note, ULONGLONG now, ULONGLONG noteSize) {
    const std::vector<TNoteVersion> versions = FolderVersions(calls, note);
    std::vector<TVersionAge> ages;
    for (const TNoteVersion& version : versions)
        ages.push_back({version.Taken, version.Size});
    for (const size_t i : VersionsToDrop(ages, now, noteSize))
        calls.Delete(versions[i].Path.c_str());
}

void TakeInNumberedVersions(TFileCalls& calls, const std::wstring& note, const std::wstring& computer) {
    for (int n = 3; n >= 1; --n) {
        const std::wstring old = note + L"." + std::to_wstring(n);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!calls.GetInfo(old.c_str(), &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        const ULONGLONG written =
            (ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
        calls.CreateFolder(VersionsFolder(note).c_str());
        std::wstring to;
        MoveToFreeName(
            calls, old, [&](int k) { return VersionPathFor(note, written, computer, k); }, to);
    }
}

bool KeepVersionByTime(TFileCalls& calls, const std::wstring& note, const std::string& bytes, ULONGLONG now,
                       const std::wstring& computer, bool force, ULONGLONG noteSize, ULONGLONG& nearest) {
    nearest = 0;
    if (!force) {
        std::vector<ULONGLONG> times;
        for (const TNoteVersion& version : FolderVersions(calls, note))
            times.push_back(version.Taken);
        if (!VersionDue(times, now)) {
            for (const ULONGLONG time : times)
                if (!VersionDue({time}, now)) nearest = time;
            return false;
        }
    }
    std::wstring made;
    if (MakeVersion(calls, note, bytes, now, computer, made)) return false;
    nearest = now - now % kFileTimeSecond;
    ThinVersions(calls, note, now, noteSize);
    return true;
}

std::wstring ThisComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = static_cast<DWORD>(std::size(name));
    std::wstring computer = GetComputerNameW(name, &size) ? std::wstring(name, size) : std::wstring();
    // Part of a file name, and read back up to its end: nothing a name cannot hold, no spaces.
    for (wchar_t& c : computer)
        if (c < 32 || wcschr(L"\\/:*?\"<>| ()", c)) c = L'-';
    return computer.empty() ? L"PC" : computer;
}
