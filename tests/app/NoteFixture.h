#pragma once
// The program with its note shown and the editor focused, and the waits a test of real key
// presses and menus needs.
#include "ProgramFixture.h"
#include "support/Keyboard.h"

#include <chrono>
#include <functional>
#include <thread>

class NoteFixture : public ProgramFixture {
protected:
    void StartShown() {
        Start();
        Form1->Show();
        ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == Form1->Handle(); }));
        ASSERT_EQ(GetFocus(), Editor());
    }
    TRichEditEx& Memo() { return *Form1->Memo1; }
    HWND Editor() { return Form1->Memo1->Handle(); }

    // Runs the program's loop until `condition` holds or the deadline passes.
    bool PumpUntil(const std::function<bool()>& condition,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            app.ProcessMessages();
            if (condition()) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // Presses a chord as real input and handles all it produces: the first key, released last,
    // has come back up in the editor.
    void Press(std::initializer_list<WORD> keys) {
        bool released = false;
        const WORD last = *keys.begin();
        auto saved = Memo().WindowProc;
        Memo().WindowProc = [&](TMessage& m) {
            if ((m.Msg == WM_KEYUP || m.Msg == WM_SYSKEYUP) && m.WParam == last) released = true;
            saved(m);
        };
        SendChord(keys);
        const bool done = PumpUntil([&] { return released; });
        Memo().WindowProc = saved;
        ASSERT_TRUE(done) << "the keys never came back up in the editor";
    }
    // Puts RTF in the note; `{\rtf1 ...}` with the given body.
    void SetNote(const std::string& body) {
        ASSERT_TRUE(Memo().SetRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;"
                                  "\\red0\\green0\\blue255;}\\f0\\fs20 " +
                                  body + "}"));
    }
    std::wstring Selected(LONG start, LONG end) {
        Memo().Select(start, end);
        return Memo().SelText();
    }
};
