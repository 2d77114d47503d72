#include "settings/SettingsForm.h"

#include "components/GlobalHotKey.h"
#include "components/KeyboardLayouts.h"
#include "framework/AccessibleName.h"
#include "framework/Application.h"
#include "framework/RichEditEx.h"
#include "framework/Timer.h"
#include "settings/LogonStart.h"
#include "settings/NoteSettings.h"
#include "settings/SettingsFile.h"

#include <oleacc.h>

TFcfg* Fcfg = nullptr;

namespace {

constexpr int kMinute = 60000; // ms

// What the hot-key field says when its combination is not the global hot key.
constexpr const wchar_t* kGlobalRefused = L"Raccourci inactif : un autre programme utilise\r\n"
                                          L"déjà cette combinaison. Tapez-en une autre.";
constexpr const wchar_t* kGlobalIsTyping = L"Raccourci non retenu : cette touche sert à la frappe.\r\n"
                                           L"Ajoutez Ctrl ou Alt, ou choisissez une touche F1 à F24.";

// Where AltGr is Ctrl+Alt, the combination types `character` on one of the user's keyboards.
std::wstring GlobalIsAltGrText(const std::wstring& character) {
    return L"Raccourci non retenu : cette combinaison donne « " + character +
           L" » au clavier.\r\nChoisissez-en une autre.";
}

} // namespace

TFcfg::TFcfg(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TFcfg";
    ApplyDesign();
}

TFcfg::~TFcfg() {
    if (Fcfg == this) Fcfg = nullptr;
}

std::wstring TFcfg::MinutesText(int minutes) {
    return std::to_wstring(minutes) + (minutes == 1 ? L" minute" : L" minutes");
}

