#pragma once
// Takes the title bar off a form and clips its window to the shape of a mask bitmap, and puts
// both back. Every setter acts on the window at once, also when the value does not change, and
// nothing of the window is remembered: a re-created window keeps its own style until the next
// setter runs. Only a form still being created, whose window is yet to be made, gets the state
// of the last setter when its window is created.
#include "components/WndProcHook.h"
#include "framework/Component.h"
#include "framework/Handles.h"

#include <vector>

class TForm;

// The title bar: WS_BORDER together with WS_DLGFRAME.
constexpr LONG kCaptionBits = 0x00C00000;

// One-row rectangles covering the pixels that differ from the key colour, the top-left pixel's.
// `pixels` are 24-bit rows (blue, green, red), top row first, `stride` bytes apart.
std::vector<RECT> MaskRuns(const BYTE* pixels, int width, int height, size_t stride);
// The union of the rectangles; nullptr when there are none (no clipping).
HRGN RegionFromRuns(const std::vector<RECT>& runs);
// The region of a mask bitmap, in window coordinates; nullptr for an empty mask or one that has
// nothing but the key colour.
HRGN RegionFromMask(HBITMAP mask);

class TFormShaper : public TComponent {
public:
    // Acts on the owner when it is a form, otherwise on the form the owner is placed on.
    explicit TFormShaper(TComponent* owner);
    ~TFormShaper() override;

    // An owned copy; nullptr when empty.
    HBITMAP Mask() const { return static_cast<HBITMAP>(FMask.Get()); }
    SIZE MaskSize() const;
    void SetMask(HBITMAP mask);
    bool Enable() const { return FEnable; }
    void SetEnable(bool enable);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool autoSize);

    TForm* Form() const { return FForm; }

private:
    // The form's window; null when there is no form or its window is yet to be made.
    HWND FormWindow();
    bool HandleFormMessage(TMessage& message);
    void ApplyRegion();
    void FitFormToMask();
    void ShowCaption();

    TForm* FForm = nullptr;
    TGdiObject FMask;
    bool FEnable = false;
    bool FAutoSize = false;
    bool FApplyPending = false;
    bool FFormHooked = false;
};
