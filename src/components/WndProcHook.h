#pragma once
// A registry of message hooks: several parties can watch the messages of one control, before or
// after its own handling, without the control knowing. The registry chains itself into the
// control's replaceable WindowProc and takes itself out again when nothing is left to call.
#include "framework/WinControl.h"

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

// The hooks of one control.
class THookInfos {
public:
    explicit THookInfos(TWinControl* control) : FControl(control) {}
    ~THookInfos();
    THookInfos(const THookInfos&) = delete;
    THookInfos& operator=(const THookInfos&) = delete;

    TWinControl* Control() const { return FControl; }
    bool Installed() const { return FInstalled; }
    void Add(const TWindowHookProc& proc, THookOrder order);
    void Remove(const TWindowHookProc& proc, THookOrder order);
    bool Empty() const { return !FLists[0].Head && !FLists[1].Head; }
    void Install();
    void Uninstall();

private:
    struct TEntry {
        TWindowHookProc Proc;
        TEntry* Next = nullptr;
    };
    struct TList {
        TEntry* Head = nullptr;
        TEntry* Tail = nullptr;
    };
    void Chain(TMessage& message);
    static void FreeList(TList& list);

    TWinControl* FControl;
    TList FLists[2]; // HookBefore, HookAfter
    std::function<void(TMessage&)> FSavedHandler;
    bool FInstalled = false;
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
    // Created on the first addition.
    std::unique_ptr<std::vector<std::unique_ptr<THookInfos>>> FRecords;
};

// The process's one registry, created on first use.
TWndProcHook& SharedWndProcHook();

bool AddWndProcHook(TWinControl* control, const TWindowHookProc& proc, THookOrder order);
bool RemoveWndProcHook(TWinControl* control, const TWindowHookProc& proc, THookOrder order);
