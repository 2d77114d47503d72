#include "components/GlobalHotKey.h"
#include "support/FrameworkFixture.h"
#include "support/Keyboard.h"

#include <chrono>
#include <thread>

namespace {

struct TPlatformCall {
    bool Register;
    HWND Wnd;
    int Id;
    UINT Modifiers, Key;
};

// Counts the platform calls; they still reach the platform.
class GlobalHotKeyTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        savedRegister = TGlobalHotKey::PlatformRegister;
        savedUnregister = TGlobalHotKey::PlatformUnregister;
        TGlobalHotKey::PlatformRegister = [this](HWND w, int id, UINT mods, UINT key) {
            calls.push_back({true, w, id, mods, key});
            return savedRegister(w, id, mods, key);
        };
        TGlobalHotKey::PlatformUnregister = [this](HWND w, int id) {
            calls.push_back({false, w, id, 0, 0});
            return savedUnregister(w, id);
        };
        app->CreateForm(form);
    }
    void TearDown() override {
        app.reset(); // the hot keys go with their form, while the counters still run
        TGlobalHotKey::PlatformRegister = savedRegister;
        TGlobalHotKey::PlatformUnregister = savedUnregister;
    }
    TGlobalHotKey* NewHotKey(TShortCut key) {
        auto* hotKey = new TGlobalHotKey(form);
        hotKey->SetHotKey(key);
        hotKey->OnHotKey = [this](TObject*) { ++fired; };
        return hotKey;
    }
    // Presses the combination for real and lets the loop deliver what comes of it.
    void Press(std::initializer_list<WORD> keys) {
        SendChord(keys);
        Settle();
    }
    void Settle() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until) {
            app->ProcessMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    std::function<BOOL(HWND, int, UINT, UINT)> savedRegister;
    std::function<BOOL(HWND, int)> savedUnregister;
    std::vector<TPlatformCall> calls;
    TPlainForm* form = nullptr;
    int fired = 0;
};

TEST(ShortcutToPlatformKey, SplitsTheShortcutIntoKeyAndModifiers) {
    auto check = [](TShortCut s, UINT key, UINT mods) {
        TPlatformKey k = ShortcutToPlatformKey(s);
        EXPECT_EQ(k.Key, key) << s;
        EXPECT_EQ(k.Modifiers, mods) << s;
    };
    check(16467, 0x53, MOD_CONTROL);
    check(49235, 0x53, MOD_CONTROL | MOD_ALT);
    check(16430, 0x2E, MOD_CONTROL);
    check(0xE070, 0x70, MOD_CONTROL | MOD_SHIFT | MOD_ALT);
    check(0x4153, 0x153, MOD_CONTROL); // bits 8 to 12 stay with the key
    check(0, 0, 0);
}

TEST_F(GlobalHotKeyTest, EachActivationDrawsANewIdentifierAndRepeatedSettingsCostNothing) {
    TGlobalHotKey* hotKey = NewHotKey(scCtrl | scAlt | VK_F7);
    hotKey->SetActive(true);
    hotKey->SetActive(true);
    ASSERT_EQ(calls.size(), 1u);
    const int first = hotKey->HotKeyId();
    EXPECT_EQ(calls[0].Id, first);
    EXPECT_EQ(calls[0].Wnd, form->Handle());
    EXPECT_EQ(hotKey->BoundWindow(), form->Handle());

    hotKey->SetActive(false);
    hotKey->SetActive(true);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_FALSE(calls[1].Register);
    EXPECT_EQ(calls[1].Id, first);
    EXPECT_EQ(calls[2].Id, first + 1);

    calls.clear();
    hotKey->SetHotKey(hotKey->HotKey());
    EXPECT_TRUE(calls.empty());
    hotKey->SetHotKey(scCtrl | scAlt | VK_F8); // active: unregistered, then registered anew
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_FALSE(calls[0].Register);
    EXPECT_EQ(calls[1].Key, static_cast<UINT>(VK_F8));
    EXPECT_EQ(calls[1].Id, first + 2);

    hotKey->SetActive(false);
    calls.clear();
    hotKey->SetHotKey(scCtrl | scAlt | VK_F9); // inactive: only stored
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(hotKey->OwnerHooked());
    EXPECT_EQ(hotKey->BoundWindow(), nullptr);
}

