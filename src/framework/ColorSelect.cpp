#include "framework/ColorSelect.h"

TColorSelect::TColorSelect(TComponent* owner) : TAction(owner), FDialog(new TColorDialog(this)) {
    FDialog->SetName(L"Dialog");
}

bool TColorSelect::Execute() {
    Update();
    if (!Enabled()) return false;
    if (BeforeExecute) BeforeExecute(this);
    FDialog->Execute(GetActiveWindow());
    return true;
}
