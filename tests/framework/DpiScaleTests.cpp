#include "framework/DpiScale.h"
#include "framework/Font.h"
#include "framework/PictureScale.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TResolution {
    int PixelsPerInch;
    int FontMinus11; // "MS Sans Serif" 8 points as designed
    int FontMinus13; // the credits' "Courier"
};
const TResolution kResolutions[] = {{96, -11, -13}, {120, -13, -16}, {144, -16, -19}, {192, -22, -26}};

TEST(DpiScaleTest, DesignLengthsAndFontHeightsAtTheUsualResolutions) {
    for (const TResolution& r : kResolutions) {
        SCOPED_TRACE(r.PixelsPerInch);
        const int f = r.PixelsPerInch;
        // The settings dialog's client area.
        EXPECT_EQ(ScaleLength(288, f, 96), 288 * f / 96);
        EXPECT_EQ(ScaleLength(376, f, 96), 376 * f / 96);
        EXPECT_EQ(ScaleFontHeight(-11, f, 96), r.FontMinus11);
        EXPECT_EQ(ScaleFontHeight(-13, f, 96), r.FontMinus13);
        EXPECT_EQ(ScaleFontHeight(11, f, 96), -r.FontMinus11); // cell heights scale the same way
    }
    EXPECT_EQ(ScaleLength(1, 144, 96), 2); // halves go away from zero
    EXPECT_EQ(ScaleLength(-1, 144, 96), -2);
    EXPECT_EQ(ScaleLength(5, 120, 96), 6);       // 6.25
    EXPECT_EQ(ScaleLength(7, 96, 144), 5);       // 4.67
    EXPECT_EQ(ScaleFontHeight(-1, 96, 192), -1); // a font never shrinks to nothing
    EXPECT_EQ(ScaleFontHeight(0, 144, 96), 0);
}

TEST(DpiScaleTest, BoxesScaledByTheirEdgesNeitherOverlapNorOpenGaps) {
    // Rows of the settings dialog: three buttons apart, two check boxes touching, a label and
    // the box it names touching, and odd sizes whose scaled widths round differently.
    const std::vector<std::vector<TBox>> rows = {
        {{8, 343, 84, 25}, {102, 343, 84, 25}, {196, 343, 84, 25}},
        {{8, 68, 256, 17}, {8, 85, 256, 17}},
        {{8, 145, 118, 13}, {126, 145, 110, 13}, {236, 145, 1, 13}, {237, 145, 3, 13}},
        {{1, 1, 1, 1}, {2, 2, 1, 1}, {3, 3, 1, 1}, {4, 4, 1, 1}},
    };
    for (int ppi : {96, 120, 144, 168, 192}) {
        SCOPED_TRACE(ppi);
        for (const auto& row : rows) {
            for (size_t i = 0; i + 1 < row.size(); ++i) {
                const TBox a = ScaleBox(row[i], ppi, 96), b = ScaleBox(row[i + 1], ppi, 96);
                const bool sideBySide = row[i].Left + row[i].Width <= row[i + 1].Left;
                if (sideBySide) {
                    const int gap = row[i + 1].Left - (row[i].Left + row[i].Width);
                    EXPECT_GE(b.Left - (a.Left + a.Width), 0) << i;
                    if (gap == 0) {
                        EXPECT_EQ(b.Left, a.Left + a.Width) << i;
                    }
                } else {
                    const int gap = row[i + 1].Top - (row[i].Top + row[i].Height);
                    EXPECT_GE(b.Top - (a.Top + a.Height), 0) << i;
                    if (gap == 0) {
                        EXPECT_EQ(b.Top, a.Top + a.Height) << i;
                    }
                }
                EXPECT_GT(a.Width, 0);
                EXPECT_GT(a.Height, 0);
            }
        }
    }
    // Widths are whatever the edges give: 1.5 x (1, 1, 1, 1) from 1 is 2, 1, 2, 1.
    EXPECT_EQ(ScaleBox({1, 0, 1, 1}, 144, 96), (TBox{2, 0, 1, 2}));
    EXPECT_EQ(ScaleBox({2, 0, 1, 1}, 144, 96), (TBox{3, 0, 2, 2}));
    EXPECT_EQ(ScaleBox({16, 16, 81, 61}, 144, 96), (TBox{24, 24, 122, 92}));
}

