#include "framework/Actions.h"

#include "framework/Menus.h"

#include <algorithm>

TAction::TAction(TComponent* owner) : TComponent(owner) {}

TAction::~TAction() {
    SetActionList(nullptr);
    for (TMenuItem* item : std::vector<TMenuItem*>(FClients))
        item->SetAction(nullptr);
}

void TAction::SetActionList(TActionList* list) {
    if (list == FActionList) return;
    if (FActionList) std::erase(FActionList->FActions, this);
    FActionList = list;
    if (list) list->FActions.push_back(this);
}

void TAction::SetCaption(const std::wstring& caption) {
    FCaption = caption;
    Changed();
}

void TAction::SetChecked(bool checked) {
    if (checked == FChecked) return;
    FChecked = checked;
    Changed();
}

void TAction::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    Changed();
}

void TAction::SetShortCut(TShortCut shortcut) {
    FShortCut = shortcut;
    Changed();
}

bool TAction::HandlesShortCut(TShortCut shortcut) const {
    if (shortcut == 0) return false;
    return shortcut == FShortCut || std::find(FSecondaryShortCuts.begin(), FSecondaryShortCuts.end(),
                                              shortcut) != FSecondaryShortCuts.end();
}

bool TAction::Execute() {
    Update();
    if (!FEnabled || !OnExecute) return false;
    OnExecute(this);
    return true;
}

void TAction::Update() {
    if (OnUpdate) OnUpdate(this);
}

void TAction::Changed() {
    for (TMenuItem* item : FClients)
        item->ActionChanged();
}

void TAction::AddClient(TMenuItem* item) {
    if (std::find(FClients.begin(), FClients.end(), item) == FClients.end()) FClients.push_back(item);
}

void TAction::RemoveClient(TMenuItem* item) {
    std::erase(FClients, item);
}

TActionList::~TActionList() {
    for (TAction* action : FActions)
        action->FActionList = nullptr;
}

bool TActionList::IsShortCut(TShortCut shortcut) {
    // A copy: an action may add or remove actions while it runs.
    for (TAction* action : std::vector<TAction*>(FActions))
        if (action->HandlesShortCut(shortcut)) return action->Execute();
    return false;
}
