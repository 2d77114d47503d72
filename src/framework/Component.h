#pragma once
// Components: objects with an owner that destroys them, in reverse order of creation.
#include "framework/Types.h"

#include <string>
#include <vector>

enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,    // design values are being applied
    csDestroying = 1u << 1, // the component or its owner is being destroyed
    csDesigning = 1u << 2,  // never set in this program: there is no form designer
};

enum class TOperation { opInsert, opRemove };
using enum TOperation;

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Destroys a component: it and everything it owns learn that they are being destroyed,
    // the owned components go first (last created first), then the component itself.
    static void Free(TComponent* component);

    TComponent* Owner() const { return FOwner; }
    const std::wstring& Name() const { return FName; }
    void SetName(std::wstring name) { FName = std::move(name); }

    unsigned ComponentState() const { return FState; }
    bool IsLoading() const { return (FState & csLoading) != 0; }
    bool IsDestroying() const { return (FState & csDestroying) != 0; }
    bool IsDesigning() const { return (FState & csDesigning) != 0; }

    size_t ComponentCount() const { return FComponents.size(); }
    TComponent* Components(size_t index) const { return FComponents.at(index); }

    // Asks for Notification(this, opRemove) on `observer` when this component goes away.
    void FreeNotification(TComponent* observer);
    void RemoveFreeNotification(TComponent* observer);

    // Applying design values: components created meanwhile are loading too; EndLoad tells each
    // of them, in creation order, and then this component, that loading is complete.
    void BeginLoad();
    void EndLoad();

protected:
    virtual void Loaded() {}
    virtual void Notification(TComponent* component, TOperation operation);
    // Runs once, while the whole object is still alive, before the owned components are freed.
    virtual void BeforeDestruction() {}
    void DestroyComponents();
    // Flags this component and everything it owns as being destroyed.
    void MarkDestroying();

private:
    void NotifyObservers();

    TComponent* FOwner;
    std::wstring FName;
    unsigned FState = 0;
    bool FObserversNotified = false;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FObservers; // told when this goes away
    std::vector<TComponent*> FObserved;  // those that tell this one
};
