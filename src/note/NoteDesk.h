#pragma once
// The one way in to the keeper of the note: every event goes through here, and what the keeper
// has to tell is told only once its decision is carried out. While a box or a question is on
// screen its modal loop keeps delivering timers, folder changes and edits; they wait here, and
// reach the keeper in order once the box is closed, so the keeper is never asked to decide in
// the middle of telling.
#include "note/NoteKeeper.h"

#include <deque>
#include <functional>

// The tray shows one balloon at a time, each new one in place of the last: the balloons of one
// decision go out as one, in the place of the first. Where they do not all fit, those that name a
// file to open (a conflict copy) are kept first.
std::vector<TNotice> WithBalloonsJoined(std::vector<TNotice> notices);

class TNoteDesk {
public:
    TNoteDesk(TNotePlace place, TNoteEditor& editor, TNoteTeller& teller, TNoteClock& clock,
              TFileCalls& calls = FileCalls());

    void Open();
    void Edited();
    void Save();
    void Tick();
    void FolderChanged();
    void WatchLost();
    void Wake();
    // The last save; it goes to the keeper at once, even from inside a box (the session ends).
    void Leave();
    void SetSaveOnChange(bool on) { FKeeper.SetSaveOnChange(on); }
    // Only noted by the keeper, so it goes at once, even from inside a box.
    void KeepVersionBeforeNextWrite() { FKeeper.KeepVersionBeforeNextWrite(); }
    void Shown() { FKeeper.Shown(); }

    TNoteKeeper& Keeper() { return FKeeper; }
    // A box or a question is on screen.
    bool Telling() const { return FTelling; }

private:
    using TEvent = std::vector<TNotice> (TNoteKeeper::*)();
    void Post(TEvent event);
    void Run(TEvent event);
    void Tell(std::vector<TNotice> notices);
    void Drain();

    TNoteKeeper FKeeper;
    TNoteTeller& FTeller;
    bool FTelling = false;
    bool FRunning = false;
    bool FLeft = false;
    std::deque<TEvent> FWaiting;
};
