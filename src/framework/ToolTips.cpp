#include "framework/ToolTips.h"

#include "framework/Application.h"
#include "framework/CommonControls.h"

#include <commctrl.h>

namespace {

HWND TheToolTipWindow = nullptr;

HWND ToolTipWindow(bool create) {
    if (TheToolTipWindow && IsWindow(TheToolTipWindow)) return TheToolTipWindow;
    TheToolTipWindow = nullptr;
    if (!create || !CommonControls::Ready()) return nullptr;
    // Owned by the application window, so it goes when the application does.
    HWND owner = Application ? Application->Handle() : nullptr;
    TheToolTipWindow = CreateWindowExW(
        WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!TheToolTipWindow) return nullptr;
    // A width limit is what makes the control break lines at "\r\n".
    SendMessageW(TheToolTipWindow, TTM_SETMAXTIPWIDTH, 0, 600);
    if (Application) {
        SendMessageW(TheToolTipWindow, TTM_SETDELAYTIME, TTDT_INITIAL, Application->HintPause());
        SendMessageW(TheToolTipWindow, TTM_SETTIPBKCOLOR, ColorToRGB(Application->HintColor()), 0);
    }
    return TheToolTipWindow;
}

TTTOOLINFOW ToolInfo(HWND tool) {
    TTTOOLINFOW info{};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(tool) ? GetParent(tool) : tool;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    return info;
}

} // namespace

void SetToolTip(HWND tool, const std::wstring& text) {
    HWND tips = ToolTipWindow(true);
    if (!tips) return; // a missing tooltip is not worth an error
    TTTOOLINFOW info = ToolInfo(tool);
    SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    info.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void RemoveToolTip(HWND tool) {
    HWND tips = ToolTipWindow(false);
    if (!tips) return;
    TTTOOLINFOW info = ToolInfo(tool);
    SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

std::wstring ToolTipText(HWND tool) {
    HWND tips = ToolTipWindow(false);
    if (!tips) return {};
    wchar_t text[1024] = {};
    TTTOOLINFOW info = ToolInfo(tool);
    info.lpszText = text;
    if (!SendMessageW(tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info))) return {};
    return text;
}
