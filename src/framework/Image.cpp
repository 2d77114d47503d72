#include "framework/Image.h"

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

void TImage::Paint(HDC dc) {
    if (FPicture.Empty() || FPicture.Pixels.size() < static_cast<size_t>(FPicture.Width) * FPicture.Height) return;
    if (!FBitmap) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = FPicture.Width;
        info.bmiHeader.biHeight = -FPicture.Height; // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap.Reset(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!FBitmap || !bits) return;
        std::memcpy(bits, FPicture.Pixels.data(), FPicture.Pixels.size() * sizeof(std::uint32_t));
    }
    HDC source = CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, FBitmap.Get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, 0, 0, FPicture.Width, FPicture.Height, source, 0, 0, FPicture.Width, FPicture.Height, blend);
    SelectObject(source, old);
    DeleteDC(source);
}
