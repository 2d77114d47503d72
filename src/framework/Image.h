#pragma once
// A picture drawn unscaled at the control's top-left corner, its transparent pixels showing
// what lies beneath.
#include "framework/GraphicControl.h"
#include "framework/Handles.h"

#include <cstdint>
#include <vector>

// 32-bit pixels, blue-green-red-alpha with the colour already multiplied by alpha, top row first.
struct TPremultipliedImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Pixels;
    bool Empty() const { return Width <= 0 || Height <= 0; }
};

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);

    const TPremultipliedImage& Picture() const { return FPicture; }
    // An empty picture leaves the control showing its parent.
    void SetPicture(TPremultipliedImage picture);

protected:
    void Paint(HDC dc) override;

private:
    TPremultipliedImage FPicture;
    TGdiObject FBitmap; // the picture as a DIB section, made at the first paint
};
