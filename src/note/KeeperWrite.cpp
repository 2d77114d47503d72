// The keeper: writing the note, and what a write leaves or must keep first.
#include "note/KeeperState.h"

#include "framework/Error.h"
#include "framework/SystemError.h"
#include "note/NoteFiles.h"
#include "note/NoteLoad.h"
#include "note/NoteTexts.h"
#include "note/NoteVersions.h"

#include <algorithm>

void TNoteKeeper::TState::Save(TWhy why) {
    Tidy();
    if (Load == lsPending) {
        RetryPending();
        if (Load == lsPending) {
            if (Dirty) KeepTyped(why);
            return;
        }
    }
    if (Load == lsRefused) {
        // Until the user writes something the stored note stays where it is, so the next start
        // loads it; once there is something to save, it is set aside first.
        if (!Dirty) {
            if (why != wyLeave && Editor.Empty()) {
                const TLook look = Look(false);
                if (look.Change == TLook::lkChanged) Settle(look, why);
            }
            return;
        }
        if (!SetAside(why)) return;
    }
    const TLook look = Look(false);
    switch (look.Change) {
    case TLook::lkChanged:
        return Settle(look, why);
    case TLook::lkUnreadable:
        if (Dirty || WritePending) {
            WritePending = true;
            PutOff(why);
        }
        return;
    case TLook::lkMissing:
        // Deleted or renamed away, or never there: the note is written again as the editor has it.
        if (!Dirty && Known) return Write(*Known, why);
        return Write(Editor.StoredForm(), why);
    default:
        if (!Dirty) {
            WritePending = false;
            return;
        }
        const std::string rtf = Editor.StoredForm();
        // Edited back to what the file holds: in step again, nothing to write.
        if (Known && rtf == *Known) return InStep();
        Write(rtf, why);
    }
}

void TNoteKeeper::TState::Write(const std::string& bytes, TWhy why) {
    TFileStamp stamp;
    if (!StampOf(Calls, Note, stamp) && stamp.Exists) {
        // What is about to be replaced must be what the keeper knows: another writer's version
        // is never written over unseen, whatever the stamp says.
        std::string now;
        const DWORD error =
            ReadWhole(Calls, Note, now, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE);
        if (IsHeld(error)) {
            WritePending = true;
            return PutOff(why);
        }
        if (error && error != ERROR_FILE_NOT_FOUND) return Rescue(bytes, CannotOpenText(Note, error), why);
        if (!error && (!Known || now != *Known)) {
            TLook theirs;
            theirs.Change = TLook::lkChanged;
            theirs.Bytes = std::move(now);
            theirs.Stamp = stamp;
            // Their version settled, ours goes over it only when it was kept.
            if (Known && Dirty) return Settle(theirs, why);
            if (Known) return Settle(theirs, why);
            // A file appeared where there was none: merged, or kept beside the note before ours
            // goes over it.
            if (Dirty && MergeIn(std::make_shared<const std::string>(theirs.Bytes), stamp, why)) return;
            if (const DWORD kept = KeepTheirs(theirs.Bytes))
                return Rescue(bytes, CannotCreateText(ConflictPath(Note, Clock.LocalTime()), kept), why);
            Known = std::make_shared<const std::string>(theirs.Bytes);
        }
        if (!error) KeepVersion(*Known, bytes.size());
    }
    if (const DWORD kept = KeepOriginal())
        return Rescue(bytes, CannotCreateText(OriginalPath(Note, Clock.LocalTime()), kept), why);
    const TReplaced replaced = ReplaceNote(Calls, Note, bytes);
    // The note as it was, left under the backup name: put back, never cleared away.
    if (!replaced.OldNoteAt.empty()) RestorePending = true;
    Untidy = true;
    Tidy();
    if (Untidy) LookIn(kLookAgainMs);
    switch (replaced.Outcome) {
    case TReplaced::rdWritten: {
        KnownSetAside = false;
        Known = std::make_shared<const std::string>(bytes);
        KnownStamp = {};
        TFileStamp written;
        if (!StampOf(Calls, Note, written)) KnownStamp = written;
        InStep();
        WritePending = false;
        HeldSince = 0;
        HeldTold = false;
        HeldCopy.clear();
        SaveFailedTold = false;
        RescueTold = false;
        RetireRescues();
        return;
    }
    case TReplaced::rdHeld:
        WritePending = true;
        return PutOff(why);
    case TReplaced::rdFailed:
        return Rescue(bytes, CannotCreateText(Note, replaced.Error), why, replaced.OldNoteAt);
    }
}

void TNoteKeeper::TState::KeepVersion(const std::string& stored, ULONGLONG noteSize) {
    // Extra safety, not the save itself: a version that cannot be made does not stop the save.
    const ULONGLONG now = Clock.UtcFileTime();
    const auto nearNow = [&](ULONGLONG time) {
        return time && (time > now ? time - now : now - time) < kVersionEvery;
    };
    // A version this run made or saw a moment ago: no need to look in the folder at each save.
    if (!VersionForced && nearNow(VersionNear)) return;
    ULONGLONG nearest = 0;
    if (KeepVersionByTime(Calls, Note, stored, now, Place.Computer, VersionForced, noteSize, nearest))
        VersionForced = false;
    // Due and not made: its temporary may be left, for the next tidying.
    else if (!nearest)
        Unswept = true;
    VersionNear = nearest;
}

