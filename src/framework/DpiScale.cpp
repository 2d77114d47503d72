#include "framework/DpiScale.h"

#include <cstdint>

int ScaleLength(int value, int m, int d) {
    if (d == 0) return value;
    const std::int64_t product = static_cast<std::int64_t>(value) * m;
    const std::int64_t half = (d > 0 ? d : -d) / 2;
    const std::int64_t den = d;
    // Round half away from zero, whatever the signs.
    const bool negative = (product < 0) != (den < 0);
    const std::int64_t a = product < 0 ? -product : product;
    const std::int64_t b = den < 0 ? -den : den;
    const std::int64_t q = (a + half) / b;
    return static_cast<int>(negative ? -q : q);
}

TBox ScaleBox(const TBox& box, int m, int d) {
    const int left = ScaleLength(box.Left, m, d);
    const int top = ScaleLength(box.Top, m, d);
    return {left, top, ScaleLength(box.Left + box.Width, m, d) - left,
            ScaleLength(box.Top + box.Height, m, d) - top};
}

int ScaleFontHeight(int height, int m, int d) {
    if (d == 0) return height;
    const std::int64_t scaled = static_cast<std::int64_t>(height) * m / d; // truncates toward zero
    // A font never vanishes: a non-zero height stays at least one pixel.
    if (scaled == 0 && height != 0) return height < 0 ? -1 : 1;
    return static_cast<int>(scaled);
}
