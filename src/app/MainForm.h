#pragma once
// The note window.
#include "framework/Form.h"

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);
    ~TForm1() override;

private:
    void ApplyDesign();
};

extern TForm1* Form1;
