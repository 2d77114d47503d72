#include "Harness.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

TEST(StartStop, WithoutSettingsOnlyTheTrayIconShowsAndTheProgramKeepsRunning) {
    TProgramUnderTest program;
    program.Start();
    ASSERT_NE(program.WaitForWindow(L"Quillpad.TrayNotify"), nullptr);
    HWND app = program.WaitForWindow(L"Quillpad.Application");
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(WindowText(app), L"Quillpad");
    EXPECT_TRUE(WaitUntil([] { return TrayWindow() && IsWindowVisible(TrayWindow()); }, 5s));
    // Nothing of ours becomes visible, and the program stays.
    EXPECT_FALSE(WaitUntil([&] { return program.VisibleWindow(L"TForm1") || IsWindowVisible(app); }, 1s));
    EXPECT_TRUE(program.Running());
}

TEST(StartStop, VisibleSettingShowsTheNoteAtStartAndClosingItEndsTheProgramWhenAsked) {
    TProgramUnderTest program;
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    WriteSetting(program, L"Apparence", L"Close", L"0");
    program.Start();
    HWND note = program.WaitForWindow(L"TForm1");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(note) != FALSE; }, 5s));
    EXPECT_EQ(WindowText(note), L"Quillpad v1.6");
    PostMessageW(note, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitForExit(5s));
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_TRUE(program.Windows().empty());
}

TEST(StartStop, EndsCleanlyWhenTheSessionEnds) {
    TProgramUnderTest program;
    program.Start();
    HWND app = program.WaitForWindow(L"Quillpad.Application");
    ASSERT_NE(app, nullptr);
    HWND tray = program.WaitForWindow(L"Quillpad.TrayNotify");
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(SendMessageW(app, WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(app, WM_ENDSESSION, TRUE, 0);
    // The windows are gone by the time the message returns: nothing waits for the loop.
    EXPECT_FALSE(IsWindow(tray));
    ASSERT_TRUE(program.WaitForExit(5s));
    EXPECT_EQ(program.ExitCode(), 0u);
}

} // namespace
