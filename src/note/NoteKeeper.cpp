#include "note/NoteKeeper.h"

#include "framework/Error.h"
#include "framework/SystemError.h"
#include "note/NoteFiles.h"
#include "note/NoteLoad.h"
#include "note/NoteTexts.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iterator>
#include <utility>

namespace {

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

// True when every word of `part` is in `whole`, as many times.
bool AllWordsIn(std::wstring_view part, std::wstring_view whole) {
    const auto words = [](std::wstring_view text) {
        std::vector<std::wstring> found;
        std::wstring word;
        for (const wchar_t c : text) {
            if (!std::iswspace(c)) {
                word += c;
            } else if (!word.empty()) {
                found.push_back(std::exchange(word, {}));
            }
        }
        if (!word.empty()) found.push_back(word);
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<std::wstring> a = words(part), b = words(whole);
    return std::includes(b.begin(), b.end(), a.begin(), a.end());
}

std::wstring StrippedText(std::wstring_view text) {
    std::wstring out;
    for (const wchar_t c : text)
        if (!std::iswspace(c)) out += c;
    return out;
}

} // namespace

std::wstring RescuePathFor(const std::wstring& note, const std::wstring& folder) {
    uint32_t hash = 2166136261u;
    for (const wchar_t c : note) {
        hash ^= static_cast<uint32_t>(std::towupper(c == L'/' ? L'\\' : c));
        hash *= 16777619u;
    }
    wchar_t number[16];
    swprintf(number, std::size(number), L" (%08x)", hash);
    const std::wstring name = FileNameOf(note);
    const size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? folder + name + number
                                     : folder + name.substr(0, dot) + number + name.substr(dot);
}

std::wstring AddendumPathFor(const std::wstring& rescue) {
    const size_t dot = rescue.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot >= FolderOf(rescue).size();
    return hasExtension ? rescue.substr(0, dot) + L" ajout" + rescue.substr(dot) : rescue + L" ajout";
}

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

