#include "versions/VersionsForm.h"

#include "app/MemoNote.h"
#include "framework/AccessibleName.h"
#include "framework/Application.h"
#include "framework/Shell.h"
#include "framework/SystemError.h"
#include "note/NoteFiles.h"
#include "note/NoteLoad.h"

TFVersions* FVersions = nullptr;

namespace {

constexpr UINT kPreviewDelay = 120; // ms: about the pause between two presses of a held arrow key

} // namespace

std::function<void(const std::wstring& folder)> TFVersions::OpenFolder = [](const std::wstring& folder) {
    ShellOpen(nullptr, folder);
};

TFVersions::TFVersions(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TFVersions";
    ApplyDesign();
}

TFVersions::~TFVersions() {
    if (FVersions == this) FVersions = nullptr;
}

template <class T> T* TFVersions::Add(const wchar_t* name, int left, int top, int width, int height) {
    auto* control = new T(this);
    control->SetName(name);
    control->SetParent(this);
    control->SetBounds(left, top, width, height);
    return control;
}

void TFVersions::ApplyDesign() {
    SetName(L"FVersions");
    SetBorderStyle(bsDialog);
    SetCaption(L"Versions précédentes");
    SetClientWidth(560);
    SetClientHeight(400);
    SetPosition(poScreenCenter);
    Font()->SetName(L"MS Sans Serif");
    Font()->SetHeight(-11);

    // In the Tab order as they are made: the list, the preview, then the buttons.
    List = Add<TListView>(L"List", 8, 8, 544, 150);
    List->AddColumn(L"Date", 104);
    List->AddColumn(L"Ordinateur", 120);
    List->AddColumn(L"Taille", 56);
    List->AddColumn(L"Début du texte", 240);
    SetAccessibleName(*List, L"Versions précédentes");
    List->OnSelect = [this](TObject*) { SelectionMoved(); };
    List->OnDblClick = [this](TObject* s) { RestaurerClick(s); };

    Preview = Add<TRichEditEx>(L"Preview", 8, 166, 544, 192);
    Preview->SetScrollBars(ssVertical);
    SetAccessibleName(*Preview, L"Aperçu de la version");
    // Read only, the preview leaves Tab, Enter and Escape to the dialog.
    Preview->WindowProc = [this, inherited = Preview->WindowProc](TMessage& m) {
        inherited(m);
        if (m.Msg == WM_GETDLGCODE) m.Result &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    };
    FPreviewNote = std::make_unique<TMemoNote>(*Preview);

    Restaurer = Add<TButton>(L"Restaurer", 8, 367, 90, 25);
    Restaurer->SetCaption(L"Restaurer");
    Restaurer->SetDefault(true);
    Restaurer->OnClick = [this](TObject* s) { RestaurerClick(s); };
    OuvrirDossier = Add<TButton>(L"OuvrirDossier", 106, 367, 120, 25);
    OuvrirDossier->SetCaption(L"Ouvrir le dossier");
    OuvrirDossier->OnClick = [this](TObject* s) { OuvrirDossierClick(s); };
    Fermer = Add<TButton>(L"Fermer", 462, 367, 90, 25);
    Fermer->SetCaption(L"Fermer");
    Fermer->SetCancel(true);
    Fermer->OnClick = [this](TObject*) { SetModalResult(mrCancel); };

    PreviewWait = new TTimer(this);
    PreviewWait->SetName(L"PreviewWait");
    PreviewWait->SetEnabled(false);
    PreviewWait->SetInterval(kPreviewDelay);
    PreviewWait->OnTimer = [this](TObject*) {
        PreviewWait->SetEnabled(false);
        ShowSelected();
    };

    OnShow = [this](TObject*) {
        if (Application) ShowWindow(Application->Handle(), SW_HIDE);
        // Each opening starts on the list, on the newest version.
        List->SetFocus();
    };
}

