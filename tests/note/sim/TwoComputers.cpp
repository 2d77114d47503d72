#include "note/sim/TwoComputers.h"

#include "note/NoteDesk.h"
#include "note/sim/ModelEditor.h"
#include "note/sim/ModelTeller.h"
#include "note/sim/SimClock.h"
#include "note/sim/SimDisk.h"
#include "note/sim/SimText.h"
#include "note/sim/SimWords.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>

using namespace std::string_literals;

namespace {

const std::wstring kFolder = L"D:\\Notes\\";
const std::wstring kNoteName = L"quillpad.RTF";
const std::wstring kEngineCopies = L"quillpad.sync-conflict-*.RTF";
const std::wstring kUserFolder = L"C:\\Users\\Sim\\AppData\\Roaming\\Quillpad\\";

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

struct TComputer {
    TComputer(const char* name, const wchar_t* device, TSimClock& clock)
        : Name(name), Device(device), Disk(clock) {
        Disk.AddFolder(kFolder);
        Disk.AddFolder(kUserFolder);
    }
    const std::string Name;
    const std::wstring Device; // as the engine names it in its copies
    TSimDisk Disk;
    TFileCalls Calls = Disk.Calls();
    TModelEditor Editor;
    TModelTeller Teller;
    std::unique_ptr<TNoteDesk> Desk;
    ULONGLONG WatchSeen = 0;  // the program's folder watch
    ULONGLONG EngineSeen = 0; // the engine's
    ULONGLONG ChangedAt = 0;  // when the engine last saw this folder change
};

class TTwoWorld {
public:
    TTwoWorld(unsigned seed, const TTwoOptions& options);
    TTwoResult Run();

private:
    void Step();
    void Deliver(bool always);
    bool Engine();
    bool SyncFile(const std::wstring& name);
    bool KeepEngineCopy(const std::string& bytes, const TComputer& loser);
    void Settle();
    void Check();
    std::map<std::wstring, std::wstring> FolderFiles(TComputer& pc) const;
    void Broke(const std::string& what);
    void Show() const;
    void Log(const std::string& line) const {
        if (FOptions.Trace) std::printf("%s\n", line.c_str());
    }
    unsigned Random(unsigned below) { return static_cast<unsigned>(FRandom() % below); }
    bool Chance(unsigned percent) { return Random(100) < percent; }

