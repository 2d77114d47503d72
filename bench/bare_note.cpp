// Baseline: the platform parts the note program cannot do without and nothing else. A hidden
// window with one notification-area icon and one editor of the system's rich-edit class, which
// holds the note read from the RTF file named after the executable beside it, as the note
// program reads its own.
//
// Built with BARE_NOTE_DESIGN_WINDOWS it also makes the windows the note program's design has
// beside those: an application window owning the note's window (it carries the taskbar
// button), a hidden notification window of its own class for the tray icon, and the version
// request to the shell after the icon's add.
#include <windows.h>
#include <richedit.h>
#include <shellapi.h>

#include <string>

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kIconId = 1;

#ifdef BARE_NOTE_DESIGN_WINDOWS
constexpr bool kDesignWindows = true;
#else
constexpr bool kDesignWindows = false;
#endif

HWND noteWindow = nullptr;
HWND editor = nullptr;
HWND notifyWindow = nullptr; // where the shell sends the icon's messages

void RemoveIcon() {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = notifyWindow;
    nid.uID = kIconId;
    Shell_NotifyIconW(NIM_DELETE, &nid);
}

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        if (editor && wnd == noteWindow) MoveWindow(editor, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_CLOSE:
        RemoveIcon();
        DestroyWindow(wnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case kTrayMessage:
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

DWORD CALLBACK ReadFileCallback(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* read) {
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(size), &n, nullptr)) return 1;
    *read = static_cast<LONG>(n);
    return 0;
}

// <folder>\<name>.RTF for <folder>\<name>.exe.
std::wstring NotePath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring note(path, n);
    const size_t dot = note.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > note.find_last_of(L'\\')) note.resize(dot);
    return note + L".RTF";
}

void LoadNote() {
    HANDLE file = CreateFileW(NotePath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(file), 0, ReadFileCallback};
    SendMessageW(editor, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    CloseHandle(file);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!LoadLibraryW(L"msftedit.dll")) return 1;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"BareNote";
    if (!RegisterClassExW(&wc)) return 1;

    HWND owner = nullptr;
    if (kDesignWindows) {
        const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
        owner = CreateWindowExW(0, wc.lpszClassName, L"Bare note",
                                WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                                nullptr, nullptr, instance, nullptr);
        if (!owner) return 1;
    }
    // Hidden, as the note program starts by default: it lives in the notification area.
    HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"Bare note", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 200,
                               200, 260, 250, owner, nullptr, instance, nullptr);
    if (!wnd) return 1;
    noteWindow = wnd;
    RECT client;
    GetClientRect(wnd, &client);
    editor = CreateWindowExW(0, MSFTEDIT_CLASS, L"",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN |
                                 ES_AUTOVSCROLL | ES_DISABLENOSCROLL,
                             0, 0, client.right, client.bottom, wnd, nullptr, instance, nullptr);
    if (!editor) return 1;
    SendMessageW(editor, EM_EXLIMITTEXT, 0, 0x7FFFFFF0);
    LoadNote();

    notifyWindow = wnd;
    if (kDesignWindows) {
        WNDCLASSEXW notify{};
        notify.cbSize = sizeof notify;
        notify.lpfnWndProc = WindowProc;
        notify.hInstance = instance;
        notify.lpszClassName = L"BareNoteNotify";
        if (!RegisterClassExW(&notify)) return 1;
        notifyWindow = CreateWindowExW(WS_EX_TOOLWINDOW, notify.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, instance, nullptr);
        if (!notifyWindow) return 1;
    }
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = notifyWindow;
    nid.uID = kIconId;
    nid.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    nid.uCallbackMessage = kTrayMessage;
    nid.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(nid.szTip, L"Bare note", ARRAYSIZE(nid.szTip));
    if (!Shell_NotifyIconW(NIM_ADD, &nid)) {
        DestroyWindow(wnd);
        return 1;
    }
    if (kDesignWindows) {
        nid.uVersion = NOTIFYICON_VERSION;
        Shell_NotifyIconW(NIM_SETVERSION, &nid);
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
