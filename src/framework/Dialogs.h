#pragma once
// Common dialogs and questions. Each shows the platform's own dialog; tests replace the
// function that shows it. The platform's dialog module is loaded when a dialog first opens.
#include "framework/Component.h"
#include "framework/Font.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

enum TSaveDialogOption : unsigned {
    sdOverwritePrompt = 1u << 0, // a file that exists is replaced only once the user says so
};
using TSaveDialogOptions = unsigned;

class TSaveDialog : public TComponent {
public:
    explicit TSaveDialog(TComponent* owner) : TComponent(owner) {}

    const std::wstring& Title() const { return FTitle; }
    void SetTitle(const std::wstring& title) { FTitle = title; }
    // Pairs of description and pattern, separated by "|".
    const std::wstring& Filter() const { return FFilter; }
    void SetFilter(const std::wstring& filter) { FFilter = filter; }
    // Added to a typed name that has no extension.
    const std::wstring& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::wstring& extension) { FDefaultExt = extension; }
    TSaveDialogOptions Options() const { return FOptions; }
    void SetOptions(TSaveDialogOptions options) { FOptions = options; }
    const std::wstring& FileName() const { return FFileName; }

    // Lets the user choose a file; false when the dialog is cancelled.
    bool Execute(HWND owner);

    // Shows the dialog; returns the chosen path, or nothing on cancel.
    static std::function<std::optional<std::wstring>(const TSaveDialog& dialog, HWND owner)> Show;

private:
    std::wstring FTitle, FFilter, FDefaultExt, FFileName;
    TSaveDialogOptions FOptions = 0;
};

enum TFontDialogOption : unsigned {
    fdEffects = 1u << 0,      // colour, underline and strike-out are offered
    fdTrueTypeOnly = 1u << 1, // only scalable TrueType faces are listed
};
using TFontDialogOptions = unsigned;

class TFontDialog : public TComponent {
public:
    explicit TFontDialog(TComponent* owner);

    // The dialog's own font: what it opens with, and what the user chose once it returns true.
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont& font) { FFont->Assign(font); }
    TFontDialogOptions Options() const { return FOptions; }
    void SetOptions(TFontDialogOptions options) { FOptions = options; }

    // Lets the user choose a font; on OK the dialog's font takes it (one change), on cancel it
    // stays as it was.
    bool Execute(HWND owner);

    // Shows the dialog starting from `dialog`'s font; fills `chosen` and returns true on OK.
    static std::function<bool(const TFontDialog& dialog, HWND owner, TFont& chosen)> Show;

private:
    std::unique_ptr<TFont> FFont;
    TFontDialogOptions FOptions = fdEffects;
};

enum TColorDialogOption : unsigned {
    cdFullOpen = 1u << 0,   // opens with the custom-colour part expanded
    cdSolidColor = 1u << 1, // only colours the screen shows without dithering
};
using TColorDialogOptions = unsigned;

class TColorDialog : public TComponent {
public:
    explicit TColorDialog(TComponent* owner);

    TColor Color() const { return FColor; }
    void SetColor(TColor color) { FColor = color; }
    TColorDialogOptions Options() const { return FOptions; }
    void SetOptions(TColorDialogOptions options) { FOptions = options; }
    // The sixteen colours the user can keep in the dialog; they last from one opening to the next.
    std::array<COLORREF, 16>& CustomColors() { return FCustomColors; }
    const std::array<COLORREF, 16>& CustomColors() const { return FCustomColors; }

    // Lets the user choose a colour; false when the dialog is cancelled. OnClose is raised once
    // the dialog has gone, whether it was accepted or cancelled.
    bool Execute(HWND owner);
    // Whether the last Execute ended with OK; already set when OnClose runs.
    bool Accepted() const { return FAccepted; }

    TNotifyEvent OnClose;

    // Shows the dialog starting from `dialog`'s colour; returns the chosen colour, or nothing on
    // cancel. It may change the custom colours.
    static std::function<std::optional<TColor>(TColorDialog& dialog, HWND owner)> Show;

private:
    TColor FColor = clBlack;
    TColorDialogOptions FOptions = 0;
    std::array<COLORREF, 16> FCustomColors;
    bool FAccepted = false;
};

// A question with the buttons Yes and No; true for Yes.
extern std::function<bool(HWND owner, const std::wstring& text, const std::wstring& caption)> AskYesNo;
