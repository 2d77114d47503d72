#include "support/FrameworkFixture.h"
#include "support/PointerInput.h"

#include "about/AboutForm.h"
#include "about/CreditForm.h"

namespace {

using AboutFormTest = FrameworkTest;

TEST_F(AboutFormTest, WindowsGetTheirHandlesAndPictureOnFirstShowAndTheCreditsStartOverEachOpening) {
    app->CreateForm(FAbout);
    app->CreateForm(FCredit);
    ASSERT_TRUE(FAbout && FCredit);
    EXPECT_FALSE(FAbout->HandleAllocated());
    EXPECT_FALSE(FCredit->HandleAllocated());
    EXPECT_FALSE(FAbout->PictureLoaded());
    EXPECT_EQ(FAbout->Memo1->Lines().Count(), 20);
    EXPECT_EQ(FAbout->Memo1->Lines()[17], L"CTRL+ALT+S :   Sauvegarder sous.... (en txt)");
    EXPECT_EQ(TFCredit::CreditLines().size(), 78u);

    FAbout->Show();
    EXPECT_TRUE(FAbout->PictureLoaded());
    EXPECT_EQ(FAbout->Image1->Picture().Width, 80);
    EXPECT_EQ(FAbout->ClientWidth(), 330);
    EXPECT_EQ(FAbout->ClientHeight(), 434);
    EXPECT_FALSE(IsWindowVisible(app->Handle())); // no taskbar button
    RECT r;
    GetWindowRect(FAbout->Handle(), &r);
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);

    FCredit->Show();
    EXPECT_TRUE(FCredit->ScrollText1->Active());
    EXPECT_EQ(FCredit->ScrollText1->Width(), 637);
    const int lh = FCredit->ScrollText1->TextLabel()->Height();
    EXPECT_GT(lh, 78 * 10);
    ASSERT_TRUE(PumpUntil(*app, [&] { return FCredit->ScrollText1->TextLabel()->Top() > 200; }));
    ASSERT_TRUE(PumpUntil(*app, [&] { return FCredit->ScrollText1->TextLabel()->Top() < 260; }));
    FCredit->Close();
    EXPECT_FALSE(FCredit->ScrollText1->Active());
    FCredit->Show();
    EXPECT_EQ(FCredit->ScrollText1->TextOffset(), -lh); // from the restart point again
    FCredit->Close();
    FAbout->Close();
    EXPECT_TRUE(reported.empty());
}

TEST(CreditText, TheBannerDrawsFiveLettersInAFrameAsWideAsItsBorders) {
    const std::vector<std::wstring> lines = TFCredit::CreditLines();
    ASSERT_GE(lines.size(), 7u);
    const std::wstring& top = lines[0];
    EXPECT_EQ(top.rfind(L"/\\/\\", 0), 0u);
    EXPECT_EQ(lines[6].rfind(L"\\/\\/", 0), 0u);
    EXPECT_EQ(lines[6].size(), top.size());
    // The letters of "MERCI": five groups of columns with ink, split by columns blank on every line.
    std::vector<bool> ink(top.size() - 2, false);
    for (size_t row = 1; row <= 5; ++row) {
        const std::wstring& line = lines[row];
        ASSERT_EQ(line.size(), top.size()) << row;
        EXPECT_EQ(line.front(), L'<');
        EXPECT_EQ(line.back(), L'>');
        EXPECT_EQ(line.find_first_not_of(L" _/\\|<>()"), std::wstring::npos) << row;
        for (size_t col = 1; col + 1 < line.size(); ++col)
            if (line[col] != L' ') ink[col - 1] = true;
    }
    int letters = 0;
    for (size_t col = 0; col < ink.size(); ++col)
        if (ink[col] && (col == 0 || !ink[col - 1])) ++letters;
    EXPECT_EQ(letters, 5);
}

} // namespace
