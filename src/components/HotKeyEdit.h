#pragma once
// A single-line box in which the user sets a shortcut by pressing it: each key press replaces
// the whole text with the combination's text form, and typed characters never appear. The
// text is the field's only state.
#include "framework/Edit.h"
#include "framework/ShortcutText.h"

class THotKeyEdit : public TEdit {
public:
    explicit THotKeyEdit(TComponent* owner);

    // Read from the text at every read.
    TShortCut Shortcut() const { return ParseShortcut(Text()); }
    void SetShortcut(TShortCut shortcut) { SetText(FormatShortcut(shortcut)); }

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void WndProc(TMessage& message) override;
    UINT DialogCode(const TMessage& message) override;
    // OnChange sees the text as it came; then a text that is not in its normal form is rewritten.
    void Change() override;
};
