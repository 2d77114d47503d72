#include "note/sim/SimSeeds.h"
#include "note/sim/SimWorld.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

std::string ReplayCommand(unsigned seed) {
    return "QUILLPAD_SIM_SEED=" + std::to_string(seed) +
           " wine note_tests.exe --gtest_filter=KeeperSimulation.RandomSchedulesKeepEveryWord";
}

// What kind of invariant a line says was broken: its words before the first colon or comma.
std::string KindOf(const std::string& line) {
    return line.substr(0, std::min(line.find_first_of(":,("), line.size()));
}

} // namespace

// Short random schedules from fixed seeds, chosen as SimSeeds.h says with QUILLPAD_SIM.
TEST(KeeperSimulation, RandomSchedulesKeepEveryWord) {
    const auto [only, first, count, length, shown] = SeedRunFromEnvironment("QUILLPAD_SIM", 10000);
    TScheduleOptions options;
    options.Length = length;
    options.Trace = only != 0;

    const auto start = std::chrono::steady_clock::now();
    int failed = 0;
    long events = 0;
    std::map<std::string, int> kinds;
    for (int seed = first; seed < first + count; ++seed) {
        const TScheduleResult result = RunSchedule(static_cast<unsigned>(seed), options);
        events += result.Events;
        if (result.Broken.empty()) continue;
        ++failed;
        std::string lines;
        for (const std::string& line : result.Broken) {
            lines += "\n  " + line;
            ++kinds[KindOf(line)];
        }
        if (failed <= shown)
            ADD_FAILURE() << "seed " << seed << ":" << lines << "\n  replay: " << ReplayCommand(seed);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d schedules, %ld events, %.1f s, %d failed\n", count, events, seconds, failed);
    for (const auto& [kind, times] : kinds)
        std::printf("  %5d x %s\n", times, kind.c_str());
    EXPECT_EQ(failed, 0);
}

// The checks are worth only the faults they see: each fault made here by hand through the
// program's own calls (or behind its back) must be reported, whatever the schedule before it.
TEST(KeeperSimulation, ChecksReportFaultsMadeOnPurpose) {
    const struct {
        TSabotage Sabotage;
        const char* Report;
    } cases[] = {
        {TSabotage::sbTruncateNote, "the program replaced the note with less"},
        {TSabotage::sbLeakHandle, "handles open"},
        {TSabotage::sbStrayTemporary, "stray file left"},
        {TSabotage::sbUntoldEdit, "the note lacks the editor's"},
        {TSabotage::sbLoseTypedWord, "typed words lost"},
    };
    for (const auto& c : cases) {
        for (unsigned seed = 1; seed <= 15; ++seed) {
            TScheduleOptions options;
            options.Sabotage = c.Sabotage;
            const TScheduleResult result = RunSchedule(seed, options);
            bool reported = false;
            for (const std::string& line : result.Broken)
                reported = reported || line.find(c.Report) != std::string::npos;
            EXPECT_TRUE(reported) << "seed " << seed << " did not report \"" << c.Report << "\"";
        }
    }
}

// A printed seed is only worth its replay: the same seed runs the same schedule to the same end.
TEST(KeeperSimulation, ASeedReplaysTheSameRun) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const TScheduleResult first = RunSchedule(seed);
        const TScheduleResult again = RunSchedule(seed);
        EXPECT_EQ(first.Broken, again.Broken) << "seed " << seed;
        EXPECT_EQ(first.Starts, again.Starts) << "seed " << seed;
        EXPECT_EQ(first.Disk, again.Disk) << "seed " << seed;
    }
}
