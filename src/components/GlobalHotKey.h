#pragma once
// A key combination registered system-wide for the owner's window: while active, pressing it
// anywhere on the desktop fires OnHotKey, whichever program has the keyboard focus.
#include "components/WndProcHook.h"
#include "framework/Component.h"

#include <functional>

struct TPlatformKey {
    UINT Key;       // virtual-key code, bits 8 to 12 of the shortcut included
    UINT Modifiers; // MOD_CONTROL, MOD_SHIFT, MOD_ALT
};
TPlatformKey ShortcutToPlatformKey(TShortCut shortcut);

using THotKeyRegisterFailedEvent = std::function<void(TObject* sender, TShortCut& hotKey)>;

class TGlobalHotKey : public TComponent {
public:
    // The owner must be a windowed control: the combination is registered for its window.
    explicit TGlobalHotKey(TComponent* owner);
    ~TGlobalHotKey() override;

    bool Active() const { return FActive; }
    void SetActive(bool active);
    TShortCut HotKey() const { return FHotKey; }
    void SetHotKey(TShortCut hotKey);

    int HotKeyId() const { return FHotKeyId; }
    HWND BoundWindow() const { return FBoundWindow; }
    bool OwnerHooked() const { return FOwnerHooked; }

    TNotifyEvent OnHotKey;
    // Asked when the platform refuses the combination; changing the key tries the new one.
    THotKeyRegisterFailedEvent OnHotKeyRegisterFailed;

    // The platform's registration calls, replaceable so tests and benchmarks can count them.
    static std::function<BOOL(HWND, int, UINT, UINT)> PlatformRegister;
    static std::function<BOOL(HWND, int)> PlatformUnregister;

protected:
    virtual void HotKeyPressed();
    // Registers for the owner's window; when the owner puts its window off, only marks the
    // registration for its creation.
    virtual bool TryRegister();

private:
    TWinControl* OwnerControl() const;
    void HookOwner();
    void UnhookOwner();
    bool HandleOwnerMessage(TMessage& message);
    // The owner got a new window while the combination was registered for the old one.
    void MoveToNewWindow();
    // Registers for FBoundWindow, asking OnHotKeyRegisterFailed after each refusal; forgets the
    // window when refused for good.
    bool RegisterBound();

    bool FActive = false;
    TShortCut FHotKey = 0;
    int FHotKeyId = 0;
    HWND FBoundWindow = nullptr;
    bool FOwnerHooked = false;
    bool FRegisterPending = false;

    static int NextHotKeyId;
};