    const unsigned FSeed;
    const TTwoOptions FOptions;
    std::mt19937 FRandom;
    TSimClock FClock;
    TComputer FA{"A", L"K3XQ7PA", FClock}, FB{"B", L"M2ZR5TB", FClock};
    TComputer* const FPc[2] = {&FA, &FB};
    bool FSaveOnChange = false;
    // What the engine last synced, by upper-case name: a name missing here was missing then.
    std::map<std::wstring, std::string> FSynced;
    ULONGLONG FEngineDelay = 0, FEngineDue = 0;
    int FEngineConflicts = 0;
    int FNextWord = 100;
    std::set<std::string> FTyped, FFirst;
    std::vector<std::string> FBroken;
    int FStep = 0;
};

TTwoWorld::TTwoWorld(unsigned seed, const TTwoOptions& options)
    : FSeed(seed), FOptions(options), FRandom(seed) {
    FSaveOnChange = Chance(50);
    // An engine that syncs at once, or one that is slow (or off line) and lets both sides drift.
    FEngineDelay = Chance(50) ? 200 + Random(1500) : 3000 + Random(30000);
    // Most notes were already there, the same on both sides.
    if (Chance(70)) {
        std::vector<std::string> words;
        for (unsigned i = Random(4); i > 0; --i)
            words.push_back(Cat("o", FNextWord++));
        FFirst.insert(words.begin(), words.end());
        const std::string note = StoredFormOf(words);
        for (TComputer* pc : FPc)
            pc->Disk.OtherWrite(kFolder + kNoteName, note);
        FSynced[Upper(kNoteName)] = note;
    }
    for (TComputer* pc : FPc) {
        const std::string who = pc->Name + " ";
        if (FOptions.Trace) {
            pc->Disk.OnTrace = [this, who](const std::wstring& line) { Log(who + Narrow(line)); };
            pc->Editor.OnTrace = [this, who](const std::wstring& line) { Log(who + Narrow(line)); };
        }
        pc->Teller.OnTold = [this, who](const TToldNotice& notice) {
            Log(who + "  " + Narrow(notice.Kind) + ": " + Narrow(notice.Text));
        };
        pc->Teller.Answer = [this, who] {
            const bool yes = Chance(50);
            Log(who + (yes ? "  answer: yes" : "  answer: no"));
            return yes;
        };
        TNotePlace place;
        place.Note = kFolder + kNoteName;
        place.Rescue = RescuePathFor(place.Note, kUserFolder);
        place.Computer = std::wstring(pc->Name.begin(), pc->Name.end());
        pc->Desk = std::make_unique<TNoteDesk>(place, pc->Editor, pc->Teller, FClock, pc->Calls);
        pc->Desk->SetSaveOnChange(FSaveOnChange);
    }
}

TTwoResult TTwoWorld::Run() {
    const int length = FOptions.Length > 0 ? FOptions.Length : 30 + static_cast<int>(Random(61));
    Log(Cat("seed ", FSeed, ": ", length, " events, save-on-change ", FSaveOnChange ? "on" : "off",
            ", engine after ", FEngineDelay, " ms"));
    for (TComputer* pc : FPc) {
        Log(pc->Name + " open");
        pc->WatchSeen = pc->EngineSeen = pc->Disk.Changes(kFolder);
        pc->Desk->Open();
    }
    for (FStep = 1; FStep <= length; ++FStep)
        Step();
    Settle();
    Check();
    return {FBroken, length, FEngineConflicts, FSaveOnChange};
}

void TTwoWorld::Step() {
    FClock.Advance(1 + Random(400));
    Deliver(false);
    TComputer& pc = *FPc[Random(2)];
    const unsigned event = Random(16);
    if (event < 8) {
        const std::string word = Cat("u", FNextWord++);
        const size_t at = Random(static_cast<unsigned>(pc.Editor.Words().size() + 1));
        Log(Cat("step ", FStep, " t=", FClock.Now(), ": ", pc.Name, " types ", word, " at ", at));
        pc.Editor.TypeAt(at, word);
        FTyped.insert(word);
        pc.Desk->Edited();
    } else if (event < 11) {
        Log(Cat("step ", FStep, " t=", FClock.Now(), ": ", pc.Name, " tick"));
        pc.Desk->Tick();
    } else if (event < 13) {
        Log(Cat("step ", FStep, " t=", FClock.Now(), ": engine"));
        Engine();
    } else if (event < 15) {
        Log(Cat("step ", FStep, " t=", FClock.Now(), ": pause"));
        FClock.Advance(300 + Random(3000));
    } else {
        Log(Cat("step ", FStep, " t=", FClock.Now(), ": long pause"));
        FClock.Advance(5000 + Random(30000));
    }
    Deliver(false);
    if (FOptions.Trace) Show();
}

// Each side's editor and note, for a replayed schedule.
void TTwoWorld::Show() const {
    const auto line = [](const std::vector<std::string>& words) {
        std::string text;
        for (const std::string& word : words)
            text += " " + word;
        return text;
    };
    for (const TComputer* pc : FPc)
        Log(pc->Name + "  editor:" + line(pc->Editor.Words()) +
            " | note:" + line(WordsIn(pc->Disk.Bytes(kFolder + kNoteName).value_or(""))));
}

// What each message loop brings between events (the keeper's wake-up once due, the folder watch's
// notice, both late now and then), and the engine once a change has been quiet for its delay.
void TTwoWorld::Deliver(bool always) {
    for (TComputer* pc : FPc) {
        if (!pc->Desk) continue;
        const ULONGLONG wake = pc->Teller.Wake();
        if (wake && FClock.Now() >= wake && (always || Chance(90))) {
            Log(pc->Name + "  wake");
            pc->Desk->Wake();
        }
        const ULONGLONG changes = pc->Disk.Changes(kFolder);
        if (changes != pc->WatchSeen && (always || Chance(85))) {
            pc->WatchSeen = changes;
            Log(pc->Name + "  folder changed");
            pc->Desk->FolderChanged();
        }
    }
    for (TComputer* pc : FPc) {
        const ULONGLONG changes = pc->Disk.Changes(kFolder);
        if (changes == pc->EngineSeen) continue;
        pc->EngineSeen = changes;
        pc->ChangedAt = FClock.Now();
        if (!FEngineDue) FEngineDue = FClock.Now() + FEngineDelay;
    }
    if (FEngineDue && FClock.Now() >= FEngineDue && !always) {
        Log("  engine");
        Engine();
    }
}

// One pass of the engine over the note and its own copies; true when it changed either folder.
bool TTwoWorld::Engine() {
    FEngineDue = 0;
    std::map<std::wstring, std::wstring> names = FolderFiles(FB);
    for (const auto& [key, name] : FolderFiles(FA))
        names[key] = name;
    for (const auto& [key, bytes] : FSynced)
        names.emplace(key, key);
    bool changed = false;
    for (const auto& [key, name] : names)
        changed = SyncFile(name) || changed;
    // Its own writes are nothing to sync.
    for (TComputer* pc : FPc)
        pc->EngineSeen = pc->Disk.Changes(kFolder);
    return changed;
}

// The files directly in the folder that the engine syncs, by upper-case name.
std::map<std::wstring, std::wstring> TTwoWorld::FolderFiles(TComputer& pc) const {
    std::map<std::wstring, std::wstring> files;
    for (const std::wstring& path : pc.Disk.Files()) {
        if (Upper(path.substr(0, kFolder.size())) != Upper(kFolder)) continue;
        const std::wstring name = path.substr(kFolder.size());
        if (name.find(L'\\') != std::wstring::npos) continue;
        if (Upper(name) == Upper(kNoteName) || WildcardMatch(name, kEngineCopies)) files[Upper(name)] = name;
    }
    return files;
}

bool TTwoWorld::SyncFile(const std::wstring& name) {
    const std::wstring key = Upper(name), path = kFolder + name;
    const auto found = FSynced.find(key);
    const std::optional<std::string> synced =
        found == FSynced.end() ? std::nullopt : std::optional<std::string>(found->second);
    const std::optional<std::string> bytes[2] = {FA.Disk.Bytes(path), FB.Disk.Bytes(path)};
    const bool changed[2] = {bytes[0] != synced, bytes[1] != synced};
    if (!changed[0] && !changed[1]) return false;
    const auto record = [&](const std::optional<std::string>& now) {
        if (now)
            FSynced[key] = *now;
        else
            FSynced.erase(key);
    };
    if (bytes[0] == bytes[1]) {
        record(bytes[0]);
        return false;
    }
    int from = changed[0] ? 0 : 1;
    if (changed[0] && changed[1]) {
        // A deletion gives way to a change; of two changes the later is the file, and the other
        // goes beside it under the engine's conflict name, on both sides.
        if (!bytes[0] || !bytes[1]) {
            from = bytes[0] ? 0 : 1;
        } else {
            from = FB.ChangedAt > FA.ChangedAt ? 1 : 0;
            if (!KeepEngineCopy(*bytes[1 - from], *FPc[1 - from])) return false;
        }
    }
    TComputer& to = *FPc[1 - from];
    const bool done = bytes[from]
                          ? to.Disk.OtherReplaceByRename(path, kFolder + L".syncing.tmp", *bytes[from])
                          : to.Disk.OtherDelete(path);
    Log(Cat("  engine: ", FPc[from]->Name, "'s ", Narrow(name), bytes[from] ? " copied to " : " deletion to ",
            to.Name, done ? "" : ": could not"));
    if (!done) return false;
    record(bytes[from]);
    return true;
}

bool TTwoWorld::KeepEngineCopy(const std::string& bytes, const TComputer& loser) {
    const SYSTEMTIME t = FClock.LocalTime();
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    const std::wstring name = L"quillpad.sync-conflict-"s + stamp + L"-" + loser.Device + L".RTF";
    // Taken in this second already: the next pass names it.
    if (FSynced.count(Upper(name)) || FA.Disk.Exists(kFolder + name) || FB.Disk.Exists(kFolder + name))
        return false;
    for (TComputer* pc : FPc)
        if (!pc->Disk.OtherWrite(kFolder + name, bytes)) return false;
    FSynced[Upper(name)] = bytes;
    ++FEngineConflicts;
    Log(Cat("  engine: both changed; ", loser.Name, "'s note kept as ", Narrow(name)));
    return true;
}

// Time passes, the wake-ups, ticks, folder notices and the engine run until neither program nor
// the engine has anything left to do; then both programs leave and the engine syncs their last
// saves.
void TTwoWorld::Settle() {
    Log("settle");
    int quiet = 0;
    for (int round = 0; round < 80 && quiet < 3; ++round) {
        ULONGLONG next = 0;
        for (TComputer* pc : FPc) {
            const ULONGLONG wake = pc->Desk->Keeper().NextWake();
            if (wake && (!next || wake < next)) next = wake;
        }
        FClock.Advance(next > FClock.Now() ? next - FClock.Now() : 1000);
        Deliver(true);
        if (round % 5 == 4)
            for (TComputer* pc : FPc)
                pc->Desk->Tick();
        const bool engine = Engine();
        Deliver(true);
        bool busy = engine;
        for (TComputer* pc : FPc)
            busy = busy || pc->Desk->Keeper().NextWake() || pc->Desk->Keeper().Unsaved() ||
                   pc->Disk.Changes(kFolder) != pc->WatchSeen;
        quiet = busy ? 0 : quiet + 1;
    }
    if (quiet < 3) Broke("the two computers never settled");
    for (TComputer* pc : FPc) {
        Log(pc->Name + " leave");
        pc->Desk->Leave();
        pc->Desk.reset();
        pc->Disk.EndProgram();
    }
    Log("engine after leaving");
    for (int pass = 0; pass < 10 && Engine(); ++pass) {
    }
    if (FOptions.Trace) Show();
}

void TTwoWorld::Check() {
    const std::wstring note = kFolder + kNoteName;
    if (FOptions.DropWord && !FTyped.empty()) {
        std::vector<std::string> words = WordsIn(FA.Disk.Bytes(note).value_or(""));
        words.erase(std::remove(words.begin(), words.end(), *FTyped.begin()), words.end());
        FA.Disk.OtherWrite(note, StoredFormOf(words));
    }
    const std::vector<std::string> words[2] = {WordsIn(FA.Disk.Bytes(note).value_or("")),
                                               WordsIn(FB.Disk.Bytes(note).value_or(""))};
    if (words[0] != words[1]) Broke("the two notes differ");
    for (int side = 0; side < 2; ++side) {
        const TComputer& pc = *FPc[side];
        std::set<std::string> seen;
        for (const std::string& word : words[side]) {
            if (!seen.insert(word).second) Broke(Cat("a word twice in ", pc.Name, "'s note: ", word));
            if (!FTyped.count(word) && !FFirst.count(word))
                Broke(Cat("a word never typed in ", pc.Name, "'s note: ", word));
        }
        for (const std::set<std::string>* wanted : {&FTyped, &FFirst})
            for (const std::string& word : *wanted)
                if (!seen.count(word)) Broke(Cat("a word missing from ", pc.Name, "'s note: ", word));
        for (const std::wstring& path : FPc[side]->Disk.Files()) {
            if (Upper(path.substr(0, kFolder.size())) != Upper(kFolder)) continue;
            const std::wstring name = path.substr(kFolder.size());
            if (Upper(name) == Upper(kNoteName)) continue;
            if (WildcardMatch(name, kEngineCopies))
                Broke(Cat("an engine copy left on ", pc.Name, ": ", Narrow(name)));
            else if (WildcardMatch(name, L"quillpad (conflit*"))
                Broke(Cat("a conflict copy made on ", pc.Name, ": ", Narrow(name)));
            else if (name.find(L'\\') == std::wstring::npos)
                Broke(Cat("a file left on ", pc.Name, ": ", Narrow(name)));
        }
    }
    // Lost: in neither note nor any file either computer keeps (copies, versions).
    std::set<std::string> kept;
    for (const TComputer* pc : FPc)
        for (const std::wstring& path : pc->Disk.Files())
            for (const std::string& word : WordsIn(pc->Disk.Bytes(path).value_or("")))
                kept.insert(word);
    for (const std::set<std::string>* wanted : {&FTyped, &FFirst})
        for (const std::string& word : *wanted)
            if (!kept.count(word)) Broke(Cat("a word lost: ", word));
}

void TTwoWorld::Broke(const std::string& what) {
    Log("BROKEN: "s + what);
    if (FBroken.size() < 12) FBroken.push_back(what);
}

} // namespace

TTwoResult RunTwoComputers(unsigned seed, const TTwoOptions& options) {
    return TTwoWorld(seed, options).Run();
}
