#include "components/TrayIcon.h"

#include "framework/Application.h"
#include "framework/Error.h"
#include "framework/Form.h"
#include "framework/WindowClass.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const wchar_t kNotifyClass[] = L"Quillpad.TrayNotify";
const wchar_t kTrayClass[] = L"Shell_TrayWnd";

// Notification codes of the shell's callback message.
constexpr LPARAM kKeySelect = NIN_KEYSELECT;
constexpr LPARAM kBalloonHide = NIN_BALLOONHIDE;
constexpr LPARAM kBalloonTimeout = NIN_BALLOONTIMEOUT;
constexpr LPARAM kBalloonUserClick = NIN_BALLOONUSERCLICK;

} // namespace

std::function<BOOL(DWORD, NOTIFYICONDATAW*)> TTrayIcon::ShellNotifyIcon = [](DWORD message,
                                                                            NOTIFYICONDATAW* data) {
    return Shell_NotifyIconW(message, data);
};

std::function<bool()> TTrayIcon::ShellIsNew = [] { return IsNewShell(); };

std::function<ULONGLONG()> TTrayIcon::LocalClock = [] {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME time{};
    SystemTimeToFileTime(&now, &time);
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
};

bool TTrayIcon::IsNewShell() {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(L"shell32.dll", &ignored);
    if (size == 0) return false;
    std::vector<BYTE> buffer(size);
    if (!GetFileVersionInfoW(L"shell32.dll", 0, size, buffer.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info) return false;
    return HIWORD(info->dwFileVersionMS) >= 5;
}

std::wstring TTrayIcon::ShortHint(const std::wstring& hint) {
    std::wstring tip = hint.substr(0, hint.find(L'|'));
    if (tip.size() > kTipLength) tip.resize(kTipLength);
    return tip;
}

TTrayIcon::TTrayIcon(TComponent* owner) : TComponent(owner), FIcon(std::make_unique<TIcon>()) {
    FIcon->OnChange = [this](TObject*) { IconChanged(); };
    FNotifyWindow.Reset(CreateUtilityWindow(kNotifyClass, NotifyWndProc, nullptr, WS_EX_TOOLWINDOW, WS_POPUP, this));
    FTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");

    if (IsDesigning()) return;
    FKernel.Reset(LoadLibraryW(L"KERNEL32.DLL"));
    if (FKernel)
        FRegisterServiceProcess = reinterpret_cast<TRegisterServiceProcess>(
            reinterpret_cast<void*>(GetProcAddress(FKernel.Get(), "RegisterServiceProcess")));
    if (Application)
        FHookId = Application->HookMainWindow([this](TMessage& m) {
            // Minimising the application sends it to the tray; the minimising itself goes on.
            if (m.Msg == WM_SYSCOMMAND && m.WParam == SC_MINIMIZE && (FVisibility & tvAutoHide) && FActive)
                ApplicationVisibilityStep(false);
            return false;
        });
}

TTrayIcon::~TTrayIcon() {
    if (!(Application && Application->IsDestroying())) TaskListStep(false);
    // Removed in every case: a hook left behind would call into a destroyed component.
    if (Application && FHookId) Application->UnhookMainWindow(FHookId);
    if (FAnimationTimer) TComponent::Free(std::exchange(FAnimationTimer, nullptr));
    if (FAddRetryTimer) TComponent::Free(std::exchange(FAddRetryTimer, nullptr));
    SetActive(false);
    SetWindowLongPtrW(FNotifyWindow.Get(), GWLP_USERDATA, 0);
    FNotifyWindow.Reset();
}

void TTrayIcon::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FAnimationTimer) FAnimationTimer = nullptr;
    if (component == FAddRetryTimer) FAddRetryTimer = nullptr;
}

void TTrayIcon::SetActive(bool active) {
    FActive = active;
    if (!active || (IsDesigning() && !(FVisibility & tvVisibleDesign))) {
        FIconAdded = false;
        StopAddRetries();
        ShellNotifyIcon(NIM_DELETE, &FData);
        return;
    }
    // Re-applied while the icon is in this taskbar's area (the design's Visibility does so at
    // every start): the shell would refuse a second add of the same icon, so none is sent.
    if (FIconAdded && FindWindowW(kTrayClass, nullptr) == FTrayWindow) return;
    AddIcon();
}

