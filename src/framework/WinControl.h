#pragma once
// Controls with a window of their own. The window is created on demand and can be re-created;
// its messages go through the replaceable WindowProc, which belongs to this object and so
// survives re-creation of the window.
#include "framework/Control.h"

#include <functional>
#include <string>
#include <vector>

// A parent hands the notifications of its child controls (WM_COMMAND, WM_HSCROLL, WM_CTLCOLOR...)
// back to the child as CN_BASE + the message, so that each control raises its own events.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window handle, created if it does not exist yet.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // For components that act on this control's window: true when the window is not to be made
    // for them now but comes later, so they act when it is created (they watch WM_CREATE).
    // Only a form that is being created says so; its window then exists when the creation ends.
    virtual bool DefersHandle() { return false; }
    // Destroys the window and creates a new one with the current properties. Each control with
    // a window, this one and those inside it, is asked first (CheckRecreate); when one refuses,
    // no window is destroyed and its error is raised.
    void RecreateWnd();

    // Every message of the window passes through this handler; replace it to watch or change
    // messages and call the saved previous handler to keep the normal behaviour.
    std::function<void(TMessage&)> WindowProc;
    // Sends a message straight to WindowProc.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    static TWinControl* FromHandle(HWND wnd);

    size_t ControlCount() const { return FControls.size(); }
    TControl* Controls(size_t index) const { return FControls.at(index); }

    void SetParent(TWinControl* parent) override;
    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetColor(TColor color) override;
    void SetCaption(const std::wstring& caption) override;
    void Invalidate() override;

    // The 3-D look; its children learn when it changes.
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool ctl3D);

    // Offers a mnemonic key to every control inside this one; true when one took it.
    bool DispatchDialogChar(wchar_t key);
    // The visible, enabled control without a window of its own at a client point; null if none.
    TControl* ControlAtPos(POINT point) const;
    // Whether the control and every parent are visible and enabled.
    bool CanFocus() const;

    // Rescales the design values of this control and of every control inside it from d to m
    // pixels per inch: positions and sizes by their edges, then the fonts.
    void ChangeScale(int m, int d);

    // Lays the aligned child controls out in the client area.
    void AlignControls();

    void SetFocus();
    bool Focused() const;
    // Has the focus and may show it: the window's keyboard cues are not hidden (they are until
    // the keyboard is used, where the user asked the system to hide them).
    bool ShowsFocus() const;

    // A tooltip shown while the pointer rests on the control, when ShowHint is on.
    const std::wstring& Hint() const { return FHint; }
    void SetHint(const std::wstring& hint);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool showHint);

    // Offers a key pressed in this control to the context menus of the control and its parents,
    // then to the top window's own shortcuts; true when a command took the key, which then goes
    // no further (the message loop neither translates nor dispatches it).
    bool IsMenuKey(WORD key, TShiftState shift);
    // The window's own shortcuts: a form's action lists.
    virtual bool IsShortCut(TShortCut) { return false; }

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseWheelEvent OnMouseWheel;

protected:
    struct TCreateParams {
        std::wstring ClassName;      // window class to create
        bool SystemClass = false;    // a class of the platform: subclassed after creation
        UINT ClassStyle = CS_DBLCLKS; // for classes registered here
        DWORD Style = 0;
        DWORD ExStyle = 0;
        int X = 0, Y = 0, Width = 0, Height = 0;
        HWND WndParent = nullptr;    // parent for child windows, owner for top-level ones
    };
    virtual void CreateParams(TCreateParams& params);
    // Creates the system window; descendants restore state they keep across re-creation.
    virtual void CreateWnd();
    // Destroys the system window; descendants save state they keep across re-creation first.
    virtual void DestroyWnd();
    // Raises when what the control keeps across a re-creation would not come back whole.
    virtual void CheckRecreate() {}
    void DestroyHandle();

    virtual void WndProc(TMessage& message);
    // The window's own handling: the platform class's procedure or DefWindowProc.
    void DefaultHandler(TMessage& message);

    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyUp(WORD& key, TShiftState shift);
    virtual void KeyPress(wchar_t& key);
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, POINT mousePos);
    virtual void Resize() {}
    void FontChanged() override;
    // Brush that paints the control's background colour.
    HBRUSH BackgroundBrush();
    // Colours for a child window of the platform that asks its parent for them (WM_CTLCOLOR...).
    virtual HBRUSH CtlColor(HDC dc);
    // Tells every control on this one that the system colours or high contrast changed.
    void SystemColorsChangedBelow();
    // Clicks come from the control's own notification (buttons), not from the mouse messages.
    bool FMouseClicks = true;

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void Bind(HWND wnd);
    void Unbind();
    void HandleMouse(TMessage& message);
    bool ReflectToChild(TMessage& message);
    void UpdateToolTip();
    void ForEachInTree(const std::function<void(TControl*)>& action);
    // Sends a mouse message to the control without a window under the pointer (or the one the
    // pressed button belongs to); false when the window itself should handle it.
    bool RouteMouseToControl(TMessage& message);
    void SetHoverControl(TControl* control);
    void PaintHandler(TMessage& message);
    bool SetCursorHandler(TMessage& message);
    bool DialogCharHandler(wchar_t key);
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    bool FSystemClass = false;
    bool FMouseInside = false;
    bool FClickPending = false;
    bool FCtl3D = true;
    TControl* FHoverControl = nullptr;   // control without a window under the pointer
    TControl* FCaptureControl = nullptr; // control without a window that a button went down on
    std::vector<TControl*> FControls;
    TBrushHandle FBrush;
    COLORREF FBrushColor = 0;
    std::wstring FHint;
    bool FShowHint = false;
};
