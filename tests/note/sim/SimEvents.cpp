#include "note/sim/SimWorld.h"

#include "note/sim/SimText.h"
#include "note/sim/SimWords.h"

#include <algorithm>
#include <iterator>

using namespace std::string_literals;

namespace {

enum TEvent {
    evType,
    evClear,
    evUndo,
    evSave,
    evTick,
    evPause,
    evLongPause,
    evAppend,
    evAppendByRename,
    evTouch,
    evSameStamp,
    evDelete,
    evRenameAway,
    evHold,
    evRelease,
    evFailCall,
    evFailReplace,
    evDiskFull,
    evDiskRoom,
    evReadOnly,
    evWritable,
    evStoredFormFails,
    evHoldBox,
    evWatchLost,
    evWallJump,
    evLeave,
    evKill,
    evKillAtCall,
    evCount
};

enum TGroup { gUser, gWriter, gFault };

struct TEventKind {
    const char* Name;
    int Weight; // in tenths
    TGroup Group;
};

const TEventKind kEvents[evCount] = {
    {"type a word", 280, gUser},
    {"clear the note", 15, gUser},
    {"undo", 30, gUser},
    {"save from the menu", 20, gUser},
    {"timer tick", 60, gUser},
    {"pause", 100, gUser},
    {"long pause", 20, gUser},
    {"another program appends a word in place", 40, gWriter},
    {"another program appends a word by renaming over", 40, gWriter},
    {"another program touches the note", 15, gWriter},
    {"another program rewrites the note keeping size and time", 15, gWriter},
    {"another program deletes the note", 10, gWriter},
    {"another program renames the note away", 8, gWriter},
    {"another program holds the note", 25, gWriter},
    {"the other program lets go", 30, gWriter},
    {"calls will fail", 40, gFault},
    {"a replacement will stop half-way", 20, gFault},
    {"the disk fills up", 12, gFault},
    {"the disk has room again", 20, gFault},
    {"the note's folder becomes read-only", 10, gFault},
    {"the note's folder is writable again", 15, gFault},
    {"the editor cannot give its note", 5, gFault},
    {"the next box stays on screen", 30, gUser},
    {"the folder watch is lost", 5, gFault},
    {"the wall clock is set", 5, gFault},
    {"the user quits", 15, gUser},
    {"the program is killed", 15, gFault},
    {"the program will be killed in the middle of a call", 15, gFault},
};

struct TCallFault {
    TSimCall Call;
    DWORD Errors[3];
};

// Each call with the errors Windows gives it when a disk, a network or another program fails it.
const TCallFault kCallFaults[] = {
    {TSimCall::scOpen, {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ERROR_LOCK_VIOLATION}},
    {TSimCall::scGetSize, {ERROR_UNEXP_NET_ERR, ERROR_IO_DEVICE, ERROR_UNEXP_NET_ERR}},
    {TSimCall::scRead, {ERROR_READ_FAULT, ERROR_LOCK_VIOLATION, ERROR_UNEXP_NET_ERR}},
    {TSimCall::scWrite, {ERROR_WRITE_FAULT, ERROR_DISK_FULL, ERROR_LOCK_VIOLATION}},
    {TSimCall::scFlush, {ERROR_WRITE_FAULT, ERROR_UNEXP_NET_ERR, ERROR_IO_DEVICE}},
    {TSimCall::scMove, {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ERROR_UNEXP_NET_ERR}},
    {TSimCall::scReplace, {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ERROR_UNEXP_NET_ERR}},
    {TSimCall::scDelete, {ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ERROR_UNEXP_NET_ERR}},
    {TSimCall::scGetAttributes, {ERROR_ACCESS_DENIED, ERROR_UNEXP_NET_ERR, ERROR_SHARING_VIOLATION}},
    {TSimCall::scGetInfo, {ERROR_ACCESS_DENIED, ERROR_UNEXP_NET_ERR, ERROR_SHARING_VIOLATION}},
    {TSimCall::scCreateFolder, {ERROR_ACCESS_DENIED, ERROR_UNEXP_NET_ERR, ERROR_ACCESS_DENIED}},
    {TSimCall::scList, {ERROR_ACCESS_DENIED, ERROR_UNEXP_NET_ERR, ERROR_ACCESS_DENIED}},
};

} // namespace

void TSimWorld::Step(bool nested) {
    FClock.Advance(Chance(4) ? 1000 + Random(12000) : 1 + Random(400));
    Deliver();
    if (Gone()) return;
    const int event = Pick(nested);
    Log(Cat(nested ? "  (box on screen) " : "", "step ", FStep, " t=", FClock.Now(), ": ",
            kEvents[event].Name));
    NoteSeen();
    Do(event);
    NoteSeen();
    Deliver();
}

