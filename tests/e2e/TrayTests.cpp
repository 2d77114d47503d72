#include "Harness.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

HWND OpenMenuOf(const TProgramUnderTest& program) {
    return program.VisibleWindow(L"#32768");
}

TEST(Tray, LeftClicksOnTheIconShowAndHideTheNoteAndQuitterEndsTheProgram) {
    TProgramUnderTest program;
    program.Start();
    ASSERT_NE(program.WaitForWindow(L"Quillpad.TrayNotify"), nullptr);
    ASSERT_TRUE(WaitUntil([] { return TrayWindow() && IsWindowVisible(TrayWindow()); }, 5s));
    const POINT icon = FirstTrayIconCentre();

    ClickScreen(icon);
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = program.VisibleWindow(L"TForm1")) != nullptr; }, 5s));
    ClickScreen(icon);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(note); }, 5s));
    HWND app = program.WaitForWindow(L"Quillpad.Application");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(app); }, 5s)); // back in the tray: no taskbar button

    ClickScreen(icon, true);
    ASSERT_TRUE(WaitUntil([&] { return OpenMenuOf(program) != nullptr; }, 5s));
    SendChord({'Q'}); // "&Quitter"
    ASSERT_TRUE(program.WaitForExit(5s));
    EXPECT_EQ(program.ExitCode(), 0u);
    // Our icon has left the notification area with us.
    EXPECT_TRUE(WaitUntil([] { return !TrayWindow() || !IsWindowVisible(TrayWindow()); }, 5s));
}

} // namespace
