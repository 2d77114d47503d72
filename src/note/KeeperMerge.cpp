// The keeper: another writer's version merged into the editor rather than set beside the note,
// and the copies a sync engine leaves when two computers saved at once.
#include "note/KeeperState.h"

#include "note/NoteFiles.h"
#include "note/NoteTexts.h"

#include <algorithm>

bool TNoteKeeper::TState::GuardedMerge(const TPreparedNote* base, const TPreparedNote& theirs,
                                       TMergeOutcome& outcome) {
    if ((base && !base->Safe) || !theirs.Safe) return false;
    // The control reads both versions: a file that takes it down counts as a load that never
    // returned, like any other.
    const int loads = LoadsSoFar();
    if (loads >= kLoadsBeforeRefusal || Mark(loads + 1)) return false;
    Marked([&] { outcome = Editor.Merge(base, theirs); });
    return outcome.Done;
}

bool TNoteKeeper::TState::MergeIn(const std::shared_ptr<const std::string>& theirs, const TFileStamp& stamp,
                                  TWhy why) {
    if (Load != lsLoaded) return false;
    // No note before: everything in theirs was added. A sync engine that kept the other
    // computer's version set ours aside as its copy: theirs is then no edit of what we wrote but
    // a version beside it, and nothing of ours is taken out.
    const TPreparedNote base = PrepareNote(Known ? *Known : std::string(), false);
    const bool beside = Known && (KnownSetAside || EngineKeptOurs());
    KnownSetAside = false;
    TMergeOutcome merged;
    if (!GuardedMerge(beside ? nullptr : &base, PrepareNote(*theirs, false), merged)) return false;
    // The editor now differs from both versions until it is written.
    Dirty = true;
    if (merged.Clean) {
        Known = theirs;
        KnownStamp = stamp;
        if (merged.Changed) Quietly(MergedText());
    } else {
        // Where both changed the same words ours stands in the note, and theirs is kept beside it.
        std::wstring kept;
        if (const DWORD error = KeepNew(ConflictPath(Note, Clock.LocalTime()), *theirs, kept)) {
            LookIn(kLookAgainMs);
            Rescue(Editor.StoredForm(), CannotCreateText(kept, error), why);
            return true;
        }
        Balloon(MergedConflictText(kept), kept);
        Known = theirs;
        KnownStamp = stamp;
    }
    const std::string ours = Editor.StoredForm();
    if (ours == *Known) {
        InStep();
        return true;
    }
    Write(ours, why);
    return true;
}

bool TNoteKeeper::TState::EngineKeptOurs() {
    for (const std::wstring& copy : EngineCopies(Calls, Note)) {
        std::string bytes;
        if (!ReadWhole(Calls, copy, bytes) && bytes == *Known) return true;
    }
    return false;
}

void TNoteKeeper::TState::TakeInEngineCopies() {
    if (Load != lsLoaded || Left) return;
    std::vector<std::wstring> merged;
    for (const std::wstring& copy : EngineCopies(Calls, Note)) {
        TFileStamp stamp;
        if (StampOf(Calls, copy, stamp) || !stamp.Exists) continue;
        const auto left = std::find_if(EngineCopiesLeft.begin(), EngineCopiesLeft.end(),
                                       [&](const auto& seen) { return seen.first == copy; });
        if (left != EngineCopiesLeft.end() && left->second == stamp) continue;
        std::string bytes;
        // Still held by the engine: the next look takes it.
        if (ReadWhole(Calls, copy, bytes)) continue;
        // Our own last write, set aside: the version that takes its place is to be merged with
        // ours, not taken for an edit of it.
        if (Known && bytes == *Known) KnownSetAside = true;
        TMergeOutcome outcome;
        const bool done = GuardedMerge(nullptr, PrepareNote(bytes, false), outcome);
        // What came in is an edit to save, whether or not all of the copy could.
        if (done && outcome.Changed) Dirty = true;
        if (!done || !outcome.Clean) {
            // It stays for the user, who is told once, and is not read again until it changes.
            if (left != EngineCopiesLeft.end())
                left->second = stamp;
            else
                EngineCopiesLeft.emplace_back(copy, stamp);
            Balloon(EngineCopyLeftText(copy), copy);
            continue;
        }
        merged.push_back(copy);
    }
    if (merged.empty()) return;
    // The copies go only once what they brought is in the note's file.
    if (Dirty) Save(wyLook);
    if (Dirty || Load != lsLoaded) return LookIn(kLookAgainMs);
    for (const std::wstring& copy : merged) {
        SetLastError(ERROR_SUCCESS);
        if (Calls.Delete(copy.c_str()))
            Balloon(EngineCopyMergedText(copy), L"");
        else if (GetLastError() != ERROR_FILE_NOT_FOUND)
            LookIn(kLookAgainMs);
    }
}
