#include "framework/Menus.h"

#include "framework/Application.h"
#include "framework/ShortcutText.h"

#include <algorithm>

namespace {
UINT gNextCommand = 100;
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), FCommand(gNextCommand++) {}

TMenuItem::~TMenuItem() {
    if (FAction) FAction->RemoveClient(this);
    if (FParent) FParent->Remove(this);
    for (TMenuItem* item : FItems) item->FParent = nullptr;
}

void TMenuItem::Add(TMenuItem* item) {
    if (item->FParent) item->FParent->Remove(item);
    item->FParent = this;
    FItems.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    item->FParent = nullptr;
}

TMenuItem* TMenuItem::DefaultItem() const {
    for (TMenuItem* item : FItems)
        if (item->FDefault) return item;
    return nullptr;
}

TMenuItem* TMenuItem::FindCommand(UINT command) {
    if (FCommand == command) return this;
    for (TMenuItem* item : FItems)
        if (TMenuItem* found = item->FindCommand(command)) return found;
    return nullptr;
}

TMenuItem* TMenuItem::FindShortCut(TShortCut shortcut) {
    for (TMenuItem* item : FItems) {
        if (!item->FEnabled) continue;
        if (item->FShortCut == shortcut && item->FItems.empty() && !item->IsLine()) return item;
        if (TMenuItem* found = item->FindShortCut(shortcut)) return found;
    }
    return nullptr;
}

void TMenuItem::SetAction(TAction* action) {
    if (action == FAction) return;
    if (FAction) FAction->RemoveClient(this);
    FAction = action;
    if (!action) return;
    action->AddClient(this);
    ActionChanged();
}

void TMenuItem::ActionChanged() {
    if (!FAction) return;
    FCaption = FAction->Caption();
    FChecked = FAction->Checked();
    FEnabled = FAction->Enabled();
    FShortCut = FAction->ShortCut();
}

void TMenuItem::InitiateActions() {
    for (TMenuItem* item : FItems) {
        if (item->FAction) item->FAction->Update();
        item->InitiateActions();
    }
}

void TMenuItem::Click() {
    if (FAutoCheck) FChecked = !FChecked;
    if (OnClick)
        OnClick(this);
    else if (FAction)
        FAction->Execute();
}

void TMenuItem::AppendTo(HMENU menu) const {
    for (const TMenuItem* item : FItems) {
        if (!item->FVisible) continue;
        if (item->IsLine()) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        std::wstring text = item->FCaption;
        if (item->FShortCut) text += L"\t" + FormatShortcut(item->FShortCut);
        UINT flags = MF_STRING | (item->FChecked ? MF_CHECKED : 0) | (item->FEnabled ? 0 : MF_GRAYED);
        if (!item->FItems.empty()) {
            HMENU sub = CreatePopupMenu();
            item->AppendTo(sub);
            AppendMenuW(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
        } else {
            AppendMenuW(menu, flags, item->FCommand, text.c_str());
        }
        if (item->FDefault) SetMenuDefaultItem(menu, item->FCommand, FALSE);
    }
}

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), FItems(new TMenuItem(this)) {}

void TPopupMenu::Popup(int x, int y, HWND owner) {
    FPopupPoint = {x, y};
    FItems->InitiateActions();
    if (OnPopup) OnPopup(this);
    TMenuHandle menu(CreatePopupMenu());
    FItems->AppendTo(menu.Get());
    UINT flags = TPM_RETURNCMD | TPM_RIGHTBUTTON;
    flags |= FAlignment == paRight ? TPM_RIGHTALIGN : FAlignment == paCenter ? TPM_CENTERALIGN : TPM_LEFTALIGN;
    if (FBottomToTop) flags |= TPM_VERNEGANIMATION;
    if (!owner && Application) owner = Application->Handle();
    UINT command = static_cast<UINT>(TrackPopupMenuEx(menu.Get(), flags, x, y, owner, nullptr));
    if (command == 0) return;
    if (TMenuItem* item = FItems->FindCommand(command)) item->Click();
}

bool TPopupMenu::IsShortCut(TShortCut shortcut) {
    if (shortcut == 0) return false;
    TMenuItem* item = FItems->FindShortCut(shortcut);
    if (!item) return false;
    if (item->Action()) item->Action()->Update();
    item->Click();
    return true;
}
