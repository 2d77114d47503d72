#pragma once
// The platform's rich-text control: streaming RTF and text in and out, lines, selection format,
// paragraph alignment, clipboard and undo, scrolling and link detection. Every change of the text
// or its formatting is reported (OnChange). Re-creating its window keeps the content, the
// formatting, the modified flag and link detection, and is no change; content that would not come
// back whole keeps the old window.
#include "framework/WinControl.h"

#include <richedit.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

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
    // Changed since SetModified(false): every change OnChange reports counts, an undo too; what is
    // put in quietly does not. A re-creation keeps it.
    bool Modified();
    void SetModified(bool modified) { FModified = modified; }

    // While one exists, what changes in the editor is the program's own doing (the stored note,
    // another writer's version): not reported, not counted as modified. A change made before it
    // still is. Keep it short and run no message loop inside: the user's edits there would be
    // taken for the program's.
    class TQuiet {
    public:
        explicit TQuiet(TRichEditEx& edit);
        ~TQuiet();
        TQuiet(const TQuiet&) = delete;
        TQuiet& operator=(const TQuiet&) = delete;

    private:
        TRichEditEx& FEdit;
    };
    void Quietly(const std::function<void()>& load) {
        TQuiet quiet(*this);
        load();
    }

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

    // Raised once for each change of the text or its formatting, whatever made it (typing, the
    // clipboard, drag and drop, undo and redo, the control's messages), right after it and from
    // the message that made it. Never for moves of the caret or the selection, scrolling, focus,
    // painting or a re-creation of the window.
    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void CheckRecreate() override;
    void FontChanged() override { SetBaseFont(*Font()); }
    void SystemColorsChanged() override;
    void WndProc(TMessage& message) override;

private:
    // The control's own modified flag, asked past WindowProc so that asking is no message of its
    // own; it only tells the wrapper that a change happened since it last looked.
    bool ControlModified();
    void ClearControlModified();
    void CollectControlModified();
    // Reports the change seen, once; run after each outermost message.
    void Settle();
    void ApplyLinkDetection();
    // The background colour, or the system's under high contrast.
    void ShowBackground();
    // The default format; its text takes the system's text colour under high contrast.
    void ApplyBaseFont(const TFont& font, bool systemColor);
    // Under high contrast the runs in the base font's colour are shown in the system's text
    // colour, and the stream out writes that colour back as the base one. Follows the setting
    // now; quiet, out of the user's undo, selection and view kept.
    void FollowTheme();
    COLORREF ShownBaseColour();
    // What a colour of the control is in the note, and what a colour of the note is shown as.
    TColor StoredColour(COLORREF shown);
    COLORREF ShownColour(TColor stored);
    // The runs of `colour` (not automatic), adjacent ones joined.
    std::vector<CHARRANGE> RunsColoured(COLORREF colour);
    void Recolour(COLORREF from, COLORREF to);

    TScrollStyle FScrollBars = ssNone;
    std::optional<std::string> FKeptRtf; // content across a re-creation
    std::wstring FKeptText;              // what it must read back as
    bool FModified = false;
    bool FChangePending = false; // seen inside a message, reported when the outermost one ends
    int FDepth = 0;              // messages of the control being handled, one inside the other
    int FQuiet = 0;
    bool FDetectLinks = false;
    bool FThemed = false;    // the base-coloured runs are shown in FThemeText
    COLORREF FThemeText = 0; // the system's text colour when they were
};

// Streams straight to a control of the platform class (a bare one, not through a wrapper).
bool StreamIntoControl(HWND control, UINT format, const TRichEditEx::TStreamReader& reader);
bool StreamOutOfControl(HWND control, UINT format, const TRichEditEx::TStreamWriter& writer);
// Gives `data` (which must outlive it) as the control can take it: at most half of what it
// offers, so it has room to expand, and never a CR LF pair split in two, which it would read as
// two line breaks.
TRichEditEx::TStreamReader ReaderOf(const std::string& data);
TRichEditEx::TStreamWriter AppendTo(std::string& bytes);
// RTF as the control writes it in UTF-8, which holds every character as it is.
inline constexpr UINT kUtf8Rtf = SF_RTF | SF_USECODEPAGE | (CP_UTF8 << 16);

// The RTF with the colour table's entry of `from` (every one) made `to`: what the control shows
// in the theme's colour is written in the user's.
std::string WithColourReplaced(const std::string& rtf, COLORREF from, COLORREF to);
