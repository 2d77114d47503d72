#pragma once
// Two computers share the note's folder through a sync engine: each has its own disk, editor,
// user and program; the engine copies what changed on one side to the other, and where both
// changed the note since it last synced, keeps one as the note and the other beside it as its
// conflict copy, on both sides. The users type new words at random places on random schedules
// drawn from one seed. Once both programs have left and the engine has settled, the two notes must
// hold the same words in the same order, every word typed once, and no copy of either kind left.
#include <string>
#include <vector>

struct TTwoOptions {
    int Length = 0;     // events; 0: the seed picks 30 to 90
    bool Trace = false; // print the schedule step by step
    // At the end, a typed word is taken out of one note behind the programs' back.
    bool DropWord = false;
};

struct TTwoResult {
    std::vector<std::string> Broken; // each invariant broken, as the check says it
    int Events = 0;
    int EngineConflicts = 0; // copies the engine made
    bool SaveOnChange = false;
};

TTwoResult RunTwoComputers(unsigned seed, const TTwoOptions& options = {});
