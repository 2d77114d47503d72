#include "components/FormShaper.h"
#include "support/FrameworkFixture.h"

#include <cstdio>

namespace {

class FormShaperTest : public FrameworkTest {
protected:
    TPlainForm& NewForm() {
        TPlainForm* form = nullptr;
        app->CreateForm(form);
        return *form;
    }
};

constexpr COLORREF kKey = RGB(255, 0, 255);
constexpr COLORREF kA = RGB(10, 20, 30);
constexpr COLORREF kB = RGB(200, 100, 0);

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const std::vector<RECT>& rects) {
    std::string text;
    for (const RECT& r : rects) {
        char piece[64];
        std::snprintf(piece, sizeof piece, "(%ld,%ld,%ld,%ld)", r.left, r.top, r.right, r.bottom);
        text += piece;
    }
    return text;
}

// A 32-bit bitmap with the given rows of colours (the region works on a 24-bit copy of it).
TGdiObject MakeMask(const std::vector<std::vector<COLORREF>>& rows) {
    const int height = static_cast<int>(rows.size());
    const int width = height ? static_cast<int>(rows[0].size()) : 0;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    TGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    auto* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = rows[y][x];
            pixels[y * width + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c) | 0xFF000000u;
        }
    return bitmap;
}

std::vector<RECT> RegionRects(HRGN region) {
    std::vector<RECT> rects;
    if (!region) return rects;
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<BYTE> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    GetRegionData(region, size, data);
    const auto* r = reinterpret_cast<const RECT*>(data->Buffer);
    rects.assign(r, r + data->rdh.nCount);
    return rects;
}

// The window's clipping region; empty when the window is not clipped.
std::vector<RECT> WindowRegion(HWND wnd) {
    TRegionHandle region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(wnd, region.Get()) == ERROR) return {};
    return RegionRects(region.Get());
}

bool Clipped(HWND wnd) {
    TRegionHandle region(CreateRectRgn(0, 0, 0, 0));
    return GetWindowRgn(wnd, region.Get()) != ERROR;
}

LONG CaptionBits(HWND wnd) {
    return GetWindowLongW(wnd, GWL_STYLE) & kCaptionBits;
}

RECT Outer(HWND wnd) {
    RECT r;
    GetWindowRect(wnd, &r);
    return r;
}

// Height of the non-client area above the client area.
int TopFrame(HWND wnd) {
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    return origin.y - Outer(wnd).top;
}

TEST(MaskRegion, RunsOfOneRowSkipTheKeyColourAndEndAtTheRowEnd) {
    // key, A, A, key, B: columns 1 to 2 and column 4.
    const BYTE row[] = {0, 0, 1, 9, 9, 9, 9, 9, 9, 0, 0, 1, 7, 7, 7, 0xEE /* padding */};
    EXPECT_EQ(Show(MaskRuns(row, 5, 1, 16)), "(1,0,3,1)(4,0,5,1)");

    // Rows are `stride` apart; a row of key colour only gives nothing; the key is row 0's first pixel.
    const BYTE rows[] = {5, 5, 5, 1, 1, 1, 0, 0, // row 0: key, other
                         1, 1, 1, 1, 1, 1, 0, 0, // row 1: other, other
                         5, 5, 5, 5, 5, 5, 0, 0};
    EXPECT_EQ(Show(MaskRuns(rows, 2, 3, 8)), "(1,0,2,1)(0,1,2,2)");
    EXPECT_TRUE(MaskRuns(rows, 0, 0, 8).empty());
    EXPECT_EQ(RegionFromRuns({}), nullptr);
}

TEST(MaskRegion, ARegionFromABitmapIsTheUnionOfItsRuns) {
    TGdiObject oneRow = MakeMask({{kKey, kA, kA, kKey, kB}});
    TRegionHandle region(RegionFromMask(static_cast<HBITMAP>(oneRow.Get())));
    ASSERT_TRUE(region);
    EXPECT_EQ(Show(RegionRects(region.Get())), "(1,0,3,1)(4,0,5,1)");

    // Runs of neighbouring rows that line up join into one rectangle.
    TGdiObject block = MakeMask({{kKey, kA, kA}, {kKey, kB, kA}, {kA, kKey, kKey}});
    region.Reset(RegionFromMask(static_cast<HBITMAP>(block.Get())));
    EXPECT_EQ(Show(RegionRects(region.Get())), "(1,0,3,2)(0,2,1,3)");

    TGdiObject allKey = MakeMask({{kKey, kKey}, {kKey, kKey}});
    EXPECT_EQ(RegionFromMask(static_cast<HBITMAP>(allKey.Get())), nullptr);
    EXPECT_EQ(RegionFromMask(nullptr), nullptr);
}

TEST_F(FormShaperTest, EnablingWithoutAMaskTakesTheTitleBarAwayKeepsTheSizeAndClipsNothing) {
    TPlainForm& form = NewForm();
    TFormShaper shaper(&form);
    form.Show();
    HWND wnd = form.Handle();
    ASSERT_EQ(CaptionBits(wnd), kCaptionBits);
    const RECT before = Outer(wnd);
    const int framedTop = TopFrame(wnd);

    shaper.SetEnable(true);
    EXPECT_EQ(CaptionBits(wnd), 0);
    EXPECT_TRUE(Outer(wnd) == before);
    EXPECT_LT(TopFrame(wnd), framedTop - GetSystemMetrics(SM_CYCAPTION) + 2); // the title bar is gone
    EXPECT_FALSE(Clipped(wnd));
    const LONG style = GetWindowLongW(wnd, GWL_STYLE);

    shaper.SetEnable(true); // twice is the same as once
    EXPECT_EQ(GetWindowLongW(wnd, GWL_STYLE), style);
    EXPECT_TRUE(Outer(wnd) == before);

    shaper.SetEnable(false);
    EXPECT_EQ(CaptionBits(wnd), kCaptionBits);
    EXPECT_EQ(TopFrame(wnd), framedTop);
}

