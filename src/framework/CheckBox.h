#pragma once
// A check box of the platform. The box keeps its state itself: a click toggles it, and every
// change of the state, by the user or by program, raises OnClick once.
#include "framework/WinControl.h"

class TCheckBox : public TWinControl {
public:
    explicit TCheckBox(TComponent* owner);

    bool Checked() const { return FChecked; }
    void SetChecked(bool checked);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    bool FChecked = false;
};
