#include "note/KeeperState.h"

#include "framework/Error.h"
#include "framework/SystemError.h"
#include "note/NoteFiles.h"
#include "note/NoteLoad.h"
#include "note/NoteTexts.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iterator>
#include <utility>

std::wstring RescuePathFor(const std::wstring& note, const std::wstring& folder) {
    uint32_t hash = 2166136261u;
    for (const wchar_t c : note) {
        hash ^= static_cast<uint32_t>(std::towupper(c == L'/' ? L'\\' : c));
        hash *= 16777619u;
    }
    wchar_t number[16];
    swprintf(number, std::size(number), L" (%08x)", hash);
    const std::wstring name = FileNameOf(note);
    const size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? folder + name + number
                                     : folder + name.substr(0, dot) + number + name.substr(dot);
}

std::wstring AddendumPathFor(const std::wstring& rescue) {
    const size_t dot = rescue.find_last_of(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot >= FolderOf(rescue).size();
    return hasExtension ? rescue.substr(0, dot) + L" ajout" + rescue.substr(dot) : rescue + L" ajout";
}

// --- Telling ---------------------------------------------------------------------------------

void TNoteKeeper::TState::Box(const std::wstring& text, std::vector<std::wstring> files) {
    TNotice notice;
    notice.Kind = TNotice::nkBox;
    notice.Text = text;
    notice.Files = std::move(files);
    News.push_back(std::move(notice));
}

void TNoteKeeper::TState::Balloon(const std::wstring& text, const std::wstring& open,
                                  std::vector<std::wstring> files) {
    TNotice notice;
    notice.Kind = TNotice::nkBalloon;
    notice.Text = text;
    notice.Open = open;
    notice.Files = std::move(files);
    if (!open.empty() && std::find(notice.Files.begin(), notice.Files.end(), open) == notice.Files.end())
        notice.Files.push_back(open);
    News.push_back(std::move(notice));
}

// --- Events ----------------------------------------------------------------------------------

void TNoteKeeper::TState::Edited() {
    Dirty = true;
    if (!Owner.FSaveOnChange) return;
    const ULONGLONG now = Clock.Now();
    if (!UnsavedSince) UnsavedSince = now;
    PauseDue = std::min(now + kQuietMs, UnsavedSince + kLongestWaitMs);
}

void TNoteKeeper::TState::Quietly(const std::wstring& text) {
    if (ReloadTold) return;
    ReloadTold = true;
    Balloon(text, L"");
}

void TNoteKeeper::TState::FolderChanged() {
    const ULONGLONG now = Clock.Now();
    const bool first = !SignalSince;
    if (first) SignalSince = now;
    // Each change starts the quiet wait again, up to a ceiling, so the look comes once the writer
    // is done, and comes all the same while something keeps changing the folder.
    const ULONGLONG due = std::min(now + kSettleMs, SignalSince + kSettleCeilingMs);
    LookDue = first && LookDue ? std::min(LookDue, due) : due;
}

void TNoteKeeper::TState::WatchLost() {
    Polling = true;
    LookIn(kLookAgainMs);
}

void TNoteKeeper::TState::Wake() {
    const ULONGLONG now = Clock.Now();
    if (PauseDue && now >= PauseDue) {
        PauseDue = 0;
        UnsavedSince = 0;
        Save(wyPause);
    }
    if (LookDue && now >= LookDue) {
        LookDue = 0;
        SignalSince = 0;
        LookNow();
    }
    if (Polling && !LookDue) LookIn(kLookAgainMs);
}

void TNoteKeeper::TState::Leave() {
    Left = true;
    PauseDue = LookDue = 0;
    if (Load == lsPending) {
        RetryPending();
        if (Load == lsPending) {
            if (Dirty) KeepTyped(wyLeave);
            return;
        }
    }
    Save(wyLeave);
    PauseDue = LookDue = 0;
}

ULONGLONG TNoteKeeper::TState::NextWake() const {
    if (Left) return 0;
    if (!PauseDue) return LookDue;
    return LookDue ? std::min(PauseDue, LookDue) : PauseDue;
}

// --- The keeper ------------------------------------------------------------------------------

TNoteKeeper::TNoteKeeper(TNotePlace place, TNoteEditor& editor, TNoteClock& clock, TFileCalls& calls)
    : FPlace(std::move(place)) {
    F = std::make_unique<TState>(*this, editor, clock, calls);
}

TNoteKeeper::~TNoteKeeper() = default;

namespace {

// One event at a time: an event that comes while another is decided is a fault of the caller,
// noted and dropped. A failure of the editor's stream is said, not thrown through the caller.
template <class F>
std::vector<TNotice> Decide(bool& busy, bool& reentered, std::vector<TNotice>& news, F&& event) {
    if (busy) {
        reentered = true;
        return {};
    }
    busy = true;
    struct TDone {
        bool& Busy;
        ~TDone() { Busy = false; }
    } done{busy};
    news.clear();
    try {
        event();
    } catch (const TError& error) {
        TNotice box;
        box.Text = error.Message();
        news.push_back(std::move(box));
    }
    return std::exchange(news, {});
}

} // namespace

std::vector<TNotice> TNoteKeeper::Open() {
    return Decide(FBusy, FReentered, F->News, [&] { F->Open(); });
}

std::vector<TNotice> TNoteKeeper::Edited() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Edited();
    });
}

std::vector<TNotice> TNoteKeeper::Save() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Save(wyMenu);
    });
}

std::vector<TNotice> TNoteKeeper::Tick() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Save(wyTimer);
    });
}

std::vector<TNotice> TNoteKeeper::FolderChanged() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->FolderChanged();
    });
}

std::vector<TNotice> TNoteKeeper::WatchLost() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->WatchLost();
    });
}

std::vector<TNotice> TNoteKeeper::Wake() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Wake();
    });
}

std::vector<TNotice> TNoteKeeper::Answer(int question, bool yes) {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Answer(question, yes);
    });
}

std::vector<TNotice> TNoteKeeper::Leave() {
    return Decide(FBusy, FReentered, F->News, [&] {
        if (!F->Left) F->Leave();
    });
}

ULONGLONG TNoteKeeper::NextWake() const {
    return F->NextWake();
}

void TNoteKeeper::KeepVersionBeforeNextWrite() {
    F->VersionForced = true;
}

void TNoteKeeper::Shown() {
    F->Shown();
}

void TNoteKeeper::SetSaveOnChange(bool on) {
    FSaveOnChange = on;
}

bool TNoteKeeper::Unsaved() const {
    return F->Dirty;
}

bool TNoteKeeper::Loaded() const {
    return F->Load == TState::lsLoaded;
}
