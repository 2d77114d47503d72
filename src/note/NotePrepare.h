#pragma once
// A note's bytes made ready for the rich-text control, with no window: read as the control reads
// them (byte-order mark, line breaks), rewritten where the control would lose text, and measured,
// so that what would make the control fault is never given to it.
#include <string>

// File bytes as the editor is to read them: every line break CR LF, NUL bytes left out.
std::string PrepareForEditor(const std::string& bytes);
// The RTF document without the paragraph mark that ends its text. A whole document loaded into
// the control ends with the control's own last paragraph mark; streamed into a selection, the
// document's mark would add an empty paragraph at every reload. Other bytes come back unchanged.
std::string WithoutFinalParagraphMark(std::string rtf);
// The text a note's bytes hold, as a reader of the whole format shows it.
std::wstring TextOfNote(const std::string& bytes);

struct TPreparedNote {
    std::string Data; // what the control is given
    bool Rtf = false; // the note is RTF
    bool Safe = true; // false: the control must not be given it
    bool HoldsText = false;
    std::wstring HeldText; // the text a reader of the whole format shows, for RTF
    std::wstring Changes;  // what was rewritten for the control, in the user's words
};
TPreparedNote PrepareNote(const std::string& bytes, bool withoutFinalMark);
