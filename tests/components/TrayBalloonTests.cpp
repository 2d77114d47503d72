#include "components/TrayIcon.h"
#include "support/FrameworkFixture.h"

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct TSentRecord {
    DWORD Message;
    NOTIFYICONDATAW Data;
    COLORREF Colour; // of the icon the record carried, while it still existed
    BOOL Result;
};

// A 16 x 16 icon of one colour.
HICON SolidIcon(COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP image = CreateCompatibleBitmap(screen, 16, 16);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    HGDIOBJ old = SelectObject(dc, image);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, brush);
    SelectObject(dc, mask);
    PatBlt(dc, 0, 0, 16, 16, BLACKNESS); // opaque everywhere
    SelectObject(dc, old);
    ICONINFO info{TRUE, 0, 0, mask, image};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(brush);
    DeleteObject(mask);
    DeleteObject(image);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return icon;
}

COLORREF IconColour(HICON icon) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, canvas);
    PatBlt(dc, 0, 0, 16, 16, WHITENESS);
    DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    const COLORREF colour = GetPixel(dc, 8, 8);
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return colour;
}

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);
constexpr ULONGLONG kSecond = 10'000'000; // in the clock's 100-ns units

class TrayBalloonTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        savedShell = TTrayIcon::ShellNotifyIcon;
        savedNewShell = TTrayIcon::ShellIsNew;
        savedClock = TTrayIcon::LocalClock;
        TTrayIcon::ShellNotifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
            const BOOL result = savedShell(message, data);
            sent.push_back({message, *data, data->hIcon ? IconColour(data->hIcon) : CLR_INVALID, result});
            return result;
        };
        TTrayIcon::LocalClock = [this] { return now; };
        app->CreateForm(form);
        tray = new TTrayIcon(form);
        tray->OnBalloonShow = [this](TObject* s) { events.push_back(s == tray ? L"show" : L"show ?"); };
        tray->OnBalloonHide = [this](TObject* s) { events.push_back(s == tray ? L"hide" : L"hide ?"); };
        tray->OnBalloonClick = [this](TObject* s) { events.push_back(s == tray ? L"click" : L"click ?"); };
    }
    void TearDown() override {
        TComponent::Free(form);
        TTrayIcon::ShellNotifyIcon = savedShell;
        TTrayIcon::ShellIsNew = savedNewShell;
        TTrayIcon::LocalClock = savedClock;
        FrameworkTest::TearDown();
    }
    LRESULT Notify(LPARAM code) {
        return SendMessageW(tray->NotifyWindow(), TTrayIcon::WM_TRAYNOTIFY, 1, code);
    }
    TImageList* ThreeColours() {
        auto* images = new TImageList(form);
        for (COLORREF c : {kRed, kGreen, kBlue}) {
            HICON icon = SolidIcon(c);
            images->AddIcon(icon);
            DestroyIcon(icon);
        }
        return images;
    }
    void Pump(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        MSG msg;
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    // The record the last balloon call sent.
    const NOTIFYICONDATAW& Last() const { return sent.back().Data; }
    bool HidingRecord(const NOTIFYICONDATAW& d) const {
        return d.szInfoTitle[0] == 0 && d.szInfo[0] == 0 && d.dwInfoFlags == NIIF_NONE &&
               d.uTimeout == 5000 && d.uFlags == 0x17u;
    }

    decltype(TTrayIcon::ShellNotifyIcon) savedShell;
    decltype(TTrayIcon::ShellIsNew) savedNewShell;
    decltype(TTrayIcon::LocalClock) savedClock;
    ULONGLONG now = 133'000'000'000'000'000ull;
    std::vector<TSentRecord> sent;
    std::vector<std::wstring> events;
    TPlainForm* form = nullptr;
    TTrayIcon* tray = nullptr;
};

