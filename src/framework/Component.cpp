#include "framework/Component.h"

#include "framework/Error.h"

#include <algorithm>

static void Erase(std::vector<TComponent*>& list, TComponent* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
    if (!owner) return;
    owner->FComponents.push_back(this);
    if (owner->IsLoading()) FState |= csLoading;
    if (owner->IsDesigning()) FState |= csDesigning;
}

TComponent::~TComponent() {
    MarkDestroying();
    NotifyObservers();
    DestroyComponents();
    for (TComponent* observed : FObserved) Erase(observed->FObservers, this);
    if (FOwner) {
        Erase(FOwner->FComponents, this);
        FOwner->Notification(this, opRemove);
    }
}

void TComponent::Free(TComponent* component) {
    if (!component) return;
    component->MarkDestroying();
    component->BeforeDestruction();
    component->NotifyObservers();
    component->DestroyComponents();
    delete component;
}

void TComponent::MarkDestroying() {
    if (IsDestroying()) return;
    FState |= csDestroying;
    for (TComponent* c : FComponents) c->MarkDestroying();
}

void TComponent::NotifyObservers() {
    if (FObserversNotified) return;
    FObserversNotified = true;
    // Observers may unsubscribe while being told.
    std::vector<TComponent*> observers = FObservers;
    for (TComponent* observer : observers) {
        observer->Notification(this, opRemove);
        Erase(observer->FObserved, this);
    }
    FObservers.clear();
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) Free(FComponents.back());
}

void TComponent::FreeNotification(TComponent* observer) {
    if (!observer || observer == this) return;
    if (std::find(FObservers.begin(), FObservers.end(), observer) != FObservers.end()) return;
    FObservers.push_back(observer);
    observer->FObserved.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* observer) {
    Erase(FObservers, observer);
    if (observer) Erase(observer->FObserved, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove) Erase(FObserved, component);
}

void TComponent::BeginLoad() {
    FState |= csLoading;
    for (TComponent* c : FComponents) c->BeginLoad();
}

void TComponent::EndLoad() {
    // Components created while loading carry the flag; each learns in creation order.
    std::vector<TComponent*> owned = FComponents;
    for (TComponent* c : owned) c->EndLoad();
    if (!IsLoading()) return;
    FState &= ~csLoading;
    // A component that cannot finish loading is reported; its owner and the rest still finish,
    // so that the owner's creation handler runs and nothing is left half loaded.
    Guarded(this, [&] { Loaded(); });
}
