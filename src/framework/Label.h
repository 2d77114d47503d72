#pragma once
// A text label without a window of its own: its parent draws its caption and gives it the mouse.
#include "framework/GraphicControl.h"

class TWinControl;

class TLabel : public TGraphicControl {
public:
    explicit TLabel(TComponent* owner);
    ~TLabel() override;

    void SetParent(TWinControl* parent) override;
    void SetCaption(const std::wstring& caption) override;
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment alignment);
    // The label fits itself to its caption: both sides, or only its height when it wraps words.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool autoSize);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool wordWrap);
    // A transparent label leaves its parent's background under the text.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool transparent);
    // "&" underlines the next letter and makes it the mnemonic; off, "&" shows as itself.
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool show);
    // The control that takes the focus when the caption's mnemonic is pressed.
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* control);

    // The mnemonic letter of a caption (after a single "&"), or 0.
    static wchar_t MnemonicOf(const std::wstring& caption);

protected:
    void Paint(HDC dc) override;
    void FontChanged() override;
    bool DialogChar(wchar_t key) override;
    void Notification(TComponent* component, TOperation operation) override;
    // Fits the bounds to the caption when AutoSize is on; while loading, once loading ends.
    void AdjustBounds();
    void Loaded() override;
    void ScaleFonts(int m, int d) override;
    // The caption's colour on screen; under high contrast a system colour.
    virtual COLORREF ShownTextColor();

private:
    UINT DrawTextFlags() const;
    // The caption's extent in the current font, wrapped at the label's width when it wraps.
    SIZE TextExtent() const;

    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FBoundsPending = false;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};
