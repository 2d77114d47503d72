#include "components/HotKeyEdit.h"
#include "framework/ShortcutText.h"
#include "framework/ToolTips.h"
#include "support/FrameworkFixture.h"

#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// The platform's name of a key in the current keyboard layout ("Ctrl" on an English Windows).
std::wstring PlatformKeyName(WORD vk) {
    wchar_t name[256] = {};
    GetKeyNameTextW(static_cast<LONG>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16), name, 256);
    return name;
}

// The field on a shown form, with the keyboard focus, fed real key presses.
class HotKeyEditTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        form = new TPlainForm(app.get());
        form->AfterConstruction();
        field = new THotKeyEdit(form);
        field->SetParent(form);
        field->SetBounds(5, 5, 150, 21);
        field->OnChange = [this](TObject*) { seen.push_back(field->Text()); };
        field->OnKeyUp = [this](TObject*, WORD&, TShiftState) { ++keyUps; };
        other = new TEdit(form); // somewhere for the focus to go
        other->SetParent(form);
        other->SetBounds(5, 40, 150, 21);
        form->Show();
        SetForegroundWindow(form->Handle());
        field->SetFocus();
        // Wine takes the keyboard state from the X server when the window gets the focus; one
        // full key press lets that happen before the keys of the test go down.
        Press({VK_F24});
        seen.clear();
    }
    // Sends one key event and runs the loop until the field has had its release or press.
    void Key(WORD vk, bool up) {
        const int ups = keyUps;
        const size_t changes = seen.size();
        INPUT input{INPUT_KEYBOARD, {.ki = {vk, 0, up ? static_cast<DWORD>(KEYEVENTF_KEYUP) : 0u, 0, 0}}};
        SendInput(1, &input, sizeof input);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < until) {
            app->ProcessMessages();
            if (up ? keyUps > ups : seen.size() > changes) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    void Press(std::initializer_list<WORD> keys) {
        for (WORD vk : keys)
            Key(vk, false);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
            Key(*it, true);
    }

    TPlainForm* form = nullptr;
    THotKeyEdit* field = nullptr;
    TEdit* other = nullptr;
    std::vector<std::wstring> seen; // the text at each OnChange
    int keyUps = 0;
};

TEST_F(HotKeyEditTest, CtrlAloneShowsAsAKeyThenCtrlSReplacesIt) {
    const std::wstring ctrl = PlatformKeyName(VK_CONTROL);
    ASSERT_FALSE(ctrl.empty());
    Key(VK_CONTROL, false);
    EXPECT_EQ(field->Text(), ctrl);
    EXPECT_EQ(field->Shortcut(), 17);
    Key('S', false);
    EXPECT_EQ(field->Text(), L"Ctrl+S");
    EXPECT_EQ(field->Shortcut(), 16467);
    Key('S', true);
    Key(VK_CONTROL, true);
    EXPECT_EQ(field->Text(), L"Ctrl+S"); // releasing keys changes nothing
    EXPECT_EQ(seen, (std::vector<std::wstring>{ctrl, L"Ctrl+S"}));
}

TEST_F(HotKeyEditTest, ModifiersHeldComeFirstInTheirFixedOrder) {
    Key(VK_SHIFT, false);
    EXPECT_EQ(field->Text(), L"Shift");
    Key(VK_CONTROL, false);
    EXPECT_EQ(field->Text(), L"Shift+" + PlatformKeyName(VK_CONTROL));
    Key(VK_MENU, false);
    Key(VK_F12, false);
    EXPECT_EQ(field->Text(), L"Shift+Ctrl+Alt+F12");
    EXPECT_EQ(field->Shortcut(), 0xE07B);
    for (WORD vk : {VK_F12, VK_MENU, VK_CONTROL, VK_SHIFT})
        Key(vk, true);
    Press({VK_CONTROL, VK_MENU, 'S'});
    EXPECT_EQ(field->Text(), L"Ctrl+Alt+S");
    EXPECT_EQ(field->Shortcut(), 49235);
}