template <class T>
T* TFcfg::Add(TWinControl* parent, const wchar_t* name, int left, int top, int width, int height) {
    auto* control = new T(this);
    control->SetName(name);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

TCheckBox* TFcfg::AddCheckBox(TWinControl* parent, const wchar_t* name, int top, const wchar_t* caption) {
    auto* box = Add<TCheckBox>(parent, name, 8, top, 256, 17);
    box->SetCaption(caption);
    return box;
}

void TFcfg::ApplyDesign() {
    SetName(L"Fcfg");
    SetBorderStyle(bsDialog);
    SetCaption(L"Paramètres");
    SetClientWidth(288);
    SetClientHeight(376);
    SetPosition(poScreenCenter);
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };

    GroupBox1 = Add<TGroupBox>(this, L"GroupBox1", 8, 4, 272, 168);
    GroupBox1->SetCaption(L"Apparence");
    Label1 = Add<TLabel>(GroupBox1, L"Label1", 8, 16, 256, 26);
    Label1->SetAutoSize(false);
    Label1->SetAlignment(taCenter);
    Label1->SetCaption(L"Valeur de transparence :\r\n(0 : transparent => 255 : opaque)");
    AScroll = Add<TScrollBar>(GroupBox1, L"AScroll", 8, 45, 218, 17);
    AScroll->SetParams(0, 0, 255);
    AScroll->SetSmallChange(5);
    AScroll->SetLargeChange(10);
    AScroll->OnChange = [this](TObject* s) { AScrollChange(s); };
    SetAccessibleName(*AScroll, Label1->Caption());
    Aval = Add<TLabel>(GroupBox1, L"Aval", 232, 47, 32, 13);
    Aval->SetCaption(L"0");
    Aval->SetEnabled(false);
    CTitle = AddCheckBox(GroupBox1, L"CTitle", 68, L"Afficher la barre de titre");
    CTitle->OnClick = [this](TObject* s) { CTitleClick(s); };
    CClose = AddCheckBox(GroupBox1, L"CClose", 86, L"Minimiser au lieu de fermer");
    CClose->OnClick = [this](TObject* s) { CCloseClick(s); };
    CBorder = AddCheckBox(GroupBox1, L"CBorder", 104, L"Afficher la bordure");
    CBorder->OnClick = [this](TObject* s) { CBorderClick(s); };
    CScrolBar = AddCheckBox(GroupBox1, L"CScrolBar", 122, L"Afficher la barre de défilement");
    CScrolBar->OnClick = [this](TObject* s) { CScrolBarClick(s); };
    CBgTrans = AddCheckBox(GroupBox1, L"CBgTrans", 142, L"Fond Transparent");
    CBgTrans->SetWidth(118);
    CBgTrans->OnClick = [this](TObject* s) { CBgTransClick(s); };
    Label2 = Add<TLabel>(GroupBox1, L"Label2", 126, 145, 110, 13);
    Label2->SetAutoSize(false);
    Label2->SetAlignment(taRightJustify);
    Label2->SetCaption(L"Couleur de fond : ");
    Shape1 = new TShape(this);
    Shape1->SetName(L"Shape1");
    Shape1->SetParent(GroupBox1);
    Shape1->SetBounds(240, 141, 20, 20);
    Shape1->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Shape1MouseUp(s, b, sh, x, y);
    };
    Shape1Key = new TFocusStandIn(this, Shape1);
    Shape1Key->SetName(L"Shape1Key");
    SetAccessibleName(*Shape1Key, Label2->Caption());
    SetAccessibleRole(*Shape1Key, ROLE_SYSTEM_PUSHBUTTON);
    Shape1Key->OnActivate = [this](TObject* s) { Shape1MouseUp(s, mbLeft, {}, 0, 0); };

    GroupBox2 = Add<TGroupBox>(this, L"GroupBox2", 8, 178, 272, 86);
    GroupBox2->SetCaption(L"Enregistrement");
    CEnreg = AddCheckBox(GroupBox2, L"CEnreg", 16, L"Enregistrement Régulier");
    CEnreg->OnClick = [this](TObject* s) { CEnregClick(s); };
    SIntervalle = Add<TScrollBar>(GroupBox2, L"SIntervalle", 8, 38, 180, 17);
    SIntervalle->SetParams(1, 1, 60);
    SIntervalle->SetLargeChange(5);
    SIntervalle->SetEnabled(false);
    SIntervalle->OnChange = [this](TObject* s) { SIntervalleChange(s); };
    // No label of its own: it sets the interval of the check box above it.
    SetAccessibleName(*SIntervalle, L"Intervalle de l'enregistrement régulier");
    LIntervalle = Add<TLabel>(GroupBox2, L"LIntervalle", 194, 40, 70, 13);
    LIntervalle->SetCaption(MinutesText(1));
    LIntervalle->SetEnabled(false);
    CAutoSave = AddCheckBox(GroupBox2, L"CAutoSave", 60, L"Enregistrer à chaque modification");
    CAutoSave->OnClick = [this](TObject* s) { CAutoSaveClick(s); };

    Label3 = Add<TLabel>(this, L"Label3", 8, 276, 140, 13);
    Label3->SetCaption(L"Touche de Raccourci Global");
    EGlobal = Add<THotKeyEdit>(this, L"EGlobal", 170, 272, 110, 21);
    EGlobal->SetShortcut(0);
    EGlobal->SetHint(
        L"Tapez la combinaison de touches que vous\r\ndésirez utilisez en tant que Raccourci global");
    EGlobal->SetShowHint(true);
    EGlobal->OnChange = [this](TObject* s) { EGlobalChange(s); };
    EGlobal->OnKeyUp = [this](TObject* s, WORD& k, TShiftState sh) { EGlobalKeyUp(s, k, sh); };
    Label3->SetFocusControl(EGlobal);
    SetAccessibleName(*EGlobal, Label3->Caption());
    CRun = Add<TCheckBox>(this, L"CRun", 8, 300, 272, 17);
    CRun->SetCaption(L"Lancer au démarrage");
    CRun->OnClick = [this](TObject* s) { CRunClick(s); };
    CStartShow = Add<TCheckBox>(this, L"CStartShow", 8, 318, 272, 17);
    CStartShow->SetCaption(L"Ouvert au démarrage");
    CStartShow->OnClick = [this](TObject* s) { CStartShowClick(s); };

    Button1 = Add<TButton>(this, L"Button1", 8, 343, 84, 25);
    Button1->SetCaption(L"OK");
    Button1->SetDefault(true);
    Button1->OnClick = [this](TObject* s) { Button1Click(s); };
    Button2 = Add<TButton>(this, L"Button2", 102, 343, 84, 25);
    Button2->SetCaption(L"A Propos");
    Button2->OnClick = [this](TObject* s) { Button2Click(s); };
    Button3 = Add<TButton>(this, L"Button3", 196, 343, 84, 25);
    Button3->SetCaption(L"Police");
    Button3->OnClick = [this](TObject* s) { Button3Click(s); };

    FontDialog1 = new TFontDialog(this);
    FontDialog1->SetName(L"FontDialog1");
    FontDialog1->SetOptions(fdTrueTypeOnly | fdEffects);
    ColorDialog1 = new TColorDialog(this);
    ColorDialog1->SetName(L"ColorDialog1");
    ColorDialog1->SetOptions(cdFullOpen | cdSolidColor);
    ColorDialog1->SetColor(clWhite);
}

TNoteSettings& TFcfg::Note() const {
    auto* note = Application ? dynamic_cast<TNoteSettings*>(Application->MainForm()) : nullptr;
    if (!note) throw TError(L"The settings dialog has no note to act on");
    return *note;
}

