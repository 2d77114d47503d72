#include "framework/ScrollBar.h"

#include <algorithm>

TScrollBar::TScrollBar(TComponent* owner) : TWinControl(owner) {
    FWidth = 121;
    FHeight = GetSystemMetrics(SM_CYHSCROLL);
}

void TScrollBar::SetKind(TScrollBarKind kind) {
    if (kind == FKind) return;
    FKind = kind;
    SetBounds(FLeft, FTop, FHeight, FWidth);
    RecreateWnd();
}

void TScrollBar::SetParams(int position, int min, int max) {
    if (max < min) max = min;
    position = std::clamp(position, min, max);
    const bool moved = position != FPosition;
    FMin = min;
    FMax = max;
    FPosition = position;
    UpdateWindow();
    if (moved && OnChange) OnChange(this);
}

void TScrollBar::UpdateWindow() {
    if (!HandleAllocated()) return;
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_POS, FMin, FMax, 0, FPosition, 0};
    SetScrollInfo(Handle(), SB_CTL, &info, TRUE);
}

void TScrollBar::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"SCROLLBAR";
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | (FKind == sbHorizontal ? SBS_HORZ : SBS_VERT);
}

void TScrollBar::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateWindow();
}

void TScrollBar::Scroll(int code) {
    switch (code) {
    case SB_LINEUP:
        SetPosition(FPosition - FSmallChange);
        break;
    case SB_LINEDOWN:
        SetPosition(FPosition + FSmallChange);
        break;
    case SB_PAGEUP:
        SetPosition(FPosition - FLargeChange);
        break;
    case SB_PAGEDOWN:
        SetPosition(FPosition + FLargeChange);
        break;
    case SB_TOP:
        SetPosition(FMin);
        break;
    case SB_BOTTOM:
        SetPosition(FMax);
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The 32-bit track position; the message carries only 16 bits.
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(Handle(), SB_CTL, &info);
        SetPosition(info.nTrackPos);
        break;
    }
    }
}

void TScrollBar::WndProc(TMessage& m) {
    if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
        Scroll(LOWORD(m.WParam));
        return;
    }
    TWinControl::WndProc(m);
}
