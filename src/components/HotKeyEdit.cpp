#include "components/HotKeyEdit.h"

#include "components/KeyboardLayouts.h"

#include "framework/CommonControls.h"
#include "framework/ToolTips.h"

namespace {

constexpr UINT_PTR kBalloonTimer = 0x484B; // distinct from the edit box's own timers
constexpr UINT kBalloonTick = 250;         // ms
constexpr ULONGLONG kBalloonLife = 10000;  // ms
constexpr COLORREF kWarningText = RGB(192, 0, 0);

bool IsFunctionKey(WORD key) {
    return key >= VK_F1 && key <= VK_F24;
}

TTTOOLINFOW BalloonTool(HWND field) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_TRACK;
    info.hwnd = field;
    info.uId = 1;
    return info;
}

} // namespace

bool IsModifierKey(WORD key) {
    switch (key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_LWIN:
    case VK_RWIN:
        return true;
    default:
        return false;
    }
}

bool IsTypingFree(TShortCut shortcut) {
    const auto key = static_cast<WORD>(shortcut & 0xFF);
    if (key == 0 || IsModifierKey(key)) return false;
    // Where AltGr is Ctrl+Alt, such a combination may type a character.
    if (!CharacterTypedWithAltGr(shortcut).empty()) return false;
    return IsFunctionKey(key) || (shortcut & (scCtrl | scAlt)) != 0;
}

THotKeyEdit::THotKeyEdit(TComponent* owner) : TEdit(owner) {
    SetText(L"");
}

THotKeyEdit::~THotKeyEdit() {
    DropBalloon();
}

void THotKeyEdit::KeyDown(WORD& key, TShiftState shift) {
    TEdit::KeyDown(key, shift);
    shift &= ssShift | ssCtrl | ssAlt;
    // Closing the window and opening its system menu stay the window's keys, as everywhere.
    if (shift == ssAlt && (key == VK_F4 || key == VK_SPACE)) {
        EndComposing();
        return;
    }
    if (!IsModifierKey(key)) {
        FComposing = false;
    } else if (!FComposing) {
        FBeforeComposing = Text();
        FComposing = true;
    }
    // A modifier pressed on its own shows as a key, not as a prefix of itself.
    if (key == VK_CONTROL) shift &= ~ssCtrl;
    if (key == VK_MENU) shift &= ~ssAlt;
    if (key == VK_SHIFT) shift &= ~ssShift;
    // Backspace and Delete alone empty the field, as the platform's own hot-key control does.
    const bool clears = (key == VK_BACK || key == VK_DELETE) && shift == 0;
    SetText(clears ? std::wstring() : FormatShortcut(MakeShortcut(key, shift)));
    key = 0; // no caret movement, deletion or selection change
}

void THotKeyEdit::KeyUp(WORD& key, TShiftState shift) {
    if (FComposing && !IsModifierKey(key)) {
        // Its press never came here: a system-wide hot key took it. The field shows the
        // combination all the same, so that whoever uses the field can tell it is taken.
        FComposing = false;
        SetText(FormatShortcut(static_cast<TShortCut>(HeldModifiers() | key)));
    } else {
        EndComposing();
    }
    TEdit::KeyUp(key, shift);
    // Nor does a released Alt or F10 open the window's menu: the field took their presses.
    key = 0;
}

void THotKeyEdit::KeyPress(wchar_t& key) {
    TEdit::KeyPress(key);
    key = 0;
}

TShortCut THotKeyEdit::HeldModifiers() const {
    // While composing, the text names the modifier pressed last, with those held before it.
    const TShortCut shown = Shortcut();
    TShortCut held = shown & (scShift | scCtrl | scAlt);
    switch (shown & 0xFF) {
    case VK_SHIFT:
        return held | scShift;
    case VK_CONTROL:
        return held | scCtrl;
    case VK_MENU:
        return held | scAlt;
    default:
        return held;
    }
}

void THotKeyEdit::EndComposing() {
    if (!FComposing) return;
    FComposing = false;
    SetText(FBeforeComposing);
}

UINT THotKeyEdit::DialogCode(const TMessage& m) {
    // Tab, Enter and Escape without Ctrl or Alt act on the dialog, as in every other control;
    // any other key, these with Ctrl or Alt included, is a combination for the field.
    const auto* msg = reinterpret_cast<const MSG*>(m.LParam);
    const bool dialogKey = msg && msg->message == WM_KEYDOWN &&
                           (msg->wParam == VK_TAB || msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE) &&
                           !(KeyboardShiftState() & (ssCtrl | ssAlt));
    return dialogKey ? TEdit::DialogCode(m) : DLGC_WANTALLKEYS;
}

