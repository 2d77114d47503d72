#include "support/FrameworkFixture.h"
#include "support/Keyboard.h"
#include "support/PointerInput.h"

#include "about/AboutForm.h"
#include "about/CreditForm.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// Keyboard cues hidden, as the system keeps them for a dialog opened with the mouse where the
// user asked for it: the windows answer WM_QUERYUISTATE from `Hidden`, which a WM_CHANGEUISTATE
// clearing the focus cue to the dialog ends.
class THiddenCues {
public:
    explicit THiddenCues(std::vector<HWND> windows) : FWindows(std::move(windows)) {
        Hidden = true;
        for (HWND wnd : FWindows)
            Previous[wnd] = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    }
    ~THiddenCues() {
        for (HWND wnd : FWindows)
            SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Previous[wnd]));
        Previous.clear();
    }
    static inline bool Hidden = false;

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_QUERYUISTATE) return Hidden ? UISF_HIDEFOCUS : 0;
        if (msg == WM_CHANGEUISTATE && LOWORD(wParam) == UIS_CLEAR && (HIWORD(wParam) & UISF_HIDEFOCUS)) {
            Hidden = false;
            for (const auto& [window, proc] : Previous)
                if (window != wnd) SendMessageW(window, WM_UPDATEUISTATE, wParam, 0);
        }
        return CallWindowProcW(Previous[wnd], wnd, msg, wParam, lParam);
    }
    static inline std::map<HWND, WNDPROC> Previous;
    std::vector<HWND> FWindows;
};

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

// The picture that opens the credits with a double-click comes last in the Tab order; Enter
// opens the credits there, and Escape closes them.
TEST_F(LinkKeyboardTest, ThePictureOpensTheCreditsFromTheKeyboardAndEscapeClosesThem) {
    app->CreateForm(FCredit);
    FAbout->Memo1->SetFocus();
    SendChord({VK_TAB});
    ASSERT_TRUE(PumpUntil(*app, [&] { return GetFocus() == FAbout->Image1Key->Handle(); }));
    static bool shown = false;
    shown = false;
    // The credits are modal: a timer in their loop looks and presses Escape.
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (!FCredit->HandleAllocated() || !IsWindowVisible(FCredit->Handle())) return;
        shown = true;
        KillTimer(nullptr, id);
        SetForegroundWindow(FCredit->Handle());
        SendChord({VK_ESCAPE});
    });
    SendChord({VK_RETURN});
    EXPECT_TRUE(PumpUntil(
        *app, [&] { return shown && !IsWindowVisible(FCredit->Handle()); }, 5000));
    KillTimer(nullptr, timer);
    EXPECT_TRUE(opened.empty());
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

    // Where the user has the system hide keyboard cues until the keyboard is used, the focus
    // shows once Tab is pressed. Wine keeps no such state (WM_QUERYUISTATE always answers 0), so
    // the system's part is played here: the windows answer with the state the dialog was told.
    THiddenCues cues({FAbout->Handle(), FAbout->HotLink1->FocusWindow()->Handle(),
                      FAbout->HotLink2->FocusWindow()->Handle()});
    FAbout->HotLink1->FocusWindow()->SetFocus();
    ASSERT_TRUE(FocusOn(FAbout->HotLink1));
    EXPECT_EQ(Pixels(FAbout->HotLink1), unfocused);
    const std::vector<COLORREF> second = Pixels(FAbout->HotLink2);
    SendChord({VK_TAB});
    ASSERT_TRUE(FocusOn(FAbout->HotLink2));
    EXPECT_FALSE(THiddenCues::Hidden);
    EXPECT_NE(Pixels(FAbout->HotLink2), second);
    FAbout->Memo1->SetFocus();

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