TEST(DpiScaleTest, RescalingBackAndForthComesBackToTheValueItStartedFrom) {
    auto box = [](const TBox& b, int m, int d) { return ScaleBox(b, m, d); };
    TScaleSource<TBox> source;
    const TBox designed{1, 7, 3, 5};
    TBox now = source.Rescale(designed, 96, 144, box);
    EXPECT_EQ(now, (TBox{2, 11, 4, 7}));
    now = source.Rescale(now, 144, 120, box);
    now = source.Rescale(now, 120, 192, box);
    now = source.Rescale(now, 192, 96, box);
    EXPECT_EQ(now, designed);

    // Down and up again: straight rounding would make 1 at 144 into 1 at 96 and then 2 at 144.
    TScaleSource<TBox> fromLarge;
    const TBox large{1, 1, 1, 1};
    now = fromLarge.Rescale(large, 144, 96, box);
    EXPECT_EQ(fromLarge.Rescale(now, 96, 144, box), large);

    // A value changed by the program in between is what is scaled from then on.
    now = source.Rescale(designed, 96, 144, box);
    const TBox moved{30, 30, 10, 10};
    EXPECT_EQ(source.Rescale(moved, 144, 96, box), (TBox{20, 20, 7, 7}));
}

TEST(DpiScaleTest, FontsKeepTheirPointSizeAcrossResolutions) {
    TFont font;
    EXPECT_EQ(font.PixelsPerInch(), 96);
    EXPECT_EQ(font.Height(), -11);
    EXPECT_EQ(font.Size(), 8);
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetPixelsPerInch(144);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(font.Height(), -16);
    EXPECT_EQ(font.Size(), 8);
    font.SetPixelsPerInch(144);
    EXPECT_EQ(changes, 1); // nothing to do
    font.SetPixelsPerInch(96);
    EXPECT_EQ(font.Height(), -11);

    // Every size the font dialog offers survives a trip through pixels at each resolution.
    for (const TResolution& r : kResolutions) {
        TFont sized;
        sized.SetPixelsPerInch(r.PixelsPerInch);
        for (int points = 6; points <= 72; ++points) {
            sized.SetSize(points);
            EXPECT_EQ(sized.Size(), points) << r.PixelsPerInch;
        }
    }
    TFont copy;
    copy.Assign(font);
    font.SetPixelsPerInch(192);
    copy.Assign(font);
    EXPECT_EQ(copy.PixelsPerInch(), 192);
    EXPECT_EQ(copy.Height(), -22);
}

TPremultipliedImage Picture(int width, int height, std::vector<std::uint32_t> pixels) {
    return {width, height, std::move(pixels)};
}

TEST(DpiScaleTest, PicturesGrowIntoBlocksAtWholeFactorsAndMixOnlyAtEdgesOtherwise) {
    constexpr std::uint32_t red = 0xFFFF0000, blue = 0xFF0000FF, clear = 0;
    const TPremultipliedImage checks = Picture(2, 2, {red, blue, blue, red});
    const TPremultipliedImage doubled = ScalePicture(checks, 4, 4);
    ASSERT_EQ(doubled.Width, 4);
    ASSERT_EQ(doubled.Height, 4);
    const std::vector<std::uint32_t> blocks = {red,  red,  blue, blue, red,  red,  blue, blue,
                                               blue, blue, red,  red,  blue, blue, red,  red};
    EXPECT_EQ(doubled.Pixels, blocks);

    // 1.5: of three target pixels per two source pixels, the middle one is half of each.
    const TPremultipliedImage row = Picture(2, 1, {red, clear});
    const TPremultipliedImage wider = ScalePicture(row, 3, 1);
    ASSERT_EQ(wider.Pixels.size(), 3u);
    EXPECT_EQ(wider.Pixels[0], red);
    EXPECT_EQ(wider.Pixels[1], 0x80800000u); // half covered: half the alpha, premultiplied red
    EXPECT_EQ(wider.Pixels[2], clear);

    // An even surface stays even at any size, and the 80 x 60 picture reaches 120 x 90.
    const TPremultipliedImage plain = Picture(80, 60, std::vector<std::uint32_t>(80 * 60, 0xFF336699));
    const TPremultipliedImage large = ScalePicture(plain, 120, 90);
    EXPECT_EQ(large.Width, 120);
    EXPECT_EQ(large.Height, 90);
    for (std::uint32_t p : large.Pixels)
        ASSERT_EQ(p, 0xFF336699u);

    EXPECT_TRUE(ScalePicture(Picture(0, 0, {}), 10, 10).Empty());
    EXPECT_TRUE(ScalePicture(Picture(2, 2, {red}), 4, 4).Empty()); // fewer pixels than its size says
}

} // namespace
