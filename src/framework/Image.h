#pragma once
// A picture drawn at the control's top-left corner, its transparent pixels showing what lies
// beneath. Its pixels are design pixels: on a screen of another resolution it is drawn resized.
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

    // The size the picture is drawn at on the control's screen.
    SIZE DrawnSize() const;

protected:
    void Paint(HDC dc) override;
    void ScaleBounds(int m, int d) override;

private:
    TPremultipliedImage FPicture;
    int FPixelsPerInch = kDesignPixelsPerInch;
    TGdiObject FBitmap; // the picture as drawn, as a DIB section made at the first paint
};
