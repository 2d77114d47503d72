#include "components/GlobalHotKey.h"
#include "components/WndProcHook.h"
#include "support/FrameworkFixture.h"
#include "support/Keyboard.h"

#include <chrono>
#include <functional>
#include <memory>

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
    THookProbe Make(const wchar_t* name, THookOrder order) {
        return THookProbe{&log, name, false, nullptr, order};
    }
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
    for (THookProbe* p : {&b1, &b2, &a1})
        RemoveWndProcHook(form, p->Proc(), p->Order);
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

// Hooks whose behaviour each test scripts; they log "name" for WM_PROBE and "name:inner" for
// WM_PROBE_INNER.
const UINT WM_PROBE_INNER = WM_APP + 10;

struct TScriptedHook {
    std::vector<std::wstring>* Log = nullptr;
    std::wstring Name;
    std::function<bool(TMessage&)> OnMessage;

    bool See(TMessage& m) {
        if (m.Msg == WM_PROBE) Log->push_back(Name);
        if (m.Msg == WM_PROBE_INNER) Log->push_back(Name + L":inner");
        return OnMessage ? OnMessage(m) : false;
    }
    TWindowHookProc Proc() { return MakeWindowHookProc<TScriptedHook, &TScriptedHook::See>(this); }
};

class WndProcHookDispatchTest : public WndProcHookTest {
protected:
    // Fresh hooks named "0", "1", ..., all added to `order`.
    void AddHooks(int count, THookOrder order) {
        hooks.clear();
        for (int i = 0; i < count; ++i) {
            hooks.push_back(
                std::make_unique<TScriptedHook>(TScriptedHook{&log, std::to_wstring(i), nullptr}));
            ASSERT_TRUE(AddWndProcHook(form, hooks.back()->Proc(), order));
        }
    }
    void RemoveHook(int i, THookOrder order) { RemoveWndProcHook(form, hooks[i]->Proc(), order); }
    bool Installed() { return SharedWndProcHook().Find(form)->Installed(); }
    // What a message logs when `called` hooks run, in their list's place around the control.
    static std::vector<std::wstring> Expected(const std::vector<int>& called, THookOrder order) {
        std::vector<std::wstring> result;
        if (order == HookAfter) result.push_back(L"control");
        for (int i : called)
            result.push_back(std::to_wstring(i));
        if (order == HookBefore) result.push_back(L"control");
        return result;
    }
    std::vector<std::unique_ptr<TScriptedHook>> hooks;
};

// Each hook of four removes another one (the next, an earlier one, itself, the last) or all of
// them while the message runs; repeated, so that a freed entry would be reused and called.
TEST_F(WndProcHookDispatchTest, AHookMayRemoveAnyHookOfTheChainWhileTheMessageRuns) {
    const int kCount = 4, kAll = kCount;
    for (int round = 0; round < 25; ++round) {
        for (THookOrder order : {HookBefore, HookAfter}) {
            for (int remover = 0; remover < kCount; ++remover) {
                for (int target = 0; target <= kAll; ++target) {
                    SCOPED_TRACE(testing::Message()
                                 << "order " << static_cast<int>(order) << ", hook " << remover << " removes "
                                 << (target == kAll ? -1 : target));
                    AddHooks(kCount, order);
                    hooks[remover]->OnMessage = [&, order, target](TMessage& m) {
                        if (m.Msg != WM_PROBE) return false;
                        for (int i = 0; i < kCount; ++i)
                            if (target == kAll || i == target) RemoveHook(i, order);
                        return false;
                    };
                    std::vector<int> first, second;
                    for (int i = 0; i < kCount; ++i) {
                        const bool removed = target == kAll || i == target;
                        if (i <= remover || !removed)
                            first.push_back(i); // a removed hook not yet reached is skipped
                        if (!removed) second.push_back(i);
                    }
                    log.clear();
                    Probe();
                    ASSERT_EQ(log, Expected(first, order));
                    log.clear();
                    Probe();
                    ASSERT_EQ(log, Expected(second, order));
                    for (int i : second)
                        RemoveHook(i, order);
                    ASSERT_FALSE(Installed());
                }
            }
        }
    }
    log.clear();
    Probe();
    EXPECT_EQ(log, std::vector<std::wstring>{L"control"});
}

// A hook sends another message to the same control; during that inner message a hook removes
// the outer hook, itself and the next one. The outer message then goes on past the removed ones.
TEST_F(WndProcHookDispatchTest, HooksRemovedByANestedMessageAreSkippedByTheOuterOne) {
    for (int round = 0; round < 100; ++round) {
        AddHooks(4, HookAfter);
        hooks[0]->OnMessage = [this](TMessage& m) {
            if (m.Msg == WM_PROBE) SendMessageW(form->Handle(), WM_PROBE_INNER, 0, 0);
            return false;
        };
        hooks[1]->OnMessage = [this](TMessage& m) {
            if (m.Msg != WM_PROBE_INNER) return false;
            for (int i : {0, 1, 2})
                RemoveHook(i, HookAfter);
            return false;
        };
        log.clear();
        Probe();
        ASSERT_EQ(log,
                  (std::vector<std::wstring>{L"control", L"0", L"0:inner", L"1:inner", L"3:inner", L"3"}));
        log.clear();
        Probe();
        ASSERT_EQ(log, (std::vector<std::wstring>{L"control", L"3"}));
        RemoveHook(3, HookAfter);
    }
}

