#include "framework/Button.h"

#include "framework/Form.h"

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    FMouseClicks = false;
    FWidth = 75;
    FHeight = 25;
}

void TButton::SetDefault(bool isDefault) {
    FDefault = isDefault;
    ShowAsDefault(isDefault);
}

void TButton::ShowAsDefault(bool asDefault) {
    if (HandleAllocated()) Perform(BM_SETSTYLE, asDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"BUTTON";
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
}

void TButton::FocusChanged(bool focused) {
    TForm* form = GetParentForm(this);
    if (!form || form->BorderStyle() != bsDialog) return;
    TButton* standing = form->DefaultButton();
    if (standing && standing != this) standing->ShowAsDefault(!focused);
    ShowAsDefault(focused || FDefault);
}

void TButton::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (HIWORD(m.WParam) == BN_CLICKED) {
            Click();
            return;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TWinControl::WndProc(m);
        FocusChanged(m.Msg == WM_SETFOCUS);
        return;
    }
    TWinControl::WndProc(m);
}
