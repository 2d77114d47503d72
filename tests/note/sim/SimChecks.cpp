#include <algorithm>
#include "note/sim/SimWorld.h"

#include "note/sim/SimText.h"
#include "note/sim/SimWords.h"
#include "note/NoteVersions.h"

#include <cwctype>

using namespace std::string_literals;

namespace {

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::wstring NameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

// A file the program writes on its way and must not leave: its temporary files, Wine's stray
// "rfXXXX.tmp", the mark of a load in progress.
bool Temporary(const std::wstring& upperPath) {
    return EndsWith(upperPath, L".TMP") || EndsWith(upperPath, L".LOADING");
}

bool Names(const std::wstring& upperText, const std::wstring& upperPath) {
    return upperText.find(upperPath) != std::wstring::npos ||
           upperText.find(NameOf(upperPath)) != std::wstring::npos;
}

} // namespace

std::wstring TSimWorld::Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The note is never replaced by the program with less than it held, unless the user took the
// words out or they are kept in another file.
void TSimWorld::CheckNoteChange(const std::wstring& path, const std::string& before,
                                const std::string& after) {
    const std::set<std::string> kept = WordSet(after);
    for (const std::string& word : WordsIn(before))
        if (!kept.count(word))
            FTrail[word] = Cat(after.empty() ? "taken out of " : "written over in ", Narrow(NameOf(path)));
    if (Upper(path) != Upper(kNote)) return;
    std::set<std::string> elsewhere;
    bool looked = false;
    for (const std::string& word : WordsIn(before)) {
        // A write cut short leaves pieces of words: only whole ones that were typed or written count.
        if (!FTyped.count(word) && !FWritten.count(word)) continue;
        if (kept.count(word) || FCleared.count(word) || FExcused.count(word)) continue;
        if (!looked) elsewhere = DiskWords(true, kNote);
        looked = true;
        if (!elsewhere.count(word)) Broke("the program replaced the note with less: "s + word + " is gone");
    }
}

void TSimWorld::NoteSeen() {
    if (const std::optional<std::string> note = FDisk.Bytes(kNote)) FNoteStates.insert(*note);
}

// With a healthy disk and the keeper quiet, the file holds every word the editor shows.
void TSimWorld::CheckSettled() {
    const std::set<std::string> inNote = WordSet(FDisk.Bytes(kNote).value_or(""));
    std::string missing;
    for (const std::string& word : FEditor->Words())
        if (!inNote.count(word)) missing += " "s + word;
    if (!missing.empty()) Broke("settled, yet the note lacks the editor's"s + missing);
    if (FDesk->Keeper().Unsaved()) Broke("settled, yet the keeper says edits are unsaved");
    CheckHandles("when settled");
}

void TSimWorld::CheckHandles(const char* when) {
    if (const int open = FDisk.ProgramHandles())
        Broke(Cat("the program holds ", open, " handles open ", when));
}

