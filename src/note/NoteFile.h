#pragma once
// The note's document file: finding and reading it, replacing it without ever leaving less than
// a complete document on disk, and keeping the one that could not be loaded.
#include <string>

std::wstring DocumentPath();
// Where the note is kept when it cannot be written beside the executable: the user's own
// application-data folder, in a folder named after the program.
std::wstring RescuePath();
// Writes the note there, making the folder first; raises "Cannot create file ..." on failure.
void WriteRescueCopy(const std::string& bytes);

// False only when the system says there is no such file or folder. Any other failure to look at
// the file (access denied, a network error) raises "Cannot open file "<path>". <reason>": the
// document may well be there, and an empty note must not be saved over it.
bool DocumentExists(const std::wstring& path);
// The whole file, or "Cannot open file "<path>". <reason>" when it cannot be opened (another
// program holding it is waited for about two seconds, unless not `patient`), its size cannot be read, or the
// reading fails or ends before that size: a part of the note is never taken for all of it.
std::string ReadDocumentFile(const std::wstring& path, bool patient = true);
// File bytes as the editor is to read them: every line break CR LF, NUL bytes left out.
std::string PrepareForEditor(const std::string& bytes);

// The RTF document without the paragraph mark that ends its text. A whole document loaded into
// the control ends with the control's own last paragraph mark; streamed into a selection, the
// document's mark would add an empty paragraph at every reload. Other bytes come back unchanged.
std::string WithoutFinalParagraphMark(const std::string& rtf);

// Writes the bytes to a file beside `path`, flushes it and renames it over `path`. If any step
// fails, `path` keeps what it had, the temporary file is removed and
// "Cannot create file "<path>". <reason>" is raised.
void ReplaceFileSafely(const std::wstring& path, const std::string& bytes);
// Renames a document that could not be loaded, so no save replaces it; returns the new name
// (empty when there was no file to rename).
std::wstring SetAside(const std::wstring& path);

// A mark beside the document while the editor reads it, removed when the reading returns. The
// control can fault inside its reader and take the program with it, or never return; so can the
// process for reasons of its own (a kill, a power cut, a user ending a long load). The mark
// counts the loads of this file that did not return in a row; after two the file is not read
// again.
class TLoadInProgress {
public:
    explicit TLoadInProgress(const std::wstring& path);
    ~TLoadInProgress();
    TLoadInProgress(const TLoadInProgress&) = delete;
    TLoadInProgress& operator=(const TLoadInProgress&) = delete;

private:
    std::wstring FMarker;
};
std::wstring LoadMarkerPath(const std::wstring& path);
// How many loads in a row of a file must fail to return before it is refused.
constexpr int kLoadsBeforeRefusal = 2;
// The loads of this very file (same size, same time of writing) that began and never returned,
// in a row. A mark left for another file is removed: that file has been replaced since.
int LoadsNeverReturned(const std::wstring& path);
// True when this file is not to be read again: its last loads never returned.
bool LoadNeverReturned(const std::wstring& path);
// The name the document would be set aside under now (see SetAside).
std::wstring SetAsideName(const std::wstring& path);
// A free name beside the note for the file as it was before the control read it:
// "<name> (original <date> <time>)<ext>", numbered when two fall in the same second.
std::wstring OriginalCopyPath(const std::wstring& path);
// True when another program holds the file open so that it cannot be read now.
bool HeldByAnotherProgram(const std::wstring& path);
