#pragma once
// A push button of the platform; OnClick comes from the button's own notification, so a click
// by mouse, by keyboard or by program raises it once.
#include "framework/WinControl.h"

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);

    // Drawn as the dialog's default button.
    bool Default() const { return FDefault; }
    void SetDefault(bool isDefault);

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    bool FDefault = false;
};
