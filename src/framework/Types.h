#pragma once
// Value types shared by every component: colours, shortcuts, mouse and key arguments, events.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

class TObject {
public:
    virtual ~TObject() = default;
};

// 0x00BBGGRR for an explicit colour; with the top bit set, the low byte names a system colour.
using TColor = std::int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index)); }
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);

// Resolves a system colour to its current RGB value; explicit colours pass unchanged.
COLORREF ColorToRGB(TColor color);

// Low byte = virtual-key code, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt; 0 = none.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

enum TShiftFlag : unsigned {
    ssShift = 1u << 0,
    ssAlt = 1u << 1,
    ssCtrl = 1u << 2,
    ssLeft = 1u << 3,
    ssRight = 1u << 4,
    ssMiddle = 1u << 5,
    ssDouble = 1u << 6,
};
using TShiftState = unsigned;

// Shift state as the keyboard reports it now (high bit of GetKeyState).
TShiftState KeyboardShiftState();
// Shift state carried by a mouse message's wParam (MK_* flags), plus Alt from the keyboard.
TShiftState MouseShiftState(WPARAM keys);

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using enum TMouseButton;

// Scroll bars of an editing control.
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
using enum TScrollStyle;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;

using TNotifyEvent = std::function<void(TObject* sender)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>;
using TMouseWheelEvent =
    std::function<void(TObject* sender, TShiftState shift, int wheelDelta, POINT mousePos, bool& handled)>;

// One window message as the replaceable message handlers see it; handlers may change every field.
struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};
