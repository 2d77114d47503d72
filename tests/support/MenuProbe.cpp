#include "support/MenuProbe.h"

namespace {

std::function<void(HWND)> gAction;
DWORD gDeadline = 0;

void CALLBACK Poll(HWND, UINT, UINT_PTR id, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu && IsWindowVisible(menu)) {
        KillTimer(nullptr, id);
        auto action = std::move(gAction);
        gAction = nullptr;
        if (action) action(menu);
    } else if (GetTickCount() > gDeadline) {
        KillTimer(nullptr, id);
        EndMenu();
    }
}

} // namespace

void WhenMenuOpens(std::function<void(HWND)> action) {
    gAction = std::move(action);
    gDeadline = GetTickCount() + 5000;
    SetTimer(nullptr, 0, 20, Poll);
}

std::vector<TMenuLine> ReadMenu(HWND menuWindow) {
    std::vector<TMenuLine> lines;
    auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    UINT defaultPos = GetMenuDefaultItem(menu, TRUE, 0);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        TMenuLine line;
        wchar_t text[128] = {};
        GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        line.Text = text;
        line.Separator = (state & MF_SEPARATOR) != 0;
        line.Checked = (state & MF_CHECKED) != 0;
        line.Default = defaultPos == static_cast<UINT>(i);
        lines.push_back(line);
    }
    return lines;
}

void CloseOpenMenu() { EndMenu(); }

void ChooseByMnemonic(HWND menuWindow, wchar_t letter) { PostMessageW(menuWindow, WM_CHAR, letter, 0); }
