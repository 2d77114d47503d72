#include "Harness.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <fstream>
#include <regex>

using namespace std::chrono_literals;

namespace {

HWND ShownNote(TProgramUnderTest& program) {
    HWND note = nullptr;
    WaitUntil([&] { return (note = program.VisibleWindow(L"TForm1")) != nullptr; }, 10s);
    return note;
}

std::vector<std::wstring> LoadedModules(DWORD processId) {
    std::vector<std::wstring> names;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    if (!process) return names;
    HMODULE modules[512];
    DWORD needed = 0;
    if (EnumProcessModules(process, modules, sizeof modules, &needed)) {
        for (DWORD i = 0; i < std::min<DWORD>(needed / sizeof(HMODULE), 512); ++i) {
            wchar_t name[MAX_PATH] = {};
            GetModuleBaseNameW(process, modules[i], name, MAX_PATH);
            std::wstring lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
            names.push_back(lower);
        }
    }
    CloseHandle(process);
    return names;
}

TEST(Commands, GrasFromTheEditorMenuBoldsTheSelectionAndTheNextSaveHoldsTheBoldRun) {
    TProgramUnderTest program;
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    WriteSetting(program, L"Save", L"SaveOnChange", L"1");
    const auto document = program.Folder() / L"quillpad.RTF";
    {
        std::ofstream(document, std::ios::binary)
            << "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 bonjour\\par}";
    }
    program.Start();
    HWND note = ShownNote(program);
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == note; }, 5s));
    // The load marks the program busy; the modules it loaded at start are all there now.
    const std::vector<std::wstring> modules = LoadedModules(program.ProcessId());
    ASSERT_EQ(std::count(modules.begin(), modules.end(), L"user32.dll"), 1); // the list is the real one
    EXPECT_EQ(std::count(modules.begin(), modules.end(), L"comdlg32.dll"), 0) << "dialogs load on first use";
    // The note has no common control: tooltips and image lists bring the library in when asked.
    EXPECT_EQ(std::count(modules.begin(), modules.end(), L"comctl32.dll"), 0);

    SendChord({VK_CONTROL, 'A'}); // the action list's "Sélectionner tout"
    // The style applies to the selection: wait until the editor holds the whole text selected.
    HWND editor = FindWindowExW(note, nullptr, nullptr, nullptr);
    ASSERT_NE(editor, nullptr);
    const LRESULT length = SendMessageW(editor, WM_GETTEXTLENGTH, 0, 0);
    ASSERT_TRUE(WaitUntil([&] {
        const LRESULT selection = SendMessageW(editor, EM_GETSEL, 0, 0);
        return LOWORD(selection) == 0 && HIWORD(selection) >= length;
    }, 5s));
    RECT r;
    GetWindowRect(note, &r);
    ClickScreen({r.left + 60, r.top + 80}, true);
    ASSERT_TRUE(WaitUntil([&] { return program.VisibleWindow(L"#32768") != nullptr; }, 5s));
    // From the bottom up to "Style", into its submenu, and down past "Couleur..." and
    // "Police..." to "Gras".
    // One key at a time, each once the menu loop has taken the one before: under load a key sent
    // while the menu was still settling was seen to be lost, landing in the wrong submenu.
    for (WORD key : {VK_UP, VK_UP, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN}) {
        program.WaitForIdle();
        SendChord({key});
    }
    ASSERT_TRUE(WaitUntil([&] { return program.VisibleWindow(L"#32768") == nullptr; }, 5s));
    SendChord({VK_RIGHT}); // any key release saves

    const std::regex boldRun(R"(\\b(?![a-z])[^}]*bonjour)");
    EXPECT_TRUE(WaitUntil([&] { return std::regex_search(FileBytes(document), boldRun); }, 5s))
        << FileBytes(document);
}

TEST(Commands, ATitleSettingStartsTheNoteWithoutItsTitleBar) {
    TProgramUnderTest program;
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    WriteSetting(program, L"Apparence", L"Title", L"1");
    program.Start();
    HWND note = ShownNote(program);
    ASSERT_NE(note, nullptr);
    const LONG style = GetWindowLongW(note, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_NE(style & WS_THICKFRAME, 0); // the border stays
    // Nothing above the client area but the frame.
    POINT origin{0, 0};
    ClientToScreen(note, &origin);
    RECT outer;
    GetWindowRect(note, &outer);
    EXPECT_LT(origin.y - outer.top, GetSystemMetrics(SM_CYCAPTION));
}

} // namespace
