#pragma once
// The About dialog.
#include "framework/Form.h"

class TFAbout : public TForm {
public:
    explicit TFAbout(TComponent* owner);
    ~TFAbout() override;

private:
    void ApplyDesign();
};

extern TFAbout* FAbout;
