#pragma once
// A plain rectangle filled with one colour and outlined with another, as a colour swatch.
#include "framework/WinControl.h"

class TShape : public TWinControl {
public:
    explicit TShape(TComponent* owner);

    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor color);
    TColor PenColor() const { return FPenColor; }
    void SetPenColor(TColor color);

protected:
    void CreateParams(TCreateParams& params) override;
    void WndProc(TMessage& message) override;

private:
    TColor FBrushColor = clWhite;
    TColor FPenColor = clBlack;
};
