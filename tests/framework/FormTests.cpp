#include "support/FrameworkFixture.h"

#include "framework/Layered.h"
#include "framework/Menus.h"
#include "framework/Monitors.h"
#include "framework/Timer.h"
#include "support/MenuProbe.h"

namespace {

using FormTest = FrameworkTest;

LONG_PTR StyleOf(HWND wnd) {
    return GetWindowLongPtrW(wnd, GWL_STYLE);
}
LONG_PTR ExStyleOf(HWND wnd) {
    return GetWindowLongPtrW(wnd, GWL_EXSTYLE);
}

TEST_F(FormTest, BorderStylesGiveTheirWindowStylesAndChangingOneRecreatesTheWindow) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    form->SetBorderStyle(bsNone);
    HWND before = form->Handle();
    EXPECT_TRUE(StyleOf(before) & WS_POPUP);
    EXPECT_EQ(StyleOf(before) & (WS_CAPTION | WS_THICKFRAME), 0);

    form->SetBorderStyle(bsSizeable);
    HWND after = form->Handle();
    EXPECT_NE(after, before);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(StyleOf(after) & (WS_CAPTION | WS_THICKFRAME), WS_CAPTION | WS_THICKFRAME);
    EXPECT_EQ(GetWindow(after, GW_OWNER), app->Handle());

    form->SetBorderStyle(bsDialog);
    EXPECT_EQ(StyleOf(form->Handle()) & (WS_CAPTION | WS_THICKFRAME), WS_CAPTION);
    EXPECT_TRUE(ExStyleOf(form->Handle()) & WS_EX_DLGMODALFRAME);
}

TEST_F(FormTest, ReplacedMessageHandlerSurvivesRecreationAndOuterBoundsAreKept) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    form->SetBounds(120, 130, 260, 250);
    form->Show();
    int probes = 0;
    auto inherited = form->WindowProc;
    form->WindowProc = [&, inherited](TMessage& m) {
        if (m.Msg == WM_APP + 5) ++probes;
        inherited(m);
    };
    form->SetBorderStyle(bsNone);
    SendMessageW(form->Handle(), WM_APP + 5, 0, 0);
    EXPECT_EQ(probes, 1);
    EXPECT_TRUE(IsWindowVisible(form->Handle())); // a shown window comes back shown
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, 120);
    EXPECT_EQ(r.top, 130);
    EXPECT_EQ(r.right - r.left, 260);
    EXPECT_EQ(r.bottom - r.top, 250);
}

TEST_F(FormTest, ClientSizeAccountsForTheFrameBeforeAndAfterTheWindowExists) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    form->SetBorderStyle(bsSizeable);
    form->SetClientWidth(258);
    form->SetClientHeight(233);
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 258);
    EXPECT_EQ(client.bottom, 233);
    EXPECT_GT(form->Width(), 258);
    EXPECT_EQ(form->ClientWidth(), 258);
    EXPECT_EQ(form->ClientHeight(), 233);
}

TEST_F(FormTest, LayeringFollowsAlphaAndColourKeyWithOneCombinedCall) {
    ASSERT_TRUE(Layered::Available());
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    HWND wnd = form->Handle();
    EXPECT_FALSE(ExStyleOf(wnd) & WS_EX_LAYERED);

    form->SetAlphaBlendValue(150);
    form->SetAlphaBlend(true);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(ExStyleOf(wnd) & WS_EX_LAYERED);
    ASSERT_TRUE(GetLayeredWindowAttributes(wnd, &key, &alpha, &flags));
    EXPECT_EQ(alpha, 150);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

    form->SetTransparentColorValue(0x00FFFFFF);
    form->SetTransparentColor(true);
    ASSERT_TRUE(GetLayeredWindowAttributes(wnd, &key, &alpha, &flags));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));
    EXPECT_EQ(key, 0x00FFFFFFu);

    form->SetAlphaBlend(false);
    ASSERT_TRUE(GetLayeredWindowAttributes(wnd, &key, &alpha, &flags));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));

    form->SetTransparentColor(false);
    EXPECT_FALSE(ExStyleOf(wnd) & WS_EX_LAYERED);

    // A re-created window gets the layering the values describe.
    form->SetAlphaBlend(true);
    form->SetBorderStyle(bsNone);
    ASSERT_TRUE(GetLayeredWindowAttributes(form->Handle(), &key, &alpha, &flags));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_EQ(alpha, 150);
}

