#pragma once
// The keeper of the note on disk: the one record of what the note's file holds and of what the
// editor last had in step with it, and every rule about the file. It loads the note, saves it in
// the pauses of typing, on the timer, from the menu and at exit, takes in another writer's
// version, keeps conflict copies, rescue copies, versions and a note it could not read, and
// cleans up after a save that was cut short. It takes events and carries each one out to the
// end before it returns what the user is to hear of; it touches no window and shows no box. The
// file calls and the clock are given to it, so a simulated disk and clock can drive it.
#include "framework/FileCalls.h"
#include "note/NoteClock.h"
#include "note/NoteEditor.h"

#include <memory>
#include <string>
#include <vector>

// This computer's name, fit for a file name.
std::wstring ThisComputerName();

// Where a note lives.
struct TNotePlace {
    std::wstring Note;   // the note's file
    std::wstring Rescue; // this note's rescue copy, in the user's own folder
    // The name the versions this computer takes carry (see NoteVersions.h).
    std::wstring Computer = ThisComputerName();
};

// The rescue copy of `note` in `folder` (ending with a backslash): the note's name with a number
// that its full path gives, so that copies of the program in two folders never share one:
// "<folder>quillpad (1a2b3c4d).RTF" for "...\quillpad.RTF".
std::wstring RescuePathFor(const std::wstring& note, const std::wstring& folder);
// The rescue copy of text typed into a note that could not be read: it is offered to be added at
// the end of the note, never in its place: "<rescue name> ajout<ext>".
std::wstring AddendumPathFor(const std::wstring& rescue);

// What tells one state of a file from another without reading it.
struct TFileStamp {
    bool Exists = false;
    ULONGLONG Size = 0;
    ULONGLONG LastWrite = 0;
    bool operator==(const TFileStamp&) const = default;
};

class TNoteKeeper {
public:
    // Save-on-change saves once the editor has been quiet this long, and during continuous
    // typing at the latest this long after the first change not yet saved.
    static constexpr ULONGLONG kQuietMs = 300;
    static constexpr ULONGLONG kLongestWaitMs = 2000;
    // After a change in the note's folder the file is looked at once it has been quiet this long,
    // and at the latest this long after the first change.
    static constexpr ULONGLONG kSettleMs = 500;
    static constexpr ULONGLONG kSettleCeilingMs = 2000;
    // A file that could not be read or written (held by another program) is looked at again this
    // often; so is the folder where it cannot be watched.
    static constexpr ULONGLONG kLookAgainMs = 2000;
    // Edits that another program keeps from the file this long go to a rescue copy meanwhile.
    static constexpr ULONGLONG kHeldCopyAfterMs = 10000;

    TNoteKeeper(TNotePlace place, TNoteEditor& editor, TNoteClock& clock, TFileCalls& calls = FileCalls());
    ~TNoteKeeper();
    TNoteKeeper(const TNoteKeeper&) = delete;
    TNoteKeeper& operator=(const TNoteKeeper&) = delete;

    // The events. Each returns what the user is to hear of, in order.
    // The program starts: clears up after a save cut short, loads the note, offers a rescue copy.
    std::vector<TNotice> Open();
    // The editor's text or formatting changed, by the user (typing, a menu, a dialog, undo).
    std::vector<TNotice> Edited();
    // "Enregistrer" from the menu.
    std::vector<TNotice> Save();
    // The save timer.
    std::vector<TNotice> Tick();
    // Something changed in the note's folder.
    std::vector<TNotice> FolderChanged();
    // The folder can no longer be watched (or never could): the file is looked at now and then.
    std::vector<TNotice> WatchLost();
    // The moment NextWake named has come.
    std::vector<TNotice> Wake();
    // The user's answer to a question.
    std::vector<TNotice> Answer(int question, bool yes);
    // The program ends: the last save.
    std::vector<TNotice> Leave();

    // The next replacement of the note keeps the file as it was as a version, however recent the
    // newest (after the user restored a version). Only noted: safe while a box is on screen.
    void KeepVersionBeforeNextWrite();
    // The note was shown to the user (brought up, or activated). Only noted.
    void Shown();

    // When Wake is wanted next, on the clock; 0 for never.
    ULONGLONG NextWake() const;
    bool SaveOnChange() const { return FSaveOnChange; }
    void SetSaveOnChange(bool on);

    const TNotePlace& Place() const { return FPlace; }
    // The editor holds edits that are not in the note's file yet.
    bool Unsaved() const;
    // The note's file was read into the editor (or there was none).
    bool Loaded() const;
    // An event came while the keeper was still deciding about another: a fault of the caller.
    bool Reentered() const { return FReentered; }

private:
    class TState;
    std::unique_ptr<TState> F;
    TNotePlace FPlace;
    bool FSaveOnChange = false;
    bool FBusy = false;
    bool FReentered = false;
};