void TTrayIcon::AddIcon() {
    if (FIcon->Empty() && Application) {
        // The add below carries the image: the copy must not modify, nor re-add through the
        // restart check, an icon that is not in the notification area yet.
        FAddingIcon = true;
        FIcon->AssignShared(Application->SmallIcon());
        FAddingIcon = false;
    }
    const bool newShell = ShellIsNew();
    FData.cbSize = newShell ? NOTIFYICONDATAW_V2_SIZE : NOTIFYICONDATAW_V1_SIZE;
    if (newShell) FData.uVersion = NOTIFYICON_VERSION;
    FData.hWnd = FNotifyWindow.Get();
    FData.uID = kIconId;
    FData.uCallbackMessage = WM_TRAYNOTIFY;
    FData.hIcon = FIcon->Handle();
    SetTip(FHint);
    FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    FIconAdded = ShellNotifyIcon(NIM_ADD, &FData) != FALSE;
    if (FIconAdded && newShell) ShellNotifyIcon(NIM_SETVERSION, &FData);
    FTrayWindow = FindWindowW(kTrayClass, nullptr);
    if (FIconAdded) {
        StopAddRetries();
        return;
    }
    // Refused: tried again on a timer. A retry's own refusal keeps the count it has.
    if (FAddRetryTimer && FAddRetryTimer->Enabled()) return;
    if (!FAddRetryTimer) {
        FAddRetryTimer = new TTimer(this);
        FAddRetryTimer->SetEnabled(false);
        FAddRetryTimer->SetInterval(kAddRetryInterval);
        FAddRetryTimer->OnTimer = [this](TObject*) { RetryAdd(); };
    }
    FAddRetriesLeft = kAddRetries;
    FAddRetryTimer->SetEnabled(true);
}

void TTrayIcon::RetryAdd() {
    if (!FActive || FIconAdded || FAddRetriesLeft <= 0) {
        StopAddRetries();
        return;
    }
    --FAddRetriesLeft;
    // An add that timed out may have reached the shell all the same; then a second add would be
    // refused for good, while a modify finds the icon.
    FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (ShellNotifyIcon(NIM_MODIFY, &FData)) {
        FIconAdded = true;
        if (FData.cbSize == NOTIFYICONDATAW_V2_SIZE)
            ShellNotifyIcon(NIM_SETVERSION, &FData); // a new shell's record
        StopAddRetries();
        return;
    }
    AddIcon();
    if (!FIconAdded && FAddRetriesLeft <= 0) StopAddRetries(); // the taskbar's restart message remains
}

void TTrayIcon::StopAddRetries() {
    if (FAddRetryTimer) FAddRetryTimer->SetEnabled(false);
}

void TTrayIcon::SetTip(const std::wstring& hint) {
    std::wstring tip = ShortHint(hint);
    std::fill(std::begin(FData.szTip), std::end(FData.szTip), L'\0');
    tip.copy(FData.szTip, kTipLength);
}

void TTrayIcon::ShellRestartCheck() {
    if (!FActive) return;
    HWND tray = FindWindowW(kTrayClass, nullptr);
    if (tray == FTrayWindow) return;
    FTrayWindow = tray;
    SetActive(false);
    SetActive(true);
}

void TTrayIcon::IconChanged() {
    if (FAddingIcon) return;
    ShellRestartCheck();
    FData.hIcon = FIcon->Handle();
    if (FActive) ShellNotifyIcon(NIM_MODIFY, &FData);
}

void TTrayIcon::SetIcon(HICON icon) {
    // The copy's change notification runs the restart check and sends the one modify.
    FIcon->Assign(icon);
}

void TTrayIcon::SetIconIndex(int index) {
    FIconIndex = index;
    if (FIcons && index >= 0 && index < FIcons->Count()) {
        FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        TIconHandle image = FIcons->GetIcon(index);
        SetIcon(image.Get());
        return;
    }
    FIconIndex = -1;
}

void TTrayIcon::SetAnimated(bool animated) {
    FAnimated = animated;
    if (IsDesigning() && !(FVisibility & tvVisibleDesign)) return;
    if (!animated) {
        if (FAnimationTimer) TComponent::Free(std::exchange(FAnimationTimer, nullptr));
        return;
    }
    if (!FAnimationTimer) {
        FAnimationTimer = new TTimer(this);
        FAnimationTimer->SetInterval(FDelay);
        FAnimationTimer->OnTimer = [this](TObject*) { AnimationStep(); };
    }
    FAnimationTimer->SetEnabled(true);
}

