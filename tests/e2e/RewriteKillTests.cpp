#include "Harness.h"
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

std::wstring MessageBoxText(HWND box) {
    wchar_t text[256] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 256); // the message's static control
    return text;
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

    for (int kill = 0; kill < 2; ++kill) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::wstring commandLine = L"\"" + program.Executable().wstring() + L"\"";
        ASSERT_TRUE(CreateProcessW(program.Executable().c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                   0, nullptr, program.Folder().c_str(), &si, &pi));
        // The mark that counts the loads is written once the file is read, just before its
        // preparation, which takes seconds: the kill, a poll later, falls within it.
        const std::string count = "\n" + std::to_string(kill + 1);
        const bool preparing = WaitUntil(
            [&] {
                const std::string mark = FileBytes(marker);
                return mark.size() > count.size() && mark.ends_with(count);
            },
            60s);
        const bool running = WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT;
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        ASSERT_TRUE(preparing) << "kill " << kill;
        ASSERT_TRUE(running) << "kill " << kill;
        ASSERT_TRUE(fs::exists(marker)) << "the load had returned before the kill";
    }

    WriteSetting(program, L"Save", L"SaveOnChange", L"1");
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    HWND box = program.WaitForWindow(L"#32770");
    ASSERT_NE(box, nullptr);
    const std::wstring told = MessageBoxText(box);
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
