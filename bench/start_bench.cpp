// Starts each program named on the command line, times how long it takes to wait idle in its
// message loop, reads its memory there, and closes it again. All programs are measured in one
// run so that the figures can be compared; the first one is the baseline for the ratios, and
// each --against program is a further baseline for the programs listed after it. Start times are
// compared both as medians and, start by start, to the baseline's start of the same round (the
// "paired" ratio, which the target is judged on). Every program finds the same sample note
// beside itself, named after it (<name>.RTF), written anew before each start.
//
//   start_bench [--warm N] [--note-kb N] [--against program.exe]... [--verbose] program.exe...
#include "SampleNote.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kIdleTimeoutMs = 20000;
constexpr DWORD kWindowsTimeoutMs = 5000;
constexpr DWORD kCloseVisibleMs = 2000; // first, what a user would close
constexpr DWORD kCloseAllMs = 1000;     // then every window
constexpr DWORD kSessionEndMs = 5000;   // then the end of the session
constexpr DWORD kTerminateWaitMs = 5000;
// Before every start: the windows, icons and files of the program before settle in Wine's
// server, desktop and X server meanwhile, instead of during the start measured.
constexpr DWORD kSettleMs = 500;

// Set against the baselines given with --against: start time and working set within this factor.
constexpr double kTargetRatio = 1.10;

struct Options {
    int warm = 10;
    size_t noteKiB = 10;
    bool verbose = false;
    std::vector<std::wstring> against; // file names
    std::vector<std::wstring> programs;
};

struct Run {
    bool ok = false; // started and reached an idle message loop
    double ms = 0;
    SIZE_T workingSet = 0;
    SIZE_T privateBytes = 0;
    int windows = 0;
    bool killed = false;
    std::wstring error;
};

struct Program {
    std::wstring path;
    std::wstring name;
    ULONGLONG size = 0;
    std::vector<Run> runs; // the first is the cold start
    std::wstring error;    // set when the program could not be measured at all
};

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring LastError(const wchar_t* what) {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = std::wstring(what) + L" failed (" + std::to_wstring(code) + L")";
    if (text) {
        std::wstring message = text;
        LocalFree(text);
        while (!message.empty() &&
               (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
            message.pop_back();
        out += L": " + message;
    }
    return out;
}

double Millis(LARGE_INTEGER from, LARGE_INTEGER to) {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

std::wstring FileName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A new, empty folder per program: its settings and note files start from nothing.
std::wstring MakeFreshFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return {};
    for (unsigned i = 0; i < 1000; ++i) {
        std::wstring dir = std::wstring(temp) + L"start-bench-" + std::to_wstring(GetCurrentProcessId()) +
                           L"-" + std::to_wstring(GetTickCount() + i);
        if (CreateDirectoryW(dir.c_str(), nullptr)) return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = dir + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(dir.c_str());
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

std::wstring ClassOf(HWND wnd) {
    wchar_t name[256] = L"";
    GetClassNameW(wnd, name, 256);
    return name;
}

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != search->pid) return TRUE;
    // The system adds an input-method window to every GUI thread: not the program's own, not ours to close.
    const std::wstring name = ClassOf(wnd);
    if (name != L"IME" && name != L"MSCTFIME UI") search->found.push_back(wnd);
    return TRUE;
}

// The program's own top-level windows, hidden ones included.
std::vector<HWND> TopLevelWindows(DWORD pid) {
    WindowSearch search{pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Exited(HANDLE process, DWORD waitMs) {
    return WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0;
}

// Closes the program the way a user would, then more firmly: WM_CLOSE to its visible windows,
// then to all of them (a program living in the notification area may only hide its window), then
// the end of the session as the system announces it, and TerminateProcess once the deadline has
// passed. A program killed leaves its notification icon behind, which would weigh on the starts
// after it. Returns true when it had to be killed.
bool Stop(HANDLE process, DWORD pid) {
    std::vector<HWND> visible;
    for (HWND wnd : TopLevelWindows(pid))
        if (IsWindowVisible(wnd)) visible.push_back(wnd);
    if (!visible.empty()) {
        for (HWND wnd : visible)
            PostMessageW(wnd, WM_CLOSE, 0, 0);
        if (Exited(process, kCloseVisibleMs)) return false;
    }
    for (HWND wnd : TopLevelWindows(pid))
        PostMessageW(wnd, WM_CLOSE, 0, 0);
    if (Exited(process, kCloseAllMs)) return false;
    for (HWND wnd : TopLevelWindows(pid)) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(wnd, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, kSessionEndMs, &ignored);
        SendMessageTimeoutW(wnd, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, kSessionEndMs, &ignored);
    }
    if (Exited(process, kSessionEndMs)) return false;
    TerminateProcess(process, 1);
    Exited(process, kTerminateWaitMs);
    return true;
}

void ReadMemory(HANDLE process, Run& run, bool verbose) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return;
    if (verbose)
        std::printf("    memory: cb %lu, working set %llu, peak %llu, pagefile %llu, private %llu\n",
                    counters.cb, static_cast<unsigned long long>(counters.WorkingSetSize),
                    static_cast<unsigned long long>(counters.PeakWorkingSetSize),
                    static_cast<unsigned long long>(counters.PagefileUsage),
                    static_cast<unsigned long long>(counters.PrivateUsage));
    run.workingSet = counters.WorkingSetSize;
    // Some systems fill in only the short structure; its commit charge is the same figure.
    run.privateBytes = counters.cb >= sizeof counters && counters.PrivateUsage ? counters.PrivateUsage
                                                                               : counters.PagefileUsage;
}

// <folder>\<name>.RTF for <folder>\<name>.exe, as the note program looks for its note.
std::wstring NotePathFor(const std::wstring& exe) {
    const size_t dot = exe.find_last_of(L'.');
    return (dot != std::wstring::npos && dot > exe.find_last_of(L"\\/") ? exe.substr(0, dot) : exe) + L".RTF";
}

bool WriteNote(const std::wstring& path, const std::string& note) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, note.data(), static_cast<DWORD>(note.size()), &written, nullptr) &&
                    written == note.size();
    CloseHandle(file);
    return ok;
}

