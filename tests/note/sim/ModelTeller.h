#pragma once
// The user as the simulation sees them: every notice is recorded with the files its text names;
// a box or question stays on screen while the schedule fires events at the desk (a modal loop),
// and questions get the answer the schedule picks.
#include "note/NoteEditor.h"

#include <functional>
#include <string>
#include <vector>

struct TToldNotice {
    std::wstring Kind;
    std::wstring Text;
    std::vector<std::wstring> Files;
};

class TModelTeller : public TNoteTeller {
public:
    void Box(const std::wstring& text) override {
        Record(L"box", text, {});
        if (WhileOnScreen && !FDead) WhileOnScreen();
    }
    void Balloon(const std::wstring& text, const std::wstring& open) override {
        Record(L"balloon", text, open);
    }
    bool Ask(const std::wstring& text, const std::wstring& caption) override {
        Record(L"question", caption + L": " + text, {});
        if (WhileOnScreen && !FDead) WhileOnScreen();
        return Answer ? Answer() : false;
    }
    void WakeAt(ULONGLONG when) override { FWake = when; }

    ULONGLONG Wake() const { return FWake; }
    const std::vector<TToldNotice>& Told() const { return FTold; }
    // The process is gone: nothing it still tries to show reaches the user.
    void Die() { FDead = true; }
    void Revive() {
        FDead = false;
        FWake = 0;
    }

    // The files (existing now) that a notice's text or link names.
    std::function<std::vector<std::wstring>(const std::wstring& text)> NamedFiles;
    std::function<void()> WhileOnScreen;
    std::function<bool()> Answer;
    std::function<void(const TToldNotice& notice)> OnTold;

private:
    void Record(const std::wstring& kind, const std::wstring& text, const std::wstring& open) {
        if (FDead) return;
        TToldNotice notice{kind, text,
                           NamedFiles ? NamedFiles(text + L"\n" + open) : std::vector<std::wstring>{}};
        FTold.push_back(notice);
        if (OnTold) OnTold(notice);
    }

    std::vector<TToldNotice> FTold;
    ULONGLONG FWake = 0;
    bool FDead = false;
};
