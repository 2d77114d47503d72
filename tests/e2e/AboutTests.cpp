#include "Harness.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

using namespace std::chrono_literals;

namespace {

// A shown top-level window gets a taskbar button when it has no owner and is no tool window,
// or when it asks for one with WS_EX_APPWINDOW.
bool HasTaskbarButton(HWND wnd) {
    if (!IsWindowVisible(wnd)) return false;
    const LONG_PTR ex = GetWindowLongPtrW(wnd, GWL_EXSTYLE);
    if (ex & WS_EX_APPWINDOW) return true;
    return !GetWindow(wnd, GW_OWNER) && !(ex & WS_EX_TOOLWINDOW);
}

// The classes of the program's windows that show on the taskbar, for the failure message.
std::wstring TaskbarButtons(const TProgramUnderTest& program) {
    std::wstring found;
    for (HWND wnd : program.Windows())
        if (HasTaskbarButton(wnd)) found += WindowClass(wnd) + L" ";
    return found;
}

// The program settles without a taskbar button. A shown window may hide the button just after
// it appears (the note does), so this waits; a button that stays fails.
::testing::AssertionResult NoTaskbarButton(const TProgramUnderTest& program) {
    if (WaitUntil([&] { return TaskbarButtons(program).empty(); }, 5s)) return ::testing::AssertionSuccess();
    std::string names;
    for (wchar_t c : TaskbarButtons(program))
        names += static_cast<char>(c);
    return ::testing::AssertionFailure() << "taskbar buttons: " << names;
}

// Returns once the program has handled what it was doing: a sent message waits for its loop.
void Settle(const TProgramUnderTest& program) {
    const std::vector<HWND> windows = program.Windows();
    DWORD_PTR ignored = 0;
    if (!windows.empty()) SendMessageTimeoutW(windows.front(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

bool TrayReady(TProgramUnderTest& program) {
    return program.WaitForWindow(L"Quillpad.TrayNotify") &&
           WaitUntil([] { return TrayWindow() && IsWindowVisible(TrayWindow()); }, 5s);
}

// Opens the tray menu and chooses the item `upPresses` lines above its bottom. The right click
// is real input; the moves inside the menu are posted keys from its last item (End), and a menu
// that did not take them is closed and opened again.
bool ChooseFromTrayMenu(TProgramUnderTest& program, int upPresses) {
    ReleaseModifiers();
    for (int attempt = 0; attempt < 3; ++attempt) {
        ClickScreen(FirstTrayIconCentre(), true);
        if (!WaitUntil([&] { return !MenuWindows(program).empty(); }, 5s)) continue;
        RECT menu;
        GetWindowRect(MenuWindows(program).front(), &menu);
        SetCursorPos(menu.right + 40, menu.top > 40 ? menu.top - 40 : menu.bottom + 40); // no hover
        PostMenuKey(program, VK_END);
        for (int i = 1; i < upPresses; ++i)
            PostMenuKey(program, VK_UP);
        PostMenuKey(program, VK_RETURN);
        if (WaitUntil([&] { return MenuWindows(program).empty(); }, 3s)) return true;
        for (int i = 0; i < 5 && !MenuWindows(program).empty(); ++i)
            PostMenuKey(program, VK_ESCAPE);
    }
    return false;
}

// From the bottom of the tray menu: "&Quitter", then "A Propos...", then "Para&mètres...".
constexpr int kAPropos = 2;
constexpr int kParametres = 3;

HWND WaitShown(TProgramUnderTest& program, const wchar_t* className) {
    HWND wnd = nullptr;
    WaitUntil([&] { return (wnd = program.VisibleWindow(className)) != nullptr; }, 5s);
    return wnd;
}

// Brings a window of the program to the front as a person would, with a click on its title bar
// when it has not come forward by itself.
bool Foreground(HWND wnd) {
    if (WaitUntil([&] { return GetForegroundWindow() == wnd; }, 2s)) return true;
    ClickScreen(ScreenPoint(wnd, 60, GetSystemMetrics(SM_CYCAPTION) / 2 + 2));
    return WaitUntil([&] { return GetForegroundWindow() == wnd; }, 5s);
}

// Alt+F4, the keyboard's close box.
bool CloseByKeyboard(TProgramUnderTest& program, HWND wnd) {
    if (!Foreground(wnd)) return false;
    SendChord({VK_MENU, VK_F4});
    if (!WaitUntil([&] { return !IsWindowVisible(wnd); }, 5s)) return false;
    Settle(program);
    return true;
}

void ExpectCentredOnScreen(HWND wnd) {
    RECT r;
    GetWindowRect(wnd, &r);
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

// The credits' text label, in its window's client coordinates.
int CreditTextTop(HWND credits) {
    HWND label = FindControl(credits, L"Static");
    if (!label) return INT_MIN;
    RECT r;
    GetWindowRect(label, &r);
    POINT origin{0, 0};
    ClientToScreen(credits, &origin);
    return r.top - origin.y;
}

// Waits until the credits' text rises (a sample above the one before it) and returns where it
// is then; INT_MIN when it does not. Samples taken before the window's activation placed the
// text show where it was left, so only a rise tells that it is rolling from its new start.
int RollingTextTop(HWND credits) {
    int previous = CreditTextTop(credits), now = previous;
    const bool rising = WaitUntil(
        [&] {
            now = CreditTextTop(credits);
            // A step of rolling, not the jump of the text being placed.
            if (now < previous && previous - now < 100) return true;
            previous = now;
            return false;
        },
        10s);
    return rising ? now : INT_MIN;
}

// The centre of the About picture: Image1 at 1, 1 inside Panel1 at 16, 16 of the client area.
POINT PictureCentre(HWND about) {
    POINT at{16 + 1 + 40, 16 + 1 + 30};
    ClientToScreen(about, &at);
    return at;
}

void DoubleClickScreen(POINT at) {
    ClickScreen(at);
    ClickScreen(at);
}

TEST(AboutEndToEnd, FromTheTrayMenuItOpensCentredAndModalAndLeavesNoTaskbarButtonBehind) {
    TProgramUnderTest program;
    program.Start();
    ASSERT_TRUE(TrayReady(program));
    ClickScreen(FirstTrayIconCentre());
    HWND note = WaitShown(program, L"TForm1");
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(NoTaskbarButton(program)) << "the note itself has none";

    ASSERT_TRUE(ChooseFromTrayMenu(program, kAPropos));
    HWND about = WaitShown(program, L"TFAbout");
    ASSERT_NE(about, nullptr);
    Settle(program);
    EXPECT_EQ(WindowText(about), L"A Propos");
    ExpectCentredOnScreen(about);
    EXPECT_FALSE(IsWindowEnabled(note)) << "modal: the note waits";
    EXPECT_TRUE(IsWindowEnabled(about));
    EXPECT_TRUE(NoTaskbarButton(program)) << "while open";

    ASSERT_TRUE(CloseByKeyboard(program, about));
    EXPECT_TRUE(IsWindowEnabled(note));
    EXPECT_TRUE(IsWindowVisible(note));
    EXPECT_TRUE(NoTaskbarButton(program)) << "after closing";

    // A second opening is the same window, shown the same way.
    ASSERT_TRUE(ChooseFromTrayMenu(program, kAPropos));
    ASSERT_EQ(WaitShown(program, L"TFAbout"), about);
    Settle(program);
    ExpectCentredOnScreen(about);
    EXPECT_TRUE(NoTaskbarButton(program));
    ASSERT_TRUE(CloseByKeyboard(program, about));
    EXPECT_TRUE(NoTaskbarButton(program));
}

TEST(AboutEndToEnd, FromTheSettingsButtonWithTheNoteHiddenNoTaskbarButtonShowsBeforeOrAfter) {
    TProgramUnderTest program;
    program.Start();
    ASSERT_TRUE(TrayReady(program));
    ASSERT_TRUE(ChooseFromTrayMenu(program, kParametres));
    HWND settings = WaitShown(program, L"TFcfg");
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(Foreground(settings));
    Settle(program);
    EXPECT_TRUE(NoTaskbarButton(program)) << "the settings dialog hides the button";

    HWND button = FindControl(settings, L"Button", L"A Propos");
    ASSERT_NE(button, nullptr);
    ClickScreen(ScreenCentre(button));
    HWND about = WaitShown(program, L"TFAbout");
    ASSERT_NE(about, nullptr);
    Settle(program);
    ExpectCentredOnScreen(about);
    EXPECT_FALSE(IsWindowEnabled(settings)) << "modal: the settings dialog waits";
    EXPECT_EQ(program.VisibleWindow(L"TForm1"), nullptr);
    EXPECT_TRUE(NoTaskbarButton(program)) << "while open";

    ASSERT_TRUE(CloseByKeyboard(program, about));
    EXPECT_TRUE(IsWindowEnabled(settings));
    EXPECT_TRUE(IsWindowVisible(settings));
    EXPECT_TRUE(NoTaskbarButton(program)) << "after closing, with the settings dialog still shown";
}

TEST(AboutEndToEnd, ADoubleClickOnThePictureRollsTheCreditsUpwardsAndEachOpeningStartsFromTheBottom) {
    TProgramUnderTest program;
    program.Start();
    ASSERT_TRUE(TrayReady(program));
    ASSERT_TRUE(ChooseFromTrayMenu(program, kAPropos));
    HWND about = WaitShown(program, L"TFAbout");
    ASSERT_NE(about, nullptr);
    ASSERT_TRUE(Foreground(about));

    DoubleClickScreen(PictureCentre(about));
    HWND credits = WaitShown(program, L"TFCredit");
    ASSERT_NE(credits, nullptr);
    RECT client;
    GetClientRect(credits, &client);
    ASSERT_NE(CreditTextTop(credits), INT_MIN) << "the text label";
    const int first = RollingTextTop(credits);
    ASSERT_NE(first, INT_MIN) << "the text never moved up";
    // It comes in from below: as it starts rolling, the text is in the lower half.
    EXPECT_GT(first, client.bottom / 2);
    EXPECT_FALSE(IsWindowEnabled(about)) << "modal: the About window waits";
    EXPECT_TRUE(NoTaskbarButton(program)) << "while the credits roll";

    // Upwards, never downwards: wait for a clear rise.
    int later = first;
    ASSERT_TRUE(WaitUntil([&] { return (later = CreditTextTop(credits)) <= first - 40; }, 10s))
        << "from " << first << " to " << later;
    ASSERT_TRUE(CloseByKeyboard(program, credits));
    EXPECT_TRUE(IsWindowEnabled(about));
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_TRUE(NoTaskbarButton(program)) << "after the credits";

    ASSERT_TRUE(Foreground(about));
    DoubleClickScreen(PictureCentre(about));
    ASSERT_EQ(WaitShown(program, L"TFCredit"), credits);
    const int again = RollingTextTop(credits);
    EXPECT_GT(again, later) << "started over from the bottom instead of resuming";
    EXPECT_GT(again, client.bottom / 2);
    ASSERT_TRUE(CloseByKeyboard(program, credits));
    ASSERT_TRUE(CloseByKeyboard(program, about));
    EXPECT_TRUE(NoTaskbarButton(program));
}

// From the bottom of the tray menu: "&Quitter".
constexpr int kQuitter = 1;

// Shows the note from the tray and gives its editor text the program has not saved yet.
void TypeUnsavedText(TProgramUnderTest& program, const std::wstring& text) {
    ClickScreen(FirstTrayIconCentre());
    HWND note = WaitShown(program, L"TForm1");
    ASSERT_NE(note, nullptr);
    HWND editor = FindWindowExW(note, nullptr, nullptr, nullptr);
    ASSERT_NE(editor, nullptr);
    for (wchar_t c : text)
        PostMessageW(editor, WM_CHAR, c, 1);
    // Text of another process's control: only its own messages tell.
    ASSERT_TRUE(WaitUntil(
        [&] { return SendMessageW(editor, WM_GETTEXTLENGTH, 0, 0) >= static_cast<LRESULT>(text.size()); },
        5s));
    ClickScreen(FirstTrayIconCentre()); // back to the tray, as the note mostly is
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(note); }, 5s));
}

// Settings from the tray menu, About from its button, the credits from the About picture: three
// windows over each other, the last two modal. Returns the credits window.
HWND OpenCreditsOverAboutOverSettings(TProgramUnderTest& program) {
    if (!ChooseFromTrayMenu(program, kParametres)) return nullptr;
    HWND settings = WaitShown(program, L"TFcfg");
    if (!settings || !Foreground(settings)) return nullptr;
    HWND button = FindControl(settings, L"Button", L"A Propos");
    if (!button) return nullptr;
    ClickScreen(ScreenCentre(button));
    HWND about = WaitShown(program, L"TFAbout");
    if (!about || !Foreground(about)) return nullptr;
    DoubleClickScreen(PictureCentre(about));
    HWND credits = WaitShown(program, L"TFCredit");
    if (credits) Settle(program);
    return credits;
}

bool NoteHolds(const TProgramUnderTest& program, const std::string& text) {
    return FileBytes(program.Beside(L".RTF")).find(text) != std::string::npos;
}

TEST(AboutEndToEnd, QuitterFromTheTrayWithTheCreditsOverAboutOverTheSettingsEndsTheProgramAndSavesTheNote) {
    TProgramUnderTest program;
    program.Start();
    ASSERT_TRUE(TrayReady(program));
    TypeUnsavedText(program, L"quitter de loin ");
    ASSERT_FALSE(NoteHolds(program, "quitter de loin"));
    HWND credits = OpenCreditsOverAboutOverSettings(program);
    ASSERT_NE(credits, nullptr);

    ASSERT_TRUE(ChooseFromTrayMenu(program, kQuitter));
    ASSERT_TRUE(program.WaitForExit(5s)) << "the program ran on behind its modal windows";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_TRUE(NoteHolds(program, "quitter de loin")) << FileBytes(program.Beside(L".RTF"));
    EXPECT_FALSE(program.RecordExists()) << "the shutdown did not run to its end";
}

TEST(AboutEndToEnd, QuitterFromTheTrayWithTheFontDialogOpenOverTheSettingsEndsTheProgramAndSavesTheNote) {
    TProgramUnderTest program;
    program.Start();
    ASSERT_TRUE(TrayReady(program));
    TypeUnsavedText(program, L"quitter la police ");
    ASSERT_TRUE(ChooseFromTrayMenu(program, kParametres));
    HWND settings = WaitShown(program, L"TFcfg");
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(Foreground(settings));
    HWND button = FindControl(settings, L"Button", L"Police");
    ASSERT_NE(button, nullptr);
    ClickScreen(ScreenCentre(button));
    ASSERT_NE(WaitShown(program, L"#32770"), nullptr) << "the font dialog";
    Settle(program);

    ASSERT_TRUE(ChooseFromTrayMenu(program, kQuitter));
    ASSERT_TRUE(program.WaitForExit(5s)) << "the program ran on behind the font dialog";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_TRUE(NoteHolds(program, "quitter la police")) << FileBytes(program.Beside(L".RTF"));
}

// The session's end as the system brings it: every top-level window of the process is asked,
// then told.
void EndSession(const TProgramUnderTest& program) {
    const std::vector<HWND> windows = program.Windows();
    for (HWND wnd : windows) {
        DWORD_PTR agreed = FALSE;
        if (IsWindow(wnd)) {
            ASSERT_TRUE(SendMessageTimeoutW(wnd, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &agreed))
                << "no answer from " << WindowClass(wnd);
            EXPECT_TRUE(agreed);
        }
    }
    DWORD_PTR ignored = 0;
    for (HWND wnd : windows)
        if (IsWindow(wnd)) SendMessageTimeoutW(wnd, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &ignored);
}

TEST(AboutEndToEnd, TheSessionEndingWithModalWindowsAndTheTrayMenuOpenSavesTheNoteAndEndsCleanly) {
    TProgramUnderTest program;
    program.Start();
    ASSERT_TRUE(TrayReady(program));
    TypeUnsavedText(program, L"fin de session ");
    ASSERT_NE(OpenCreditsOverAboutOverSettings(program), nullptr);
    ClickScreen(FirstTrayIconCentre(), true);
    ASSERT_TRUE(WaitUntil([&] { return !MenuWindows(program).empty(); }, 5s));

    EndSession(program);
    ASSERT_TRUE(program.WaitForExit(5s));
    EXPECT_EQ(program.ExitCode(), 0u) << "a crash ends with its exception code";
    EXPECT_TRUE(NoteHolds(program, "fin de session")) << FileBytes(program.Beside(L".RTF"));
    EXPECT_FALSE(program.RecordExists());
}

} // namespace
