#pragma once
// The settings dialog.
#include "framework/Form.h"

class TFcfg : public TForm {
public:
    explicit TFcfg(TComponent* owner);
    ~TFcfg() override;

private:
    void ApplyDesign();
};

extern TFcfg* Fcfg;
