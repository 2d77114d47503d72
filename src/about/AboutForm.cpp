#include "about/AboutForm.h"

#include "about/CreditForm.h"
#include "framework/AccessibleName.h"
#include "framework/Application.h"
#include "imaging/GifDecoder.h"

#include <oleacc.h>

TFAbout* FAbout = nullptr;

namespace {

template <class T>
T* Child(TForm* form, TWinControl* parent, const wchar_t* name, int left, int top, int width, int height) {
    T* control = new T(form);
    control->SetName(name);
    control->SetBounds(left, top, width, height);
    control->SetParent(parent);
    return control;
}

void HotTrackFontOf(THotLink* link) {
    TFont* font = link->HotTrackFont();
    font->SetName(L"MS Sans Serif");
    font->SetHeight(-11);
    font->SetColor(clBlue);
    font->SetStyle(fsUnderline);
    font->SetCharset(DEFAULT_CHARSET);
}

} // namespace

TFAbout::TFAbout(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TFAbout";
    ApplyDesign();
}

TFAbout::~TFAbout() {
    if (FAbout == this) FAbout = nullptr;
}

void TFAbout::ApplyDesign() {
    SetName(L"FAbout");
    SetBorderStyle(bsDialog);
    SetCaption(L"A Propos");
    SetClientWidth(330);
    SetClientHeight(434);
    SetPosition(poScreenCenter);
    SetColor(clBtnFace);
    Font()->SetName(L"MS Sans Serif");
    Font()->SetHeight(-11);
    Font()->SetCharset(DEFAULT_CHARSET);
    Font()->SetColor(clWindowText);

    Panel1 = Child<TPanel>(this, this, L"Panel1", 16, 16, 81, 61);
    Panel1->SetBevelOuter(bvLowered);
    Image1 = Child<TImage>(this, Panel1, L"Image1", 1, 1, 81, 61);
    Image1->OnDblClick = [this](TObject* s) { Image1Click(s); };

    Label1 = new TLabel(this);
    Label1->SetName(L"Label1");
    Label1->SetAutoSize(false); // keeps its designed box, so the lines centre in it
    Label1->SetBounds(108, 15, 209, 65);
    Label1->SetAlignment(taCenter);
    Label1->SetCaption(L"Quillpad v1.6\r\n\r\nApplication de prise de notes rapides.\r\n"
                       L"Supporte l'Alpha Blending (2k/XP...)\r\nSauvegarde Auto à intervalle programmable.");
    Label1->SetParent(this);

    Panel2 = Child<TPanel>(this, this, L"Panel2", 16, 88, 305, 6);

    HotLink1 = Child<THotLink>(this, this, L"HotLink1", 16, 102, 26, 13);
    HotLink1->SetCaption(L"EMail");
    HotLink1->SetCursor(crHandPoint);
    HotLink1->SetHotTrack(true);
    HotTrackFontOf(HotLink1);
    HotLink1->SetUrl(L"mailto:contact@quillpad.example");

    HotLink2 = Child<THotLink>(this, this, L"HotLink2", 275, 102, 44, 13);
    HotLink2->SetCaption(L"Site Web");
    HotLink2->SetCursor(crHandPoint);
    HotLink2->SetHotTrack(true);
    HotTrackFontOf(HotLink2);
    HotLink2->SetUrl(L"https://quillpad.example/");

    Label2 = Child<TLabel>(this, this, L"Label2", 127, 102, 76, 13);
    Label2->SetCaption(L"ICQ# 000000000");

    Panel4 = Child<TPanel>(this, this, L"Panel4", 16, 128, 297, 281);
    Panel4->SetBevelOuter(bvLowered);
    Memo1 = Child<TMemo>(this, Panel4, L"Memo1", 8, 8, 273, 265);
    Memo1->SetBorderStyle(TBorderStyle::bsNone);
    Memo1->SetColor(clBtnFace);
    Memo1->SetScrollBars(ssNone);
    Memo1->SetWordWrap(true);
    // Nothing beside the list says what it is.
    SetAccessibleName(*Memo1, L"Raccourcis clavier");
    Memo1->Lines().Assign({
        L"Mise en Forme:",
        L"",
        L"CTRL+B :           Gras",
        L"CTRL+I :             Italique",
        L"CTRL+U :           Souligné",
        L"CTRL+D :           Barré",
        L"ALT+X  :             Aligné à Gauche",
        L"ALT+C  :             Centré",
        L"ALT+V  :             Aligné à Droite",
        L"CTRL+Suppr :    Vider sans confirmation",
        L"",
        L"",
        L"Paramètres : ",
        L"",
        L"CTRL+A:            Tout Sélectionner",
        L"CTRL+O :           Toujours Visible",
        L"CTRL+S:             Sauvegarder",
        L"CTRL+ALT+S :   Sauvegarder sous.... (en txt)",
        L"",
        L"CTRL+ALT+X :   Quitter",
    });

    // Last in the Tab order, so the dialog still opens on the mail link.
    Image1Key = new TFocusStandIn(this, Panel1);
    Image1Key->SetName(L"Image1Key");
    SetAccessibleName(*Image1Key, TFCredit::kCaption);
    SetAccessibleRole(*Image1Key, ROLE_SYSTEM_PUSHBUTTON);
    Image1Key->OnActivate = [this](TObject* s) { Image1Click(s); };

    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

void TFAbout::DoShow() {
    if (!FPictureLoaded) LoadPicture();
    TForm::DoShow();
}

void TFAbout::LoadPicture() {
    FPictureLoaded = true;
    const std::string bytes = ResourceBytes(L"ABOUTPICTURE");
    TDecodeResult decoded = DecodeGif(bytes.data(), bytes.size());
    // A picture that cannot be read leaves the panel empty; the dialog works without it.
    if (decoded.Image) Image1->SetPicture(std::move(*decoded.Image));
}

void TFAbout::FormShow(TObject*) {
    if (Application) ShowWindow(Application->Handle(), SW_HIDE);
}

void TFAbout::FormClose(TObject*, TCloseAction&) {
    if (Application) ShowWindow(Application->Handle(), SW_HIDE);
}

void TFAbout::Image1Click(TObject*) {
    if (FCredit) FCredit->ShowModal();
}
