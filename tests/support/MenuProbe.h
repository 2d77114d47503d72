#pragma once
// Looks at a pop-up menu while it is on screen, from inside its modal loop.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct TMenuLine {
    std::wstring Text; // caption, a tab, then the shortcut text
    bool Separator = false;
    bool Checked = false;
    bool Default = false;
};

// Arranges for `action` to run once a pop-up menu window is visible; the action should close
// the menu (CloseOpenMenu or ChooseByMnemonic), or it is closed after a few seconds.
void WhenMenuOpens(std::function<void(HWND menuWindow)> action);
std::vector<TMenuLine> ReadMenu(HWND menuWindow);
void CloseOpenMenu();
// Types the mnemonic letter, which chooses that item and closes the menu.
void ChooseByMnemonic(HWND menuWindow, wchar_t letter);