TEST_F(HotKeyEditTest, KeysShowByNameTypedCharactersNeverAppearAndBackspaceOrDeleteAloneEmpty) {
    Press({'A'});
    EXPECT_EQ(field->Text(), L"A"); // the key's name, not the character it types
    Press({VK_SPACE});
    EXPECT_EQ(field->Text(), L"Space");
    Press({VK_BACK});
    EXPECT_EQ(field->Text(), L"");
    EXPECT_EQ(field->Shortcut(), 0);
    Press({VK_CONTROL, VK_DELETE}); // with a modifier it is a combination like any other
    EXPECT_EQ(field->Text(), L"Ctrl+Del");
    Press({VK_DELETE});
    EXPECT_EQ(field->Text(), L"");
    Press({VK_SHIFT, VK_BACK});
    EXPECT_EQ(field->Text(), L"Shift+BkSp");
    const std::wstring ctrl = PlatformKeyName(VK_CONTROL), shift = PlatformKeyName(VK_SHIFT);
    EXPECT_EQ(seen,
              (std::vector<std::wstring>{L"A", L"Space", L"", ctrl, L"Ctrl+Del", L"", shift, L"Shift+BkSp"}));
}

TEST_F(HotKeyEditTest, ModifiersAloneShowWhileHeldThenTheTextBeforeThemComesBack) {
    field->SetText(L"Ctrl+Alt+K");
    Key(VK_CONTROL, false);
    EXPECT_EQ(field->Text(), PlatformKeyName(VK_CONTROL));
    EXPECT_TRUE(field->Composing());
    Key(VK_SHIFT, false);
    EXPECT_EQ(field->Text(), L"Ctrl+" + PlatformKeyName(VK_SHIFT));
    Key(VK_SHIFT, true);
    EXPECT_EQ(field->Text(), L"Ctrl+Alt+K");
    EXPECT_FALSE(field->Composing());
    Key(VK_CONTROL, true);
    EXPECT_EQ(field->Text(), L"Ctrl+Alt+K");

    // A key pressed while they are held completes the combination, which then stays.
    Press({VK_CONTROL, VK_MENU, 'J'});
    EXPECT_EQ(field->Text(), L"Ctrl+Alt+J");
    EXPECT_FALSE(field->Composing());

    // The focus leaving while a modifier is held (Shift on the way to Shift+Tab) drops it too.
    Key(VK_SHIFT, false);
    EXPECT_EQ(field->Text(), PlatformKeyName(VK_SHIFT));
    other->SetFocus();
    EXPECT_EQ(field->Text(), L"Ctrl+Alt+J");
    EXPECT_FALSE(field->Composing());
    field->SetFocus();
    Key(VK_SHIFT, true);
}

TEST_F(HotKeyEditTest, AWarningTurnsTheTextRedPopsABalloonAndLastsUntilTheTextChanges) {
    field->SetHint(L"Tapez une combinaison");
    field->SetShowHint(true);
    field->SetText(L"Ctrl+Alt+K");
    const auto textColour = [&] {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(form->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(field->Handle()));
        const COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    };
    const COLORREF normal = textColour();
    field->SetWarning(L"Refusé\r\npar le système");
    EXPECT_EQ(field->Warning(), L"Refusé\r\npar le système");
    EXPECT_TRUE(field->WarningShown());
    EXPECT_EQ(textColour(), RGB(192, 0, 0));
    EXPECT_NE(normal, RGB(192, 0, 0));
    EXPECT_EQ(ToolTipText(field->Handle()), L"Refusé\r\npar le système");

    // The balloon points at the field: its window lies around the field's lower edge.
    HWND balloon = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM found) {
            wchar_t name[64] = {};
            GetClassNameW(wnd, name, 64);
            if (IsWindowVisible(wnd) && std::wstring(name) == TOOLTIPS_CLASSW)
                *reinterpret_cast<HWND*>(found) = wnd;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&balloon));
    ASSERT_NE(balloon, nullptr);
    RECT tip, box;
    GetWindowRect(balloon, &tip);
    GetWindowRect(field->Handle(), &box);
    EXPECT_LT(std::abs(tip.top - box.bottom), 40) << tip.top << " " << box.bottom;

    // Leaving the field takes the balloon away; the red text and the tooltip stay.
    other->SetFocus();
    EXPECT_FALSE(field->WarningShown());
    EXPECT_EQ(textColour(), RGB(192, 0, 0));
    field->SetFocus();

    Press({VK_F9}); // a new combination is judged afresh
    EXPECT_EQ(field->Warning(), L"");
    EXPECT_FALSE(field->WarningShown());
    EXPECT_EQ(textColour(), normal);
    EXPECT_EQ(ToolTipText(field->Handle()), L"Tapez une combinaison");
}

TEST_F(HotKeyEditTest, TheKeypadFiveReadsAsTheMainRowFive) {
    Press({VK_NUMPAD5});
    EXPECT_EQ(field->Text(), L"5");
    EXPECT_EQ(field->Shortcut(), 0x35);
    field->SetShortcut(0x4065);
    EXPECT_EQ(field->Text(), L"Ctrl+5");
    EXPECT_EQ(field->Shortcut(), 0x4035);
}

