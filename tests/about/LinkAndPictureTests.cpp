#include "support/FrameworkFixture.h"

#include "components/HotLink.h"
#include "imaging/GifDecoder.h"

#include <random>

namespace {

class HotLinkTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        app->CreateForm(form);
        link = new THotLink(form);
        link->SetParent(form);
        link->SetCaption(L"Site Web");
        saved = THotLink::ShellOpenUrl;
        THotLink::ShellOpenUrl = [this](const std::wstring& target) { opened.push_back(target); };
    }
    void TearDown() override {
        THotLink::ShellOpenUrl = saved;
        FrameworkTest::TearDown();
    }
    // Hover and leave as the parent reports them from its mouse tracking.
    void Enter() { SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(link->Left() + 2, link->Top() + 2)); }
    void Leave() { SendMessageW(form->Handle(), WM_MOUSELEAVE, 0, 0); }

    TPlainForm* form = nullptr;
    THotLink* link = nullptr;
    std::function<void(const std::wstring&)> saved;
    std::vector<std::wstring> opened;
};

TEST_F(HotLinkTest, EnteringTwiceThenLeavingRestoresTheExactNormalFontAndTheTooltipColour) {
    EXPECT_EQ(link->Cursor(), crHandPoint);
    EXPECT_TRUE(link->HotTrack());
    link->Font()->SetName(L"Arial");
    link->Font()->SetHeight(-15);
    link->Font()->SetColor(RGB(10, 20, 30));
    link->Font()->SetStyle(fsItalic);
    link->SetHintColor(RGB(1, 2, 3));
    int entered = 0, left = 0;
    link->OnMouseEnter = [&](TObject*) { ++entered; };
    link->OnMouseLeave = [&](TObject*) { ++left; };
    form->Handle();

    Enter();
    EXPECT_EQ(link->Font()->Color(), clBlue);
    EXPECT_EQ(link->Font()->Style(), static_cast<TFontStyles>(fsUnderline));
    EXPECT_EQ(app->HintColor(), RGB(1, 2, 3));
    // A second entry report while inside (the parent sees it after re-entering from elsewhere).
    TControl* asControl = link;
    struct TPoke : TControl {
        static void Enter(TControl* c) { static_cast<TPoke*>(c)->MouseEnter(); }
    };
    TPoke::Enter(asControl);
    EXPECT_EQ(entered, 2);
    Leave();
    EXPECT_EQ(left, 1);
    EXPECT_EQ(link->Font()->Name(), L"Arial");
    EXPECT_EQ(link->Font()->Height(), -15);
    EXPECT_EQ(link->Font()->Color(), RGB(10, 20, 30));
    EXPECT_EQ(link->Font()->Style(), static_cast<TFontStyles>(fsItalic));
    EXPECT_EQ(app->HintColor(), clInfoBk);
}

TEST_F(HotLinkTest, WithoutHotTrackingOnlyTheTooltipColourChangesAndAClickOpensTheUrl) {
    link->SetHotTrack(false);
    link->SetHintColor(RGB(9, 9, 9));
    const TColor color = link->Font()->Color();
    form->Handle();
    Enter();
    EXPECT_EQ(link->Font()->Color(), color);
    EXPECT_EQ(link->Font()->Style(), 0u);
    EXPECT_EQ(app->HintColor(), RGB(9, 9, 9));
    Leave();
    EXPECT_EQ(app->HintColor(), clInfoBk);

    int clicks = 0;
    link->OnClick = [&](TObject*) { ++clicks; };
    link->SetUrl(L"mailto:contact@quillpad.example");
    const LPARAM at = MAKELPARAM(link->Left() + 2, link->Top() + 2);
    SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(form->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(opened, std::vector<std::wstring>{L"mailto:contact@quillpad.example"});
    // Released away from the link: no click.
    SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(link->Left() + 200, link->Top() + 2));
    EXPECT_EQ(opened.size(), 1u);
}

TEST(AboutPicture, TheStoredGifDecodesTo80By60WithTransparentCorners) {
    const std::string gif = ResourceBytes(L"ABOUTPICTURE");
    ASSERT_GT(gif.size(), 800u);
    EXPECT_EQ(gif.substr(0, 6), "GIF89a");
    TDecodeResult r = DecodeGif(gif.data(), gif.size());
    ASSERT_TRUE(r.Image) << std::string(r.Error.begin(), r.Error.end());
    EXPECT_EQ(r.Image->Width, 80);
    EXPECT_EQ(r.Image->Height, 60);
    auto alpha = [&](int x, int y) { return r.Image->Pixels[y * 80 + x] >> 24; };
    EXPECT_EQ(alpha(0, 0), 0u);
    EXPECT_EQ(alpha(79, 0), 0u);
    EXPECT_EQ(alpha(0, 59), 0u);
    EXPECT_EQ(alpha(79, 59), 0u);
    EXPECT_EQ(r.Image->Pixels[0], 0u); // premultiplied: a transparent pixel is all zero
    EXPECT_EQ(alpha(30, 20), 255u);
}

TEST(AboutPicture, TruncatedOrCorruptedDataIsRefusedCleanly) {
    const std::string gif = ResourceBytes(L"ABOUTPICTURE");
    ASSERT_FALSE(gif.empty());
    EXPECT_FALSE(DecodeGif(gif.data(), 10).Image);
    EXPECT_FALSE(DecodeGif(nullptr, 0).Image);
    EXPECT_FALSE(DecodeGif("not a picture", 13).Image);
    std::mt19937 random(1234);
    int refused = 0;
    for (int i = 0; i < 300; ++i) {
        std::string bad = gif;
        if (i % 3 == 0) bad.resize(random() % gif.size());
        for (int k = 0; k < 1 + i % 8; ++k) bad[random() % bad.size()] = static_cast<char>(random());
        TDecodeResult r = DecodeGif(bad.data(), bad.size());
        if (!r.Image) {
            ++refused;
            EXPECT_FALSE(r.Error.empty());
        } else {
            // Whatever the decoder accepts is a whole picture within the size limit.
            EXPECT_LE(r.Image->Width, kMaxGifSide);
            EXPECT_EQ(r.Image->Pixels.size(), static_cast<size_t>(r.Image->Width) * r.Image->Height);
        }
    }
    EXPECT_GT(refused, 0);
}

} // namespace
