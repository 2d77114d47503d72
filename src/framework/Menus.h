#pragma once
// Menu items and pop-up menus, shown with the platform's menus.
#include "framework/Actions.h"
#include "framework/Component.h"
#include "framework/Handles.h"

#include <string>
#include <vector>

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* owner);
    ~TMenuItem() override;

    // "-" makes a separator; "&" marks the mnemonic letter.
    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& caption) { FCaption = caption; }
    // Shown beside the caption; menus do not act on it themselves.
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut shortcut) { FShortCut = shortcut; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool checked) { FChecked = checked; }
    // A click toggles the check mark before OnClick runs.
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool autoCheck) { FAutoCheck = autoCheck; }
    bool Default() const { return FDefault; }
    void SetDefault(bool isDefault) { FDefault = isDefault; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }
    bool IsLine() const { return FCaption == L"-"; }

    // Sub-items, in menu order; the item does not own them (their owner does).
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    size_t Count() const { return FItems.size(); }
    TMenuItem* Items(size_t index) const { return FItems.at(index); }
    TMenuItem* Parent() const { return FParent; }
    // The first sub-item marked as default, if any.
    TMenuItem* DefaultItem() const;

    UINT Command() const { return FCommand; }
    TMenuItem* FindCommand(UINT command);
    // The first enabled item here or below whose shortcut is `shortcut`.
    TMenuItem* FindShortCut(TShortCut shortcut);

    // A linked action gives the item its caption, check mark, enabled state and shortcut, and
    // choosing the item runs the action unless the item has an OnClick of its own.
    TAction* Action() const { return FAction; }
    void SetAction(TAction* action);
    // Takes the linked action's state again.
    void ActionChanged();
    // Lets the actions of this item and of those below bring themselves up to date.
    void InitiateActions();

    // What choosing the item does.
    virtual void Click();
    TNotifyEvent OnClick;

    // Appends the sub-items to a platform menu.
    void AppendTo(HMENU menu) const;

private:
    std::wstring FCaption;
    TShortCut FShortCut = 0;
    bool FChecked = false;
    bool FAutoCheck = false;
    bool FDefault = false;
    bool FEnabled = true;
    bool FVisible = true;
    TMenuItem* FParent = nullptr;
    std::vector<TMenuItem*> FItems;
    UINT FCommand;
    TAction* FAction = nullptr;
};

enum class TPopupAlignment { paLeft, paRight, paCenter };
using enum TPopupAlignment;

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner);

    TMenuItem* Items() const { return FItems; }
    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment alignment) { FAlignment = alignment; }
    // Menus open animated from the bottom upwards.
    bool AnimateBottomToTop() const { return FBottomToTop; }
    void SetAnimateBottomToTop(bool on) { FBottomToTop = on; }

    // Shows the menu at a screen point and runs the chosen item once the menu has closed.
    // `owner` receives the menu's messages; the application window when none is given.
    // The actions of the items are brought up to date first, so their check marks are current.
    void Popup(int x, int y, HWND owner = nullptr);
    POINT PopupPoint() const { return FPopupPoint; }
    // Runs the item whose shortcut this is, as a key pressed in the menu's control does; true
    // when an item took the key.
    bool IsShortCut(TShortCut shortcut);

    TNotifyEvent OnPopup;

private:
    TMenuItem* FItems;
    TPopupAlignment FAlignment = paLeft;
    bool FBottomToTop = false;
    POINT FPopupPoint{};
};
