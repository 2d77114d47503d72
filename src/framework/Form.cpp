#include "framework/Form.h"

#include "framework/Actions.h"
#include "framework/Application.h"
#include "framework/Button.h"
#include "framework/Dpi.h"
#include "framework/Error.h"
#include "framework/HighContrast.h"
#include "framework/Layered.h"
#include "framework/Monitors.h"

#include <utility>
#include <vector>

TForm* GetParentForm(TControl* control) {
    while (control && control->Parent())
        control = control->Parent();
    return dynamic_cast<TForm*>(control);
}

TForm::TForm(TComponent* owner) : TWinControl(owner) {
    BeginLoad();
    FVisible = false;
    FColor = clBtnFace;
}

TForm::~TForm() = default;

void TForm::AfterConstruction() {
    // Still loading, so the form's own handlers see no resize: what they set from OnCreate on
    // (a stored size, say) is in screen pixels.
    ScaleToMonitor();
    EndLoad();
    FCreating = true;
    if (OnCreate) Guarded(this, [&] { OnCreate(this); });
    FCreating = false;
    if (std::exchange(FHandleWanted, false)) HandleNeeded();
    if (FVisible) ShowWindowNow();
}

bool TForm::DefersHandle() {
    if (HandleAllocated() || !(IsLoading() || FCreating)) return false;
    FHandleWanted = true;
    return true;
}

void TForm::BeforeDestruction() {
    if (OnDestroy) Guarded(this, [&] { OnDestroy(this); });
}

bool TForm::IsMainForm() const {
    return Application && Application->MainForm() == this;
}

void TForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = FWindowClass;
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.ExStyle = 0;
    switch (FBorderStyle) {
    case bsNone:
        params.Style |= WS_POPUP;
        break;
    case bsSizeable:
        params.Style |= WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        params.ExStyle |= WS_EX_WINDOWEDGE;
        break;
    case bsDialog:
        params.Style |= WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (!FEnabled) params.Style |= WS_DISABLED;
    if (FStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
    params.WndParent = Application ? Application->Handle() : nullptr;
}

void TForm::ScaleToMonitor() {
    const RECT r{FLeft, FTop, FLeft + FWidth, FTop + FHeight};
    ChangeScale(HandleAllocated() ? WindowPixelsPerInch(Handle()) : PixelsPerInchAt(r), FPixelsPerInch);
}

void TForm::ScaleBounds(int m, int d) {
    FPixelsPerInch = m;
    if (FTakingSuggestedRect) return;
    // The window may already be at the new resolution while its size is still meant for the old
    // one: the client is what the old frame leaves.
    const SIZE before = FrameSizeAt(d), after = FrameSizeAt(m);
    const TBox current{0, 0, FWidth - before.cx, FHeight - before.cy};
    const TBox client = FClientSource.Rescale(current, d, m, ScaleBox);
    SetBounds(FLeft, FTop, client.Width + after.cx, client.Height + after.cy);
    FClientSource.Applied(TBox{0, 0, FWidth - after.cx, FHeight - after.cy});
}

SIZE TForm::FrameSizeAt(int pixelsPerInch) const {
    DWORD style, exStyle;
    if (HandleAllocated()) {
        HWND wnd = const_cast<TForm*>(this)->Handle();
        style = static_cast<DWORD>(GetWindowLongPtrW(wnd, GWL_STYLE));
        exStyle = static_cast<DWORD>(GetWindowLongPtrW(wnd, GWL_EXSTYLE));
    } else {
        TCreateParams params;
        const_cast<TForm*>(this)->CreateParams(params);
        style = params.Style;
        exStyle = params.ExStyle;
    }
    RECT r{0, 0, 0, 0};
    AdjustWindowRectForPixelsPerInch(r, style, exStyle, pixelsPerInch);
    return {r.right - r.left, r.bottom - r.top};
}

void TForm::DpiChanged(int pixelsPerInch, const RECT& suggested) {
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    FTakingSuggestedRect = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{FTakingSuggestedRect};
    ChangeScale(pixelsPerInch, FPixelsPerInch);
}

void TForm::CreateWnd() {
    // A window made on a monitor of another resolution than the one the form was scaled for:
    // sized for where it will be, and checked again once it is there.
    if (!IsLoading()) {
        const RECT r{FLeft, FTop, FLeft + FWidth, FTop + FHeight};
        ChangeScale(PixelsPerInchAt(r), FPixelsPerInch);
    }
    // The size a new window is made with is the form's own, not a resize.
    FReportedSize = {FWidth, FHeight};
    TWinControl::CreateWnd();
    if (!IsLoading()) {
        const int actual = WindowPixelsPerInch(Handle());
        if (actual != FPixelsPerInch) ChangeScale(actual, FPixelsPerInch);
    }
    UpdateLayering();
    // A re-created window comes back the way the old one was shown.
    if (FShowing) ShowWindow(Handle(), SW_SHOWNA);
}

SIZE TForm::FrameSize() const {
    if (HandleAllocated()) {
        RECT window, client;
        GetWindowRect(const_cast<TForm*>(this)->Handle(), &window);
        GetClientRect(const_cast<TForm*>(this)->Handle(), &client);
        return {(window.right - window.left) - client.right, (window.bottom - window.top) - client.bottom};
    }
    return FrameSizeAt(FPixelsPerInch);
}

int TForm::ClientWidth() const {
    return FWidth - FrameSize().cx;
}
int TForm::ClientHeight() const {
    return FHeight - FrameSize().cy;
}
void TForm::SetClientWidth(int width) {
    SetWidth(width + FrameSize().cx);
}
void TForm::SetClientHeight(int height) {
    SetHeight(height + FrameSize().cy);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == FBorderStyle) return;
    const TFormBorderStyle previous = std::exchange(FBorderStyle, style);
    try {
        RecreateWnd();
    } catch (...) {
        FBorderStyle = previous; // a control refused: the window kept its border
        throw;
    }
}

