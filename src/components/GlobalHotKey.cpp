#include "components/GlobalHotKey.h"

#include <utility>

int TGlobalHotKey::NextHotKeyId = 0;

std::function<BOOL(HWND, int, UINT, UINT)> TGlobalHotKey::PlatformRegister = [](HWND wnd, int id, UINT modifiers,
                                                                                  UINT key) {
    return RegisterHotKey(wnd, id, modifiers, key);
};
std::function<BOOL(HWND, int)> TGlobalHotKey::PlatformUnregister = [](HWND wnd, int id) {
    return UnregisterHotKey(wnd, id);
};

TPlatformKey ShortcutToPlatformKey(TShortCut shortcut) {
    TPlatformKey result{static_cast<UINT>(shortcut & 0x1FFF), 0};
    if (shortcut & scCtrl) result.Modifiers |= MOD_CONTROL;
    if (shortcut & scShift) result.Modifiers |= MOD_SHIFT;
    if (shortcut & scAlt) result.Modifiers |= MOD_ALT;
    return result;
}

TGlobalHotKey::TGlobalHotKey(TComponent* owner) : TComponent(owner) {}

TGlobalHotKey::~TGlobalHotKey() {
    // Unlike a plain unhook, the registration is withdrawn too: nothing would answer it any more.
    if (FActive && FBoundWindow) PlatformUnregister(FBoundWindow, FHotKeyId);
    UnhookOwner();
}

TWinControl* TGlobalHotKey::OwnerControl() const { return dynamic_cast<TWinControl*>(Owner()); }

void TGlobalHotKey::SetActive(bool active) {
    if (active == FActive) return;
    if (active && !FOwnerHooked) {
        FHotKeyId = NextHotKeyId++;
        if (!TryRegister()) return;
        HookOwner();
    } else if (FOwnerHooked) {
        if (FBoundWindow) PlatformUnregister(FBoundWindow, FHotKeyId);
        FRegisterPending = false;
        UnhookOwner();
    }
    FActive = active;
}

bool TGlobalHotKey::TryRegister() {
    if (FBoundWindow) return false;
    TWinControl* owner = OwnerControl();
    if (!owner) return false;
    if (owner->DefersHandle()) {
        FRegisterPending = true; // registered when the window is made
        return true;
    }
    FBoundWindow = owner->Handle();
    return RegisterBound();
}

bool TGlobalHotKey::RegisterBound() {
    for (;;) {
        const TPlatformKey key = ShortcutToPlatformKey(FHotKey);
        if (PlatformRegister(FBoundWindow, FHotKeyId, key.Modifiers, key.Key)) return true;
        const TShortCut tried = FHotKey;
        if (OnHotKeyRegisterFailed) OnHotKeyRegisterFailed(this, FHotKey);
        if (FHotKey == tried) break;
    }
    // Forget the window, so a later activation asks the platform again: another program may
    // only have held the combination for a moment.
    FBoundWindow = nullptr;
    return false;
}

void TGlobalHotKey::SetHotKey(TShortCut hotKey) {
    if (hotKey == FHotKey) return;
    const bool wasActive = FActive;
    SetActive(false);
    FHotKey = hotKey;
    SetActive(wasActive);
}

void TGlobalHotKey::HookOwner() {
    if (FOwnerHooked) return;
    AddWndProcHook(OwnerControl(), MakeWindowHookProc<TGlobalHotKey, &TGlobalHotKey::HandleOwnerMessage>(this),
                   HookAfter);
    FOwnerHooked = true;
}

void TGlobalHotKey::UnhookOwner() {
    if (FOwnerHooked) {
        RemoveWndProcHook(OwnerControl(),
                          MakeWindowHookProc<TGlobalHotKey, &TGlobalHotKey::HandleOwnerMessage>(this), HookAfter);
        FOwnerHooked = false;
    }
    FBoundWindow = nullptr;
}

bool TGlobalHotKey::HandleOwnerMessage(TMessage& message) {
    if (message.Msg == WM_HOTKEY && static_cast<int>(message.WParam) == FHotKeyId) HotKeyPressed();
    if (message.Msg == WM_CREATE) MoveToNewWindow();
    return false;
}

void TGlobalHotKey::MoveToNewWindow() {
    TWinControl* owner = OwnerControl();
    if (!FActive || !owner || !owner->HandleAllocated() || owner->Handle() == FBoundWindow) return;
    FBoundWindow = owner->Handle();
    // A first registration put off until the window existed handles refusals as usual; a window
    // made again only gets back what the old one took with it when it was destroyed.
    const TPlatformKey key = ShortcutToPlatformKey(FHotKey);
    const bool registered = std::exchange(FRegisterPending, false)
                                ? RegisterBound()
                                : PlatformRegister(FBoundWindow, FHotKeyId, key.Modifiers, key.Key) != FALSE;
    if (registered) return;
    FActive = false;
    UnhookOwner();
}

void TGlobalHotKey::HotKeyPressed() {
    if (OnHotKey) OnHotKey(this);
}
