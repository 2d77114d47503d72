#include "framework/HighContrast.h"

#include <utility>

namespace {

std::function<bool()> gQuery;

bool SystemHighContrast() {
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

} // namespace

bool HighContrast::On() {
    return gQuery ? gQuery() : SystemHighContrast();
}

void HighContrast::SetQuery(std::function<bool()> query) {
    gQuery = std::move(query);
}

bool HighContrast::IsChange(UINT msg, WPARAM wParam) {
    return msg == WM_SYSCOLORCHANGE || (msg == WM_SETTINGCHANGE && wParam == SPI_SETHIGHCONTRAST);
}

COLORREF HighContrast::Shown(TColor color, int systemIndex) {
    if (color >= 0 && On()) return GetSysColor(systemIndex);
    return ColorToRGB(color);
}
