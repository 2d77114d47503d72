#include "framework/Dialogs.h"

#include <commdlg.h>

#include <vector>

std::function<std::optional<std::wstring>(const TSaveDialog&, HWND)> TSaveDialog::Show =
    [](const TSaveDialog& dialog, HWND owner) -> std::optional<std::wstring> {
    std::wstring filter = dialog.Filter();
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    filter += L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = dialog.Title().c_str();
    ofn.lpstrDefExt = dialog.DefaultExt().empty() ? nullptr : dialog.DefaultExt().c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&ofn)) return std::nullopt;
    return std::wstring(file.data());
};

bool TSaveDialog::Execute(HWND owner) {
    std::optional<std::wstring> chosen = Show(*this, owner);
    if (!chosen) return false;
    FFileName = *chosen;
    return true;
}

std::function<bool(HWND, const std::wstring&, const std::wstring&)> AskYesNo =
    [](HWND owner, const std::wstring& text, const std::wstring& caption) {
        return MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
    };
