#pragma once
// A single-line box in which the user sets a shortcut by pressing it: each key press replaces
// the whole text with the combination's text form, and typed characters never appear. The
// text is the field's state; modifiers held on their own show only while they are held.
#include "framework/Edit.h"
#include "framework/Handles.h"
#include "framework/ShortcutText.h"

#include <string>

// Shift, Ctrl, Alt and the Windows keys, left, right or either.
bool IsModifierKey(WORD key);
// A combination ordinary typing never produces, so that taking it system-wide takes no key from
// other programs: Ctrl or Alt with a key that is not itself a modifier, or a function key F1 to
// F24 with or without modifiers; but no Ctrl+Alt combination that types a character in one of
// the user's keyboard layouts, where AltGr is Ctrl+Alt (KeyboardLayouts.h).
bool IsTypingFree(TShortCut shortcut);

class THotKeyEdit : public TEdit {
public:
    explicit THotKeyEdit(TComponent* owner);
    ~THotKeyEdit() override;

    // Read from the text at every read.
    TShortCut Shortcut() const { return ParseShortcut(Text()); }
    void SetShortcut(TShortCut shortcut) { SetText(FormatShortcut(shortcut)); }

    // The text shows modifiers held without a key yet. It goes back to the text from before
    // them when they are released or the focus leaves, so they decide nothing on their own. A key
    // released while they are held whose press went to a system-wide hot key completes them.
    bool Composing() const { return FComposing; }

    // Marks the combination shown as not in force: its text turns red, and `text` pops up at once
    // in a balloon under the field and is the field's tooltip while the mark lasts. The next
    // change of the text removes the mark, and so does an empty `text`.
    const std::wstring& Warning() const { return FWarning; }
    void SetWarning(const std::wstring& text);
    // The balloon is on screen; it goes when the focus leaves, the field is hidden, or after a while.
    bool WarningShown() const;

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyUp(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void WndProc(TMessage& message) override;
    void DestroyWnd() override;
    UINT DialogCode(const TMessage& message) override;
    HBRUSH CtlColor(HDC dc) override;
    // OnChange sees the text as it came; then a text that is not in its normal form is rewritten.
    void Change() override;

private:
    void EndComposing();
    TShortCut HeldModifiers() const;
    void ShowBalloon();
    void HideBalloon();
    void DropBalloon();
    void FollowField();
    void ApplyToolTip();

    bool FComposing = false;
    std::wstring FBeforeComposing;
    std::wstring FWarning;
    TWindowHandle FBalloon;
    ULONGLONG FBalloonShownAt = 0;
};
