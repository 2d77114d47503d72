// A second start of the program hands over to the running one and ends: how long that takes,
// from CreateProcessW to the end of the process, against the first start's time to its idle
// message loop, both measured in the same rounds. quillpad.exe (beside this program) is copied
// under a name of its own into a fresh folder with the sample note beside it; each round starts
// it, waits until its single-instance record names its windows, starts the same file again, and
// closes the first one normally, which removes the record.
//
//   guard_bench [--rounds N]
#include "SampleNote.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const wchar_t kCopyName[] = L"qp-guard-bench.exe";
const wchar_t kRecordKey[] = L"Software\\UnPas2qp-guard-bench.exe";

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

template <class F> bool PollUntil(F condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

struct TProcess {
    PROCESS_INFORMATION Info{};
    ~TProcess() {
        if (Info.hProcess) {
            if (WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(Info.hProcess, 1);
            CloseHandle(Info.hProcess);
            CloseHandle(Info.hThread);
        }
    }
    bool Start(const fs::path& exe) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
        return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              exe.parent_path().c_str(), &si, &Info) != FALSE;
    }
    bool Running() const { return WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT; }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(Info.hProcess, &code);
        return code;
    }
};

// The note window the running program recorded, when it is that process's own.
HWND RecordedNote(DWORD pid) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kRecordKey, L"qp-guard-bench.exeform1", RRF_RT_REG_DWORD, nullptr,
                     &value, &size) != ERROR_SUCCESS)
        return nullptr;
    HWND note = reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
    DWORD owner = 0;
    GetWindowThreadProcessId(note, &owner);
    return owner == pid ? note : nullptr;
}

bool RecordExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRecordKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

struct TRound {
    double FirstToIdle = 0, SecondToEnd = 0;
};

// One round; an empty message says it went as it should.
std::string RunRound(const fs::path& exe, TRound& round) {
    TProcess first;
    auto start = Clock::now();
    if (!first.Start(exe)) return "the first start failed";
    if (WaitForInputIdle(first.Info.hProcess, 20000) != 0) return "the first start never became idle";
    round.FirstToIdle = Ms(Clock::now() - start);
    HWND note = nullptr;
    if (!PollUntil([&] { return (note = RecordedNote(first.Info.dwProcessId)) != nullptr; },
                   std::chrono::seconds(10)))
        return "the first start recorded no note window";

    TProcess second;
    start = Clock::now();
    if (!second.Start(exe)) return "the second start failed";
    if (WaitForSingleObject(second.Info.hProcess, 20000) != WAIT_OBJECT_0)
        return "the second start did not end";
    round.SecondToEnd = Ms(Clock::now() - start);
    if (second.ExitCode() != 0) return "the second start ended with " + std::to_string(second.ExitCode());
    if (!first.Running()) return "the first instance ended too";

    // Set to end when its note is closed (see the settings written in main).
    PostMessageW(note, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(first.Info.hProcess, 10000) != WAIT_OBJECT_0)
        return "the first instance did not end";
    if (RecordExists()) return "the record outlived the first instance";
    return {};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 10;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[++i]));

    wchar_t self[MAX_PATH];
    const fs::path built =
        fs::path(std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH))).parent_path() /
        L"quillpad.exe";
    const fs::path folder =
        fs::temp_directory_path() / (L"guard-bench-" + std::to_wstring(GetCurrentProcessId()));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    const fs::path exe = folder / kCopyName;
    fs::copy_file(built, exe);
    {
        std::ofstream note(folder / L"qp-guard-bench.RTF", std::ios::binary);
        note << FormattedNote(10 * 1024);
    }
    // Closing the note ends the program, as the user can set it.
    WritePrivateProfileStringW(L"Apparence", L"Close", L"0", (folder / L"qp-guard-bench.INI").c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, kRecordKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kRecordKey);

    std::vector<double> firsts, seconds;
    std::string failure;
    for (int i = 0; i <= rounds && failure.empty(); ++i) {
        TRound round;
        failure = RunRound(exe, round);
        if (failure.empty() && i > 0) { // the first round warms Wine and the disk cache up
            firsts.push_back(round.FirstToIdle);
            seconds.push_back(round.SecondToEnd);
        }
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kRecordKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kRecordKey);
    fs::remove_all(folder, ignored);
    if (!failure.empty()) {
        std::printf("guard_bench: %s\n", failure.c_str());
        return 1;
    }

    std::printf("\nSingle instance: %d rounds (after one warm-up) with a 10 KiB note\n", rounds);
    std::printf("%-36s %9s %9s %9s\n", "", "median ms", "min ms", "max ms");
    std::printf("%-36s %9.1f %9.1f %9.1f\n", "first start, to its idle loop", Median(firsts),
                *std::min_element(firsts.begin(), firsts.end()),
                *std::max_element(firsts.begin(), firsts.end()));
    std::printf("%-36s %9.1f %9.1f %9.1f\n", "second start, handed over and ended", Median(seconds),
                *std::min_element(seconds.begin(), seconds.end()),
                *std::max_element(seconds.begin(), seconds.end()));
    std::printf("second / first: %.2f\n", Median(seconds) / Median(firsts));
    return 0;
}
