#pragma once
// The keeper's own state and rules, shared by the files it is written in: loading, looking at the
// file, writing it, and the rescue copies. Not for the keeper's callers (see NoteKeeper.h).
#include "note/NoteKeeper.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Why a save is made: the program itself decides less on some occasions.
enum class TWhy { wyMenu, wyTimer, wyPause, wyLook, wyLeave };
using enum TWhy;

// What became of the file since the keeper last read or wrote it.
struct TLook {
    enum { lkNone, lkTouched, lkChanged, lkMissing, lkUnreadable } Change = lkNone;
    std::string Bytes;
    TFileStamp Stamp;
    DWORD Error = 0;
};

class TNoteKeeper::TState {
public:
    TState(TNoteKeeper& owner, TNoteEditor& editor, TNoteClock& clock, TFileCalls& calls)
        : Owner(owner), Place(owner.FPlace), Note(Place.Note), Editor(editor), Clock(clock), Calls(calls) {}

    void Open();
    void Edited();
    void Save(TWhy why);
    void FolderChanged();
    void WatchLost();
    void Wake();
    void Answer(int question, bool yes);
    void Leave();
    ULONGLONG NextWake() const;
    // The user has the note before their eyes again: the next reload or merge is said.
    void Shown() { ReloadTold = false; }

    std::vector<TNotice> News;
    bool Dirty = false;
    enum { lsLoaded, lsPending, lsRefused } Load = lsLoaded;
    bool Left = false;
    // The next replacement keeps a version whatever the newest's age.
    bool VersionForced = false;

private:
    // Loading.
    void Pending(DWORD error);
    void RetryPending();
    bool LoadBytes(const std::string& bytes, TLoadKind kind, std::wstring* why = nullptr);
    void Refused(const std::wstring& why, bool interrupted);
    void Loaded();
    void OfferRescues();
    // The rescue copies of this note that earlier runs left in the rescue folder.
    std::vector<std::wstring> RescueFiles();
    bool KeepShownBeforeRescue(const std::string& rescue, std::wstring& why);
    // A rescue copy into the editor: empty when it went in, else why not.
    std::wstring TakeIn(const std::wstring& file, TLoadKind kind);
    // Looking at the file and settling what another writer did.
    TLook Look(bool thorough);
    void LookNow();
    void Settle(const TLook& theirs, TWhy why);
    DWORD KeepTheirs(const std::string& theirs);
    // Theirs kept beside the note before ours goes over it: true when it was, and theirs is then
    // what the file is known to hold; otherwise ours goes to the rescue copy.
    bool KeptBeside(const std::shared_ptr<const std::string>& theirs, const TFileStamp& stamp, TWhy why);
    // Merging another writer's version into the editor, when both changed: true when it went in
    // and the note was then written (or handed on as a write would be).
    bool MergeIn(const std::shared_ptr<const std::string>& theirs, const TFileStamp& stamp, TWhy why);
    // A merge under the mark that guards every load: false when the control was not given it.
    bool GuardedMerge(const TPreparedNote* base, const TPreparedNote& theirs, TMergeOutcome& outcome);
    // The copies a sync engine made of the note, merged in and removed.
    void TakeInEngineCopies();
    // A sync engine kept another version in the note's place and what the keeper last wrote as
    // its copy.
    bool EngineKeptOurs();
    // A sync engine's copy of what the keeper last wrote was seen (and may be gone since).
    bool KnownSetAside = false;
    // Copies that could not be merged, with their stamps: tried again only once they change.
    std::vector<std::pair<std::wstring, TFileStamp>> EngineCopiesLeft;
    // Writing.
    void Write(const std::string& bytes, TWhy why);
    DWORD KeepOriginal();
    void InStep();
    void PutOff(TWhy why);
    void Rescue(const std::string& bytes, const std::wstring& failure, TWhy why,
                const std::wstring& oldNoteAt = {});
    void KeepTyped(TWhy why, bool atOnce = false);
    bool SetAside(TWhy why);
    void RetireRescues();
    // The mark of a load in progress, beside the note or, where it cannot be written there (a full
    // disk, a folder that refuses it), beside the rescue copy.
    std::wstring SpareMarker() const { return Place.Rescue + L".loading"; }
    DWORD Mark(int loads);
    void Unmark();
    // Loads that never returned, by the marks beside the note and beside the rescue copy.
    int LoadsSoFar();
    // A load into the control, marked (see Mark): the mark goes once it returns, or throws.
    void Marked(const std::function<void()>& load);
    // What a save leaves for a moment beside the note goes as soon as it can.
    void Tidy();
    bool Untidy = false;
    bool MarkLeft = false, PrimaryMarkLeft = false, SpareMarkLeft = false;
    // The note is missing beside what a cut save left: that is to be put back.
    bool RestorePending = false;
    bool Unswept = false;
    std::vector<std::wstring> Leftovers;
    // A copy of the keeper's own, beside the note or in the rescue folder (see WriteKept).
    DWORD Keep(const std::wstring& path, const std::string& bytes);
    // A new copy beside the note, never over another (see WriteNewCopy).
    DWORD KeepNew(const std::wstring& first, const std::string& bytes, std::wstring& kept);
    void LeftBehind(const std::wstring& copy);
    void LookIn(ULONGLONG ms);
    // Telling.
    void Box(const std::wstring& text, std::vector<std::wstring> files = {});
    void Balloon(const std::wstring& text, const std::wstring& open, std::vector<std::wstring> files = {});
    // A reload or a merge: said for the first since the user last looked at the note.
    void Quietly(const std::wstring& text);
    bool ReloadTold = false;

    TNoteKeeper& Owner;
    const TNotePlace& Place;
    const std::wstring& Note;
    TNoteEditor& Editor;
    TNoteClock& Clock;
    TFileCalls& Calls;

    // What the file held when the keeper last read or wrote it (null: nothing known), and its
    // stamp then.
    std::shared_ptr<const std::string> Known;
    TFileStamp KnownStamp;
    // A save was put off while another program held the file: the next look writes the note.
    bool WritePending = false;
    ULONGLONG HeldSince = 0;
    bool HeldTold = false;
    std::string HeldCopy; // what the rescue copy holds while the file is held
    bool TypedTold = false;
    std::wstring TypedToldAt, TypedBeside;
    bool SaveFailedTold = false;
    bool RescueTold = false;
    // The time of a version near enough to now that none is due (0: look in the folder).
    ULONGLONG VersionNear = 0;
    void KeepVersion(const std::string& stored, ULONGLONG noteSize);
    void TidyVersions();
    // A file that the control could not take as it was: kept beside the note before the first
    // save goes over it.
    std::string Original;
    bool OriginalPending = false;
    // The rescue copies this run wrote or took in, retired once the note is written.
    bool RescueMine = false, AddendumMine = false;
    std::wstring RescueUsed, AddendumUsed;
    // This run's rescue copy goes to `base`; a copy an earlier run left there, that this run did
    // not take in, is moved out of the way first and named, never written over.
    DWORD WriteRescue(const std::wstring& base, bool& mine, std::wstring& used, const std::string& bytes);
    bool RescuesOffered = false;
    struct TQuestion {
        int Id = 0;
        std::wstring File;
        TLoadKind Kind = lkReplace;
        std::wstring Declined; // where the copy goes when the user does not want it
    };
    std::vector<TQuestion> Questions;
    int NextQuestion = 1;
    // The waits.
    ULONGLONG UnsavedSince = 0, PauseDue = 0;
    ULONGLONG LookDue = 0, SignalSince = 0;
    bool Polling = false;
};
