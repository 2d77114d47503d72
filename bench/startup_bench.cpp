// Where the start-up goes: the program's start steps timed one by one, each in a fresh process,
// against the steps of the bare note baseline (bare_note.cpp) done in the same kind of process:
// the same executable, the same 10 KiB sample note beside it, the same resources (manifest and
// icon) as quillpad.exe. Time and working set after each step, medians of 10 starts of each.
//
//   startup_bench               measures and prints the tables
//   startup_bench --timeline    one start of the program, with the windows made and destroyed
//   startup_bench --child quillpad|bare|timeline   one start, one line per step on standard output
#include "SampleNote.h"
#include "about/AboutForm.h"
#include "about/CreditForm.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "settings/SettingsForm.h"
#include "components/GlobalHotKey.h"
#include "components/TrayIcon.h"
#include "framework/Application.h"

#include <windows.h>
#include <psapi.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kStarts = 10;
constexpr size_t kNoteKiB = 10; // as start_bench gives both programs

using Clock = std::chrono::steady_clock;

SIZE_T WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

// Windows created and destroyed by this thread: a window made twice shows as a destroyed one.
int windowsCreated = 0, windowsDestroyed = 0;
// With --timeline, each creation and destruction is printed with its time and class.
bool printTimeline = false;
const Clock::time_point processMain = Clock::now();

double MsSinceMain() {
    return std::chrono::duration<double, std::milli>(Clock::now() - processMain).count();
}

std::string ClassName(const wchar_t* name) {
    if (IS_INTRESOURCE(name)) {
        char atom[16];
        std::snprintf(atom, sizeof atom, "#%u", static_cast<unsigned>(reinterpret_cast<uintptr_t>(name)));
        return atom;
    }
    std::string out;
    for (; *name; ++name)
        out += static_cast<char>(*name < 128 ? *name : '?');
    return out;
}

LRESULT CALLBACK CountWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND || code == HCBT_DESTROYWND) {
        ++(code == HCBT_CREATEWND ? windowsCreated : windowsDestroyed);
        if (printTimeline) {
            std::string name;
            if (code == HCBT_CREATEWND) {
                name = ClassName(reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass);
            } else {
                wchar_t text[128] = L"";
                GetClassNameW(reinterpret_cast<HWND>(wParam), text, 128);
                name = ClassName(text);
            }
            std::printf("  %8.1f ms  %-8s %s\n", MsSinceMain(), code == HCBT_CREATEWND ? "create" : "destroy",
                        name.c_str());
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Prints "step ms ws created destroyed" lines for the parent, one per step.
class TSteps {
public:
    TSteps() : FLast(Clock::now()) {}
    void Done(const char* step) {
        const auto now = Clock::now();
        if (printTimeline)
            std::printf("  %8.1f ms  %s done\n", MsSinceMain(), step);
        else
            std::printf("%s %.3f %zu %d %d\n", step,
                        std::chrono::duration<double, std::milli>(now - FLast).count(),
                        static_cast<size_t>(WorkingSet()), windowsCreated, windowsDestroyed);
        windowsCreated = windowsDestroyed = 0;
        FLast = Clock::now(); // the printing is not the program's
    }

private:
    Clock::time_point FLast;
};

// From the creation of the process to main: loader, imported modules, runtime start.
double MsSinceProcessCreation() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

// Until the queue is empty: what waiting for input idle waits for.
void DrainQueue() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void QuillpadStart(TSteps& steps) {
    TApplication application;
    application.Initialize();
    application.SetTitle(L"Quillpad");
    steps.Done("application");
    // CreateForms, one window at a time.
    application.CreateForm(Form1);
    steps.Done("note_window_Form1");
    application.CreateForm(Fcfg);
    steps.Done("settings_dialog_Fcfg");
    application.CreateForm(FAbout);
    steps.Done("about_box_FAbout");
    application.CreateForm(FCredit);
    steps.Done("credits_FCredit");
    DrainQueue();
    steps.Done("to_idle");
    std::fflush(stdout);
}

LRESULT CALLBACK BareProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

DWORD CALLBACK ReadFileCallback(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(size), &n, nullptr)) return 1;
    *read = static_cast<LONG>(n);
    return 0;
}

