#include "app/MainForm.h"

#include "about/AboutForm.h"
#include "about/CreditForm.h"
#include "framework/AccessibleName.h"
#include "framework/Application.h"
#include "framework/Shell.h"
#include "settings/SettingsForm.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TForm1";
    ApplyDesign();
}

TForm1::~TForm1() {
    if (FNoteWait && Application) Application->RemoveWait(FNoteWait);
    if (Form1 == this) Form1 = nullptr;
}

TMenuItem* TForm1::AddMenuItem(TMenuItem* parent, const wchar_t* name, const wchar_t* caption,
                               TShortCut shortcut) {
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
    OnShow = OnActivate = [this](TObject* s) { FormShow(s); };
    OnHide = OnDeactivate = [this](TObject* s) { FormHide(s); };
    OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        FormMouseDown(s, b, sh, x, y);
    };
    OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { FormMouseMove(s, sh, x, y); };
    OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        FormMouseUp(s, b, sh, x, y);
    };
    OnResize = [this](TObject* s) { FormResize(s); };
    OnMouseWheel = [this](TObject* s, TShiftState sh, int d, POINT p, bool& h) {
        FormMouseWheel(s, sh, d, p, h);
    };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
    // The window's own message handler: link notifications first, then the inherited handling.
    WindowProc = [this, inherited = WindowProc](TMessage& m) {
        HandleLinkNotification(m);
        inherited(m);
        if (m.Msg == WM_ENTERSIZEMOVE || m.Msg == WM_EXITSIZEMOVE) SizeMoveLoop(m.Msg == WM_ENTERSIZEMOVE);
    };

    Memo1 = new TRichEditEx(this);
    Memo1->SetName(L"Memo1");
    Memo1->SetParent(this);
    Memo1->SetAlign(alClient);
    SetAccessibleName(*Memo1, L"Note");
    Memo1->OnMouseDown = OnMouseDown;
    Memo1->OnMouseMove = OnMouseMove;
    Memo1->OnMouseUp = OnMouseUp;
    Memo1->OnMouseEnter = [this](TObject* s) { Memo1MouseEnter(s); };
    Memo1->OnMouseLeave = [this](TObject* s) { Memo1MouseLeave(s); };
    Memo1->OnChange = [this](TObject* s) { Memo1Change(s); };

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
    Versions1 = AddMenuItem(root, L"Versions1", L"&Versions précédentes...");
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
    APropos1->OnClick = [this](TObject* s) { APropos1Click(s); };
    Enregistrer1->OnClick = [this](TObject* s) { Enregistrer1Click(s); };
    Enregistrersous1->OnClick = [this](TObject* s) { HKSaveToHotKey(s); };
    Vider1->OnClick = [this](TObject* s) { Vider1Click(s); };
    Versions1->OnClick = [this](TObject* s) { Versions1Click(s); };

    // Title bar shown, window unclipped; the settings may hide the title bar.
    FormShaper1 = new TFormShaper(this);
    FormShaper1->SetName(L"FormShaper1");
    FormShaper1->SetEnable(false);
    FormShaper1->SetAutoSize(false);

    Timer1 = new TTimer(this);
    Timer1->SetName(L"Timer1");
    Timer1->SetInterval(60000);
    Timer1->SetEnabled(true);
    Timer1->OnTimer = [this](TObject*) {
        if (FDesk) FDesk->Tick();
    };

    // The note's own hot keys start inactive; the window switches them on while it is in use.
    HKSave = AddHotKey(L"HKSave", scCtrl | 'S');
    HKCfg = AddHotKey(L"HKCfg", scCtrl | 'P');
    HKSaveTo = AddHotKey(L"HKSaveTo", scCtrl | scAlt | 'S');
    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName(L"SaveDialog1");
    SaveDialog1->SetTitle(L"Enregistrer sous...");
    SaveDialog1->SetFilter(L"Fichier Texte (*.txt)| *.txt|Tous les fichiers (*.*)| *.*");
    SaveDialog1->SetDefaultExt(L"txt");
    SaveDialog1->SetOptions(sdOverwritePrompt);
    HKAOT = AddHotKey(L"HKAOT", scCtrl | 'O');
    HKExit = AddHotKey(L"HKExit", scCtrl | scAlt | 'X');
    HKDel = AddHotKey(L"HKDel", scCtrl | VK_DELETE);
    CreateEditorCommands();
    HKShow = AddHotKey(L"HKShow", scCtrl | 'G');
    HKHide = AddHotKey(L"HKHide", scCtrl | 'H');
    HKSave->OnHotKey = [this](TObject* s) { HKSaveHotKey(s); };
    HKCfg->OnHotKey = [this](TObject* s) { Parametres1Click(s); };
    HKSaveTo->OnHotKey = [this](TObject* s) { HKSaveToHotKey(s); };
    HKDel->OnHotKey = [this](TObject* s) { HKDelHotKey(s); };
    HKAOT->OnHotKey = [this](TObject* s) { HKAOTHotKey(s); };
    HKExit->OnHotKey = [this](TObject* s) { HKExitHotKey(s); };
    HKShow->OnHotKey = [this](TObject* s) { Afficher1Click(s); };
    HKHide->OnHotKey = [this](TObject* s) { Cacher1Click(s); };

    UnPas22 = new TUnPas2(this);
    UnPas22->SetName(L"UnPas22");
    UnPas22->SetStopSiDejaLance(true);
    UnPas22->OnDejaLance = [this](TObject* s) { UnPas22DejaLance(s); };
    UnPas22->OnRelance = [this](TObject* s) { UnPas22Relance(s); };

    // Registered with no key: accepted and never fires. The window it is registered for is made
    // once the settings have given it its border and the editor its scroll bars.
    HKGlobal = new TGlobalHotKey(this);
    HKGlobal->SetName(L"HKGlobal");
    HKGlobal->SetActive(true);
    HKGlobal->SetHotKey(0);
    HKGlobal->OnHotKey = [this](TObject* s) { HKGlobalHotKey(s); };

    TrayIcon1->SetPopupMenu(PopupMenu1);
    Memo1->SetPopupMenu(PopupMenu2);
}

