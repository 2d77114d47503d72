#include "framework/Control.h"

#include "framework/Menus.h"
#include "framework/WinControl.h"

TControl::TControl(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {
    FFont->OnChange = [this](TObject*) {
        if (!FFollowingParent) FParentFont = false;
        FontChanged();
    };
}

TControl::~TControl() {
    if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (FParent) FParent->RemoveControl(this);
    FParent = parent;
    if (FParent) {
        FParent->InsertControl(this);
        if (FParentFont) ParentFontChanged();
        if (FParentColor) ParentColorChanged();
        FParent->AlignControls();
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
}

void TControl::Invalidate() {
    if (!FParent || !FParent->HandleAllocated()) return;
    RECT r{FLeft, FTop, FLeft + FWidth, FTop + FHeight};
    InvalidateRect(FParent->Handle(), &r, TRUE);
}

void TControl::ScaleBounds(int m, int d) {
    const TBox box = FBoundsSource.Rescale(TBox{FLeft, FTop, FWidth, FHeight}, d, m, ScaleBox);
    SetBounds(box.Left, box.Top, box.Width, box.Height);
    FBoundsSource.Applied(TBox{FLeft, FTop, FWidth, FHeight});
}

void TControl::ScaleFonts(int m, int) {
    // A font taken from the parent follows the parent's, already scaled.
    if (!FParentFont || !FParent) FFont->SetPixelsPerInch(m);
}

void TControl::UpdateBoundsFromWindow(int left, int top, int width, int height) {
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
}

void TControl::SetAlign(TAlign align) {
    FAlign = align;
    if (FParent) FParent->AlignControls();
}

void TControl::SetVisible(bool visible) { FVisible = visible; }
void TControl::SetEnabled(bool enabled) { FEnabled = enabled; }
void TControl::SetColor(TColor color) {
    FColor = color;
    FParentColor = false;
}
void TControl::SetCaption(const std::wstring& caption) { FCaption = caption; }

void TControl::SetParentFont(bool parentFont) {
    FParentFont = parentFont;
    if (parentFont) ParentFontChanged();
}

void TControl::SetParentColor(bool parentColor) {
    FParentColor = parentColor;
    if (parentColor) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (!FParentColor || !FParent) return;
    SetColor(FParent->Color());
    FParentColor = true; // taking the parent's colour over is not a colour of its own
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = menu;
    if (menu) menu->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::ParentFontChanged() {
    if (!FParentFont || !FParent) return;
    FFollowingParent = true;
    FFont->Assign(*FParent->Font());
    FFollowingParent = false;
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
void TControl::Click() {
    if (OnClick) OnClick(this);
}
void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}
void TControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}
void TControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

HCURSOR CursorHandle(TCursor cursor) {
    const wchar_t* id = nullptr;
    switch (cursor) {
    case crArrow: id = IDC_ARROW; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crHandPoint: id = IDC_HAND; break;
    default: return nullptr;
    }
    return LoadCursorW(nullptr, id);
}
