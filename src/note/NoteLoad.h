#pragma once
// A note's bytes on their way into the editor: read as the control reads them, rewritten where the
// control would lose text, refused where it would fault, then given to it, and what it shows
// compared with what the file holds.
#include "note/NoteEditor.h"

#include <string>

// File bytes as the editor is to read them: every line break CR LF, NUL bytes left out.
std::string PrepareForEditor(const std::string& bytes);
// The RTF document without the paragraph mark that ends its text. A whole document loaded into
// the control ends with the control's own last paragraph mark; streamed into a selection, the
// document's mark would add an empty paragraph at every reload. Other bytes come back unchanged.
std::string WithoutFinalParagraphMark(const std::string& rtf);

// The text a note's bytes hold, as a reader of the whole format shows it.
std::wstring TextOfNote(const std::string& bytes);

struct TLoadResult {
    bool Loaded = false;
    // Why not, when it was not: "Failed to Load Stream".
    std::wstring Why;
    // What the control could not take as it was, in the user's words; empty when it took all.
    std::wstring Changes;
};
// Gives the editor a note's bytes as `kind` says. The editor holds what it held before when the
// load fails.
TLoadResult LoadIntoEditor(TNoteEditor& editor, const std::string& bytes, TLoadKind kind);
