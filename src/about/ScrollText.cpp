#include "about/ScrollText.h"

#include "framework/Application.h"

#include <cstdlib>

// The platform's static text window: it draws the lines itself, wrapped at its width, in the
// colours its parent hands it for WM_CTLCOLORSTATIC.
class TScrollLabel : public TWinControl {
public:
    TScrollLabel(TScrollText* owner) : TWinControl(owner), FScrollText(owner) {
        SetParentFont(false);
        SetParentColor(false);
    }

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment) {
        FAlignment = alignment;
        if (HandleAllocated()) {
            LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK);
            SetWindowLongPtrW(Handle(), GWL_STYLE, style | AlignmentStyle());
            InvalidateRect(Handle(), nullptr, TRUE);
        }
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.ClassName = L"STATIC";
        params.SystemClass = true;
        params.Style = WS_CHILD | SS_NOTIFY | AlignmentStyle();
        if (FVisible) params.Style |= WS_VISIBLE;
        if (!FEnabled) params.Style |= WS_DISABLED;
    }
    void FontChanged() override {
        TWinControl::FontChanged();
        FScrollText->LabelFontChanged();
    }

private:
    DWORD AlignmentStyle() const {
        switch (FAlignment) {
        case taRightJustify: return SS_RIGHT;
        case taCenter: return SS_CENTER;
        default: return SS_LEFT;
        }
    }

    TScrollText* FScrollText;
    TAlignment FAlignment = taLeftJustify;
};

TScrollText::TScrollText(TComponent* owner)
    : TWinControl(owner), FTextLabel(new TScrollLabel(this)), FThread(std::make_unique<TScrollThread>()) {
    FWidth = 200;
    FHeight = 150;
    FTextLabel->SetBounds(0, 0, FWidth, FHeight);
    FTextLabel->SetParent(this);
    FTextLabel->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int x, int y) { DragStart(x, y); };
    FTextLabel->OnMouseMove = [this](TObject*, TShiftState, int x, int y) { DragMove(x, y); };
    FTextLabel->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { DragEnd(); };
    if (Application) FSavedHintPause = Application->HintPause();
    FThread->SetStepDelay(FDelay);
    FThread->OnStep = [this](TObject*) { ScrollStep(); };
}

TScrollText::~TScrollText() {
    FThread->OnStep = nullptr;
    FThread.reset(); // stops the worker and waits for it
    if (Application) Application->SetHintPause(FSavedHintPause);
}

TWinControl* TScrollText::TextLabel() const { return FTextLabel; }

TAlignment TScrollText::TextAlignment() const { return FTextLabel->Alignment(); }
void TScrollText::SetTextAlignment(TAlignment alignment) { FTextLabel->SetAlignment(alignment); }

void TScrollText::SetItems(const std::vector<std::wstring>& items) {
    if (&items != &FItems) FItems = items;
    std::wstring text;
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (i) text += L"\r\n";
        text += FItems[i];
    }
    FTextLabel->SetCaption(text);
    UpdateTextHeight();
}

void TScrollText::SetActive(bool active) {
    SetItems(FItems);
    FActive = active;
    if (active)
        FThread->Resume();
    else
        FThread->Suspend();
}

int TScrollText::HintPauseFor(std::uint32_t delay, int savedHintPause) {
    const long long v = delay;
    if (v > savedHintPause) return savedHintPause;
    if (v > 10) return static_cast<int>(v - 10);
    return static_cast<int>(std::llabs(v - 1));
}

void TScrollText::SetDelay(std::uint32_t milliseconds) {
    if (Application) Application->SetHintPause(HintPauseFor(milliseconds, FSavedHintPause));
    FDelay = milliseconds;
    FThread->SetStepDelay(milliseconds);
}

void TScrollText::SetScrollDirection(TDirection direction) {
    FScrollDirection = direction;
    FTextLabel->SetBounds(0, 0, FTextLabel->Width(), FTextLabel->Height());
    Reset();
}

TColor TScrollText::BackgroundColor() const { return FTextLabel->Color(); }

void TScrollText::SetBackgroundColor(TColor color) {
    FTextLabel->SetColor(color);
    SetColor(color);
    Invalidate();
}

TFont* TScrollText::Font() const { return FTextLabel->Font(); }

void TScrollText::SetFont(const TFont& font) {
    FTextLabel->SetFont(font);
    LabelFontChanged();
}

void TScrollText::LabelFontChanged() {
    UpdateTextHeight();
    // Switching the alignment away and back makes the label draw with the new font.
    const TAlignment alignment = TextAlignment();
    SetTextAlignment(alignment == taCenter ? taLeftJustify : taCenter);
    SetTextAlignment(alignment);
}

void TScrollText::Pause() {
    if (!FActive) return;
    FCurrentSpeed = FScrollPixels;
    FSpeedMode = smSlowing;
}

void TScrollText::Unpause() {
    if (FActive) return;
    FCurrentSpeed = 0;
    FSpeedMode = smSpeeding;
    SetActive(true);
}

