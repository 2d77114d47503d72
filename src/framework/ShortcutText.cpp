#include "framework/ShortcutText.h"

#include <cwctype>

namespace {

const wchar_t* FixedKeyName(BYTE key) {
    switch (key) {
    case 0x08: return L"BkSp";
    case 0x09: return L"Tab";
    case 0x0D: return L"Enter";
    case 0x1B: return L"Esc";
    case 0x20: return L"Space";
    case 0x21: return L"PgUp";
    case 0x22: return L"PgDn";
    case 0x23: return L"End";
    case 0x24: return L"Home";
    case 0x25: return L"Left";
    case 0x26: return L"Up";
    case 0x27: return L"Right";
    case 0x28: return L"Down";
    case 0x2D: return L"Ins";
    case 0x2E: return L"Del";
    }
    return nullptr;
}

std::wstring KeyName(BYTE key) {
    if (const wchar_t* fixed = FixedKeyName(key)) return fixed;
    if ((key >= 0x30 && key <= 0x39) || (key >= 0x41 && key <= 0x5A)) return std::wstring(1, static_cast<wchar_t>(key));
    if (key >= 0x60 && key <= 0x69) return std::wstring(1, static_cast<wchar_t>(key - 0x30));
    if (key >= 0x70 && key <= 0x87) return L"F" + std::to_wstring(key - 0x6F);
    // Any other key: the name the keyboard layout gives it.
    UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    if (scan == 0) return {};
    wchar_t name[256] = {};
    int n = GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 256);
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

bool StartsWithNoCase(const std::wstring& text, size_t at, const wchar_t* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (at + i >= text.size()) return false;
        if (std::towupper(text[at + i]) != std::towupper(prefix[i])) return false;
    }
    return true;
}

bool EqualNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towupper(a[i]) != std::towupper(b[i])) return false;
    return true;
}

} // namespace

TShortCut MakeShortcut(WORD key, TShiftState shift) {
    if (key > 255) return 0;
    TShortCut result = key;
    if (shift & ssShift) result |= scShift;
    if (shift & ssCtrl) result |= scCtrl;
    if (shift & ssAlt) result |= scAlt;
    return result;
}

std::wstring FormatShortcut(TShortCut shortcut) {
    std::wstring name = KeyName(static_cast<BYTE>(shortcut & 0xFF));
    if (name.empty()) return {};
    std::wstring text;
    if (shortcut & scShift) text += L"Shift+";
    if (shortcut & scCtrl) text += L"Ctrl+";
    if (shortcut & scAlt) text += L"Alt+";
    return text + name;
}

TShortCut ParseShortcut(const std::wstring& text) {
    TShortCut modifiers = 0;
    size_t at = 0;
    for (;;) {
        if (StartsWithNoCase(text, at, L"Shift+")) {
            at += 6;
            modifiers |= scShift;
        } else if (StartsWithNoCase(text, at, L"^")) {
            at += 1;
            modifiers |= scCtrl;
        } else if (StartsWithNoCase(text, at, L"Ctrl+")) {
            at += 5;
            modifiers |= scCtrl;
        } else if (StartsWithNoCase(text, at, L"Alt+")) {
            at += 4;
            modifiers |= scAlt;
        } else {
            break;
        }
    }
    std::wstring rest = text.substr(at);
    if (rest.empty()) return 0;
    for (int key = 8; key <= 255; ++key)
        if (EqualNoCase(rest, FormatShortcut(static_cast<TShortCut>(key))))
            return static_cast<TShortCut>(modifiers | key);
    return 0;
}
