#pragma once
// A scroll bar control of the platform: a position within Min..Max that arrows, page clicks
// and the thumb move by SmallChange, LargeChange or to where it is dropped.
#include "framework/WinControl.h"

enum class TScrollBarKind { sbHorizontal, sbVertical };
using enum TScrollBarKind;

class TScrollBar : public TWinControl {
public:
    explicit TScrollBar(TComponent* owner);

    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind kind);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    void SetMin(int min) { SetParams(FPosition, min, FMax); }
    void SetMax(int max) { SetParams(FPosition, FMin, max); }
    // Positions outside Min..Max are brought into it; a new position raises OnChange.
    void SetPosition(int position) { SetParams(position, FMin, FMax); }
    void SetParams(int position, int min, int max);
    int SmallChange() const { return FSmallChange; }
    void SetSmallChange(int change) { FSmallChange = change; }
    int LargeChange() const { return FLargeChange; }
    void SetLargeChange(int change) { FLargeChange = change; }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;

private:
    void Scroll(int code);
    void UpdateWindow();

    TScrollBarKind FKind = sbHorizontal;
    int FMin = 0, FMax = 100, FPosition = 0;
    int FSmallChange = 1, FLargeChange = 1;
};
