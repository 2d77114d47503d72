// The keeper: looking at the note's file, and settling what another writer did to it.
#include "note/KeeperState.h"

#include "framework/Error.h"
#include "framework/SystemError.h"
#include "note/NoteFiles.h"
#include "note/NoteLoad.h"
#include "note/NoteTexts.h"

#include <algorithm>

TLook TNoteKeeper::TState::Look(bool thorough) {
    TLook look;
    if ((look.Error = StampOf(Calls, Note, look.Stamp))) {
        look.Change = TLook::lkUnreadable;
        return look;
    }
    if (!look.Stamp.Exists) {
        look.Change = TLook::lkMissing;
        return look;
    }
    // A file system with coarse times (two seconds on some) can change a file and keep its
    // stamp: a look after a change in the folder reads it all the same.
    if (look.Stamp == KnownStamp && Known && !thorough) return look;
    // No waiting here: the user may be typing. A file held by its writer is looked at again.
    if ((look.Error = ReadWhole(Calls, Note, look.Bytes))) {
        look.Change = TLook::lkUnreadable;
        return look;
    }
    TFileStamp after;
    if (StampOf(Calls, Note, after) || after != look.Stamp) {
        // Still being written: the next look decides.
        look.Change = TLook::lkUnreadable;
        look.Bytes.clear();
        return look;
    }
    if (Known && look.Bytes == *Known) {
        look.Change = look.Stamp == KnownStamp ? TLook::lkNone : TLook::lkTouched;
        KnownStamp = look.Stamp;
        look.Bytes.clear();
        return look;
    }
    look.Change = TLook::lkChanged;
    return look;
}

void TNoteKeeper::TState::LookNow() {
    Tidy();
    if (Load == lsPending) {
        RetryPending();
        if (Load == lsPending && Dirty) KeepTyped(wyLook);
        return;
    }
    const TLook look = Look(true);
    switch (look.Change) {
    case TLook::lkChanged:
        Settle(look, wyLook);
        return TakeInEngineCopies();
    case TLook::lkUnreadable:
        LookIn(kLookAgainMs);
        if (WritePending) PutOff(wyLook);
        return;
    default:
        // A note not loaded has a write waiting only when its set-aside found it held.
        if (WritePending) Save(wyLook);
        TakeInEngineCopies();
    }
}

void TNoteKeeper::TState::Settle(const TLook& theirs, TWhy why) {
    auto bytes = std::make_shared<const std::string>(theirs.Bytes);
    if (Load == lsRefused) {
        // Another file took the place of the one that could not be loaded: it is the note now.
        Known = bytes;
        KnownStamp = theirs.Stamp;
        const bool typed = !Editor.Empty();
        if (!LoadBytes(*Known, typed ? lkBefore : lkWhole)) return;
        Load = lsLoaded;
        if (!typed) return InStep();
        Dirty = true;
        return Save(why);
    }
    // What we wrote last was set aside by a sync engine for another computer's version: that one
    // is no edit of ours but a version beside it, merged without taking anything of ours out.
    if (!Dirty && Known && KnownSetAside && MergeIn(bytes, theirs.Stamp, why)) return;
    if (!Dirty) {
        // Another writer's version, and nothing new here: it is taken as it is, as one edit.
        if (why == wyLeave) return;
        std::wstring failure;
        if (LoadBytes(*bytes, lkReplace, &failure)) {
            Known = bytes;
            KnownStamp = theirs.Stamp;
            InStep();
            WritePending = false;
            Quietly(ReloadedText());
            return;
        }
        // The editor keeps its note; theirs stays in a file of its own, and the note is ours again.
        Dirty = true;
        if (KeptBeside(bytes, theirs.Stamp, why)) Save(why);
        return;
    }
    // Both changed: what theirs changed goes into ours where ours did not change the same words;
    // failing that, theirs is kept beside the note, then ours is written.
    if (MergeIn(bytes, theirs.Stamp, why)) return;
    if (KeptBeside(bytes, theirs.Stamp, why)) Write(Editor.StoredForm(), why);
}

bool TNoteKeeper::TState::KeptBeside(const std::shared_ptr<const std::string>& theirs,
                                     const TFileStamp& stamp, TWhy why) {
    if (const DWORD error = KeepTheirs(*theirs)) {
        // Theirs stays where it is, unseen by the user, and is not taken for what the file holds:
        // ours must not go over it. Looked at again soon, it is settled once its copy can be made.
        LookIn(kLookAgainMs);
        Rescue(Editor.StoredForm(), CannotCreateText(ConflictPath(Note, Clock.LocalTime()), error), why);
        return false;
    }
    Known = theirs;
    KnownStamp = stamp;
    return true;
}

DWORD TNoteKeeper::TState::KeepTheirs(const std::string& theirs) {
    std::wstring kept;
    if (const DWORD error = KeepNew(ConflictPath(Note, Clock.LocalTime()), theirs, kept)) return error;
    Balloon(ConflictText(kept), kept);
    return ERROR_SUCCESS;
}

void TNoteKeeper::TState::LookIn(ULONGLONG ms) {
    const ULONGLONG due = Clock.Now() + ms;
    LookDue = LookDue ? std::min(LookDue, due) : due;
}
