#pragma once
// The note window.
#include "components/GlobalHotKey.h"
#include "components/TrayIcon.h"
#include "framework/Form.h"
#include "framework/Menus.h"

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    TTrayIcon* TrayIcon1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* Afficher1 = nullptr;
    TMenuItem* Cacher1 = nullptr;
    TMenuItem* AOT1 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* Enregistrer1 = nullptr;
    TMenuItem* Enregistrersous1 = nullptr;
    TMenuItem* Vider1 = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* Parametres1 = nullptr;
    TMenuItem* APropos1 = nullptr;
    TMenuItem* hyphen1 = nullptr;
    TMenuItem* Quitter1 = nullptr;
    TGlobalHotKey* HKSave = nullptr;
    TGlobalHotKey* HKCfg = nullptr;
    TGlobalHotKey* HKSaveTo = nullptr;
    TGlobalHotKey* HKAOT = nullptr;
    TGlobalHotKey* HKExit = nullptr;
    TGlobalHotKey* HKDel = nullptr;
    TGlobalHotKey* HKShow = nullptr;
    TGlobalHotKey* HKHide = nullptr;
    TGlobalHotKey* HKGlobal = nullptr;

    // Hides the note to the tray, or brings it back from there.
    void ToggleNoteVisibility();
    // Switches the eight hot keys of the note on or off together, always in the same order.
    void SetNoteHotKeysActive(bool active);
    // Reads the settings file and applies it to the window.
    void LoadParams();

    bool ShowAtStart() const { return FShowAtStart; }

private:
    void ApplyDesign();
    TMenuItem* AddMenuItem(TMenuItem* parent, const wchar_t* name, const wchar_t* caption, TShortCut shortcut = 0);
    TGlobalHotKey* AddHotKey(const wchar_t* name, TShortCut key);

    void FormCreate(TObject* sender);
    void TrayIcon1MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void Afficher1Click(TObject* sender);
    void Cacher1Click(TObject* sender);
    void AOT1Click(TObject* sender);
    void Quitter1Click(TObject* sender);
    void Parametres1Click(TObject* sender);
    void HKAOTHotKey(TObject* sender);
    void HKExitHotKey(TObject* sender);
    void HKGlobalHotKey(TObject* sender);

    bool FShowAtStart = false;
};

extern TForm1* Form1;
