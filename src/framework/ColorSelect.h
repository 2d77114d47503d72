#pragma once
// An action that lets the user pick a colour in its own colour dialog.
#include "framework/Actions.h"
#include "framework/Dialogs.h"

class TColorSelect : public TAction {
public:
    explicit TColorSelect(TComponent* owner);

    TColorDialog* Dialog() const { return FDialog; }

    // Brings the action up to date; if enabled, raises BeforeExecute (to load the dialog) and
    // opens the dialog over the active window. The dialog's own OnClose sees how it ended.
    bool Execute() override;

    TNotifyEvent BeforeExecute;

private:
    TColorDialog* FDialog;
};
