#include "about/ScrollThread.h"

#include "framework/Error.h"
#include "framework/SystemError.h"
#include "framework/WindowClass.h"

namespace {

constexpr UINT WM_SCROLLSTEP = WM_APP + 1;

TKernelHandle NewEvent(bool manualReset) {
    TKernelHandle event(CreateEventW(nullptr, manualReset, FALSE, nullptr));
    if (!event) throw TError(L"Cannot create the scrolling thread. " + SystemErrorText(GetLastError()));
    return event;
}

} // namespace

TScrollThread::TScrollThread() : FRunEvent(NewEvent(true)), FWakeEvent(NewEvent(true)) {}

TScrollThread::~TScrollThread() {
    OnStep = nullptr;
    FTerminated.store(true);
    SetEvent(FWakeEvent.Get());
    SetEvent(FRunEvent.Get());
    if (FThread) {
        HANDLE thread = FThread.Get();
        // A step the worker is handing over arrives as a sent message: serve it (it does nothing
        // now) or the worker never gets back to see the stop request.
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    SetWindowLongPtrW(FHandOffWindow.Get(), GWLP_USERDATA, 0);
}

void TScrollThread::Resume() {
    // Made here, on the user-interface thread, when the first step can come.
    if (!FHandOffWindow)
        FHandOffWindow.Reset(
            CreateUtilityWindow(L"Quillpad.ScrollThread", HandOffProc, HWND_MESSAGE, 0, 0, this));
    FRunning = true;
    if (!SetEvent(FRunEvent.Get()))
        throw TError(L"Cannot resume the scrolling thread. " + SystemErrorText(GetLastError()));
    if (FThread) return;
    FThread.Reset(CreateThread(nullptr, 0, ThreadEntry, this, 0, nullptr));
    if (!FThread) {
        FRunning = false;
        throw TError(L"Cannot create the scrolling thread. " + SystemErrorText(GetLastError()));
    }
}

void TScrollThread::Suspend() {
    FRunning = false;
    if (!ResetEvent(FRunEvent.Get()))
        throw TError(L"Cannot pause the scrolling thread. " + SystemErrorText(GetLastError()));
}

DWORD WINAPI TScrollThread::ThreadEntry(void* self) {
    try {
        static_cast<TScrollThread*>(self)->Execute();
    } catch (...) {
        // Nothing to report to from here; the control goes on without motion.
    }
    return 0;
}

void TScrollThread::Execute() {
    while (!FTerminated.load()) {
        WaitForSingleObject(FRunEvent.Get(), INFINITE);
        if (FTerminated.load()) break;
        WaitForSingleObject(FWakeEvent.Get(), FStepDelay.load());
        if (FTerminated.load()) break;
        // Paused during the sleep: no new step.
        if (WaitForSingleObject(FRunEvent.Get(), 0) != WAIT_OBJECT_0) continue;
        SendMessageW(FHandOffWindow.Get(), WM_SCROLLSTEP, 0, 0);
    }
}

void TScrollThread::RunStep() {
    if (FTerminated.load() || !FRunning || !OnStep) return;
    ++FStepsRun;
    OnStep(this);
}

LRESULT CALLBACK TScrollThread::HandOffProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SCROLLSTEP) {
        if (auto* self = reinterpret_cast<TScrollThread*>(GetWindowLongPtrW(wnd, GWLP_USERDATA)))
            Guarded(self, [&] { self->RunStep(); });
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}
