#include "about/CreditForm.h"

TFCredit* FCredit = nullptr;

TFCredit::TFCredit(TComponent* owner) : TForm(owner) {
    FWindowClass = L"TFCredit";
    ApplyDesign();
}

TFCredit::~TFCredit() {
    if (FCredit == this) FCredit = nullptr;
}

void TFCredit::ApplyDesign() {
    SetName(L"FCredit");
    SetBounds(351, 297, 0, 0);
    SetBorderStyle(bsDialog);
    SetCaption(L"A Propos de .... Camille Aubertin");
    SetClientWidth(637);
    SetClientHeight(273);
    SetColor(clBtnFace);
    Font()->SetName(L"MS Sans Serif");
    Font()->SetHeight(-11);
}