Run StartOnce(const std::wstring& exe, const std::wstring& dir, bool verbose) {
    Run run;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + exe + L"\"";

    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                        &si, &pi)) {
        run.error = LastError(L"CreateProcessW");
        return run;
    }
    const DWORD idle = WaitForInputIdle(pi.hProcess, kIdleTimeoutMs);
    QueryPerformanceCounter(&after);
    CloseHandle(pi.hThread);
    run.ms = Millis(before, after);

    if (idle == 0) {
        // Idle can come before the windows are there (a message peeked during start-up).
        const ULONGLONG deadline = GetTickCount64() + kWindowsTimeoutMs;
        std::vector<HWND> windows = TopLevelWindows(pi.dwProcessId);
        while (windows.empty() && GetTickCount64() < deadline && !Exited(pi.hProcess, 10))
            windows = TopLevelWindows(pi.dwProcessId);
        run.windows = static_cast<int>(windows.size());
        if (windows.empty()) {
            run.error = Exited(pi.hProcess, 0)
                            ? L"ended without showing a window"
                            : L"no window within " + std::to_wstring(kWindowsTimeoutMs) + L" ms";
        } else {
            ReadMemory(pi.hProcess, run, verbose);
            run.ok = true;
        }
        if (verbose) {
            std::printf("    idle after %.1f ms\n", run.ms);
            for (HWND wnd : windows)
                std::printf("    window %s%s\n", Utf8(ClassOf(wnd)).c_str(),
                            IsWindowVisible(wnd) ? " (visible)" : "");
        }
    } else if (Exited(pi.hProcess, 0)) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        run.error = L"ended before its message loop, exit code " + std::to_wstring(code);
    } else if (idle == WAIT_TIMEOUT) {
        run.error = L"not idle within " + std::to_wstring(kIdleTimeoutMs) + L" ms";
    } else {
        // Also what a console program gets: it has no message loop to wait in.
        run.error = L"WaitForInputIdle failed: not a GUI program, or it ended first";
    }

    if (!Exited(pi.hProcess, 0)) run.killed = Stop(pi.hProcess, pi.dwProcessId);
    CloseHandle(pi.hProcess);
    return run;
}