void TForm1::SetNoteHotKeysActive(bool active) {
    for (TGlobalHotKey* hotKey : {HKAOT, HKCfg, HKDel, HKExit, HKSave, HKSaveTo, HKShow, HKHide})
        hotKey->SetActive(active);
}

void TForm1::FormCreate(TObject*) {
    if (FHandingOver) {
        // The running instance keeps the note: this one shows nothing, saves nothing and ends.
        SetVisible(false);
        TrayIcon1->SetActive(false);
        Timer1->SetEnabled(false);
        return;
    }
    FDragging = false;
    LoadParams();
    OpenMemo();
    {
        // The default font at the insertion point is not an edit of the note.
        TRichEditEx::TQuiet quiet(*Memo1);
        Memo1->SetSelAttributes(
            {FDefaultFont->Name(), FDefaultFont->Size(), FDefaultFont->Color(), FDefaultFont->Style()});
    }
    Memo1->SetModified(false);
    WatchStoredNote();
}

void TForm1::UnPas22DejaLance(TObject*) {
    FHandingOver = UnPas22->StopSiDejaLance();
}

void TForm1::UnPas22Relance(TObject*) {
    // The program was started again: the user is looking for the note, which mostly sits in the
    // tray. It comes up as a click on the tray icon brings it.
    if (!Visible() || Application->IsMinimized()) {
        TrayIcon1->RestoreFromTray();
        Show();
    }
    // The note comes to the front, or the dialog it waits for when one is open over it.
    if (IsWindowEnabled(Handle()))
        SetForegroundWindow(Handle());
    else
        Application->BringToFront();
}

void TForm1::FormShow(TObject*) {
    SetNoteHotKeysActive(true);
    // The user sees the note: the next reload or merge is said again.
    if (FDesk) FDesk->Shown();
    ShowWindow(Application->Handle(), SW_HIDE); // no taskbar button for the note
    if (FAbout && FAbout->Modal()) {
        // Shown while the About dialog waits (by the global key, say): blocked as the dialog
        // blocked the windows that were on screen, and the dialog (or its credits) stays in front.
        EnableWindow(Handle(), FALSE);
        SetForegroundWindow((FCredit && FCredit->Modal() ? static_cast<TForm*>(FCredit) : FAbout)->Handle());
    } else {
        Memo1->SetFocus();
    }
    Hypertext();
}

