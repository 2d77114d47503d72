#pragma once
// The platform's rich-text control: streaming RTF and text in and out, lines, selection format,
// paragraph alignment, clipboard and undo, scrolling and link detection. Re-creating its window
// keeps the content, the formatting and the modified flag; content that would not come back
// whole keeps the old window.
#include "framework/WinControl.h"

#include <richedit.h>

#include <functional>
#include <optional>
#include <string>

// What the selection (or the insertion point) looks like.
struct TTextAttributes {
    std::wstring Name;
    int Size = 0; // points
    TColor Color = 0;
    TFontStyles Style = 0;
};

class TRichEditEx : public TWinControl {
public:
    explicit TRichEditEx(TComponent* owner);
    ~TRichEditEx() override;

    // The platform class in use: the Unicode rich-edit control of the system.
    static const wchar_t* PlatformClass();

    void SetColor(TColor color) override;
    TScrollStyle ScrollBars() const { return FScrollBars; }
    // Re-creates the window; when its content would not come back whole, the window, its
    // content and the scroll bars stay as they were and the failure is raised.
    void SetScrollBars(TScrollStyle scrollBars);
    bool Modified();
    void SetModified(bool modified);

    // Streams replace the whole content (in) or read all of it (out); false means the control
    // reported an error. The reader fills up to `size` bytes and returns how many it gave.
    using TStreamReader = std::function<LONG(BYTE* buffer, LONG size)>;
    using TStreamWriter = std::function<bool(const BYTE* data, LONG size)>;
    bool StreamIn(UINT format, const TStreamReader& reader);
    bool StreamOut(UINT format, const TStreamWriter& writer);
    // The whole content as the control writes it in UTF-8, which holds every character as it is;
    // false when the control reported an error. Turning it into the stored form is the note's
    // business.
    bool ControlRtf(std::string& rtf);
    // The same, as kept across a re-creation; empty when the control reported an error.
    std::string Rtf();
    bool SetRtf(const std::string& rtf);
    void LimitText(LONG limit);

    std::wstring Text();
    void Clear();
    int LineCount();
    // Line `index` without its line break; a line past the end reads as empty.
    std::wstring Line(int index);

    TTextAttributes SelAttributes();
    void SetSelAttributes(const TTextAttributes& attributes);
    // True only when the whole selection (or the insertion point) has the style.
    bool SelectionHasStyle(TFontStyle style);
    // Switches one style on or off for the whole selection; the rest of its formatting stays.
    void SetSelectionStyle(TFontStyle style, bool on);
    // The colour of the selection's first character when the selection is mixed.
    TColor SelColor();
    void SetSelColor(TColor color);
    // The format of text that has none of its own.
    void SetBaseFont(const TFont& font);
    void SetParagraphAlignment(TAlignment alignment);
    TAlignment ParagraphAlignment();
    // True only when every paragraph the selection touches has the alignment.
    bool SelectionAligned(TAlignment alignment);

    void CutToClipboard() { Perform(WM_CUT); }
    void CopyToClipboard() { Perform(WM_COPY); }
    void PasteFromClipboard() { Perform(WM_PASTE); }
    void ClearSelection() { Perform(WM_CLEAR); }
    void Undo() { Perform(WM_UNDO); }
    bool CanUndo() { return Perform(EM_CANUNDO) != 0; }
    // Something is selected, not only an insertion point.
    bool HasSelection();
    // The clipboard holds something the control can paste.
    bool CanPaste() { return Perform(EM_CANPASTE) != 0; }
    // Empties the editor as one edit that Undo takes back, text and formatting alike.
    void ClearUndoable();
    void SelectAll() { Perform(EM_SETSEL, 0, -1); }
    void ScrollLines(int lines) { Perform(EM_LINESCROLL, 0, lines); }
    void Select(LONG start, LONG end);
    std::wstring SelText();

    // Shows URL-like text as links and reports mouse actions on them to the parent (EN_LINK).
    void DetectLinks();

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void CheckRecreate() override;
    void FontChanged() override { SetBaseFont(*Font()); }

private:
    TScrollStyle FScrollBars = ssNone;
    std::optional<std::string> FKeptRtf; // content across a re-creation
    std::wstring FKeptText;              // what it must read back as
    bool FKeptModified = false;
};
