#include "Harness.h"
#include "LoadKills.h"
#include "RescueFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A note the program takes seconds to make ready for the control, before the control reads any of
// it: 32 MB of text after the document's closing brace, each piece behind a \u whose fallback
// must not take it, which the rewriting moves inside the document one piece at a time.
std::string SlowToPrepareNote() {
    std::string rtf = "{\\rtf1\\ansi\\uc2 debut";
    rtf.reserve(32 << 20);
    while (rtf.size() < (32 << 20))
        rtf += "\\u233 } piece of text outside the document";
    return rtf + "}";
}

// A user who gives up on a start that prepares a note for ever ends the program; two such starts
// in a row must not become a third.
TEST(RewriteKill, AfterTwoKillsWhileTheNoteIsPreparedTheNextStartRefusesItAndSetsItAsideAtTheFirstSave) {
    TRescueFolder rescues; // what a run that failed half-way left there is not offered to the next
    TProgramUnderTest program;
    const fs::path document = program.Folder() / L"quillpad.RTF";
    const fs::path marker = program.Folder() / L"quillpad.RTF.loading";
    const fs::path aside = program.Folder() / L"quillpad.RTF.unreadable";
    const std::string stored = SlowToPrepareNote();
    std::ofstream(document, std::ios::binary) << stored;

    for (int load = 1; load <= 2; ++load)
        ASSERT_TRUE(KillWhileLoading(program, load, 60s));

    WriteSetting(program, L"Save", L"SaveOnChange", L"1");
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    HWND box = program.WaitForWindow(L"#32770");
    ASSERT_NE(box, nullptr);
    const std::wstring told = BoxText(box);
    EXPECT_EQ(told.rfind(L"Failed to Load Stream", 0), 0u) << told;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = program.VisibleWindow(L"TForm1")) != nullptr; }, 10s));
    EXPECT_TRUE(FileBytes(document) == stored);
    EXPECT_FALSE(fs::exists(aside));

    // What the user types is saved; the note that could not be prepared goes aside first, whole.
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == note; }, 5s));
    for (WORD key : {'N', 'E', 'W'})
        SendChord({key});
    // Only sizes until then: a reader that keeps a note this large open would hold up its renaming.
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::error_code error;
            return fs::exists(aside, error) && fs::file_size(document, error) < stored.size();
        },
        20s));
    EXPECT_TRUE(WaitUntil([&] { return FileBytes(document).find("new") != std::string::npos; }, 10s));
    EXPECT_TRUE(FileBytes(aside) == stored);
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(rescues.Added().empty()) << "the typing went to a rescue copy, not to the note";
}

} // namespace
