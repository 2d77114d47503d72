#pragma once
// One icon in the notification area: mouse actions on it become events, it pops up its menus,
// and it can send the application to the tray and bring it back.
#include "framework/Component.h"
#include "framework/Graphics.h"
#include "framework/Handles.h"
#include "framework/Menus.h"
#include "framework/Timer.h"

#include <shellapi.h>

#include <functional>
#include <memory>
#include <string>

enum TTrayVisibility : unsigned {
    tvVisibleTaskBar = 1u << 0,
    tvVisibleTaskList = 1u << 1,
    tvAutoHide = 1u << 2,
    tvVisibleDesign = 1u << 3,
    tvRestoreClick = 1u << 4,
    tvRestoreDbClick = 1u << 5,
    tvMinimizeClick = 1u << 6,
    tvMinimizeDbClick = 1u << 7,
};
using TTrayVisibilities = BYTE;

using TAnimateEvent = std::function<void(TObject* sender, int imageIndex)>;

// The icon shown in a balloon.
enum class TBalloonKind { bkNone, bkError, bkInformation, bkWarning };
using enum TBalloonKind;

class TTrayIcon : public TComponent {
public:
    // The callback message the shell posts to the notification window.
    static constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
    static constexpr UINT kIconId = 1;
    static constexpr size_t kTipLength = 127;
    static constexpr size_t kBalloonTitleLength = 63;
    static constexpr size_t kBalloonTextLength = 255;
    // A shell that is still starting (at log-on) refuses an add or lets it time out: the add is
    // tried again at this interval, this many times (about a minute), and again whenever the
    // taskbar announces that it has been (re)created.
    static constexpr UINT kAddRetryInterval = 2000;
    static constexpr int kAddRetries = 30;

    explicit TTrayIcon(TComponent* owner);
    ~TTrayIcon() override;

    bool Active() const { return FActive; }
    void SetActive(bool active);
    bool Animated() const { return FAnimated; }
    // Cycles the icon through Icons, one image per Delay.
    void SetAnimated(bool animated);
    TIcon* Icon() const { return FIcon.get(); }
    void SetIcon(HICON icon);
    int IconIndex() const { return FIconIndex; }
    void SetIconIndex(int index);
    TImageList* Icons() const { return FIcons; }
    void SetIcons(TImageList* icons) { FIcons = icons; }
    const std::wstring& Hint() const { return FHint; }
    void SetHint(const std::wstring& hint);
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* menu) { FDropDownMenu = menu; }
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu) { FPopupMenu = menu; }
    DWORD Delay() const { return FDelay; }
    void SetDelay(DWORD delay);
    bool Snap() const { return FSnap; }
    void SetSnap(bool snap) { FSnap = snap; }
    TTrayVisibilities Visibility() const { return FVisibility; }
    void SetVisibility(TTrayVisibilities visibility);

    // Minimises the application and takes its button off the taskbar.
    void HideToTray();
    // Shows the application window again, restores the application and shows the main form.
    void RestoreFromTray();
    // A balloon above the icon (a new shell only); empty texts, no kind and 5000 hide it.
    void ShowBalloon(const std::wstring& title, const std::wstring& text, TBalloonKind kind, int timeout);
    void HideBalloon() { ShowBalloon(L"", L"", bkNone, 5000); }

    // The hidden window the shell posts the icon's notifications to.
    HWND NotifyWindow() const { return FNotifyWindow.Get(); }
    // The record sent with every shell call.
    const NOTIFYICONDATAW& Record() const { return FData; }
    bool ApplicationVisible() const { return FApplicationVisible; }
    bool TaskListVisible() const { return FTaskListVisible; }
    // The timer that steps the animation; there is none while Animated is off.
    TTimer* AnimationTimer() const { return FAnimationTimer; }
    // The shell has taken the icon (as far as the component knows).
    bool IconAdded() const { return FIconAdded; }
    // The timer that tries a refused add again; made at the first refusal, enabled while retrying.
    TTimer* AddRetryTimer() const { return FAddRetryTimer; }

    // Every call to the shell goes through here; tests watch the records on their way.
    static std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)> ShellNotifyIcon;
    // A shell of version 5 or later takes the larger record, balloons and NIM_SETVERSION.
    static bool IsNewShell();
    // The shell version test as the component asks it; replaceable so tests can play an old shell.
    static std::function<bool()> ShellIsNew;
    // Local date and time in 100-ns units, for the balloon's time-out; replaceable in tests.
    static std::function<ULONGLONG()> LocalClock;
    // The part of a hint before its first "|", cut to what the tip holds.
    static std::wstring ShortHint(const std::wstring& hint);

    TAnimateEvent OnAnimate;
    TMouseEvent OnClick;
    TMouseEvent OnDblClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnBalloonShow;
    TNotifyEvent OnBalloonHide;
    TNotifyEvent OnBalloonClick;

protected:
    // An owned timer freed with the component's children is forgotten here.
    void Notification(TComponent* component, TOperation operation) override;

private:
    void AddIcon();
    void RetryAdd();
    void StopAddRetries();
    void IconChanged();
    void ShellRestartCheck();
    void SetTip(const std::wstring& hint);
    void TaskListStep(bool visible);
    void ApplicationVisibilityStep(bool visible);
    LRESULT HandleNotification(LPARAM code);
    void MouseMoved(TShiftState shift, POINT at);
    void ButtonDown(TMouseButton button, TShiftState shift, POINT at);
    void ButtonUp(TMouseButton button, TShiftState shift, POINT at);
    void DoubleClick(TMouseButton button, TShiftState shift, POINT at);
    void ShowMenu(TPopupMenu* menu, POINT at);
    void AnimationStep();
    void BalloonTimedOut();
    // Runs a balloon event; what it throws is dropped: the shell only waits for the answer.
    void RaiseQuietly(const TNotifyEvent& event);
    static LRESULT CALLBACK NotifyWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    bool FActive = false;
    bool FAnimated = false;
    std::unique_ptr<TIcon> FIcon;
    int FIconIndex = 0;
    TImageList* FIcons = nullptr;
    std::wstring FHint;
    TPopupMenu* FDropDownMenu = nullptr;
    TPopupMenu* FPopupMenu = nullptr;
    DWORD FDelay = 100;
    bool FSnap = false;
    TTrayVisibilities FVisibility = tvVisibleTaskBar | tvVisibleTaskList | tvAutoHide;

    TWindowHandle FNotifyWindow;
    NOTIFYICONDATAW FData{};
    bool FApplicationVisible = true;
    bool FTaskListVisible = true;
    HWND FTrayWindow = nullptr;
    bool FIconAdded = false; // the shell took the last add and no delete has followed
    bool FAddingIcon = false; // the application's icon is being copied in by an activation
    std::wstring FLastShownHint;
    TTimer* FAnimationTimer = nullptr; // owned
    TTimer* FAddRetryTimer = nullptr; // owned
    int FAddRetriesLeft = 0;
    ULONGLONG FBalloonStart = 0;
    int FBalloonTimeout = 0; // whole seconds
    UINT FTaskbarCreated = 0;
    int FHookId = 0;
    TModuleHandle FKernel;
    using TRegisterServiceProcess = DWORD(WINAPI*)(DWORD processId, DWORD type);
    TRegisterServiceProcess FRegisterServiceProcess = nullptr;
};
