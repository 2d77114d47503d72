// The keeper: rescue copies, of a note that cannot be written or of text typed into one that
// could not be read, and the offer of an earlier run's copies.
#include "note/KeeperState.h"

#include "framework/Error.h"
#include "framework/SystemError.h"
#include "note/NoteFiles.h"
#include "note/NoteLoad.h"
#include "note/NoteTexts.h"

#include <algorithm>

#include <cwctype>
#include <utility>

namespace {

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

void TNoteKeeper::TState::OfferRescues() {
    if (RescuesOffered) return;
    RescuesOffered = true;
    const std::wstring shown = StrippedText(Editor.Text());
    for (const std::wstring& file : RescueFiles()) {
        const TLoadKind kind = file.find(L" ajout") == std::wstring::npos ? lkReplace : lkAfter;
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
        for (int n = 2; n < 100 && Calls.GetAttributes(declined.c_str()) != INVALID_FILE_ATTRIBUTES; ++n)
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

std::vector<std::wstring> TNoteKeeper::TState::RescueFiles() {
    // The copies of earlier runs: "<rescue>", "<rescue> 2"..., and their "ajout" ones. Those the
    // user declined end in ".old" and are not asked about again.
    const std::wstring folder = FolderOf(Place.Rescue);
    const std::wstring name = FileNameOf(Place.Rescue);
    const size_t dot = name.find_last_of(L'.');
    const std::wstring stem = name.substr(0, dot),
                       extension = dot == std::wstring::npos ? L"" : name.substr(dot);
    std::vector<std::wstring> files{Place.Rescue, AddendumPathFor(Place.Rescue)};
    for (const std::wstring& found : Calls.List(folder, stem + L" *" + extension)) {
        const std::wstring path = folder + found;
        const std::wstring middle = found.substr(stem.size(), found.size() - stem.size() - extension.size());
        const bool numbered =
            middle.size() > 1 && middle.find_first_not_of(L" 0123456789ajout") == std::wstring::npos;
        if (numbered && std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
    }
    return files;
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

std::wstring TNoteKeeper::TState::TakeIn(const std::wstring& file, TLoadKind kind) {
    std::string bytes;
    std::wstring why;
    if (const DWORD error = ReadWhole(Calls, file, bytes)) return CannotOpenText(file, error);
    if (kind == lkReplace && !KeepShownBeforeRescue(bytes, why)) return why;
    const TLoadResult loaded = LoadIntoEditor(Editor, bytes, kind);
    return loaded.Loaded ? std::wstring() : loaded.Why;
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
    // Into a note that is not loaded yet, the copy goes with what is typed, to be joined after it.
    const TLoadKind kind = Load == lsPending ? lkAfter : asked.Kind;
    const std::wstring why = TakeIn(asked.File, kind);
    if (why.empty()) {
        // An edit like any other: Undo takes it back, the next save writes it beside the program.
        (asked.Kind == lkReplace ? RescueMine : AddendumMine) = true;
        (asked.Kind == lkReplace ? RescueUsed : AddendumUsed) = asked.File;
        Edited();
        return;
    }
    // Out of the way of this run's own rescue copies, under the name the question gave.
    const std::wstring kept =
        Calls.Move(asked.File.c_str(), asked.Declined.c_str(), 0) ? asked.Declined : asked.File;
    Box(RescueNotLoadedText(why, kept), {kept});
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
        // Never over a copy an earlier run left and this one did not take in: it stays where the
        // next start will offer it, and this run's copy takes a number of its own.
        used = base;
        const size_t dot = base.find_last_of(L'.');
        int n = 2;
        for (; n < kNames && mayBeThere(used); ++n)
            used = base.substr(0, dot) + L" " + std::to_wstring(n) + base.substr(dot);
        if (n == kNames) return ERROR_CANNOT_MAKE;
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
    if (leaving)
        return Box(TypedKeptAtLeaveText(Note, kept, offered && kept == AddendumPathFor(Place.Rescue)),
                   {kept});
    // Said once for each file it goes to.
    if (TypedToldAt != kept) Balloon(TypedKeptText(kept), L"", {kept});
    TypedToldAt = kept;
    TypedTold = true;
}

void TNoteKeeper::TState::RetireRescues() {
    if (RescueMine) Calls.Delete(RescueUsed.c_str());
    if (AddendumMine) Calls.Delete(AddendumUsed.c_str());
    RescueMine = AddendumMine = false;
    TypedTold = false;
    TypedToldAt.clear();
}