TEST_F(GlobalHotKeyTest, ARealPressFiresOnlyTheMatchingComponent) {
    TGlobalHotKey* hotKey = NewHotKey(scCtrl | scAlt | VK_F7);
    TGlobalHotKey* other = NewHotKey(scCtrl | scAlt | VK_F8);
    int otherFired = 0;
    other->OnHotKey = [&](TObject*) { ++otherFired; };
    hotKey->SetActive(true);
    other->SetActive(true);
    Press({VK_CONTROL, VK_MENU, VK_F7});
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(otherFired, 0);
    SendMessageW(form->Handle(), WM_HOTKEY, other->HotKeyId() + 100, 0);
    EXPECT_EQ(fired + otherFired, 1);
}

TEST_F(GlobalHotKeyTest, TheSameCombinationTwiceLeavesTheSecondInactiveUntilTheFirstLetsGo) {
    TGlobalHotKey* first = NewHotKey(scCtrl | scAlt | VK_F10);
    TGlobalHotKey* second = NewHotKey(scCtrl | scAlt | VK_F10);
    first->SetActive(true);
    second->SetActive(true);
    EXPECT_FALSE(second->Active());
    EXPECT_EQ(second->BoundWindow(), nullptr); // forgotten, so the next try asks again
    first->SetActive(false);
    second->SetActive(true);
    EXPECT_TRUE(second->Active());
}

TEST_F(GlobalHotKeyTest, RetryHandlerTriesOneKeyAfterAnotherUntilOneIsAccepted) {
    NewHotKey(scCtrl | scAlt | VK_F11)->SetActive(true);
    NewHotKey(scCtrl | scAlt | VK_F12)->SetActive(true);
    TGlobalHotKey* hotKey = NewHotKey(scCtrl | scAlt | VK_F11);
    std::vector<TShortCut> offered;
    hotKey->OnHotKeyRegisterFailed = [&](TObject*, TShortCut& key) {
        offered.push_back(key);
        key = static_cast<TShortCut>(key == (scCtrl | scAlt | VK_F11) ? scCtrl | scAlt | VK_F12
                                                                       : scCtrl | scAlt | VK_F10);
    };
    hotKey->SetActive(true);
    EXPECT_TRUE(hotKey->Active());
    EXPECT_EQ(hotKey->HotKey(), scCtrl | scAlt | VK_F10);
    EXPECT_EQ(offered, (std::vector<TShortCut>{scCtrl | scAlt | VK_F11, scCtrl | scAlt | VK_F12}));
}

TEST_F(GlobalHotKeyTest, RecreatedOwnerWindowKeepsTheHotKeyWorking) {
    TGlobalHotKey* hotKey = NewHotKey(scCtrl | scAlt | VK_F6);
    hotKey->SetActive(true);
    HWND before = form->Handle();
    form->SetBorderStyle(bsNone);
    ASSERT_NE(form->Handle(), before);
    EXPECT_EQ(hotKey->BoundWindow(), form->Handle());
    Press({VK_CONTROL, VK_MENU, VK_F6});
    EXPECT_EQ(fired, 1);
}

TEST_F(GlobalHotKeyTest, DestroyingAnActiveComponentWithdrawsItsRegistration) {
    TGlobalHotKey* hotKey = NewHotKey(scCtrl | scAlt | VK_F5);
    hotKey->SetActive(true);
    const int id = hotKey->HotKeyId();
    TComponent::Free(hotKey);
    ASSERT_FALSE(calls.empty());
    EXPECT_FALSE(calls.back().Register);
    EXPECT_EQ(calls.back().Id, id);
    TGlobalHotKey* again = NewHotKey(scCtrl | scAlt | VK_F5);
    again->SetActive(true);
    EXPECT_TRUE(again->Active());
}

} // namespace
