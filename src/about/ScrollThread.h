#pragma once
// The scrolling text's worker: it sleeps StepDelay, then hands one step to the user-interface
// thread and waits until that step has run there. Its stop request and delay are single atomic
// values; nothing else is shared, so no lock is taken.
#include "framework/Handles.h"
#include "framework/Types.h"

#include <atomic>
#include <cstdint>

class TScrollThread : public TObject {
public:
    // Created paused: the system thread starts at the first Resume.
    TScrollThread();
    // Requests the stop, wakes the worker and waits for its end while still serving a step it
    // is handing over, so the two threads never wait for each other.
    ~TScrollThread() override;
    TScrollThread(const TScrollThread&) = delete;
    TScrollThread& operator=(const TScrollThread&) = delete;

    std::uint32_t StepDelay() const { return FStepDelay.load(); }
    void SetStepDelay(std::uint32_t milliseconds) { FStepDelay.store(milliseconds); }

    // Both return at once; Suspend may be called from inside a step.
    void Resume();
    void Suspend();
    bool Suspended() const { return !FRunning; }
    bool Terminated() const { return FTerminated.load(); }

    // Runs on the user-interface thread for each step; empty means no step is made.
    TNotifyEvent OnStep;

    // Steps handed over and run, for measurements.
    unsigned StepsRun() const { return FStepsRun; }

private:
    static DWORD WINAPI ThreadEntry(void* self);
    void Execute();
    void RunStep();
    static LRESULT CALLBACK HandOffProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    std::atomic<bool> FTerminated{false};
    std::atomic<std::uint32_t> FStepDelay{50};
    bool FRunning = false; // user-interface thread only
    unsigned FStepsRun = 0;
    TKernelHandle FRunEvent;  // set while running, cleared while paused
    TKernelHandle FWakeEvent; // ends a sleep early at the stop request
    TKernelHandle FThread;
    TWindowHandle FHandOffWindow;
};
