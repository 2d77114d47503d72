#pragma once
// Controls with a window of their own. The window is created on demand and can be re-created;
// its messages go through the replaceable WindowProc, which belongs to this object and so
// survives re-creation of the window.
#include "framework/Control.h"

#include <functional>
#include <string>
#include <vector>

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;

    // The window handle, created if it does not exist yet.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    // Destroys the window and creates a new one with the current properties.
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

    // Lays the aligned child controls out in the client area.
    void AlignControls();

    void SetFocus();
    bool Focused() const;

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

private:
    friend class TControl;
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void Bind(HWND wnd);
    void Unbind();
    void HandleMouse(TMessage& message);
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;
    bool FSystemClass = false;
    bool FMouseInside = false;
    bool FClickPending = false;
    std::vector<TControl*> FControls;
    TBrushHandle FBrush;
    TColor FBrushColor = 0;
};
