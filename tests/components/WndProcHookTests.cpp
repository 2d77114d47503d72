#include "components/WndProcHook.h"
#include "support/FrameworkFixture.h"

namespace {

const UINT WM_PROBE = WM_APP + 9;

// Hooks that write what they see into a shared log.
struct THookProbe {
    std::vector<std::wstring>* Log;
    std::wstring Name;
    bool Stop = false;
    TWinControl* RemoveSelfFrom = nullptr;
    THookOrder Order = HookAfter;

    bool See(TMessage& m) {
        if (m.Msg != WM_PROBE) return false;
        Log->push_back(Name);
        if (RemoveSelfFrom) RemoveWndProcHook(RemoveSelfFrom, Proc(), Order);
        return Stop;
    }
    TWindowHookProc Proc() { return MakeWindowHookProc<THookProbe, &THookProbe::See>(this); }
};

class WndProcHookTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        app->CreateForm(form);
        auto inherited = form->WindowProc;
        form->WindowProc = [this, inherited](TMessage& m) {
            if (m.Msg == WM_PROBE) log.push_back(L"control");
            inherited(m);
        };
    }
    void Probe() { SendMessageW(form->Handle(), WM_PROBE, 0, 0); }
    THookProbe Make(const wchar_t* name, THookOrder order) { return THookProbe{&log, name, false, nullptr, order}; }
    TPlainForm* form = nullptr;
    std::vector<std::wstring> log;
};

TEST_F(WndProcHookTest, BeforeHooksRunFirstAndAfterHooksFollowTheControl) {
    THookProbe b1 = Make(L"before 1", HookBefore), b2 = Make(L"before 2", HookBefore);
    THookProbe a1 = Make(L"after 1", HookAfter);
    AddWndProcHook(form, a1.Proc(), HookAfter);
    AddWndProcHook(form, b1.Proc(), HookBefore);
    AddWndProcHook(form, b2.Proc(), HookBefore);
    Probe();
    EXPECT_EQ(log, (std::vector<std::wstring>{L"before 1", L"before 2", L"control", L"after 1"}));

    log.clear();
    b1.Stop = true; // a before hook that says stop skips everything after it
    Probe();
    EXPECT_EQ(log, std::vector<std::wstring>{L"before 1"});
    for (THookProbe* p : {&b1, &b2, &a1}) RemoveWndProcHook(form, p->Proc(), p->Order);
}

TEST_F(WndProcHookTest, AHookMayRemoveItselfWhileItRunsAndTheSameHookTwiceRunsTwice) {
    THookProbe once = Make(L"once", HookAfter), twice = Make(L"twice", HookAfter);
    once.RemoveSelfFrom = form;
    AddWndProcHook(form, once.Proc(), HookAfter);
    AddWndProcHook(form, twice.Proc(), HookAfter);
    AddWndProcHook(form, twice.Proc(), HookAfter);
    Probe();
    Probe();
    EXPECT_EQ(log, (std::vector<std::wstring>{L"control", L"once", L"twice", L"twice", L"control", L"twice",
                                              L"twice"}));
    // Removing takes out one entry at a time; the record stays installed until both lists are empty.
    RemoveWndProcHook(form, twice.Proc(), HookAfter);
    EXPECT_TRUE(SharedWndProcHook().Find(form)->Installed());
    RemoveWndProcHook(form, twice.Proc(), HookAfter);
    EXPECT_FALSE(SharedWndProcHook().Find(form)->Installed());
    log.clear();
    Probe();
    EXPECT_EQ(log, std::vector<std::wstring>{L"control"}); // the saved handler is back
}

TEST_F(WndProcHookTest, DestroyingAHookedControlFreesItsRecord) {
    THookProbe hook = Make(L"hook", HookAfter);
    AddWndProcHook(form, hook.Proc(), HookAfter);
    const size_t records = SharedWndProcHook().RecordCount();
    ASSERT_NE(SharedWndProcHook().Find(form), nullptr);
    TComponent::Free(form);
    EXPECT_EQ(SharedWndProcHook().RecordCount(), records - 1);
    EXPECT_FALSE(AddWndProcHook(nullptr, hook.Proc(), HookAfter));
    EXPECT_FALSE(RemoveWndProcHook(nullptr, hook.Proc(), HookAfter));
}

} // namespace
