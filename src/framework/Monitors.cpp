#include "framework/Monitors.h"

#include <algorithm>

RECT FitIntoArea(RECT window, const RECT& area, SIZE minimum) {
    const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
    const int width = std::min(std::max<int>(window.right - window.left, minimum.cx), areaWidth);
    const int height = std::min(std::max<int>(window.bottom - window.top, minimum.cy), areaHeight);
    const int left = std::clamp<int>(window.left, area.left, area.right - width);
    const int top = std::clamp<int>(window.top, area.top, area.bottom - height);
    return {left, top, left + width, top + height};
}

RECT ReachableRect(const RECT& window, SIZE minimum) {
    RECT grown = window;
    grown.right = window.left + std::max<int>(window.right - window.left, minimum.cx);
    grown.bottom = window.top + std::max<int>(window.bottom - window.top, minimum.cy);
    if (MonitorFromRect(&grown, MONITOR_DEFAULTTONULL)) return grown;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&grown, MONITOR_DEFAULTTONEAREST), &info)) return grown;
    return FitIntoArea(grown, info.rcWork, minimum);
}

RECT WorkAreaOf(HWND wnd) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = wnd ? MonitorFromWindow(wnd, MONITOR_DEFAULTTONEAREST)
                                 : MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoW(monitor, &info)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

RECT CentredIn(SIZE size, const RECT& area) {
    const int left = area.left + std::max<int>((area.right - area.left - size.cx) / 2, 0);
    const int top = area.top + std::max<int>((area.bottom - area.top - size.cy) / 2, 0);
    return {left, top, left + size.cx, top + size.cy};
}