void TFcfg::FormShow(TObject*) {
    TNoteSettings& note = Note();
    // Showing only checks boxes; a box that becomes checked runs its handler as a click would.
    if (note.ShowAtStart()) CStartShow->SetChecked(true);
    if (note.SaveOnChange()) CAutoSave->SetChecked(true);
    if (note.MinimizeOnClose()) CClose->SetChecked(true);
    ShowWindow(Application->Handle(), SW_HIDE);
    if (ReadLogonStart(L"False") != L"False") CRun->SetChecked(true);
    const TScrollStyle bars = note.NoteEditor().ScrollBars();
    if (bars == ssVertical || bars == ssBoth) CScrolBar->SetChecked(true);
    const int opacity = note.NoteWindow().AlphaBlendValue();
    AScroll->SetPosition(opacity);
    Aval->SetCaption(std::to_wstring(opacity));
    if (note.BgTransparent()) {
        AScroll->SetEnabled(false);
        CBgTrans->SetChecked(true);
    }
    Shape1->SetBrushColor(note.NoteEditor().Color());
    if (!note.TitleBarHidden()) CTitle->SetChecked(true);
    if (note.NoteWindow().BorderStyle() == bsSizeable) CBorder->SetChecked(true);
    if (note.SaveTimer().Enabled()) {
        CEnreg->SetChecked(true);
        SIntervalle->SetEnabled(true);
    }
    const int minutes = static_cast<int>(note.SaveTimer().Interval() / kMinute);
    SIntervalle->SetPosition(minutes);
    LIntervalle->SetCaption(MinutesText(minutes));
    // A key of ordinary typing (from an older settings file) is not offered, and so it goes.
    const TShortCut global = note.GlobalHotKey().HotKey();
    EGlobal->SetShortcut(IsTypingFree(global) ? global : 0);
    ApplyGlobalKey(); // also when the text stayed: a key refused at start is tried again
}

void TFcfg::FormClose(TObject*, TCloseAction&) {
    Note().Hypertext();
}

void TFcfg::AScrollChange(TObject*) {
    TForm& window = Note().NoteWindow();
    const int position = AScroll->Position();
    Aval->SetCaption(std::to_wstring(position));
    window.SetAlphaBlend(position != 255);
    window.SetAlphaBlendValue(static_cast<BYTE>(position));
}

void TFcfg::CTitleClick(TObject*) {
    Note().SetTitleBarHidden(!CTitle->Checked());
}

void TFcfg::CCloseClick(TObject*) {
    Note().SetMinimizeOnClose(CClose->Checked());
}

void TFcfg::CBorderClick(TObject*) {
    TNoteSettings& note = Note();
    // The border change re-creates the note's window: the title-bar setting is applied to the new one.
    if (CBorder->Checked()) {
        note.NoteWindow().SetBorderStyle(bsSizeable);
        if (note.TitleBarHidden()) note.SetTitleBarHidden(true);
    } else {
        note.NoteWindow().SetBorderStyle(bsNone);
        if (!note.TitleBarHidden()) note.SetTitleBarHidden(false);
    }
    note.Hypertext();
}

void TFcfg::CScrolBarClick(TObject*) {
    Note().NoteEditor().SetScrollBars(CScrolBar->Checked() ? ssVertical : ssNone);
}

void TFcfg::CBgTransClick(TObject*) {
    TNoteSettings& note = Note();
    TForm& window = note.NoteWindow();
    if (CBgTrans->Checked()) {
        window.SetAlphaBlend(false);
        AScroll->SetEnabled(false);
        window.SetTransparentColorValue(note.NoteEditor().Color());
        window.SetTransparentColor(true);
        note.SetBgTransparent(true);
    } else {
        window.SetTransparentColor(false);
        window.SetAlphaBlend(true);
        AScroll->SetEnabled(true);
        note.SetBgTransparent(false);
    }
}

void TFcfg::Shape1MouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    TNoteSettings& note = Note();
    ColorDialog1->SetColor(note.NoteEditor().Color());
    if (!ColorDialog1->Execute(Handle())) return;
    const TColor chosen = ColorDialog1->Color();
    note.NoteEditor().SetColor(chosen);
    // The key colour follows the background even while it is not in use.
    note.NoteWindow().SetTransparentColorValue(chosen);
    Shape1->SetBrushColor(chosen);
    if (CBgTrans->Checked()) CBgTrans->SetChecked(false);
}

void TFcfg::CEnregClick(TObject*) {
    const bool on = CEnreg->Checked();
    Note().SaveTimer().SetEnabled(on);
    SIntervalle->SetEnabled(on);
    LIntervalle->SetEnabled(on);
}

