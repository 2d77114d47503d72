#include "components/KeyboardLayouts.h"

#include <vector>

namespace {

// Tells ToUnicodeEx to leave the keyboard's state (a pending dead key) as it was.
constexpr UINT kKeepKeyboardState = 0x4;

// What `key` types with `state` held in `layout`: a character, a dead key's accent, or nothing.
std::wstring Typed(HKL layout, WORD key, const BYTE* state) {
    wchar_t buffer[8] = {};
    const UINT scan = MapVirtualKeyExW(key, MAPVK_VK_TO_VSC, layout);
    const int n = ToUnicodeEx(key, scan, state, buffer, static_cast<int>(std::size(buffer)),
                              kKeepKeyboardState, layout);
    if (n < 0) {
        // A dead key: where the state is kept anyway, a space ends it so the next key types as usual.
        const BYTE none[256] = {};
        wchar_t spare[8];
        for (int i = 0;
             i < 4 && ToUnicodeEx(VK_SPACE, MapVirtualKeyExW(VK_SPACE, MAPVK_VK_TO_VSC, layout), none, spare,
                                  static_cast<int>(std::size(spare)), kKeepKeyboardState, layout) < 0;
             ++i) {
        }
        return std::wstring(1, buffer[0]);
    }
    // Control characters (Ctrl+E gives 5 where a layout has nothing for AltGr) are not typing.
    if (n == 0 || buffer[0] < L' ' || buffer[0] == 0x7F) return L"";
    return std::wstring(buffer, static_cast<size_t>(n));
}

} // namespace

std::wstring AltGrCharacterOfLayouts(WORD key, bool shift) {
    const int count = GetKeyboardLayoutList(0, nullptr);
    std::vector<HKL> layouts(static_cast<size_t>(count > 0 ? count : 0));
    if (count > 0) layouts.resize(static_cast<size_t>(GetKeyboardLayoutList(count, layouts.data())));
    // AltGr is the right Alt, which the system turns into the left Ctrl with it.
    BYTE state[256] = {};
    state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    state[VK_MENU] = state[VK_RMENU] = 0x80;
    if (shift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    for (HKL layout : layouts)
        if (std::wstring typed = Typed(layout, key, state); !typed.empty()) return typed;
    return L"";
}

TAltGrQuery AltGrCharacter = AltGrCharacterOfLayouts;

std::wstring CharacterTypedWithAltGr(TShortCut shortcut) {
    if ((shortcut & scCtrl) == 0 || (shortcut & scAlt) == 0) return L"";
    const auto key = static_cast<WORD>(shortcut & 0xFF);
    return key == 0 ? L"" : AltGrCharacter(key, (shortcut & scShift) != 0);
}
