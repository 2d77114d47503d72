#include "note/NoteLoad.h"

#include "note/ForeignNote.h"
#include "note/RtfSafetyScan.h"

#include <algorithm>

TLoadResult LoadIntoEditor(TNoteEditor& editor, const std::string& bytes, TLoadKind kind) {
    TLoadResult result;
    // Into a selection the document's own last paragraph mark would add an empty paragraph; before
    // the typing it keeps that typing on a line of its own.
    TPreparedNote note = PrepareNote(bytes, kind == lkReplace || kind == lkAfter);
    if (!note.Safe) {
        result.Why = L"Failed to Load Stream";
        return result;
    }
    const std::string& data = note.Data;
    const size_t before = kind == lkBefore || kind == lkAfter ? VisibleCharacters(editor.Text()) : 0;
    bool loaded = editor.Load(data, true, kind);
    if (!loaded && note.Rtf) {
        // An RTF file the control refuses is shown as its text, never as its source code.
        AddChange(note.Changes,
                  L"la zone de texte ne sait pas le lire comme RTF : seul son texte est chargé");
        loaded = editor.Load(RtfFromText(note.HeldText), true, kind);
    }
    if (!loaded) loaded = editor.Load(data, false, kind);
    // The control can take a file and show nothing of it: that is a load that lost the note, not
    // an empty note.
    const size_t after = loaded ? VisibleCharacters(editor.Text()) : 0;
    const size_t shown = after > before ? after - before : 0;
    if (loaded && note.HoldsText && shown == 0) {
        editor.TakeBack();
        loaded = false;
    }
    if (!loaded) {
        result.Why = L"Failed to Load Stream";
        return result;
    }
    if (note.Rtf) {
        // A few characters of difference are the two readings' detail (a code page's pairs of
        // bytes, a list's number); more is text the control dropped.
        const size_t holds = VisibleCharacters(note.HeldText);
        if (shown + std::max<size_t>(2, holds / 100) < holds)
            AddChange(note.Changes, L"la zone de texte n'en affiche pas tout le texte");
    }
    result.Loaded = true;
    result.Changes = note.Changes;
    return result;
}