int TSimWorld::Pick(bool nested) {
    int weights[evCount];
    int total = 0;
    for (int event = 0; event < evCount; ++event) {
        const TEventKind& kind = kEvents[event];
        int weight = kind.Weight;
        if (kind.Group == gWriter) weight *= FWriterWeight;
        if (kind.Group == gFault) weight *= FFaultWeight;
        // Only one box is on screen at a time.
        if (nested && event == evHoldBox) weight = 0;
        weights[event] = weight;
        total += weight;
    }
    int pick = static_cast<int>(Random(static_cast<unsigned>(total)));
    for (int event = 0; event < evCount; ++event) {
        if (pick < weights[event]) return event;
        pick -= weights[event];
    }
    return evPause;
}

// What the message loop brings between events: the keeper's wake-up, once due (late now and
// then, as timers are), and the folder watch's notification.
void TSimWorld::Deliver() {
    if (Gone()) return;
    const ULONGLONG wake = FTeller.Wake();
    if (wake && FClock.Now() >= wake && Chance(90)) {
        Log("  wake");
        FDesk->Wake();
    }
    if (Gone()) return;
    if (FWatchAlive && FDisk.Changes(kFolder) != FSeenChanges && Chance(85)) {
        FSeenChanges = FDisk.Changes(kFolder);
        Log("  folder changed");
        FDesk->FolderChanged();
    }
}

void TSimWorld::Do(int event) {
    switch (event) {
    case evType: {
        const std::string word = Cat("u", FNextWord++);
        Log("  "s + word);
        FEditor->Type(word);
        FTyped.insert(word);
        FDesk->Edited();
        break;
    }
    case evClear:
        FCleared.insert(FEditor->Words().begin(), FEditor->Words().end());
        FEditor->Clear();
        FDesk->Edited();
        break;
    case evUndo: {
        const std::vector<std::string> before = FEditor->Words();
        if (!FEditor->Undo()) break;
        const std::vector<std::string>& after = FEditor->Words();
        for (const std::string& word : before)
            if (std::find(after.begin(), after.end(), word) == after.end()) FCleared.insert(word);
        for (const std::string& word : after)
            FCleared.erase(word);
        FDesk->Edited();
        break;
    }
    case evSave:
        FDesk->Save();
        break;
    case evTick:
        FDesk->Tick();
        break;
    case evPause: {
        const ULONGLONG wake = FTeller.Wake();
        FClock.Advance(wake > FClock.Now() ? wake - FClock.Now() + Random(50) : 300 + Random(3000));
        if (wake) FDesk->Wake();
        break;
    }
    case evLongPause:
        FClock.Advance(TNoteKeeper::kHeldCopyAfterMs + Random(5000));
        break;
    case evAppend:
    case evAppendByRename:
        Append(event == evAppendByRename);
        break;
    case evTouch:
        Log(FDisk.OtherTouch(kNote) ? "  done" : "  could not");
        break;
    case evSameStamp:
        RewriteSameStamp();
        break;
    case evDelete: {
        const std::optional<std::string> bytes = FDisk.Bytes(kNote);
        if (!bytes || !FDisk.OtherDelete(kNote)) {
            Log("  could not");
            break;
        }
        // What the program had not taken in is gone by the other program's will.
        const std::vector<std::string>& shown = FEditor->Words();
        FDeletedWords = WordsIn(*bytes);
        for (const std::string& word : WordsIn(*bytes)) {
            FTrail[word] = "in the note another program deleted";
            if (std::find(shown.begin(), shown.end(), word) == shown.end()) FExcused.insert(word);
        }
        break;
    }
    case evRenameAway: {
        const std::wstring to = kFolder + L"quillpad (moved " + std::to_wstring(FNextWord++) + L").RTF";
        if (FDisk.OtherMove(kNote, to))
            FOthersFiles.insert(Upper(to));
        else
            Log("  could not");
        break;
    }
    case evHold: {
        const DWORD share = Chance(50) ? 0 : FILE_SHARE_READ;
        if (const int hold = FDisk.Hold(kNote, share)) FHolds.push_back(hold);
        Log(share ? "  sharing reading" : "  sharing nothing");
        break;
    }
    case evRelease:
        if (!FHolds.empty()) {
            const size_t which = Random(static_cast<unsigned>(FHolds.size()));
            FDisk.Release(FHolds[which]);
            FHolds.erase(FHolds.begin() + static_cast<ptrdiff_t>(which));
        }
        break;
    case evFailCall:
        FailSomeCall();
        break;
    case evFailReplace: {
        const auto step = static_cast<TReplaceStep>(Random(3));
        Log(Cat("  at step ", static_cast<int>(step) + 1));
        FDisk.FailReplaceAt(step, 1 + static_cast<int>(Random(2)));
        break;
    }
    case evDiskFull:
        FDisk.SetFreeSpace(L"D:", Chance(50) ? 0 : Random(60));
        break;
    case evDiskRoom:
        FDisk.SetDiskFull(L"D:", false);
        break;
    case evReadOnly:
        FDisk.SetReadOnlyFolder(kFolder, true);
        break;
    case evWritable:
        FDisk.SetReadOnlyFolder(kFolder, false);
        break;
    case evStoredFormFails:
        FEditor->FailStoredForm(1);
        break;
    case evHoldBox:
        FHoldEvents = 1 + static_cast<int>(Random(4));
        break;
    case evWatchLost:
        if (FWatchAlive) {
            FWatchAlive = false;
            FDesk->WatchLost();
        }
        break;
    case evWallJump:
        FClock.ShiftWall(Chance(70) ? -static_cast<LONGLONG>(60000 + Random(7200000)) : Random(3600000));
        break;
    case evLeave:
        // The session ends between failing calls; a full disk, a read-only folder and a held
        // file stay, and the edits must then go to the rescue copy.
        FDisk.ClearCallFaults();
        FEditor->FailStoredForm(0);
        // What is typed once the last boxes show is typed into a closing program.
        FLeft = true;
        FDesk->Leave();
        break;
    case evKill:
        FDisk.KillProgram();
        break;
    case evKillAtCall:
        FDisk.KillAtCall(1 + static_cast<int>(Random(12)));
        break;
    }
}

