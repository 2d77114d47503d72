#include "components/TrackLabel.h"

#include "framework/Application.h"
#include "framework/Form.h"

TTrackLabel::TTrackLabel(TComponent* owner)
    : TLabel(owner), FHotTrackFont(std::make_unique<TFont>()), FSavedFont(std::make_unique<TFont>()) {}

TTrackLabel::~TTrackLabel() = default;

void TTrackLabel::MouseEnter() {
    if (IsDesigning()) return;
    // Saved once per entry, so a second entry cannot save the hot-track font as the normal one.
    if (!FMouseInside) {
        if (Application) {
            FSavedHintColor = Application->HintColor();
            Application->SetHintColor(FHintColor);
        }
        if (FHotTrack) {
            FSavedFont->Assign(*Font());
            Font()->Assign(*FHotTrackFont);
        }
        FMouseInside = true;
    }
    TLabel::MouseEnter();
}

void TTrackLabel::MouseLeave() {
    if (IsDesigning()) return;
    if (FMouseInside) {
        if (Application) Application->SetHintColor(FSavedHintColor);
        if (FHotTrack) Font()->Assign(*FSavedFont);
        FMouseInside = false;
    }
    TLabel::MouseLeave();
}

void TTrackLabel::ScaleFonts(int m, int d) {
    TLabel::ScaleFonts(m, d);
    FHotTrackFont->SetPixelsPerInch(m);
    FSavedFont->SetPixelsPerInch(m);
}

void TTrackLabel::Ctl3DChanged() {
    TLabel::Ctl3DChanged();
    if (OnCtl3DChanged) OnCtl3DChanged(this);
}

void TTrackLabel::ParentColorChanged() {
    TLabel::ParentColorChanged();
    if (OnParentColorChange) OnParentColorChange(this);
}

bool TTrackLabel::DialogChar(wchar_t key) {
    if (!TLabel::DialogChar(key)) return false;
    // Landing on a control outside the tab order, the focus moves on to the next one.
    TForm* form = GetParentForm(this);
    if (form && form->HandleAllocated()) {
        HWND focus = GetFocus();
        if (!focus || !(GetWindowLongPtrW(focus, GWL_STYLE) & WS_TABSTOP))
            PostMessageW(form->Handle(), WM_NEXTDLGCTL, 0, 0);
    }
    return true;
}
