#include "support/FrameworkFixture.h"
#include "support/Keyboard.h"
#include "support/PointerInput.h"

#include "about/AboutForm.h"

#include <functional>
#include <string>
#include <vector>

namespace {

// The About dialog's links without a mouse: Tab reaches them, their focus shows, Enter and
// Space open them. What they open is collected instead of starting a browser.
class LinkKeyboardTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        saved = THotLink::ShellOpenUrl;
        THotLink::ShellOpenUrl = [this](const std::wstring& target) { opened.push_back(target); };
        app->CreateForm(FAbout);
        FAbout->Show();
        SetForegroundWindow(FAbout->Handle());
        UpdateWindow(FAbout->Handle());
    }
    void TearDown() override {
        THotLink::ShellOpenUrl = saved;
        FrameworkTest::TearDown();
    }
    bool FocusOn(THotLink* link) {
        return PumpUntil(*app, [&] { return GetFocus() == link->FocusWindow()->Handle(); });
    }
    bool Press(WORD key) {
        const size_t before = opened.size();
        SendChord({key});
        return PumpUntil(
            *app, [&] { return opened.size() > before; }, 1000);
    }
    // The link's pixels as the dialog shows them.
    std::vector<COLORREF> Pixels(THotLink* link) {
        RedrawWindow(FAbout->Handle(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        std::vector<COLORREF> pixels;
        HDC dc = GetDC(FAbout->Handle());
        for (int y = link->Top(); y < link->Top() + link->Height(); ++y)
            for (int x = link->Left(); x < link->Left() + link->Width(); ++x)
                pixels.push_back(GetPixel(dc, x, y));
        ReleaseDC(FAbout->Handle(), dc);
        return pixels;
    }

    std::function<void(const std::wstring&)> saved;
    std::vector<std::wstring> opened;
};

TEST_F(LinkKeyboardTest, TabReachesTheLinksInReadingOrderAndEnterOrSpaceOpensTheOneWithTheFocus) {
    // The dialog opens on its first control: the mail link, at the top left.
    ASSERT_TRUE(FocusOn(FAbout->HotLink1));
    EXPECT_TRUE(Press(VK_RETURN));
    SendChord({VK_TAB});
    ASSERT_TRUE(FocusOn(FAbout->HotLink2));
    EXPECT_TRUE(Press(VK_SPACE));
    EXPECT_EQ(opened,
              (std::vector<std::wstring>{L"mailto:contact@quillpad.example", L"https://quillpad.example/"}));
    SendChord({VK_TAB});
    ASSERT_TRUE(PumpUntil(*app, [&] { return GetFocus() == FAbout->Memo1->Handle(); }));
    // Enter in the shortcut list opens nothing.
    EXPECT_FALSE(Press(VK_RETURN));
    SendChord({VK_SHIFT, VK_TAB});
    EXPECT_TRUE(FocusOn(FAbout->HotLink2));
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(LinkKeyboardTest, TheLinkWithTheFocusShowsAFocusRectangleAndTheMouseStillReachesTheLabel) {
    ASSERT_TRUE(FocusOn(FAbout->HotLink1));
    FAbout->Memo1->SetFocus();
    const std::vector<COLORREF> unfocused = Pixels(FAbout->HotLink1);
    FAbout->HotLink1->FocusWindow()->SetFocus();
    ASSERT_TRUE(FocusOn(FAbout->HotLink1));
    EXPECT_NE(Pixels(FAbout->HotLink1), unfocused);
    FAbout->Memo1->SetFocus();
    EXPECT_EQ(Pixels(FAbout->HotLink1), unfocused);

    // The window that holds the focus lets the pointer through to the label under it.
    RECT box;
    GetWindowRect(FAbout->HotLink2->FocusWindow()->Handle(), &box);
    const POINT middle{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    EXPECT_EQ(WindowFromPoint(middle), FAbout->Handle());
    RECT client;
    GetClientRect(FAbout->HotLink2->FocusWindow()->Handle(), &client);
    EXPECT_EQ(client.right, FAbout->HotLink2->Width());
    EXPECT_EQ(client.bottom, FAbout->HotLink2->Height());
}

} // namespace
