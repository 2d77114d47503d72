#include "components/WndProcHook.h"

#include <algorithm>

THookInfos::~THookInfos() {
    Uninstall();
    FreeList(FLists[0]);
    FreeList(FLists[1]);
}

void THookInfos::FreeList(TList& list) {
    for (TEntry* e = list.Head; e;) {
        TEntry* next = e->Next;
        delete e;
        e = next;
    }
    list = {};
}

void THookInfos::Add(const TWindowHookProc& proc, THookOrder order) {
    TList& list = FLists[static_cast<int>(order)];
    auto* entry = new TEntry{proc, nullptr};
    if (list.Tail)
        list.Tail->Next = entry;
    else
        list.Head = entry;
    list.Tail = entry;
}

void THookInfos::Remove(const TWindowHookProc& proc, THookOrder order) {
    TList& list = FLists[static_cast<int>(order)];
    TEntry* previous = nullptr;
    for (TEntry* e = list.Head; e; previous = e, e = e->Next) {
        if (!(e->Proc == proc)) continue;
        (previous ? previous->Next : list.Head) = e->Next;
        if (list.Tail == e) list.Tail = previous;
        delete e;
        return;
    }
}

void THookInfos::Install() {
    if (FInstalled) return;
    FSavedHandler = FControl->WindowProc;
    FControl->WindowProc = [this](TMessage& m) { Chain(m); };
    FInstalled = true;
}

void THookInfos::Uninstall() {
    if (!FInstalled) return;
    FControl->WindowProc = FSavedHandler;
    FInstalled = false;
}

void THookInfos::Chain(TMessage& m) {
    m.Result = 0;
    // The next link is read before each call: a hook may remove itself while it runs.
    for (TEntry* e = FLists[0].Head; e;) {
        TEntry* next = e->Next;
        if (e->Proc(m)) return;
        e = next;
    }
    // A hook may also have taken the record out of the chain: keep the handler alive meanwhile.
    std::function<void(TMessage&)> saved = FSavedHandler;
    saved(m);
    for (TEntry* e = FLists[1].Head; e;) {
        TEntry* next = e->Next;
        if (e->Proc(m)) break;
        e = next;
    }
}

TWndProcHook::~TWndProcHook() { FRecords.reset(); }

THookInfos* TWndProcHook::Find(TWinControl* control) const {
    if (!FRecords) return nullptr;
    for (const auto& record : *FRecords)
        if (record->Control() == control) return record.get();
    return nullptr;
}

bool TWndProcHook::Add(TWinControl* control, const TWindowHookProc& proc, THookOrder order) {
    if (!control || !proc) return false;
    if (!FRecords) FRecords = std::make_unique<std::vector<std::unique_ptr<THookInfos>>>();
    THookInfos* record = Find(control);
    if (!record) {
        FRecords->push_back(std::make_unique<THookInfos>(control));
        record = FRecords->back().get();
        control->FreeNotification(this);
    }
    record->Add(proc, order);
    record->Install();
    return true;
}

bool TWndProcHook::Remove(TWinControl* control, const TWindowHookProc& proc, THookOrder order) {
    if (!control || !proc || !FRecords) return false;
    THookInfos* record = Find(control);
    if (!record) return false;
    record->Remove(proc, order);
    if (record->Empty()) record->Uninstall();
    return true;
}

void TWndProcHook::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove || !FRecords) return;
    std::erase_if(*FRecords, [component](const std::unique_ptr<THookInfos>& record) {
        return static_cast<TComponent*>(record->Control()) == component;
    });
}

TWndProcHook& SharedWndProcHook() {
    // Lives until the end of the process, after every component that uses it.
    static TWndProcHook registry;
    return registry;
}

bool AddWndProcHook(TWinControl* control, const TWindowHookProc& proc, THookOrder order) {
    return SharedWndProcHook().Add(control, proc, order);
}

bool RemoveWndProcHook(TWinControl* control, const TWindowHookProc& proc, THookOrder order) {
    return SharedWndProcHook().Remove(control, proc, order);
}
