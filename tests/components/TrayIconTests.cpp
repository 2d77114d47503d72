#include "components/TrayIcon.h"
#include "support/FrameworkFixture.h"
#include "support/MenuProbe.h"
#include "support/PointerInput.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

struct TShellCall {
    DWORD Message;
    NOTIFYICONDATAW Data;
};

// Watches every record sent to the shell; the calls still reach the real shell.
class TrayIconTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        saved = TTrayIcon::ShellNotifyIcon;
        TTrayIcon::ShellNotifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
            calls.push_back({message, *data});
            return saved(message, data);
        };
        app->CreateForm(form);
        tray = new TTrayIcon(form);
        tray->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState, int x, int y) {
            Log(L"down", s, b, x, y);
        };
        tray->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState, int x, int y) {
            Log(L"up", s, b, x, y);
        };
        tray->OnClick = [this](TObject* s, TMouseButton b, TShiftState, int x, int y) {
            Log(L"click", s, b, x, y);
        };
        tray->OnMouseMove = [this](TObject*, TShiftState, int, int) { events.push_back(L"move"); };
        SetCursorPos(321, 123);
    }
    void TearDown() override {
        TTrayIcon::ShellNotifyIcon = saved;
        FrameworkTest::TearDown();
    }
    void Log(const std::wstring& what, TObject* sender, TMouseButton button, int x, int y) {
        const wchar_t* names[] = {L"left", L"right", L"middle"};
        std::wstring at =
            (x == 321 && y == 123) ? L"" : L" at " + std::to_wstring(x) + L"," + std::to_wstring(y);
        events.push_back(what + L" " + names[static_cast<int>(button)] + at + (sender == tray ? L"" : L" ?"));
    }
    LRESULT Notify(LPARAM code) {
        return SendMessageW(tray->NotifyWindow(), TTrayIcon::WM_TRAYNOTIFY, 1, code);
    }
    std::vector<DWORD> Messages() const {
        std::vector<DWORD> m;
        for (const auto& c : calls)
            m.push_back(c.Message);
        return m;
    }

    std::function<BOOL(DWORD, NOTIFYICONDATAW*)> saved;
    std::vector<TShellCall> calls;
    std::vector<std::wstring> events;
    TPlainForm* form = nullptr;
    TTrayIcon* tray = nullptr;
};

TEST_F(TrayIconTest, MouseNotificationsBecomeEventsWithTheCursorPosition) {
    Notify(WM_MOUSEMOVE);
    Notify(WM_LBUTTONDOWN);
    Notify(WM_LBUTTONUP);
    Notify(WM_MBUTTONDOWN);
    Notify(WM_MBUTTONUP);
    Notify(WM_LBUTTONDBLCLK); // no handler, no menu: nothing
    Notify(NIN_SELECT);       // not handled
    EXPECT_EQ(events, (std::vector<std::wstring>{L"move", L"down left", L"up left", L"click left",
                                                 L"down middle", L"up middle", L"click middle"}));
    EXPECT_EQ(Notify(NIN_BALLOONTIMEOUT), 1);
}

TEST_F(TrayIconTest, DoubleClickGoesToItsHandlerAloneWhenThereIsOne) {
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetDefault(true);
    item->OnClick = [this](TObject*) { events.push_back(L"default item"); };
    menu->Items()->Add(item);
    tray->SetPopupMenu(menu);

    Notify(WM_LBUTTONDBLCLK);
    Notify(WM_RBUTTONDBLCLK); // only the left button runs the default item
    tray->OnDblClick = [this](TObject* s, TMouseButton b, TShiftState, int x, int y) {
        Log(L"double", s, b, x, y);
    };
    Notify(WM_LBUTTONDBLCLK);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"default item", L"double left"}));

    item->SetDefault(false);
    tray->OnDblClick = nullptr;
    events.clear();
    Notify(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(events.empty());
}

