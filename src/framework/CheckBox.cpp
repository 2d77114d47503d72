#include "framework/CheckBox.h"

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
    FMouseClicks = false;
    FWidth = 97;
    FHeight = 17;
}

void TCheckBox::SetChecked(bool checked) {
    if (checked == FChecked) return;
    FChecked = checked;
    if (HandleAllocated()) Perform(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
    Click();
}

void TCheckBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"BUTTON";
    params.SystemClass = true;
    // Not the automatic kind: the state changes only through SetChecked.
    params.Style |= WS_TABSTOP | BS_CHECKBOX;
}

void TCheckBox::CreateWnd() {
    TWinControl::CreateWnd();
    Perform(BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED);
}

void TCheckBox::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == BN_CLICKED) {
        SetChecked(!FChecked);
        return;
    }
    TWinControl::WndProc(m);
}
