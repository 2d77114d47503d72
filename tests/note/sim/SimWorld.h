#pragma once
// The deterministic simulation of the keeper of the note: the desk (and its keeper) driven by a
// model editor and user, a simulated disk and clock, other programs and failing calls, on a
// random schedule drawn from one seed. After the schedule settles, the invariants are checked:
// no word lost, the note never replaced by less, every edit in the file, nothing stray left, no
// handle open, the keeper never re-entered, a crashing note refused after two crashes.
#include "note/NoteDesk.h"
#include "note/sim/ModelEditor.h"
#include "note/sim/ModelTeller.h"
#include "note/sim/SimClock.h"
#include "note/sim/SimDisk.h"

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

// A fault the test commits itself through the program's calls, to show the checks see it.
enum class TSabotage {
    sbNone,
    sbTruncateNote,   // the program empties the note in place
    sbLeakHandle,     // the program leaves the note open
    sbStrayTemporary, // the program leaves a temporary file
    sbUntoldEdit,     // a word typed that the keeper is never told of
    sbLoseTypedWord,  // a saved word vanishes from the disk after the last leave
};

struct TScheduleOptions {
    int Length = 0;     // events; 0: the seed picks 20 to 60
    bool Trace = false; // print the schedule step by step
    TSabotage Sabotage = TSabotage::sbNone;
};

struct TScheduleResult {
    std::vector<std::string> Broken; // each invariant broken, as the check says it
    int Events = 0;
    int Starts = 0;
    // The files left and their bytes, to tell one run from another.
    std::string Disk;
};

TScheduleResult RunSchedule(unsigned seed, const TScheduleOptions& options = {});

class TSimWorld {
public:
    TSimWorld(unsigned seed, const TScheduleOptions& options);
    ~TSimWorld();
    TScheduleResult Run();

private:
    static inline const std::wstring kFolder = L"D:\\Notes\\";
    static inline const std::wstring kNote = kFolder + L"quillpad.RTF";
    static inline const std::wstring kUserFolder = L"C:\\Users\\Sim\\AppData\\Roaming\\Quillpad\\";

    // Life of the program: SimWorld.cpp.
    void StartUntilAlive();
    void Restart();
    void Bury();
    void Killed();
    void Settle();
    void Finish();
    void Sabotage();
    void LoseTypedWord();
    void TypeAndSave();
    // The schedule: SimEvents.cpp.
    void Step(bool nested);
    void Do(int event);
    int Pick(bool nested);
    void Deliver();
    void Append(bool byRename);
    void RewriteSameStamp();
    void FailSomeCall();
    // The invariants: SimChecks.cpp.
    void CheckNoteChange(const std::wstring& path, const std::string& before, const std::string& after);
    void CheckSettled();
    void CheckHandles(const char* when);
    void CheckFilesLeft();
    void CheckWordsKept();
    void NoteSeen();
    std::set<std::string> DiskWords(bool withTemporaries, const std::wstring& except = {},
                                    bool withVersions = true) const;
    std::vector<std::wstring> NamedIn(const std::wstring& text);
    bool Named(const std::wstring& upperPath) const;

    static std::string Narrow(const std::wstring& text);
    static std::wstring Upper(std::wstring text);
    void Broke(const std::string& what);
    void Log(const std::string& line) const;
    bool Gone() const { return FDisk.ProgramDead() || FLeft; }
    unsigned Random(unsigned below) { return static_cast<unsigned>(FRandom() % below); }
    bool Chance(unsigned percent) { return Random(100) < percent; }

    const unsigned FSeed;
    const TScheduleOptions FOptions;
    std::mt19937 FRandom;
    TSimClock FClock;
    TSimDisk FDisk{FClock};
    TFileCalls FCalls = FDisk.Calls();
    TNotePlace FPlace;
    TModelTeller FTeller;
    std::unique_ptr<TModelEditor> FEditor;
    std::unique_ptr<TNoteDesk> FDesk;

    // What this schedule is like.
    bool FSaveOnChange = false;
    bool FPoisonWriter = false;
    bool FGarbledWriter = false;
    int FWriterWeight = 1;
    int FFaultWeight = 1;

    // Words and where they may be.
    int FNextWord = 100;
    std::set<std::string> FTyped, FWritten, FCleared, FExcused, FLostToKill;
    // What the note held when another program last deleted it, until a new note takes its place.
    std::vector<std::string> FDeletedWords;
    // The note that last crashed a start.
    std::string FPoisonNote;
    // How each word last left the editor or a file, to tell how a lost word was lost.
    std::map<std::string, std::string> FTrail;
    std::vector<std::wstring> FTold;     // every notice's text and link, upper-case
    std::set<std::wstring> FOthersFiles; // paths other programs made, upper-case
    std::vector<int> FHolds;
    // Every state the note was seen in: a version must be one of them, never a cut file.
    std::set<std::string> FNoteStates;

    std::string FSabotageWord;
    std::string FFinalDisk;
    std::vector<std::string> FBroken;
    int FStep = 0;
    int FStarts = 0;
    int FHoldEvents = 0;
    int FPoisonStarts = 0;
    bool FPoisonDeath = false;
    bool FLeft = false;
    bool FWatchAlive = true;
    bool FAborted = false;
    ULONGLONG FSeenChanges = 0;
};
