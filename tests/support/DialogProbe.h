#pragma once
// Drives a modal dialog of this thread from inside its own message loop.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Arranges for `action` to run once a dialog box of this thread is visible; the action should
// close it (PressDialogButton). A dialog still open after a few seconds is cancelled.
void WhenDialogOpens(std::function<void(HWND dialog)> action);
// Clicks a push button of the dialog, as the mouse would (IDOK, IDCANCEL, ...).
void PressDialogButton(HWND dialog, int id);
// A control of the dialog that is there and shown.
bool ShowsControl(HWND dialog, int id);
// The texts of a combo box's list.
std::vector<std::wstring> ComboItems(HWND dialog, int id);
// Runs `step` every 20 ms from inside whatever loop the thread runs (a modal dialog's, a menu's)
// until it returns true.
void EachTickUntil(std::function<bool()> step);
// The dialog boxes of this thread that are on screen, most recent first.
std::vector<HWND> ShownDialogs();