TEST_F(TrayBalloonTest, AnimationShowsImagesZeroOneTwoZeroOnTheRealTimerAndStopsWithItsTimer) {
    HICON green = SolidIcon(kGreen);
    ASSERT_EQ(IconColour(green), kGreen);
    DestroyIcon(green);
    tray->SetIcons(ThreeColours());
    tray->SetActive(true);
    tray->SetIconIndex(-1);
    ASSERT_EQ(tray->IconIndex(), -1);
    tray->SetDelay(30);
    std::vector<int> steps;
    tray->OnAnimate = [&](TObject*, int index) { steps.push_back(index); };
    sent.clear();
    tray->SetAnimated(true);
    ASSERT_NE(tray->AnimationTimer(), nullptr);
    EXPECT_EQ(tray->AnimationTimer()->Interval(), 30u);
    EXPECT_TRUE(tray->AnimationTimer()->Enabled());
    Pump([&] { return steps.size() >= 4; }, std::chrono::seconds(5));
    tray->SetAnimated(false);
    EXPECT_EQ(tray->AnimationTimer(), nullptr);

    ASSERT_GE(steps.size(), 4u);
    steps.resize(4);
    EXPECT_EQ(steps, (std::vector<int>{0, 1, 2, 0}));
    std::vector<COLORREF> shown;
    for (const TSentRecord& r : sent) {
        EXPECT_EQ(r.Message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(r.Data.uFlags, 7u); // a picked image does not show the balloon again
        shown.push_back(r.Colour);
    }
    ASSERT_GE(shown.size(), 4u);
    shown.resize(4);
    EXPECT_EQ(shown, (std::vector<COLORREF>{kRed, kGreen, kBlue, kRed}));
    EXPECT_TRUE(reported.empty());
}

TEST_F(TrayBalloonTest, StepsNeedAnActiveIconAndImagesAndAnEmptiedListStopsThemSafely) {
    std::vector<int> steps;
    tray->OnAnimate = [&](TObject*, int index) { steps.push_back(index); };
    tray->SetAnimated(true);
    TTimer* timer = tray->AnimationTimer();
    ASSERT_NE(timer, nullptr);
    tray->SetDelay(250);
    EXPECT_EQ(timer->Interval(), 250u);
    timer->OnTimer(timer); // no icon in the notification area, no images
    tray->SetActive(true);
    timer->OnTimer(timer); // still no images
    EXPECT_TRUE(steps.empty());

    TImageList* images = ThreeColours();
    tray->SetIcons(images);
    tray->SetIconIndex(2);
    timer->OnTimer(timer);
    EXPECT_EQ(tray->IconIndex(), 0); // wraps round
    tray->SetIconIndex(1);
    // The list the index was taken from is replaced by an empty one: there is no next image.
    tray->SetIcons(new TImageList(form));
    sent.clear();
    timer->OnTimer(timer);
    EXPECT_EQ(tray->IconIndex(), 1);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(steps, std::vector<int>{0});

    // Visibility changes keep the animation as it is, on or off.
    tray->SetVisibility(tray->Visibility());
    EXPECT_EQ(tray->AnimationTimer(), timer);
    tray->SetAnimated(false);
    tray->SetVisibility(tray->Visibility());
    EXPECT_EQ(tray->AnimationTimer(), nullptr);
    EXPECT_TRUE(reported.empty());
}

TEST_F(TrayBalloonTest, BalloonRecordsCarryTheKindTheTimeOutAndTextsCutToWhatTheShellHolds) {
    ASSERT_TRUE(TTrayIcon::ShellIsNew());
    struct TCase {
        TBalloonKind Kind;
        DWORD Flags;
    };
    for (TCase c : {TCase{bkNone, 0}, TCase{bkError, 3}, TCase{bkInformation, 1}, TCase{bkWarning, 2}}) {
        sent.clear();
        tray->ShowBalloon(L"Titre", L"Texte", c.Kind, 7000);
        ASSERT_EQ(sent.size(), 1u); // sent although the icon is not active
        EXPECT_EQ(sent[0].Message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(Last().dwInfoFlags, c.Flags);
        EXPECT_EQ(Last().uFlags, 0x17u);
        EXPECT_EQ(Last().uTimeout, 7000u);
        EXPECT_STREQ(Last().szInfoTitle, L"Titre");
        EXPECT_STREQ(Last().szInfo, L"Texte");
    }
    tray->ShowBalloon(std::wstring(100, L't') + L"end", std::wstring(300, L'x'), bkInformation, 1000);
    EXPECT_EQ(std::wstring(Last().szInfoTitle), std::wstring(63, L't'));
    EXPECT_EQ(std::wstring(Last().szInfo), std::wstring(255, L'x'));
    // A shorter text after a long one leaves nothing of the long one behind.
    tray->ShowBalloon(L"a", L"b", bkNone, 1000);
    EXPECT_EQ(std::wstring(Last().szInfo), L"b");
    EXPECT_EQ(events, std::vector<std::wstring>(6, L"show"));
}

TEST_F(TrayBalloonTest, AClickHidesTheBalloonAfterItsEventAndTheTimeOutOnlyOnceItHasPassed) {
    tray->ShowBalloon(L"Titre", L"Texte", bkWarning, 2999); // two whole seconds
    sent.clear();
    events.clear();

    now += 2 * kSecond; // reported early: two seconds are not more than two
    EXPECT_EQ(Notify(NIN_BALLOONTIMEOUT), 1);
    EXPECT_TRUE(sent.empty());
    now += kSecond - 1;
    EXPECT_EQ(Notify(NIN_BALLOONTIMEOUT), 1);
    EXPECT_TRUE(sent.empty());
    now += 1;
    EXPECT_EQ(Notify(NIN_BALLOONTIMEOUT), 1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(HidingRecord(Last()));
    EXPECT_EQ(events, std::vector<std::wstring>{L"show"});

    // The clock going back is a distance too.
    tray->ShowBalloon(L"Titre", L"Texte", bkNone, 1000);
    now -= 5 * kSecond;
    sent.clear();
    Notify(NIN_BALLOONTIMEOUT);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(HidingRecord(Last()));

    tray->ShowBalloon(L"Titre", L"Texte", bkError, 10000);
    sent.clear();
    events.clear();
    EXPECT_EQ(Notify(NIN_BALLOONUSERCLICK), 1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(HidingRecord(Last()));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"click", L"show"}));

    events.clear();
    sent.clear();
    EXPECT_EQ(Notify(NIN_BALLOONHIDE), 1);
    EXPECT_EQ(events, std::vector<std::wstring>{L"hide"});
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(reported.empty());
}

TEST_F(TrayBalloonTest, WhatTheHideAndClickHandlersThrowIsDroppedAndTheBalloonStillGoes) {
    tray->OnBalloonHide = [](TObject*) { throw TError(L"hide failed"); };
    tray->OnBalloonClick = [](TObject*) { throw std::runtime_error("click failed"); };
    EXPECT_EQ(Notify(NIN_BALLOONHIDE), 1);
    tray->ShowBalloon(L"Titre", L"Texte", bkInformation, 10000);
    sent.clear();
    EXPECT_EQ(Notify(NIN_BALLOONUSERCLICK), 1);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(HidingRecord(Last()));
    EXPECT_TRUE(reported.empty());
}

TEST_F(TrayBalloonTest, AnOldShellShowsNoBalloonAndRaisesNothing) {
    TTrayIcon::ShellIsNew = [] { return false; };
    tray->ShowBalloon(L"Titre", L"Texte", bkWarning, 5000);
    tray->HideBalloon();
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(events.empty());
}

// The records go to Wine's own notification area here.
TEST_F(TrayBalloonTest, WinesTrayTakesABalloonThroughTheRealShellCall) {
    tray->SetHint(L"Quillpad");
    tray->SetActive(true);
    ASSERT_FALSE(sent.empty());
    ASSERT_EQ(sent[0].Message, static_cast<DWORD>(NIM_ADD));
    ASSERT_TRUE(sent[0].Result) << "no notification area to test against";
    sent.clear();
    tray->ShowBalloon(L"Quillpad", L"Une bulle", bkInformation, 3000);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].Result);
    tray->HideBalloon();
    EXPECT_TRUE(sent.back().Result);
}

} // namespace
