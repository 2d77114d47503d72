#include "support/FrameworkFixture.h"

#include "framework/Error.h"

namespace {

const UINT WM_PROBE = WM_APP + 1;
const UINT WM_FAIL = WM_APP + 2;

// Records the probe messages it receives and throws on WM_FAIL.
class TRecordingForm : public TPlainForm {
public:
    explicit TRecordingForm(TComponent* owner) : TPlainForm(owner) {
        auto inherited = WindowProc;
        WindowProc = [this, inherited](TMessage& m) {
            if (m.Msg == WM_PROBE) received.push_back(static_cast<int>(m.WParam));
            if (m.Msg == WM_FAIL) throw TError(L"Échec du gestionnaire " + std::to_wstring(m.WParam));
            inherited(m);
        };
    }
    std::vector<int> received;
};

using ApplicationTest = FrameworkTest;

TEST_F(ApplicationTest, FirstFormCreatedIsTheMainFormAndTheApplicationWindowOwnsEveryForm) {
    TPlainForm* first = nullptr;
    TPlainForm* second = nullptr;
    app->CreateForm(first);
    app->CreateForm(second);
    EXPECT_EQ(app->MainForm(), first);
    ASSERT_EQ(app->FormCount(), 2u);
    EXPECT_EQ(app->Forms(0), first);
    EXPECT_EQ(app->Forms(1), second);

    HWND appWnd = app->Handle();
    ASSERT_TRUE(IsWindow(appWnd));
    EXPECT_FALSE(IsWindowVisible(appWnd));
    EXPECT_EQ(GetWindow(appWnd, GW_OWNER), nullptr);
    wchar_t title[64];
    GetWindowTextW(appWnd, title, 64);
    EXPECT_STREQ(title, L"Quillpad test");
    EXPECT_EQ(GetWindow(first->Handle(), GW_OWNER), appWnd);
    EXPECT_EQ(GetWindow(second->Handle(), GW_OWNER), appWnd);
}

TEST_F(ApplicationTest, FormsAreDestroyedLastCreatedFirstWithTheirWindows) {
    struct TOrderForm : TPlainForm {
        using TPlainForm::TPlainForm;
        std::vector<std::wstring>* log = nullptr;
        ~TOrderForm() override { log->push_back(Name()); }
    };
    std::vector<std::wstring> log;
    TOrderForm *a = nullptr, *b = nullptr, *c = nullptr;
    app->CreateForm(a);
    app->CreateForm(b);
    app->CreateForm(c);
    a->SetName(L"a"), b->SetName(L"b"), c->SetName(L"c");
    a->log = b->log = c->log = &log;
    HWND wnds[] = {a->Handle(), b->Handle(), c->Handle()};
    app->DestroyForms();
    EXPECT_EQ(log, (std::vector<std::wstring>{L"c", L"b", L"a"}));
    for (HWND wnd : wnds)
        EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(app->MainForm(), nullptr);
}

TEST_F(ApplicationTest, TerminationComesAfterTheMessagesAlreadyQueued) {
    TRecordingForm* form = nullptr;
    app->CreateForm(form);
    PostMessageW(form->Handle(), WM_PROBE, 1, 0);
    PostMessageW(form->Handle(), WM_PROBE, 2, 0);
    app->Terminate();
    EXPECT_FALSE(app->Terminated()); // a request, not yet the end
    app->Run();
    EXPECT_TRUE(app->Terminated());
    EXPECT_EQ(form->received, (std::vector<int>{1, 2}));
}

TEST_F(ApplicationTest, AnExceptionInAHandlerIsReportedWithItsTextAndTheLoopGoesOn) {
    TRecordingForm* form = nullptr;
    app->CreateForm(form);
    PostMessageW(form->Handle(), WM_FAIL, 7, 0);
    PostMessageW(form->Handle(), WM_PROBE, 3, 0);
    RunQueued();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0], L"Échec du gestionnaire 7");
    EXPECT_EQ(form->received, std::vector<int>{3});
}

TEST_F(ApplicationTest, ExceptionsInCreateAndDestroyHandlersAreReportedAndTheWorkGoesOn) {
    struct TFailingForm : TPlainForm {
        explicit TFailingForm(TComponent* owner) : TPlainForm(owner) {
            SetVisible(true);
            OnCreate = [](TObject*) { throw TError(L"create failed"); };
            OnDestroy = [](TObject*) { throw std::runtime_error("destroy failed"); };
        }
    };
    TFailingForm* failing = nullptr;
    TPlainForm* next = nullptr;
    app->CreateForm(failing);
    app->CreateForm(next);
    ASSERT_NE(failing, nullptr);
    EXPECT_TRUE(IsWindowVisible(failing->Handle())); // still shown after the failed handler
    ASSERT_NE(next, nullptr);
    app->DestroyForms();
    EXPECT_EQ(reported, (std::vector<std::wstring>{L"create failed", L"destroy failed"}));
    EXPECT_EQ(app->FormCount(), 0u);
}