void TTrayIcon::SetDelay(DWORD delay) {
    FDelay = delay;
    if (FAnimationTimer) FAnimationTimer->SetInterval(delay);
}

void TTrayIcon::AnimationStep() {
    // A list emptied after an image was picked has no next image: the icon stays as it is.
    if (!FActive || !FIcons || FIcons->Count() <= 0) return;
    SetIconIndex(FIconIndex < 0 ? 0 : (FIconIndex + 1) % FIcons->Count());
    if (OnAnimate) OnAnimate(this, FIconIndex);
}

void TTrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& text, TBalloonKind kind, int timeout) {
    if (!ShellIsNew()) return;
    FBalloonStart = LocalClock();
    FBalloonTimeout = timeout / 1000;
    std::fill(std::begin(FData.szInfoTitle), std::end(FData.szInfoTitle), L'\0');
    std::fill(std::begin(FData.szInfo), std::end(FData.szInfo), L'\0');
    title.copy(FData.szInfoTitle, kBalloonTitleLength);
    text.copy(FData.szInfo, kBalloonTextLength);
    FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    FData.uTimeout = static_cast<UINT>(timeout);
    switch (kind) {
    case bkNone: FData.dwInfoFlags = NIIF_NONE; break;
    case bkError: FData.dwInfoFlags = NIIF_ERROR; break;
    case bkInformation: FData.dwInfoFlags = NIIF_INFO; break;
    case bkWarning: FData.dwInfoFlags = NIIF_WARNING; break;
    }
    ShellNotifyIcon(NIM_MODIFY, &FData);
    if (OnBalloonShow) OnBalloonShow(this);
}

void TTrayIcon::BalloonTimedOut() {
    const ULONGLONG now = LocalClock();
    const ULONGLONG distance = now > FBalloonStart ? now - FBalloonStart : FBalloonStart - now;
    // The shell may report the time-out before the balloon's own has passed: then it stays.
    if (static_cast<long long>(distance / 10'000'000) > FBalloonTimeout) HideBalloon();
}

void TTrayIcon::RaiseQuietly(const TNotifyEvent& event) {
    try {
        if (event) event(this);
    } catch (...) {
    }
}

void TTrayIcon::SetHint(const std::wstring& hint) {
    ShellRestartCheck();
    if (ShellIsNew()) {
        FHint = hint;
        return;
    }
    // An old shell shows one line only.
    FHint.clear();
    for (size_t i = 0; i < hint.size(); ++i) {
        if (hint[i] == L'\r' && i + 1 < hint.size() && hint[i + 1] == L'\n') {
            FHint += L" - ";
            ++i;
        } else {
            FHint += hint[i];
        }
    }
}

void TTrayIcon::SetVisibility(TTrayVisibilities visibility) {
    FVisibility = visibility;
    TaskListStep((visibility & tvVisibleTaskList) != 0);
    ApplicationVisibilityStep((visibility & tvVisibleTaskBar) != 0);
    SetActive(FActive);
    SetAnimated(FAnimated);
}

void TTrayIcon::TaskListStep(bool visible) {
    if (visible == FTaskListVisible) return;
    FTaskListVisible = visible;
    if (!IsDesigning() && FRegisterServiceProcess) FRegisterServiceProcess(GetCurrentProcessId(), visible ? 0 : 1);
}

void TTrayIcon::ApplicationVisibilityStep(bool visible) {
    FApplicationVisible = visible;
    const bool loading = Owner() && Owner()->IsLoading();
    if (loading && !IsDesigning() && Application) Application->SetShowMainForm(visible);
    if (IsDesigning() || loading) return;
    if (visible)
        RestoreFromTray();
    else
        HideToTray();
}

void TTrayIcon::HideToTray() {
    if (!Application) return;
    TForm* main = Application->MainForm();
    if (main && main->WindowState() != wsMinimized) {
        if (FSnap) main->Hide();
        Application->Minimize();
    }
    ShowWindow(Application->Handle(), SW_HIDE);
}

void TTrayIcon::RestoreFromTray() {
    if (!Application) return;
    ShowWindow(Application->Handle(), SW_SHOW);
    Application->Restore();
    if (TForm* main = Application->MainForm()) main->SetVisible(true);
}

