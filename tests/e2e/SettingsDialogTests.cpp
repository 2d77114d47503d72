#include "Harness.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

bool Checked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Clicks a box and waits until it has changed its state.
bool Toggle(HWND dialog, const wchar_t* caption) {
    HWND box = FindControl(dialog, L"Button", caption);
    if (!box) return false;
    const bool before = Checked(box);
    ClickScreen(ScreenPoint(box, 6, 8));
    return WaitUntil([&] { return Checked(box) != before; }, 5s);
}

struct TNoteLook {
    LONG_PTR Style = 0, EditorStyle = 0;
    BYTE Alpha = 0;
    DWORD Flags = 0;
};

TNoteLook LookOf(HWND note) {
    TNoteLook look;
    look.Style = GetWindowLongPtrW(note, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME);
    look.EditorStyle =
        GetWindowLongPtrW(FindWindowExW(note, nullptr, nullptr, nullptr), GWL_STYLE) & WS_VSCROLL;
    GetLayeredWindowAttributes(note, nullptr, &look.Alpha, &look.Flags);
    return look;
}

TEST(SettingsDialogEndToEnd, ChangesMadeInTheDialogAndWrittenByOkComeBackAtTheNextStart) {
    TProgramUnderTest program;
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    HWND note = program.WaitForWindow(L"TForm1");
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return program.VisibleWindow(L"TForm1") != nullptr; }, 5s));
    RECT r;
    GetWindowRect(note, &r);
    ClickScreen({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == note; }, 5s));

    SendChord({VK_CONTROL, 'P'});
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = program.VisibleWindow(L"TFcfg")) != nullptr; }, 5s));
    EXPECT_EQ(WindowText(dialog), L"Paramètres");
    // Shown by a hot key it normally comes to the front; where the window manager holds another
    // window there, a click on its title bar brings it, as a person would do.
    if (!WaitUntil([&] { return GetForegroundWindow() == dialog; }, 2s))
        ClickScreen(ScreenPoint(dialog, 60, 10));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }, 5s));

    HWND opacity = FindControl(dialog, L"ScrollBar", nullptr);
    ASSERT_NE(opacity, nullptr);
    ClickScreen(ScreenPoint(opacity, 5, 8)); // one step left: 250
    ASSERT_TRUE(WaitUntil([&] { return GetScrollPos(opacity, SB_CTL) == 250; }, 5s));
    ASSERT_TRUE(Toggle(dialog, L"Afficher la bordure"));
    ASSERT_TRUE(Toggle(dialog, L"Afficher la barre de titre"));
    ASSERT_TRUE(Toggle(dialog, L"Afficher la barre de défilement"));
    ASSERT_TRUE(Toggle(dialog, L"Ouvert au démarrage"));
    // The border change gave the note a new window.
    note = program.WaitForWindow(L"TForm1");
    const TNoteLook changed = LookOf(note);
    EXPECT_EQ(changed.Style, 0);
    EXPECT_EQ(changed.EditorStyle, 0);
    EXPECT_EQ(changed.Alpha, 250);
    EXPECT_EQ(changed.Flags, static_cast<DWORD>(LWA_ALPHA));
    HWND ok = FindControl(dialog, L"Button", L"OK");
    ASSERT_NE(ok, nullptr);
    ClickScreen(ScreenPoint(ok, 20, 10));
    ASSERT_TRUE(WaitUntil([&] { return program.VisibleWindow(L"TFcfg") == nullptr; }, 5s));

    const std::string ini = FileBytes(program.Folder() / L"quillpad.INI");
    for (const char* line : {"Alpha=250\r\n", "Title=1\r\n", "Border=0\r\n", "Scroll=0\r\n", "Visible=0\r\n"})
        EXPECT_NE(ini.find(line), std::string::npos) << line << " in\n" << ini;
    EXPECT_LT(ini.find("BgTrans="), ini.find("StrikeOut="));
    EXPECT_LT(ini.find("AutoSave="), ini.find("SaveOnChange="));

    ClickScreen(FirstTrayIconCentre(), true);
    ASSERT_TRUE(WaitUntil([&] { return program.VisibleWindow(L"#32768") != nullptr; }, 5s));
    SendChord({'Q'});
    ASSERT_TRUE(program.WaitForExit(5s));

    program.Start();
    HWND again = program.WaitForWindow(L"TForm1");
    ASSERT_NE(again, nullptr);
    ASSERT_NE(program.WaitForWindow(L"Quillpad.TrayNotify"), nullptr);
    EXPECT_EQ(program.VisibleWindow(L"TForm1"), nullptr); // hidden at start now
    const TNoteLook restored = LookOf(again);
    EXPECT_EQ(restored.Style, changed.Style);
    EXPECT_EQ(restored.EditorStyle, changed.EditorStyle);
    EXPECT_EQ(restored.Alpha, changed.Alpha);
    EXPECT_EQ(restored.Flags, changed.Flags);
    EXPECT_EQ(FileBytes(program.Folder() / L"quillpad.INI"), ini); // starting writes nothing
}

} // namespace
