#pragma once
// A font description with a lazily created GDI font; every change is announced through OnChange.
#include "framework/DpiScale.h"
#include "framework/Handles.h"
#include "framework/Types.h"

#include <string>

enum TFontStyle : unsigned { fsBold = 1u << 0, fsItalic = 1u << 1, fsUnderline = 1u << 2, fsStrikeOut = 1u << 3 };
using TFontStyles = unsigned;

class TFont : public TObject {
public:
    TFont();
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    // Copies every attribute of `source`, announcing one change.
    void Assign(const TFont& source);

    const std::wstring& Name() const { return FName; }
    void SetName(const std::wstring& name);
    // Height in pixels at PixelsPerInch; negative values give the character height, as LOGFONT does.
    int Height() const { return FHeight; }
    void SetHeight(int height);
    // Size in points, the same at every resolution.
    int Size() const;
    void SetSize(int points);
    // The resolution Height is given at: 96 for a design value until its window is scaled.
    // Setting it rescales the height, so the text keeps its size on the new screen.
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int pixelsPerInch);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles style);
    BYTE Charset() const { return FCharset; }
    void SetCharset(BYTE charset);

    HFONT Handle();
    LOGFONTW LogFont() const;

    TNotifyEvent OnChange;

private:
    void Changed();

    std::wstring FName = L"MS Sans Serif";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    BYTE FCharset = DEFAULT_CHARSET;
    int FPixelsPerInch = kDesignPixelsPerInch;
    TScaleSource<int> FHeightSource;
    TFontHandle FHandle;
};