TEST_F(TrayIconTest, RightReleaseAndKeySelectOpenThePopupMenuBeforeTheEvents) {
    auto* menu = new TPopupMenu(form);
    menu->OnPopup = [this](TObject*) { events.push_back(L"menu"); };
    tray->SetPopupMenu(menu);
    for (LPARAM code : {LPARAM(WM_RBUTTONUP), LPARAM(NIN_KEYSELECT)}) {
        WhenMenuOpens([&](HWND) { CloseOpenMenu(); });
        Notify(code);
    }
    EXPECT_EQ(events, (std::vector<std::wstring>{L"menu", L"up right", L"click right", L"menu", L"up right",
                                                 L"click right"}));
    EXPECT_EQ(menu->PopupPoint().x, 321);
    EXPECT_EQ(menu->PopupPoint().y, 123);
}

TEST_F(TrayIconTest, RecordsSentToTheShellCarryTheIconsFields) {
    tray->SetHint(L"Quillpad|second part");
    tray->SetActive(true);
    // The application's own small icon, held as it is (it lives as long as the process).
    EXPECT_EQ(tray->Icon()->Handle(), Application->SmallIcon());
    EXPECT_NE(tray->Icon()->Handle(), nullptr);
    ASSERT_TRUE(TTrayIcon::IsNewShell());
    const NOTIFYICONDATAW* add = nullptr;
    for (const auto& c : calls)
        if (c.Message == NIM_ADD) add = &c.Data;
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE));
    EXPECT_EQ(add->uID, 1u);
    EXPECT_EQ(add->uCallbackMessage, 1025u);
    EXPECT_EQ(add->uFlags, 0x17u);
    EXPECT_EQ(add->hWnd, tray->NotifyWindow());
    EXPECT_EQ(add->uVersion, static_cast<UINT>(NOTIFYICON_VERSION));
    EXPECT_STREQ(add->szTip, L"Quillpad");
    EXPECT_EQ(calls.back().Message, static_cast<DWORD>(NIM_SETVERSION));

    calls.clear();
    tray->SetActive(true); // the icon is there already: the shell would refuse a second add
    EXPECT_TRUE(Messages().empty());

    calls.clear();
    TComponent::Free(tray);
    EXPECT_EQ(Messages(), std::vector<DWORD>{NIM_DELETE});
}

// A taskbar window for the restart check to find: Wine's desktop may have none.
class TFakeTaskbar {
public:
    TFakeTaskbar() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Shell_TrayWnd";
        RegisterClassW(&wc);
        FWnd = CreateWindowExW(WS_EX_TOOLWINDOW, L"Shell_TrayWnd", nullptr, WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, wc.hInstance, nullptr);
    }
    ~TFakeTaskbar() { DestroyWindow(FWnd); }
    HWND Handle() const { return FWnd; }

private:
    HWND FWnd;
};

TEST_F(TrayIconTest, ActivationAddsOnceAndSetIconModifiesOnceWithOrWithoutATaskbar) {
    // Only the records reach the shell here: a stand-in taskbar must not be sent real calls.
    TTrayIcon::ShellNotifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
        calls.push_back({message, *data});
        return TRUE;
    };
    for (bool withTaskbar : {false, true}) {
        SCOPED_TRACE(withTaskbar ? "taskbar" : "no taskbar");
        std::optional<TFakeTaskbar> taskbar;
        if (withTaskbar && !FindWindowW(L"Shell_TrayWnd", nullptr)) taskbar.emplace();
        auto* icon = new TTrayIcon(form);
        calls.clear();
        icon->SetActive(true); // no icon set yet: the application's is taken
        EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
        EXPECT_EQ(calls.front().Data.hIcon, icon->Icon()->Handle());
        EXPECT_NE(calls.front().Data.hIcon, nullptr);

        calls.clear();
        const HICON warning = LoadIconW(nullptr, IDI_WARNING);
        icon->SetIcon(warning);
        ASSERT_EQ(Messages(), std::vector<DWORD>{NIM_MODIFY});
        EXPECT_EQ(calls[0].Data.hIcon, icon->Icon()->Handle());
        EXPECT_NE(icon->Icon()->Handle(), warning); // an icon set by the caller is copied

        calls.clear();
        icon->SetActive(false);
        icon->SetIcon(LoadIconW(nullptr, IDI_APPLICATION)); // inactive: nothing to modify
        EXPECT_EQ(Messages(), std::vector<DWORD>{NIM_DELETE});
        TComponent::Free(icon);
    }
}

