#pragma once
// The application object: the program's title, its own hidden top-level window (which owns every
// form and carries the taskbar button), its forms, the message loop and the error reporter.
#include "framework/Component.h"
#include "framework/Error.h"
#include "framework/Handles.h"

#include <functional>
#include <string>
#include <vector>

class TForm;

// Sees a message of the application window before its own handling; true means handled.
using TWindowHook = std::function<bool(TMessage& message)>;
using TExceptionEvent = std::function<void(TObject* sender, const std::wstring& message)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    void Initialize();

    const std::wstring& Title() const { return FTitle; }
    void SetTitle(const std::wstring& title);
    HWND Handle() const { return FHandle.Get(); }
    // Both loaded shared: they last as long as the process.
    HICON Icon() const { return FIcon; }
    HICON SmallIcon() const { return FSmallIcon; }
    static HICON LoadAppIcon(int size);

    // Creates a form owned by the application; the first one becomes the main form. A failure
    // while the form is built is reported and the program goes on.
    template <class T> void CreateForm(T*& reference) {
        try {
            T* form = new T(this);
            reference = form;
            FormCreated(form);
        } catch (...) {
            ReportCurrentException(this);
        }
    }
    TForm* MainForm() const { return FMainForm; }
    size_t FormCount() const { return ComponentCount(); }
    TForm* Forms(size_t index) const;
    // Destroys the forms, last created first.
    void DestroyForms() { DestroyComponents(); }

    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool show) { FShowMainForm = show; }

    // Runs the message loop until a quit message arrives.
    void Run();
    // Takes and dispatches one message, waiting for it, or runs the handler of one waited-on
    // handle that was signalled first; false once the quit message has come.
    bool HandleMessage();
    // Dispatches the messages already waiting, without blocking.
    void ProcessMessages();
    // Asks the loop to end after the messages already queued; modal forms, message boxes,
    // common dialogs and menus open at the time end with it.
    void Terminate();
    bool Terminated() const { return FTerminated; }

    void Minimize();
    void Restore();
    bool IsMinimized() const;
    // Makes the last active pop-up of the application the foreground window.
    void BringToFront();
    // A form is about to show: the first form on screen brings the application window (its
    // taskbar button) back. A form shown beside others leaves it as they have it, since a form
    // may hide it on purpose (the note and its dialogs do).
    void FormShowing(TForm* form);
    // A form was hidden: the application window goes when no form is left on screen. It never
    // comes back here, or closing a dialog would undo a form's hiding of it.
    void UpdateVisible();

    int HintPause() const { return FHintPause; }
    void SetHintPause(int milliseconds) { FHintPause = milliseconds; }
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor color) { FHintColor = color; }

    // Runs `signalled` from the loop whenever `handle` is signalled (a change notification, an
    // event): the one thread waits on it together with its messages. The handle stays the
    // caller's; remove the wait before closing it. A handle the system can no longer wait on is
    // dropped, and `lost` says so.
    int AddWait(HANDLE handle, std::function<void()> signalled, std::function<void()> lost = {});
    void RemoveWait(int waitId);

    int HookMainWindow(TWindowHook hook);
    void UnhookMainWindow(int hookId);

    // Reports an error: through OnException when assigned (tests collect them there),
    // otherwise in an error box captioned with the title.
    void HandleException(TObject* sender, const std::wstring& message);
    TExceptionEvent OnException;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void FormCreated(TForm* form);
    // The session is ending: shuts down at once and ends the process.
    void EndSession();
    bool AnyFormShown(const TForm* except) const;
    // A key that a control's menus or its window's shortcuts take is not translated or dispatched.
    static bool IsKeyMsg(const MSG& msg);
    // Tab, Enter and Escape in a dialog form move the focus, press the default button or close,
    // unless the focused control asks for them (WM_GETDLGCODE).
    static bool IsDialogKey(MSG& msg);
    static void Dispatch(MSG& msg);
    void WndProc(TMessage& message);
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    std::wstring FTitle;
    TWindowHandle FHandle;
    HICON FIcon = nullptr;
    HICON FSmallIcon = nullptr;
    TForm* FMainForm = nullptr;
    bool FShowMainForm = true;
    bool FTerminated = false;
    bool FInitialized = false;
    int FHintPause = 500;
    TColor FHintColor = clInfoBk;
    struct THookEntry {
        int Id;
        TWindowHook Hook;
    };
    std::vector<THookEntry> FHooks;
    int FNextHookId = 1;
    struct TWaitEntry {
        int Id;
        HANDLE Handle;
        std::function<void()> Signalled;
        std::function<void()> Lost;
    };
    std::vector<TWaitEntry> FWaits;
    int FNextWaitId = 1;
    // Waits for a message or a handle; true with a message in `msg`, false after a handle's
    // handler ran.
    bool WaitForMessage(MSG& msg);
};

// The one application object of the process, while it exists.
extern TApplication* Application;
