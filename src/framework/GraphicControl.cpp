#include "framework/GraphicControl.h"

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TGraphicControl::~TGraphicControl() {
    Invalidate();
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    Invalidate();
    TControl::SetBounds(left, top, width, height);
    Invalidate();
}

void TGraphicControl::SetVisible(bool visible) {
    if (visible == FVisible) return;
    TControl::SetVisible(visible);
    Invalidate();
}

void TGraphicControl::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    TControl::SetEnabled(enabled);
    Invalidate();
}

void TGraphicControl::SetColor(TColor color) {
    TControl::SetColor(color);
    Invalidate();
}
