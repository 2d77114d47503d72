#include "components/FormShaper.h"

#include "framework/Form.h"

#include <cstring>
#include <utility>

namespace {

TForm* ParentFormOf(TComponent* owner) {
    if (auto* form = dynamic_cast<TForm*>(owner)) return form;
    auto* control = dynamic_cast<TControl*>(owner);
    for (TWinControl* parent = control ? control->Parent() : nullptr; parent; parent = parent->Parent())
        if (auto* form = dynamic_cast<TForm*>(parent)) return form;
    return nullptr;
}

} // namespace

std::vector<RECT> MaskRuns(const BYTE* pixels, int width, int height, size_t stride) {
    std::vector<RECT> runs;
    if (!pixels || width <= 0 || height <= 0) return runs;
    const BYTE* key = pixels;
    auto isKey = [key](const BYTE* pixel) { return std::memcmp(pixel, key, 3) == 0; };
    for (int y = 0; y < height; ++y) {
        const BYTE* row = pixels + static_cast<size_t>(y) * stride;
        int x = 0;
        while (x < width) {
            while (x < width && isKey(row + x * 3))
                ++x;
            const int x1 = x;
            while (x < width && !isKey(row + x * 3))
                ++x;
            if (x > x1) runs.push_back(RECT{x1, y, x, y + 1});
        }
    }
    return runs;
}

HRGN RegionFromRuns(const std::vector<RECT>& runs) {
    HRGN region = nullptr;
    for (const RECT& r : runs) {
        HRGN piece = CreateRectRgn(r.left, r.top, r.right, r.bottom);
        if (!piece) continue;
        if (!region) {
            region = piece;
            continue;
        }
        CombineRgn(region, region, piece, RGN_OR);
        DeleteObject(piece);
    }
    return region;
}

HRGN RegionFromMask(HBITMAP mask) {
    BITMAP info{};
    if (!mask || !GetObjectW(mask, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return nullptr;
    // A 24-bit copy, top row first, whatever the mask's own format.
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    const size_t stride = (static_cast<size_t>(info.bmWidth) * 3 + 3) & ~size_t{3};
    std::vector<BYTE> pixels(stride * static_cast<size_t>(info.bmHeight));
    TScreenDC dc;
    if (!GetDIBits(dc.Get(), mask, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &format,
                   DIB_RGB_COLORS))
        return nullptr;
    return RegionFromRuns(MaskRuns(pixels.data(), info.bmWidth, info.bmHeight, stride));
}

TFormShaper::TFormShaper(TComponent* owner) : TComponent(owner), FForm(ParentFormOf(owner)) {}

TFormShaper::~TFormShaper() {
    // Freed on its own, it gives the form its title bar back; going with its form, nothing.
    if (FForm && !FForm->IsDestroying() && FForm->HandleAllocated()) ShowCaption();
    if (FFormHooked)
        RemoveWndProcHook(FForm, MakeWindowHookProc<TFormShaper, &TFormShaper::HandleFormMessage>(this), HookAfter);
}

SIZE TFormShaper::MaskSize() const {
    BITMAP info{};
    if (!FMask || !GetObjectW(FMask.Get(), sizeof info, &info)) return {0, 0};
    return {info.bmWidth, info.bmHeight};
}

HWND TFormShaper::FormWindow() {
    if (!FForm) return nullptr;
    if (FForm->DefersHandle()) {
        // The form is still being made: its window gets the current state when it is created.
        FApplyPending = true;
        if (!FFormHooked) {
            AddWndProcHook(FForm, MakeWindowHookProc<TFormShaper, &TFormShaper::HandleFormMessage>(this), HookAfter);
            FFormHooked = true;
        }
        return nullptr;
    }
    return FForm->Handle();
}

bool TFormShaper::HandleFormMessage(TMessage& message) {
    if (message.Msg == WM_CREATE && std::exchange(FApplyPending, false)) SetEnable(FEnable);
    return false;
}

void TFormShaper::ApplyRegion() {
    // The region belongs to the window once handed over; a null one takes the clipping away.
    if (HWND wnd = FormWindow()) SetWindowRgn(wnd, RegionFromMask(Mask()), TRUE);
}

void TFormShaper::FitFormToMask() {
    if (!FForm) return;
    const SIZE size = MaskSize();
    FForm->SetWidth(size.cx);
    FForm->SetHeight(size.cy);
}

void TFormShaper::ShowCaption() {
    HWND wnd = FormWindow();
    if (!wnd) return;
    SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) | kCaptionBits);
    SetWindowRgn(wnd, nullptr, TRUE);
}

void TFormShaper::SetEnable(bool enable) {
    FEnable = enable;
    if (!enable) {
        ShowCaption();
        return;
    }
    if (HWND wnd = FormWindow())
        SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) & ~kCaptionBits);
    ApplyRegion();
    if (FAutoSize) FitFormToMask();
}

void TFormShaper::SetMask(HBITMAP mask) {
    FMask.Reset(mask ? CopyImage(mask, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION) : nullptr);
    if (FEnable) {
        ApplyRegion();
        if (FAutoSize) FitFormToMask();
    } else if (HWND wnd = FormWindow()) {
        SetWindowRgn(wnd, nullptr, TRUE);
    }
}

void TFormShaper::SetAutoSize(bool autoSize) {
    FAutoSize = autoSize;
    if (autoSize && FEnable) FitFormToMask();
}
