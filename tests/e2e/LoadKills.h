#pragma once
// A user who gives up on a start that does not come up ends the program from outside, while it
// reads the note.
#include "Harness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

// Starts the program and kills it once the load mark beside its note counts the `load`-th load:
// the mark names the file and counts the loads, and is written before any step reads the note's
// content. Fails when the mark never came, or the program had ended or ended the load by itself.
inline ::testing::AssertionResult KillWhileLoading(TProgramUnderTest& program, int load,
                                                   std::chrono::milliseconds within) {
    const std::filesystem::path marker = program.Beside(L".RTF.loading");
    const std::string count = "\n" + std::to_string(load);
    program.Launch();
    const bool marked = WaitUntil(
        [&] {
            const std::string mark = FileBytes(marker);
            return mark.size() > count.size() && mark.ends_with(count);
        },
        within);
    const bool running = program.Running();
    program.Kill();
    if (!marked) return ::testing::AssertionFailure() << "load " << load << " was never marked";
    if (!running) return ::testing::AssertionFailure() << "the program ended by itself in load " << load;
    if (!std::filesystem::exists(marker))
        return ::testing::AssertionFailure() << "load " << load << " had returned before the kill";
    return ::testing::AssertionSuccess();
}
