#include "settings/SettingsForm.h"

TFcfg* Fcfg = nullptr;

TFcfg::TFcfg(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TFcfg";
    ApplyDesign();
}

TFcfg::~TFcfg() {
    if (Fcfg == this) Fcfg = nullptr;
}

void TFcfg::ApplyDesign() {
    SetName(L"Fcfg");
    SetBorderStyle(bsDialog);
    SetCaption(L"Paramètres");
    SetClientWidth(288);
    SetClientHeight(376);
    SetPosition(poScreenCenter);

    FontDialog1 = new TFontDialog(this);
    FontDialog1->SetName(L"FontDialog1");
    FontDialog1->SetOptions(fdTrueTypeOnly | fdEffects);
    ColorDialog1 = new TColorDialog(this);
    ColorDialog1->SetName(L"ColorDialog1");
    ColorDialog1->SetOptions(cdFullOpen | cdSolidColor);
    ColorDialog1->SetColor(clWhite);
}