TEST_F(HotKeyEditTest, PastedLowerCaseTextIsSeenAsItCameThenRewritten) {
    field->SetText(L"");
    seen.clear();
    ASSERT_TRUE(OpenClipboard(form->Handle()));
    EmptyClipboard();
    const wchar_t text[] = L"ctrl+alt+s";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    memcpy(GlobalLock(memory), text, sizeof text);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    SendMessageW(field->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"ctrl+alt+s", L"Ctrl+Alt+S"}));
    EXPECT_EQ(field->Shortcut(), 49235);
}

TEST_F(HotKeyEditTest, TextsAreNormalisedAndNothingChangesWhenTheTextStaysTheSame) {
    field->SetText(L"^A");
    EXPECT_EQ(field->Text(), L"Ctrl+A");
    field->SetText(L"ALT+X");
    EXPECT_EQ(field->Shortcut(), 0x8058);
    field->SetText(L"Ctrl+");
    EXPECT_EQ(field->Text(), L"");
    field->SetText(L"no such key");
    EXPECT_EQ(field->Text(), L"");
    seen.clear();
    field->SetShortcut(0); // already empty
    EXPECT_TRUE(seen.empty());
    field->SetShortcut(0x87);
    EXPECT_EQ(field->Text(), L"F24");
    field->SetShortcut(0x87);
    EXPECT_EQ(seen, std::vector<std::wstring>{L"F24"});
}

TEST(ShortcutText, TheTextFormReadsBackToItselfForEveryKeyAndModifiers) {
    for (int key = 8; key <= 255; ++key) {
        for (TShortCut modifiers : {0, 0x2000, 0x4000, 0x8000, 0x6000, 0xA000, 0xC000, 0xE000}) {
            const auto shortcut = static_cast<TShortCut>(modifiers | key);
            const std::wstring text = FormatShortcut(shortcut);
            // A second normalisation never changes anything.
            EXPECT_EQ(FormatShortcut(ParseShortcut(text)), text) << std::hex << shortcut;
            if (!text.empty()) {
                EXPECT_EQ(ParseShortcut(text) & 0xE000, modifiers) << std::hex << shortcut;
            }
        }
    }
}

TEST(ShortcutText, OnlyCombinationsThatTypingNeverProducesAreTypingFree) {
    const std::vector<std::pair<TShortCut, bool>> cases{{0, false},
                                                        {VK_CONTROL, false},
                                                        {scCtrl | VK_SHIFT, false},
                                                        {scCtrl | scAlt | VK_LWIN, false},
                                                        {'A', false},
                                                        {'5', false},
                                                        {scShift | 'A', false},
                                                        {VK_SPACE, false},
                                                        {VK_TAB, false},
                                                        {VK_RETURN, false},
                                                        {VK_ESCAPE, false},
                                                        {VK_LEFT, false},
                                                        {scCtrl | 'S', true},
                                                        {scAlt | 'X', true},
                                                        {scCtrl | scAlt | 'K', true},
                                                        {scCtrl | VK_TAB, true},
                                                        {VK_F1, true},
                                                        {VK_F9, true},
                                                        {scShift | VK_F2, true},
                                                        {VK_F24, true},
                                                        {VK_F24 + 1, false},
                                                        {VK_NUMPAD5, false}};
    for (const auto& [shortcut, free] : cases)
        EXPECT_EQ(IsTypingFree(shortcut), free) << std::hex << shortcut;
}

TEST(ShortcutText, PrefixesMayRepeatComeInAnyOrderAndTheHighKeyBitsPlayNoPart) {
    EXPECT_EQ(ParseShortcut(L"alt+SHIFT+ctrl+f1"), 0xE070);
    EXPECT_EQ(ParseShortcut(L"Ctrl+Ctrl+A"), 0x4041);
    EXPECT_EQ(ParseShortcut(L"^^"), 0); // nothing left after the prefixes
    EXPECT_EQ(ParseShortcut(L"Shift+Ctrl+"), 0);
    EXPECT_EQ(FormatShortcut(0x4153), L"Ctrl+S"); // bits 8 to 12 ignored
    EXPECT_EQ(FormatShortcut(0xE0FF), L"");       // a key without a name, modifiers or not
    EXPECT_EQ(ParseShortcut(L"5"), 0x35);
    EXPECT_EQ(ParseShortcut(L"f24"), 0x87);
    EXPECT_EQ(ParseShortcut(L"Space"), 0x20);
}

} // namespace
