#include "support/DialogProbe.h"

#include <vector>

namespace {

std::function<void(HWND)> gAction;
DWORD gDeadline = 0;

HWND VisibleDialogOfThisThread() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM param) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(wnd, name, 16);
            if (std::wstring(name) != L"#32770" || !IsWindowVisible(wnd)) return TRUE;
            *reinterpret_cast<HWND*>(param) = wnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs the action once the dialog shows, then stays as a watchdog: a dialog the action left
// open is cancelled at the deadline, so no test hangs on it.
void CALLBACK Poll(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = VisibleDialogOfThisThread();
    const bool late = GetTickCount() > gDeadline;
    if (dialog && gAction) {
        auto action = std::move(gAction);
        gAction = nullptr;
        gDeadline = GetTickCount() + 5000;
        action(dialog);
    } else if (dialog && late) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    } else if (!dialog && (!gAction || late)) {
        KillTimer(nullptr, id);
        gAction = nullptr;
    }
}

} // namespace

void WhenDialogOpens(std::function<void(HWND)> action) {
    gAction = std::move(action);
    gDeadline = GetTickCount() + 5000;
    SetTimer(nullptr, 0, 20, Poll);
}

namespace {

std::function<bool()> gStep;

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
    if (gStep && !gStep()) return;
    KillTimer(nullptr, id);
    gStep = nullptr;
}

} // namespace

void EachTickUntil(std::function<bool()> step) {
    gStep = std::move(step);
    SetTimer(nullptr, 0, 20, RunStep);
}

std::vector<HWND> ShownDialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM param) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(wnd, name, 16);
            if (std::wstring(name) == L"#32770" && IsWindowVisible(wnd))
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void PressDialogButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

bool ShowsControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowVisible(control);
}

std::vector<std::wstring> ComboItems(HWND dialog, int id) {
    std::vector<std::wstring> items;
    HWND combo = GetDlgItem(dialog, id);
    const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text(static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        text.resize(
            static_cast<size_t>(SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(text);
    }
    return items;
}
