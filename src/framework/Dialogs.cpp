#include "framework/Dialogs.h"

#include "framework/Dpi.h"
#include "framework/Error.h"

#include <commdlg.h>

#include <cstdio>
#include <vector>

namespace {

// The dialog module is not needed to start the note: it is loaded when a dialog first opens and
// stays for the process's life.
template <class F> F CommonDialogCall(const char* name) {
    static HMODULE module = LoadLibraryW(L"comdlg32.dll");
    FARPROC entry = module ? GetProcAddress(module, name) : nullptr;
    if (!entry) throw TError(L"The common dialogs are not available on this system");
    return reinterpret_cast<F>(reinterpret_cast<void*>(entry));
}

// A dialog that returned without OK: nothing when the user cancelled, an error when the dialog
// could not be shown at all, which would otherwise look like a cancel.
void CheckDialogError() {
    const DWORD code = CommonDialogCall<DWORD(WINAPI*)()>("CommDlgExtendedError")();
    if (code == 0) return;
    wchar_t text[64];
    std::swprintf(text, 64, L"The dialog could not be opened (error 0x%04lX)",
                  static_cast<unsigned long>(code));
    throw TError(text);
}

TFontStyles StylesOf(const LOGFONTW& lf) {
    TFontStyles style = 0;
    if (lf.lfWeight >= FW_SEMIBOLD) style |= fsBold;
    if (lf.lfItalic) style |= fsItalic;
    if (lf.lfUnderline) style |= fsUnderline;
    if (lf.lfStrikeOut) style |= fsStrikeOut;
    return style;
}

} // namespace

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
    if (dialog.Options() & sdOverwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
    if (!CommonDialogCall<BOOL(WINAPI*)(OPENFILENAMEW*)>("GetSaveFileNameW")(&ofn)) {
        CheckDialogError();
        return std::nullopt;
    }
    return std::wstring(file.data());
};

bool TSaveDialog::Execute(HWND owner) {
    std::optional<std::wstring> chosen = Show(*this, owner);
    if (!chosen) return false;
    FFileName = *chosen;
    return true;
}

TFontDialog::TFontDialog(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {}

std::function<bool(const TFontDialog&, HWND, TFont&)> TFontDialog::Show = [](const TFontDialog& dialog,
                                                                             HWND owner, TFont& chosen) {
    // The dialog reads and writes heights at the screen's resolution; the font's own may differ,
    // so the size goes over in points and comes back in tenths of a point.
    LOGFONTW lf = dialog.Font()->LogFont();
    lf.lfHeight = -ScaleLength(dialog.Font()->Size(), SystemPixelsPerInch(), 72);
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (dialog.Options() & fdEffects) cf.Flags |= CF_EFFECTS;
    if (dialog.Options() & fdTrueTypeOnly) cf.Flags |= CF_TTONLY;
    cf.rgbColors = ColorToRGB(dialog.Font()->Color());
    if (!CommonDialogCall<BOOL(WINAPI*)(CHOOSEFONTW*)>("ChooseFontW")(&cf)) {
        CheckDialogError();
        return false;
    }
    chosen.SetName(lf.lfFaceName);
    chosen.SetHeight(cf.iPointSize > 0 ? -ScaleLength(cf.iPointSize, chosen.PixelsPerInch(), 720)
                                        : ScaleLength(lf.lfHeight, chosen.PixelsPerInch(), SystemPixelsPerInch()));
    chosen.SetStyle(StylesOf(lf));
    chosen.SetCharset(lf.lfCharSet);
    // Without effects the dialog offers no colour: the font keeps its own.
    if (dialog.Options() & fdEffects) chosen.SetColor(static_cast<TColor>(cf.rgbColors));
    return true;
};

bool TFontDialog::Execute(HWND owner) {
    TFont chosen;
    chosen.Assign(*FFont);
    if (!Show(*this, owner, chosen)) return false;
    FFont->Assign(chosen);
    return true;
}

TColorDialog::TColorDialog(TComponent* owner) : TComponent(owner) {
    FCustomColors.fill(RGB(255, 255, 255));
}

std::function<std::optional<TColor>(TColorDialog&, HWND)> TColorDialog::Show =
    [](TColorDialog& dialog, HWND owner) -> std::optional<TColor> {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = owner;
    cc.rgbResult = ColorToRGB(dialog.Color());
    cc.lpCustColors = dialog.CustomColors().data();
    cc.Flags = CC_RGBINIT;
    if (dialog.Options() & cdFullOpen) cc.Flags |= CC_FULLOPEN;
    if (dialog.Options() & cdSolidColor) cc.Flags |= CC_SOLIDCOLOR;
    if (!CommonDialogCall<BOOL(WINAPI*)(CHOOSECOLORW*)>("ChooseColorW")(&cc)) {
        CheckDialogError();
        return std::nullopt;
    }
    return static_cast<TColor>(cc.rgbResult);
};

bool TColorDialog::Execute(HWND owner) {
    FAccepted = false;
    const std::optional<TColor> chosen = Show(*this, owner);
    if (chosen) FColor = *chosen;
    FAccepted = chosen.has_value();
    if (OnClose) OnClose(this);
    return FAccepted;
}

std::function<bool(HWND, const std::wstring&, const std::wstring&)> AskYesNo =
    [](HWND owner, const std::wstring& text, const std::wstring& caption) {
        return MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
    };
