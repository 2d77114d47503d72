#include "components/UnPas2.h"
#include "framework/Error.h"
#include "framework/Registry.h"
#include "support/FrameworkFixture.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

// A form carrying a guard from its design, like the note window; `Configure` runs on the guard
// before the form finishes loading, so events can be assigned in time.
class TGuardedForm : public TPlainForm {
public:
    static std::function<void(TGuardedForm*)> Configure;
    explicit TGuardedForm(TComponent* owner) : TPlainForm(owner) {
        Guard = new TUnPas2(this);
        Later = new TComponent(this); // created after the guard, as the global hot key is
        if (Configure) Configure(this);
    }
    TUnPas2* Guard;
    TComponent* Later;
};
std::function<void(TGuardedForm*)> TGuardedForm::Configure;

HWND FromValue(DWORD value) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(value)); }
DWORD ValueOf(HWND wnd) { return static_cast<DWORD>(reinterpret_cast<uintptr_t>(wnd)); }

// The record is this test program's own ("UnPas2components_tests.exe"): gone before and after.
class UnPas2Test : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        file = TUnPas2::ProgramFileName();
        path = TUnPas2::RecordKeyPath(file);
        DeleteKeyTree(HKEY_CURRENT_USER, path);
    }
    void TearDown() override {
        TGuardedForm::Configure = nullptr;
        FrameworkTest::TearDown();
        DeleteKeyTree(HKEY_CURRENT_USER, path);
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    TGuardedForm* CreateGuarded() {
        TGuardedForm* form = nullptr;
        app->CreateForm(form);
        return form;
    }
    TRegistryKey Record() { return TRegistryKey::Open(HKEY_CURRENT_USER, path); }
    std::optional<DWORD> Stored(const std::wstring& value) { return Record().ReadDword(value); }
    void Plant(DWORD form, DWORD application) {
        TRegistryKey key = TRegistryKey::Create(HKEY_CURRENT_USER, path);
        key.WriteDword(TUnPas2::FormValueName(file), form);
        key.WriteDword(TUnPas2::AppValueName(file), application);
    }
    static bool QuitPosted() {
        MSG quit;
        return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
    }

    std::wstring file, path;
};

TEST_F(UnPas2Test, NamesFollowTheExecutablesFileName) {
    EXPECT_EQ(file, L"components_tests.exe");
    EXPECT_EQ(TUnPas2::MutexName(L"note.exe"), L"UnPas2note.exe");
    EXPECT_EQ(TUnPas2::RecordKeyPath(L"note.exe"), L"Software\\UnPas2note.exe");
    EXPECT_EQ(TUnPas2::FormValueName(L"note.exe"), L"note.exeform1");
    EXPECT_EQ(TUnPas2::AppValueName(L"note.exe"), L"note.exeapplication");
}

TEST_F(UnPas2Test, HandlesOutsideThePositive32BitRangeCannotBeRecorded) {
    EXPECT_EQ(TUnPas2::RecordValue(nullptr), 0u);
    EXPECT_EQ(TUnPas2::RecordValue(FromValue(0x7FFFFFFF)), 0x7FFFFFFFu);
    for (uintptr_t bad : {uintptr_t(0x80000000u), ~uintptr_t(0), uintptr_t(1) << 32}) {
        try {
            TUnPas2::RecordValue(reinterpret_cast<HWND>(bad));
            ADD_FAILURE() << "recorded " << bad;
        } catch (const TError& e) {
            EXPECT_EQ(e.Message(), L"Range check error");
        }
    }
}

TEST_F(UnPas2Test, FirstInstanceRecordsItsWindowsAfterLoadingAndDeletesTheWholeRecordAtTheEnd) {
    std::vector<std::wstring> order;
    TGuardedForm::Configure = [&](TGuardedForm* form) {
        form->Guard->OnDejaLance = [&](TObject*) { order.push_back(L"deja"); };
        form->Guard->OnPasDejaLance = [&, form](TObject* sender) {
            EXPECT_EQ(sender, form->Guard);
            EXPECT_EQ(form->ComponentCount(), 2u); // the components created after it exist
            EXPECT_FALSE(Record().IsOpen());        // and nothing is recorded yet
            order.push_back(L"pas deja");
        };
        form->OnCreate = [&](TObject*) { order.push_back(L"create"); };
    };
    TGuardedForm* form = CreateGuarded();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(order, (std::vector<std::wstring>{L"pas deja", L"create"}));
    EXPECT_FALSE(form->Guard->DejaLance());
    EXPECT_TRUE(form->Guard->StopSiDejaLance());
    EXPECT_EQ(Stored(TUnPas2::FormValueName(file)), ValueOf(form->Handle()));
    EXPECT_EQ(Stored(TUnPas2::AppValueName(file)), ValueOf(app->Handle()));
    EXPECT_FALSE(QuitPosted());
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, TUnPas2::MutexName(file).c_str());
    EXPECT_NE(mutex, nullptr);
    if (mutex) CloseHandle(mutex);

    // Another program may have put keys below the record: they go with it.
    ASSERT_TRUE(TRegistryKey::Create(HKEY_CURRENT_USER, path + L"\\added\\deeper").IsOpen());
    TComponent::Free(form);
    EXPECT_FALSE(Record().IsOpen());
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, TUnPas2::MutexName(file).c_str()), nullptr);
}

