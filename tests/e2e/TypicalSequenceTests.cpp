#include "Harness.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace std::chrono_literals;

namespace {

void Type(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT inputs[2] = {};
        inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
        inputs[0].ki.wScan = inputs[1].ki.wScan = c;
        inputs[0].ki.dwFlags = KEYEVENTF_UNICODE;
        inputs[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, inputs, sizeof(INPUT));
    }
}

HWND EditorOf(HWND note) {
    return FindWindowExW(note, nullptr, nullptr, nullptr);
}

bool Topmost(HWND wnd) {
    return (GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

TEST(TypicalSequence, FromTheTrayToATypedSavedPinnedNoteThatComesBackNextTime) {
    TProgramUnderTest program;
    WriteSetting(program, L"Save", L"SaveOnChange", L"1");
    program.Start();
    ASSERT_NE(program.WaitForWindow(L"Quillpad.TrayNotify"), nullptr);
    ASSERT_TRUE(WaitUntil([] { return TrayWindow() && IsWindowVisible(TrayWindow()); }, 5s));
    EXPECT_EQ(program.VisibleWindow(L"TForm1"), nullptr); // starts hidden

    ClickScreen(FirstTrayIconCentre());
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = program.VisibleWindow(L"TForm1")) != nullptr; }, 5s));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == note; }, 5s));

    Type(L"Bonjour ");
    const auto document = program.Folder() / L"quillpad.RTF";
    // Every key release saved the note.
    EXPECT_TRUE(WaitUntil([&] { return FileBytes(document).find("Bonjour") != std::string::npos; }, 5s));

    SendChord({VK_CONTROL, 'O'});
    EXPECT_TRUE(WaitUntil([&] { return Topmost(note); }, 5s));

    // Another window takes the keyboard: the note's Ctrl+O lets go and the key goes there.
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 600, 500, 200, 30, nullptr, nullptr,
                                 nullptr, nullptr);
    RECT r;
    GetWindowRect(other, &r);
    ClickScreen({r.left + 10, r.top + 10});
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == other; }, 5s));
    SendChord({VK_CONTROL, 'O'});
    bool reachedOther = false;
    WaitUntil(
        [&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_KEYDOWN && msg.wParam == 'O' && msg.hwnd == other) reachedOther = true;
                DispatchMessageW(&msg);
            }
            return reachedOther;
        },
        3s);
    EXPECT_TRUE(reachedOther);
    EXPECT_TRUE(Topmost(note)); // untouched
    DestroyWindow(other);

    ClickScreen(FirstTrayIconCentre(), true);
    ASSERT_TRUE(WaitUntil([&] { return program.VisibleWindow(L"#32768") != nullptr; }, 5s));
    SendChord({'Q'});
    ASSERT_TRUE(program.WaitForExit(5s));
    EXPECT_NE(FileBytes(document).find("Bonjour"), std::string::npos);

    // The next start shows the same note.
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    HWND again = program.WaitForWindow(L"TForm1");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return EditorText(again) == L"Bonjour "; }, 5s)) << EditorText(again);
}

} // namespace
