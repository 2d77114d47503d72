#include "components/HotLink.h"

#include "framework/AccessibleName.h"
#include "framework/Handles.h"
#include "framework/HighContrast.h"
#include "framework/WinControl.h"

#include <oleacc.h>
#include <shellapi.h>

std::function<void(const std::wstring&)> THotLink::ShellOpenUrl = [](const std::wstring& target) {
    ShellExecuteW(nullptr, nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
};

// A window in the link's place that shows nothing and lets the mouse through (its region is
// empty), so the label keeps its look and its mouse handling; it is there for the Tab order,
// the keys and the screen reader, which reads its text and sees it where the link is.
class TLinkFocus : public TWinControl {
public:
    explicit TLinkFocus(THotLink* link) : TWinControl(link), FLink(link) {
        SetAccessibleRole(*this, ROLE_SYSTEM_LINK);
    }

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.ClassName = L"THotLinkFocus";
        params.Style |= WS_TABSTOP;
    }
    void CreateWnd() override {
        TWinControl::CreateWnd();
        SetWindowRgn(Handle(), CreateRectRgn(0, 0, 0, 0), FALSE);
    }
    // It follows the link's bounds, which are scaled with the label.
    void ScaleBounds(int, int) override {
        SetBounds(FLink->Left(), FLink->Top(), FLink->Width(), FLink->Height());
    }
    void KeyDown(WORD& key, TShiftState shift) override {
        TWinControl::KeyDown(key, shift);
        if ((key == VK_RETURN || key == VK_SPACE) && !(shift & (ssCtrl | ssAlt))) {
            key = 0;
            FLink->Click();
        }
    }
    void WndProc(TMessage& m) override {
        switch (m.Msg) {
        case WM_GETDLGCODE:
            // Enter opens the link rather than pressing a default button.
            m.Result = m.WParam == VK_RETURN ? DLGC_WANTMESSAGE : 0;
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_UPDATEUISTATE:
            TWinControl::WndProc(m);
            FLink->Invalidate();
            return;
        case WM_ERASEBKGND:
            m.Result = 1;
            return;
        default:
            TWinControl::WndProc(m);
        }
    }

private:
    THotLink* FLink;
};

THotLink::THotLink(TComponent* owner) : TTrackLabel(owner), FUrl(L"https://quillpad.example/") {
    SetCursor(crHandPoint);
    SetHotTrack(true);
    HotTrackFont()->SetColor(clBlue);
    HotTrackFont()->SetStyle(fsUnderline);
    FFocus = new TLinkFocus(this);
}

TWinControl* THotLink::FocusWindow() const {
    return FFocus;
}

void THotLink::SetParent(TWinControl* parent) {
    TTrackLabel::SetParent(parent);
    FFocus->SetParent(parent);
}

void THotLink::SetBounds(int left, int top, int width, int height) {
    TTrackLabel::SetBounds(left, top, width, height);
    if (FFocus) FFocus->SetBounds(FLeft, FTop, FWidth, FHeight);
}

void THotLink::SetVisible(bool visible) {
    TTrackLabel::SetVisible(visible);
    FFocus->SetVisible(visible);
}

void THotLink::SetEnabled(bool enabled) {
    TTrackLabel::SetEnabled(enabled);
    FFocus->SetEnabled(enabled);
}

void THotLink::SetCaption(const std::wstring& caption) {
    TTrackLabel::SetCaption(caption);
    FFocus->SetCaption(caption);
}

void THotLink::Click() {
    TTrackLabel::Click();
    if (ShellOpenUrl) ShellOpenUrl(FUrl);
}

COLORREF THotLink::ShownTextColor() {
    return HighContrast::On() ? GetSysColor(COLOR_HOTLIGHT) : TTrackLabel::ShownTextColor();
}

void THotLink::Paint(HDC dc) {
    TTrackLabel::Paint(dc);
    if (FFocus->ShowsFocus()) {
        RECT box{0, 0, FWidth, FHeight};
        DrawFocusRect(dc, &box);
    }
}
