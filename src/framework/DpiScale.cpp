#include "framework/DpiScale.h"

#include <cstdint>

int ScaleLength(int value, int m, int d) {
    // MulDiv rounds halves away from zero, whatever the signs; it answers -1 to a zero divisor.
    return d == 0 ? value : MulDiv(value, m, d);
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
