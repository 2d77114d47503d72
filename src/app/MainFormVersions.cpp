#include "app/MainForm.h"

#include "framework/Application.h"
#include "note/NoteLoad.h"
#include "note/NotePaths.h"
#include "versions/VersionsForm.h"

void TForm1::Versions1Click(TObject*) {
    if (!FDesk) return;
    if (!FVersions) Application->CreateForm(FVersions);
    if (!FVersions) return;
    if (FVersions->Visible()) {
        SetForegroundWindow(FVersions->Handle());
        return;
    }
    TNoteUnblock unblock{*this};
    const std::wstring note = DocumentPath();
    if (FVersions->ShowFor(note, [this](const std::string& bytes) { return RestoreVersion(bytes); }) != mrOk)
        return;
    // The user wants to see what came back.
    if (!Visible()) {
        TrayIcon1->RestoreFromTray();
        Show();
    }
    SetForegroundWindow(Handle());
    Memo1->SetFocus();
}

std::wstring TForm1::RestoreVersion(const std::string& bytes) {
    // A box of the keeper's is on screen: it decides about the note first.
    if (!FDesk || FDesk->Telling()) return L"la note est occupée, réessayez dans un instant.";
    // What was typed since the last save goes to the file first, so the version made of the file
    // below holds the note as the user had it.
    FDesk->Save();
    if (FDesk->Telling()) return L"la note est occupée, réessayez dans un instant.";
    const TLoadResult loaded = LoadIntoEditor(*FMemoNote, bytes, lkReplace);
    if (!loaded.Loaded) return L"l'éditeur n'a pas accepté son contenu.";
    // The note as it was before the restoring is itself kept as a version, so the way back is
    // never one way; then the restored text is saved as any edit is.
    FDesk->KeepVersionBeforeNextWrite();
    FDesk->Edited();
    return {};
}