void TFVersions::WndProc(TMessage& m) {
    // The list tells its parent; it raises its own events.
    if (m.Msg == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
        if (auto* list = dynamic_cast<TListView*>(TWinControl::FromHandle(header->hwndFrom))) {
            m.Result = list->Perform(CN_NOTIFY, m.WParam, m.LParam);
            return;
        }
    }
    TForm::WndProc(m);
}

TModalResult TFVersions::ShowFor(const std::wstring& note, TRestore restore) {
    FNote = note;
    FRestore = std::move(restore);
    HandleNeeded();
    Preview->Perform(EM_SETREADONLY, TRUE);
    Fill();
    const TModalResult result = ShowModal();
    PreviewWait->SetEnabled(false);
    // A preview of a long note is not kept while the dialog is hidden.
    ShowInPreview(L"");
    FRestore = nullptr;
    return result;
}

void TFVersions::Fill() {
    FLines = VersionLines(FileCalls(), FNote);
    List->Clear();
    Restaurer->SetEnabled(!FLines.empty());
    if (FLines.empty()) {
        List->AddItem({kNoVersions});
        List->FitFirstColumn();
        List->SetItemIndex(0);
        return;
    }
    for (const TVersionLine& line : FLines)
        List->AddItem({line.Date, line.Computer, line.Size, line.Start});
    List->SetItemIndex(0);
}

void TFVersions::ShowInPreview(const std::wstring& text) {
    TRichEditEx::TQuiet quiet(*Preview);
    Preview->Clear();
    if (!text.empty()) Preview->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TFVersions::SelectionMoved() {
    // Nothing of the version passed shows meanwhile, so what shows is always the selected one.
    ShowInPreview(L"");
    PreviewWait->SetEnabled(false);
    PreviewWait->SetEnabled(true);
}

void TFVersions::ShowSelected() {
    const int index = List->ItemIndex();
    if (index < 0 || static_cast<size_t>(index) >= FLines.size()) {
        ShowInPreview(L"");
        return;
    }
    std::string bytes;
    if (ReadWhole(FileCalls(), FLines[index].Version.Path, bytes) != 0) {
        ShowInPreview(kNoPreview);
        return;
    }
    // Emptied first, so the load keeps nothing of the previous version to put back.
    ShowInPreview(L"");
    Preview->Perform(EM_SETREADONLY, FALSE);
    const TLoadResult loaded = LoadIntoEditor(*FPreviewNote, bytes, lkWhole);
    Preview->Perform(EM_SETREADONLY, TRUE);
    if (!loaded.Loaded) {
        ShowInPreview(kNoPreview);
        return;
    }
    Preview->Select(0, 0);
    Preview->Perform(WM_VSCROLL, SB_TOP);
}

void TFVersions::RestaurerClick(TObject*) {
    const int index = List->ItemIndex();
    if (!FRestore || index < 0 || static_cast<size_t>(index) >= FLines.size()) return;
    const TVersionLine& line = FLines[index];
    std::string bytes;
    if (const DWORD error = ReadWhole(FileCalls(), line.Version.Path, bytes)) {
        Application->HandleException(this, L"La version du " + line.Date + L" n'a pas pu être lue :\r\n" +
                                               SystemErrorText(error) + L"\r\nLa note n'a pas été modifiée.");
        return;
    }
    if (const std::wstring why = FRestore(bytes); !why.empty()) {
        Application->HandleException(this, L"La version du " + line.Date +
                                               L" n'a pas pu être remise dans la note :\r\n" + why +
                                               L"\r\nLa note n'a pas été modifiée.");
        return;
    }
    SetModalResult(mrOk);
}

void TFVersions::OuvrirDossierClick(TObject*) {
    // Before the first version the folder is not there yet: the note's own folder instead.
    const std::wstring versions = VersionsFolder(FNote);
    const DWORD attributes = GetFileAttributesW(versions.c_str());
    OpenFolder(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                   ? versions
                   : FolderOf(FNote));
}
