#include "components/FocusStandIn.h"

#include "framework/Handles.h"

namespace {

constexpr int kFrame = 2; // from the control's edge to the outside of the dotted frame

} // namespace

TFocusStandIn::TFocusStandIn(TComponent* owner, TControl* target) : TWinControl(owner), FTarget(target) {
    SetParent(target->Parent());
    FollowTarget();
}

void TFocusStandIn::FollowTarget() {
    SetBounds(FTarget->Left() - kFrame, FTarget->Top() - kFrame, FTarget->Width() + 2 * kFrame,
              FTarget->Height() + 2 * kFrame);
}

void TFocusStandIn::ScaleBounds(int, int) {
    FollowTarget();
}

void TFocusStandIn::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"TFocusStandIn";
    params.Style |= WS_TABSTOP;
}

void TFocusStandIn::CreateWnd() {
    TWinControl::CreateWnd();
    ApplyRegion();
}

void TFocusStandIn::ApplyRegion() {
    if (!HandleAllocated()) return;
    const bool focused = ShowsFocus();
    HRGN shown = CreateRectRgn(0, 0, focused ? Width() : 0, focused ? Height() : 0);
    if (focused) {
        TRegionHandle inside(CreateRectRgn(1, 1, Width() - 1, Height() - 1));
        CombineRgn(shown, shown, inside.Get(), RGN_DIFF);
    }
    SetWindowRgn(Handle(), shown, TRUE); // the system owns the region from here
}

void TFocusStandIn::KeyDown(WORD& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if ((key == VK_RETURN || key == VK_SPACE) && !(shift & (ssCtrl | ssAlt))) {
        key = 0;
        if (OnActivate) OnActivate(this);
    }
}

void TFocusStandIn::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE:
        // Enter acts here rather than pressing the dialog's default button.
        m.Result = m.WParam == VK_RETURN ? DLGC_WANTMESSAGE : 0;
        return;
    case WM_NCHITTEST:
        m.Result = HTTRANSPARENT;
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        TWinControl::WndProc(m);
        ApplyRegion();
        return;
    case WM_ERASEBKGND:
        m.Result = 1;
        return;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT box{0, 0, Width(), Height()};
        TBrushHandle background(CreateSolidBrush(ColorToRGB(Parent() ? Parent()->Color() : clBtnFace)));
        FillRect(dc, &box, background.Get());
        SetTextColor(dc, ColorToRGB(clWindowText));
        SetBkColor(dc, ColorToRGB(Parent() ? Parent()->Color() : clBtnFace));
        DrawFocusRect(dc, &box);
        EndPaint(Handle(), &ps);
        m.Result = 0;
        return;
    }
    default:
        TWinControl::WndProc(m);
    }
}
