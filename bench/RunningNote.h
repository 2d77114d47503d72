#pragma once
// The whole program started in the bench's own process, as quillpad.exe starts it, and keys
// typed into its note as the keyboard would type them.
#include "app/MainForm.h"
#include "app/Program.h"
#include "framework/Application.h"

#include <windows.h>

// Creates the program's windows as its start does and shows the note from the tray.
inline void StartProgramWithNoteShown(TApplication& app) {
    app.Initialize();
    app.SetTitle(L"Quillpad");
    CreateForms(app);
    SendMessageW(Form1->TrayIcon1->NotifyWindow(), TTrayIcon::WM_TRAYNOTIFY, 1,
                 WM_LBUTTONUP); // show the note
    app.ProcessMessages();
}

// Posts a WM_KEYDOWN or WM_KEYUP to the note's editor with the flags a real key carries.
inline void PostKeyToEditor(UINT message, WORD key) {
    const UINT scan = MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    LPARAM lParam = 1 | (static_cast<LPARAM>(scan) << 16);
    if (message == WM_KEYUP) lParam |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
    PostMessageW(Form1->Memo1->Handle(), message, key, lParam);
}
