#include "app/MainForm.h"

#include "components/HotKeyEdit.h"
#include "framework/Monitors.h"
#include "settings/SettingsFile.h"

#include <utility>

namespace {

// An opacity outside 0..255 would make a nonsense window, possibly an invisible one: opaque.
BYTE StoredOpacity(const TIniFile& ini) {
    const int alpha = ini.ReadInteger(L"Apparence", L"Alpha", 255);
    return static_cast<BYTE>(alpha >= 0 && alpha <= 255 ? alpha : 255);
}

// A period under a second saves without pause and keeps a core busy with a large note.
UINT StoredSavePeriod(const TIniFile& ini) {
    const int interval = ini.ReadInteger(L"Save", L"Interval", 60000);
    return static_cast<UINT>(interval >= 1000 ? interval : 1000);
}

} // namespace

void TForm1::LoadParams() {
    FLoadingParams = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{FLoadingParams};

    TIniFile ini(SettingsPath());
    SetBounds(ini.ReadInteger(L"Apparence", L"Left", 200), ini.ReadInteger(L"Apparence", L"Top", 200),
              ini.ReadInteger(L"Apparence", L"Width", 260), ini.ReadInteger(L"Apparence", L"Height", 250));
    FSaveOnChange = ini.ReadBool(L"Save", L"SaveOnChange", false);
    if (ini.ReadBool(L"Apparence", L"Border", true)) SetBorderStyle(bsSizeable);
    const bool bgTrans = ini.ReadBool(L"Apparence", L"BgTrans", false);
    SetTransparentColor(bgTrans);
    FBgTransparent = bgTrans;
    if (TransparentColor())
        SetAlphaBlend(false);
    else
        SetAlphaBlendValue(StoredOpacity(ini));
    FormShaper1->SetEnable(ini.ReadBool(L"Apparence", L"Title", false));
    Timer1->SetEnabled(ini.ReadBool(L"Save", L"Autosave", true));
    Timer1->SetInterval(StoredSavePeriod(ini));
    Memo1->Font()->SetName(ini.ReadString(L"Apparence", L"Font", L"Arial"));
    Memo1->Font()->SetSize(ini.ReadInteger(L"Apparence", L"Size", 8));
    Memo1->Font()->SetColor(ini.ReadInteger(L"Apparence", L"Color", 0));
    Memo1->SetColor(ini.ReadInteger(L"Apparence", L"BgColor", 16777215));
    if (ini.ReadBool(L"Apparence", L"AOT", false)) HKAOTHotKey(this);
    // A key stored by an older version may be one that typing needs (Escape, a letter): such a
    // key is not taken from every other program at start.
    const auto global = static_cast<TShortCut>(ini.ReadInteger(L"Apparence", L"Global", 0));
    HKGlobal->SetHotKey(IsTypingFree(global) ? global : 0);
    TFontStyles style = Memo1->Font()->Style();
    if (ini.ReadBool(L"Apparence", L"Bold", false)) style = fsBold;
    if (ini.ReadBool(L"Apparence", L"Italic", false)) style |= fsItalic;
    if (ini.ReadBool(L"Apparence", L"UnderLine", false)) style |= fsUnderline;
    if (ini.ReadBool(L"Apparence", L"StrikeOut", false)) style |= fsStrikeOut;
    Memo1->Font()->SetStyle(style);
    SetTransparentColorValue(Memo1->Color());
    if (ini.ReadBool(L"Apparence", L"Scroll", true)) Memo1->SetScrollBars(ssVertical);
    FShowAtStart = ini.ReadBool(L"Apparence", L"Visible", false);
    SetVisible(FShowAtStart);
    FMinimizeOnClose = ini.ReadBool(L"Apparence", L"Close", true);
    FDefaultFont = Memo1->Font();
    KeepReachable();
}

void TForm1::KeepReachable() {
    // A monitor unplugged, a resolution changed or a hand-edited file: the note must still be
    // on screen and big enough to grab. The stored values stay until the user moves the note.
    const RECT stored{Left(), Top(), Left() + Width(), Top() + Height()};
    const RECT reachable = ReachableRect(stored, kMinimumSize);
    if (!EqualRect(&stored, &reachable))
        SetBounds(reachable.left, reachable.top, reachable.right - reachable.left,
                  reachable.bottom - reachable.top);
}

void TForm1::WritePosition() {
    TIniFile ini(SettingsPath());
    ini.WriteInteger(L"Apparence", L"Top", Top());
    ini.WriteInteger(L"Apparence", L"Left", Left());
}

void TForm1::WriteGeometry() {
    try {
        TIniFile ini(SettingsPath());
        ini.WriteInteger(L"Apparence", L"Width", Width());
        ini.WriteInteger(L"Apparence", L"Height", Height());
        ini.WriteInteger(L"Apparence", L"Left", Left());
        ini.WriteInteger(L"Apparence", L"Top", Top());
    } catch (...) {
        if (!FInSizeMove) throw;
        FSizeMoveError = std::current_exception();
    }
}

void TForm1::SizeMoveLoop(bool entering) {
    FInSizeMove = entering;
    if (!entering && FSizeMoveError) std::rethrow_exception(std::exchange(FSizeMoveError, nullptr));
}
