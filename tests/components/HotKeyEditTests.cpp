#include "components/HotKeyEdit.h"
#include "framework/ShortcutText.h"
#include "support/FrameworkFixture.h"

#include <chrono>
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

TEST_F(HotKeyEditTest, EditingKeysAreShortcutsAndTypedCharactersNeverAppear) {
    Press({'A'});
    EXPECT_EQ(field->Text(), L"A"); // the key's name, not the character it types
    Press({VK_BACK});
    EXPECT_EQ(field->Text(), L"BkSp");
    EXPECT_EQ(field->Shortcut(), 8);
    Press({VK_DELETE});
    EXPECT_EQ(field->Text(), L"Del");
    EXPECT_EQ(field->Shortcut(), 46);
    Press({VK_SPACE});
    EXPECT_EQ(field->Text(), L"Space");
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"A", L"BkSp", L"Del", L"Space"}));
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
