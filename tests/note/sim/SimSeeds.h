#pragma once
// Which seeds a simulation runs, from the environment: <P>_SEED=<n> replays one seed step by step;
// <P>_COUNT=<n> runs n seeds from <P>_FIRST (default 1); <P>_LENGTH=<n> cuts schedules to n events
// (to find the shortest that fails); <P>_SHOW=<n> shows the first n failing seeds (default 20).
#include <string>

struct TSeedRun {
    int Only = 0; // the one seed replayed, or 0
    int First = 1, Count = 0, Length = 0, Shown = 20;
};

TSeedRun SeedRunFromEnvironment(const std::string& prefix, int defaultCount);
