#pragma once
// Runs a copy of quillpad.exe in a fresh folder of its own, finds its windows and stops it.
#include "support/Keyboard.h"
#include "support/Mouse.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class TProgramUnderTest;
// Names a copy that is already there, to start that same file once more.
struct TSameCopyOf {
    const TProgramUnderTest& Program;
};

class TProgramUnderTest {
public:
    // The copy gets this file name; its settings, note and single-instance record follow it.
    explicit TProgramUnderTest(std::wstring executableName = L"quillpad.exe");
    // Another process of the same file; the folder stays the first one's.
    explicit TProgramUnderTest(TSameCopyOf copy);
    ~TProgramUnderTest();
    TProgramUnderTest(const TProgramUnderTest&) = delete;
    TProgramUnderTest& operator=(const TProgramUnderTest&) = delete;

    // The built program, beside the test executable.
    static std::filesystem::path BuiltProgram();

    const std::filesystem::path& Folder() const { return FFolder; }
    std::filesystem::path Executable() const { return FFolder / FName; }
    const std::wstring& ExecutableName() const { return FName; }
    // The file beside the copy with this extension in place of ".exe", e.g. ".RTF".
    std::filesystem::path Beside(const std::wstring& extension) const;
    // The single-instance record of this file name, below HKEY_CURRENT_USER.
    std::wstring RecordKey() const { return L"Software\\UnPas2" + FName; }
    // The record is there: a running first instance, or one that did not end normally.
    bool RecordExists() const;

    // Starts the copy and waits until its message loop is idle.
    void Start();
    // Starts the copy and returns at once.
    void Launch();
    bool Running() const;
    // Waits until the program has handled its input and waits for more, menu loops included.
    void WaitForIdle() const { WaitForInputIdle(FInfo.hProcess, 5000); }
    DWORD ProcessId() const { return FInfo.dwProcessId; }

    // Top-level windows of the process, visible or not.
    std::vector<HWND> Windows() const;
    // Polls until a window of the process with this class exists, or returns nullptr.
    HWND WaitForWindow(const std::wstring& className,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The process's window of this class if it exists and is visible, else nullptr.
    HWND VisibleWindow(const std::wstring& className) const;
    bool WaitForExit(std::chrono::milliseconds timeout);
    DWORD ExitCode() const;
    void Kill();

private:
    std::filesystem::path FFolder;
    std::wstring FName;
    bool FOwnsCopy = true;
    PROCESS_INFORMATION FInfo{};
};

// The shell's notification area: Wine shows it as a small window of its own.
HWND TrayWindow();
// Where the first icon of the notification area sits, in screen coordinates.
POINT FirstTrayIconCentre();

// The process's pop-up menus on screen, the outermost first.
std::vector<HWND> MenuWindows(const TProgramUnderTest& program);
// A key for the innermost open menu, posted to it, and the time for the menu loop to take it.
// Under Wine, after a long run, real key presses were seen to miss a menu now and then.
void PostMenuKey(const TProgramUnderTest& program, WORD key);
// Opens the tray icon's menu, with the pointer moved away so that no hover moves the highlight
// (a gtest assertion fails when it does not open).
void OpenTrayMenu(const TProgramUnderTest& program);
// Lets go of Ctrl, Alt, Shift and the Windows key where an earlier program left them down.
void ReleaseModifiers();

// The first window below `parent`, at any depth, with this class and (unless null) this text.
HWND FindControl(HWND parent, const wchar_t* className, const wchar_t* text = nullptr);

// Writes one value into the settings file beside the program.
void WriteSetting(const TProgramUnderTest& program, const wchar_t* section, const wchar_t* key,
                  const wchar_t* value);

// Polls `condition` until it holds or the deadline passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// The whole file; empty when it cannot be read.
std::string FileBytes(const std::filesystem::path& path);
// The message of a message box.
std::wstring BoxText(HWND box);
// Real typing, all keys in one go: a save that comes in a pause cannot split the words.
void TypeText(const std::wstring& text);
// The text of the note window's editor (its first 511 characters).
std::wstring EditorText(HWND note);

std::wstring WindowClass(HWND wnd);
std::wstring WindowText(HWND wnd);