void THotKeyEdit::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_SYSCHAR:
        // Characters typed with Alt would otherwise reach the window's menu handling; Alt+Space
        // is let through to open the system menu.
        if (m.WParam != L' ') return;
        break;
    case WM_KILLFOCUS:
        EndComposing();
        HideBalloon();
        break;
    case WM_TIMER:
        if (m.WParam == kBalloonTimer) {
            FollowField();
            return;
        }
        break;
    }
    TEdit::WndProc(m);
}

void THotKeyEdit::DestroyWnd() {
    HideBalloon();
    DropBalloon();
    TEdit::DestroyWnd();
}

void THotKeyEdit::DropBalloon() {
    // The dialog's window owns the balloon and may already have destroyed it.
    if (FBalloon && !IsWindow(FBalloon.Get())) FBalloon.Release();
    FBalloon.Reset();
}

HBRUSH THotKeyEdit::CtlColor(HDC dc) {
    HBRUSH brush = TEdit::CtlColor(dc);
    if (!FWarning.empty()) SetTextColor(dc, kWarningText);
    return brush;
}

void THotKeyEdit::Change() {
    SetWarning(L""); // a new text is judged afresh
    TEdit::Change();
    const std::wstring text = Text();
    const std::wstring normal = FormatShortcut(ParseShortcut(text));
    if (normal != text) SetText(normal);
}

void THotKeyEdit::SetWarning(const std::wstring& text) {
    if (text == FWarning && (text.empty() || WarningShown())) return;
    const bool changed = text != FWarning;
    FWarning = text;
    if (!HandleAllocated()) return;
    if (changed) {
        Invalidate();
        ApplyToolTip();
    }
    if (FWarning.empty())
        HideBalloon();
    else
        ShowBalloon();
}

void THotKeyEdit::ApplyToolTip() {
    if (!FWarning.empty())
        SetToolTip(Handle(), FWarning);
    else if (ShowHint() && !Hint().empty())
        SetToolTip(Handle(), Hint());
    else
        RemoveToolTip(Handle());
}

bool THotKeyEdit::WarningShown() const {
    return FBalloon && IsWindow(FBalloon.Get()) && IsWindowVisible(FBalloon.Get());
}

void THotKeyEdit::ShowBalloon() {
    if (FBalloon && !IsWindow(FBalloon.Get())) FBalloon.Release();
    if (!FBalloon) {
        if (!CommonControls::Ready()) return; // the red text and the tooltip still say it
        FBalloon.Reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                       WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                       GetModuleHandleW(nullptr), nullptr));
        if (!FBalloon) return;
        // A width limit is what makes the control break lines at "\r\n".
        SendMessageW(FBalloon.Get(), TTM_SETMAXTIPWIDTH, 0, 400);
        TTTOOLINFOW tool = BalloonTool(Handle());
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(FBalloon.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    TTTOOLINFOW tool = BalloonTool(Handle());
    tool.lpszText = const_cast<wchar_t*>(FWarning.c_str());
    SendMessageW(FBalloon.Get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    FBalloonShownAt = GetTickCount64();
    FollowField();
    SendMessageW(FBalloon.Get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(Handle(), kBalloonTimer, kBalloonTick, nullptr);
}

void THotKeyEdit::FollowField() {
    if (!FBalloon || FBalloonShownAt == 0) return;
    if (!IsWindowVisible(Handle()) || GetTickCount64() - FBalloonShownAt >= kBalloonLife) {
        HideBalloon();
        return;
    }
    // The stem points at the middle of the field's lower edge, wherever the dialog went.
    RECT r;
    GetWindowRect(Handle(), &r);
    SendMessageW(FBalloon.Get(), TTM_TRACKPOSITION, 0, MAKELPARAM((r.left + r.right) / 2, r.bottom));
}

void THotKeyEdit::HideBalloon() {
    FBalloonShownAt = 0;
    if (!HandleAllocated()) return;
    KillTimer(Handle(), kBalloonTimer);
    if (!FBalloon || !IsWindow(FBalloon.Get())) return;
    TTTOOLINFOW tool = BalloonTool(Handle());
    SendMessageW(FBalloon.Get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}
