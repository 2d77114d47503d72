#include "framework/Image.h"

#include "framework/PictureScale.h"

#include <cstring>

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    FWidth = 105;
    FHeight = 105;
}

void TImage::SetPicture(TPremultipliedImage picture) {
    FPicture = std::move(picture);
    FBitmap.Reset();
    Invalidate();
}

SIZE TImage::DrawnSize() const {
    return {ScaleLength(FPicture.Width, FPixelsPerInch, kDesignPixelsPerInch),
            ScaleLength(FPicture.Height, FPixelsPerInch, kDesignPixelsPerInch)};
}

void TImage::ScaleBounds(int m, int d) {
    TGraphicControl::ScaleBounds(m, d);
    FPixelsPerInch = m;
    FBitmap.Reset();
}

void TImage::Paint(HDC dc) {
    if (FPicture.Empty() || FPicture.Pixels.size() < static_cast<size_t>(FPicture.Width) * FPicture.Height) return;
    const SIZE size = DrawnSize();
    if (size.cx <= 0 || size.cy <= 0) return;
    if (!FBitmap) {
        const bool resized = size.cx != FPicture.Width || size.cy != FPicture.Height;
        const TPremultipliedImage scaled = resized ? ScalePicture(FPicture, size.cx, size.cy) : TPremultipliedImage{};
        const TPremultipliedImage& drawn = resized ? scaled : FPicture;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = drawn.Width;
        info.bmiHeader.biHeight = -drawn.Height; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap.Reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!FBitmap || !bits) return;
        std::memcpy(bits, drawn.Pixels.data(), static_cast<size_t>(drawn.Width) * drawn.Height * sizeof(std::uint32_t));
    }
    HDC source = CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, FBitmap.Get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, 0, 0, size.cx, size.cy, source, 0, 0, size.cx, size.cy, blend);
    SelectObject(source, old);
    DeleteDC(source);
}
