#include "Harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// Each test runs copies under a file name of its own, so its mutex and registry record are its
// own; the harness removes the record when the copy goes, also after a failure.
std::wstring OwnName(const wchar_t* tag) {
    return std::wstring(L"qp-guard-") + tag + L".exe";
}

std::optional<DWORD> Recorded(const TProgramUnderTest& program, const wchar_t* suffix) {
    DWORD value = 0, size = sizeof value;
    const std::wstring name = program.ExecutableName() + suffix;
    if (RegGetValueW(HKEY_CURRENT_USER, program.RecordKey().c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr,
                     &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}
HWND RecordedNote(const TProgramUnderTest& p) {
    return reinterpret_cast<HWND>(uintptr_t(Recorded(p, L"form1").value_or(0)));
}
HWND RecordedApp(const TProgramUnderTest& p) {
    return reinterpret_cast<HWND>(uintptr_t(Recorded(p, L"application").value_or(0)));
}

// The running program has recorded its own note and application windows.
bool RecordNamesItsWindows(TProgramUnderTest& program) {
    HWND note = RecordedNote(program), app = RecordedApp(program);
    DWORD notePid = 0, appPid = 0;
    GetWindowThreadProcessId(note, &notePid);
    GetWindowThreadProcessId(app, &appPid);
    return note && notePid == program.ProcessId() && WindowClass(note) == L"TForm1" &&
           appPid == program.ProcessId() && WindowClass(app) == L"Quillpad.Application";
}

void PlantNote(const TProgramUnderTest& program, const std::string& text) {
    const std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}";
    FILE* file = _wfopen(program.Beside(L".RTF").c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    fwrite(rtf.data(), 1, rtf.size(), file);
    fclose(file);
}

// Waits while answering what other processes send to this thread's windows.
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return WaitUntil(
        [&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            return condition();
        },
        timeout);
}

// Ends the program as "closing the note ends the program" does; the program must be set so.
void CloseNormally(TProgramUnderTest& program) {
    HWND note = program.WaitForWindow(L"TForm1");
    ASSERT_NE(note, nullptr);
    PostMessageW(note, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program.WaitForExit(10s));
    EXPECT_EQ(program.ExitCode(), 0u);
}

// A second start of the same file: hands over, shows nothing, ends with 0.
void StartSecond(TProgramUnderTest& second) {
    second.Launch();
    bool shown = false;
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (HWND wnd : second.Windows())
                if (IsWindowVisible(wnd)) shown = true;
            return !second.Running();
        },
        10s));
    EXPECT_FALSE(shown) << "the second start showed a window";
    EXPECT_EQ(second.ExitCode(), 0u);
}

TEST(Guard, ASecondStartHandsOverAndEndsTheFirstKeepsItsRecordAndDeletesItWithSubkeysAtExit) {
    TProgramUnderTest first(OwnName(L"two"));
    WriteSetting(first, L"Apparence", L"Close", L"0");
    first.Start();
    ASSERT_TRUE(WaitUntil([&] { return RecordNamesItsWindows(first); }, 10s));
    const DWORD note = Recorded(first, L"form1").value(), app = Recorded(first, L"application").value();

    TProgramUnderTest second{TSameCopyOf{first}};
    StartSecond(second);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(Recorded(first, L"form1"), note);
    EXPECT_EQ(Recorded(first, L"application"), app);

    HKEY added = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (first.RecordKey() + L"\\added\\deeper").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &added, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(added);
    CloseNormally(first);
    EXPECT_FALSE(first.RecordExists());
}

TEST(Guard, CopiesWithTheSameFileNameAreOneProgramCopiesWithAnotherNameAreAnother) {
    TProgramUnderTest a(OwnName(L"same")), b(OwnName(L"same")), other(OwnName(L"other"));
    ASSERT_NE(a.Folder(), b.Folder());
    a.Start();
    ASSERT_TRUE(WaitUntil([&] { return RecordNamesItsWindows(a); }, 10s));
    StartSecond(b);
    other.Start();
    EXPECT_TRUE(WaitUntil([&] { return RecordNamesItsWindows(other); }, 10s));
    EXPECT_FALSE(other.WaitForExit(1s));
    EXPECT_TRUE(a.Running());
    EXPECT_TRUE(RecordNamesItsWindows(a));
}