LRESULT CALLBACK TTrayIcon::NotifyWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TTrayIcon*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(wnd, msg, wParam, lParam);
    if (msg == WM_TRAYNOTIFY) {
        LRESULT result = 0;
        Guarded(self, [&] { result = self->HandleNotification(lParam); });
        return result;
    }
    // A restarted taskbar has forgotten every icon: add ours again.
    if (msg == self->FTaskbarCreated && self->FTaskbarCreated != 0) {
        Guarded(self, [&] {
            // The icon went with the old taskbar, whatever window the new one has.
            self->FIconAdded = false;
            if (self->FActive) self->SetActive(true);
        });
        return 0;
    }
    return DefWindowProcW(wnd, msg, wParam, lParam);
}

LRESULT TTrayIcon::HandleNotification(LPARAM code) {
    POINT at{};
    GetCursorPos(&at);
    const TShiftState shift = KeyboardShiftState();
    switch (code) {
    case WM_MOUSEMOVE: MouseMoved(shift, at); break;
    case WM_LBUTTONDOWN: ButtonDown(mbLeft, shift, at); break;
    case WM_RBUTTONDOWN: ButtonDown(mbRight, shift, at); break;
    case WM_MBUTTONDOWN: ButtonDown(mbMiddle, shift, at); break;
    case WM_LBUTTONUP: ButtonUp(mbLeft, shift, at); break;
    case WM_RBUTTONUP: ButtonUp(mbRight, shift, at); break;
    case WM_MBUTTONUP: ButtonUp(mbMiddle, shift, at); break;
    case WM_LBUTTONDBLCLK: DoubleClick(mbLeft, shift, at); break;
    case WM_RBUTTONDBLCLK: DoubleClick(mbRight, shift, at); break;
    case WM_MBUTTONDBLCLK: DoubleClick(mbMiddle, shift, at); break;
    case kKeySelect: ButtonUp(mbRight, shift, at); break; // the keyboard opens the menu
    case kBalloonHide: RaiseQuietly(OnBalloonHide); return 1;
    case kBalloonTimeout: BalloonTimedOut(); return 1;
    case kBalloonUserClick:
        RaiseQuietly(OnBalloonClick);
        HideBalloon();
        return 1;
    }
    return 0;
}

void TTrayIcon::MouseMoved(TShiftState shift, POINT at) {
    if (FHint != FLastShownHint) {
        FLastShownHint = FHint;
        SetTip(FHint);
        FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        if (FActive) ShellNotifyIcon(NIM_MODIFY, &FData);
    }
    if (OnMouseMove) OnMouseMove(this, shift, at.x, at.y);
}

void TTrayIcon::ButtonDown(TMouseButton button, TShiftState shift, POINT at) {
    if (OnMouseDown) OnMouseDown(this, button, shift, at.x, at.y);
    if (button == mbLeft && FDropDownMenu) ShowMenu(FDropDownMenu, at);
}

void TTrayIcon::ButtonUp(TMouseButton button, TShiftState shift, POINT at) {
    if (button == mbRight && FPopupMenu) {
        ShowMenu(FPopupMenu, at);
    } else if (button == mbLeft) {
        if (!FApplicationVisible && (FVisibility & tvRestoreClick))
            SetVisibility(FVisibility | tvVisibleTaskBar);
        else if (FApplicationVisible && (FVisibility & tvMinimizeClick))
            SetVisibility(FVisibility & ~tvVisibleTaskBar);
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, at.x, at.y);
    if (OnClick) OnClick(this, button, shift, at.x, at.y);
}

void TTrayIcon::DoubleClick(TMouseButton button, TShiftState shift, POINT at) {
    if (OnDblClick) {
        OnDblClick(this, button, shift, at.x, at.y);
        return;
    }
    if (button != mbLeft) return;
    if (FPopupMenu)
        if (TMenuItem* item = FPopupMenu->Items()->DefaultItem()) item->Click();
    if (FApplicationVisible && (FVisibility & tvMinimizeDbClick))
        SetVisibility(FVisibility & ~tvVisibleTaskBar);
    else if (!FApplicationVisible && (FVisibility & tvRestoreDbClick))
        SetVisibility(FVisibility | tvVisibleTaskBar);
}

void TTrayIcon::ShowMenu(TPopupMenu* menu, POINT at) {
    // The menu only closes on a click elsewhere if its owner is the foreground window.
    SetForegroundWindow(FNotifyWindow.Get());
    menu->Popup(at.x, at.y, FNotifyWindow.Get());
    PostMessageW(FNotifyWindow.Get(), WM_NULL, 0, 0);
}
