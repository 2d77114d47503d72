#pragma once
// What the keeper of the note asks of the world around it, with no window of its own: the editor
// that holds the note on screen, and someone to tell the user what happened. The note window is
// both; the simulation test puts models of them in its place.
#include "note/NotePrepare.h"

#include <windows.h>

#include <string>
#include <vector>

// How a note's bytes go into the editor.
enum class TLoadKind {
    lkWhole,   // replace everything, not undoable: the note the program starts with
    lkReplace, // replace everything as one edit Undo takes back, the caret and the view kept as
               // near as the new text allows: another writer's version, a rescue copy
    lkBefore,  // insert before what the editor holds, as one edit Undo takes back: a note read
               // late, with what was typed meanwhile kept after it
    lkAfter,   // append after what the editor holds, as one edit Undo takes back
};
using enum TLoadKind;

// What a merge of another writer's version into the editor did.
struct TMergeOutcome {
    bool Done = false;    // false: a version could not be read; the editor holds what it held
    bool Clean = true;    // false: both sides changed the same words differently; ours stayed there
    bool Changed = false; // something of theirs went in
};

class TNoteEditor {
public:
    virtual ~TNoteEditor() = default;
    // The note as it is stored (standard RTF); raises "Failed to Save Stream" when the control
    // cannot give it.
    virtual std::string StoredForm() = 0;
    // The text the control shows.
    virtual std::wstring Text() = 0;
    virtual bool Empty() = 0;
    // Gives the control these bytes, as RTF or as plain text. False when it refused them; the
    // editor then holds what it held before.
    virtual bool Load(const std::string& bytes, bool rtf, TLoadKind kind) = 0;
    // Takes back the load that just went in (it showed nothing of what the file holds): the
    // editor holds what it held before it.
    virtual void TakeBack() = 0;
    // Takes into the editor what `theirs` changed of `base` (see ThreeWayMerge.h), or with no base
    // whatever theirs holds that the editor lacks, taking nothing out: as one edit Undo takes
    // back, each side's text with its own formatting, the caret and the view kept with the text.
    virtual TMergeOutcome Merge(const TPreparedNote* base, const TPreparedNote& theirs) = 0;
};

// Something the user is to hear of, once a decision is carried out.
struct TNotice {
    enum TKind { nkBox, nkBalloon, nkQuestion };
    TKind Kind = nkBox;
    std::wstring Text;
    std::wstring Caption;            // a question's
    std::wstring Open;               // a balloon's file, opened by a click on it
    std::vector<std::wstring> Files; // every file the notice names, so the user knows where they are
    int Question = 0;                // what a question's answer goes back to the keeper as
};

class TNoteTeller {
public:
    virtual ~TNoteTeller() = default;
    // Modal: the box is on screen until the user closes it.
    virtual void Box(const std::wstring& text) = 0;
    virtual void Balloon(const std::wstring& text, const std::wstring& open) = 0;
    // Modal: Yes or No.
    virtual bool Ask(const std::wstring& text, const std::wstring& caption) = 0;
    // The one wake-up the keeper wants: at this moment of its clock; 0 for none.
    virtual void WakeAt(ULONGLONG when) = 0;
};
