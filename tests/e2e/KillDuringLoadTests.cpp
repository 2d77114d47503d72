#include "Harness.h"
#include "LoadKills.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A note the rich-text control takes seconds to read.
std::string LargeNote() {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ";
    for (int line = 0; rtf.size() < 2000000; ++line)
        rtf += "{\\b line} " + std::to_string(line) + " of a note that takes long to read\\par\n";
    return rtf + "}";
}

// A program that dies while the control reads the note (a fault inside the reader, or a user
// ending one that never returns) must not die the same way at every start after.
TEST(KillDuringLoad, AfterTwoKillsTheNextStartComesUpReportsTheFailureAndSetsTheFileAsideBeforeItsFirstSave) {
    TProgramUnderTest program;
    const fs::path document = program.Folder() / L"quillpad.RTF";
    const fs::path marker = program.Folder() / L"quillpad.RTF.loading";
    const fs::path aside = program.Folder() / L"quillpad.RTF.unreadable";
    const std::string stored = LargeNote();
    std::ofstream(document, std::ios::binary) << stored;

    // Killed twice in the reader: one interrupted load alone is tried again (see the app tests).
    for (int load = 1; load <= 2; ++load)
        ASSERT_TRUE(KillWhileLoading(program, load, 30s));

    WriteSetting(program, L"Save", L"SaveOnChange", L"1");
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    HWND box = program.WaitForWindow(L"#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box).rfind(L"Failed to Load Stream", 0), 0u);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = program.VisibleWindow(L"TForm1")) != nullptr; }, 10s));
    EXPECT_TRUE(FileBytes(document) == stored);
    EXPECT_FALSE(fs::exists(aside));

    // The user writes a new note: the one that could not be read goes aside before it is saved.
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == note; }, 5s));
    for (WORD key : {'N', 'E', 'W'})
        SendChord({key});
    // Reading the 2 MB note to see whether it changed would hold it against the move half the
    // time: the move is waited for first.
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(aside); }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return FileBytes(document).find("new") != std::string::npos; }, 10s));
    EXPECT_TRUE(FileBytes(aside) == stored);
    EXPECT_FALSE(fs::exists(marker));
}

} // namespace