TEST_F(FormShaperTest, DisablingGivesABorderlessFormATitleBarAndTakesAnyClippingAway) {
    TPlainForm& form = NewForm();
    form.SetBorderStyle(bsNone);
    TFormShaper shaper(&form);
    HWND wnd = form.Handle();
    SetWindowRgn(wnd, CreateRectRgn(0, 0, 10, 10), FALSE);
    ASSERT_EQ(CaptionBits(wnd), 0);
    shaper.SetEnable(false);
    EXPECT_EQ(CaptionBits(wnd), kCaptionBits);
    EXPECT_FALSE(Clipped(wnd));
    EXPECT_FALSE(shaper.Enable());
}

TEST_F(FormShaperTest, AnEnabledShaperClipsToTheMaskAndSettingTheMaskWhileDisabledOnlyUnclips) {
    TPlainForm& form = NewForm();
    form.SetBorderStyle(bsNone);
    TFormShaper shaper(&form);
    TGdiObject mask = MakeMask({{kKey, kA, kA, kKey, kB}, {kA, kA, kA, kA, kA}});
    shaper.SetEnable(true);
    shaper.SetMask(static_cast<HBITMAP>(mask.Get()));
    HWND wnd = form.Handle();
    EXPECT_EQ(Show(WindowRegion(wnd)), "(1,0,3,1)(4,0,5,1)(0,1,5,2)");
    mask.Reset(); // the shaper keeps its own copy
    shaper.SetEnable(true);
    EXPECT_EQ(Show(WindowRegion(wnd)), "(1,0,3,1)(4,0,5,1)(0,1,5,2)");
    EXPECT_EQ(shaper.MaskSize().cx, 5);

    shaper.SetEnable(false);
    SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) & ~kCaptionBits);
    SetWindowRgn(wnd, CreateRectRgn(0, 0, 3, 3), FALSE);
    TGdiObject other = MakeMask({{kKey, kA}});
    shaper.SetMask(static_cast<HBITMAP>(other.Get()));
    EXPECT_FALSE(Clipped(wnd));
    EXPECT_EQ(CaptionBits(wnd), 0); // left alone
}

TEST_F(FormShaperTest, AutoSizeGivesTheFormTheMasksOuterSizeWhileEnabled) {
    TPlainForm& form = NewForm();
    form.SetBorderStyle(bsNone);
    TFormShaper shaper(&form);
    std::vector<std::vector<COLORREF>> rows(50, std::vector<COLORREF>(100, kA));
    TGdiObject mask = MakeMask(rows);
    shaper.SetMask(static_cast<HBITMAP>(mask.Get()));
    shaper.SetAutoSize(true); // not enabled: nothing changes
    HWND wnd = form.Handle();
    EXPECT_EQ(Outer(wnd).right - Outer(wnd).left, 200);

    shaper.SetEnable(true);
    EXPECT_EQ(Outer(wnd).right - Outer(wnd).left, 100);
    EXPECT_EQ(Outer(wnd).bottom - Outer(wnd).top, 50);
    EXPECT_EQ(form.Width(), 100);
    EXPECT_EQ(form.Height(), 50);

    shaper.SetAutoSize(false);
    form.SetBounds(50, 60, 300, 200);
    shaper.SetAutoSize(true);
    EXPECT_EQ(form.Width(), 100);

    shaper.SetMask(nullptr); // an empty mask asks for nothing at all
    EXPECT_EQ(form.Width(), 0);
    EXPECT_EQ(form.Height(), 0);
    EXPECT_FALSE(Clipped(wnd));
}

TEST_F(FormShaperTest, ARecreatedWindowKeepsItsOwnStyleUntilTheShaperIsSetAgain) {
    TPlainForm& form = NewForm();
    form.SetBorderStyle(bsNone);
    TFormShaper shaper(&form);
    TGdiObject mask = MakeMask({{kKey, kA}});
    shaper.SetMask(static_cast<HBITMAP>(mask.Get()));
    shaper.SetEnable(true);
    HWND old = form.Handle();
    form.SetBorderStyle(bsSizeable);
    HWND wnd = form.Handle();
    ASSERT_NE(wnd, old);
    EXPECT_EQ(CaptionBits(wnd), kCaptionBits);
    EXPECT_FALSE(Clipped(wnd));
    EXPECT_TRUE(shaper.Enable());
    shaper.SetEnable(true);
    EXPECT_EQ(CaptionBits(wnd), 0);
    EXPECT_TRUE(Clipped(wnd));
}

TEST_F(FormShaperTest, AShaperFreedBeforeItsFormGivesTheTitleBarBack) {
    TPlainForm& form = NewForm();
    form.SetBorderStyle(bsNone);
    auto* shaper = new TFormShaper(&form);
    TGdiObject mask = MakeMask({{kKey, kA}});
    shaper->SetMask(static_cast<HBITMAP>(mask.Get()));
    shaper->SetEnable(true);
    ASSERT_TRUE(Clipped(form.Handle()));
    TComponent::Free(shaper);
    EXPECT_EQ(CaptionBits(form.Handle()), kCaptionBits);
    EXPECT_FALSE(Clipped(form.Handle()));
    EXPECT_EQ(form.ComponentCount(), 0u);
}

} // namespace
