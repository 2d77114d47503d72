#pragma once
// A titled frame around a group of controls, which are its children.
#include "framework/WinControl.h"

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint(HDC dc) override;
};
