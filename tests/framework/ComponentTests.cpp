#include "framework/Component.h"
#include "support/FrameworkFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> gLog;

class TProbe : public TComponent {
public:
    TProbe(TComponent* owner, std::wstring name) : TComponent(owner) { SetName(std::move(name)); }
    ~TProbe() override { gLog.push_back(L"~" + Name()); }
    std::vector<std::wstring> removed;
    bool ownerWasDestroying = false;

protected:
    void Loaded() override { gLog.push_back(L"loaded " + Name()); }
    void BeforeDestruction() override {
        ownerWasDestroying = Owner() && Owner()->IsDestroying();
        gLog.push_back(L"before " + Name());
    }
    void Notification(TComponent* c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == opRemove) removed.push_back(c->Name());
    }
};

TEST(Component, OwnerDestroysItsComponentsLastCreatedFirst) {
    gLog.clear();
    auto* owner = new TProbe(nullptr, L"owner");
    new TProbe(owner, L"a");
    auto* b = new TProbe(owner, L"b");
    new TProbe(b, L"b1");
    new TProbe(owner, L"c");
    ASSERT_EQ(owner->ComponentCount(), 3u);
    TComponent::Free(owner);
    // The owner learns first; then its components go, each after the ones it owns.
    std::vector<std::wstring> expected{L"before owner", L"before c", L"~c",  L"before b", L"before b1",
                                       L"~b1",          L"~b",       L"before a", L"~a", L"~owner"};
    EXPECT_EQ(gLog, expected);
}

TEST(Component, OwnedComponentsKnowTheirOwnerIsBeingDestroyed) {
    auto* owner = new TProbe(nullptr, L"owner");
    auto* child = new TProbe(owner, L"child");
    bool seen = false;
    struct TWatch : TProbe {
        using TProbe::TProbe;
        bool* seen = nullptr;
        void BeforeDestruction() override { *seen = Owner()->IsDestroying() && IsDestroying(); }
    };
    auto* watch = new TWatch(owner, L"watch");
    watch->seen = &seen;
    (void)child;
    TComponent::Free(owner);
    EXPECT_TRUE(seen);
}

TEST(Component, FreeingOneComponentLeavesItsOwnerWithTheOthers) {
    TProbe owner(nullptr, L"owner");
    auto* a = new TProbe(&owner, L"a");
    auto* b = new TProbe(&owner, L"b");
    TComponent::Free(a);
    ASSERT_EQ(owner.ComponentCount(), 1u);
    EXPECT_EQ(owner.Components(0), b);
}

TEST(Component, ObserversAreToldOnceAndForgottenWhenTheyGoFirst) {
    auto* observer = new TProbe(nullptr, L"observer");
    auto* subject = new TProbe(nullptr, L"subject");
    subject->FreeNotification(observer);
    subject->FreeNotification(observer); // asking twice still tells once
    TComponent::Free(subject);
    EXPECT_EQ(observer->removed, std::vector<std::wstring>{L"subject"});

    auto* other = new TProbe(nullptr, L"other");
    other->FreeNotification(observer);
    TComponent::Free(observer); // must not leave a dangling observer behind
    TComponent::Free(other);
}

TEST(Component, LoadingEndsInCreationOrderAfterOwnedComponents) {
    gLog.clear();
    TProbe owner(nullptr, L"owner");
    owner.BeginLoad();
    auto* a = new TProbe(&owner, L"a");
    new TProbe(a, L"a1");
    new TProbe(&owner, L"b");
    EXPECT_TRUE(a->IsLoading());
    owner.EndLoad();
    std::vector<std::wstring> expected{L"loaded a1", L"loaded a", L"loaded b", L"loaded owner"};
    EXPECT_EQ(gLog, expected);
    EXPECT_FALSE(a->IsLoading());
    gLog.clear();
    owner.EndLoad(); // a second end changes nothing
    EXPECT_TRUE(gLog.empty());
}

class ComponentLoadTest : public FrameworkTest {};

TEST_F(ComponentLoadTest, AComponentThatFailsToFinishLoadingIsReportedAndTheOthersStillFinish) {
    struct TFailing : TProbe {
        using TProbe::TProbe;
        void Loaded() override {
            TProbe::Loaded();
            throw TError(L"cannot record");
        }
    };
    gLog.clear();
    TProbe owner(nullptr, L"owner");
    owner.BeginLoad();
    new TProbe(&owner, L"a");
    auto* failing = new TFailing(&owner, L"failing");
    auto* after = new TProbe(&owner, L"after");
    owner.EndLoad();
    EXPECT_EQ(reported, std::vector<std::wstring>{L"cannot record"});
    EXPECT_EQ(gLog, (std::vector<std::wstring>{L"loaded a", L"loaded failing", L"loaded after", L"loaded owner"}));
    EXPECT_FALSE(failing->IsLoading());
    EXPECT_FALSE(after->IsLoading());
    EXPECT_FALSE(owner.IsLoading());
}

} // namespace
