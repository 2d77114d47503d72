#pragma once
// The whole program started in the bench's own process, as quillpad.exe starts it, and keys
// typed into its note as the keyboard would type them.
#include "app/MainForm.h"
#include "note/NotePaths.h"
#include "app/Program.h"
#include "note/NoteFiles.h"
#include "framework/Application.h"
#include "framework/Error.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

// Creates the program's windows as its start does and shows the note from the tray.
inline void StartProgramWithNoteShown(TApplication& app) {
    app.Initialize();
    app.SetTitle(L"Quillpad");
    CreateForms(app);
    SendMessageW(Form1->TrayIcon1->NotifyWindow(), TTrayIcon::WM_TRAYNOTIFY, 1,
                 WM_LBUTTONUP); // show the note
    app.ProcessMessages();
}

// The flags a real key's WM_KEYDOWN or WM_KEYUP carries.
inline LPARAM KeyFlags(UINT message, WORD key) {
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    LPARAM lParam = 1 | (static_cast<LPARAM>(scan) << 16);
    if (message == WM_KEYUP) lParam |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    return lParam;
}

// Posts a WM_KEYDOWN or WM_KEYUP to the note's editor as the keyboard would.
inline void PostKeyToEditor(UINT message, WORD key) {
    PostMessageW(Form1->Memo1->Handle(), message, key, KeyFlags(message, key));
}

// The stored note's stamp as the program itself takes it; none while it cannot be looked at.
inline TFileStamp NoteStamp() {
    TFileStamp stamp;
    return StampOf(FileCalls(), DocumentPath(), stamp) ? TFileStamp{} : stamp;
}

// A keyboard of its own: a thread that posts each key's press at its scheduled time and its
// release half an interval later, whatever the program's thread is busy with, as a keyboard
// fills the queue while the program works. Key i is due `interval` x i after `start`.
class TPacedKeyboard {
public:
    using TClock = std::chrono::steady_clock;

    TPacedKeyboard(HWND wnd, std::vector<WORD> keys, TClock::duration interval, TClock::time_point start)
        : FKeys(std::move(keys)), FInterval(interval), FStart(start), FPosted(FKeys.size()),
          FThread([this, wnd] { Type(wnd); }) {}
    ~TPacedKeyboard() { FThread.join(); }
    TPacedKeyboard(const TPacedKeyboard&) = delete;
    TPacedKeyboard& operator=(const TPacedKeyboard&) = delete;

    TClock::time_point Due(size_t i) const { return FStart + FInterval * static_cast<int>(i); }
    // Every press and release posted.
    bool Done() const { return FDone.load(); }
    // When each press was really posted (read once Done).
    const std::vector<TClock::time_point>& Posted() const { return FPosted; }

private:
    // Sleeps most of the way and yields the last moment, so a key leaves within a fraction of a
    // millisecond of its time.
    static void WaitUntil(TClock::time_point when) {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - TClock::now());
            if (left.count() <= 0 && TClock::now() >= when) return;
            Sleep(left.count() > 2 ? static_cast<DWORD>(left.count() - 1) : 0);
        }
    }

    void Type(HWND wnd) {
        // Worked out first: a thread's first call into the window system takes Wine some 10 ms.
        std::vector<LPARAM> downs, ups;
        for (WORD key : FKeys) {
            downs.push_back(KeyFlags(WM_KEYDOWN, key));
            ups.push_back(KeyFlags(WM_KEYUP, key));
        }
        for (size_t i = 0; i < FKeys.size(); ++i) {
            WaitUntil(Due(i));
            PostMessageW(wnd, WM_KEYDOWN, FKeys[i], downs[i]);
            FPosted[i] = TClock::now();
            WaitUntil(Due(i) + FInterval / 2);
            PostMessageW(wnd, WM_KEYUP, FKeys[i], ups[i]);
        }
        FDone = true;
    }

    std::vector<WORD> FKeys;
    TClock::duration FInterval;
    TClock::time_point FStart;
    std::vector<TClock::time_point> FPosted;
    std::atomic<bool> FDone{false};
    std::thread FThread; // last: it starts once the rest is in place
};
