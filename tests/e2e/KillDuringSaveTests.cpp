#include "Harness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

TEST(KillDuringSave, TheDocumentIsAlwaysOneOfTheCompleteVersions) {
    const fs::path folder =
        fs::temp_directory_path() / (L"quillpad-kill-" + std::to_wstring(GetCurrentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path exe = folder / L"save_loop.exe";
    fs::copy_file(TProgramUnderTest::BuiltProgram().parent_path() / L"save_loop.exe", exe);
    const fs::path document = folder / L"save_loop.RTF";

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delay(0, 400);
    int checked = 0;
    std::string versions[2];
    for (int round = 0; round < 50; ++round) {
        fs::remove(folder / L"save_loop.RTF.ready-b");
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
        ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   folder.c_str(), &si, &pi));
        // Killed at a random moment of its saving loop.
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(folder / L"save_loop.RTF.ready-b"); }, 30s));
        if (versions[0].empty()) {
            versions[0] = FileBytes(folder / L"save_loop.RTF.ready-a");
            versions[1] = FileBytes(folder / L"save_loop.RTF.ready-b");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (!fs::exists(document)) continue; // killed before its first save was complete
        const std::string stored = FileBytes(document);
        ASSERT_TRUE(stored == versions[0] || stored == versions[1])
            << "round " << round << ": " << stored.size() << " bytes, neither complete version";
        ++checked;
    }
    EXPECT_GT(checked, 40);
    fs::remove_all(folder);
}

} // namespace
