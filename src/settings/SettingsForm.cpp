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
}
