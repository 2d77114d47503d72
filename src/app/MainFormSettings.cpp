#include "app/MainForm.h"

#include "settings/SettingsFile.h"

void TForm1::LoadParams() {
    TIniFile ini(SettingsPath());
    FShowAtStart = ini.ReadBool(L"Apparence", L"Visible", false);
    SetVisible(FShowAtStart);
}
