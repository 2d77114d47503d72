#include "framework/Shape.h"

#include "framework/Handles.h"

TShape::TShape(TComponent* owner) : TWinControl(owner) {
    FWidth = 65;
    FHeight = 65;
}

void TShape::SetBrushColor(TColor color) {
    FBrushColor = color;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TShape::SetPenColor(TColor color) {
    FPenColor = color;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TShape::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"Quillpad.Shape";
    params.ClassStyle = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
}

void TShape::WndProc(TMessage& m) {
    if (m.Msg == WM_ERASEBKGND) {
        m.Result = 1; // painted whole below
        return;
    }
    if (m.Msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        RECT r;
        GetClientRect(Handle(), &r);
        TBrushHandle pen(CreateSolidBrush(ColorToRGB(FPenColor)));
        TBrushHandle fill(CreateSolidBrush(ColorToRGB(FBrushColor)));
        FillRect(dc, &r, fill.Get());
        FrameRect(dc, &r, pen.Get());
        EndPaint(Handle(), &ps);
        return;
    }
    TWinControl::WndProc(m);
}
