#pragma once
// What the keeper of the note tells the user, in the user's language, in one place.
#include <windows.h>

#include <string>

std::wstring CannotOpenText(const std::wstring& path, DWORD error);
std::wstring CannotCreateText(const std::wstring& path, DWORD error);

enum class NotLoadedHow {
    nlPending,     // could not be read now: read again every two seconds
    nlRefused,     // read, but the control could not take it
    nlInterrupted, // its last loads never returned
};
// The box about a stored note that was not loaded: why, where it is kept, and what happens next.
std::wstring NotLoadedText(const std::wstring& why, const std::wstring& note, NotLoadedHow how, bool held,
                           const std::wstring& asideName);
// A note the control could not take whole: what it lost, and that the file is kept as it was.
std::wstring NotTakenWholeText(const std::wstring& note, const std::wstring& changes);
std::wstring OriginalKeptText(const std::wstring& copy);
std::wstring TookCutSaveText(const std::wstring& note);
std::wstring JoinedText();
std::wstring ReloadedText();
std::wstring ConflictText(const std::wstring& kept);
// Another writer's version merged with the editor's; with words both changed, theirs kept too.
std::wstring MergedText();
std::wstring MergedConflictText(const std::wstring& kept);
// A sync engine's copy of the note, merged into it and removed.
std::wstring EngineCopyMergedText(const std::wstring& copy);
// A sync engine's copy that could not be merged whole: it stays beside the note.
std::wstring EngineCopyLeftText(const std::wstring& copy);
std::wstring SetAsideText(const std::wstring& aside);
// A save that failed: why, and where the note is kept meanwhile (`kept` empty: nowhere); on the
// way out, where it will be offered again. `oldNoteAt`: where the note as it was is, when a
// replacement cut short could not put it back.
std::wstring RescueText(const std::wstring& failure, const std::wstring& note, const std::wstring& kept,
                        bool leaving, const std::wstring& oldNoteAt);
std::wstring HeldCopyText(const std::wstring& kept);
std::wstring HeldAtLeaveText(const std::wstring& note, const std::wstring& kept);
std::wstring TypedKeptText(const std::wstring& kept);
std::wstring TypedKeptAtLeaveText(const std::wstring& note, const std::wstring& kept, bool offeredNextStart);
std::wstring TypedLostText(const std::wstring& note, const std::wstring& failure);
std::wstring RescueQuestionText(const std::wstring& note, const std::wstring& rescue,
                                const std::wstring& declined);
std::wstring AddendumQuestionText(const std::wstring& addendum, const std::wstring& declined);
std::wstring ShownKeptText(const std::wstring& kept);
std::wstring RescueUnreadText(const std::wstring& rescue, const std::wstring& why);
std::wstring RescueNotLoadedText(const std::wstring& why, const std::wstring& rescue);
