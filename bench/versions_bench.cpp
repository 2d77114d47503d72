// What the versions folder holds after a quarter of daily use: eight hours of edits a day, a save
// every minute, for 92 days, on the simulated disk and clock, as the keeper makes and thins them.
// Prints the files and bytes left for a 10 KB and a 1 MB note, and how many there would be were
// only the ages to decide.
#include "note/NoteVersions.h"
#include "note/sim/SimClock.h"
#include "note/sim/SimDisk.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

const std::wstring kNote = L"D:\\Notes\\quillpad.RTF";

struct TOutcome {
    size_t Files = 0;
    ULONGLONG Bytes = 0;
    int Made = 0;
};

TOutcome Quarter(size_t noteSize) {
    TSimClock clock;
    TSimDisk disk(clock);
    TFileCalls calls = disk.Calls();
    disk.AddFolder(L"D:\\Notes");
    std::string note(noteSize, 'a');
    note.front() = '{';
    note.back() = '}';
    TOutcome outcome;
    ULONGLONG nearest = 0;
    for (int day = 0; day < 92; ++day) {
        for (int minute = 0; minute < 8 * 60; ++minute) {
            clock.Advance(60'000);
            // The keeper's own shortcut: a version it made a moment ago spares it the look.
            const ULONGLONG now = clock.UtcFileTime();
            const bool recent = nearest && (nearest > now ? nearest - now : now - nearest) < kVersionEvery;
            if (!recent && KeepVersionByTime(calls, kNote, note, now, L"BUREAU", false, note.size(), nearest))
                ++outcome.Made;
            note[1 + static_cast<size_t>(minute) % (note.size() - 2)] ^= 1;
        }
        clock.Advance(16 * 3'600'000ull);
    }
    for (const TNoteVersion& version : FolderVersions(calls, kNote)) {
        ++outcome.Files;
        outcome.Bytes += version.Size;
    }
    return outcome;
}

// The same quarter through the rule alone, with versions too small for the size bound to matter.
size_t ByAgeAlone() {
    std::vector<TVersionAge> versions;
    ULONGLONG now = 134'120'448'000'000'000ull;
    for (int day = 0; day < 92; ++day, now += 16 * kFileTimeHour)
        for (int minute = 0; minute < 8 * 60; ++minute, now += kFileTimeMinute) {
            std::vector<ULONGLONG> times;
            for (const TVersionAge& version : versions)
                times.push_back(version.Taken);
            if (!VersionDue(times, now)) continue;
            versions.push_back({now, 1});
            const std::vector<size_t> drop = VersionsToDrop(versions, now, 1 << 20);
            for (auto i = drop.rbegin(); i != drop.rend(); ++i)
                versions.erase(versions.begin() + static_cast<ptrdiff_t>(*i));
        }
    return versions.size();
}

} // namespace

int main() {
    std::printf("a quarter of daily use: 92 days, 8 hours a day, a save every minute\n");
    for (const size_t size : {size_t{10} << 10, size_t{1} << 20}) {
        const auto start = std::chrono::steady_clock::now();
        const TOutcome outcome = Quarter(size);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("note %7zu bytes: %3zu versions left, %10llu bytes (%.1f x the note); %d made; %.1f s\n",
                    size, outcome.Files, outcome.Bytes, double(outcome.Bytes) / double(size), outcome.Made,
                    seconds);
    }
    std::printf("by age alone (size bound not reached): %zu versions left\n", ByAgeAlone());
    return 0;
}
