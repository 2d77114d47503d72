#include "note/NoteDesk.h"

#include <algorithm>

TNoteDesk::TNoteDesk(TNotePlace place, TNoteEditor& editor, TNoteTeller& teller, TNoteClock& clock,
                     TFileCalls& calls)
    : FKeeper(std::move(place), editor, clock, calls), FTeller(teller) {}

void TNoteDesk::Open() {
    Post(&TNoteKeeper::Open);
}
void TNoteDesk::Edited() {
    Post(&TNoteKeeper::Edited);
}
void TNoteDesk::Save() {
    Post(&TNoteKeeper::Save);
}
void TNoteDesk::Tick() {
    Post(&TNoteKeeper::Tick);
}
void TNoteDesk::FolderChanged() {
    Post(&TNoteKeeper::FolderChanged);
}
void TNoteDesk::WatchLost() {
    Post(&TNoteKeeper::WatchLost);
}
void TNoteDesk::Wake() {
    Post(&TNoteKeeper::Wake);
}

void TNoteDesk::Leave() {
    if (FLeft) return;
    FLeft = true;
    // The keeper is never in the middle of a decision here: boxes are shown between decisions.
    // What was typed while a box was on screen is part of the last save; the rest is all the
    // last save does anyway.
    const bool edited = std::find(FWaiting.begin(), FWaiting.end(), &TNoteKeeper::Edited) != FWaiting.end();
    FWaiting.clear();
    FRunning = true;
    std::vector<TNotice> notices;
    if (edited) notices = FKeeper.Edited();
    std::vector<TNotice> last = FKeeper.Leave();
    notices.insert(notices.end(), last.begin(), last.end());
    FRunning = false;
    FTeller.WakeAt(0);
    // No balloon outlives the program: on the way out, what there is to tell goes in a box.
    for (const TNotice& notice : notices)
        if (notice.Kind != TNotice::nkQuestion) FTeller.Box(notice.Text);
}

void TNoteDesk::Post(TEvent event) {
    if (FLeft) return;
    if (FTelling || FRunning) {
        // The same event twice says nothing more than once. An edit goes first: whatever waited
        // with it must not take the editor for unchanged.
        if (std::find(FWaiting.begin(), FWaiting.end(), event) != FWaiting.end()) return;
        if (event == &TNoteKeeper::Edited)
            FWaiting.push_front(event);
        else
            FWaiting.push_back(event);
        return;
    }
    Run(event);
    Drain();
}

void TNoteDesk::Run(TEvent event) {
    FRunning = true;
    std::vector<TNotice> notices;
    try {
        notices = (FKeeper.*event)();
    } catch (...) {
        FRunning = false;
        FTeller.WakeAt(FKeeper.NextWake());
        throw;
    }
    FRunning = false;
    FTeller.WakeAt(FKeeper.NextWake());
    Tell(std::move(notices));
}

std::vector<TNotice> WithBalloonsJoined(std::vector<TNotice> notices) {
    constexpr size_t kRoom = 255; // what a balloon's text holds
    std::vector<TNotice> balloons;
    for (const TNotice& notice : notices)
        if (notice.Kind == TNotice::nkBalloon) balloons.push_back(notice);
    if (balloons.size() < 2) return notices;
    const auto length = [&] {
        size_t total = 0;
        for (const TNotice& balloon : balloons)
            total += balloon.Text.size() + 1;
        return total - 1;
    };
    for (size_t i = balloons.size(); i-- > 0 && length() > kRoom && balloons.size() > 1;)
        if (balloons[i].Open.empty()) balloons.erase(balloons.begin() + static_cast<ptrdiff_t>(i));
    while (length() > kRoom && balloons.size() > 1)
        balloons.pop_back();
    TNotice joined = balloons.front();
    for (size_t i = 1; i < balloons.size(); ++i) {
        joined.Text += L"\n" + balloons[i].Text;
        if (joined.Open.empty()) joined.Open = balloons[i].Open;
        joined.Files.insert(joined.Files.end(), balloons[i].Files.begin(), balloons[i].Files.end());
    }
    // In the place of the first balloon.
    bool placed = false;
    std::erase_if(notices, [&](TNotice& notice) {
        if (notice.Kind != TNotice::nkBalloon) return false;
        if (placed) return true;
        notice = joined;
        return !(placed = true);
    });
    return notices;
}

void TNoteDesk::Tell(std::vector<TNotice> notices) {
    notices = WithBalloonsJoined(std::move(notices));
    FTelling = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{FTelling};
    for (size_t i = 0; i < notices.size() && !FLeft; ++i) {
        const TNotice notice = notices[i];
        switch (notice.Kind) {
        case TNotice::nkBox:
            FTeller.Box(notice.Text);
            break;
        case TNotice::nkBalloon:
            FTeller.Balloon(notice.Text, notice.Open);
            break;
        case TNotice::nkQuestion: {
            const bool yes = FTeller.Ask(notice.Text, notice.Caption);
            if (FLeft) return;
            FRunning = true;
            std::vector<TNotice> more = FKeeper.Answer(notice.Question, yes);
            FRunning = false;
            FTeller.WakeAt(FKeeper.NextWake());
            notices.insert(notices.begin() + static_cast<ptrdiff_t>(i) + 1, more.begin(), more.end());
            break;
        }
        }
    }
}

void TNoteDesk::Drain() {
    while (!FWaiting.empty() && !FLeft && !FTelling && !FRunning) {
        const TEvent event = FWaiting.front();
        FWaiting.pop_front();
        Run(event);
    }
}
