#include "framework/Shape.h"

#include "framework/Handles.h"
#include "framework/HighContrast.h"

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
    // The fill is what the shape shows (a colour chosen, say); its frame is drawing of ours.
    TBrushHandle pen(CreateSolidBrush(HighContrast::Shown(FPenColor, COLOR_WINDOWTEXT)));
    FillRect(dc, &r, fill.Get());
    FrameRect(dc, &r, pen.Get());
}
