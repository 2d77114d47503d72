// The keeper: reading the note into the editor, and the mark that guards each load.
#include "note/KeeperState.h"

#include "framework/Error.h"
#include "framework/SystemError.h"
#include "note/NoteFiles.h"
#include "note/NoteLoad.h"
#include "note/NoteTexts.h"

#include <algorithm>

void TNoteKeeper::TState::Open() {
    Unswept = Untidy = true;
    if (ClearUpAfterCutSave(Calls, Note, Place.Rescue)) Balloon(TookCutSaveText(Note), L"", {Note});
    TidyVersions();
    // Still missing beside what a cut save left: put back as soon as it can be. Beside a note in
    // place, what is left is older than it, and only goes.
    SetLastError(ERROR_SUCCESS);
    RestorePending = Calls.GetAttributes(Note.c_str()) == INVALID_FILE_ATTRIBUTES &&
                     GetLastError() == ERROR_FILE_NOT_FOUND;
    TFileStamp stamp;
    if (const DWORD error = StampOf(Calls, Note, stamp)) return Pending(error);
    if (!stamp.Exists) {
        // A mark of a load belongs to no file now.
        Unmark();
        return Loaded();
    }
    std::string bytes;
    if (const DWORD error = ReadWhole(Calls, Note, bytes)) return Pending(error);
    Known = std::make_shared<const std::string>(std::move(bytes));
    TFileStamp after;
    // Written while it was read: what was read is known, but not as the file's present state.
    KnownStamp = !StampOf(Calls, Note, after) && after == stamp ? stamp : TFileStamp{};
    if (!LoadBytes(*Known, lkWhole)) return;
    Loaded();
    // What the sync engine kept aside while the program was not running.
    TakeInEngineCopies();
}

void TNoteKeeper::TState::Pending(DWORD error) {
    Load = lsPending;
    HeldSince = Clock.Now();
    Known.reset();
    KnownStamp = {};
    LookIn(kLookAgainMs);
    Box(NotLoadedText(CannotOpenText(Note, error), Note, NotLoadedHow::nlPending, IsHeld(error),
                      SetAsideName(Calls, Note)),
        {Note});
    // Asked now, before this run can write a rescue copy of its own over it.
    OfferRescues();
}

bool TNoteKeeper::TState::LoadBytes(const std::string& bytes, TLoadKind kind, std::wstring* why) {
    // A load that never returned (the control faulted, or the user ended a load that went on for
    // ever) is known by its mark; after two in a row the file is not read again this time.
    const int loads = LoadsSoFar();
    if (loads >= kLoadsBeforeRefusal) {
        if (why) {
            *why = L"Failed to Load Stream";
        } else {
            // One more try at the next start rather than never again.
            Mark(kLoadsBeforeRefusal - 1);
            Refused(L"Failed to Load Stream", true);
        }
        return false;
    }
    if (const DWORD error = Mark(loads + 1)) {
        // Without its mark a load that never returns would come back at every start: the note is
        // read once the mark can be written.
        const std::wstring failure = CannotCreateText(LoadMarkerPath(Note), error);
        if (why) {
            *why = failure;
        } else if (Load != lsPending) {
            Load = lsPending;
            if (!HeldSince) HeldSince = Clock.Now();
            LookIn(kLookAgainMs);
            Box(NotLoadedText(failure, Note, NotLoadedHow::nlPending, false, SetAsideName(Calls, Note)),
                {Note});
            OfferRescues();
        } else {
            LookIn(kLookAgainMs);
        }
        return false;
    }
    TLoadResult result;
    Marked([&] { result = LoadIntoEditor(Editor, bytes, kind); });
    if (!result.Loaded) {
        if (why)
            *why = result.Why;
        else
            Refused(result.Why, false);
        return false;
    }
    if (!result.Changes.empty()) {
        Original = bytes;
        OriginalPending = true;
        Box(NotTakenWholeText(Note, result.Changes), {Note});
    }
    return true;
}

void TNoteKeeper::TState::Refused(const std::wstring& why, bool interrupted) {
    Load = lsRefused;
    Box(NotLoadedText(why, Note, interrupted ? NotLoadedHow::nlInterrupted : NotLoadedHow::nlRefused, false,
                      SetAsideName(Calls, Note)),
        {Note});
    OfferRescues();
}

void TNoteKeeper::TState::Loaded() {
    Load = lsLoaded;
    HeldSince = 0;
    OfferRescues();
}

void TNoteKeeper::TState::RetryPending() {
    TFileStamp stamp;
    if (StampOf(Calls, Note, stamp)) return LookIn(kLookAgainMs);
    if (!stamp.Exists) {
        // Gone meanwhile: what was typed is the note now.
        Loaded();
        return;
    }
    std::string bytes;
    if (ReadWhole(Calls, Note, bytes)) return LookIn(kLookAgainMs);
    Known = std::make_shared<const std::string>(std::move(bytes));
    KnownStamp = stamp;
    // Typed into meanwhile (the editor was empty when the note could not be read): the note
    // first, then what was typed, as one edit.
    const bool typed = !Editor.Empty();
    if (!LoadBytes(*Known, typed ? lkBefore : lkWhole)) return;
    Loaded();
    if (!typed) {
        InStep();
        return;
    }
    Dirty = true;
    Balloon(JoinedText(), L"");
    Save(wyLook);
}

int TNoteKeeper::TState::LoadsSoFar() {
    return std::max(LoadsNeverReturned(Calls, Note), LoadsNeverReturned(Calls, Note, SpareMarker()));
}

void TNoteKeeper::TState::Marked(const std::function<void()>& load) {
    try {
        load();
    } catch (const TError&) {
        Unmark();
        throw;
    }
    Unmark();
}

DWORD TNoteKeeper::TState::Mark(int loads) {
    const DWORD error = MarkLoad(Calls, Note, loads);
    // A mark cut short beside the note counts nothing, but must not stay there.
    PrimaryMarkLeft = error != ERROR_SUCCESS;
    if (!error) {
        // The mark beside the note counts now; one left beside the rescue copy would count twice.
        SpareMarkLeft = !UnmarkLoad(Calls, Note, SpareMarker());
        return ERROR_SUCCESS;
    }
    Calls.CreateFolder(FolderOf(Place.Rescue).c_str());
    SpareMarkLeft = MarkLoad(Calls, Note, loads, SpareMarker()) != ERROR_SUCCESS;
    return SpareMarkLeft ? error : ERROR_SUCCESS;
}

void TNoteKeeper::TState::Unmark() {
    const bool gone = UnmarkLoad(Calls, Note);
    MarkLeft = !(UnmarkLoad(Calls, Note, SpareMarker()) && gone);
}
