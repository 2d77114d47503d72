#pragma once
// A high-contrast theme for the length of a test: white on black, as the system's own themes.
// Wine neither keeps nor reports the setting (SPI_SETHIGHCONTRAST fails there, SPI_GETHIGHCONTRAST
// always says off), so the program's reading of it is replaced; the colours are the system's own,
// changed with SetSysColors, and the windows are told as the system tells them.
#include "framework/HighContrast.h"

#include <windows.h>

#include <array>

class THighContrastTheme {
public:
    static constexpr COLORREF kBackground = RGB(0, 0, 0);
    static constexpr COLORREF kText = RGB(255, 255, 255);
    static constexpr COLORREF kLink = RGB(255, 255, 0);

    THighContrastTheme() {
        for (size_t i = 0; i < kElements.size(); ++i)
            FSaved[i] = GetSysColor(kElements[i]);
        const std::array<COLORREF, 5> theme{kBackground, kText, kBackground, kText, kLink};
        HighContrast::SetQuery([] { return true; });
        SetSysColors(static_cast<int>(kElements.size()), kElements.data(), theme.data());
        Tell();
    }
    ~THighContrastTheme() { Off(); }
    // The user turns the theme off: the colours and the setting as they were.
    void Off() {
        if (FOff) return;
        FOff = true;
        HighContrast::SetQuery(nullptr);
        SetSysColors(static_cast<int>(kElements.size()), kElements.data(), FSaved.data());
        Tell();
    }

private:
    static constexpr std::array<int, 5> kElements{COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE,
                                                  COLOR_BTNTEXT, COLOR_HOTLIGHT};
    // As the system tells every top-level window; the test's are all on this thread.
    static void Tell() {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND wnd, LPARAM) {
                SendMessageW(wnd, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
                return TRUE;
            },
            0);
    }
    std::array<COLORREF, 5> FSaved{};
    bool FOff = false;
};
