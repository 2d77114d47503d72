#include "framework/Panel.h"

#include "framework/HighContrast.h"

TPanel::TPanel(TComponent* owner) : TWinControl(owner) {
    FWidth = 185;
    FHeight = 41;
}

void TPanel::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"Quillpad.Panel";
    // The bevels sit on the edges: a new size draws them anew.
    params.ClassStyle |= CS_HREDRAW | CS_VREDRAW;
    // The tab order goes through the controls it holds.
    params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TPanel::SetBevelOuter(TBevelCut bevel) {
    FBevelOuter = bevel;
    Invalidate();
}

void TPanel::SetBevelInner(TBevelCut bevel) {
    FBevelInner = bevel;
    Invalidate();
}

void TPanel::SetBevelWidth(int width) {
    FBevelWidth = width < 1 ? 1 : width;
    Invalidate();
}

void TPanel::SetAlignment(TAlignment alignment) {
    FAlignment = alignment;
    Invalidate();
}

void TPanel::SetCaption(const std::wstring& caption) {
    TWinControl::SetCaption(caption);
    Invalidate();
}

// One bevel: a raised one is lit at its top and left and shaded at its bottom and right.
static void DrawBevel(HDC dc, RECT& r, TBevelCut bevel, int width) {
    if (bevel == bvNone) return;
    TBrushHandle light(CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT)));
    TBrushHandle shade(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
    HBRUSH topLeft = bevel == bvRaised ? light.Get() : shade.Get();
    HBRUSH bottomRight = bevel == bvRaised ? shade.Get() : light.Get();
    for (int i = 0; i < width && r.right > r.left && r.bottom > r.top; ++i) {
        RECT top{r.left, r.top, r.right - 1, r.top + 1}, left{r.left, r.top, r.left + 1, r.bottom - 1};
        RECT bottom{r.left, r.bottom - 1, r.right, r.bottom}, right{r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &top, topLeft);
        FillRect(dc, &left, topLeft);
        FillRect(dc, &bottom, bottomRight);
        FillRect(dc, &right, bottomRight);
        InflateRect(&r, -1, -1);
    }
}

void TPanel::Paint(HDC dc) {
    RECT r{0, 0, FWidth, FHeight};
    if (HandleAllocated()) GetClientRect(Handle(), &r);
    DrawBevel(dc, r, FBevelOuter, FBevelWidth);
    DrawBevel(dc, r, FBevelInner, FBevelWidth);
    if (FCaption.empty()) return;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, Font()->Handle());
    SetTextColor(dc, HighContrast::Shown(Enabled() ? Font()->Color() : clGrayText, COLOR_BTNTEXT));
    UINT flags = DT_SINGLELINE | DT_VCENTER;
    flags |= FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    DrawTextW(dc, FCaption.c_str(), static_cast<int>(FCaption.size()), &r, flags);
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
}
