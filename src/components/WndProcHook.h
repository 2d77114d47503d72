#pragma once
// A registry of message hooks: several parties can watch the messages of one control, before or
// after its own handling, without the control knowing. The registry chains itself into the
// control's replaceable WindowProc and takes itself out again when nothing is left to call.
//
// Hooks may add and remove hooks, their own included, while a message runs through the chain,
// and may send further messages to the same control: an entry that a running call stands on is
// only marked dead and is freed when that call returns; the chain is taken out of WindowProc
// only when its outermost dispatch has returned; entries added during a dispatch wait for the
// next message.
#include "framework/WinControl.h"

#include <cstdint>
#include <memory>
#include <vector>

enum class THookOrder { HookBefore, HookAfter };
using enum THookOrder;

// A method bound to its object; two are equal when both the function and the object are.
// Returning true means "stop": the remaining handling of the message is skipped.
struct TWindowHookProc {
    void* Object = nullptr;
    bool (*Function)(void* object, TMessage& message) = nullptr;

    explicit operator bool() const { return Function != nullptr; }
    bool operator()(TMessage& message) const { return Function(Object, message); }
    bool operator==(const TWindowHookProc&) const = default;
};

template <class T, bool (T::*Method)(TMessage&)> TWindowHookProc MakeWindowHookProc(T* object) {
    return {object, [](void* o, TMessage& m) { return (static_cast<T*>(o)->*Method)(m); }};
}

// The hooks of one control. Shared by the registry and by the handler it puts into the
// control's WindowProc, so a dispatch that is running keeps its record alive.
class THookInfos : public std::enable_shared_from_this<THookInfos> {
public:
    explicit THookInfos(TWinControl* control) : FControl(control) {}
    ~THookInfos();
    THookInfos(const THookInfos&) = delete;
    THookInfos& operator=(const THookInfos&) = delete;

    TWinControl* Control() const { return FControl; }
    // The chained handler is in the control's chain. It stays there as a pass-through while a
    // handler installed on the control after it still calls it.
    bool Installed() const { return FInstalled; }
    bool Dispatching() const { return FDepth > 0; }
    // No live entry in either list.
    bool Empty() const { return FLists[0].Live == 0 && FLists[1].Live == 0; }
    void Add(const TWindowHookProc& proc, THookOrder order);
    // Removes the first live entry equal to `proc`; nothing when there is none.
    void Remove(const TWindowHookProc& proc, THookOrder order);
    void Install();
    // Puts the saved handler back when the control's handler is still ours; while a dispatch
    // runs, this waits until its outermost level returns.
    void Uninstall();
    // The registry lets go of the record: every entry goes and the handler is put back. When
    // the control itself is going away, the control is not touched again: a dispatch that is
    // running stops, and later messages of the dying control pass straight through.
    void Release(bool controlGone);

private:
    struct TEntry {
        TWindowHookProc Proc;
        TEntry* Next = nullptr;
        uint64_t Serial = 0; // order of addition: a dispatch calls only entries older than itself
        int Pins = 0;        // running calls of this entry
        bool Alive = true;
    };
    struct TList {
        TEntry* Head = nullptr;
        TEntry* Tail = nullptr;
        int Live = 0;
    };
    struct TChainedHandler;
    class TPin;

    void Dispatch(TMessage& message);
    // Returns true when an entry said stop or the control went away meanwhile.
    bool CallList(TList& list, uint64_t serialLimit, bool goneAtStart, TMessage& message);
    void Kill(TList& list, TEntry* entry);
    static void Unlink(TList& list, TEntry* entry);
    void Settle();

    TWinControl* FControl;
    TList FLists[2]; // HookBefore, HookAfter
    std::function<void(TMessage&)> FSavedHandler;
    bool FInstalled = false;
    bool FReleased = false;
    bool FControlGone = false;
    int FDepth = 0; // nested dispatches running
    uint64_t FNextSerial = 0;
};

class TWndProcHook : public TComponent {
public:
    TWndProcHook() : TComponent(nullptr) {}
    ~TWndProcHook() override;

    bool Add(TWinControl* control, const TWindowHookProc& proc, THookOrder order);
    bool Remove(TWinControl* control, const TWindowHookProc& proc, THookOrder order);
    // The record of a control, or nullptr.
    THookInfos* Find(TWinControl* control) const;
    size_t RecordCount() const { return FRecords ? FRecords->size() : 0; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    // Created on the first addition; in creation order.
    std::unique_ptr<std::vector<std::shared_ptr<THookInfos>>> FRecords;
};

// The process's one registry, created on first use.
TWndProcHook& SharedWndProcHook();

bool AddWndProcHook(TWinControl* control, const TWindowHookProc& proc, THookOrder order);
bool RemoveWndProcHook(TWinControl* control, const TWindowHookProc& proc, THookOrder order);