TEST_F(UnPas2Test, TheRecordFollowsTheOwnersWindowWhenItIsRecreated) {
    TGuardedForm* form = CreateGuarded();
    const HWND first = form->Handle();
    form->SetBorderStyle(bsNone); // a new border means a new window
    const HWND second = form->Handle();
    ASSERT_NE(first, second);
    EXPECT_EQ(Stored(TUnPas2::FormValueName(file)), ValueOf(second));
    EXPECT_EQ(Stored(TUnPas2::AppValueName(file)), ValueOf(app->Handle()));
    EXPECT_TRUE(reported.empty());
}

TEST_F(UnPas2Test, ALaterInstanceHidesTheFirstsApplicationBringsItsWindowForwardAndEnds) {
    TGuardedForm* first = CreateGuarded();
    first->Show();
    ShowWindow(app->Handle(), SW_SHOWNA);
    HWND elsewhere = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 400, 400, 50, 50, nullptr,
                                     nullptr, nullptr, nullptr);
    SetForegroundWindow(elsewhere);
    ASSERT_EQ(GetForegroundWindow(), elsewhere);

    std::vector<std::wstring> events;
    TGuardedForm::Configure = [&](TGuardedForm* form) {
        form->Guard->OnDejaLance = [&](TObject*) {
            events.push_back(L"deja");
            EXPECT_FALSE(QuitPosted()); // raised before anything else
        };
        form->Guard->OnPasDejaLance = [&](TObject*) { events.push_back(L"pas deja"); };
    };
    TGuardedForm* second = CreateGuarded();
    EXPECT_EQ(events, std::vector<std::wstring>{L"deja"});
    EXPECT_TRUE(second->Guard->DejaLance());
    EXPECT_EQ(second->Guard->StoredFormHandle(), first->Handle());
    EXPECT_EQ(second->Guard->StoredAppHandle(), app->Handle());
    EXPECT_FALSE(IsWindowVisible(app->Handle()));
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(GetForegroundWindow(), first->Handle());
    // The record is left as the first one wrote it, also when the later one goes.
    TComponent::Free(second);
    EXPECT_EQ(Stored(TUnPas2::FormValueName(file)), ValueOf(first->Handle()));
    EXPECT_EQ(Stored(TUnPas2::AppValueName(file)), ValueOf(app->Handle()));
    DestroyWindow(elsewhere);
    EXPECT_TRUE(reported.empty());
}

TEST_F(UnPas2Test, ARunningInstanceThatAnswersALaterStartBringsItselfForwardTheLaterOneDoesNot) {
    std::vector<std::wstring> events;
    TGuardedForm::Configure = [&](TGuardedForm* form) {
        form->Guard->OnRelance = [&events, form](TObject* sender) {
            events.push_back(sender == form->Guard ? L"relance" : L"relance ?");
            throw TError(L"relance refusée");
        };
    };
    TGuardedForm* first = CreateGuarded();
    HWND elsewhere = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 400, 400, 50, 50,
                                     nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(elsewhere);
    ASSERT_EQ(GetForegroundWindow(), elsewhere);

    TGuardedForm* second = CreateGuarded(); // has a handler too: a later start is never asked
    EXPECT_TRUE(second->Guard->DejaLance());
    EXPECT_EQ(events, std::vector<std::wstring>{L"relance"});
    EXPECT_EQ(reported, std::vector<std::wstring>{L"relance refusée"});
    // Answered: what comes forward is the running one's to decide, and its handler left it.
    EXPECT_EQ(GetForegroundWindow(), elsewhere);
    EXPECT_TRUE(QuitPosted());

    // The request is the registered message on the recorded window, as another process sends it.
    DWORD_PTR answer = 0;
    EXPECT_TRUE(
        SendMessageTimeoutW(first->Handle(), TUnPas2::RelanceMessage(), 0, 0, SMTO_NORMAL, 1000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TUnPas2::kRelanceAnswered));
    EXPECT_EQ(events.size(), 2u);
    answer = 0;
    SendMessageTimeoutW(second->Handle(), TUnPas2::RelanceMessage(), 0, 0, SMTO_NORMAL, 1000, &answer);
    EXPECT_EQ(answer, 0u) << "only the running instance answers";
    EXPECT_EQ(events.size(), 2u);
    DestroyWindow(elsewhere);
}