void TForm1::FormHide(TObject*) {
    SetNoteHotKeysActive(false);
}

void TForm1::Hypertext() {
    Memo1->DetectLinks();
}

void TForm1::Memo1MouseEnter(TObject*) {
    SetNoteHotKeysActive(true);
    if (TransparentColor()) {
        // The background shows while the pointer is over the note.
        BringWindowToTop(Handle());
        FBgTransparent = true;
        SetTransparentColor(false);
    }
}

void TForm1::Memo1MouseLeave(TObject*) {
    // While the user works in the note its keys stay on; they go off with the pointer only
    // when the note is not the active window.
    if (!Active()) SetNoteHotKeysActive(false);
    if (FBgTransparent) SetTransparentColor(true);
}

void TForm1::FormMouseDown(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    if (shift & ssCtrl) {
        if (button == mbLeft) {
            GetCursorPos(&FDragCursor);
            FDragOrigin = {Left(), Top()};
            FDragging = true;
        } else if (button == mbRight) {
            PopupMenu1->Popup(Left() + x, Top() + y);
        }
    }
    if (button == mbMiddle) ToggleNoteVisibility();
}

void TForm1::FormMouseMove(TObject*, TShiftState, int, int) {
    if (!FDragging) return;
    POINT cursor;
    GetCursorPos(&cursor);
    SetLeft(cursor.x - FDragCursor.x + FDragOrigin.Left);
    GetCursorPos(&cursor);
    SetTop(cursor.y - FDragCursor.y + FDragOrigin.Top);
}

void TForm1::FormMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    FDragging = false;
    WritePosition();
}

void TForm1::FormResize(TObject*) {
    if (!FLoadingParams) WriteGeometry();
}

void TForm1::FormMouseWheel(TObject*, TShiftState, int wheelDelta, POINT, bool& handled) {
    Memo1->ScrollLines(wheelDelta <= 0 ? 1 : -1);
    handled = true;
}

void TForm1::FormClose(TObject*, TCloseAction& action) {
    if (!FMinimizeOnClose) return; // closing the main form ends the program
    action = caNone;
    Hide();
}

void TForm1::HandleLinkNotification(const TMessage& m) {
    if (m.Msg != WM_NOTIFY || reinterpret_cast<const NMHDR*>(m.LParam)->code != EN_LINK) return;
    const ENLINK link = *reinterpret_cast<const ENLINK*>(m.LParam);
    if (link.msg != WM_LBUTTONDOWN) return;
    try {
        Memo1->Select(link.chrg.cpMin, link.chrg.cpMax);
        ShellOpen(Handle(), Memo1->SelText());
    } catch (...) {
        // A link that cannot be opened is not worth a message.
    }
}

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

void TForm1::Afficher1Click(TObject*) {
    Show();
}

void TForm1::Cacher1Click(TObject*) {
    Hide();
}

void TForm1::AOT1Click(TObject*) {
    SetStayOnTop(AOT1->Checked());
}

void TForm1::Quitter1Click(TObject*) {
    Application->Terminate();
}

void TForm1::Parametres1Click(TObject*) {
    Fcfg->Show();
}

void TForm1::HKAOTHotKey(TObject*) {
    const bool wasOnTop = AOT1->Checked();
    SetStayOnTop(!wasOnTop);
    AOT1->SetChecked(!wasOnTop);
}

void TForm1::HKExitHotKey(TObject*) {
    Application->Terminate();
}

void TForm1::HKGlobalHotKey(TObject*) {
    if (Visible()) {
        Application->BringToFront();
        return;
    }
    // The key is there to bring the note up from anywhere, and a tray note is mostly hidden.
    TrayIcon1->RestoreFromTray();
    Show();
    if (IsWindowEnabled(Handle())) SetForegroundWindow(Handle());
}

void TForm1::ShowAboutModal() {
    APropos1Click(nullptr);
}