// A fresh folder with a copy of the program; false (and `error` set) when it cannot be made.
bool Prepare(Program& program, std::wstring& dir) {
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(program.path.c_str(), GetFileExInfoStandard, &attributes)) {
        program.error = LastError(L"reading the file");
        return false;
    }
    program.size = (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    dir = MakeFreshFolder();
    if (dir.empty()) {
        program.error = L"could not make a temporary folder";
        return false;
    }
    if (!CopyFileW(program.path.c_str(), (dir + L"\\" + program.name).c_str(), TRUE)) {
        program.error = LastError(L"CopyFileW");
        RemoveTree(dir);
        dir.clear();
        return false;
    }
    return true;
}

// One start of the copy in `dir`, run `i` (0 is the cold one); false once the program is out.
// The note program saves its note when it ends: every start gets `note` afresh.
bool StartRun(Program& program, const std::wstring& dir, int i, const std::string& note,
              const Options& options) {
    const std::wstring copy = dir + L"\\" + program.name;
    if (options.verbose) std::printf("  %s run %d\n", Utf8(program.name).c_str(), i);
    if (!WriteNote(NotePathFor(copy), note)) {
        program.error = LastError(L"writing the note");
        return false;
    }
    Sleep(kSettleMs);
    program.runs.push_back(StartOnce(copy, dir, options.verbose));
    const Run& run = program.runs.back();
    if (!run.error.empty())
        std::printf("%s, run %d: %s\n", Utf8(program.name).c_str(), i, Utf8(run.error).c_str());
    std::fflush(stdout);
    // A program that cannot start once will not start the next time either.
    return run.ok || i > 0;
}

// Every program's runs, in turn: the first run of each, then the second of each, and so on, so
// that a system growing slower or faster during the measurement weighs on all of them alike.
// Each round begins one program further on: where a start falls in its round changes its time
// by about 5% here, and every program takes every place equally often.
void MeasureInTurn(std::vector<Program>& programs, const Options& options) {
    const std::string note = FormattedNote(options.noteKiB * 1024);
    std::vector<std::wstring> dirs(programs.size());
    std::vector<bool> going(programs.size());
    for (size_t p = 0; p < programs.size(); ++p)
        going[p] = Prepare(programs[p], dirs[p]);
    for (int i = 0; i <= options.warm; ++i)
        for (size_t k = 0; k < programs.size(); ++k) {
            const size_t p = (static_cast<size_t>(i) + k) % programs.size();
            if (going[p]) going[p] = StartRun(programs[p], dirs[p], i, note, options);
        }
    for (const std::wstring& dir : dirs)
        if (!dir.empty()) RemoveTree(dir);
}

