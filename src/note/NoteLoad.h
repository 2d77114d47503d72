#pragma once
// A note's bytes on their way into the editor: read as the control reads them, rewritten where the
// control would lose text, refused where it would fault, then given to it, and what it shows
// compared with what the file holds.
#include "note/NoteEditor.h"
#include "note/NotePrepare.h"

#include <string>

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
