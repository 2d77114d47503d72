#pragma once
// Top-level windows owned by the application window.
#include "framework/WinControl.h"

#include <functional>

enum class TFormBorderStyle { bsNone, bsSizeable, bsDialog };
using enum TFormBorderStyle;
enum class TPosition { poDesigned, poScreenCenter };
using enum TPosition;
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
using enum TWindowState;
enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using enum TCloseAction;

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;

class TButton;
class TForm;
// The form a control sits on, or null.
TForm* GetParentForm(TControl* control);

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

class TForm : public TWinControl {
public:
    // Design values are applied by the derived constructor while the form is loading;
    // the application then calls AfterConstruction.
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Ends loading (each component is told), raises OnCreate, and shows the form if it is visible.
    void AfterConstruction();

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    int ClientWidth() const;
    void SetClientWidth(int width);
    int ClientHeight() const;
    void SetClientHeight(int height);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition position) { FPosition = position; }
    // The resolution the form's values are at: 96 while its design is applied, then the one of
    // the monitor it is on.
    int PixelsPerInch() const { return FPixelsPerInch; }
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);

    bool AlphaBlend() const { return FAlphaBlend; }
    void SetAlphaBlend(bool on);
    BYTE AlphaBlendValue() const { return FAlphaBlendValue; }
    void SetAlphaBlendValue(BYTE value);
    bool TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(bool on);
    TColor TransparentColorValue() const { return FTransparentColorValue; }
    void SetTransparentColorValue(TColor color);
    // Always on top of the windows that are not; kept by a re-created window.
    void SetStayOnTop(bool onTop);

    // While the form is created (its design and its creation handler), its window is made once,
    // with its final style, when something needs it or when the creation ends, rather than for
    // each component that acts on it: those wait for WM_CREATE.
    bool DefersHandle() override;

    void SetVisible(bool visible) override;
    void Show();
    void Hide();
    // Shows the form and disables the application's other windows until it closes, or until the
    // program ends (mrCancel then; a program that has ended shows no more modal forms).
    TModalResult ShowModal();
    bool Modal() const { return FModal; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult result) { FModalResult = result; }
    // Asks the form to close: OnCloseQuery, then OnClose decides what happens.
    void Close();
    bool CloseQuery();
    bool Active() const { return FActive; }
    // Runs the action of the form's action lists that answers to the key.
    bool IsShortCut(TShortCut shortcut) override;
    // The dialog keys of a form with a dialog border, seen by the message loop before the key is
    // translated: Tab and Shift+Tab move the focus along the tab stops, Enter presses the focused
    // push button or else the default one, Escape presses the cancel button or else closes the
    // form. A control that asks for the key through WM_GETDLGCODE gets it instead. True when used.
    bool DialogKey(MSG& msg);
    // The shown, enabled button marked Default (or Cancel), or null.
    TButton* DefaultButton() const;
    TButton* CancelButton() const;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnResize;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void WndProc(TMessage& message) override;
    // The client size scales with the design; the position is a place on the screen and stays.
    void ScaleBounds(int m, int d) override;
    void BeforeDestruction() override;
    void Resize() override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    // Applies the four layering values to the window with one call; under high contrast the
    // window is shown opaque and the values wait for the setting to go.
    void UpdateLayering();
    // The form and every control on it take the system's colours as they now are.
    void SystemColorsChanged() override;

    std::wstring FWindowClass = L"Quillpad.Form";

private:
    void ShowWindowNow();
    void HideWindowNow();
    void CenterOnScreen();
    // Gives the focus to a control as a dialog does, its text selected when it is an edit box.
    void FocusDialogControl(HWND control, bool selectText);
    // The child that had the focus when the form was deactivated, or the first tab stop.
    void RestoreDialogFocus();
    // Brings the design values to the resolution of the monitor the form is (or will be) on.
    void ScaleToMonitor();
    void DpiChanged(int pixelsPerInch, const RECT& suggested);
    bool IsMainForm() const;
    // Outer size minus client size for the current style.
    SIZE FrameSize() const;
    // The same from the style alone, at a resolution.
    SIZE FrameSizeAt(int pixelsPerInch) const;

    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    bool FAlphaBlend = false;
    BYTE FAlphaBlendValue = 255;
    bool FTransparentColor = false;
    TColor FTransparentColorValue = 0;
    bool FModal = false;
    TModalResult FModalResult = mrNone;
    bool FActive = false;
    bool FShowing = false;
    bool FCreating = false; // OnCreate runs: showing waits until it is done
    bool FHandleWanted = false; // a component waits for the window made after the creation
    bool FStayOnTop = false;
    SIZE FReportedSize{};
    HWND FFocusedChild = nullptr; // a dialog form's focus while it is inactive
    int FPixelsPerInch = kDesignPixelsPerInch;
    TScaleSource<TBox> FClientSource;
    bool FTakingSuggestedRect = false; // the system sized the window for the new resolution
};