TEST(Guard, ARecordLeftByAKilledInstanceDoesNotStopTheNextStartAndIsOverwritten) {
    TProgramUnderTest program(OwnName(L"killed"));
    program.Start();
    ASSERT_TRUE(WaitUntil([&] { return RecordNamesItsWindows(program); }, 10s));
    const DWORD killedPid = program.ProcessId();
    program.Kill();
    ASSERT_TRUE(program.RecordExists()); // nothing deleted it
    EXPECT_FALSE(IsWindow(RecordedNote(program)));

    program.Start();
    ASSERT_NE(program.ProcessId(), killedPid);
    EXPECT_TRUE(WaitUntil([&] { return RecordNamesItsWindows(program); }, 10s));
    EXPECT_FALSE(program.WaitForExit(1s));
}

TEST(Guard, ASecondStartWritesNeitherTheNoteNorTheSettingsWhileTheFirstHoldsNewerText) {
    TProgramUnderTest first(OwnName(L"data"));
    WriteSetting(first, L"Apparence", L"Visible", L"1");
    WriteSetting(first, L"Apparence", L"Close", L"0");
    PlantNote(first, "stored text");
    first.Start();
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = first.VisibleWindow(L"TForm1")) != nullptr; }, 10s));
    HWND editor = FindWindowExW(note, nullptr, nullptr, nullptr);
    ASSERT_NE(editor, nullptr);
    // Unsaved text in the first instance, as characters reaching its editor.
    for (wchar_t c : std::wstring(L"newer "))
        PostMessageW(editor, WM_CHAR, c, 1);
    // Text of another process's control: only its own messages tell.
    ASSERT_TRUE(WaitUntil([&] { return SendMessageW(editor, WM_GETTEXTLENGTH, 0, 0) >= 17; }, 5s));

    const fs::path rtf = first.Beside(L".RTF"), ini = first.Beside(L".INI");
    const std::string rtfBefore = FileBytes(rtf), iniBefore = FileBytes(ini);
    const auto rtfTime = fs::last_write_time(rtf), iniTime = fs::last_write_time(ini);
    ASSERT_NE(rtfBefore.find("stored text"), std::string::npos);

    TProgramUnderTest second{TSameCopyOf{first}};
    StartSecond(second);
    EXPECT_EQ(FileBytes(rtf), rtfBefore);
    EXPECT_EQ(FileBytes(ini), iniBefore);
    EXPECT_EQ(fs::last_write_time(rtf), rtfTime);
    EXPECT_EQ(fs::last_write_time(ini), iniTime);
    EXPECT_FALSE(fs::exists(first.Beside(L".RTF.tmp")));

    // The first one's own save at exit is untouched by all this.
    ASSERT_TRUE(first.Running());
    CloseNormally(first);
    const std::string saved = FileBytes(rtf);
    EXPECT_NE(saved.find("newer "), std::string::npos) << saved;
    EXPECT_NE(saved.find("stored text"), std::string::npos) << saved;
    EXPECT_EQ(FileBytes(ini), iniBefore);
}

TEST(Guard, ASecondStartBringsTheLiveNoteWindowForwardAfterItWasRecreated) {
    TProgramUnderTest first(OwnName(L"front"));
    // Shown at start, with the default border: the note window is re-created while it starts.
    WriteSetting(first, L"Apparence", L"Visible", L"1");
    first.Start();
    HWND note = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (note = first.VisibleWindow(L"TForm1")) != nullptr; }, 10s));
    ASSERT_TRUE(WaitUntil([&] { return RecordedNote(first) == note; }, 5s));

    HWND elsewhere = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 600, 500, 80, 80,
                                     nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(elsewhere);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == elsewhere; }, 5s));

    TProgramUnderTest second{TSameCopyOf{first}};
    StartSecond(second);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == note; }, 5s));
    DestroyWindow(elsewhere);
    EXPECT_TRUE(first.Running());
}

