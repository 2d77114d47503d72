// The note window's cost with a large note: memory and GDI/USER objects with the note shown,
// empty and then holding about 1 MB of formatted text, and the time from a tray click to the
// editor's first paint. The whole program runs in this process, started as quillpad.exe starts.
#include "SampleNote.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "framework/Application.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct TSample {
    SIZE_T WorkingSet = 0, Private = 0;
    DWORD Gdi = 0, User = 0;
};

TSample Measure() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    TSample s;
    s.WorkingSet = counters.WorkingSetSize;
    // Wine leaves PrivateUsage empty; PagefileUsage is the same figure on Windows.
    s.Private = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    s.Gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    s.User = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return s;
}


void Pump(Clock::time_point until, const bool& done) {
    MSG msg;
    while (!done && Clock::now() < until) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!done) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// Hides the note, then clicks the tray icon and times the way to the editor's first paint.
double ShowTimeMs(TApplication& app) {
    HWND tray = Form1->TrayIcon1->NotifyWindow();
    if (Form1->Visible()) SendMessageW(tray, TTrayIcon::WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    app.ProcessMessages();
    bool painted = false;
    auto inherited = Form1->Memo1->WindowProc;
    Form1->Memo1->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_PAINT) painted = true;
        inherited(m);
    };
    const auto start = Clock::now();
    SendMessageW(tray, TTrayIcon::WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    Pump(start + std::chrono::seconds(10), painted);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    Form1->Memo1->WindowProc = inherited;
    return painted ? ms : -1;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Row(const char* name, const TSample& s, double showMs) {
    // Some systems (Wine among them) do not count GDI and USER objects and report 0.
    auto count = [](DWORD n) { return n ? std::to_string(n) : std::string("n/a"); };
    std::printf("%-22s %10zu %10zu %6s %6s %12.1f\n", name, s.WorkingSet / 1024, s.Private / 1024,
                count(s.Gdi).c_str(), count(s.User).c_str(), showMs);
}

} // namespace

int main() {
    DeleteFileW(L"note_bench.INI");
    TApplication app;
    app.Initialize();
    app.SetTitle(L"Quillpad");
    CreateForms(app);
    app.ProcessMessages();

    std::vector<double> emptyTimes, fullTimes;
    for (int i = 0; i < 10; ++i) emptyTimes.push_back(ShowTimeMs(app));
    const TSample empty = Measure();

    const std::string note = FormattedNote(1024 * 1024);
    Form1->Memo1->SetRtf(note);
    app.ProcessMessages();
    for (int i = 0; i < 10; ++i) fullTimes.push_back(ShowTimeMs(app));
    const TSample full = Measure();

    std::printf("\nThe note shown, empty and with a %zu KiB formatted note (%d characters); "
                "show time = tray click to the editor's first paint, median of 10.\n\n",
                note.size() / 1024, GetWindowTextLengthW(Form1->Memo1->Handle()));
    std::printf("%-22s %10s %10s %6s %6s %12s\n", "note", "WS KiB", "priv KiB", "GDI", "USER", "show ms");
    Row("empty", empty, Median(emptyTimes));
    Row("1 MB formatted", full, Median(fullTimes));
    std::printf("\nDifference: working set %+lld KiB, private %+lld KiB, GDI %+ld, USER %+ld\n",
                static_cast<long long>(full.WorkingSet / 1024) - static_cast<long long>(empty.WorkingSet / 1024),
                static_cast<long long>(full.Private / 1024) - static_cast<long long>(empty.Private / 1024),
                static_cast<long>(full.Gdi) - static_cast<long>(empty.Gdi),
                static_cast<long>(full.User) - static_cast<long>(empty.User));
    DeleteFileW(L"note_bench.INI");
    return Median(emptyTimes) < 0 || Median(fullTimes) < 0 ? 1 : 0;
}