TEST_F(FormTest, ShowAndHideRaiseTheirEventsOnceAndCentreWhenAsked) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    std::vector<std::wstring> events;
    form->OnShow = [&](TObject*) { events.push_back(L"show"); };
    form->OnHide = [&](TObject*) { events.push_back(L"hide"); };
    form->SetPosition(poScreenCenter);
    form->Show();
    form->Show();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 150) / 2);
    form->Hide();
    form->Hide();
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(events, (std::vector<std::wstring>{L"show", L"hide"}));
    app->DestroyForms(); // the handlers above use this test's locals
}

TEST_F(FormTest, ACentredFormCentresOnTheWorkAreaOfTheMainFormsMonitor) {
    // Sizes and areas, including an area off the primary monitor and one too small.
    const RECT right{1280, 40, 2560, 1000};
    const RECT r = CentredIn({200, 150}, right);
    EXPECT_EQ(r.left, 1280 + 540);
    EXPECT_EQ(r.top, 40 + 405);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(CentredIn({500, 500}, {10, 20, 310, 220}).left, 10); // too wide: from the left edge

    TPlainForm* main = nullptr;
    TPlainForm* dialog = nullptr;
    app->CreateForm(main);
    app->CreateForm(dialog);
    main->SetBounds(30, 40, 300, 200);
    main->HandleNeeded(); // hidden, as the note in the tray: it still has a monitor
    dialog->SetBorderStyle(bsDialog);
    dialog->SetPosition(poScreenCenter);
    dialog->Show();
    // Only one monitor here: its work area stands for the note's monitor.
    const RECT expected = CentredIn({dialog->Width(), dialog->Height()}, WorkAreaOf(main->Handle()));
    RECT shown;
    GetWindowRect(dialog->Handle(), &shown);
    EXPECT_EQ(shown.left, expected.left);
    EXPECT_EQ(shown.top, expected.top);
    app->DestroyForms();
}

TEST_F(FormTest, VisibleDesignValueShowsTheFormOnlyAfterCreation) {
    struct TShownForm : TPlainForm {
        explicit TShownForm(TComponent* owner) : TPlainForm(owner) {
            SetVisible(true);
            OnCreate = [this](TObject*) { visibleInCreate = HandleAllocated() && IsWindowVisible(Handle()); };
        }
        bool visibleInCreate = true;
    };
    TShownForm* form = nullptr;
    app->CreateForm(form);
    EXPECT_FALSE(form->visibleInCreate);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(FormTest, CloseActionNoneKeepsTheFormAndTheProgram) {
    TPlainForm* main = nullptr;
    app->CreateForm(main);
    main->Show();
    main->OnClose = [&](TObject*, TCloseAction& action) {
        action = caNone;
        main->Hide();
    };
    SendMessageW(main->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(main->Handle()));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    app->DestroyForms(); // the handlers above use this test's locals
}

TEST_F(FormTest, ShowModalDisablesTheOtherWindowsUntilItCloses) {
    TPlainForm* main = nullptr;
    TPlainForm* dialog = nullptr;
    app->CreateForm(main);
    app->CreateForm(dialog);
    main->Show();
    bool mainEnabledDuring = true, closeRaised = false;
    dialog->OnShow = [&](TObject*) {
        mainEnabledDuring = IsWindowEnabled(main->Handle());
        PostMessageW(dialog->Handle(), WM_CLOSE, 0, 0);
    };
    dialog->OnClose = [&](TObject*, TCloseAction&) { closeRaised = true; };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(mainEnabledDuring);
    EXPECT_TRUE(closeRaised);
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog->Handle()));
    EXPECT_FALSE(dialog->Modal());
    EXPECT_THROW(main->ShowModal(), TError); // a visible form cannot become modal
    app->DestroyForms();                     // the handlers above use this test's locals
}