void TFcfg::SIntervalleChange(TObject*) {
    const int minutes = SIntervalle->Position();
    LIntervalle->SetCaption(MinutesText(minutes));
    Note().SaveTimer().SetInterval(static_cast<UINT>(minutes * kMinute));
}

void TFcfg::CAutoSaveClick(TObject*) {
    Note().SetSaveOnChange(CAutoSave->Checked());
}

void TFcfg::EGlobalChange(TObject*) {
    // Modifiers held on their own decide nothing: the combination is still being typed.
    if (!EGlobal->Composing()) ApplyGlobalKey();
}

void TFcfg::ApplyGlobalKey() {
    const TShortCut typed = EGlobal->Shortcut();
    TGlobalHotKey& global = Note().GlobalHotKey();
    // A key that ordinary typing produces is never taken from the other programs.
    global.SetHotKey(IsTypingFree(typed) ? typed : 0);
    // An inactive key is tried again: whoever held it may have let it go.
    global.SetActive(true);
    EGlobal->SetWarning(IsTypingFree(typed) && !global.Active() ? kGlobalRefused : L"");
}

void TFcfg::EGlobalKeyUp(TObject*, WORD&, TShiftState) {
    const TShortCut shown = EGlobal->Shortcut();
    if (shown != 0 && !IsTypingFree(shown)) {
        // Shown while it was held; released, it leaves no key that would look like the global one.
        const std::wstring character = CharacterTypedWithAltGr(shown);
        EGlobal->SetShortcut(0);
        EGlobal->SetWarning(character.empty() ? kGlobalIsTyping : GlobalIsAltGrText(character));
    } else if (shown != 0 && !Note().GlobalHotKey().Active()) {
        ApplyGlobalKey(); // the same combination typed again after a refusal
    }
}

void TFcfg::CRunClick(TObject*) {
    if (CRun->Checked())
        WriteLogonStart();
    else
        DeleteLogonStart();
}

void TFcfg::CStartShowClick(TObject*) {
    Note().SetShowAtStart(CStartShow->Checked());
}

void TFcfg::Button3Click(TObject*) {
    TNoteSettings& note = Note();
    FontDialog1->SetFont(*note.NoteEditor().Font());
    if (!FontDialog1->Execute(Handle())) return;
    const TFont& chosen = *FontDialog1->Font();
    note.NoteEditor().SetSelAttributes({chosen.Name(), chosen.Size(), chosen.Color(), chosen.Style()});
    note.SetDefaultFont(FontDialog1->Font());
}

void TFcfg::Button2Click(TObject*) {
    Note().ShowAboutModal();
}

void TFcfg::Button1Click(TObject*) {
    TNoteSettings& note = Note();
    const TForm& window = note.NoteWindow();
    const TFont& font = *note.DefaultFont();
    // One batch: the first write that fails ends it, and the dialog stays open.
    TIniFile ini(SettingsPath());
    ini.WriteBool(L"Apparence", L"BgTrans", note.BgTransparent());
    ini.WriteInteger(L"Apparence", L"Alpha", window.AlphaBlendValue());
    ini.WriteBool(L"Apparence", L"Title", note.TitleBarHidden());
    ini.WriteBool(L"Apparence", L"Close", CClose->Checked());
    ini.WriteBool(L"Save", L"AutoSave", note.SaveTimer().Enabled());
    ini.WriteInteger(L"Save", L"Interval", static_cast<int>(note.SaveTimer().Interval()));
    ini.WriteBool(L"Save", L"SaveOnChange", note.SaveOnChange());
    ini.WriteString(L"Apparence", L"Font", font.Name());
    ini.WriteInteger(L"Apparence", L"Size", font.Size());
    ini.WriteInteger(L"Apparence", L"Color", font.Color());
    ini.WriteInteger(L"Apparence", L"Bgcolor", note.NoteEditor().Color());
    ini.WriteBool(L"Apparence", L"AOT", note.AlwaysOnTop());
    ini.WriteBool(L"Apparence", L"Visible", note.ShowAtStart());
    ini.WriteInteger(L"Apparence", L"Global", note.GlobalHotKey().HotKey());
    ini.WriteBool(L"Apparence", L"Border", window.BorderStyle() == bsSizeable);
    ini.WriteBool(L"Apparence", L"Scroll", CScrolBar->Checked());
    ini.WriteBool(L"Apparence", L"Bold", (font.Style() & fsBold) != 0);
    ini.WriteBool(L"Apparence", L"Italic", (font.Style() & fsItalic) != 0);
    ini.WriteBool(L"Apparence", L"UnderLine", (font.Style() & fsUnderline) != 0);
    ini.WriteBool(L"Apparence", L"StrikeOut", (font.Style() & fsStrikeOut) != 0);
    Close();
}