TEST_F(TrayIconTest, ANewTaskbarFoundBySetIconGetsTheIconAddedAgainBeforeTheModify) {
    TTrayIcon::ShellNotifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
        calls.push_back({message, *data});
        return TRUE;
    };
    std::optional<TFakeTaskbar> first;
    if (!FindWindowW(L"Shell_TrayWnd", nullptr)) first.emplace();
    tray->SetActive(true);
    // The taskbar restarts: a new window of the same class.
    const HWND old = FindWindowW(L"Shell_TrayWnd", nullptr);
    TFakeTaskbar restarted;
    if (first) first.reset();
    if (FindWindowW(L"Shell_TrayWnd", nullptr) == old) GTEST_SKIP() << "the system's own taskbar stays first";
    calls.clear();
    tray->SetIcon(LoadIconW(nullptr, IDI_WARNING));
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_DELETE, NIM_ADD, NIM_SETVERSION, NIM_MODIFY}));
    calls.clear();
    tray->SetIcon(LoadIconW(nullptr, IDI_APPLICATION)); // the same taskbar: one modify
    EXPECT_EQ(Messages(), std::vector<DWORD>{NIM_MODIFY});
}

TEST_F(TrayIconTest, TipShowsTheShortHintFromTheFirstMouseMoveOn) {
    tray->SetActive(true);
    calls.clear();
    tray->SetHint(std::wstring(200, L'x'));
    EXPECT_TRUE(calls.empty()); // nothing reaches the shell until the mouse moves over the icon
    Notify(WM_MOUSEMOVE);
    ASSERT_EQ(Messages(), std::vector<DWORD>{NIM_MODIFY});
    EXPECT_EQ(calls[0].Data.uFlags, 7u);
    EXPECT_EQ(std::wstring(calls[0].Data.szTip), std::wstring(127, L'x'));
    Notify(WM_MOUSEMOVE); // same hint: no new call
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(TTrayIcon::ShortHint(L"a|b|c"), L"a");
}

TEST_F(TrayIconTest, IconIndexNeedsAnImageListAndPicksItsImage) {
    tray->SetIconIndex(3);
    EXPECT_EQ(tray->IconIndex(), -1);
    auto* images = new TImageList(form);
    images->AddIcon(LoadIconW(nullptr, IDI_APPLICATION));
    images->AddIcon(LoadIconW(nullptr, IDI_WARNING));
    tray->SetIcons(images);
    tray->SetActive(true);
    calls.clear();
    HICON before = tray->Icon()->Handle();
    tray->SetIconIndex(1);
    EXPECT_EQ(tray->IconIndex(), 1);
    EXPECT_NE(tray->Icon()->Handle(), before);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls.back().Data.uFlags, 7u);
    EXPECT_EQ(calls.back().Data.hIcon, tray->Icon()->Handle());
    tray->SetIconIndex(2);
    EXPECT_EQ(tray->IconIndex(), -1);
}

TEST_F(TrayIconTest, VisibilitySendsTheApplicationToTheTrayAndBack) {
    form->Show();
    tray->SetActive(true);
    tray->SetVisibility(tvAutoHide);
    EXPECT_FALSE(tray->ApplicationVisible());
    EXPECT_FALSE(tray->TaskListVisible());
    EXPECT_TRUE(app->IsMinimized());
    EXPECT_FALSE(IsWindowVisible(app->Handle()));
    EXPECT_FALSE(IsWindowVisible(form->Handle()));

    tray->SetVisibility(tvAutoHide | tvVisibleTaskBar);
    EXPECT_TRUE(tray->ApplicationVisible());
    EXPECT_FALSE(app->IsMinimized());
    EXPECT_TRUE(IsWindowVisible(app->Handle()));
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(TrayIconTest, LeftClickRestoresWhenAskedAndMinimisingHidesAutomatically) {
    form->Show();
    tray->SetActive(true);
    tray->SetVisibility(tvAutoHide | tvRestoreClick);
    ASSERT_FALSE(tray->ApplicationVisible());
    Notify(WM_LBUTTONUP);
    EXPECT_EQ(tray->Visibility(), tvAutoHide | tvRestoreClick | tvVisibleTaskBar);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));

    SendMessageW(app->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(tray->ApplicationVisible());
    EXPECT_FALSE(IsWindowVisible(app->Handle()));
    EXPECT_TRUE(app->IsMinimized());
}