TEST_F(FormTest, AFormClosedBesideOthersNeverBringsBackTheTaskbarButtonAFormHid) {
    TPlainForm* main = nullptr;
    TPlainForm* dialog = nullptr;
    app->CreateForm(main);
    app->CreateForm(dialog);
    main->Show();
    EXPECT_TRUE(IsWindowVisible(app->Handle())) << "the first form on screen brings the button";
    ShowWindow(app->Handle(), SW_HIDE); // as the note and its dialogs do when shown
    dialog->Show();
    dialog->Hide();
    EXPECT_FALSE(IsWindowVisible(app->Handle()));
    dialog->OnShow = [&](TObject*) { PostMessageW(dialog->Handle(), WM_CLOSE, 0, 0); };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_FALSE(IsWindowVisible(app->Handle())) << "closing a modal form undid the hiding";
    main->Hide();
    main->Show();
    EXPECT_TRUE(IsWindowVisible(app->Handle())) << "alone on screen again, the program has its button";
    app->DestroyForms(); // the handlers above use this test's locals
}

TEST_F(FormTest, ModalLoopEndsWhenTheProgramIsTerminated) {
    TPlainForm* main = nullptr;
    TPlainForm* dialog = nullptr;
    app->CreateForm(main);
    app->CreateForm(dialog);
    dialog->OnShow = [&](TObject*) { app->Terminate(); };
    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_TRUE(app->Terminated());
    app->DestroyForms(); // the handlers above use this test's locals
}

// The dialog boxes (message boxes, common dialogs) this thread shows.
std::vector<HWND> ThreadDialogs() {
    std::vector<HWND> found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM param) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(wnd, name, 16);
            if (std::wstring(name) == L"#32770") reinterpret_cast<std::vector<HWND>*>(param)->push_back(wnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Closes what a test left open when the program's ending did not, so that a fault shows as a
// failed check rather than a test that never returns.
class TModalWatchdog {
public:
    explicit TModalWatchdog(std::vector<TForm*> forms) : FForms(std::move(forms)) {
        FTimer.SetInterval(10000);
        FTimer.OnTimer = [this](TObject*) {
            FTimer.SetEnabled(false);
            Fired = true;
            EndMenu();
            for (HWND box : ThreadDialogs())
                PostMessageW(box, WM_CLOSE, 0, 0);
            for (TForm* form : FForms)
                if (form->Modal()) form->SetModalResult(mrCancel);
            PostMessageW(nullptr, WM_NULL, 0, 0);
        };
    }
    bool Fired = false;

private:
    std::vector<TForm*> FForms;
    TTimer FTimer{nullptr};
};

// A timer that runs its action once, from whatever loop is running then.
class TOneShot {
public:
    explicit TOneShot(std::function<void()> action) : FAction(std::move(action)) {
        FTimer.SetEnabled(false);
        FTimer.SetInterval(20);
        FTimer.OnTimer = [this](TObject*) {
            FTimer.SetEnabled(false);
            FAction();
        };
    }
    void Start() { FTimer.SetEnabled(true); }

private:
    std::function<void()> FAction;
    TTimer FTimer{nullptr};
};

TEST_F(FormTest, TerminatingInAMessageBoxOverTwoModalFormsEndsEveryLoopAndLeavesNoQuitBehind) {
    TPlainForm* main = nullptr;
    TPlainForm* outer = nullptr;
    TPlainForm* inner = nullptr;
    app->CreateForm(main);
    app->CreateForm(outer);
    app->CreateForm(inner);
    main->Show();
    std::vector<std::wstring> steps;
    TModalResult innerResult = mrOk;
    TOneShot quit([&] {
        if (ThreadDialogs().empty()) return;
        steps.push_back(L"terminate");
        app->Terminate();
    });
    TOneShot openBox([&] {
        quit.Start();
        MessageBoxW(inner->Handle(), L"Un message", L"Boîte", MB_OK);
        steps.push_back(L"box ended");
    });
    TOneShot openInner([&] {
        innerResult = inner->ShowModal();
        steps.push_back(L"inner ended");
    });
    outer->OnShow = [&](TObject*) { openInner.Start(); };
    inner->OnShow = [&](TObject*) { openBox.Start(); };
    TModalWatchdog watchdog({outer, inner});

    EXPECT_EQ(outer->ShowModal(), mrCancel);
    steps.push_back(L"outer ended");
    EXPECT_FALSE(watchdog.Fired) << "a loop stayed open after the program was terminated";
    EXPECT_EQ(steps, (std::vector<std::wstring>{L"terminate", L"box ended", L"inner ended", L"outer ended"}));
    EXPECT_EQ(innerResult, mrCancel);
    EXPECT_TRUE(app->Terminated());
    EXPECT_FALSE(IsWindowVisible(inner->Handle()));
    EXPECT_FALSE(IsWindowVisible(outer->Handle()));
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) << "a quit left for later loops";

    // Once the program has ended, no modal form comes up any more.
    bool shown = false;
    inner->OnShow = [&](TObject*) { shown = true; };
    EXPECT_EQ(inner->ShowModal(), mrCancel);
    EXPECT_FALSE(shown);
    app->DestroyForms(); // the handlers above use this test's locals
}

