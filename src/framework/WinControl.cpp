#include "framework/WinControl.h"

#include "framework/Application.h"
#include "framework/Error.h"
#include "framework/Menus.h"
#include "framework/ShortcutText.h"
#include "framework/SystemError.h"
#include "framework/ToolTips.h"
#include "framework/WindowClass.h"

#include <windowsx.h>

#include <algorithm>

namespace {

const wchar_t kControlProp[] = L"Quillpad.Control";

} // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    WindowProc = [this](TMessage& message) { WndProc(message); };
}

TWinControl::~TWinControl() {
    for (TControl* child : FControls) child->FParent = nullptr;
    FControls.clear();
    if (FHandle) {
        // The derived parts are gone: the window's last messages must not reach this object.
        HWND wnd = FHandle;
        Unbind();
        DestroyWindow(wnd);
    }
}

TWinControl* TWinControl::FromHandle(HWND wnd) {
    return wnd ? static_cast<TWinControl*>(GetPropW(wnd, kControlProp)) : nullptr;
}

void TWinControl::Bind(HWND wnd) {
    FHandle = wnd;
    SetPropW(wnd, kControlProp, this);
}

void TWinControl::Unbind() {
    if (!FHandle) return;
    RemoveToolTip(FHandle);
    RemovePropW(FHandle, kControlProp);
    if (FDefWndProc && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(FHandle, GWLP_WNDPROC)) == StaticWndProc)
        SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
    FHandle = nullptr;
    FDefWndProc = nullptr;
    FMouseInside = false;
    FClickPending = false;
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            self->Bind(wnd);
            self->FDefWndProc = DefWindowProcW;
        }
    } else {
        self = FromHandle(wnd);
    }
    if (!self) return DefWindowProcW(wnd, msg, wParam, lParam);

    TMessage message{msg, wParam, lParam, 0};
    Guarded(self, [&] { self->WindowProc(message); });
    if (msg == WM_NCDESTROY && self->FHandle == wnd) self->Unbind();
    return message.Result;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.ClassName = L"Quillpad.Control";
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (FVisible) params.Style |= WS_VISIBLE;
    if (!FEnabled) params.Style |= WS_DISABLED;
    params.X = FLeft;
    params.Y = FTop;
    params.Width = FWidth;
    params.Height = FHeight;
    if (FParent) params.WndParent = FParent->Handle();
}

HWND TWinControl::Handle() {
    if (FHandle) return FHandle;
    // A parent that has no window yet makes its children's windows with its own, this one's too.
    if (FParent && !FParent->HandleAllocated()) {
        FParent->HandleNeeded();
        if (FHandle) return FHandle;
    }
    CreateWnd();
    for (TControl* child : std::vector<TControl*>(FControls))
        if (auto* windowed = dynamic_cast<TWinControl*>(child)) windowed->HandleNeeded();
    AlignControls();
    return FHandle;
}

void TWinControl::AlignControls() {
    if (!FHandle) return;
    RECT client;
    GetClientRect(FHandle, &client);
    for (TControl* child : FControls)
        if (child->Align() == alClient) child->SetBounds(0, 0, client.right, client.bottom);
}

void TWinControl::ForEachInTree(const std::function<void(TControl*)>& action) {
    action(this);
    for (TControl* child : std::vector<TControl*>(FControls)) {
        if (auto* windowed = dynamic_cast<TWinControl*>(child))
            windowed->ForEachInTree(action);
        else
            action(child);
    }
}

void TWinControl::SystemColorsChangedBelow() {
    ForEachInTree([this](TControl* control) {
        if (control != this) control->SystemColorsChanged();
    });
}

