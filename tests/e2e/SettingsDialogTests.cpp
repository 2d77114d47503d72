#include "Harness.h"

#include "framework/ShortcutText.h"

#include <commctrl.h>
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

// Starts the program with its note shown and opens the settings dialog with Ctrl+P, in front.
void OpenSettings(TProgramUnderTest& program, HWND& dialog) {
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
    ASSERT_TRUE(WaitUntil([&] { return (dialog = program.VisibleWindow(L"TFcfg")) != nullptr; }, 5s));
    EXPECT_EQ(WindowText(dialog), L"Paramètres");
    // Shown by a hot key it normally comes to the front; where the window manager holds another
    // window there, a click on its title bar brings it, as a person would do.
    if (!WaitUntil([&] { return GetForegroundWindow() == dialog; }, 2s))
        ClickScreen(ScreenPoint(dialog, 60, 10));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }, 5s));
}

TEST(SettingsDialogEndToEnd, ChangesMadeInTheDialogAndWrittenByOkComeBackAtTheNextStart) {
    TProgramUnderTest program;
    HWND dialog = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenSettings(program, dialog));

    HWND opacity = FindControl(dialog, L"ScrollBar", nullptr);
    ASSERT_NE(opacity, nullptr);
    ClickScreen(ScreenPoint(opacity, 5, 8)); // one step left: 250
    ASSERT_TRUE(WaitUntil([&] { return GetScrollPos(opacity, SB_CTL) == 250; }, 5s));
    ASSERT_TRUE(Toggle(dialog, L"Afficher la bordure"));
    ASSERT_TRUE(Toggle(dialog, L"Afficher la barre de titre"));
    ASSERT_TRUE(Toggle(dialog, L"Afficher la barre de défilement"));
    ASSERT_TRUE(Toggle(dialog, L"Ouvert au démarrage"));
    // The border change gave the note a new window.
    HWND note = program.WaitForWindow(L"TForm1");
    const TNoteLook changed = LookOf(note);
    EXPECT_EQ(changed.Style, 0);
    EXPECT_EQ(changed.EditorStyle, 0);
    EXPECT_EQ(changed.Alpha, 250);
    EXPECT_EQ(changed.Flags, static_cast<DWORD>(LWA_ALPHA));
    HWND ok = FindControl(dialog, L"Button", L"OK");
    ASSERT_NE(ok, nullptr);
    // The note's new window may have come to the front meanwhile: the dialog is brought back by
    // its title bar first, as a person would, so that the click is OK's and not an activation.
    if (!WaitUntil([&] { return GetForegroundWindow() == dialog; }, 2s)) ClickScreen(ScreenPoint(dialog, 60, 10));
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog; }, 5s));
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

// The text of a control of the program, asked of the control itself.
std::wstring ControlText(HWND control) {
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    return text;
}

// The control with the keyboard focus in the program's thread that owns `window`.
HWND FocusIn(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// The program's balloon on screen, or nullptr.
HWND VisibleBalloon(const TProgramUnderTest& program) {
    for (HWND wnd : program.Windows())
        if (WindowClass(wnd) == L"tooltips_class32" && IsWindowVisible(wnd) &&
            (GetWindowLongPtrW(wnd, GWL_STYLE) & TTS_BALLOON))
            return wnd;
    return nullptr;
}

// Nobody holds the combination system-wide: this process may register it (and lets it go at once).
bool Free(UINT modifiers, UINT key) {
    if (!RegisterHotKey(nullptr, 0x7FFF, modifiers, key)) return false;
    UnregisterHotKey(nullptr, 0x7FFF);
    return true;
}

void Key(WORD key, bool up) {
    INPUT input{INPUT_KEYBOARD, {.ki = {key, 0, up ? static_cast<DWORD>(KEYEVENTF_KEYUP) : 0u, 0, 0}}};
    SendInput(1, &input, sizeof input);
}

TEST(SettingsDialogEndToEnd, TheGlobalKeyFieldTakesNoTypingKeyAndSaysWhenAnotherProgramHoldsOne) {
    // This test plays the other program: it holds Ctrl+Alt+J system-wide.
    ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'J'));
    TProgramUnderTest program;
    HWND dialog = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenSettings(program, dialog));
    HWND field = FindControl(dialog, L"Edit");
    ASSERT_NE(field, nullptr);
    ClickScreen(ScreenPoint(field, 10, 10));
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(dialog) == field; }, 5s));
    const auto shows = [&](const std::wstring& text) {
        return WaitUntil([&] { return ControlText(field) == text; }, 5s);
    };

    // Ctrl and "a" show while held and are taken nowhere.
    for (WORD key : {WORD{VK_CONTROL}, WORD{'A'}}) {
        Key(key, false);
        ASSERT_TRUE(shows(FormatShortcut(key))) << ControlText(field);
        EXPECT_TRUE(Free(0, key)) << key;
        Key(key, true);
        ASSERT_TRUE(shows(L"")) << ControlText(field);
    }

    // The combination held here: the press goes to its holder, and the field says it is taken.
    SendChord({VK_CONTROL, VK_MENU, 'J'});
    ASSERT_TRUE(shows(L"Ctrl+Alt+J"));
    HWND balloon = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (balloon = VisibleBalloon(program)) != nullptr; }, 5s));
    EXPECT_NE(ControlText(balloon).find(L"un autre programme"), std::wstring::npos) << ControlText(balloon);

    // Let go of, another combination typed works, and the note takes it from everyone else.
    UnregisterHotKey(nullptr, 1);
    SendChord({VK_CONTROL, VK_MENU, 'K'});
    ASSERT_TRUE(WaitUntil([] { return !Free(MOD_CONTROL | MOD_ALT, 'K'); }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return VisibleBalloon(program) == nullptr; }, 5s));
    SendChord({VK_F9});
    ASSERT_TRUE(WaitUntil([] { return !Free(0, VK_F9); }, 5s));
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 'K'));

    SendChord({VK_RETURN}); // OK, from the field too
    ASSERT_TRUE(WaitUntil([&] { return program.VisibleWindow(L"TFcfg") == nullptr; }, 5s));
    EXPECT_NE(FileBytes(program.Folder() / L"quillpad.INI").find("Global=120\r\n"), std::string::npos);
    EXPECT_FALSE(Free(0, VK_F9)) << "still the note's";
}

} // namespace
