#pragma once
// A text label that can swap to another font under the pointer, sets the application's tooltip
// colour meanwhile, and reports the pointer's entry and exit.
#include "framework/Label.h"

#include <memory>

class TTrackLabel : public TLabel {
public:
    explicit TTrackLabel(TComponent* owner);
    ~TTrackLabel() override;

    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool hotTrack) { FHotTrack = hotTrack; }
    // The font shown under the pointer; writing copies the given font's attributes.
    TFont* HotTrackFont() const { return FHotTrackFont.get(); }
    void SetHotTrackFont(const TFont& font) { FHotTrackFont->Assign(font); }
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor color) { FHintColor = color; }
    bool MouseInside() const { return FMouseInside; }

    // OnMouseEnter and OnMouseLeave come with every control.
    TNotifyEvent OnCtl3DChanged;
    TNotifyEvent OnParentColorChange;

protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void Ctl3DChanged() override;
    // The fonts kept aside for hot tracking follow the label's screen too.
    void ScaleFonts(int m, int d) override;
    void ParentColorChanged() override;
    bool DialogChar(wchar_t key) override;

private:
    bool FHotTrack = false;
    std::unique_ptr<TFont> FHotTrackFont;
    std::unique_ptr<TFont> FSavedFont;
    TColor FHintColor = clInfoBk;
    TColor FSavedHintColor = clInfoBk;
    bool FMouseInside = false;
};