TEST_F(FormTest, TerminatingWithAPopupMenuOpenOverAModalFormClosesTheMenuAndEndsTheForm) {
    TPlainForm* main = nullptr;
    TPlainForm* dialog = nullptr;
    app->CreateForm(main);
    app->CreateForm(dialog);
    TPopupMenu menu(nullptr);
    TMenuItem item(nullptr);
    item.SetCaption(L"&Quitter");
    menu.Items()->Add(&item);
    bool menuWasOpen = false, menuEnded = false;
    TOneShot openMenu([&] {
        WhenMenuOpens([&](HWND) {
            menuWasOpen = true;
            app->Terminate();
        });
        menu.Popup(100, 100, dialog->Handle());
        menuEnded = true;
    });
    dialog->OnShow = [&](TObject*) { openMenu.Start(); };
    TModalWatchdog watchdog({dialog});

    EXPECT_EQ(dialog->ShowModal(), mrCancel);
    EXPECT_TRUE(menuWasOpen);
    EXPECT_TRUE(menuEnded);
    EXPECT_FALSE(watchdog.Fired) << "the menu stayed open after the program was terminated";
    EXPECT_TRUE(app->Terminated());
    app->DestroyForms(); // the handlers above use this test's locals
}

TEST_F(FormTest, MouseAndKeyMessagesBecomeEventsWithTheirArguments) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    std::vector<std::wstring> log;
    form->OnMouseDown = [&](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        log.push_back(L"down " + std::to_wstring(static_cast<int>(b)) + L" " + std::to_wstring(x) + L"," +
                      std::to_wstring(y) + ((sh & ssCtrl) ? L" ctrl" : L"") + (s == form ? L"" : L" ?"));
    };
    form->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int, int) {
        log.push_back(L"up " + std::to_wstring(static_cast<int>(b)));
    };
    form->OnClick = [&](TObject*) { log.push_back(L"click"); };
    form->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
        log.push_back(L"key " + std::to_wstring(key));
        key = 0;
    };
    HWND wnd = form->Handle();
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(10, 20));
    SendMessageW(wnd, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(10, 20));
    SendMessageW(wnd, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(3, 4));
    SendMessageW(wnd, WM_MBUTTONUP, 0, MAKELPARAM(3, 4));
    SendMessageW(wnd, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(log, (std::vector<std::wstring>{L"down 0 10,20 ctrl", L"up 0", L"click", L"down 2 3,4", L"up 2",
                                              L"key 65"}));
    app->DestroyForms(); // the handlers above use this test's locals
}

TEST_F(FormTest, ActivationAndDeactivationRaiseTheirEvents) {
    TPlainForm* a = nullptr;
    TPlainForm* b = nullptr;
    app->CreateForm(a);
    app->CreateForm(b);
    std::vector<std::wstring> log;
    a->OnActivate = [&](TObject*) { log.push_back(L"a+"); };
    a->OnDeactivate = [&](TObject*) { log.push_back(L"a-"); };
    a->Show();
    b->Show();
    EXPECT_TRUE(b->Active());
    EXPECT_FALSE(a->Active());
    EXPECT_EQ(log, (std::vector<std::wstring>{L"a+", L"a-"}));
    app->DestroyForms(); // the handlers above use this test's locals
}

} // namespace
