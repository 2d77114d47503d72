#pragma once
// The credits window.
#include "framework/Form.h"

class TFCredit : public TForm {
public:
    explicit TFCredit(TComponent* owner);
    ~TFCredit() override;

private:
    void ApplyDesign();
};

extern TFCredit* FCredit;