    std::vector<TNotice> News;
    bool Dirty = false;
    enum { lsLoaded, lsPending, lsRefused } Load = lsLoaded;
    bool Left = false;

private:
    // Loading.
    void Pending(DWORD error);
    void RetryPending();
    bool LoadBytes(const std::string& bytes, TLoadKind kind, std::wstring* why = nullptr);
    void Refused(const std::wstring& why, bool interrupted);
    void Loaded();
    void OfferRescues();
    bool KeepShownBeforeRescue(const std::string& rescue, std::wstring& why);
    // Looking at the file and settling what another writer did.
    TLook Look(bool thorough);
    void LookNow();
    void Settle(const TLook& theirs, TWhy why);
    DWORD KeepTheirs(const std::string& theirs);
    // Writing.
    void Write(const std::string& bytes, TWhy why);
    DWORD KeepOriginal();
    void InStep();
    void PutOff(TWhy why);
    void Rescue(const std::string& bytes, const std::wstring& failure, TWhy why, const std::wstring& oldNoteAt = {});
    void KeepTyped(TWhy why, bool atOnce = false);
    bool SetAside(TWhy why);
    void RetireRescues();
    // The mark of a load in progress, beside the note or, where it cannot be written there (a full
    // disk, a folder that refuses it), beside the rescue copy.
    std::wstring SpareMarker() const { return Place.Rescue + L".loading"; }
    DWORD Mark(int loads);
    void Unmark();
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
    void LookIn(ULONGLONG ms);
    // Telling.
    void Box(const std::wstring& text, std::vector<std::wstring> files = {});
    void Balloon(const std::wstring& text, const std::wstring& open, std::vector<std::wstring> files = {});

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
    bool VersionKept = false;
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

// --- Telling ---------------------------------------------------------------------------------

void TNoteKeeper::TState::Box(const std::wstring& text, std::vector<std::wstring> files) {
    TNotice notice;
    notice.Kind = TNotice::nkBox;
    notice.Text = text;
    notice.Files = std::move(files);
    News.push_back(std::move(notice));
}

void TNoteKeeper::TState::Balloon(const std::wstring& text, const std::wstring& open,
                                  std::vector<std::wstring> files) {
    TNotice notice;
    notice.Kind = TNotice::nkBalloon;
    notice.Text = text;
    notice.Open = open;
    notice.Files = std::move(files);
    if (!open.empty() && std::find(notice.Files.begin(), notice.Files.end(), open) == notice.Files.end())
        notice.Files.push_back(open);
    News.push_back(std::move(notice));
}

// --- Loading ---------------------------------------------------------------------------------

void TNoteKeeper::TState::Open() {
    Unswept = Untidy = true;
    if (ClearUpAfterCutSave(Calls, Note, Place.Rescue))
        Balloon(TookCutSaveText(Note), L"", {Note});
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
    if (LoadBytes(*Known, lkWhole)) Loaded();
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
    const int loads = std::max(LoadsNeverReturned(Calls, Note), LoadsNeverReturned(Calls, Note, SpareMarker()));
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
            Box(NotLoadedText(failure, Note, NotLoadedHow::nlPending, false, SetAsideName(Calls, Note)), {Note});
            OfferRescues();
        } else {
            LookIn(kLookAgainMs);
        }
        return false;
    }
    TLoadResult result;
    try {
        result = LoadIntoEditor(Editor, bytes, kind);
    } catch (const TError&) {
        Unmark();
        throw;
    }
    Unmark();
    if (!result.Loaded) {
        if (why) *why = result.Why;
        else Refused(result.Why, false);
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

void TNoteKeeper::TState::OfferRescues() {
    if (RescuesOffered) return;
    RescuesOffered = true;
    const std::wstring shown = StrippedText(Editor.Text());
    for (const auto& [file, kind] : {std::pair{Place.Rescue, lkReplace}, std::pair{AddendumPathFor(Place.Rescue), lkAfter}}) {
        std::string bytes;
        if (const DWORD error = ReadWhole(Calls, file, bytes)) {
            // There, but not to be read now: the user knows where it is all the same.
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
                Balloon(RescueUnreadText(file, CannotOpenText(file, error)), L"", {file});
            continue;
        }
        // Only a copy that holds something the note does not is worth a question.
        const std::wstring kept = StrippedText(TextOfNote(bytes));
        const bool inNote = (Known && bytes == *Known) ||
                            (kind == lkReplace ? kept == shown : shown.find(kept) != std::wstring::npos);
        if (inNote) {
            Calls.Delete(file.c_str());
            continue;
        }
        // Asked once: refused, it stays in its folder under a name of its own.
        std::wstring declined = file + L".old";
        for (int n = 2; Calls.GetAttributes(declined.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
            declined = file + L".old" + std::to_wstring(n);
        TNotice question;
        question.Kind = TNotice::nkQuestion;
        question.Caption = L"Copie de secours";
        question.Text = kind == lkReplace ? RescueQuestionText(Note, file, declined)
                                          : AddendumQuestionText(file, declined);
        question.Files = {file, declined};
        question.Question = NextQuestion++;
        Questions.push_back({question.Question, file, kind, declined});
        News.push_back(std::move(question));
    }
}

bool TNoteKeeper::TState::KeepShownBeforeRescue(const std::string& rescue, std::wstring& why) {
    // The copy takes the note's place: what the note holds that the copy does not (another
    // program's words, what was typed since) is kept beside it first.
    if (AllWordsIn(Editor.Text(), TextOfNote(rescue))) return true;
    const std::string shown = Editor.StoredForm();
    std::wstring kept;
    if (const DWORD error = KeepNew(ConflictPath(Note, Clock.LocalTime()), shown, kept)) {
        why = CannotCreateText(kept, error);
        return false;
    }
    Balloon(ShownKeptText(kept), kept);
    return true;
}

void TNoteKeeper::TState::Answer(int id, bool yes) {
    const auto question =
        std::find_if(Questions.begin(), Questions.end(), [&](const TQuestion& q) { return q.Id == id; });
    if (question == Questions.end()) return;
    const TQuestion asked = *question;
    Questions.erase(question);
    if (!yes) {
        Calls.Move(asked.File.c_str(), asked.Declined.c_str(), 0);
        return;
    }
    std::string bytes;
    std::wstring why;
    // Into a note that is not loaded yet, the copy goes with what is typed, to be joined after it.
    const TLoadKind kind = Load == lsPending ? lkAfter : asked.Kind;
    if (const DWORD error = ReadWhole(Calls, asked.File, bytes))
        why = CannotOpenText(asked.File, error);
    else if (kind == lkReplace && !KeepShownBeforeRescue(bytes, why))
        ;
    else if (LoadIntoEditor(Editor, bytes, kind).Loaded) {
        // An edit like any other: Undo takes it back, the next save writes it beside the program.
        (asked.Kind == lkReplace ? RescueMine : AddendumMine) = true;
        (asked.Kind == lkReplace ? RescueUsed : AddendumUsed) = asked.File;
        Edited();
        return;
    } else
        why = L"Failed to Load Stream";
    // Out of the way of this run's own rescue copies, under the name the question gave.
    const std::wstring kept = Calls.Move(asked.File.c_str(), asked.Declined.c_str(), 0) ? asked.Declined : asked.File;
    Box(RescueNotLoadedText(why, kept), {kept});
}

// --- Looking ---------------------------------------------------------------------------------

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
        return;
    case TLook::lkUnreadable:
        LookIn(kLookAgainMs);
        if (WritePending) PutOff(wyLook);
        return;
    default:
        if (Load == lsLoaded && WritePending) Save(wyLook);
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
    if (!Dirty) {
        // Another writer's version, and nothing new here: it is taken as it is, as one edit.
        if (why == wyLeave) return;
        std::wstring failure;
        if (LoadBytes(*bytes, lkReplace, &failure)) {
            Known = bytes;
            KnownStamp = theirs.Stamp;
            InStep();
            WritePending = false;
            Balloon(ReloadedText(), L"");
            return;
        }
        // The editor keeps its note; theirs stays in a file of its own, and the note is ours again.
        // Until that file is made, theirs is not known as what the file holds: nothing goes over it.
        Dirty = true;
        if (const DWORD error = KeepTheirs(*bytes)) {
            LookIn(kLookAgainMs);
            return Rescue(Editor.StoredForm(), CannotCreateText(ConflictPath(Note, Clock.LocalTime()), error), why);
        }
        Known = bytes;
        KnownStamp = theirs.Stamp;
        return Save(why);
    }
    // Both changed: theirs is kept beside the note, then ours is written.
    if (const DWORD error = KeepTheirs(*bytes)) {
        // Theirs stays where it is, unseen by the user: ours must not go over it. Looked at again
        // soon, it is settled once its copy can be made.
        LookIn(kLookAgainMs);
        return Rescue(Editor.StoredForm(), CannotCreateText(ConflictPath(Note, Clock.LocalTime()), error), why);
    }
    Known = bytes;
    KnownStamp = theirs.Stamp;
    Write(Editor.StoredForm(), why);
}

DWORD TNoteKeeper::TState::KeepTheirs(const std::string& theirs) {
    std::wstring kept;
    if (const DWORD error = KeepNew(ConflictPath(Note, Clock.LocalTime()), theirs, kept)) return error;
    Balloon(ConflictText(kept), kept);
    return ERROR_SUCCESS;
}

// --- Writing ---------------------------------------------------------------------------------

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
            // A file appeared where there was none: kept beside the note before ours goes over it.
            if (const DWORD kept = KeepTheirs(theirs.Bytes))
                return Rescue(bytes, CannotCreateText(ConflictPath(Note, Clock.LocalTime()), kept), why);
            Known = std::make_shared<const std::string>(theirs.Bytes);
        }
        if (!error && !VersionKept) {
            VersionKept = true;
            KeepVersion(Calls, Note, *Known);
        }
    }
    if (const DWORD kept = KeepOriginal())
        return Rescue(bytes, CannotCreateText(OriginalPath(Note, Clock.LocalTime()), kept), why);
    const TReplaced replaced = ReplaceNote(Calls, Note, bytes);
    Untidy = true;
    Tidy();
    if (Untidy) LookIn(kLookAgainMs);
    switch (replaced.Outcome) {
    case TReplaced::rdWritten: {
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
        if (!replaced.OldNoteAt.empty()) RestorePending = Untidy = true;
        return Rescue(bytes, CannotCreateText(Note, replaced.Error), why, replaced.OldNoteAt);
    }
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

void TNoteKeeper::TState::Rescue(const std::string& bytes, const std::wstring& failure, TWhy why,
                                 const std::wstring& oldNoteAt) {
    const DWORD error = WriteRescue(Place.Rescue, RescueMine, RescueUsed, bytes);
    const bool leaving = why == wyLeave;
    // Said once until a save works again (once more when the copy could not be kept the first
    // time and now is), and always on the way out.
    if (SaveFailedTold && !leaving && oldNoteAt.empty() && (RescueTold || error)) return;
    SaveFailedTold = true;
    RescueTold = !error;
    std::vector<std::wstring> files;
    if (!error) files.push_back(RescueUsed);
    if (!oldNoteAt.empty()) files.push_back(oldNoteAt);
    Box(RescueText(failure, Note, error ? L"" : RescueUsed, leaving, oldNoteAt), files);
}

DWORD TNoteKeeper::TState::WriteRescue(const std::wstring& base, bool& mine, std::wstring& used,
                                       const std::string& bytes) {
    const auto mayBeThere = [&](const std::wstring& path) {
        SetLastError(ERROR_SUCCESS);
        if (Calls.GetAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        const DWORD error = LastErrorOr(ERROR_ACCESS_DENIED);
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    };
    // A folder that cannot be looked at is not searched for ever.
    constexpr int kNames = 100;
    if (!mine) {
        used = base;
        if (mayBeThere(base)) {
            std::wstring aside = base + L".old";
            for (int n = 2; n < kNames && mayBeThere(aside); ++n)
                aside = base + L".old" + std::to_wstring(n);
            if (Calls.Move(base.c_str(), aside.c_str(), 0)) {
                Balloon(OlderRescueText(aside), L"", {aside});
            } else {
                // It cannot be moved either: this run's copy takes a name of its own.
                const size_t dot = base.find_last_of(L'.');
                int n = 2;
                for (; n < kNames && mayBeThere(used); ++n)
                    used = base.substr(0, dot) + L" " + std::to_wstring(n) + base.substr(dot);
                if (n == kNames) return ERROR_CANNOT_MAKE;
            }
        }
    }
    const DWORD error = Keep(used, bytes);
    if (!error) mine = true;
    return error;
}

void TNoteKeeper::TState::KeepTyped(TWhy why, bool atOnce) {
    // Text typed into a note that could not be read: never in its place, always somewhere.
    const bool leaving = why == wyLeave;
    const ULONGLONG now = Clock.Now();
    if (!HeldSince) HeldSince = now;
    if (!leaving && !atOnce && now - HeldSince < kHeldCopyAfterMs) return;
    const std::string typed = Editor.StoredForm();
    if (!leaving && TypedTold && typed == HeldCopy) return;
    std::wstring kept;
    const bool offered = !WriteRescue(AddendumPathFor(Place.Rescue), AddendumMine, AddendumUsed, typed);
    if (offered) {
        kept = AddendumUsed;
    } else {
        // Beside the note, in one file for the run.
        const DWORD error = TypedBeside.empty() ? KeepNew(ConflictPath(Note, Clock.LocalTime()), typed, kept)
                                                : Keep(kept = TypedBeside, typed);
        if (!error) TypedBeside = kept;
        if (error) {
            if (leaving) Box(TypedLostText(Note, CannotCreateText(kept, error)));
            return;
        }
    }
    HeldCopy = typed;
    if (leaving) return Box(TypedKeptAtLeaveText(Note, kept, offered && kept == AddendumPathFor(Place.Rescue)), {kept});
    // Said once for each file it goes to.
    if (TypedToldAt != kept) Balloon(TypedKeptText(kept), L"", {kept});
    TypedToldAt = kept;
    TypedTold = true;
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

void TNoteKeeper::TState::RetireRescues() {
    if (RescueMine) Calls.Delete(RescueUsed.c_str());
    if (AddendumMine) Calls.Delete(AddendumUsed.c_str());
    RescueMine = AddendumMine = false;
    TypedTold = false;
    TypedToldAt.clear();
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
    if (error) {
        const std::wstring temporary = NoteTemporaryPath(kept);
        if (std::find(Leftovers.begin(), Leftovers.end(), temporary) == Leftovers.end())
            Leftovers.push_back(temporary);
        LookIn(kLookAgainMs);
    }
    return error;
}

DWORD TNoteKeeper::TState::Keep(const std::wstring& path, const std::string& bytes) {
    const DWORD error = WriteKept(Calls, path, bytes);
    // Its temporary file, when a failure could not remove it, goes at the next look.
    if (error) {
        const std::wstring temporary = NoteTemporaryPath(path);
        if (std::find(Leftovers.begin(), Leftovers.end(), temporary) == Leftovers.end())
            Leftovers.push_back(temporary);
        LookIn(kLookAgainMs);
    }
    return error;
}

void TNoteKeeper::TState::LookIn(ULONGLONG ms) {
    const ULONGLONG due = Clock.Now() + ms;
    LookDue = LookDue ? std::min(LookDue, due) : due;
}

// --- Events ----------------------------------------------------------------------------------

void TNoteKeeper::TState::Edited() {
    Dirty = true;
    if (!Owner.FSaveOnChange) return;
    const ULONGLONG now = Clock.Now();
    if (!UnsavedSince) UnsavedSince = now;
    PauseDue = std::min(now + kQuietMs, UnsavedSince + kLongestWaitMs);
}

void TNoteKeeper::TState::FolderChanged() {
    const ULONGLONG now = Clock.Now();
    const bool first = !SignalSince;
    if (first) SignalSince = now;
    // Each change starts the quiet wait again, up to a ceiling, so the look comes once the writer
    // is done, and comes all the same while something keeps changing the folder.
    const ULONGLONG due = std::min(now + kSettleMs, SignalSince + kSettleCeilingMs);
    LookDue = first && LookDue ? std::min(LookDue, due) : due;
}

void TNoteKeeper::TState::WatchLost() {
    Polling = true;
    LookIn(kLookAgainMs);
}

void TNoteKeeper::TState::Wake() {
    const ULONGLONG now = Clock.Now();
    if (PauseDue && now >= PauseDue) {
        PauseDue = 0;
        UnsavedSince = 0;
        Save(wyPause);
    }
    if (LookDue && now >= LookDue) {
        LookDue = 0;
        SignalSince = 0;
        LookNow();
    }
    if (Polling && !LookDue) LookIn(kLookAgainMs);
}

void TNoteKeeper::TState::Leave() {
    Left = true;
    PauseDue = LookDue = 0;
    if (Load == lsPending) {
        RetryPending();
        if (Load == lsPending) {
            if (Dirty) KeepTyped(wyLeave);
            return;
        }
    }
    Save(wyLeave);
    PauseDue = LookDue = 0;
}

ULONGLONG TNoteKeeper::TState::NextWake() const {
    if (Left) return 0;
    if (!PauseDue) return LookDue;
    return LookDue ? std::min(PauseDue, LookDue) : PauseDue;
}

// --- The keeper ------------------------------------------------------------------------------

TNoteKeeper::TNoteKeeper(TNotePlace place, TNoteEditor& editor, TNoteClock& clock, TFileCalls& calls)
    : FPlace(std::move(place)) {
    F = std::make_unique<TState>(*this, editor, clock, calls);
}

TNoteKeeper::~TNoteKeeper() = default;

namespace {

// One event at a time: an event that comes while another is decided is a fault of the caller,
// noted and dropped. A failure of the editor's stream is said, not thrown through the caller.
template <class F> std::vector<TNotice> Decide(bool& busy, bool& reentered, std::vector<TNotice>& news, F&& event) {
    if (busy) {
        reentered = true;
        return {};
    }
    busy = true;
    struct TDone {
        bool& Busy;
        ~TDone() { Busy = false; }
    } done{busy};
    news.clear();
    try {
        event();
    } catch (const TError& error) {
        TNotice box;
        box.Text = error.Message();
        news.push_back(std::move(box));
    }
    return std::exchange(news, {});
}

} // namespace

std::vector<TNotice> TNoteKeeper::Open() {
    return Decide(FBusy, FReentered, F->News, [&] { F->Open(); });
}

std::vector<TNotice> TNoteKeeper::Edited() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Edited();
    });
}

std::vector<TNotice> TNoteKeeper::Save() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Save(wyMenu);
    });
}

std::vector<TNotice> TNoteKeeper::Tick() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Save(wyTimer);
    });
}

std::vector<TNotice> TNoteKeeper::FolderChanged() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->FolderChanged();
    });
}

std::vector<TNotice> TNoteKeeper::WatchLost() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->WatchLost();
    });
}

std::vector<TNotice> TNoteKeeper::Wake() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Wake();
    });
}

std::vector<TNotice> TNoteKeeper::Answer(int question, bool yes) {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Answer(question, yes);
    });
}

std::vector<TNotice> TNoteKeeper::Leave() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Leave();
    });
}

ULONGLONG TNoteKeeper::NextWake() const {
    return F->NextWake();
}

void TNoteKeeper::SetSaveOnChange(bool on) {
    FSaveOnChange = on;
}

bool TNoteKeeper::Unsaved() const {
    return F->Dirty;
}

bool TNoteKeeper::Loaded() const {
    return F->Load == TState::lsLoaded;
}
