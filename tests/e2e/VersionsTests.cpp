// The way back to an earlier version, in the real program: the versions its keeper took over two
// runs, the dialog from the tray menu, the restoring, and Undo.
#include "Harness.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

void Plant(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

HWND InFront(TProgramUnderTest& program, const wchar_t* className) {
    HWND wnd = nullptr;
    if (!WaitUntil([&] { return (wnd = program.VisibleWindow(className)) != nullptr; }, 10s)) return nullptr;
    if (!WaitUntil([&] { return GetForegroundWindow() == wnd; }, 3s)) ClickScreen(ScreenCentre(wnd));
    return WaitUntil([&] { return GetForegroundWindow() == wnd; }, 5s) ? wnd : nullptr;
}

// One run: the note in front, the text typed at its end, then quit, which saves.
void RunAndType(TProgramUnderTest& program, const std::wstring& text) {
    program.Start();
    HWND note = InFront(program, L"TForm1");
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !EditorText(note).empty(); }, 5s));
    SendChord({VK_CONTROL, VK_END});
    TypeText(text);
    ASSERT_TRUE(WaitUntil([&] { return EditorText(note).find(text) != std::wstring::npos; }, 5s));
    program.WaitForIdle();
    SendChord({VK_CONTROL, VK_MENU, 'X'});
    ASSERT_TRUE(program.WaitForExit(10s));
}

TEST(Versions, TheOldestVersionComesBackFromTheTrayMenuAndUndoTakesItBack) {
    TProgramUnderTest program;
    const fs::path document = program.Beside(L".RTF");
    Plant(document, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 premier texte\\par}");
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    ASSERT_NO_FATAL_FAILURE(RunAndType(program, L" et un ajout"));
    ASSERT_NO_FATAL_FAILURE(RunAndType(program, L" puis un autre"));
    const fs::path versions = program.Folder() / (document.stem().wstring() + L".versions");
    ASSERT_TRUE(fs::is_directory(versions)) << "the keeper kept no version";

    program.Start();
    HWND note = InFront(program, L"TForm1");
    ASSERT_NE(note, nullptr);
    const std::wstring before = L"premier texte et un ajout puis un autre";
    ASSERT_TRUE(WaitUntil([&] { return EditorText(note).find(before) == 0; }, 5s));

    ASSERT_NO_FATAL_FAILURE(OpenTrayMenu(program));
    // Up from "&Quitter": "A Propos...", "Paramètres...", then "&Versions précédentes...".
    for (WORD key : {VK_END, VK_UP, VK_UP, VK_UP, VK_RETURN})
        PostMenuKey(program, key);

    HWND dialog = InFront(program, L"TFVersions");
    ASSERT_NE(dialog, nullptr) << "another item was chosen";
    EXPECT_EQ(WindowText(dialog), L"Versions précédentes");
    HWND list = FindControl(dialog, L"SysListView32");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return GetFocus() == list || GetForegroundWindow() == dialog; }, 3s));
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    ASSERT_GE(count, 1);
    SendChord({VK_END});
    ASSERT_TRUE(WaitUntil(
        [&] {
            return SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == count - 1;
        },
        3s));
    SendChord({VK_RETURN});
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(dialog); }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return EditorText(note).find(L"premier texte") == 0; }, 5s));
    EXPECT_EQ(EditorText(note).find(L"ajout"), std::wstring::npos) << "not the oldest version";

    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == note; }, 5s));
    program.WaitForIdle();
    SendChord({VK_CONTROL, 'Z'});
    EXPECT_TRUE(WaitUntil([&] { return EditorText(note).find(before) == 0; }, 5s));

    SendChord({VK_CONTROL, VK_MENU, 'X'});
    EXPECT_TRUE(program.WaitForExit(10s));
}

} // namespace