TEST_F(ApplicationTest, GuardedCodeReportsThroughTheReplacedReporter) {
    std::wstring got;
    app->OnException = [&](TObject*, const std::wstring& m) { got = m; };
    Guarded(nullptr, [] { throw TError(L"Unable to write to C:\\x.INI"); });
    EXPECT_EQ(got, L"Unable to write to C:\\x.INI");
    app.reset(); // the hooks and handlers above use this test's locals
}

TEST_F(ApplicationTest, HooksSeeApplicationWindowMessagesFirstAndCanHandleThem) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    std::vector<UINT> seen;
    int first = app->HookMainWindow([&](TMessage& m) {
        if (m.Msg == WM_PROBE) seen.push_back(1);
        return false;
    });
    app->HookMainWindow([&](TMessage& m) {
        if (m.Msg != WM_CLOSE) return false;
        seen.push_back(2);
        return true; // handled: the main form is not asked to close
    });
    SendMessageW(app->Handle(), WM_PROBE, 0, 0);
    SendMessageW(app->Handle(), WM_CLOSE, 0, 0);
    app->UnhookMainWindow(first);
    SendMessageW(app->Handle(), WM_PROBE, 0, 0);
    EXPECT_EQ(seen, (std::vector<UINT>{1, 2}));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    app.reset(); // the hooks and handlers above use this test's locals
}

TEST_F(ApplicationTest, MinimiseHidesTheFormsAndRestoreBringsThemBack) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    form->Show();
    EXPECT_TRUE(IsWindowVisible(app->Handle())); // the button of a visible program
    app->Minimize();
    EXPECT_TRUE(app->IsMinimized());
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(form->Visible());
    app->Restore();
    EXPECT_FALSE(app->IsMinimized());
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(ApplicationTest, MinimisingTheMainFormGoesThroughTheApplicationWindow) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    form->SetBorderStyle(bsSizeable);
    form->Show();
    bool hookSawIt = false;
    app->HookMainWindow([&](TMessage& m) {
        if (m.Msg == WM_SYSCOMMAND && m.WParam == SC_MINIMIZE) hookSawIt = true;
        return false;
    });
    SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(hookSawIt);
    EXPECT_TRUE(app->IsMinimized());
    app.reset(); // the hooks and handlers above use this test's locals
}

TEST_F(ApplicationTest, ClosingTheMainFormEndsTheProgramAndClosingAnotherHidesIt) {
    TPlainForm* main = nullptr;
    TPlainForm* other = nullptr;
    app->CreateForm(main);
    app->CreateForm(other);
    other->Show();
    other->Close();
    EXPECT_FALSE(IsWindowVisible(other->Handle()));
    PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
    app->Run(); // returns because closing the main form asked to terminate
    EXPECT_TRUE(app->Terminated());
}

TEST_F(ApplicationTest, BringToFrontPicksTheLastActivePopupOnlyWhenVisible) {
    TPlainForm* form = nullptr;
    app->CreateForm(form);
    form->Show();
    SetActiveWindow(form->Handle());
    app->BringToFront();
    EXPECT_EQ(GetForegroundWindow(), form->Handle());
}

} // namespace

namespace {

TEST_F(ApplicationTest, TheLoopRunsAWaitedHandlesHandlerBetweenMessagesUntilTheWaitIsRemoved) {
    TRecordingForm* form = nullptr;
    app->CreateForm(form);
    TKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    int signalled = 0;
    const int wait = app->AddWait(event.Get(), [&] {
        ++signalled;
        if (signalled == 2) throw TError(L"a handler that fails");
    });
    // A message first, then the handle: both reach their handlers through the one loop.
    PostMessageW(form->Handle(), WM_PROBE, 1, 0);
    EXPECT_TRUE(app->HandleMessage());
    EXPECT_EQ(form->received, std::vector<int>{1});
    SetEvent(event.Get());
    EXPECT_TRUE(app->HandleMessage());
    EXPECT_EQ(signalled, 1);

    // What a handler throws is reported and the loop goes on.
    std::vector<std::wstring> reported;
    app->OnException = [&](TObject*, const std::wstring& m) { reported.push_back(m); };
    SetEvent(event.Get());
    EXPECT_TRUE(app->HandleMessage());
    EXPECT_EQ(reported, std::vector<std::wstring>{L"a handler that fails"});

    // ProcessMessages, which never blocks, sees the handle too.
    SetEvent(event.Get());
    app->ProcessMessages();
    EXPECT_EQ(signalled, 3);

    app->RemoveWait(wait);
    SetEvent(event.Get());
    PostMessageW(form->Handle(), WM_PROBE, 2, 0);
    EXPECT_TRUE(app->HandleMessage());
    EXPECT_EQ(signalled, 3);
    EXPECT_EQ(form->received, (std::vector<int>{1, 2}));

    // A handle the system can no longer wait on is dropped, and its owner hears of it (the note
    // then looks at its file now and then instead of waiting for the folder for ever).
    HANDLE gone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    int lost = 0;
    app->AddWait(
        gone, [] {}, [&] { ++lost; });
    CloseHandle(gone);
    EXPECT_TRUE(app->HandleMessage());
    EXPECT_EQ(lost, 1);
    PostMessageW(form->Handle(), WM_PROBE, 3, 0);
    EXPECT_TRUE(app->HandleMessage());
    EXPECT_EQ(form->received, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(lost, 1);
}

} // namespace
