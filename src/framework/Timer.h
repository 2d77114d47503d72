#pragma once
// A message-driven timer of the user-interface thread.
#include "framework/Component.h"

#include <windows.h>

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    UINT Interval() const { return FInterval; }
    void SetInterval(UINT milliseconds);

    TNotifyEvent OnTimer;

private:
    void Update();
    static void CALLBACK Tick(HWND wnd, UINT msg, UINT_PTR id, DWORD time);

    bool FEnabled = true;
    UINT FInterval = 1000;
    UINT_PTR FId = 0; // the thread timer running, 0 when none
};