// Only the note, its versions, the copies the keeper keeps (whether or not a notice named them:
// the words check sees to that) and what other programs made remain.
void TSimWorld::CheckFilesLeft() {
    const std::wstring note = Upper(kNote);
    const std::wstring folder = Upper(kFolder);
    const std::wstring base = note.substr(0, note.rfind(L'.'));
    const std::wstring extension = note.substr(note.rfind(L'.'));
    const std::wstring rescue = Upper(FPlace.Rescue);
    const std::wstring rescueBase = rescue.substr(0, rescue.rfind(L'.'));
    for (const std::wstring& path : FDisk.Files()) {
        const std::wstring upper = Upper(path);
        if (Temporary(upper)) {
            // A note refused after two loads that never returned is tried once more at the next
            // start, as the user was told: its mark stays, counting one.
            const bool oneMoreTry = EndsWith(upper, L".LOADING") &&
                                    FDisk.Bytes(path).value_or("").ends_with("\n1") &&
                                    std::any_of(FTold.begin(), FTold.end(), [](const std::wstring& text) {
                                        return text.find(L"UNE FOIS DE PLUS") != std::wstring::npos;
                                    });
            if (!oneMoreTry) Broke("stray file left: "s + Narrow(path));
            continue;
        }
        bool version = false;
        for (wchar_t n = L'1'; n <= L'3'; ++n)
            version = version || upper == note + L"." + n || upper == base + L"." + n + extension;
        const bool kept = upper.rfind(folder, 0) == 0 &&
                          upper.find(L'\\', folder.size()) == std::wstring::npos &&
                          (upper.find(L".UNREADABLE") != std::wstring::npos ||
                           upper.find(L"(ORIGINAL ") != std::wstring::npos ||
                           upper.find(L"(CONFLIT ") != std::wstring::npos);
        const bool rescued = upper.rfind(rescueBase, 0) == 0;
        ULONGLONG taken = 0;
        std::wstring computer;
        if (upper.rfind(Upper(VersionsFolder(kNote)), 0) == 0 &&
            ParseVersionName(kNote, NameOf(path), taken, computer)) {
            if (!FNoteStates.count(FDisk.Bytes(path).value_or("")))
                Broke("a version that the note never held: "s + Narrow(path));
            continue;
        }
        if (upper == note || version || kept || rescued || Named(upper) || FOthersFiles.count(upper))
            continue;
        Broke("a file no notice named is left: "s + Narrow(path));
    }
}

// Every word the user typed or another program wrote is in the note or in a file the user was
// told of, unless the user took it out, it died with a killed program, or its writer removed it.
void TSimWorld::CheckWordsKept() {
    std::set<std::string> kept = WordSet(FDisk.Bytes(kNote).value_or(""));
    for (const std::wstring& path : FDisk.Files()) {
        const std::wstring upper = Upper(path);
        if (Temporary(upper) || (!Named(upper) && !FOthersFiles.count(upper))) continue;
        const std::set<std::string> words = WordSet(FDisk.Bytes(path).value_or(""));
        kept.insert(words.begin(), words.end());
    }
    auto lost = [&](const std::set<std::string>& words) {
        std::string list;
        for (const std::string& word : words) {
            if (kept.count(word) || FCleared.count(word) || FExcused.count(word) || FLostToKill.count(word))
                continue;
            list += " "s + word;
            std::string where;
            for (const std::wstring& path : FDisk.Files())
                if (WordSet(FDisk.Bytes(path).value_or("")).count(word)) where += " "s + Narrow(NameOf(path));
            if (!where.empty()) list += Cat(" (only in", where, ")");
            if (FTrail.count(word)) list += Cat(" (last ", FTrail[word], ")");
        }
        return list;
    };
    if (const std::string list = lost(FTyped); !list.empty()) Broke("typed words lost:"s + list);
    if (const std::string list = lost(FWritten); !list.empty())
        Broke("another program's words lost:"s + list);
}

std::set<std::string> TSimWorld::DiskWords(bool withTemporaries, const std::wstring& except,
                                           bool withVersions) const {
    std::set<std::string> words;
    const std::wstring note = Upper(kNote);
    for (const std::wstring& path : FDisk.Files()) {
        const std::wstring upper = Upper(path);
        if ((!except.empty() && upper == Upper(except)) || (!withTemporaries && Temporary(upper))) continue;
        if (!withVersions && ((upper.size() == note.size() + 2 && upper.rfind(note + L".", 0) == 0) ||
                              upper.rfind(Upper(VersionsFolder(kNote)), 0) == 0))
            continue;
        const std::set<std::string> in = WordSet(FDisk.Bytes(path).value_or(""));
        words.insert(in.begin(), in.end());
    }
    return words;
}

// The files a notice names, by path or by name: the user knows where they are. A name told
// before the file exists (the name a note will be set aside under) counts too.
std::vector<std::wstring> TSimWorld::NamedIn(const std::wstring& text) {
    FTold.push_back(Upper(text));
    std::vector<std::wstring> named;
    for (const std::wstring& path : FDisk.Files())
        if (Names(FTold.back(), Upper(path))) named.push_back(path);
    return named;
}

bool TSimWorld::Named(const std::wstring& upperPath) const {
    for (const std::wstring& text : FTold)
        if (Names(text, upperPath)) return true;
    return false;
}