TEST_F(UnPas2Test, ALaterInstanceThatMayRunBesideTheFirstTouchesNothing) {
    TGuardedForm* first = CreateGuarded();
    ShowWindow(app->Handle(), SW_SHOWNA);
    bool raised = false;
    TGuardedForm::Configure = [&](TGuardedForm* form) {
        form->Guard->SetStopSiDejaLance(false);
        form->Guard->OnDejaLance = [&](TObject*) { raised = true; };
    };
    TGuardedForm* second = CreateGuarded();
    EXPECT_TRUE(raised);
    EXPECT_TRUE(IsWindowVisible(app->Handle()));
    EXPECT_FALSE(QuitPosted());
    const HWND before = second->Handle();
    second->SetBorderStyle(bsNone);
    ASSERT_NE(second->Handle(), before);
    TComponent::Free(second);
    EXPECT_EQ(Stored(TUnPas2::FormValueName(file)), ValueOf(first->Handle()));
}

TEST_F(UnPas2Test, ARecordLeftBehindIsOverwrittenAndUnreadableValuesCountAsNone) {
    // Values that cannot be handles, of another type, or negative: the reading stops there.
    struct TCase {
        const char* Name;
        std::function<void()> Plant;
        HWND Form, App;
    };
    const std::wstring formValue = TUnPas2::FormValueName(file), appValue = TUnPas2::AppValueName(file);
    const std::vector<TCase> cases = {
        {"no record", [] {}, nullptr, nullptr},
        {"both", [&] { Plant(0x1234, 0x5678); }, FromValue(0x1234), FromValue(0x5678)},
        {"negative form", [&] { Plant(0x80000000u, 0x5678); }, nullptr, nullptr},
        {"negative application", [&] { Plant(0x1234, 0xFFFFFFFFu); }, FromValue(0x1234), nullptr},
        {"text", [&] { TRegistryKey::Create(HKEY_CURRENT_USER, path).WriteString(formValue, L"4660"); }, nullptr,
         nullptr},
        {"application missing",
         [&] { TRegistryKey::Create(HKEY_CURRENT_USER, path).WriteDword(formValue, 0x1234); }, FromValue(0x1234),
         nullptr},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        DeleteKeyTree(HKEY_CURRENT_USER, path);
        c.Plant();
        TGuardedForm* form = CreateGuarded();
        EXPECT_FALSE(form->Guard->DejaLance());
        EXPECT_EQ(form->Guard->StoredFormHandle(), c.Form);
        EXPECT_EQ(form->Guard->StoredAppHandle(), c.App);
        EXPECT_EQ(Stored(formValue), ValueOf(form->Handle()));
        EXPECT_EQ(Stored(appValue), ValueOf(app->Handle()));
        TComponent::Free(form);
    }
    EXPECT_TRUE(reported.empty());
}

TEST_F(UnPas2Test, ALaterInstanceLeavesWindowsOfOtherProgramsAlone) {
    CreateGuarded();
    // The record names windows that are not this program's: a stale record whose handles were
    // given to other windows since.
    HWND foreign = CreateWindowExW(0, L"STATIC", L"other program", WS_POPUP | WS_VISIBLE, 400, 400, 50, 50,
                                   nullptr, nullptr, nullptr, nullptr);
    HWND elsewhere = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 500, 400, 50, 50, nullptr,
                                     nullptr, nullptr, nullptr);
    SetForegroundWindow(elsewhere);
    Plant(ValueOf(foreign), ValueOf(foreign));
    TGuardedForm* second = CreateGuarded();
    EXPECT_TRUE(second->Guard->DejaLance());
    EXPECT_TRUE(IsWindowVisible(foreign));
    EXPECT_NE(GetForegroundWindow(), foreign);
    EXPECT_TRUE(QuitPosted()); // it still ends
    DestroyWindow(foreign);
    DestroyWindow(elsewhere);
}

TEST_F(UnPas2Test, TheGuardNeedsAWindowAsItsOwner) {
    TComponent plain(nullptr);
    EXPECT_THROW(new TUnPas2(&plain), TError);
    EXPECT_EQ(plain.ComponentCount(), 0u);
}

} // namespace
