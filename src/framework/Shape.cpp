#include "framework/Shape.h"

#include "framework/Handles.h"

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 65);
}

void TShape::SetBrushColor(TColor color) {
    FBrushColor = color;
    Invalidate();
}

void TShape::SetPenColor(TColor color) {
    FPenColor = color;
    Invalidate();
}

void TShape::Paint(HDC dc) {
    RECT r{0, 0, Width(), Height()};
    TBrushHandle fill(CreateSolidBrush(ColorToRGB(FBrushColor)));
    TBrushHandle pen(CreateSolidBrush(ColorToRGB(FPenColor)));
    FillRect(dc, &r, fill.Get());
    FrameRect(dc, &r, pen.Get());
}
