#include "note/sim/SimWorld.h"

#include "note/sim/SimText.h"
#include "note/sim/SimWords.h"

#include <algorithm>
#include <cstdio>

using namespace std::string_literals;

TScheduleResult RunSchedule(unsigned seed, const TScheduleOptions& options) {
    TSimWorld world(seed, options);
    return world.Run();
}

TSimWorld::TSimWorld(unsigned seed, const TScheduleOptions& options)
    : FSeed(seed), FOptions(options), FRandom(seed) {
    FPlace.Note = kNote;
    FPlace.Rescue = RescuePathFor(kNote, kUserFolder);
    FDisk.AddFolder(kFolder);
    // The program's folder in the user's own is there once it has been used; the keeper makes it
    // when it is not.
    FDisk.AddFolder(kUserFolder.substr(0, kUserFolder.rfind(L'\\', kUserFolder.size() - 2)));
    if (Chance(80)) FDisk.AddFolder(kUserFolder);
    if (Chance(30)) FDisk.SetTimeGranularity(2000);
    FSaveOnChange = Chance(50);
    FPoisonWriter = Chance(8);
    FGarbledWriter = Chance(8);
    FWriterWeight = Chance(30) ? 3 : 1;
    FFaultWeight = Chance(30) ? 3 : 1;
    // Most notes exist before the program first starts.
    if (Chance(85)) {
        std::vector<std::string> words;
        for (unsigned i = Random(4); i > 0; --i)
            words.push_back(Cat("o", FNextWord++));
        FWritten.insert(words.begin(), words.end());
        FDisk.OtherWrite(kNote, StoredFormOf(words));
    }

    // A missing note put back empty (a save killed before it wrote a byte) tells no change.
    FNoteStates.insert("");
    FDisk.OnProgramChange = [this](const std::wstring& path, const std::string& before,
                                   const std::string& after) {
        if (Upper(path) == Upper(kNote)) FNoteStates.insert(after);
        CheckNoteChange(path, before, after);
    };
    FDisk.OnKill = [this] { Killed(); };
    if (FOptions.Trace) FDisk.OnTrace = [this](const std::wstring& line) { Log(Narrow(line)); };
    FTeller.NamedFiles = [this](const std::wstring& text) { return NamedIn(text); };
    FTeller.Answer = [this] {
        const bool yes = Chance(50);
        Log(yes ? "  answer: yes" : "  answer: no");
        return yes;
    };
    FTeller.OnTold = [this](const TToldNotice& notice) {
        std::string line = "  "s + Narrow(notice.Kind) + ": " + Narrow(notice.Text);
        for (const std::wstring& file : notice.Files)
            line += " ["s + Narrow(file) + "]";
        Log(line);
    };
    // A box on screen runs its own message loop: the schedule goes on, and the desk makes it wait.
    FTeller.WhileOnScreen = [this] {
        const int events = FHoldEvents;
        FHoldEvents = 0;
        for (int i = 0; i < events && !Gone(); ++i)
            Step(true);
    };
}

TSimWorld::~TSimWorld() = default;

TScheduleResult TSimWorld::Run() {
    const int length = FOptions.Length > 0 ? FOptions.Length : 20 + static_cast<int>(Random(41));
    Log(Cat("seed ", FSeed, ": ", length, " events, save-on-change ", FSaveOnChange ? "on" : "off"));
    StartUntilAlive();
    for (FStep = 1; FStep <= length && !FAborted; ++FStep) {
        Step(false);
        if (Gone()) Restart();
    }
    if (!FAborted) Settle();
    if (!FAborted) Finish();
    return {FBroken, length, FStarts, FFinalDisk};
}

void TSimWorld::StartUntilAlive() {
    for (int attempt = 0; attempt < 6; ++attempt) {
        FDisk.StartProgram();
        FTeller.Revive();
        FEditor = std::make_unique<TModelEditor>();
        FEditor->OnPoison = [this] {
            Log("  the editor control crashes on the note");
            FPoisonDeath = true;
            FDisk.KillProgram();
        };
        FEditor->OnDropped = [this](const std::vector<std::string>& words, TLoadKind kind) {
            static const char* const kinds[] = {"whole", "replace", "before", "after"};
            for (const std::string& word : words)
                FTrail[word] = Cat("taken out of the editor by a load (", kinds[static_cast<int>(kind)], ")");
        };
        if (FOptions.Trace) FEditor->OnTrace = [this](const std::wstring& line) { Log(Narrow(line)); };
        FDesk = std::make_unique<TNoteDesk>(FPlace, *FEditor, FTeller, FClock, FCalls);
        FDesk->SetSaveOnChange(FSaveOnChange);
        FLeft = false;
        FWatchAlive = true;
        FSeenChanges = FDisk.Changes(kFolder);
        FPoisonDeath = false;
        ++FStarts;
        Log(Cat("  start ", FStarts));
        NoteSeen();
        FDesk->Open();
        if (!FDisk.ProgramDead()) {
            FPoisonStarts = 0;
            return;
        }
        // Counted for one note: another program's new note gets two tries of its own, and a
        // start killed for another reason breaks the row.
        const std::string note = FDisk.Bytes(kNote).value_or("");
        if (!FPoisonDeath || note != FPoisonNote) FPoisonStarts = 0;
        if (FPoisonDeath) FPoisonNote = note;
        if (FPoisonDeath && ++FPoisonStarts > 2)
            Broke(Cat("a note that crashes the editor killed ", FPoisonStarts, " starts in a row"));
        Bury();
    }
    Broke("the program died at six starts in a row");
    FAborted = true;
}