template <typename T> T Median(std::vector<T> values) {
    if (values.empty()) return T{};
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

struct Summary {
    bool ok = false;
    double cold = 0, warmMedian = 0, warmMin = 0, warmMax = 0;
    SIZE_T workingSet = 0, privateBytes = 0;
    int windows = 0, killed = 0, failed = 0, runs = 0;
};

Summary Summarise(const Program& program) {
    Summary s;
    s.runs = static_cast<int>(program.runs.size());
    for (const Run& run : program.runs) {
        s.killed += run.killed;
        s.failed += !run.ok;
    }
    if (program.runs.empty() || !program.runs[0].ok) return s;
    s.ok = true;
    s.cold = program.runs[0].ms;
    s.windows = program.runs[0].windows;
    std::vector<double> times;
    std::vector<SIZE_T> workingSets, privates;
    for (size_t i = 1; i < program.runs.size(); ++i) {
        const Run& run = program.runs[i];
        if (!run.ok) continue;
        times.push_back(run.ms);
        workingSets.push_back(run.workingSet);
        privates.push_back(run.privateBytes);
    }
    if (times.empty()) {
        // No warm runs asked for: the cold one is all there is.
        times.push_back(s.cold);
        workingSets.push_back(program.runs[0].workingSet);
        privates.push_back(program.runs[0].privateBytes);
    }
    s.warmMedian = Median(times);
    s.warmMin = *std::min_element(times.begin(), times.end());
    s.warmMax = *std::max_element(times.begin(), times.end());
    s.workingSet = Median(workingSets);
    s.privateBytes = Median(privates);
    return s;
}

// The median of the warm starts' ratios, each start to the baseline's start of the same round:
// the system's speed drifts during a run (here by a third and more), and the two starts of one
// round meet the same system. 0 when no round has both.
double PairedWarmRatio(const Program& program, const Program& reference) {
    std::vector<double> ratios;
    for (size_t i = 1; i < program.runs.size() && i < reference.runs.size(); ++i)
        if (program.runs[i].ok && reference.runs[i].ok && reference.runs[i].ms > 0)
            ratios.push_back(program.runs[i].ms / reference.runs[i].ms);
    return Median(ratios);
}

// Ratios of the programs after programs[base] to it; with `target`, whether start time (the
// paired ratio) and working set stay within kTargetRatio of it.
void PrintRatios(const std::vector<Program>& programs, size_t base, bool target) {
    const Program& reference = programs[base];
    const Summary b = Summarise(reference);
    if (!reference.error.empty() || !b.ok) return;
    size_t width = 7;
    for (const Program& p : programs)
        width = std::max(width, Utf8(p.name).size());
    const int w = static_cast<int>(width);
    auto ratio = [](double value, double ref) { return ref > 0 ? value / ref : 0.0; };
    bool header = false;
    for (size_t i = base + 1; i < programs.size(); ++i) {
        const Program& p = programs[i];
        const Summary s = Summarise(p);
        if (!p.error.empty() || !s.ok) continue;
        if (!header) std::printf("\nRatios to %s:\n", Utf8(reference.name).c_str());
        header = true;
        const double warm = ratio(s.warmMedian, b.warmMedian);
        const double paired = PairedWarmRatio(p, reference);
        const double ws = ratio(static_cast<double>(s.workingSet), static_cast<double>(b.workingSet));
        std::printf("  %-*s size x%.2f, cold x%.2f, warm x%.2f (paired x%.2f), WS x%.2f, private x%.2f", w,
                    Utf8(p.name).c_str(),
                    ratio(static_cast<double>(p.size), static_cast<double>(reference.size)),
                    ratio(s.cold, b.cold), warm, paired, ws,
                    ratio(static_cast<double>(s.privateBytes), static_cast<double>(b.privateBytes)));
        if (target)
            std::printf("; within x%.2f: warm %s, WS %s", kTargetRatio, paired <= kTargetRatio ? "yes" : "NO",
                        ws <= kTargetRatio ? "yes" : "NO");
        std::printf("\n");
    }
}

void PrintTable(const std::vector<Program>& programs) {
    size_t width = 7;
    for (const Program& p : programs)
        width = std::max(width, Utf8(p.name).size());
    const int w = static_cast<int>(width);

    std::printf("\n%-*s %9s %8s %8s %15s %9s %9s %4s %6s\n", w, "program", "size KiB", "cold ms", "warm ms",
                "warm min-max", "WS KiB", "priv KiB", "wnd", "killed");
    for (const Program& p : programs) {
        const std::string name = Utf8(p.name);
        if (!p.error.empty()) {
            std::printf("%-*s  %s\n", w, name.c_str(), Utf8(p.error).c_str());
            continue;
        }
        const Summary s = Summarise(p);
        if (!s.ok) {
            std::printf("%-*s %9.1f  did not start: %s\n", w, name.c_str(), p.size / 1024.0,
                        p.runs.empty() ? "" : Utf8(p.runs[0].error).c_str());
            continue;
        }
        char range[32];
        std::snprintf(range, sizeof range, "%.1f-%.1f", s.warmMin, s.warmMax);
        char killed[16];
        std::snprintf(killed, sizeof killed, "%d/%d", s.killed, s.runs);
        std::printf("%-*s %9.1f %8.1f %8.1f %15s %9llu %9llu %4d %6s\n", w, name.c_str(), p.size / 1024.0,
                    s.cold, s.warmMedian, range, static_cast<unsigned long long>(s.workingSet / 1024),
                    static_cast<unsigned long long>(s.privateBytes / 1024), s.windows, killed);
        if (s.failed)
            std::printf("%-*s   (%d of %d runs failed and are left out)\n", w, "", s.failed, s.runs);
    }
}

bool ParseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--warm" && i + 1 < argc) {
            wchar_t* end = nullptr;
            const long n = std::wcstol(argv[++i], &end, 10);
            if (*end || n < 0 || n > 1000) return false;
            options.warm = static_cast<int>(n);
        } else if (arg == L"--note-kb" && i + 1 < argc) {
            wchar_t* end = nullptr;
            const long n = std::wcstol(argv[++i], &end, 10);
            if (*end || n < 1 || n > 100 * 1024) return false;
            options.noteKiB = static_cast<size_t>(n);
        } else if (arg == L"--against" && i + 1 < argc) {
            options.against.push_back(FileName(argv[++i]));
        } else if (arg == L"--verbose") {
            options.verbose = true;
        } else if (arg.rfind(L"--", 0) == 0) {
            return false;
        } else {
            options.programs.push_back(arg);
        }
    }
    return !options.programs.empty();
}

} // namespace

