#include "about/AboutForm.h"

TFAbout* FAbout = nullptr;

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
}