struct TFileState {
    std::string Bytes;
    fs::file_time_type Time;
    bool operator==(const TFileState&) const = default;
};
TFileState StateOf(const fs::path& file) {
    return {FileBytes(file), fs::last_write_time(file)};
}

TEST(Guard, ASecondStartShowsTheNoteFromTheTrayInFrontAndTouchesNoFile) {
    TProgramUnderTest first(OwnName(L"show"));
    WriteSetting(first, L"Apparence", L"Close", L"0");
    PlantNote(first, "tray text");
    first.Start();
    ASSERT_TRUE(WaitUntil([&] { return RecordNamesItsWindows(first); }, 10s));
    const HWND note = RecordedNote(first), app = RecordedApp(first);
    ASSERT_FALSE(IsWindowVisible(note)) << "the note starts in the tray";

    HWND elsewhere = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 600, 500, 80, 80,
                                     nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(elsewhere);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == elsewhere; }, 5s));
    const fs::path rtf = first.Beside(L".RTF"), ini = first.Beside(L".INI");
    const TFileState rtfBefore = StateOf(rtf), iniBefore = StateOf(ini);

    TProgramUnderTest second{TSameCopyOf{first}};
    StartSecond(second);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(note) && GetForegroundWindow() == note; }, 5s))
        << "visible " << IsWindowVisible(note) << ", in front " << (GetForegroundWindow() == note);
    EXPECT_FALSE(IsIconic(note));
    EXPECT_FALSE(IsWindowVisible(app)) << "shown as from the tray: no taskbar button";
    HWND editor = FindWindowExW(note, nullptr, nullptr, nullptr);
    EXPECT_EQ(SendMessageW(editor, WM_GETTEXTLENGTH, 0, 0), 9) << "the running note, with its text";
    EXPECT_TRUE(StateOf(rtf) == rtfBefore);
    EXPECT_TRUE(StateOf(ini) == iniBefore);
    EXPECT_FALSE(fs::exists(first.Beside(L".RTF.tmp")));

    // A third start while the note is shown behind another window brings it forward again.
    SetForegroundWindow(elsewhere);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == elsewhere; }, 5s));
    TProgramUnderTest third{TSameCopyOf{first}};
    StartSecond(third);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == note; }, 5s));
    EXPECT_TRUE(IsWindowVisible(note));
    DestroyWindow(elsewhere);
    EXPECT_TRUE(first.Running());
}

TEST(Guard, TwoStartsAtNearlyTheSameMomentLeaveOneInstanceAndTheNoteWhole) {
    TProgramUnderTest a(OwnName(L"race"));
    TProgramUnderTest b{TSameCopyOf{a}};
    WriteSetting(a, L"Apparence", L"Close", L"0");
    PlantNote(a, "raced text");
    const std::string before = FileBytes(a.Beside(L".RTF"));
    a.Launch();
    b.Launch();
    ASSERT_TRUE(WaitUntil([&] { return !a.Running() || !b.Running(); }, 15s));
    TProgramUnderTest& survivor = a.Running() ? a : b;
    TProgramUnderTest& ended = a.Running() ? b : a;
    EXPECT_EQ(ended.ExitCode(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return RecordNamesItsWindows(survivor); }, 10s));
    EXPECT_FALSE(survivor.WaitForExit(1s));
    EXPECT_EQ(FileBytes(a.Beside(L".RTF")), before);

    CloseNormally(survivor);
    const std::string saved = FileBytes(a.Beside(L".RTF"));
    EXPECT_EQ(saved.rfind("{\\rtf", 0), 0u);
    EXPECT_NE(saved.find("raced text"), std::string::npos) << saved;
    EXPECT_FALSE(a.RecordExists());
}

} // namespace
