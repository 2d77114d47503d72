#pragma once
// Controls without a window of their own: the parent draws them and hands them its mouse input.
#include "framework/Control.h"

class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    ~TGraphicControl() override;

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetColor(TColor color) override;

protected:
    void FontChanged() override { Invalidate(); }
};