void TScrollText::Reset() {
    switch (FScrollDirection) {
    case drFromLeft: FTextOffset = -Width(); break;
    case drFromRight: FTextOffset = Width(); break;
    case drFromTop: FTextOffset = Height(); break;
    case drFromBottom: FTextOffset = -FTextLabel->Height(); break;
    }
}

void TScrollText::ApplyOffset() {
    if (Vertical())
        FTextLabel->SetBounds(FTextLabel->Left(), FTextOffset, FTextLabel->Width(), FTextLabel->Height());
    else
        FTextLabel->SetBounds(FTextOffset, FTextLabel->Top(), FTextLabel->Width(), FTextLabel->Height());
}

void TScrollText::ScrollStep() {
    std::int32_t d = FScrollPixels;
    switch (FSpeedMode) {
    case smSlowing:
        if (FCurrentSpeed <= 0) {
            SetActive(false);
            FSpeedMode = smSteady;
            return;
        }
        d = FCurrentSpeed--;
        break;
    case smSpeeding:
        if (FCurrentSpeed < FScrollPixels) {
            d = FCurrentSpeed++;
        } else {
            FSpeedMode = smSteady;
            d = FScrollPixels;
        }
        break;
    case smSteady: break;
    }
    const int w = Width(), h = Height(), lw = FTextLabel->Width(), lh = FTextLabel->Height();
    switch (FScrollDirection) {
    case drFromLeft: FTextOffset = -FTextOffset > lw ? w : FTextOffset - d; break;
    case drFromRight: FTextOffset = FTextOffset > w ? -w : FTextOffset + d; break;
    case drFromTop: FTextOffset = FTextOffset > h ? -lh : FTextOffset + d; break;
    case drFromBottom: FTextOffset = -FTextOffset > lh ? h : FTextOffset - d; break;
    }
    ApplyOffset();
}

void TScrollText::UpdateTextHeight() {
    const int w = Width(), h = Height();
    int total = 0;
    const std::wstring& text = FTextLabel->Caption();
    // No text, nothing to measure: the label takes the control's height whatever the font. The
    // stored design's font settings come through here before the text does.
    if (!text.empty()) {
        TScreenDC screen;
        HGDIOBJ old = SelectObject(screen.Get(), Font()->Handle());
        static const wchar_t kSample[] = L"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(L"\r\n", start);
            if (end == std::wstring::npos) end = text.size();
            const std::wstring line = text.substr(start, end - start);
            start = end + 2;
            SIZE size{};
            if (line.empty()) {
                if (GetTextExtentPoint32W(screen.Get(), kSample, static_cast<int>(wcslen(kSample)), &size))
                    total += size.cy;
                continue;
            }
            // A line that cannot be measured (no width to divide by) adds nothing.
            if (w <= 0 || !GetTextExtentPoint32W(screen.Get(), line.c_str(), static_cast<int>(line.size()), &size))
                continue;
            total += size.cy * (size.cx / w + 1);
        }
        SelectObject(screen.Get(), old);
    }
    if (total <= 0) total = h;
    FTextLabel->SetBounds(FTextLabel->Left(), FTextLabel->Top(), FTextLabel->Width(), total);
    if (FTextLabel->Height() < h)
        FTextLabel->SetBounds(FTextLabel->Left(), FTextLabel->Top(), FTextLabel->Width(), h);
    Reset();
}

void TScrollText::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width() || height != Height();
    TWinControl::SetBounds(left, top, width, height);
    if (!resized || !FTextLabel) return;
    const int lh = FTextLabel->Height() < Height() ? Height() : FTextLabel->Height();
    FTextLabel->SetBounds(FTextLabel->Left(), FTextLabel->Top(), Width(), lh);
}

int TScrollText::AxisCoordinate(int x, int y) const {
    POINT p{x, y};
    if (FTextLabel->HandleAllocated()) ClientToScreen(FTextLabel->Handle(), &p);
    return Vertical() ? p.y : p.x;
}

void TScrollText::DragStart(int x, int y) {
    FDragAnchor = AxisCoordinate(x, y);
    FThread->OnStep = nullptr;
    FDragging = true;
    if (FTextLabel->HandleAllocated()) SetCapture(FTextLabel->Handle());
}

void TScrollText::DragMove(int x, int y) {
    if (!FDragging) return;
    const int p = AxisCoordinate(x, y);
    FTextOffset += p - FDragAnchor;
    FDragAnchor = p;
    const int extent = Vertical() ? FTextLabel->Height() : FTextLabel->Width();
    const int size = Vertical() ? Height() : Width();
    if (FTextOffset < -extent)
        FTextOffset = size;
    else if (FTextOffset > size)
        FTextOffset = -extent;
    ApplyOffset();
}

void TScrollText::DragEnd() {
    FThread->OnStep = [this](TObject*) { ScrollStep(); };
    FDragging = false;
    if (FTextLabel->HandleAllocated() && GetCapture() == FTextLabel->Handle()) ReleaseCapture();
}
