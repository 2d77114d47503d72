#include "components/WndProcHook.h"

#include <algorithm>

// What the record puts into the control's WindowProc: a type of its own, so the record can tell
// whether the control's handler is still the one it installed.
struct THookInfos::TChainedHandler {
    std::shared_ptr<THookInfos> Record;

    void operator()(TMessage& message) const {
        // Hooks may replace the control's handler, and with it this object, while the chain
        // runs: hold the record on the stack and touch nothing of this object afterwards.
        std::shared_ptr<THookInfos> record = Record;
        record->Dispatch(message);
    }
};

// Marks an entry as being called; a dead entry is unlinked when its last call returns.
class THookInfos::TPin {
public:
    TPin(TList& list, TEntry* entry) : FList(list), FEntry(entry) { ++entry->Pins; }
    ~TPin() {
        if (--FEntry->Pins == 0 && !FEntry->Alive) Unlink(FList, FEntry);
    }
    TPin(const TPin&) = delete;
    TPin& operator=(const TPin&) = delete;

private:
    TList& FList;
    TEntry* FEntry;
};

THookInfos::~THookInfos() {
    // Only the last owner frees the record, so no call is running any more.
    for (TList& list : FLists) {
        for (TEntry* e = list.Head; e;) {
            TEntry* next = e->Next;
            delete e;
            e = next;
        }
        list = {};
    }
}

void THookInfos::Add(const TWindowHookProc& proc, THookOrder order) {
    TList& list = FLists[static_cast<int>(order)];
    auto* entry = new TEntry{proc, nullptr, FNextSerial++};
    if (list.Tail)
        list.Tail->Next = entry;
    else
        list.Head = entry;
    list.Tail = entry;
    ++list.Live;
}

void THookInfos::Remove(const TWindowHookProc& proc, THookOrder order) {
    TList& list = FLists[static_cast<int>(order)];
    for (TEntry* e = list.Head; e; e = e->Next) {
        if (e->Alive && e->Proc == proc) {
            Kill(list, e);
            return;
        }
    }
}

void THookInfos::Kill(TList& list, TEntry* entry) {
    if (!entry->Alive) return;
    entry->Alive = false;
    --list.Live;
    if (entry->Pins == 0) Unlink(list, entry);
}

void THookInfos::Unlink(TList& list, TEntry* entry) {
    TEntry* previous = nullptr;
    for (TEntry* e = list.Head; e != entry; e = e->Next)
        previous = e;
    (previous ? previous->Next : list.Head) = entry->Next;
    if (list.Tail == entry) list.Tail = previous;
    delete entry;
}

void THookInfos::Install() {
    if (FInstalled) return;
    FSavedHandler = FControl->WindowProc;
    FControl->WindowProc = TChainedHandler{shared_from_this()};
    FInstalled = true;
}

void THookInfos::Uninstall() {
    if (!FInstalled || FDepth > 0 || FControlGone) return;
    // A handler installed after ours calls ours: putting the saved one back would lose it.
    const auto* handler = FControl->WindowProc.target<TChainedHandler>();
    if (!handler || handler->Record.get() != this) return;
    FInstalled = false;
    // Moved, not copied: this runs when a dispatch ends and must not throw. Our caller holds the
    // record, which the replaced handler may have been the last to own.
    FControl->WindowProc = std::move(FSavedHandler);
}

void THookInfos::Release(bool controlGone) {
    // The control notifies before it is gone, but a dispatch running now resumes after it is.
    if (controlGone) FControlGone = true;
    for (TList& list : FLists) {
        for (TEntry* e = list.Head; e;) {
            TEntry* next = e->Next;
            Kill(list, e);
            e = next;
        }
    }
    Uninstall();
}

void THookInfos::Settle() {
    if (Empty()) Uninstall();
}

void THookInfos::Dispatch(TMessage& m) {
    const uint64_t serialLimit = FNextSerial;
    const bool goneAtStart = FControlGone;
    ++FDepth;
    struct TLeave {
        THookInfos& Record;
        ~TLeave() {
            if (--Record.FDepth == 0) Record.Settle();
        }
    } leave{*this};

    m.Result = 0;
    if (CallList(FLists[0], serialLimit, goneAtStart, m)) return;
    if (FSavedHandler) FSavedHandler(m);
    if (FControlGone && !goneAtStart) return;
    CallList(FLists[1], serialLimit, goneAtStart, m);
}

bool THookInfos::CallList(TList& list, uint64_t serialLimit, bool goneAtStart, TMessage& m) {
    // Entries are appended in serial order: the first one added after this dispatch began ends it.
    for (TEntry* e = list.Head; e && e->Serial < serialLimit;) {
        if (!e->Alive) { // removed during a call that is still running further out
            e = e->Next;
            continue;
        }
        bool stop;
        TEntry* next;
        {
            TPin pin(list, e);
            stop = e->Proc(m);
            // Read after the call, while the entry is pinned: entries removed meanwhile are
            // already unlinked from it.
            next = e->Next;
        }
        if (stop || (FControlGone && !goneAtStart)) return true;
        e = next;
    }
    return false;
}

TWndProcHook::~TWndProcHook() {
    if (FRecords)
        for (const auto& record : *FRecords)
            record->Release(false);
    FRecords.reset();
}

THookInfos* TWndProcHook::Find(TWinControl* control) const {
    if (!FRecords) return nullptr;
    for (const auto& record : *FRecords)
        if (record->Control() == control) return record.get();
    return nullptr;
}

bool TWndProcHook::Add(TWinControl* control, const TWindowHookProc& proc, THookOrder order) {
    if (!control || !proc) return false;
    if (!FRecords) FRecords = std::make_unique<std::vector<std::shared_ptr<THookInfos>>>();
    THookInfos* record = Find(control);
    if (!record) {
        FRecords->push_back(std::make_shared<THookInfos>(control));
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
    auto it = std::find_if(FRecords->begin(), FRecords->end(), [component](const auto& record) {
        return static_cast<TComponent*>(record->Control()) == component;
    });
    if (it == FRecords->end()) return;
    // Out of the registry first; a dispatch that is running keeps the record itself alive.
    std::shared_ptr<THookInfos> record = std::move(*it);
    FRecords->erase(it);
    record->Release(true);
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
