#pragma once
// A plain rectangle filled with one colour and outlined with another, as a colour swatch. It has
// no window: its parent draws it and hands it its mouse input.
#include "framework/GraphicControl.h"

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* owner);

    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor color);
    TColor PenColor() const { return FPenColor; }
    void SetPenColor(TColor color);

protected:
    void Paint(HDC dc) override;

private:
    TColor FBrushColor = clWhite;
    TColor FPenColor = clBlack;
};