void TNoteKeeper::TState::TidyVersions() {
    TakeInNumberedVersions(Calls, Note, Place.Computer);
    TFileStamp stamp;
    if (StampOf(Calls, Note, stamp) || !stamp.Exists) return;
    ThinVersions(Calls, Note, Clock.UtcFileTime(), stamp.Size);
}

DWORD TNoteKeeper::TState::KeepOriginal() {
    if (!OriginalPending) return ERROR_SUCCESS;
    std::wstring copy;
    if (const DWORD error = KeepNew(OriginalPath(Note, Clock.LocalTime()), Original, copy)) return error;
    OriginalPending = false;
    Original.clear();
    Balloon(OriginalKeptText(copy), copy);
    return ERROR_SUCCESS;
}

void TNoteKeeper::TState::InStep() {
    Dirty = false;
    // Nothing waits to be saved: the next change starts its own wait, and its own longest wait.
    UnsavedSince = 0;
    PauseDue = 0;
}

void TNoteKeeper::TState::PutOff(TWhy why) {
    // Something else holds or is writing the file: it is looked at again soon, and never written
    // over unseen. Meanwhile the edits go to a rescue copy; on the way out, beside the note.
    const ULONGLONG now = Clock.Now();
    if (!HeldSince) HeldSince = now;
    LookIn(kLookAgainMs);
    if (!Dirty) return;
    if (why == wyLeave) {
        const std::string ours = Editor.StoredForm();
        std::wstring kept;
        if (const DWORD error = KeepNew(ConflictPath(Note, Clock.LocalTime()), ours, kept))
            return Rescue(ours, CannotCreateText(kept, error), why);
        return Box(HeldAtLeaveText(Note, kept), {kept});
    }
    if (now - HeldSince < kHeldCopyAfterMs) return;
    const std::string ours = Editor.StoredForm();
    if (HeldTold && ours == HeldCopy) return;
    if (WriteRescue(Place.Rescue, RescueMine, RescueUsed, ours)) return;
    HeldCopy = ours;
    if (!HeldTold) Balloon(HeldCopyText(RescueUsed), L"", {RescueUsed});
    HeldTold = true;
}

bool TNoteKeeper::TState::SetAside(TWhy why) {
    const std::wstring aside = SetAsideName(Calls, Note);
    SetLastError(ERROR_SUCCESS);
    if (!Calls.Move(Note.c_str(), aside.c_str(), 0)) {
        const DWORD error = LastErrorOr(ERROR_WRITE_FAULT);
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            const bool held = IsHeld(error);
            if (held && why != wyLeave) {
                WritePending = true;
                LookIn(kLookAgainMs);
            }
            KeepTyped(why, !held);
            return false;
        }
    } else {
        Unmark(); // the mark was for the file now set aside
        Balloon(SetAsideText(aside), aside);
    }
    Load = lsLoaded;
    Known.reset();
    KnownStamp = {};
    OriginalPending = false;
    HeldSince = 0;
    return true;
}

void TNoteKeeper::TState::Tidy() {
    if (Untidy) {
        Untidy = !ClearUpAfterSave(Calls, Note, RestorePending);
        if (!Untidy) RestorePending = false;
    }
    if (MarkLeft) Unmark();
    if (PrimaryMarkLeft && UnmarkLoad(Calls, Note)) PrimaryMarkLeft = false;
    if (SpareMarkLeft && UnmarkLoad(Calls, Note, SpareMarker())) SpareMarkLeft = false;
    if (Unswept) Unswept = !SweepKeptTemporaries(Calls, Note, Place.Rescue);
    std::erase_if(Leftovers, [&](const std::wstring& left) {
        SetLastError(ERROR_SUCCESS);
        return Calls.Delete(left.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    });
}

DWORD TNoteKeeper::TState::KeepNew(const std::wstring& first, const std::string& bytes, std::wstring& kept) {
    const DWORD error = WriteNewCopy(Calls, first, bytes, kept);
    if (error) LeftBehind(kept);
    return error;
}

DWORD TNoteKeeper::TState::Keep(const std::wstring& path, const std::string& bytes) {
    const DWORD error = WriteKept(Calls, path, bytes);
    if (error) LeftBehind(path);
    return error;
}

void TNoteKeeper::TState::LeftBehind(const std::wstring& copy) {
    // The copy's temporary file, when a failure could not remove it, goes at the next look.
    const std::wstring temporary = NoteTemporaryPath(copy);
    if (std::find(Leftovers.begin(), Leftovers.end(), temporary) == Leftovers.end())
        Leftovers.push_back(temporary);
    LookIn(kLookAgainMs);
}
