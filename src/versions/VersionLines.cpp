#include "versions/VersionLines.h"

#include "note/NotePrepare.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iterator>

std::wstring LocalDateText(ULONGLONG taken) {
    FILETIME utc{static_cast<DWORD>(taken), static_cast<DWORD>(taken >> 32)};
    SYSTEMTIME universal{}, local{};
    // The rules of the day it was taken, not today's: a version from summer reads in summer time.
    if (!FileTimeToSystemTime(&utc, &universal)) return {};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) local = universal;
    wchar_t text[32];
    swprintf(text, std::size(text), L"%02u/%02u/%04u %02u:%02u", local.wDay, local.wMonth, local.wYear,
             local.wHour, local.wMinute);
    return text;
}

std::wstring SizeText(ULONGLONG bytes) {
    constexpr ULONGLONG kilo = 1024, mega = 1024 * 1024;
    if (bytes < kilo) return std::to_wstring(bytes) + (bytes > 1 ? L" octets" : L" octet");
    if (bytes < mega) return std::to_wstring((bytes + kilo / 2) / kilo) + L" Ko";
    // One decimal, with the French comma, while it says something.
    const ULONGLONG tenths = (bytes * 10 + mega / 2) / mega;
    if (tenths >= 100) return std::to_wstring((tenths + 5) / 10) + L" Mo";
    std::wstring text = std::to_wstring(tenths / 10);
    if (tenths % 10) text += L"," + std::to_wstring(tenths % 10);
    return text + L" Mo";
}

std::wstring FirstWords(const std::string& head, size_t length) {
    const std::wstring text = TextOfNote(head);
    std::wstring words;
    bool blank = false;
    for (wchar_t c : text) {
        if (std::iswspace(c) || c == 0xA0 || c < 0x20) {
            blank = !words.empty();
            continue;
        }
        if (words.size() >= length) {
            // Back to the end of the last whole word, when there is one not too far back.
            const size_t space = words.find_last_of(L' ');
            if (space != std::wstring::npos && space > length * 2 / 3) words.resize(space);
            return words + L"…";
        }
        if (blank) words += L' ';
        blank = false;
        words += c;
    }
    return words;
}

bool ReadHead(TFileCalls& calls, const std::wstring& path, std::string& head) {
    head.clear();
    TCallsFile file(calls, calls.Open(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING));
    if (!file) return false;
    head.resize(kVersionHeadBytes);
    DWORD filled = 0;
    while (filled < kVersionHeadBytes) {
        DWORD read = 0;
        if (!calls.Read(file.Get(), head.data() + filled, kVersionHeadBytes - filled, &read)) {
            head.clear();
            return false;
        }
        if (read == 0) break;
        filled += std::min(read, kVersionHeadBytes - filled);
    }
    head.resize(filled);
    return true;
}

std::vector<TVersionLine> VersionLines(TFileCalls& calls, const std::wstring& note) {
    std::vector<TVersionLine> lines;
    for (TNoteVersion& version : ListVersions(calls, note)) {
        TVersionLine line;
        line.Date = LocalDateText(version.Taken);
        line.Computer = version.Conflict ? L"copie en conflit" : version.Computer;
        line.Size = SizeText(version.Size);
        std::string head;
        line.Start = ReadHead(calls, version.Path, head) ? FirstWords(head) : L"(illisible)";
        line.Version = std::move(version);
        lines.push_back(std::move(line));
    }
    return lines;
}
