#include "framework/PictureScale.h"

#include <algorithm>
#include <cmath>

namespace {

struct TTap {
    int Index;
    double Weight;
};

// For each target index, the source indices it covers and their share of it (summing to 1).
std::vector<std::vector<TTap>> Coverage(int sourceSize, int targetSize) {
    std::vector<std::vector<TTap>> taps(static_cast<size_t>(targetSize));
    const double step = static_cast<double>(sourceSize) / targetSize;
    for (int t = 0; t < targetSize; ++t) {
        const double from = t * step, to = (t + 1) * step;
        for (int s = static_cast<int>(std::floor(from)); s < sourceSize && s < to; ++s) {
            const double overlap = std::min<double>(to, s + 1) - std::max<double>(from, s);
            if (overlap > 1e-9) taps[static_cast<size_t>(t)].push_back({s, overlap / step});
        }
    }
    return taps;
}

} // namespace

TPremultipliedImage ScalePicture(const TPremultipliedImage& source, int width, int height) {
    TPremultipliedImage result;
    if (source.Empty() || width <= 0 || height <= 0 ||
        source.Pixels.size() < static_cast<size_t>(source.Width) * source.Height)
        return result;
    result.Width = width;
    result.Height = height;
    result.Pixels.resize(static_cast<size_t>(width) * height);
    const auto columns = Coverage(source.Width, width);
    const auto rows = Coverage(source.Height, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (const TTap& row : rows[static_cast<size_t>(y)]) {
                for (const TTap& column : columns[static_cast<size_t>(x)]) {
                    const std::uint32_t p =
                        source.Pixels[static_cast<size_t>(row.Index) * source.Width + column.Index];
                    const double w = row.Weight * column.Weight;
                    for (int c = 0; c < 4; ++c)
                        sum[c] += w * ((p >> (8 * c)) & 0xFF);
                }
            }
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                const auto v = static_cast<std::uint32_t>(std::clamp(std::lround(sum[c]), 0L, 255L));
                out |= v << (8 * c);
            }
            result.Pixels[static_cast<size_t>(y) * width + x] = out;
        }
    }
    return result;
}
