#pragma once
// The note as it is stored: its file, what that file held when this program last read or wrote
// it, the watch on its folder, and the files kept beside it (the versions before this run's first
// change, another writer's version after a conflict). No window: the note window asks it to read,
// write and check, and decides what the editor does.
#include "framework/Handles.h"

#include <windows.h>

#include <memory>
#include <string>

// What tells one state of a file from another without reading it.
struct TFileStamp {
    bool Exists = false;
    ULONGLONG Size = 0;
    ULONGLONG LastWrite = 0;
    bool operator==(const TFileStamp&) const = default;
};

// What became of the stored note since this program last read or wrote it.
enum class TStoredChange {
    scNone,       // nothing
    scTouched,    // the same bytes, with another time or attributes (a sync client, a backup tool)
    scChanged,    // other bytes: another writer
    scGone,       // deleted or renamed away
    scUnreadable, // something happened, but the file cannot be read now (held, being written)
};
using enum TStoredChange;

struct TStoredCheck {
    TStoredChange Change = scNone;
    std::string Bytes;  // what the file holds, when it changed
    std::wstring Error; // why it could not be read
};

class TStoredNote {
public:
    // How many earlier versions are kept, as "<note>.1" (the newest) to "<note>.3".
    static constexpr int kKeptVersions = 3;

    explicit TStoredNote(std::wstring path);
    ~TStoredNote();
    TStoredNote(const TStoredNote&) = delete;
    TStoredNote& operator=(const TStoredNote&) = delete;

    const std::wstring& Path() const { return FPath; }

    // The whole file, read as the start-up load reads it; what it holds is then what is stored.
    std::string Read();
    // Compares the file with what was last read or written. A changed file is read and handed
    // over, but not taken as known until Accept or Write says so. Never waits for a file that
    // another program holds: that one is unreadable for now.
    TStoredCheck Check();
    // The file holds these bytes (the ones Check handed over, now in the editor).
    void Accept(const std::string& bytes);
    // True when the file is there and holds exactly these bytes, as far as this program knows.
    bool Holds(const std::string& bytes) const;
    // What the file held when this program last read or wrote it; null when nothing is known.
    // Shared, not copied: a note of megabytes is compared far faster than it is digested.
    std::shared_ptr<const std::string> Known() const { return FKnown; }
    // Replaces the file by these bytes in one step. Before the first replacement of a run the
    // file as it was is kept as "<note>.1", the older ones moved on to ".2" and ".3".
    void Write(const std::string& bytes);
    // The same for bytes that the caller keeps too: they are shared, not copied.
    void Write(std::shared_ptr<const std::string> bytes);
    // Keeps another writer's version beside the note, as "<name> (conflit <date> <time>)<ext>";
    // returns that file's path.
    std::wstring KeepConflict(const std::string& theirs);
    // Forgets what the file held: it was set aside, or never read.
    void Forget();

    // The file's path with a number: the versions kept before a run's first change.
    std::wstring VersionPath(int n) const { return FPath + L"." + std::to_wstring(n); }
    // Signalled when anything in the note's folder changes; null when the system offers no watch
    // there (the caller then looks now and then instead). Rearm after each signal.
    HANDLE ChangeHandle() const { return FWatch; }
    void Rearm();

private:
    void KeepVersions();
    void Remember(std::shared_ptr<const std::string> bytes, const TFileStamp& stamp);

    std::wstring FPath;
    TFileStamp FStamp;                         // the file as this program last knew it
    TFileStamp FSeen;                          // the file as the last check read it
    std::shared_ptr<const std::string> FKnown; // what it held then
    bool FVersionsKept = false;
    HANDLE FWatch = nullptr;
};

// The stamp of a file now; throws "Cannot open file ..." when it cannot be looked at.
TFileStamp StampOf(const std::wstring& path);
// The name of a conflict copy made at `when` (local time), without the number added when two
// fall in the same second.
std::wstring ConflictPath(const std::wstring& path, const SYSTEMTIME& when);