void TWinControl::ChangeScale(int m, int d) {
    if (m <= 0 || d <= 0 || m == d) return;
    ForEachInTree([&](TControl* control) { control->ScaleBounds(m, d); });
    ForEachInTree([&](TControl* control) { control->ScaleFonts(m, d); });
    AlignControls();
}

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if (!params.SystemClass) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = params.ClassStyle;
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = TApplication::LoadAppIcon(GetSystemMetrics(SM_CXICON));
        wc.hIconSm = TApplication::LoadAppIcon(GetSystemMetrics(SM_CXSMICON));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = params.ClassName.c_str();
        RegisterWindowClass(wc);
    }
    HWND wnd = CreateWindowExW(params.ExStyle, params.ClassName.c_str(), FCaption.c_str(), params.Style, params.X,
                               params.Y, params.Width, params.Height, params.WndParent, nullptr,
                               GetModuleHandleW(nullptr), params.SystemClass ? nullptr : this);
    if (!wnd) throw TError(L"Error creating window. " + SystemErrorText(GetLastError()));
    FSystemClass = params.SystemClass;
    if (params.SystemClass) {
        Bind(wnd);
        FDefWndProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
    }
    SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
    UpdateToolTip();
}

void TWinControl::DestroyWnd() {
    if (FHandle) DestroyWindow(FHandle);
}

void TWinControl::DestroyHandle() {
    if (!FHandle) return;
    for (TControl* child : std::vector<TControl*>(FControls))
        if (auto* windowed = dynamic_cast<TWinControl*>(child)) windowed->DestroyHandle();
    DestroyWnd();
    // A window destroyed behind our back still leaves us unbound.
    if (FHandle && !IsWindow(FHandle)) Unbind();
}

void TWinControl::RecreateWnd() {
    if (!FHandle) return;
    ForEachInTree([](TControl* control) {
        auto* windowed = dynamic_cast<TWinControl*>(control);
        if (windowed && windowed->HandleAllocated()) windowed->CheckRecreate();
    });
    DestroyHandle();
    HandleNeeded();
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage message{msg, wParam, lParam, 0};
    WindowProc(message);
    return message.Result;
}

void TWinControl::DefaultHandler(TMessage& message) {
    if (!FHandle) return;
    message.Result = CallWindowProcW(FDefWndProc ? FDefWndProc : DefWindowProcW, FHandle, message.Msg,
                                     message.WParam, message.LParam);
}

void TWinControl::InsertControl(TControl* control) { FControls.push_back(control); }

void TWinControl::RemoveControl(TControl* control) {
    if (FHoverControl == control) FHoverControl = nullptr;
    if (FCaptureControl == control) {
        FCaptureControl = nullptr;
        if (FHandle && GetCapture() == FHandle) ReleaseCapture();
    }
    auto it = std::find(FControls.begin(), FControls.end(), control);
    if (it != FControls.end()) FControls.erase(it);
}

void TWinControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (FHandle) DestroyHandle();
    TControl::SetParent(parent);
    // A control put on a window that exists gets its own window at once.
    if (parent && parent->HandleAllocated()) HandleNeeded();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (left == FLeft && top == FTop) flags |= SWP_NOMOVE;
    if (width == FWidth && height == FHeight) flags |= SWP_NOSIZE;
    TControl::SetBounds(left, top, width, height);
    if (FHandle) SetWindowPos(FHandle, nullptr, left, top, width, height, flags);
}