int main() {
    // Plain \n line ends: the output goes to a Unix terminal or log.
    _setmode(_fileno(stdout), _O_BINARY);

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Options options;
    if (!argv || !ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: start_bench [--warm N] [--note-kb N] [--against program.exe]... [--verbose] "
                     "program.exe...\n");
        return 2;
    }
    LocalFree(argv);

    // The desktop (and with it the notification area) starts with the first window anyone asks
    // for; have it up now, or the first program's cold start pays for it.
    if (!GetDesktopWindow()) {
        std::fprintf(stderr, "start_bench: no desktop window\n");
        return 1;
    }

    std::printf(
        "Start to idle message loop: 1 cold + %d warm starts per program, the programs in turn, after "
        "one start of %s to settle Wine; memory once idle; a %zu KiB sample note beside each program.\n",
        options.warm, Utf8(FileName(options.programs[0])).c_str(), options.noteKiB);
    std::fflush(stdout);
    // Wine's own services are still settling just after its server starts. One start of the
    // baseline, not counted, gets them out of the way so every program meets the same system.
    {
        std::vector<Program> warmUp(1);
        warmUp[0].path = options.programs[0];
        warmUp[0].name = FileName(warmUp[0].path);
        Options once = options;
        once.warm = 0;
        MeasureInTurn(warmUp, once);
    }

    std::vector<Program> programs;
    for (const std::wstring& path : options.programs) {
        Program program;
        program.path = path;
        program.name = FileName(path);
        programs.push_back(std::move(program));
    }
    MeasureInTurn(programs, options);
    bool allOk = true;
    for (const Program& program : programs) {
        const Summary s = Summarise(program);
        allOk = allOk && program.error.empty() && s.ok && s.failed == 0;
    }
    PrintTable(programs);
    const auto named = [&](size_t i, const std::wstring& name) {
        return _wcsicmp(programs[i].name.c_str(), name.c_str()) == 0;
    };
    // The first program's ratios come once: with the target when it is also a named baseline.
    if (!programs.empty() &&
        std::none_of(options.against.begin(), options.against.end(), [&](auto& name) { return named(0, name); }))
        PrintRatios(programs, 0, false);
    for (const std::wstring& name : options.against)
        for (size_t i = 0; i < programs.size(); ++i)
            if (named(i, name)) PrintRatios(programs, i, true);
    return allOk ? 0 : 1;
}
