#pragma once
// The files of a note, read and written through the file calls the keeper is given: the names
// of the files kept beside it, whole reads that never wait, writes that leave a whole file or
// none, the replacement of the note that never leaves the folder without it, the
// mark of a load in progress, and what a save cut short left behind.
#include "framework/FileCalls.h"
#include "note/NoteKeeper.h"

#include <windows.h>

#include <string>

// Names beside a note.
std::wstring FolderOf(const std::wstring& path);
std::wstring FileNameOf(const std::wstring& path);
// "~<name>.tmp": what the note is written to before it takes the note's place.
std::wstring NoteTemporaryPath(const std::wstring& path);
// "~<name>.old.tmp": where the platform's replacement puts the note it replaces, for a moment.
std::wstring NoteBackupPath(const std::wstring& path);
// "~<name>.1.tmp": where earlier releases wrote a version on its way; a cut save may have left it.
std::wstring VersionCopyPath(const std::wstring& path);
// "<name> (conflit YYYY-MM-DD hh-mm-ss)<ext>": another writer's version.
std::wstring ConflictPath(const std::wstring& path, const SYSTEMTIME& when);
// "<name> (original YYYY-MM-DD hh-mm-ss)<ext>": a file as it was before the control read it.
std::wstring OriginalPath(const std::wstring& path, const SYSTEMTIME& when);
// `first`, or the same name numbered inside its last parenthesis (" 2)", " 3)"...) when taken.
std::wstring FreeName(TFileCalls& calls, const std::wstring& first);
// "<name>.unreadable", "<name>.unreadable2"...: a note that could not be loaded, set aside.
// The copies a sync engine made of the note when two computers changed it at once, beside it:
// "<stem>.sync-conflict-<date>-<time>-<device><ext>", and "<stem> (… conflicted copy …)<ext>" or
// "<stem> (… copie en conflit …)<ext>" as cloud drives name them. Full paths.
std::vector<std::wstring> EngineCopies(TFileCalls& calls, const std::wstring& note);
std::wstring SetAsideName(TFileCalls& calls, const std::wstring& path);
std::wstring LoadMarkerPath(const std::wstring& path);

// The stamp of a file now. 0 with an empty stamp when there is no such file or folder; another
// error (access denied, a network error) says nothing about whether it is there.
DWORD StampOf(TFileCalls& calls, const std::wstring& path, TFileStamp& stamp);
// The whole file, never waiting for another program that holds it. A file that shrinks or grows
// while it is read is an error, never a part taken for the whole.
DWORD ReadWhole(TFileCalls& calls, const std::wstring& path, std::string& bytes, DWORD access = GENERIC_READ,
                DWORD share = FILE_SHARE_READ);
// The file now holds exactly these bytes, flushed; on failure nothing of it is left.
DWORD WriteWhole(TFileCalls& calls, const std::wstring& path, const std::string& bytes, DWORD disposition);
// A file of the keeper's own (a copy beside the note, a rescue copy) written through a temporary
// file, so that it is never left cut; the folder is made when missing. 0 on success. A file
// already there is replaced only when `replace` says so.
DWORD WriteKept(TFileCalls& calls, const std::wstring& path, const std::string& bytes, bool replace = true);
// A new copy beside the note under `first` (see FreeName), never over another; `kept` is where it
// went.
DWORD WriteNewCopy(TFileCalls& calls, const std::wstring& first, const std::string& bytes,
                   std::wstring& kept);
// True when another program holds the file so that it can be neither read nor replaced now.
bool IsHeld(DWORD error);

// How the replacement of the note ended.
struct TReplaced {
    enum { rdWritten, rdHeld, rdFailed } Outcome = rdFailed;
    DWORD Error = 0;
    // Set when the note could not be put back in place: where the note as it was is.
    std::wstring OldNoteAt;
};
// Replaces the note by these bytes: written and flushed beside it, then put in its place by the
// platform's replacement, or a rename where that is refused. Whatever step fails, the folder is
// not left without the note: either the note holds the new bytes, or it holds what it held.
TReplaced ReplaceNote(TFileCalls& calls, const std::wstring& path, const std::string& bytes);
// Clears up after a save or a replacement cut short (a kill, a power cut): a note missing beside
// its replacement is put back from it, then the leftovers go, those of the copies kept beside the
// note and in `rescueFolder` too. Returns true when the note was taken from a save that never
// finished.
bool ClearUpAfterCutSave(TFileCalls& calls, const std::wstring& path, const std::wstring& rescue = {});
// The temporary files of the copies kept beside the note, of the versions and of the rescue copies,
// left by a kill;
// false when some could not be looked for or removed yet.
bool SweepKeptTemporaries(TFileCalls& calls, const std::wstring& path, const std::wstring& rescue);
// What a replacement or a version leaves for a moment beside the note; false while some of it
// cannot be removed yet. With `restore`, a note missing beside its backup or new note is put back
// from it first (see ClearUpAfterCutSave).
bool ClearUpAfterSave(TFileCalls& calls, const std::wstring& path, bool restore);

// The mark of a load in progress (`marker`, LoadMarkerPath when not given): the identity of the
// file read (size and time) and a count of the loads of that file that never returned, in a row.
int LoadsNeverReturned(TFileCalls& calls, const std::wstring& path, const std::wstring& marker = {});
// 0 when the mark is written, else why not.
DWORD MarkLoad(TFileCalls& calls, const std::wstring& path, int loads, const std::wstring& marker = {});
// False while the mark is still there.
bool UnmarkLoad(TFileCalls& calls, const std::wstring& path, const std::wstring& marker = {});
// How many loads in a row of one file must fail to return before it is refused.
constexpr int kLoadsBeforeRefusal = 2;
