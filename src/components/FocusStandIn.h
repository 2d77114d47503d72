#pragma once
// Gives a control without a window of its own (a colour swatch...) a place in the Tab order:
// a window around it that takes the focus, shows it as a dotted frame around the control, and
// raises OnActivate for Enter or Space. It shows nothing else and lets the mouse through, so
// the control keeps its look and its mouse handling.
#include "framework/WinControl.h"

class TFocusStandIn : public TWinControl {
public:
    // Placed around `target`, in its parent, after the controls already there in Tab order.
    TFocusStandIn(TComponent* owner, TControl* target);

    TNotifyEvent OnActivate;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void WndProc(TMessage& message) override;
    void ScaleBounds(int m, int d) override;

private:
    // Only the frame is shown, and only while the focus is here.
    void ApplyRegion();
    void FollowTarget();

    TControl* FTarget;
};
