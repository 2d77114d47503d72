#pragma once
// Common dialogs and questions. Each shows the platform's own dialog; tests replace the
// function that shows it.
#include "framework/Component.h"

#include <functional>
#include <optional>
#include <string>

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
    const std::wstring& FileName() const { return FFileName; }

    // Lets the user choose a file; false when the dialog is cancelled.
    bool Execute(HWND owner);

    // Shows the dialog; returns the chosen path, or nothing on cancel.
    static std::function<std::optional<std::wstring>(const TSaveDialog& dialog, HWND owner)> Show;

private:
    std::wstring FTitle, FFilter, FDefaultExt, FFileName;
};

// A question with the buttons Yes and No; true for Yes.
extern std::function<bool(HWND owner, const std::wstring& text, const std::wstring& caption)> AskYesNo;