// Another program adds a word to what the note holds: in place, or by writing a temporary file
// and renaming it over the note. Now and then the word makes the editor crash or refuse the note.
void TSimWorld::Append(bool byRename) {
    const std::string number = std::to_string(FNextWord++);
    const std::string word = FPoisonWriter && Chance(15)    ? "poison"s + number
                             : FGarbledWriter && Chance(15) ? "garbled"s + number
                                                            : "o"s + number;
    const std::optional<std::string> current = FDisk.Bytes(kNote);
    std::string bytes;
    if (!current) {
        bytes = Chance(30) ? word : "{\\rtf1 "s + word + "}";
    } else {
        bytes = *current;
        const size_t end = bytes.find_last_not_of(" \r\n\t");
        if (end != std::string::npos && bytes[end] == '}')
            bytes.insert(end, " "s + word);
        else
            bytes += " "s + word;
    }
    const bool done = byRename ? FDisk.OtherReplaceByRename(kNote, kFolder + L".quillpad.RTF.sync.tmp", bytes)
                               : FDisk.OtherWrite(kNote, bytes);
    Log("  "s + word + (done ? "" : ": could not"));
    if (!done) return;
    FWritten.insert(word);
    // A new note where the other program had deleted one: what the deleted note held is gone by
    // that program's will, as a replacement of its own would have it.
    if (!current)
        for (const std::string& deleted : FDeletedWords)
            FExcused.insert(deleted);
    FDeletedWords.clear();
}

// Another program swaps one of its words for a new one of the same length and puts the time
// back: neither the size nor the time tells the change.
void TSimWorld::RewriteSameStamp() {
    const std::optional<std::string> current = FDisk.Bytes(kNote);
    std::vector<std::string> words = WordsIn(current.value_or(""));
    const auto old =
        std::find_if(words.rbegin(), words.rend(), [](const std::string& word) { return word[0] == 'o'; });
    if (old == words.rend()) {
        Log("  nothing to rewrite");
        return;
    }
    const std::string word = Cat("o", FNextWord++);
    std::string bytes = *current;
    const size_t at = bytes.rfind(*old);
    bytes.replace(at, old->size(), word);
    if (word.size() != old->size() || !FDisk.OtherRewriteSameStamp(kNote, bytes)) {
        Log("  could not");
        return;
    }
    Log("  "s + *old + " -> " + word);
    FWritten.insert(word);
    FExcused.insert(*old);
}

void TSimWorld::FailSomeCall() {
    const TCallFault& fault = kCallFaults[Random(static_cast<unsigned>(std::size(kCallFaults)))];
    const DWORD error = fault.Errors[Random(3)];
    static const wchar_t* const kParts[] = {L"", L"", L"quillpad.RTF", L".tmp", L"\\Roaming\\"};
    const std::wstring part = kParts[Random(static_cast<unsigned>(std::size(kParts)))];
    const int count = 1 + static_cast<int>(Random(3));
    Log(Cat("  call ", static_cast<int>(fault.Call), " x", count, " error ", error,
            part.empty() ? "" : " on ", Narrow(part)));
    FDisk.FailNext(fault.Call, count, error, part);
}
