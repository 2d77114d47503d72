#include "framework/Menus.h"
#include "framework/ShortcutText.h"
#include "support/FrameworkFixture.h"
#include "support/MenuProbe.h"

namespace {

using MenuTest = FrameworkTest;

TEST(ShortcutText, FormatsModifiersInTheirFixedOrderAndReadsThemBack) {
    EXPECT_EQ(FormatShortcut(16467), L"Ctrl+S");
    EXPECT_EQ(FormatShortcut(49235), L"Ctrl+Alt+S");
    EXPECT_EQ(FormatShortcut(16430), L"Ctrl+Del");
    EXPECT_EQ(FormatShortcut(0x2070), L"Shift+F1");
    EXPECT_EQ(FormatShortcut(0xE07B), L"Shift+Ctrl+Alt+F12");
    EXPECT_EQ(FormatShortcut(0x4065), L"Ctrl+5"); // the keypad's 5 reads like the main row's
    EXPECT_EQ(FormatShortcut(0), L"");
    EXPECT_EQ(ParseShortcut(L"ctrl+alt+s"), 49235);
    EXPECT_EQ(ParseShortcut(L"^A"), 0x4041);
    EXPECT_EQ(ParseShortcut(L"ALT+X"), 0x8058);
    EXPECT_EQ(ParseShortcut(L"Ctrl+5"), 0x4035);
    EXPECT_EQ(ParseShortcut(L"F24"), 0x87);
    EXPECT_EQ(ParseShortcut(L"Ctrl+"), 0);
    EXPECT_EQ(ParseShortcut(L"Ctrl+Nothing"), 0);
    EXPECT_EQ(MakeShortcut('S', ssCtrl | ssAlt), 49235);
    EXPECT_EQ(MakeShortcut(256, ssCtrl), 0);
}

TEST_F(MenuTest, PopupShowsCaptionsShortcutsChecksAndTheDefaultItem) {
    TPopupMenu menu(nullptr);
    TMenuItem show(nullptr), line(nullptr), pin(nullptr);
    show.SetCaption(L"&Afficher");
    show.SetShortCut(scCtrl | 'G');
    show.SetDefault(true);
    line.SetCaption(L"-");
    pin.SetCaption(L"&Toujours Devant");
    pin.SetChecked(true);
    menu.Items()->Add(&show);
    menu.Items()->Add(&line);
    menu.Items()->Add(&pin);

    std::vector<TMenuLine> seen;
    WhenMenuOpens([&](HWND wnd) {
        seen = ReadMenu(wnd);
        CloseOpenMenu();
    });
    menu.Popup(100, 100);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].Text, L"&Afficher\tCtrl+G");
    EXPECT_TRUE(seen[0].Default);
    EXPECT_TRUE(seen[1].Separator);
    EXPECT_EQ(seen[2].Text, L"&Toujours Devant");
    EXPECT_TRUE(seen[2].Checked);
    EXPECT_FALSE(seen[2].Default);
}

TEST_F(MenuTest, ChoosingAnItemTogglesItsCheckFirstAndThenRunsItsClick) {
    TPopupMenu menu(nullptr);
    TMenuItem pin(nullptr);
    pin.SetCaption(L"&Toujours Devant");
    pin.SetAutoCheck(true);
    menu.Items()->Add(&pin);
    bool checkedInClick = false;
    pin.OnClick = [&](TObject* sender) { checkedInClick = sender == &pin && pin.Checked(); };
    WhenMenuOpens([](HWND wnd) { ChooseByMnemonic(wnd, L't'); });
    menu.Popup(100, 100);
    EXPECT_TRUE(checkedInClick);
    EXPECT_TRUE(pin.Checked());
}

} // namespace
