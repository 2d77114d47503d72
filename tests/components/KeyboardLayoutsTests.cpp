#include "components/HotKeyEdit.h"
#include "components/KeyboardLayouts.h"
#include "support/AltGrLayout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(KeyboardLayouts, ACtrlAltCombinationThatTypesACharacterIsNotTypingFreeAndNamesIt) {
    const TFrenchAltGr french;
    struct TCase {
        TShortCut Shortcut;
        std::wstring Typed;
        bool Free;
    } cases[] = {
        {scCtrl | scAlt | 'E', L"\u20AC", false},
        {scCtrl | scAlt | '0', L"@", false},
        {scCtrl | scAlt | '2', L"~", false}, // a dead key: it types with the next key
        // Shift changes the level: this layout types nothing there.
        {scCtrl | scAlt | scShift | 'E', L"", true},
        {scCtrl | scAlt | 'K', L"", true},
        // Not AltGr: Ctrl or Alt alone, and function keys, whatever they are with AltGr.
        {scCtrl | 'E', L"", true},
        {scAlt | 'E', L"", true},
        {scCtrl | scShift | '2', L"", true},
        {scCtrl | scAlt | VK_F5, L"", true},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(CharacterTypedWithAltGr(c.Shortcut), c.Typed) << std::hex << c.Shortcut;
        EXPECT_EQ(IsTypingFree(c.Shortcut), c.Free) << std::hex << c.Shortcut;
    }
}

// The layouts the machine has, as the platform gives them. Under Wine they follow the X server's
// keymap: the test machine has one, with nothing on AltGr; a Windows machine with a French layout
// installed would refuse Ctrl+Alt+E here too.
TEST(KeyboardLayouts, TheInstalledLayoutsAnswerWithACharacterOrNothingNeverAControlCharacter) {
    HKL layouts[32];
    const int count = GetKeyboardLayoutList(32, layouts);
    ASSERT_GT(count, 0);
    bool onlyUnitedStates = true;
    for (int i = 0; i < count; ++i)
        onlyUnitedStates &= LOWORD(reinterpret_cast<UINT_PTR>(layouts[i])) == 0x0409;
    for (WORD key = 0x20; key < 0xE0; ++key) {
        for (bool shift : {false, true}) {
            const std::wstring typed = AltGrCharacterOfLayouts(key, shift);
            if (!typed.empty()) {
                EXPECT_GE(typed[0], L' ') << std::hex << key;
                EXPECT_NE(typed[0], 0x7F) << std::hex << key;
            }
            if (onlyUnitedStates)
                EXPECT_EQ(typed, L"") << "a US layout types nothing with AltGr: " << std::hex << key;
        }
    }
    // The query leaves no dead key behind: a plain key still types itself.
    BYTE none[256] = {};
    wchar_t buffer[4] = {};
    EXPECT_EQ(ToUnicodeEx('A', MapVirtualKeyW('A', MAPVK_VK_TO_VSC), none, buffer, 4, 0x4, layouts[0]), 1);
    EXPECT_EQ(buffer[0], L'a');
}

} // namespace
