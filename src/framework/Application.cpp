#include "framework/Application.h"

#include "framework/Form.h"
#include "framework/Layered.h"
#include "framework/SystemError.h"
#include "framework/WindowClass.h"

TApplication* Application = nullptr;

namespace {

const wchar_t kAppClass[] = L"Quillpad.Application";

std::wstring ExecutableBaseName() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, n);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.find_last_of(L'.'));
}

} // namespace

HICON TApplication::LoadAppIcon(int size) {
    auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size,
                                              LR_DEFAULTCOLOR | LR_SHARED));
    return icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

TApplication::TApplication() : TComponent(nullptr), FTitle(ExecutableBaseName()) {
    FIcon = LoadAppIcon(GetSystemMetrics(SM_CXICON));
    FSmallIcon = LoadAppIcon(GetSystemMetrics(SM_CXSMICON));

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    // The window's icons: the taskbar and the task switcher take them from its class, so no
    // WM_SETICON has to be sent (each one costs the window system a conversion of the image).
    wc.hIcon = FIcon;
    wc.hIconSm = FSmallIcon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kAppClass;
    RegisterWindowClass(wc);

    // A zero-size window in the middle of the screen: it only carries the taskbar button.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    HWND wnd = CreateWindowExW(0, kAppClass, FTitle.c_str(),
                               WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0,
                               0, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!wnd) throw TError(L"Cannot create the application window. " + SystemErrorText(GetLastError()));
    if (!Application) Application = this;
}

TApplication::~TApplication() {
    MarkDestroying();
    DestroyForms();
    FHandle.Reset();
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    if (FInitialized) return;
    FInitialized = true;
    Layered::LookUp();
}

void TApplication::SetTitle(const std::wstring& title) {
    FTitle = title;
    SetWindowTextW(Handle(), title.c_str());
}

TForm* TApplication::Forms(size_t index) const {
    return dynamic_cast<TForm*>(Components(index));
}

void TApplication::FormCreated(TForm* form) {
    if (!FMainForm) FMainForm = form;
    form->AfterConstruction();
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::Run() {
    if (!FMainForm) return;
    if (FShowMainForm) FMainForm->SetVisible(true);
    while (!FTerminated)
        HandleMessage();
}

bool TApplication::HandleMessage() {
    MSG msg;
    if (!WaitForMessage(msg)) return true;
    if (msg.message == WM_QUIT) {
        FTerminated = true;
        return false;
    }
    Guarded(this, [&] { Dispatch(msg); });
    return true;
}

bool TApplication::WaitForMessage(MSG& msg) {
    if (FWaits.empty()) {
        // GetMessage returns 0 for WM_QUIT and -1 on failure: both end the loop.
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) msg.message = WM_QUIT;
        return true;
    }
    for (;;) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return true;
        std::vector<HANDLE> handles;
        for (const TWaitEntry& entry : FWaits)
            handles.push_back(entry.Handle);
        const DWORD count = static_cast<DWORD>(handles.size());
        const DWORD result =
            MsgWaitForMultipleObjectsEx(count, handles.data(), INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result >= WAIT_OBJECT_0 && result < WAIT_OBJECT_0 + count) {
            // The handler may add or remove waits while it runs.
            const std::function<void()> signalled = FWaits[result - WAIT_OBJECT_0].Signalled;
            Guarded(this, [&] { signalled(); });
            return false;
        }
        if (result == WAIT_FAILED) {
            // A handle closed under us: the loop must not spin on it, and its owner must know.
            std::vector<std::function<void()>> lost;
            std::erase_if(FWaits, [&](const TWaitEntry& e) {
                if (WaitForSingleObject(e.Handle, 0) != WAIT_FAILED) return false;
                if (e.Lost) lost.push_back(e.Lost);
                return true;
            });
            for (const std::function<void()>& told : lost)
                Guarded(this, [&] { told(); });
            if (!lost.empty()) return false;
        }
    }
}

int TApplication::AddWait(HANDLE handle, std::function<void()> signalled, std::function<void()> lost) {
    FWaits.push_back({FNextWaitId, handle, std::move(signalled), std::move(lost)});
    return FNextWaitId++;
}

void TApplication::RemoveWait(int waitId) {
    std::erase_if(FWaits, [waitId](const TWaitEntry& e) { return e.Id == waitId; });
}

bool TApplication::IsKeyMsg(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    TWinControl* control = TWinControl::FromHandle(msg.hwnd);
    return control && control->IsMenuKey(static_cast<WORD>(msg.wParam), KeyboardShiftState());
}

bool TApplication::IsDialogKey(MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    auto* form = dynamic_cast<TForm*>(TWinControl::FromHandle(GetAncestor(msg.hwnd, GA_ROOT)));
    return form && form->DialogKey(msg);
}

