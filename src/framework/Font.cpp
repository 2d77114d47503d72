#include "framework/Font.h"

TFont::TFont() = default;

void TFont::Changed() {
    FHandle.Reset();
    if (OnChange) OnChange(this);
}

void TFont::Assign(const TFont& source) {
    if (&source == this) return;
    FName = source.FName;
    FHeight = source.FHeight;
    FColor = source.FColor;
    FStyle = source.FStyle;
    FCharset = source.FCharset;
    FPixelsPerInch = source.FPixelsPerInch;
    Changed();
}

void TFont::SetName(const std::wstring& name) {
    if (name == FName) return;
    FName = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == FHeight) return;
    FHeight = height;
    Changed();
}

int TFont::Size() const { return -ScaleLength(FHeight, 72, FPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-ScaleLength(points, FPixelsPerInch, 72)); }

void TFont::SetPixelsPerInch(int pixelsPerInch) {
    if (pixelsPerInch <= 0 || pixelsPerInch == FPixelsPerInch) return;
    const int height = FHeightSource.Rescale(FHeight, FPixelsPerInch, pixelsPerInch, ScaleFontHeight);
    FPixelsPerInch = pixelsPerInch;
    FHeight = height;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

void TFont::SetCharset(BYTE charset) {
    if (charset == FCharset) return;
    FCharset = charset;
    Changed();
}

LOGFONTW TFont::LogFont() const {
    LOGFONTW lf{};
    lf.lfHeight = FHeight;
    lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (FStyle & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (FStyle & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (FStyle & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = FCharset;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    FName.copy(lf.lfFaceName, LF_FACESIZE - 1);
    return lf;
}

HFONT TFont::Handle() {
    if (!FHandle) {
        LOGFONTW lf = LogFont();
        FHandle.Reset(CreateFontIndirectW(&lf));
    }
    return FHandle.Get();
}
