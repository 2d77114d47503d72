#include "framework/Button.h"

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    FMouseClicks = false;
    FWidth = 75;
    FHeight = 25;
}

void TButton::SetDefault(bool isDefault) {
    FDefault = isDefault;
    if (HandleAllocated()) Perform(BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"BUTTON";
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == BN_CLICKED) {
        Click();
        return;
    }
    TWinControl::WndProc(m);
}