void TApplication::Dispatch(MSG& msg) {
    if (IsKeyMsg(msg) || IsDialogKey(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void TApplication::ProcessMessages() {
    // The handles first: a test or a busy moment that only ever drains the queue still sees them.
    for (size_t i = 0; i < FWaits.size(); ++i)
        if (WaitForSingleObject(FWaits[i].Handle, 0) == WAIT_OBJECT_0) {
            const std::function<void()> signalled = FWaits[i].Signalled;
            Guarded(this, [&] { signalled(); });
        }
    MSG msg;
    while (!FTerminated && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            FTerminated = true;
            break;
        }
        Guarded(this, [&] { Dispatch(msg); });
    }
}

void TApplication::Terminate() {
    PostQuitMessage(0);
    // A menu's own loop keeps the quit message waiting until the menu closes by hand.
    EndMenu();
}

void TApplication::EndSession() {
    if (IsDestroying()) return; // the loop has ended already and the forms are going
    // The session may end the process as soon as this message returns: the forms go now, as
    // they do after the loop (the note is saved, the tray icon removed). A menu, modal loop or
    // handler below this message on the stack would then run on into the windows destroyed
    // here, so the process ends from here instead of returning to them.
    MarkDestroying();
    DestroyForms();
    ExitProcess(0);
}

// The forms are owned by the application window, so they go and come back with it.
void TApplication::Minimize() {
    if (IsIconic(Handle())) return;
    ShowWindow(Handle(), SW_MINIMIZE);
    ShowOwnedPopups(Handle(), FALSE);
}

void TApplication::Restore() {
    if (!IsIconic(Handle())) return;
    ShowWindow(Handle(), SW_RESTORE);
    ShowOwnedPopups(Handle(), TRUE);
}

bool TApplication::IsMinimized() const {
    return IsIconic(Handle()) != FALSE;
}

void TApplication::BringToFront() {
    HWND popup = GetLastActivePopup(Handle());
    if (popup && popup != Handle() && IsWindowVisible(popup) && IsWindowEnabled(popup))
        SetForegroundWindow(popup);
}

bool TApplication::AnyFormShown(const TForm* except) const {
    for (size_t i = 0; i < FormCount(); ++i)
        if (TForm* form = Forms(i); form && form != except && form->Visible() && form->HandleAllocated())
            return true;
    return false;
}

void TApplication::FormShowing(TForm* form) {
    HWND wnd = Handle();
    if (IsWindowVisible(wnd) || AnyFormShown(form)) return;
    SetWindowPos(wnd, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
}

void TApplication::UpdateVisible() {
    HWND wnd = Handle();
    if (!AnyFormShown(nullptr) && IsWindowVisible(wnd) && !IsIconic(wnd)) ShowWindow(wnd, SW_HIDE);
}

int TApplication::HookMainWindow(TWindowHook hook) {
    FHooks.push_back({FNextHookId, std::move(hook)});
    return FNextHookId++;
}

void TApplication::UnhookMainWindow(int hookId) {
    std::erase_if(FHooks, [hookId](const THookEntry& e) { return e.Id == hookId; });
}

void TApplication::HandleException(TObject* sender, const std::wstring& message) {
    if (OnException) {
        OnException(sender, message);
        return;
    }
    MessageBoxW(nullptr, message.c_str(), FTitle.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

LRESULT CALLBACK TApplication::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<TApplication*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->FHandle.Reset(wnd);
        return DefWindowProcW(wnd, msg, wParam, lParam);
    }
    auto* self = reinterpret_cast<TApplication*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(wnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        self->FHandle.Release();
        return DefWindowProcW(wnd, msg, wParam, lParam);
    }

    TMessage message{msg, wParam, lParam, 0};
    Guarded(self, [&] {
        // Hooks may add or remove hooks while they run.
        std::vector<THookEntry> hooks = self->FHooks;
        for (THookEntry& entry : hooks)
            if (entry.Hook(message)) return;
        self->WndProc(message);
    });
    return message.Result;
}

void TApplication::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_SYSCOMMAND:
        switch (m.WParam & 0xFFF0) {
        case SC_MINIMIZE:
            Minimize();
            return;
        case SC_RESTORE:
            Restore();
            return;
        }
        break;
    case WM_CLOSE:
        if (FMainForm) FMainForm->Close();
        return;
    case WM_QUERYENDSESSION:
        m.Result = TRUE;
        return;
    case WM_ENDSESSION:
        if (m.WParam) EndSession();
        return;
    }
    m.Result = DefWindowProcW(Handle(), m.Msg, m.WParam, m.LParam);
}
