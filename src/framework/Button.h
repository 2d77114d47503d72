#pragma once
// A push button of the platform; OnClick comes from the button's own notification, so a click
// by mouse, by keyboard or by program raises it once.
#include "framework/WinControl.h"

class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);

    // Drawn as the dialog's default button and pressed by Enter in a dialog form.
    bool Default() const { return FDefault; }
    void SetDefault(bool isDefault);
    // Pressed by Escape in a dialog form.
    bool Cancel() const { return FCancel; }
    void SetCancel(bool isCancel) { FCancel = isCancel; }
    // Presses the button: OnClick, as a click would.
    void Click() override { TWinControl::Click(); }

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    // The thick default frame, without touching the Default property.
    void ShowAsDefault(bool asDefault);
    // While a push button has the focus it is the one Enter presses, so it takes the default
    // frame from the form's default button and gives it back when it loses the focus.
    void FocusChanged(bool focused);

    bool FDefault = false;
    bool FCancel = false;
};
