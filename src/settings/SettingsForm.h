#pragma once
// The settings dialog.
#include "framework/Dialogs.h"
#include "framework/Form.h"

class TFcfg : public TForm {
public:
    explicit TFcfg(TComponent* owner);
    ~TFcfg() override;

    // The note's "Police..." command uses this font dialog too.
    TFontDialog* FontDialog1 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;

private:
    void ApplyDesign();
};

extern TFcfg* Fcfg;