TEST_F(TrayIconTest, VisibilityWhileTheOwnerLoadsOnlyDecidesWhetherTheMainFormShows) {
    struct TLoadingForm : TPlainForm {
        explicit TLoadingForm(TComponent* owner) : TPlainForm(owner) {
            Tray = new TTrayIcon(this);
            Tray->SetActive(true);
            Tray->SetVisibility(tvAutoHide);
        }
        TTrayIcon* Tray;
    };
    ASSERT_TRUE(app->ShowMainForm());
    TLoadingForm* loading = nullptr;
    app->CreateForm(loading);
    EXPECT_FALSE(app->ShowMainForm());
    EXPECT_FALSE(app->IsMinimized()); // nothing was sent to the tray while loading
    EXPECT_FALSE(loading->Tray->ApplicationVisible());
}

TEST_F(TrayIconTest, AnAddTheShellRefusedIsTriedAgainWhenActiveIsReapplied) {
    BOOL accept = FALSE; // no notification area yet
    TTrayIcon::ShellNotifyIcon = [&](DWORD message, NOTIFYICONDATAW* data) {
        calls.push_back({message, *data});
        return accept;
    };
    tray->SetActive(true);
    accept = TRUE;
    calls.clear();
    tray->SetVisibility(tvAutoHide); // re-applies Active, as loading the note window does
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    calls.clear();
    tray->SetVisibility(tvAutoHide);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(TrayIconTest, RestartedTaskbarGetsTheIconAgain) {
    // A restarted taskbar has forgotten the icon and takes it again; the real one never restarted
    // here and would refuse an icon it still shows.
    TTrayIcon::ShellNotifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
        calls.push_back({message, *data});
        return TRUE;
    };
    tray->SetActive(true);
    calls.clear();
    SendMessageW(tray->NotifyWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    tray->SetActive(false);
    calls.clear();
    SendMessageW(tray->NotifyWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(calls.empty()); // an inactive icon stays away
}

// A shell that is still starting: it refuses the first adds, and may take an add yet report it
// as failed (timed out). Modify and delete act on what it really holds.
class TStartingShell {
public:
    int AddsToRefuse = 0;
    bool TakeRefusedAdds = false; // a refused add still puts the icon in: a time-out
    bool Holds = false;

    BOOL operator()(DWORD message) {
        switch (message) {
        case NIM_ADD:
            if (AddsToRefuse > 0) {
                --AddsToRefuse;
                if (TakeRefusedAdds) Holds = true;
                return FALSE;
            }
            if (Holds) return FALSE; // the same icon twice
            Holds = true;
            return TRUE;
        case NIM_DELETE:
            return std::exchange(Holds, false);
        default:
            return Holds;
        }
    }
};

class TrayAddRetryTest : public TrayIconTest {
protected:
    void SetUp() override {
        TrayIconTest::SetUp();
        TTrayIcon::ShellNotifyIcon = [this](DWORD message, NOTIFYICONDATAW* data) {
            calls.push_back({message, *data});
            return shell(message);
        };
    }
    // Activates the icon against the starting shell; the retries come quickly for the test.
    void Activate() {
        tray->SetActive(true);
        ASSERT_NE(tray->AddRetryTimer(), nullptr);
        EXPECT_EQ(tray->AddRetryTimer()->Interval(), TTrayIcon::kAddRetryInterval);
        tray->AddRetryTimer()->SetInterval(10);
    }
    bool Retrying() const { return tray->AddRetryTimer() && tray->AddRetryTimer()->Enabled(); }
    size_t Count(DWORD message) const { return std::ranges::count(Messages(), message); }

    TStartingShell shell;
};

TEST_F(TrayAddRetryTest, AnAddRefusedAFewTimesIsTriedAgainOnATimerUntilTheIconIsInPlace) {
    shell.AddsToRefuse = 3;
    Activate();
    EXPECT_TRUE(Retrying());
    EXPECT_FALSE(tray->IconAdded());
    ASSERT_TRUE(PumpUntil(*app, [&] { return tray->IconAdded(); }));
    EXPECT_TRUE(shell.Holds);
    EXPECT_FALSE(Retrying());
    EXPECT_EQ(Count(NIM_ADD), 4u);
    EXPECT_EQ(Messages().back(), static_cast<DWORD>(NIM_SETVERSION)); // only once the icon is there
    EXPECT_EQ(Count(NIM_SETVERSION), 1u);
    const NOTIFYICONDATAW& added = calls[calls.size() - 2].Data;
    EXPECT_EQ(added.hWnd, tray->NotifyWindow());
    EXPECT_EQ(added.uCallbackMessage, TTrayIcon::WM_TRAYNOTIFY);
    EXPECT_EQ(added.hIcon, tray->Icon()->Handle());

    // In place: nothing more is sent, and the icon answers clicks.
    const size_t sent = calls.size();
    EXPECT_FALSE(PumpUntil(
        *app, [&] { return calls.size() > sent; }, 200));
    Notify(WM_LBUTTONUP);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"up left", L"click left"}));
}

