#pragma once
// What the typing bench watches: the note's editor from inside its message handler (when each
// typed character was handled and first on screen, and where the handler's time goes), the note
// file from outside the program, and a bare control of the platform class to set beside it.
#include "RunningNote.h"
#include "framework/Error.h"
#include "framework/Handles.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using Clock = std::chrono::steady_clock;
using TTime = Clock::time_point;
inline double Ms(TTime from, TTime to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Watches the note's editor from inside its message handler: when each typed character was
// handled and when it was first on screen, and how long the handler spent on each message
// (its own time, without messages sent to it from inside).
class TEditorWatch {
public:
    enum TKind { kKeyDown, kChar, kPaint, kKeyUp, kOther, kKinds };

    explicit TEditorWatch(TRichEditEx* editor) : FEditor(editor), FInherited(editor->WindowProc) {
        editor->WindowProc = [this](TMessage& m) { Handle(m); };
    }
    ~TEditorWatch() { FEditor->WindowProc = FInherited; }
    TEditorWatch(const TEditorWatch&) = delete;
    TEditorWatch& operator=(const TEditorWatch&) = delete;

    // Records the next `keys` typed characters; `lastHandled` runs as the last one is handled.
    void Record(size_t keys, std::function<void()> lastHandled) {
        FHandled.clear();
        FShown.clear();
        FExpected = keys;
        FLastHandled = std::move(lastHandled);
    }
    const std::vector<TTime>& Handled() const { return FHandled; }
    const std::vector<TTime>& Shown() const { return FShown; }
    bool AllShown() const { return FExpected && FShown.size() == FExpected; }

    // Characters handled are on screen once the editor holds nothing left to repaint.
    void LookAtScreen() {
        if (FShown.size() == FHandled.size() || GetUpdateRect(FEditor->Handle(), nullptr, FALSE)) return;
        const TTime now = Clock::now();
        FShown.resize(FHandled.size(), now);
    }

    void ResetSpent() { FSpent.fill(0); }
    double Spent(TKind kind) const { return FSpent[kind]; }

private:
    static TKind KindOf(UINT message) {
        switch (message) {
        case WM_KEYDOWN:
            return kKeyDown;
        case WM_CHAR:
            return kChar;
        case WM_PAINT:
            return kPaint;
        case WM_KEYUP:
            return kKeyUp;
        default:
            return kOther;
        }
    }

    void Handle(TMessage& m) {
        FInner.push_back(0);
        const TTime start = Clock::now();
        FInherited(m);
        const TTime end = Clock::now();
        const double total = Ms(start, end);
        FSpent[KindOf(m.Msg)] += total - FInner.back();
        FInner.pop_back();
        if (!FInner.empty()) FInner.back() += total;
        if (m.Msg == WM_CHAR && m.WParam >= L' ' && FHandled.size() < FExpected) {
            FHandled.push_back(end);
            if (FHandled.size() == FExpected && FLastHandled) FLastHandled();
        }
        if (m.Msg == WM_CHAR || m.Msg == WM_PAINT) LookAtScreen();
    }

    TRichEditEx* FEditor;
    std::function<void(TMessage&)> FInherited;
    std::vector<TTime> FHandled, FShown;
    size_t FExpected = 0;
    std::function<void()> FLastHandled;
    std::array<double, kKinds> FSpent{};
    std::vector<double> FInner; // time of messages handled inside the one being handled
};

// Whether the RTF's text ends with `text`: after it come only control words, groups and spaces.
inline bool EndsWithText(const std::string& rtf, const std::string& text) {
    std::string tail = rtf.substr(rtf.size() - std::min(rtf.size(), text.size() * 2 + 1024));
    std::erase_if(tail, [](char c) { return c == '\r' || c == '\n'; });
    const size_t at = tail.rfind(text);
    if (at == std::string::npos) return false;
    for (size_t i = at + text.size(); i < tail.size();) {
        const char c = tail[i];
        if (c == '{' || c == '}' || c == ' ' || c == '\0') { // the control may end its RTF with a NUL
            ++i;
        } else if (c == '\\' && i + 1 < tail.size() &&
                   std::isalpha(static_cast<unsigned char>(tail[i + 1]))) {
            for (++i; i < tail.size() && std::isalpha(static_cast<unsigned char>(tail[i])); ++i) {
            }
            if (i < tail.size() && tail[i] == '-') ++i;
            for (; i < tail.size() && std::isdigit(static_cast<unsigned char>(tail[i])); ++i) {
            }
            if (i < tail.size() && tail[i] == ' ') ++i;
        } else {
            return false;
        }
    }
    return true;
}

// The note file seen from outside the program: each new version of it, and the first that holds
// the burst's text at its end.
class TFileWatch {
public:
    void Expect(const std::string& text) { FText = text; }
    // From now on every new version is read: the last key's character has just been handled.
    void Arm() {
        FLast = NoteStamp();
        FArmed = true;
    }
    bool Held() const { return FHeld; }
    TTime HeldAt() const { return FHeldAt; }
    int Saves() const { return FSaves; }
    const std::vector<double>& SaveMs() const { return FSaveMs; }

    // After the program handled something that took `handledMs`: a new version is a save.
    void Look(double handledMs) {
        const TFileStamp stamp = NoteStamp();
        if (stamp == FLast) return;
        const TTime now = Clock::now();
        FLast = stamp;
        ++FSaves;
        FSaveMs.push_back(handledMs);
        if (!FArmed || FHeld) return;
        std::string bytes;
        if (ReadWhole(FileCalls(), DocumentPath(), bytes)) return; // being replaced: the next look reads it
        FHeld = EndsWithText(bytes, FText);
        if (FHeld) FHeldAt = now;
    }

private:
    std::string FText;
    TFileStamp FLast = NoteStamp();
    bool FArmed = false, FHeld = false;
    TTime FHeldAt;
    int FSaves = 0;
    std::vector<double> FSaveMs;
};

// A control of the platform class alone, over the note's editor with its size and styles, holding
// the same note: the typing's cost as the system's control has it, without the program's windows
// (the note's is layered), handlers or settings. Its paint is timed from a subclass of its own.
class TBareEditor {
public:
    TBareEditor(HWND over, const std::string& rtf) {
        RECT r;
        GetWindowRect(over, &r);
        // The editor's own styles (its scroll bar above all), as a window of its own.
        const auto style = static_cast<DWORD>(GetWindowLongPtrW(over, GWL_STYLE) & ~WS_CHILD) | WS_POPUP;
        FWnd.Reset(CreateWindowExW(0, TRichEditEx::PlatformClass(), L"", style, r.left, r.top,
                                   r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr));
        HWND wnd = FWnd.Get();
        SendMessageW(wnd, EM_EXLIMITTEXT, 0, 0x7FFFFFF0);
        TReading reading{rtf, 0};
        EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&reading), 0, &TBareEditor::Read};
        SendMessageW(wnd, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
        SendMessageW(wnd, EM_SETSEL, -1, -1);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        FInherited = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TBareEditor::Proc)));
    }
    TBareEditor(const TBareEditor&) = delete;
    TBareEditor& operator=(const TBareEditor&) = delete;

    HWND Handle() const { return FWnd.Get(); }
    double TakePaintMs() { return std::exchange(FPaintMs, 0); }

private:
    struct TReading {
        const std::string& Rtf;
        size_t At;
    };

    static DWORD CALLBACK Read(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* given) {
        auto* reading = reinterpret_cast<TReading*>(cookie);
        const size_t n = std::min(reading->Rtf.size() - reading->At, static_cast<size_t>(size));
        std::copy_n(reading->Rtf.data() + reading->At, n, reinterpret_cast<char*>(buffer));
        reading->At += n;
        *given = static_cast<LONG>(n);
        return 0;
    }

    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<TBareEditor*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        const TTime start = Clock::now();
        const LRESULT result = CallWindowProcW(self->FInherited, wnd, msg, wParam, lParam);
        if (msg == WM_PAINT) self->FPaintMs += Ms(start, Clock::now());
        return result;
    }

    TWindowHandle FWnd;
    WNDPROC FInherited = nullptr;
    double FPaintMs = 0;
};
