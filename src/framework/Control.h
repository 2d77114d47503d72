#pragma once
// The visual base: position, visibility, colour, font and the mouse events every control shares.
#include "framework/Component.h"
#include "framework/Font.h"

#include <memory>
#include <string>

class TPopupMenu;
class TWinControl;

// alClient: the control fills its parent's client area and follows its size.
enum class TAlign { alNone, alClient };
using enum TAlign;

// Mouse pointer shapes: crDefault leaves the window's own pointer.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHandPoint = -21;
// The shared system pointer for a shape; null for crDefault.
HCURSOR CursorHandle(TCursor cursor);

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int left) { SetBounds(left, FTop, FWidth, FHeight); }
    void SetTop(int top) { SetBounds(FLeft, top, FWidth, FHeight); }
    void SetWidth(int width) { SetBounds(FLeft, FTop, width, FHeight); }
    void SetHeight(int height) { SetBounds(FLeft, FTop, FWidth, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    // Asks for the control to be drawn again.
    virtual void Invalidate();

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool enabled);
    TColor Color() const { return FColor; }
    virtual void SetColor(TColor color);
    // A control that follows its parent's colour takes it over whenever the parent's changes.
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool parentColor);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor) { FCursor = cursor; }
    const std::wstring& Caption() const { return FCaption; }
    virtual void SetCaption(const std::wstring& caption);

    // The control's own font object; writing copies the given font's attributes into it.
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont& font) { FFont->Assign(font); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool parentFont);

    // The context menu: a right click in the control opens it, and a key pressed in the control
    // goes to its items' shortcuts first.
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);

    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    friend class TWinControl;
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void FontChanged() {}
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    // The parent's 3-D look has changed.
    virtual void Ctl3DChanged() {}
    // The system colours or the high-contrast setting changed: what the control shows follows.
    virtual void SystemColorsChanged() {}
    // A mnemonic key pressed in the control's form; true when this control took it.
    virtual bool DialogChar(wchar_t) { return false; }
    // Draws the control in its own client coordinates: a control without a window is drawn by
    // its parent; a window of our own class draws over its background.
    virtual void Paint(HDC) {}
    void Notification(TComponent* component, TOperation operation) override;

    // Rescales the control's own design values from d to m pixels per inch. A window calls these
    // for every control inside it (TWinControl::ChangeScale): all positions and sizes first, then
    // the fonts, so that a control sizing itself to its text sees the final font.
    virtual void ScaleBounds(int m, int d);
    virtual void ScaleFonts(int m, int d);

    // Stores bounds reported by the window itself, without moving it again.
    void UpdateBoundsFromWindow(int left, int top, int width, int height);

    TWinControl* FParent = nullptr;
    TAlign FAlign = alNone;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clBtnFace;
    bool FParentColor = false;
    TCursor FCursor = crDefault;
    std::wstring FCaption;
    TScaleSource<TBox> FBoundsSource;

private:
    std::unique_ptr<TFont> FFont;
    TPopupMenu* FPopupMenu = nullptr;
    bool FParentFont = true;
    bool FFollowingParent = false;
};