TEST_F(TrayAddRetryTest, AnAddThatTimedOutButReachedTheShellIsFoundByAModifyAndNotAddedTwice) {
    shell.AddsToRefuse = 1;
    shell.TakeRefusedAdds = true;
    Activate();
    ASSERT_TRUE(PumpUntil(*app, [&] { return tray->IconAdded(); }));
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_SETVERSION}));
    EXPECT_FALSE(Retrying());
}

TEST_F(TrayAddRetryTest,
       RetriesStopAfterAboutAMinuteOrWhenTheIconIsDeactivatedAndTheTaskbarsMessageStartsThemAgain) {
    shell.AddsToRefuse = 1000; // the shell does not come up within the retries
    Activate();
    ASSERT_TRUE(PumpUntil(
        *app, [&] { return !Retrying(); }, 5000));
    EXPECT_EQ(Count(NIM_ADD), 1u + TTrayIcon::kAddRetries);
    EXPECT_GE(TTrayIcon::kAddRetries * TTrayIcon::kAddRetryInterval, 60000u);
    const size_t sent = calls.size();
    EXPECT_FALSE(PumpUntil(
        *app, [&] { return calls.size() > sent; }, 100));

    // The taskbar comes up later and says so: the add goes through then.
    shell.AddsToRefuse = 0;
    calls.clear();
    SendMessageW(tray->NotifyWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(Messages(), (std::vector<DWORD>{NIM_ADD, NIM_SETVERSION}));
    EXPECT_TRUE(tray->IconAdded());

    // A taskbar that restarts refusing gets the retries again, until the icon is switched off.
    tray->SetActive(false);
    shell.AddsToRefuse = 1000;
    tray->SetActive(true);
    EXPECT_TRUE(Retrying());
    tray->SetActive(false);
    EXPECT_FALSE(Retrying());
    calls.clear();
    EXPECT_FALSE(PumpUntil(
        *app, [&] { return !calls.empty(); }, 100));
}

TEST_F(TrayIconTest, AnExceptionInAnEventIsReportedWithTheMessage) {
    tray->OnClick = [](TObject*, TMouseButton, TShiftState, int, int) { throw TError(L"clic refusé"); };
    Notify(WM_LBUTTONUP);
    EXPECT_EQ(reported, std::vector<std::wstring>{L"clic refusé"});
}

} // namespace
