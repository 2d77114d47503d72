#include "app/MainForm.h"

#include "framework/Application.h"
#include "framework/Dialogs.h"
#include "framework/Shell.h"
#include "note/NoteFiles.h"
#include "note/NotePaths.h"

void TForm1::OpenMemo() {
    // The note's window is made here, once, with the border and scroll bars of the settings.
    Memo1->HandleNeeded();
    FMemoNote = std::make_unique<TMemoNote>(*Memo1);
    FDeskWake = new TTimer(this);
    FDeskWake->SetName(L"DeskWake");
    FDeskWake->SetEnabled(false);
    FDeskWake->OnTimer = [this](TObject*) {
        FDeskWake->SetEnabled(false);
        FDesk->Wake();
    };
    FDesk = std::make_unique<TNoteDesk>(ProgramNotePlace(), *FMemoNote, static_cast<TNoteTeller&>(*this),
                                        SystemClock());
    FDesk->SetSaveOnChange(FSaveOnChange);
    FDesk->Open();
    Memo1->LimitText(0x7FFFFFF0);
}

void TForm1::SetSaveOnChange(bool on) {
    FSaveOnChange = on;
    if (FDesk) FDesk->SetSaveOnChange(on);
}

void TForm1::Enregistrer1Click(TObject*) {
    if (FDesk) FDesk->Save();
}

void TForm1::Memo1Change(TObject*) {
    if (FDesk && !FMemoNote->Loading()) FDesk->Edited();
}

void TForm1::Box(const std::wstring& text) {
    Application->HandleException(this, text);
}

void TForm1::Balloon(const std::wstring& text, const std::wstring& open) {
    NoteBalloon(text, open);
}

bool TForm1::Ask(const std::wstring& text, const std::wstring& caption) {
    return AskYesNo(Handle(), text, caption);
}

void TForm1::WakeAt(ULONGLONG when) {
    FDeskWake->SetEnabled(false);
    if (!when) return;
    const ULONGLONG now = SystemClock().Now();
    FDeskWake->SetInterval(when > now ? static_cast<UINT>(std::min<ULONGLONG>(when - now, 0x7FFFFFFF)) : 1);
    FDeskWake->SetEnabled(true);
}

void TForm1::NoteBalloon(const std::wstring& text, const std::wstring& file) {
    FBalloonFile = file;
    if (TrayIcon1->Active()) TrayIcon1->ShowBalloon(Application->Title(), text, bkInformation, 10000);
}

void TForm1::WatchStoredNote() {
    TrayIcon1->OnBalloonClick = [this](TObject*) {
        if (!FBalloonFile.empty()) ShellOpen(Handle(), FBalloonFile);
    };
    FWatch = std::make_unique<TFolderWatch>(FolderOf(DocumentPath()));
    if (HANDLE change = FWatch->Handle())
        FNoteWait = Application->AddWait(
            change, [this] { StoredNoteSignalled(); },
            [this] {
                FNoteWait = 0;
                FDesk->WatchLost();
            });
    else
        FDesk->WatchLost();
}

void TForm1::StoredNoteSignalled() {
    if (!FWatch->Rearm()) {
        Application->RemoveWait(FNoteWait);
        FNoteWait = 0;
        FDesk->WatchLost();
        return;
    }
    FDesk->FolderChanged();
}

// Clearing is one edit that Undo takes back, also after the empty note has been saved: one slip
// of the hand on Ctrl+Del must not lose the note.
void TForm1::Vider1Click(TObject*) {
    if (AskYesNo(Handle(), L"Êtes vous sûr de vouloir tout supprimer?", L"Tout Supprimer ?"))
        Memo1->ClearUndoable();
}

void TForm1::HKDelHotKey(TObject*) {
    Memo1->ClearUndoable();
}

void TForm1::FormDestroy(TObject*) {
    if (FHandingOver || !FDesk) return; // the note is the running instance's
    if (FNoteWait) Application->RemoveWait(FNoteWait);
    FNoteWait = 0;
    FDesk->Leave();
}
