#pragma once
// A message-driven timer of the user-interface thread.
#include "framework/Component.h"
#include "framework/Handles.h"

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
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    bool FEnabled = true;
    UINT FInterval = 1000;
    TWindowHandle FWindow;
};
