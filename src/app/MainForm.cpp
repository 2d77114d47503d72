#include "app/MainForm.h"

#include "framework/Application.h"
#include "settings/SettingsForm.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TForm1";
    ApplyDesign();
}

TForm1::~TForm1() {
    if (Form1 == this) Form1 = nullptr;
}

TMenuItem* TForm1::AddMenuItem(TMenuItem* parent, const wchar_t* name, const wchar_t* caption, TShortCut shortcut) {
    auto* item = new TMenuItem(this);
    item->SetName(name);
    item->SetCaption(caption);
    item->SetShortCut(shortcut);
    parent->Add(item);
    return item;
}

TGlobalHotKey* TForm1::AddHotKey(const wchar_t* name, TShortCut key) {
    auto* hotKey = new TGlobalHotKey(this);
    hotKey->SetName(name);
    hotKey->SetHotKey(key);
    return hotKey;
}

void TForm1::ApplyDesign() {
    SetName(L"Form1");
    SetBounds(200, 200, 258, 233);
    SetBorderStyle(bsNone);
    SetCaption(L"Quillpad v1.6");
    SetClientWidth(258);
    SetClientHeight(233);
    SetColor(clHighlightText);
    SetAlphaBlend(true);
    SetAlphaBlendValue(150);
    SetTransparentColorValue(clInactiveBorder);
    Font()->SetName(L"MS Sans Serif");
    Font()->SetSize(8);
    SetVisible(true);
    OnCreate = [this](TObject* s) { FormCreate(s); };

    TrayIcon1 = new TTrayIcon(this);
    TrayIcon1->SetName(L"TrayIcon1");
    TrayIcon1->SetActive(true);
    TrayIcon1->SetIconIndex(-1);
    TrayIcon1->SetHint(L"Quillpad");
    // The menu is created after the icon; the reference is a plain store, resolved below.
    TrayIcon1->SetVisibility(tvAutoHide);
    TrayIcon1->OnClick = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        TrayIcon1MouseUp(s, b, sh, x, y);
    };

    PopupMenu1 = new TPopupMenu(this);
    PopupMenu1->SetName(L"PopupMenu1");
    PopupMenu1->SetAlignment(paRight);
    PopupMenu1->SetAnimateBottomToTop(true);
    TMenuItem* root = PopupMenu1->Items();
    Afficher1 = AddMenuItem(root, L"Afficher1", L"&Afficher", scCtrl | 'G');
    Cacher1 = AddMenuItem(root, L"Cacher1", L"&Masquer", scCtrl | 'H');
    AOT1 = AddMenuItem(root, L"AOT1", L"&Toujours Devant", scCtrl | 'O');
    AOT1->SetAutoCheck(true);
    N1 = AddMenuItem(root, L"N1", L"-");
    Enregistrer1 = AddMenuItem(root, L"Enregistrer1", L"Enregi&strer", scCtrl | 'S');
    Enregistrersous1 = AddMenuItem(root, L"Enregistrersous1", L"Enregistrer sous...", scCtrl | scAlt | 'S');
    Vider1 = AddMenuItem(root, L"Vider1", L"&Supprimer tout", scCtrl | VK_DELETE);
    N2 = AddMenuItem(root, L"N2", L"-");
    Parametres1 = AddMenuItem(root, L"Parametres1", L"Para&mètres...");
    APropos1 = AddMenuItem(root, L"APropos1", L"A Propos...");
    hyphen1 = AddMenuItem(root, L"hyphen1", L"-");
    Quitter1 = AddMenuItem(root, L"Quitter1", L"&Quitter", scCtrl | scAlt | 'X');
    Afficher1->OnClick = [this](TObject* s) { Afficher1Click(s); };
    Cacher1->OnClick = [this](TObject* s) { Cacher1Click(s); };
    AOT1->OnClick = [this](TObject* s) { AOT1Click(s); };
    Quitter1->OnClick = [this](TObject* s) { Quitter1Click(s); };
    Parametres1->OnClick = [this](TObject* s) { Parametres1Click(s); };

    // The note's own hot keys start inactive; the window switches them on while it is in use.
    HKSave = AddHotKey(L"HKSave", scCtrl | 'S');
    HKCfg = AddHotKey(L"HKCfg", scCtrl | 'P');
    HKSaveTo = AddHotKey(L"HKSaveTo", scCtrl | scAlt | 'S');
    HKAOT = AddHotKey(L"HKAOT", scCtrl | 'O');
    HKExit = AddHotKey(L"HKExit", scCtrl | scAlt | 'X');
    HKDel = AddHotKey(L"HKDel", scCtrl | VK_DELETE);
    HKShow = AddHotKey(L"HKShow", scCtrl | 'G');
    HKHide = AddHotKey(L"HKHide", scCtrl | 'H');
    HKCfg->OnHotKey = [this](TObject* s) { Parametres1Click(s); };
    HKAOT->OnHotKey = [this](TObject* s) { HKAOTHotKey(s); };
    HKExit->OnHotKey = [this](TObject* s) { HKExitHotKey(s); };
    HKShow->OnHotKey = [this](TObject* s) { Afficher1Click(s); };
    HKHide->OnHotKey = [this](TObject* s) { Cacher1Click(s); };

    // Registered at once with no key: accepted, never fires, and creates the window now.
    HKGlobal = new TGlobalHotKey(this);
    HKGlobal->SetName(L"HKGlobal");
    HKGlobal->SetActive(true);
    HKGlobal->SetHotKey(0);
    HKGlobal->OnHotKey = [this](TObject* s) { HKGlobalHotKey(s); };

    TrayIcon1->SetPopupMenu(PopupMenu1);
}

void TForm1::SetNoteHotKeysActive(bool active) {
    for (TGlobalHotKey* hotKey : {HKAOT, HKCfg, HKDel, HKExit, HKSave, HKSaveTo, HKShow, HKHide})
        hotKey->SetActive(active);
}

void TForm1::FormCreate(TObject*) { LoadParams(); }

void TForm1::ToggleNoteVisibility() {
    if (Visible()) {
        Hide();
        TrayIcon1->HideToTray();
    } else {
        TrayIcon1->RestoreFromTray();
        Show();
    }
}

void TForm1::TrayIcon1MouseUp(TObject*, TMouseButton button, TShiftState, int, int) {
    if (button == mbLeft) ToggleNoteVisibility();
}

void TForm1::Afficher1Click(TObject*) { Show(); }

void TForm1::Cacher1Click(TObject*) { Hide(); }

void TForm1::AOT1Click(TObject*) {
    SetWindowPos(Handle(), AOT1->Checked() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm1::Quitter1Click(TObject*) { Application->Terminate(); }

void TForm1::Parametres1Click(TObject*) { Fcfg->Show(); }

void TForm1::HKAOTHotKey(TObject*) {
    const bool wasOnTop = AOT1->Checked();
    SetWindowPos(Handle(), wasOnTop ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    AOT1->SetChecked(!wasOnTop);
}

void TForm1::HKExitHotKey(TObject*) { Application->Terminate(); }

void TForm1::HKGlobalHotKey(TObject*) { Application->BringToFront(); }
