#include "framework/Label.h"

#include "framework/DpiScale.h"
#include "framework/HighContrast.h"
#include "framework/WinControl.h"

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    FWidth = 65;
    FHeight = 17;
    SetParentColor(true);
}

TLabel::~TLabel() {
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
}

void TLabel::SetCaption(const std::wstring& caption) {
    if (caption == FCaption) return;
    TControl::SetCaption(caption);
    AdjustBounds();
    Invalidate();
}

void TLabel::SetAlignment(TAlignment alignment) {
    if (alignment == FAlignment) return;
    FAlignment = alignment;
    Invalidate();
}

void TLabel::SetAutoSize(bool autoSize) {
    if (autoSize == FAutoSize) return;
    FAutoSize = autoSize;
    AdjustBounds();
}

void TLabel::SetWordWrap(bool wordWrap) {
    if (wordWrap == FWordWrap) return;
    FWordWrap = wordWrap;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetTransparent(bool transparent) {
    if (transparent == FTransparent) return;
    FTransparent = transparent;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool show) {
    if (show == FShowAccelChar) return;
    FShowAccelChar = show;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetFocusControl(TWinControl* control) {
    if (control == FFocusControl) return;
    if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
    FFocusControl = control;
    if (control) control->FreeNotification(this);
}

void TLabel::Notification(TComponent* component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == FFocusControl) FFocusControl = nullptr;
}

void TLabel::SetParent(TWinControl* parent) {
    TGraphicControl::SetParent(parent);
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

wchar_t TLabel::MnemonicOf(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] != L'&') return caption[i + 1];
        ++i; // "&&" is a plain "&"
    }
    return 0;
}

static wchar_t Upper(wchar_t ch) {
    return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<wchar_t*>(ch))));
}

bool TLabel::DialogChar(wchar_t key) {
    if (!FFocusControl || !Enabled() || !FShowAccelChar) return false;
    const wchar_t mnemonic = MnemonicOf(FCaption);
    if (!mnemonic || Upper(mnemonic) != Upper(key)) return false;
    if (!FFocusControl->HandleAllocated() || !FFocusControl->CanFocus()) return false;
    FFocusControl->SetFocus();
    return true;
}

UINT TLabel::DrawTextFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (FWordWrap) flags |= DT_WORDBREAK;
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    switch (FAlignment) {
    case taLeftJustify:
        flags |= DT_LEFT;
        break;
    case taRightJustify:
        flags |= DT_RIGHT;
        break;
    case taCenter:
        flags |= DT_CENTER;
        break;
    }
    return flags;
}

SIZE TLabel::TextExtent() const {
    TScreenDC screen;
    if (!screen.Get()) return {0, 0};
    HGDIOBJ old = SelectObject(screen.Get(), Font()->Handle());
    // An empty caption still keeps one line's height.
    const std::wstring text = FCaption.empty() ? std::wstring(L" ") : FCaption;
    RECT r{0, 0, FWordWrap ? FWidth : 0, 0};
    DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r, DrawTextFlags() | DT_CALCRECT);
    SelectObject(screen.Get(), old);
    return {r.right, r.bottom};
}

void TLabel::AdjustBounds() {
    if (!FAutoSize || IsDestroying()) return;
    // While a design is applied the caption, the font and the flags change one after another:
    // the label measures itself once, when loading ends.
    if (IsLoading()) {
        FBoundsPending = true;
        return;
    }
    FBoundsPending = false;
    const SIZE text = TextExtent();
    if (!text.cy) return;
    const int width = FWordWrap ? FWidth : text.cx;
    // A right-aligned label keeps its right edge where it was.
    const int left = (FAlignment == taRightJustify && !FWordWrap) ? FLeft + FWidth - width : FLeft;
    SetBounds(left, FTop, width, text.cy);
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    if (FBoundsPending) AdjustBounds();
}

void TLabel::ScaleFonts(int m, int d) {
    TGraphicControl::ScaleFonts(m, d);
    if (FAutoSize || IsDestroying() || m == kDesignPixelsPerInch) return;
    // A label of fixed size keeps its scaled box, but fonts grow in steps (a bitmap face has a
    // few sizes only), so the text may need a pixel or two more than the box: the bottom of the
    // last line would be cut off. The box grows downwards; the design value stays the source.
    const int needed = TextExtent().cy;
    if (needed <= FHeight) return;
    SetBounds(FLeft, FTop, FWidth, needed);
    FBoundsSource.Applied(TBox{FLeft, FTop, FWidth, FHeight});
}

COLORREF TLabel::ShownTextColor() {
    return HighContrast::Shown(Font()->Color(), COLOR_BTNTEXT);
}

void TLabel::Paint(HDC dc) {
    RECT r{0, 0, FWidth, FHeight};
    if (!FTransparent) {
        TBrushHandle brush(CreateSolidBrush(HighContrast::Shown(FColor, COLOR_BTNFACE)));
        FillRect(dc, &r, brush.Get());
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, Font()->Handle());
    const COLORREF oldColor = GetTextColor(dc);
    const UINT flags = DrawTextFlags();
    const int length = static_cast<int>(FCaption.size());
    if (Enabled()) {
        SetTextColor(dc, ShownTextColor());
        DrawTextW(dc, FCaption.c_str(), length, &r, flags);
    } else {
        // Greyed: a light copy one pixel down and right under the shadow-coloured text.
        RECT light = r;
        OffsetRect(&light, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, FCaption.c_str(), length, &light, flags);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        DrawTextW(dc, FCaption.c_str(), length, &r, flags);
    }
    SetTextColor(dc, oldColor);
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
}