void TWinControl::SetVisible(bool visible) {
    TControl::SetVisible(visible);
    if (FHandle) ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetEnabled(bool enabled) {
    TControl::SetEnabled(enabled);
    if (FHandle) EnableWindow(FHandle, enabled);
}

void TWinControl::SetColor(TColor color) {
    TControl::SetColor(color);
    for (TControl* child : std::vector<TControl*>(FControls))
        child->ParentColorChanged();
    if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::Invalidate() {
    if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

void TWinControl::SetCtl3D(bool ctl3D) {
    if (ctl3D == FCtl3D) return;
    FCtl3D = ctl3D;
    for (TControl* child : std::vector<TControl*>(FControls))
        child->Ctl3DChanged();
}

TControl* TWinControl::ControlAtPos(POINT point) const {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible() || !c->Enabled()) continue;
        RECT r{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
        if (PtInRect(&r, point)) return c;
    }
    return nullptr;
}

bool TWinControl::CanFocus() const {
    for (const TWinControl* c = this; c; c = c->FParent)
        if (!c->FVisible || !c->FEnabled) return false;
    return true;
}

bool TWinControl::DispatchDialogChar(wchar_t key) {
    for (TControl* child : std::vector<TControl*>(FControls)) {
        if (!child->Visible()) continue;
        if (child->DialogChar(key)) return true;
        if (auto* windowed = dynamic_cast<TWinControl*>(child); windowed && windowed->DispatchDialogChar(key))
            return true;
    }
    return false;
}

bool TWinControl::DialogCharHandler(wchar_t key) {
    TWinControl* root = this;
    while (root->FParent)
        root = root->FParent;
    return root->DispatchDialogChar(key);
}

void TWinControl::SetCaption(const std::wstring& caption) {
    TControl::SetCaption(caption);
    if (FHandle) SetWindowTextW(FHandle, caption.c_str());
}

void TWinControl::SetFocus() { ::SetFocus(Handle()); }

bool TWinControl::Focused() const { return FHandle && GetFocus() == FHandle; }

bool TWinControl::ShowsFocus() const {
    return Focused() && !(SendMessageW(FHandle, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void TWinControl::SetHint(const std::wstring& hint) {
    FHint = hint;
    UpdateToolTip();
}

void TWinControl::SetShowHint(bool showHint) {
    FShowHint = showHint;
    UpdateToolTip();
}

void TWinControl::UpdateToolTip() {
    if (!FHandle) return;
    if (FShowHint && !FHint.empty())
        SetToolTip(FHandle, FHint);
    else
        RemoveToolTip(FHandle);
}

HBRUSH TWinControl::CtlColor(HDC dc) {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    SetBkColor(dc, ColorToRGB(FColor));
    return BackgroundBrush();
}

bool TWinControl::ReflectToChild(TMessage& m) {
    TWinControl* child = FromHandle(reinterpret_cast<HWND>(m.LParam));
    if (!m.LParam || !child || child == this) return false;
    m.Result = child->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
    return true;
}

bool TWinControl::IsMenuKey(WORD key, TShiftState shift) {
    const TShortCut shortcut = MakeShortcut(key, shift & (ssShift | ssCtrl | ssAlt));
    if (shortcut == 0) return false;
    TWinControl* top = this;
    for (TWinControl* control = this; control; control = control->Parent()) {
        if (control->PopupMenu() && control->PopupMenu()->IsShortCut(shortcut)) return true;
        top = control;
    }
    return top->IsShortCut(shortcut);
}

void TWinControl::FontChanged() {
    if (FHandle) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
    for (TControl* child : FControls) child->ParentFontChanged();
}

HBRUSH TWinControl::BackgroundBrush() {
    // Kept by the colour it paints: a system colour's changes with the theme.
    const COLORREF rgb = ColorToRGB(FColor);
    if (!FBrush || FBrushColor != rgb) {
        FBrush.Reset(CreateSolidBrush(rgb));
        FBrushColor = rgb;
    }
    return FBrush.Get();
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(wchar_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    return handled;
}

void TWinControl::SetHoverControl(TControl* control) {
    if (control == FHoverControl) return;
    TControl* left = FHoverControl;
    FHoverControl = control;
    if (left) left->MouseLeave();
    if (control && control == FHoverControl) control->MouseEnter();
}

bool TWinControl::RouteMouseToControl(TMessage& m) {
    const POINT p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
    TControl* target = FCaptureControl ? FCaptureControl : ControlAtPos(p);
    if (!target) return false;
    const int x = p.x - target->Left(), y = p.y - target->Top();
    const TShiftState shift = MouseShiftState(m.WParam);
    auto capture = [&] {
        FCaptureControl = target;
        SetCapture(FHandle);
    };
    switch (m.Msg) {
    case WM_MOUSEMOVE:
        target->MouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
        capture();
        FClickPending = true;
        target->MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
        capture();
        target->MouseDown(mbRight, shift, x, y);
        break;
    case WM_MBUTTONDOWN:
        capture();
        target->MouseDown(mbMiddle, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        capture();
        target->DblClick();
        target->MouseDown(mbLeft, shift | ssDouble, x, y);
        break;
    case WM_RBUTTONDBLCLK:
        capture();
        target->MouseDown(mbRight, shift | ssDouble, x, y);
        break;
    case WM_MBUTTONDBLCLK:
        capture();
        target->MouseDown(mbMiddle, shift | ssDouble, x, y);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const TMouseButton button = m.Msg == WM_LBUTTONUP   ? mbLeft
                                    : m.Msg == WM_RBUTTONUP ? mbRight
                                                            : mbMiddle;
        const bool click = button == mbLeft && FClickPending && x >= 0 && y >= 0 && x < target->Width() &&
                           y < target->Height();
        if (button == mbLeft) FClickPending = false;
        if ((m.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0) {
            FCaptureControl = nullptr;
            if (GetCapture() == FHandle) ReleaseCapture();
        }
        target->MouseUp(button, shift, x, y);
        if (click) target->Click();
        break;
    }
    }
    return true;
}

void TWinControl::HandleMouse(TMessage& m) {
    const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
    const TShiftState shift = MouseShiftState(m.WParam);
    if (m.Msg == WM_MOUSEMOVE) {
        if (!FMouseInside) {
            FMouseInside = true;
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, FHandle, 0};
            TrackMouseEvent(&track);
            MouseEnter();
        }
        SetHoverControl(ControlAtPos(POINT{x, y}));
    }
    if (RouteMouseToControl(m)) return;
    switch (m.Msg) {
    case WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
        FClickPending = true;
        MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN: MouseDown(mbRight, shift, x, y); break;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, shift, x, y); break;
    case WM_LBUTTONDBLCLK:
        DblClick();
        MouseDown(mbLeft, shift | ssDouble, x, y);
        break;
    case WM_RBUTTONDBLCLK: MouseDown(mbRight, shift | ssDouble, x, y); break;
    case WM_MBUTTONDBLCLK: MouseDown(mbMiddle, shift | ssDouble, x, y); break;
    case WM_LBUTTONUP:
        MouseUp(mbLeft, shift, x, y);
        if (FClickPending) {
            FClickPending = false;
            RECT client;
            if (FMouseClicks && FHandle && GetClientRect(FHandle, &client) && PtInRect(&client, POINT{x, y}))
                Click();
        }
        break;
    case WM_RBUTTONUP: MouseUp(mbRight, shift, x, y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, x, y); break;
    }
}

void TWinControl::PaintHandler(TMessage& m) {
    const bool hasGraphicChildren = std::any_of(FControls.begin(), FControls.end(), [](TControl* c) {
        return !dynamic_cast<TWinControl*>(c) && c->Visible();
    });
    if (FSystemClass && !hasGraphicChildren) {
        DefaultHandler(m);
        return;
    }
    PAINTSTRUCT ps{};
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (!dc)
        dc = BeginPaint(FHandle, &ps);
    else
        GetClipBox(dc, &ps.rcPaint);
    if (FSystemClass) {
        TMessage own{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
        DefaultHandler(own);
    } else {
        Guarded(this, [&] { Paint(dc); });
    }
    for (TControl* child : std::vector<TControl*>(FControls)) {
        if (dynamic_cast<TWinControl*>(child) || !child->Visible()) continue;
        RECT r{child->Left(), child->Top(), child->Left() + child->Width(), child->Top() + child->Height()};
        RECT visible;
        if (!IntersectRect(&visible, &r, &ps.rcPaint)) continue;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        OffsetViewportOrgEx(dc, r.left, r.top, nullptr);
        Guarded(child, [&] { child->Paint(dc); });
        RestoreDC(dc, saved);
    }
    if (!m.WParam) EndPaint(FHandle, &ps);
    m.Result = 0;
}

bool TWinControl::SetCursorHandler(TMessage& m) {
    if (reinterpret_cast<HWND>(m.WParam) != FHandle || LOWORD(m.LParam) != HTCLIENT) return false;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(FHandle, &p);
    TControl* over = ControlAtPos(p);
    HCURSOR cursor = CursorHandle(over && over->Cursor() != crDefault ? over->Cursor() : Cursor());
    if (!cursor) return false;
    ::SetCursor(cursor);
    m.Result = TRUE;
    return true;
}

void TWinControl::WndProc(TMessage& m) {
    if (m.Msg >= CN_BASE + WM_CTLCOLORMSGBOX && m.Msg <= CN_BASE + WM_CTLCOLORSTATIC) {
        m.Result = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(m.WParam)));
        return;
    }
    // A reflected notification nobody handled is not the platform class's business.
    if (m.Msg == CN_COMMAND || m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) return;
    switch (m.Msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (ReflectToChild(m)) return;
        break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        HandleMouse(m);
        break;
    case WM_MOUSELEAVE:
        FMouseInside = false;
        SetHoverControl(nullptr);
        MouseLeave();
        break;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(m.LParam) != FHandle) FCaptureControl = nullptr;
        break;
    case WM_PAINT:
        PaintHandler(m);
        return;
    case WM_SETCURSOR:
        if (SetCursorHandler(m)) return;
        break;
    case WM_SYSCHAR:
        if (DialogCharHandler(static_cast<wchar_t>(m.WParam))) return;
        break;
    case WM_CONTEXTMENU:
        if (PopupMenu()) {
            POINT at{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
            if (at.x == -1 && at.y == -1) { // from the keyboard: at the control's corner
                at = {0, 0};
                ClientToScreen(FHandle, &at);
            }
            PopupMenu()->Popup(at.x, at.y);
            return;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        WORD key = static_cast<WORD>(m.WParam);
        KeyDown(key, KeyboardShiftState());
        if (key == 0) return; // consumed
        m.WParam = key;
        break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        WORD key = static_cast<WORD>(m.WParam);
        KeyUp(key, KeyboardShiftState());
        if (key == 0) return;
        m.WParam = key;
        break;
    }
    case WM_CHAR: {
        wchar_t ch = static_cast<wchar_t>(m.WParam);
        KeyPress(ch);
        if (ch == 0) return;
        m.WParam = ch;
        // A letter alone is a mnemonic where the focused control does not take characters.
        if (ch > L' ' &&
            !(SendMessageW(FHandle, WM_GETDLGCODE, 0, 0) & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) &&
            DialogCharHandler(ch))
            return;
        break;
    }
    case WM_MOUSEWHEEL: {
        POINT pos{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        if (DoMouseWheel(MouseShiftState(GET_KEYSTATE_WPARAM(m.WParam)), GET_WHEEL_DELTA_WPARAM(m.WParam), pos))
            return;
        break;
    }
    case WM_WINDOWPOSCHANGED:
        if (!IsIconic(FHandle)) {
            RECT r;
            GetWindowRect(FHandle, &r);
            if (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_CHILD)
                MapWindowPoints(HWND_DESKTOP, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
            UpdateBoundsFromWindow(r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
        break;
    case WM_SIZE:
        DefaultHandler(m);
        AlignControls();
        Resize();
        return;
    case WM_ERASEBKGND:
        if (!FSystemClass) {
            RECT r;
            GetClientRect(FHandle, &r);
            FillRect(reinterpret_cast<HDC>(m.WParam), &r, BackgroundBrush());
            m.Result = 1;
            return;
        }
        break;
    }
    DefaultHandler(m);
}
