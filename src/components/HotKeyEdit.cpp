#include "components/HotKeyEdit.h"

THotKeyEdit::THotKeyEdit(TComponent* owner) : TEdit(owner) {
    SetText(L"");
}

void THotKeyEdit::KeyDown(WORD& key, TShiftState shift) {
    TEdit::KeyDown(key, shift);
    // A modifier pressed on its own shows as a key, not as a prefix of itself.
    if (key == VK_CONTROL) shift &= ~ssCtrl;
    if (key == VK_MENU) shift &= ~ssAlt;
    if (key == VK_SHIFT) shift &= ~ssShift;
    SetText(FormatShortcut(MakeShortcut(key, shift)));
    key = 0; // no caret movement, deletion or selection change
}

void THotKeyEdit::KeyPress(wchar_t& key) {
    TEdit::KeyPress(key);
    key = 0;
}

UINT THotKeyEdit::DialogCode(const TMessage&) {
    // Tab, Enter and Escape are combinations like any other here, not dialog keys.
    return DLGC_WANTALLKEYS;
}

void THotKeyEdit::WndProc(TMessage& m) {
    // Characters typed with Alt would otherwise reach the window's menu handling.
    if (m.Msg == WM_SYSCHAR) return;
    TEdit::WndProc(m);
}

void THotKeyEdit::Change() {
    TEdit::Change();
    const std::wstring text = Text();
    const std::wstring normal = FormatShortcut(ParseShortcut(text));
    if (normal != text) SetText(normal);
}
