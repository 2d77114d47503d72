#pragma once
// Commands that menus and keys share: an action holds a caption, a check mark and shortcuts, and
// the menu items linked to it show them; an action list runs the action whose shortcut is pressed.
#include "framework/Component.h"

#include <string>
#include <vector>

class TActionList;
class TMenuItem;

class TAction : public TComponent {
public:
    explicit TAction(TComponent* owner);
    ~TAction() override;

    TActionList* ActionList() const { return FActionList; }
    void SetActionList(TActionList* list);

    const std::wstring& Category() const { return FCategory; }
    void SetCategory(const std::wstring& category) { FCategory = category; }
    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& caption);
    bool Checked() const { return FChecked; }
    void SetChecked(bool checked);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut shortcut);
    // Further keys that run the action; menus show only the first shortcut.
    const std::vector<TShortCut>& SecondaryShortCuts() const { return FSecondaryShortCuts; }
    void SetSecondaryShortCuts(std::vector<TShortCut> shortcuts) {
        FSecondaryShortCuts = std::move(shortcuts);
    }
    bool HandlesShortCut(TShortCut shortcut) const;

    // Brings the action's state up to date (OnUpdate), then runs it if it is enabled; true when it ran.
    virtual bool Execute();
    // Asks OnUpdate for the current state, for instance the check mark of a style.
    virtual void Update();

    TNotifyEvent OnExecute;
    TNotifyEvent OnUpdate;

private:
    friend class TActionList;
    friend class TMenuItem;
    void Changed();
    void AddClient(TMenuItem* item);
    void RemoveClient(TMenuItem* item);

    TActionList* FActionList = nullptr;
    std::wstring FCategory;
    std::wstring FCaption;
    bool FChecked = false;
    bool FEnabled = true;
    TShortCut FShortCut = 0;
    std::vector<TShortCut> FSecondaryShortCuts;
    std::vector<TMenuItem*> FClients; // items showing the action
};

class TActionList : public TComponent {
public:
    explicit TActionList(TComponent* owner) : TComponent(owner) {}
    ~TActionList() override;

    size_t ActionCount() const { return FActions.size(); }
    TAction* Actions(size_t index) const { return FActions.at(index); }
    // Runs the first action that answers to the key; true when one ran, so the key is used up.
    bool IsShortCut(TShortCut shortcut);

private:
    friend class TAction;
    std::vector<TAction*> FActions;
};
