#include "note/sim/SimSeeds.h"
#include "note/sim/TwoComputers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

// What kind of invariant a line says was broken: its words before the colon.
std::string KindOf(const std::string& line) {
    return line.substr(0, std::min(line.find(':'), line.size()));
}

// The merge falling short of its goal, with every word typed in both notes: a word twice, a copy
// left, a conflict copy made. Anything else (a word missing from a note, the notes differing, a
// word never typed, a stray file, no settling) is a fault: words typed never collide, so every
// one must be in both notes.
bool MergeShortfall(const std::string& line) {
    for (const char* kind : {"a word twice in ", "an engine copy left on ", "a conflict copy made on "})
        if (line.rfind(kind, 0) == 0) return true;
    return false;
}

} // namespace

// Seeds chosen as SimSeeds.h says with QUILLPAD_TWO.
TEST(TwoComputersSimulation, EveryWordTypedOnEitherIsKeptAndTheNotesAgree) {
    const auto [only, first, count, length, shown] = SeedRunFromEnvironment("QUILLPAD_TWO", 400);
    TTwoOptions options;
    options.Length = length;
    options.Trace = only != 0;

    const auto start = std::chrono::steady_clock::now();
    int failed = 0, shortfalls = 0, engineConflicts = 0, saveOnChange = 0;
    long events = 0;
    std::map<std::string, int> kinds;
    for (int seed = first; seed < first + count; ++seed) {
        const TTwoResult result = RunTwoComputers(static_cast<unsigned>(seed), options);
        events += result.Events;
        engineConflicts += result.EngineConflicts;
        saveOnChange += result.SaveOnChange;
        if (result.Broken.empty()) continue;
        std::string lines;
        bool hard = false;
        for (const std::string& line : result.Broken) {
            lines += "\n  " + line;
            ++kinds[KindOf(line)];
            hard = hard || !MergeShortfall(line);
        }
        if (!hard) {
            ++shortfalls;
            if (!only) continue;
        }
        if (++failed <= shown)
            ADD_FAILURE() << "seed " << seed << ":" << lines << "\n  replay: QUILLPAD_TWO_SEED=" << seed
                          << (options.Length ? " QUILLPAD_TWO_LENGTH=" + std::to_string(options.Length) : "")
                          << " wine note_tests.exe --gtest_filter=TwoComputersSimulation.*Every*";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d schedules (%d saving on change), %ld events, %d engine conflicts, %.1f s, %d failed, "
                "%d merged short of the goal\n",
                count, saveOnChange, events, engineConflicts, seconds, failed, shortfalls);
    for (const auto& [kind, times] : kinds)
        std::printf("  %5d x %s\n", times, kind.c_str());
    // A run that never made the engine keep a copy, or never tried both saving modes, proves little.
    if (!only) {
        EXPECT_GT(engineConflicts, count / 10);
        EXPECT_GT(saveOnChange, 0);
        EXPECT_LT(saveOnChange, count);
    }
    EXPECT_EQ(failed, 0);
    // Where the merge still falls short, every word is in both notes but they are not yet as they
    // should be: a word twice where the two computers ordered words typed at one place
    // differently, a copy left for the user. Bounded at the level reached so far, to be brought
    // to none.
    if (!only) EXPECT_LE(shortfalls, count / 10);
}

// On schedules that end well, a typed word taken out of A's note behind the programs' back must
// be seen both as missing and as a difference between the notes.
TEST(TwoComputersSimulation, ChecksReportAWordDroppedBehindThePrograms) {
    int tried = 0;
    for (unsigned seed = 1; seed <= 60 && tried < 8; ++seed) {
        if (!RunTwoComputers(seed).Broken.empty()) continue;
        ++tried;
        TTwoOptions options;
        options.DropWord = true;
        const TTwoResult result = RunTwoComputers(seed, options);
        bool missing = false, differ = false;
        for (const std::string& line : result.Broken) {
            missing = missing || line.rfind("a word missing from A's note", 0) == 0;
            differ = differ || line == "the two notes differ";
        }
        EXPECT_TRUE(missing && differ) << "seed " << seed;
    }
    EXPECT_EQ(tried, 8);
}
