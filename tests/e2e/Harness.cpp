#include "Harness.h"

#include "support/Mouse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::wstring WindowClass(HWND wnd) {
    wchar_t name[128] = {};
    GetClassNameW(wnd, name, 128);
    return name;
}

std::wstring WindowText(HWND wnd) {
    wchar_t text[256] = {};
    GetWindowTextW(wnd, text, 256);
    return text;
}

fs::path TProgramUnderTest::BuiltProgram() {
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(std::wstring(self, n)).parent_path() / L"quillpad.exe";
}

TProgramUnderTest::TProgramUnderTest(std::wstring executableName) : FName(std::move(executableName)) {
    static int counter = 0;
    FFolder = fs::temp_directory_path() /
              (L"quillpad-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    fs::remove_all(FFolder);
    fs::create_directories(FFolder);
    fs::copy_file(BuiltProgram(), Executable());
    RegDeleteTreeW(HKEY_CURRENT_USER, RecordKey().c_str()); // left by an earlier run that was cut short
    RegDeleteKeyW(HKEY_CURRENT_USER, RecordKey().c_str());
}

TProgramUnderTest::TProgramUnderTest(TSameCopyOf copy)
    : FFolder(copy.Program.Folder()), FName(copy.Program.ExecutableName()), FOwnsCopy(false) {}

TProgramUnderTest::~TProgramUnderTest() {
    Kill();
    if (!FOwnsCopy) return;
    std::error_code ignored;
    fs::remove_all(FFolder, ignored);
    // A killed program leaves its record behind.
    RegDeleteTreeW(HKEY_CURRENT_USER, RecordKey().c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, RecordKey().c_str());
}

bool TProgramUnderTest::RecordExists() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RecordKey().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

fs::path TProgramUnderTest::Beside(const std::wstring& extension) const {
    return FFolder / (fs::path(FName).stem().wstring() + extension);
}

void TProgramUnderTest::Start() {
    Launch();
    WaitForInputIdle(FInfo.hProcess, 10000);
}

void TProgramUnderTest::Launch() {
    Kill(); // a second start leaves nothing of the first behind
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring exe = Executable().wstring();
    std::wstring commandLine = L"\"" + exe + L"\"";
    // Right after a kill the system may still hold the old process's image for a moment
    // (seen under load under Wine): try again for a short while before calling it a failure.
    DWORD error = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           FFolder.wstring().c_str(), &si, &FInfo))
            return;
        error = GetLastError();
        Sleep(100);
    }
    throw std::runtime_error("cannot start quillpad.exe, error " + std::to_string(error));
}

bool TProgramUnderTest::Running() const {
    return FInfo.hProcess && WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT;
}

std::vector<HWND> TProgramUnderTest::Windows() const {
    struct TSearch {
        DWORD Pid;
        std::vector<HWND> Found;
    } search{FInfo.dwProcessId, {}};
    EnumWindows(
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(wnd, &pid);
            if (pid == s->Pid) s->Found.push_back(wnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND TProgramUnderTest::WaitForWindow(const std::wstring& className, std::chrono::milliseconds timeout) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND wnd : Windows())
                if (WindowClass(wnd) == className) found = wnd;
            return found != nullptr;
        },
        timeout);
    return found;
}

bool TProgramUnderTest::WaitForExit(std::chrono::milliseconds timeout) {
    if (!FInfo.hProcess) return true;
    return WaitForSingleObject(FInfo.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

DWORD TProgramUnderTest::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (FInfo.hProcess) GetExitCodeProcess(FInfo.hProcess, &code);
    return code;
}

void TProgramUnderTest::Kill() {
    if (!FInfo.hProcess) return;
    if (Running()) {
        TerminateProcess(FInfo.hProcess, 255);
        WaitForSingleObject(FInfo.hProcess, 5000);
    }
    CloseHandle(FInfo.hThread);
    CloseHandle(FInfo.hProcess);
    FInfo = {};
}

HWND TProgramUnderTest::VisibleWindow(const std::wstring& className) const {
    for (HWND wnd : Windows())
        if (WindowClass(wnd) == className && IsWindowVisible(wnd)) return wnd;
    return nullptr;
}

HWND TrayWindow() {
    // Without a desktop and taskbar, Wine's display driver shows the icons in a window of its own.
    if (HWND standalone = FindWindowW(L"__winex11_standalone_tray", nullptr)) return standalone;
    return FindWindowW(L"Shell_TrayWnd", nullptr);
}

POINT FirstTrayIconCentre() {
    // Icons are laid out from the client area's top-left corner, each a small icon with a border.
    const int cell = GetSystemMetrics(SM_CXSMICON) + 4;
    POINT at{cell / 2, cell / 2};
    ClientToScreen(TrayWindow(), &at);
    return at;
}

std::vector<HWND> MenuWindows(const TProgramUnderTest& program) {
    std::vector<HWND> menus;
    for (HWND wnd : program.Windows())
        if (WindowClass(wnd) == L"#32768" && IsWindowVisible(wnd)) menus.push_back(wnd);
    std::reverse(menus.begin(), menus.end());
    return menus;
}

void PostMenuKey(const TProgramUnderTest& program, WORD key) {
    const std::vector<HWND> menus = MenuWindows(program);
    if (menus.empty()) return;
    PostMessageW(menus.back(), WM_KEYDOWN, key, 1);
    program.WaitForIdle();
}

void ReleaseModifiers() {
    for (WORD modifier : {VK_CONTROL, VK_MENU, VK_SHIFT, VK_LWIN}) {
        if (!(GetAsyncKeyState(modifier) & 0x8000)) continue;
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = modifier;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
    }
}

HWND FindControl(HWND parent, const wchar_t* className, const wchar_t* text) {
    struct TSearch {
        const wchar_t* ClassName;
        const wchar_t* Text;
        HWND Found = nullptr;
    } search{className, text};
    EnumChildWindows(
        parent,
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(param);
            if (WindowClass(wnd) == s->ClassName && (!s->Text || WindowText(wnd) == s->Text)) {
                s->Found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

void WriteSetting(const TProgramUnderTest& program, const wchar_t* section, const wchar_t* key,
                  const wchar_t* value) {
    std::wstring ini = program.Beside(L".INI").wstring();
    WritePrivateProfileStringW(section, key, value, ini.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
}

std::wstring BoxText(HWND box) {
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, text, static_cast<int>(std::size(text))); // the message's static
    return text;
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void TypeText(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t c : text)
        for (DWORD flags : {DWORD(KEYEVENTF_UNICODE), DWORD(KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = c;
            input.ki.dwFlags = flags;
            inputs.push_back(input);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::wstring EditorText(HWND note) {
    wchar_t text[512] = {};
    SendMessageW(FindWindowExW(note, nullptr, nullptr, nullptr), WM_GETTEXT, std::size(text),
                 reinterpret_cast<LPARAM>(text));
    return text;
}

void OpenTrayMenu(const TProgramUnderTest& program) {
    using namespace std::chrono_literals;
    ASSERT_TRUE(WaitUntil([] { return TrayWindow() && IsWindowVisible(TrayWindow()); }, 5s));
    ReleaseModifiers();
    ClickScreen(FirstTrayIconCentre(), true);
    ASSERT_TRUE(WaitUntil([&] { return MenuWindows(program).size() == 1; }, 5s));
    RECT menu;
    GetWindowRect(MenuWindows(program).front(), &menu);
    SetCursorPos(menu.right + 40, menu.bottom + 40);
}