// The program ended, by Leave or a kill: the next one starts on the same disk.
void TSimWorld::Restart() {
    Bury();
    StartUntilAlive();
}

void TSimWorld::Bury() {
    if (!FDesk) return;
    if (FDesk->Keeper().Reentered()) Broke("the keeper was re-entered");
    const bool left = !FDisk.ProgramDead();
    if (left) {
        const std::set<std::string> onDisk = DiskWords(false);
        for (const std::string& word : FEditor->Words())
            if (!onDisk.count(word)) FTrail[word] = "in the editor when the program left, in no file";
    }
    FEditor->Die();
    FTeller.Die();
    FDesk.reset();
    if (left) {
        CheckHandles("after leaving");
        FDisk.EndProgram();
    }
    FEditor.reset();
}

// The process died: what its editor held and no file did died with it. The versions do not
// count: nothing tells the user to look there.
void TSimWorld::Killed() {
    Log("  the program dies");
    if (!FEditor) return;
    const std::set<std::string> onDisk = DiskWords(false, {}, false);
    for (const std::string& word : FEditor->Words())
        if (!onDisk.count(word)) FLostToKill.insert(word);
    FEditor->Die();
    FTeller.Die();
}

// Faults cleared, locks released, the pauses and ticks delivered until the keeper is quiet.
void TSimWorld::Settle() {
    Log("settle");
    FHoldEvents = 0;
    FDisk.ClearFaults();
    FDisk.ReleaseAll();
    FHolds.clear();
    if (FEditor) FEditor->FailStoredForm(0);
    if (Gone()) Restart();
    for (int round = 0; round < 20 && !FAborted; ++round) {
        if (FWatchAlive && FDisk.Changes(kFolder) != FSeenChanges) {
            FSeenChanges = FDisk.Changes(kFolder);
            FDesk->FolderChanged();
        }
        const ULONGLONG wake = FDesk->Keeper().NextWake();
        FClock.Advance(wake > FClock.Now() ? wake - FClock.Now() : 1000);
        if (wake) FDesk->Wake();
        if (round % 5 == 4) FDesk->Tick();
        if (Gone()) {
            Restart();
            continue;
        }
        if (round >= 6 && !wake && FDisk.Changes(kFolder) == FSeenChanges && !FDesk->Keeper().Unsaved())
            break;
    }
}

void TSimWorld::Finish() {
    Sabotage();
    CheckSettled();
    Log("leave");
    FLeft = true;
    FDesk->Leave();
    if (FDisk.ProgramDead()) Broke("the program died at its last leave");
    Bury();
    if (FOptions.Sabotage == TSabotage::sbLoseTypedWord) LoseTypedWord();
    if (FDisk.BadHandleUses())
        Broke(Cat("the program used or closed ", FDisk.BadHandleUses(), " handles that were not open"));
    CheckFilesLeft();
    CheckWordsKept();
    for (const std::wstring& path : FDisk.Files())
        FFinalDisk += Cat(Narrow(path), "=", FDisk.Bytes(path).value_or(""), "\n");
}

// Faults of a keeper, made here through the program's own calls.
void TSimWorld::Sabotage() {
    switch (FOptions.Sabotage) {
    case TSabotage::sbNone:
        break;
    case TSabotage::sbLoseTypedWord:
        TypeAndSave();
        break;
    case TSabotage::sbTruncateNote:
        TypeAndSave();
        FCalls.Close(FCalls.Open(kNote.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
        break;
    case TSabotage::sbLeakHandle:
        FCalls.Open(kNote.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    OPEN_EXISTING);
        break;
    case TSabotage::sbStrayTemporary:
        FCalls.Close(FCalls.Open((kFolder + L"~quillpad.RTF.tmp").c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS));
        break;
    case TSabotage::sbUntoldEdit:
        FSabotageWord = Cat("u", FNextWord++);
        FEditor->Type(FSabotageWord);
        FTyped.insert(FSabotageWord);
        break;
    }
}

// A word that is, once saved, in the note and in no other file.
void TSimWorld::TypeAndSave() {
    FSabotageWord = Cat("u", FNextWord++);
    FEditor->Type(FSabotageWord);
    FTyped.insert(FSabotageWord);
    FDesk->Edited();
    FDesk->Save();
}

// The word the user typed last, taken out of the note behind the program's back.
void TSimWorld::LoseTypedWord() {
    std::vector<std::string> words = WordsIn(FDisk.Bytes(kNote).value_or(""));
    words.erase(std::remove(words.begin(), words.end(), FSabotageWord), words.end());
    FDisk.OtherWrite(kNote, StoredFormOf(words));
}

void TSimWorld::Broke(const std::string& what) {
    Log("BROKEN: "s + what);
    if (FBroken.size() < 12) FBroken.push_back(Cat(what, " (step ", FStep, ")"));
}

std::string TSimWorld::Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

void TSimWorld::Log(const std::string& line) const {
    if (FOptions.Trace) std::printf("%s\n", line.c_str());
}