TWindowState TForm::WindowState() const {
    if (!HandleAllocated()) return wsNormal;
    HWND wnd = const_cast<TForm*>(this)->Handle();
    if (IsIconic(wnd)) return wsMinimized;
    if (IsZoomed(wnd)) return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
    if (!HandleAllocated() || !FVisible) return;
    ShowWindow(Handle(), state == wsMinimized   ? SW_MINIMIZE
                         : state == wsMaximized ? SW_MAXIMIZE
                                                : SW_RESTORE);
}

void TForm::SetStayOnTop(bool onTop) {
    FStayOnTop = onTop;
    if (HandleAllocated())
        SetWindowPos(Handle(), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::SetAlphaBlend(bool on) {
    FAlphaBlend = on;
    UpdateLayering();
}

void TForm::SetAlphaBlendValue(BYTE value) {
    FAlphaBlendValue = value;
    UpdateLayering();
}

void TForm::SetTransparentColor(bool on) {
    FTransparentColor = on;
    UpdateLayering();
}

void TForm::SetTransparentColorValue(TColor color) {
    FTransparentColorValue = color;
    UpdateLayering();
}

void TForm::UpdateLayering() {
    if (!HandleAllocated()) return;
    if (HighContrast::On())
        Layered::Apply(Handle(), false, 255, false, 0);
    else
        Layered::Apply(Handle(), FAlphaBlend, FAlphaBlendValue, FTransparentColor,
                       ColorToRGB(FTransparentColorValue));
}

void TForm::SystemColorsChanged() {
    UpdateLayering();
    SystemColorsChangedBelow();
    if (HandleAllocated())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TForm::SetVisible(bool visible) {
    if (IsLoading() || FCreating) {
        FVisible = visible; // applied once the form is created
        return;
    }
    if (visible)
        ShowWindowNow();
    else
        HideWindowNow();
}

void TForm::CenterOnScreen() {
    // On the monitor of the main window, where the user works with the program, even while it
    // is hidden; the primary monitor when there is none.
    TForm* main = Application ? Application->MainForm() : nullptr;
    HWND anchor = main && main != this && main->HandleAllocated() ? main->Handle() : nullptr;
    const RECT r = CentredIn({FWidth, FHeight}, WorkAreaOf(anchor));
    SetBounds(r.left, r.top, FWidth, FHeight);
}

void TForm::ShowWindowNow() {
    FVisible = true;
    HWND wnd = Handle();
    if (FShowing && IsWindowVisible(wnd)) return;
    if (FPosition == poScreenCenter) CenterOnScreen();
    FShowing = true;
    if (Application) Application->FormShowing(this);
    ShowWindow(wnd, SW_SHOW);
    DoShow();
}

void TForm::HideWindowNow() {
    FVisible = false;
    if (!HandleAllocated() || !FShowing) return;
    FShowing = false;
    ShowWindow(Handle(), SW_HIDE);
    if (Application) Application->UpdateVisible();
    DoHide();
}

void TForm::Show() {
    SetVisible(true);
    if (HandleAllocated()) SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TForm::Hide() {
    SetVisible(false);
}

void TForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

bool TForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TForm::Close() {
    if (FModal) {
        if (CloseQuery()) FModalResult = mrCancel; // the modal loop closes the form
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (IsMainForm()) {
        Application->Terminate();
        return;
    }
    if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Hide(); // forms live as long as the application: a freed form is only hidden
}

TModalResult TForm::ShowModal() {
    if (FVisible || !FEnabled || FModal || !Application) throw TError(L"Cannot make a visible window modal");
    if (Application->Terminated()) return mrCancel;
    if (GetCapture()) ReleaseCapture();
    HWND self = Handle();
    HWND previous = GetActiveWindow();

    struct TDisabler {
        HWND Keep;
        HWND AppWindow;
        std::vector<HWND> Disabled;
    } disabler{self, Application->Handle(), {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM param) -> BOOL {
            auto* d = reinterpret_cast<TDisabler*>(param);
            if (wnd != d->Keep && (IsWindowVisible(wnd) || wnd == d->AppWindow) && IsWindowEnabled(wnd)) {
                EnableWindow(wnd, FALSE);
                d->Disabled.push_back(wnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&disabler));
    auto enableOthers = [&] {
        for (HWND wnd : disabler.Disabled)
            if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
    };

    FModal = true;
    FModalResult = mrNone;
    try {
        Show();
        while (FModalResult == mrNone) {
            // The program is ending, also when a loop opened over this one took the quit message.
            if (Application->Terminated() || !Application->HandleMessage()) {
                FModalResult = mrCancel;
                break;
            }
            if (FModalResult != mrNone && !Application->Terminated()) {
                TCloseAction action = caHide;
                DoClose(action);
                if (action == caNone) FModalResult = mrNone;
            }
        }
    } catch (...) {
        enableOthers();
        FModal = false;
        Hide();
        throw;
    }
    enableOthers();
    Hide();
    FModal = false;
    if (previous && IsWindow(previous) && IsWindowVisible(previous)) SetActiveWindow(previous);
    return FModalResult;
}

bool TForm::IsShortCut(TShortCut shortcut) {
    for (size_t i = 0; i < ComponentCount(); ++i)
        if (auto* list = dynamic_cast<TActionList*>(Components(i)); list && list->IsShortCut(shortcut))
            return true;
    return false;
}

namespace {

TButton* FindButton(const TWinControl* parent, bool (TButton::*marked)() const) {
    for (size_t i = 0; i < parent->ControlCount(); ++i) {
        auto* child = dynamic_cast<TWinControl*>(parent->Controls(i));
        if (!child) continue;
        if (auto* button = dynamic_cast<TButton*>(child);
            button && (button->*marked)() && button->CanFocus() && button->HandleAllocated())
            return button;
        if (TButton* inside = FindButton(child, marked)) return inside;
    }
    return nullptr;
}

} // namespace

TButton* TForm::DefaultButton() const {
    return FindButton(this, &TButton::Default);
}

TButton* TForm::CancelButton() const {
    return FindButton(this, &TButton::Cancel);
}

void TForm::FocusDialogControl(HWND control, bool selectText) {
    ::SetFocus(control);
    if (selectText && (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL))
        SendMessageW(control, EM_SETSEL, 0, -1);
}

void TForm::RestoreDialogFocus() {
    HWND wnd = Handle();
    HWND target = FFocusedChild;
    FFocusedChild = nullptr;
    if (!target || !IsWindow(target) || !IsChild(wnd, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target))
        target = GetNextDlgTabItem(wnd, nullptr, FALSE);
    if (target && target != wnd) ::SetFocus(target);
}

bool TForm::DialogKey(MSG& msg) {
    if (FBorderStyle != bsDialog || !HandleAllocated() || msg.message != WM_KEYDOWN) return false;
    const WORD key = static_cast<WORD>(msg.wParam);
    if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE) return false;
    const TShiftState shift = KeyboardShiftState();
    if (shift & (ssCtrl | ssAlt)) return false;
    const LRESULT code = SendMessageW(msg.hwnd, WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&msg));
    if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
    switch (key) {
    case VK_TAB:
        if (code & DLGC_WANTTAB) return false;
        // The keyboard is in use: focus frames show from now on, as in the system's dialogs.
        SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        Perform(WM_NEXTDLGCTL, (shift & ssShift) ? 1 : 0, 0);
        return true;
    case VK_RETURN: {
        TButton* button = nullptr;
        if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))
            button = dynamic_cast<TButton*>(TWinControl::FromHandle(msg.hwnd));
        if (!button) button = DefaultButton();
        if (!button) return false;
        button->Click();
        return true;
    }
    default: // VK_ESCAPE
        if (TButton* cancel = CancelButton())
            cancel->Click();
        else
            Close();
        return true;
    }
}

void TForm::Resize() {
    // Showing or re-creating a window also reports its size: only a new size is a resize.
    const bool changed = FWidth != FReportedSize.cx || FHeight != FReportedSize.cy;
    FReportedSize = {FWidth, FHeight};
    if (changed && OnResize && !IsLoading()) OnResize(this);
}

void TForm::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_ACTIVATE: {
        const bool active = LOWORD(m.WParam) != WA_INACTIVE;
        if (FBorderStyle == bsDialog && !active) {
            HWND focus = GetFocus();
            FFocusedChild = focus && IsChild(Handle(), focus) ? focus : nullptr;
        }
        DefaultHandler(m);
        // A dialog gives the focus back to the control that had it, as a dialog box does.
        if (FBorderStyle == bsDialog && active && !HIWORD(m.WParam)) RestoreDialogFocus();
        if (active == FActive) return;
        FActive = active;
        if (active && OnActivate) OnActivate(this);
        if (!active && OnDeactivate) OnDeactivate(this);
        return;
    }
    case WM_CLOSE:
        Close();
        return;
    case kDpiChangedMessage:
        DpiChanged(HIWORD(m.WParam), *reinterpret_cast<const RECT*>(m.LParam));
        m.Result = 0;
        return;
    case WM_NEXTDLGCTL:
        // Forms are not dialog boxes, so the tab-order move a control asks for is done here.
        if (!m.LParam) {
            HWND focus = GetFocus();
            if (focus && !IsChild(Handle(), focus)) focus = nullptr;
            if (HWND next = GetNextDlgTabItem(Handle(), focus, m.WParam != 0)) FocusDialogControl(next, true);
        } else if (m.WParam) {
            FocusDialogControl(reinterpret_cast<HWND>(m.WParam), true);
        }
        return;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        // Only top-level windows are told; their controls learn it from them.
        TWinControl::WndProc(m);
        if (HighContrast::IsChange(m.Msg, m.WParam)) SystemColorsChanged();
        return;
    case WM_SYSCOMMAND:
        // Minimising the main form minimises the application, whose window hooks see it first.
        if ((m.WParam & 0xFFF0) == SC_MINIMIZE && IsMainForm()) {
            m.Result = SendMessageW(Application->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            return;
        }
        break;
    }
    TWinControl::WndProc(m);
}