// The last hooks go during a nested message: the chain stays until the outer message is done
// (the control's own handling of it still runs once), then the control's handler is back.
TEST_F(WndProcHookDispatchTest, RemovingTheLastHooksDuringANestedMessageUninstallsWhenTheOuterOneEnds) {
    for (int round = 0; round < 100; ++round) {
        AddHooks(2, HookBefore);
        bool installedInside = false;
        hooks[0]->OnMessage = [&](TMessage& m) {
            if (m.Msg == WM_PROBE) SendMessageW(form->Handle(), WM_PROBE_INNER, 0, 0);
            installedInside = Installed();
            return false;
        };
        hooks[1]->OnMessage = [this](TMessage& m) {
            if (m.Msg == WM_PROBE_INNER) {
                RemoveHook(1, HookBefore);
                RemoveHook(0, HookBefore);
            }
            return false;
        };
        log.clear();
        Probe();
        ASSERT_EQ(log, (std::vector<std::wstring>{L"0", L"0:inner", L"1:inner", L"control"}));
        ASSERT_TRUE(installedInside);
        ASSERT_FALSE(Installed());
        log.clear();
        Probe();
        ASSERT_EQ(log, std::vector<std::wstring>{L"control"});
    }
}

// Hooks added while a message runs wait for the next message, even when added by the last hook
// or after every hook was removed; the control's own handling still runs once per message.
TEST_F(WndProcHookDispatchTest, HooksAddedDuringAMessageRunFromTheNextOne) {
    TScriptedHook late{&log, L"late", nullptr}, again{&log, L"again", nullptr};
    AddHooks(2, HookAfter);
    hooks[0]->OnMessage = [&](TMessage& m) {
        if (m.Msg == WM_PROBE) AddWndProcHook(form, late.Proc(), HookAfter);
        return false;
    };
    hooks[1]->OnMessage = [&](TMessage& m) {
        if (m.Msg != WM_PROBE) return false;
        RemoveHook(0, HookAfter);
        RemoveHook(1, HookAfter);
        RemoveWndProcHook(form, late.Proc(), HookAfter);
        AddWndProcHook(form, again.Proc(), HookAfter); // the list was empty for a moment
        return false;
    };
    Probe();
    EXPECT_EQ(log, (std::vector<std::wstring>{L"control", L"0", L"1"}));
    EXPECT_TRUE(Installed());
    log.clear();
    Probe();
    EXPECT_EQ(log, (std::vector<std::wstring>{L"control", L"again"}));
    RemoveWndProcHook(form, again.Proc(), HookAfter);
    EXPECT_FALSE(Installed());
}

TEST_F(WndProcHookDispatchTest, AHandlerInstalledAfterTheChainSurvivesTheRemovalOfItsHooks) {
    AddHooks(2, HookAfter);
    auto chained = form->WindowProc;
    form->WindowProc = [this, chained](TMessage& m) {
        if (m.Msg == WM_PROBE) log.push_back(L"later");
        chained(m);
    };
    hooks[0]->OnMessage = [this](TMessage& m) {
        if (m.Msg == WM_PROBE) RemoveHook(0, HookAfter); // during a message
        return false;
    };
    Probe();
    RemoveHook(1, HookAfter); // and outside one
    log.clear();
    Probe();
    EXPECT_EQ(log, (std::vector<std::wstring>{L"later", L"control"}));
    EXPECT_TRUE(Installed()); // a pass-through now: the later handler still calls it

    // Hooks added again run in the same place, once.
    AddHooks(1, HookAfter);
    log.clear();
    Probe();
    EXPECT_EQ(log, (std::vector<std::wstring>{L"later", L"control", L"0"}));

    // Once the later handler has gone again, removing the last hook restores the control's own.
    form->WindowProc = chained;
    RemoveHook(0, HookAfter);
    EXPECT_FALSE(Installed());
    log.clear();
    Probe();
    EXPECT_EQ(log, std::vector<std::wstring>{L"control"});
}

