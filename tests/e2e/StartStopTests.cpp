#include "Harness.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

TEST(StartStop, StartsWithItsWindowsAndEndsCleanlyWhenTheNoteIsClosed) {
    TProgramUnderTest program;
    program.Start();
    HWND note = program.WaitForWindow(L"TForm1");
    ASSERT_NE(note, nullptr);
    HWND app = program.WaitForWindow(L"Quillpad.Application");
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(WindowText(app), L"Quillpad");
    EXPECT_EQ(GetWindow(note, GW_OWNER), app);
    EXPECT_TRUE(IsWindowVisible(note));

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
    HWND note = program.WaitForWindow(L"TForm1");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(SendMessageW(app, WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageW(app, WM_ENDSESSION, TRUE, 0);
    // The windows are gone by the time the message returns: nothing waits for the loop.
    EXPECT_FALSE(IsWindow(note));
    ASSERT_TRUE(program.WaitForExit(5s));
    EXPECT_EQ(program.ExitCode(), 0u);
}

} // namespace