// The steps of bare_note.exe.
void BareStart(TSteps& steps) {
    LoadLibraryW(L"msftedit.dll");
    steps.Done("load_rich_edit");
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BareProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BareNote";
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"Bare note", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 200,
                               200, 260, 250, nullptr, nullptr, wc.hInstance, nullptr);
    RECT client;
    GetClientRect(wnd, &client);
    HWND editor = CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN |
                                      ES_AUTOVSCROLL | ES_DISABLENOSCROLL,
                                  0, 0, client.right, client.bottom, wnd, nullptr, wc.hInstance, nullptr);
    SendMessageW(editor, EM_EXLIMITTEXT, 0, 0x7FFFFFF0);
    steps.Done("window_and_editor");
    wchar_t path[MAX_PATH];
    std::wstring note(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    note = note.substr(0, note.find_last_of(L'.')) + L".RTF";
    HANDLE file =
        CreateFileW(note.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(file), 0, ReadFileCallback};
    SendMessageW(editor, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    CloseHandle(file);
    steps.Done("stream_in_note");
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = wnd;
    nid.uID = 1;
    nid.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    nid.uCallbackMessage = WM_APP + 1;
    nid.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    Shell_NotifyIconW(NIM_ADD, &nid);
    steps.Done("tray_icon");
    DrainQueue();
    steps.Done("to_idle");
    std::fflush(stdout);
    Shell_NotifyIconW(NIM_DELETE, &nid);
    DestroyWindow(wnd);
}

// Prints the program's calls to the shell's notification area and its hot-key registrations,
// with what each took; both are replaceable for this purpose.
void TimePlatformCalls() {
    auto shell = TTrayIcon::ShellNotifyIcon;
    TTrayIcon::ShellNotifyIcon = [shell](DWORD message, NOTIFYICONDATAW* data) {
        const double start = MsSinceMain();
        const BOOL result = shell(message, data);
        static const char* names[] = {"NIM_ADD", "NIM_MODIFY", "NIM_DELETE", "NIM_SETFOCUS",
                                      "NIM_SETVERSION"};
        std::printf("  %8.1f ms  shell    %s (%.1f ms)\n", start, message < 5 ? names[message] : "?",
                    MsSinceMain() - start);
        return result;
    };
    auto hotKey = TGlobalHotKey::PlatformRegister;
    TGlobalHotKey::PlatformRegister = [hotKey](HWND wnd, int id, UINT modifiers, UINT key) {
        const double start = MsSinceMain();
        const BOOL result = hotKey(wnd, id, modifiers, key);
        std::printf("  %8.1f ms  hot key  RegisterHotKey (%.1f ms)\n", start, MsSinceMain() - start);
        return result;
    };
}

int Child(const std::wstring& variant) {
    const double toMain = MsSinceProcessCreation();
    printTimeline = variant == L"timeline";
    if (printTimeline) TimePlatformCalls();
    if (!printTimeline)
        std::printf("process_start_to_main %.3f %zu 0 0\n", toMain, static_cast<size_t>(WorkingSet()));
    SetWindowsHookExW(WH_CBT, CountWindows, nullptr, GetCurrentThreadId());
    TSteps steps;
    if (variant == L"quillpad" || variant == L"timeline")
        QuillpadStart(steps);
    else
        BareStart(steps);
    return 0;
}

struct TStep {
    std::string Name;
    std::vector<double> Ms;
    std::vector<double> WsKiB;      // after the step
    int Created = 0, Destroyed = 0; // windows, in the last start
};

// One child start; its lines are added to `steps` in order.
// A fresh folder with a copy of this program, as start_bench does: the sample note and no
// settings beside it before every start, and nothing left behind.
class TFreshCopy {
public:
    explicit TFreshCopy(const wchar_t* variant) {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        FDir =
            std::wstring(temp) + L"startup-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" + variant;
        CreateDirectoryW(FDir.c_str(), nullptr);
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        FExe = FDir + L"\\startup_bench.exe";
        CopyFileW(self, FExe.c_str(), FALSE);
    }
    ~TFreshCopy() {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((FDir + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW((FDir + L"\\" + found.cFileName).c_str());
            while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(FDir.c_str());
    }
    TFreshCopy(const TFreshCopy&) = delete;
    TFreshCopy& operator=(const TFreshCopy&) = delete;

    const std::wstring& Dir() const { return FDir; }
    const std::wstring& Exe() const { return FExe; }
    // The program saves its note when it ends: each start gets the sample afresh.
    void ResetFiles() const {
        static const std::string rtf = FormattedNote(kNoteKiB * 1024);
        HANDLE file = CreateFileW((FDir + L"\\startup_bench.RTF").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, rtf.data(), static_cast<DWORD>(rtf.size()), &written, nullptr);
        CloseHandle(file);
        DeleteFileW((FDir + L"\\startup_bench.INI").c_str());
    }

private:
    std::wstring FDir, FExe;
};

// One child start; returns what it printed.
std::string RunChild(const TFreshCopy& copy, const wchar_t* variant) {
    copy.ResetFiles();
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + copy.Exe() + L"\" --child " + variant;
    const BOOL started = CreateProcessW(copy.Exe().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, copy.Dir().c_str(), &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return {};
    }
    std::string output;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n)
        output.append(buffer, n);
    CloseHandle(readEnd);
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return output;
}

// One child start; its lines are added to `steps` in order.
bool StartChild(const TFreshCopy& copy, const wchar_t* variant, std::vector<TStep>& steps) {
    std::istringstream lines(RunChild(copy, variant));
    std::string name;
    double ms = 0;
    size_t ws = 0;
    int created = 0, destroyed = 0;
    size_t index = 0;
    while (lines >> name >> ms >> ws >> created >> destroyed) {
        if (steps.size() <= index) steps.push_back({name, {}, {}});
        steps[index].Created = created;
        steps[index].Destroyed = destroyed;
        steps[index].Ms.push_back(ms);
        steps[index].WsKiB.push_back(static_cast<double>(ws) / 1024.0);
        ++index;
    }
    return index > 0;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct TVariantResult {
    std::vector<TStep> Steps;
    double StepsMs = 0, WsAfterMainKiB = 0, WsIdleKiB = 0, ToMainMs = 0;
};

TVariantResult MeasureVariant(const wchar_t* variant) {
    TVariantResult result;
    const TFreshCopy copy(variant);
    for (int i = 0; i <= kStarts; ++i) {
        std::vector<TStep> steps;
        if (!StartChild(copy, variant, steps)) continue;
        if (i == 0) continue; // the first start of a new copy is left out, as start_bench's cold one
        for (size_t s = 0; s < steps.size(); ++s) {
            if (result.Steps.size() <= s) result.Steps.push_back({steps[s].Name, {}, {}});
            result.Steps[s].Created = steps[s].Created;
            result.Steps[s].Destroyed = steps[s].Destroyed;
            result.Steps[s].Ms.insert(result.Steps[s].Ms.end(), steps[s].Ms.begin(), steps[s].Ms.end());
            result.Steps[s].WsKiB.insert(result.Steps[s].WsKiB.end(), steps[s].WsKiB.begin(),
                                         steps[s].WsKiB.end());
        }
    }
    return result;
}

void PrintVariant(const char* title, const TVariantResult& r) {
    std::printf("\n%s\n", title);
    std::printf("  %-24s %9s %12s %10s %9s\n", "step", "ms", "WS KiB after", "WS +KiB", "windows");
    double previous = 0, total = 0;
    for (size_t i = 0; i < r.Steps.size(); ++i) {
        const TStep& s = r.Steps[i];
        const double ms = Median(s.Ms), ws = Median(s.WsKiB);
        if (i > 0) total += ms;
        char windows[32] = "";
        if (i > 0) std::snprintf(windows, sizeof windows, "+%d -%d", s.Created, s.Destroyed);
        std::printf("  %-24s %9.1f %12.0f %10s %9s\n", s.Name.c_str(), ms, ws,
                    i == 0 ? "" : std::to_string(static_cast<long long>(ws - previous)).c_str(), windows);
        previous = ws;
    }
    std::printf("  %-24s %9.1f\n", "steps after main", total);
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 3 && std::wstring(argv[1]) == L"--child") return Child(argv[2]);
    if (argc == 2 && std::wstring(argv[1]) == L"--timeline") {
        // One start with the windows the program creates and destroys on the way, from main on.
        std::printf("\nQuillpad's start, windows created and destroyed, from main on:\n");
        const TFreshCopy copy(L"timeline");
        RunChild(copy, L"timeline"); // the first start of a new copy is left out, as above
        std::fputs(RunChild(copy, L"timeline").c_str(), stdout);
        return 0;
    }

    std::printf("\nStart-up step by step, each start a fresh process of this program (with quillpad.exe's "
                "resources), %zu KiB sample note beside it, median of %d starts.\n",
                kNoteKiB, kStarts);
    const TVariantResult bare = MeasureVariant(L"bare");
    const TVariantResult quillpad = MeasureVariant(L"quillpad");
    if (bare.Steps.empty() || quillpad.Steps.empty()) {
        std::printf("a child start failed\n");
        return 1;
    }
    PrintVariant("The bare note's steps (bare_note.exe):", bare);
    PrintVariant("Quillpad's steps (CreateForms, then the first idle):", quillpad);
    return 0;
}