// A hook, or the control's own handling, destroys the control while the message runs: nothing
// of the control is called any more, and its record goes.
TEST_F(WndProcHookDispatchTest, AControlDestroyedWhileItsMessageRunsStopsTheChain) {
    const size_t records = SharedWndProcHook().RecordCount();
    for (int round = 0; round < 30; ++round) {
        for (int destroyer : {0, 1, 2}) { // before hook, control, after hook
            SCOPED_TRACE(testing::Message() << "round " << round << ", destroyer " << destroyer);
            TPlainForm* victim = nullptr;
            app->CreateForm(victim);
            bool destroyed = false;
            auto destroy = [&] {
                TComponent::Free(victim);
                destroyed = true;
            };
            auto inherited = victim->WindowProc;
            victim->WindowProc = [&, inherited](TMessage& m) {
                if (m.Msg == WM_PROBE) log.push_back(L"control");
                if (m.Msg == WM_PROBE && destroyer == 1) return destroy();
                inherited(m);
            };
            TScriptedHook b0{&log, L"b0", nullptr}, b1{&log, L"b1", nullptr};
            TScriptedHook a0{&log, L"a0", nullptr}, a1{&log, L"a1", nullptr};
            (destroyer == 0 ? b0 : a0).OnMessage = [&](TMessage& m) {
                if (m.Msg == WM_PROBE) destroy();
                return false;
            };
            for (TScriptedHook* h : {&b0, &b1})
                AddWndProcHook(victim, h->Proc(), HookBefore);
            for (TScriptedHook* h : {&a0, &a1})
                AddWndProcHook(victim, h->Proc(), HookAfter);
            ASSERT_EQ(SharedWndProcHook().RecordCount(), records + 1);
            HWND wnd = victim->Handle();
            log.clear();
            SendMessageW(wnd, WM_PROBE, 0, 0);
            ASSERT_TRUE(destroyed);
            const std::vector<std::vector<std::wstring>> expected{
                {L"b0"}, {L"b0", L"b1", L"control"}, {L"b0", L"b1", L"control", L"a0"}};
            ASSERT_EQ(log, expected[destroyer]);
            ASSERT_EQ(SharedWndProcHook().RecordCount(), records);
            ASSERT_FALSE(IsWindow(wnd));
        }
    }
}

// The note's case: pressing one of its eight hot keys deactivates the note, which switches all
// eight off (taking their hooks out of the chain that is delivering the press) and, once the
// note is active again, on. Real presses, real WM_HOTKEY messages, each key in turn.
class HotKeysSwitchedByTheirOwnPressTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        app->CreateForm(form);
        stayOn = NewHotKey(scShift | scCtrl | scAlt | VK_F9, -1);
        stayOn->SetActive(true);
        for (int i = 0; i < 8; ++i)
            noteKeys.push_back(NewHotKey(scShift | scCtrl | scAlt | (VK_F1 + i), i));
        SetNoteKeysActive(true);
    }
    TGlobalHotKey* NewHotKey(TShortCut key, int index) {
        auto* hotKey = new TGlobalHotKey(form);
        hotKey->SetHotKey(key);
        hotKey->OnHotKey = [this, index](TObject*) { Pressed(index); };
        return hotKey;
    }
    void SetNoteKeysActive(bool active) {
        for (TGlobalHotKey* hotKey : noteKeys)
            hotKey->SetActive(active);
    }
    void Pressed(int index) {
        fired.push_back(index);
        if (index < 0) return;
        SetNoteKeysActive(false);
        // As while the settings dialog is open: another window comes and goes, and the note's
        // window goes on receiving messages through the same chain; a stale identifier fires
        // nothing.
        TPlainForm* dialog = nullptr;
        app->CreateForm(dialog);
        dialog->HandleNeeded();
        SendMessageW(form->Handle(), WM_HOTKEY, noteKeys[index]->HotKeyId(), 0);
        app->ProcessMessages();
        TComponent::Free(dialog);
        if (reactivateAtOnce) SetNoteKeysActive(true); // the dialog was modal: the note is back
    }
    bool WaitForPresses(size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (fired.size() < count) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            app->ProcessMessages();
        }
        return true;
    }
    TPlainForm* form = nullptr;
    TGlobalHotKey* stayOn = nullptr;
    std::vector<TGlobalHotKey*> noteKeys;
    std::vector<int> fired;
    bool reactivateAtOnce = true;
};

TEST_F(HotKeysSwitchedByTheirOwnPressTest, EachPressFiresItsKeyOnceAndLeavesAllEightWorking) {
    std::vector<int> expected;
    for (int round = 0; round < 4; ++round) {
        // The note comes back within the handler (a modal dialog), or only later (hidden note).
        reactivateAtOnce = round % 2 == 0;
        for (int i = 0; i < 8; ++i) {
            SCOPED_TRACE(testing::Message() << "key " << i << " in round " << round);
            SendChord({VK_SHIFT, VK_CONTROL, VK_MENU, static_cast<WORD>(VK_F1 + i)});
            expected.push_back(i);
            ASSERT_TRUE(WaitForPresses(expected.size()));
            ASSERT_EQ(fired, expected);
            for (TGlobalHotKey* hotKey : noteKeys)
                ASSERT_EQ(hotKey->Active(), reactivateAtOnce);
            SetNoteKeysActive(true);
        }
    }
    SendChord({VK_SHIFT, VK_CONTROL, VK_MENU, VK_F9});
    expected.push_back(-1);
    ASSERT_TRUE(WaitForPresses(expected.size()));
    EXPECT_EQ(fired, expected);
}

} // namespace
