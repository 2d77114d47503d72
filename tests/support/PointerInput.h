#pragma once
#include "framework/Application.h"

#include <windows.h>

#include <chrono>
#include <thread>

// Real pointer input, as a person's mouse gives it, at a screen position.
void SendPointerMove(POINT screen);
void SendLeftClick(POINT screen);
void SendLeftDoubleClick(POINT screen);

// Dispatches messages until `done` holds or the deadline passes; returns `done()`.
template <class F> bool PumpUntil(TApplication& app, F done, int milliseconds = 3000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        app.ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
