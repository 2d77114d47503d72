#pragma once
// The settings dialog: every control changes the running note at once; OK writes the settings
// file. Its window and controls are created when it is first shown.
#include "components/FocusStandIn.h"
#include "components/HotKeyEdit.h"
#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/Dialogs.h"
#include "framework/Form.h"
#include "framework/GroupBox.h"
#include "framework/Label.h"
#include "framework/ScrollBar.h"
#include "framework/Shape.h"

#include <string>

class TNoteSettings;

class TFcfg : public TForm {
public:
    explicit TFcfg(TComponent* owner);
    ~TFcfg() override;

    TGroupBox* GroupBox1 = nullptr;
    TLabel* Label1 = nullptr;
    TScrollBar* AScroll = nullptr;
    TLabel* Aval = nullptr;
    TCheckBox* CTitle = nullptr;
    TCheckBox* CClose = nullptr;
    TCheckBox* CBorder = nullptr;
    TCheckBox* CScrolBar = nullptr;
    TCheckBox* CBgTrans = nullptr;
    TLabel* Label2 = nullptr;
    TShape* Shape1 = nullptr;
    // The colour swatch from the keyboard: Tab reaches it, Enter or Space opens the colour dialog.
    TFocusStandIn* Shape1Key = nullptr;
    TGroupBox* GroupBox2 = nullptr;
    TCheckBox* CEnreg = nullptr;
    TScrollBar* SIntervalle = nullptr;
    TLabel* LIntervalle = nullptr;
    TCheckBox* CAutoSave = nullptr;
    TLabel* Label3 = nullptr;
    THotKeyEdit* EGlobal = nullptr;
    TCheckBox* CRun = nullptr;
    TCheckBox* CStartShow = nullptr;
    TButton* Button1 = nullptr;
    TButton* Button2 = nullptr;
    TButton* Button3 = nullptr;
    // The note's "Police..." command uses this font dialog too.
    TFontDialog* FontDialog1 = nullptr;
    TColorDialog* ColorDialog1 = nullptr;

    // "1 minute", "2 minutes".
    static std::wstring MinutesText(int minutes);

private:
    void ApplyDesign();
    template <class T>
    T* Add(TWinControl* parent, const wchar_t* name, int left, int top, int width, int height);
    TCheckBox* AddCheckBox(TWinControl* parent, const wchar_t* name, int top, const wchar_t* caption);
    // The running note, which is the application's main form.
    TNoteSettings& Note() const;

    void FormShow(TObject* sender);
    void FormClose(TObject* sender, TCloseAction& action);
    void AScrollChange(TObject* sender);
    void CTitleClick(TObject* sender);
    void CCloseClick(TObject* sender);
    void CBorderClick(TObject* sender);
    void CScrolBarClick(TObject* sender);
    void CBgTransClick(TObject* sender);
    void Shape1MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void CEnregClick(TObject* sender);
    void SIntervalleChange(TObject* sender);
    void CAutoSaveClick(TObject* sender);
    void EGlobalChange(TObject* sender);
    void EGlobalKeyUp(TObject* sender, WORD& key, TShiftState shift);
    // The global hot key := the field's combination when it cannot be ordinary typing, else none;
    // the field says so when the system refuses it.
    void ApplyGlobalKey();
    void CRunClick(TObject* sender);
    void CStartShowClick(TObject* sender);
    void Button1Click(TObject* sender);
    void Button2Click(TObject* sender);
    void Button3Click(TObject* sender);
};

extern TFcfg* Fcfg;
