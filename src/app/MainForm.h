#pragma once
// The note window: a small top-level window whose whole client area is the editor.
#include "components/FormShaper.h"
#include "components/GlobalHotKey.h"
#include "components/TrayIcon.h"
#include "components/UnPas2.h"
#include "app/MemoNote.h"
#include "framework/ColorSelect.h"
#include "framework/Dialogs.h"
#include "framework/FolderWatch.h"
#include "framework/Form.h"
#include "framework/Menus.h"
#include "framework/RichEditEx.h"
#include "framework/Timer.h"
#include "note/NoteDesk.h"
#include "settings/NoteSettings.h"

#include <exception>
#include <memory>

class TForm1 : public TForm, public TNoteSettings, private TNoteTeller {
public:
    explicit TForm1(TComponent* owner);
    ~TForm1() override;

    TRichEditEx* Memo1 = nullptr;
    TTrayIcon* TrayIcon1 = nullptr;
    TPopupMenu* PopupMenu1 = nullptr;
    TMenuItem* Afficher1 = nullptr;
    TMenuItem* Cacher1 = nullptr;
    TMenuItem* AOT1 = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* Enregistrer1 = nullptr;
    TMenuItem* Enregistrersous1 = nullptr;
    TMenuItem* Vider1 = nullptr;
    TMenuItem* Versions1 = nullptr;
    TMenuItem* N2 = nullptr;
    TMenuItem* Parametres1 = nullptr;
    TMenuItem* APropos1 = nullptr;
    TMenuItem* hyphen1 = nullptr;
    TMenuItem* Quitter1 = nullptr;
    TFormShaper* FormShaper1 = nullptr;
    TTimer* Timer1 = nullptr;
    TGlobalHotKey* HKSave = nullptr;
    TGlobalHotKey* HKCfg = nullptr;
    TGlobalHotKey* HKSaveTo = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;
    TGlobalHotKey* HKAOT = nullptr;
    TGlobalHotKey* HKExit = nullptr;
    TGlobalHotKey* HKDel = nullptr;
    TActionList* ActionList1 = nullptr;
    TAction* EditCut1 = nullptr;
    TAction* EditCopy1 = nullptr;
    TAction* EditPaste1 = nullptr;
    TAction* EditSelectAll1 = nullptr;
    TAction* EditUndo1 = nullptr;
    TAction* EditDelete1 = nullptr;
    TAction* RichEditBold1 = nullptr;
    TAction* RichEditItalic1 = nullptr;
    TAction* RichEditUnderline1 = nullptr;
    TAction* RichEditStrikeOut1 = nullptr;
    TAction* RichEditAlignLeft1 = nullptr;
    TAction* RichEditAlignRight1 = nullptr;
    TAction* RichEditAlignCenter1 = nullptr;
    TColorSelect* ColorSelect1 = nullptr;
    TPopupMenu* PopupMenu2 = nullptr;
    TMenuItem* Undo1 = nullptr;
    TMenuItem* N3 = nullptr;
    TMenuItem* Cut1 = nullptr;
    TMenuItem* Copy1 = nullptr;
    TMenuItem* Paste1 = nullptr;
    TMenuItem* Delete1 = nullptr;
    TMenuItem* N4 = nullptr;
    TMenuItem* SelectAll1 = nullptr;
    TMenuItem* Vider2 = nullptr;
    TMenuItem* Versions2 = nullptr;
    TMenuItem* N5 = nullptr;
    TMenuItem* Style1 = nullptr;
    TMenuItem* Couleur1 = nullptr;
    TMenuItem* Police2 = nullptr;
    TMenuItem* N6 = nullptr;
    TMenuItem* Bold1 = nullptr;
    TMenuItem* Italic1 = nullptr;
    TMenuItem* Underline1 = nullptr;
    TMenuItem* Strikeout1 = nullptr;
    TMenuItem* Alignement1 = nullptr;
    TMenuItem* AlignLeft1 = nullptr;
    TMenuItem* Center1 = nullptr;
    TMenuItem* AlignRight1 = nullptr;
    TGlobalHotKey* HKShow = nullptr;
    TGlobalHotKey* HKHide = nullptr;
    TUnPas2* UnPas22 = nullptr;
    TGlobalHotKey* HKGlobal = nullptr;

    // Hides the note to the tray, or brings it back from there.
    void ToggleNoteVisibility();
    // Switches the eight hot keys of the note on or off together, always in the same order.
    void SetNoteHotKeysActive(bool active);
    // Reads the settings file and applies it to the window.
    void LoadParams();
    // Turns link detection on in the editor.
    void Hypertext() override;

    // The document: loaded at start and saved as RTF beside the executable by the keeper of the
    // note on disk, which decides what to write, when, and what to do about other writers. The
    // window carries out its decisions on the editor and tells the user what it has to tell.
    void OpenMemo();
    void Enregistrer1Click(TObject* sender);
    // The keeper's one way in; null in a second instance that only hands over.
    TNoteDesk* NoteDesk() const { return FDesk.get(); }
    // The plain-text copy beside the executable.
    void SaveMemo();
    // A plain-text copy where the user chooses.
    void HKSaveToHotKey(TObject* sender);
    // Empties the note after asking; the hot key's version does not ask.
    void Vider1Click(TObject* sender);
    void HKDelHotKey(TObject* sender);
    // The versions dialog; a version chosen there replaces the note as one edit Undo takes back.
    void Versions1Click(TObject* sender);
    // Empty when the bytes are in the note, else why not in the user's words.
    std::wstring RestoreVersion(const std::string& bytes);

    // Editing commands: each acts on the editor that has the keyboard focus.
    void EditUndo1Execute(TObject* sender);
    // Greys the editor menu's items that cannot act on the editor as it is.
    void PopupMenu2Popup(TObject* sender);
    void ColorSelect1BeforeExecute(TObject* sender);
    void ColorSelect1ColorDialogClose(TObject* sender);
    // The selection's font through the settings dialog's font dialog.
    void Police2Click(TObject* sender);
    void APropos1Click(TObject* sender);

    // What the settings dialog reads and changes.
    TForm& NoteWindow() override { return *this; }
    TRichEditEx& NoteEditor() override { return *Memo1; }
    TTimer& SaveTimer() override { return *Timer1; }
    TGlobalHotKey& GlobalHotKey() override { return *HKGlobal; }
    bool TitleBarHidden() const override { return FormShaper1->Enable(); }
    void SetTitleBarHidden(bool hidden) override { FormShaper1->SetEnable(hidden); }
    bool BgTransparent() const override { return FBgTransparent; }
    void SetBgTransparent(bool on) override { FBgTransparent = on; }
    bool MinimizeOnClose() const override { return FMinimizeOnClose; }
    void SetMinimizeOnClose(bool on) override { FMinimizeOnClose = on; }
    bool SaveOnChange() const override { return FSaveOnChange; }
    void SetSaveOnChange(bool on) override;
    bool ShowAtStart() const override { return FShowAtStart; }
    void SetShowAtStart(bool on) override { FShowAtStart = on; }
    TFont* DefaultFont() const override { return FDefaultFont; }
    void SetDefaultFont(TFont* font) override { FDefaultFont = font; }
    bool AlwaysOnTop() const override { return AOT1->Checked(); }
    void ShowAboutModal() override;

    // The smallest outer size a note placed by the settings gets, so that it can be grabbed.
    static constexpr SIZE kMinimumSize{120, 90};

private:
    // A modal dialog gives back only the windows it blocked; the note, shown meanwhile, was
    // blocked too and is given back when the dialog ends.
    struct TNoteUnblock {
        TForm1& Note;
        ~TNoteUnblock() {
            if (Note.HandleAllocated()) EnableWindow(Note.Handle(), Note.Enabled());
        }
    };
    void ApplyDesign();
    void CreateEditorCommands();
    TAction* AddAction(const wchar_t* name, const wchar_t* category, const wchar_t* caption,
                       TShortCut shortcut);
    TAction* AddStyleAction(const wchar_t* name, const wchar_t* caption, TShortCut shortcut,
                            TFontStyle style);
    TAction* AddAlignAction(const wchar_t* name, const wchar_t* caption, TShortCut shortcut,
                            TAlignment alignment);
    TMenuItem* AddActionItem(TMenuItem* parent, const wchar_t* name, TAction* action);
    TRichEditEx* FocusedEditor() const;
    TMenuItem* AddMenuItem(TMenuItem* parent, const wchar_t* name, const wchar_t* caption,
                           TShortCut shortcut = 0);
    TGlobalHotKey* AddHotKey(const wchar_t* name, TShortCut key);
    void HandleLinkNotification(const TMessage& message);
    void KeepReachable();
    void WritePosition();
    void WriteGeometry();
    // The system's loop that moves or sizes the window by its frame begins or ends.
    void SizeMoveLoop(bool entering);

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormHide(TObject* sender);
    void Memo1MouseEnter(TObject* sender);
    void Memo1MouseLeave(TObject* sender);
    void FormMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void FormMouseMove(TObject* sender, TShiftState shift, int x, int y);
    void FormMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void FormResize(TObject* sender);
    void FormMouseWheel(TObject* sender, TShiftState shift, int wheelDelta, POINT mousePos, bool& handled);
    void FormClose(TObject* sender, TCloseAction& action);
    void TrayIcon1MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void Afficher1Click(TObject* sender);
    void Cacher1Click(TObject* sender);
    void AOT1Click(TObject* sender);
    void Quitter1Click(TObject* sender);
    void Parametres1Click(TObject* sender);
    void HKAOTHotKey(TObject* sender);
    void HKExitHotKey(TObject* sender);
    void HKGlobalHotKey(TObject* sender);
    void FormDestroy(TObject* sender);
    void UnPas22DejaLance(TObject* sender);
    void UnPas22Relance(TObject* sender);
    // The editor's text or formatting changed, by the user.
    void Memo1Change(TObject* sender);
    void HKSaveHotKey(TObject* sender);
    void WatchStoredNote();
    void StoredNoteSignalled();
    void NoteBalloon(const std::wstring& text, const std::wstring& file);
    // What the keeper tells, once its decision is carried out.
    void Box(const std::wstring& text) override;
    void Balloon(const std::wstring& text, const std::wstring& open) override;
    bool Ask(const std::wstring& text, const std::wstring& caption) override;
    void WakeAt(ULONGLONG when) override;

    bool FDragging = false;
    POINT FDragCursor{};
    struct {
        int Left = 0, Top = 0;
    } FDragOrigin;
    bool FLoadingParams = false;
    bool FBgTransparent = false;
    bool FMinimizeOnClose = false;
    bool FSaveOnChange = false;
    bool FShowAtStart = false;
    TFont* FDefaultFont = nullptr; // not owned
    // Inside the move or size loop the mouse belongs to the loop: a settings failure waits for
    // its end to be reported, in a box the user can answer.
    bool FInSizeMove = false;
    std::exception_ptr FSizeMoveError;
    // Another instance runs and this one only hands over to it: it reads and writes no file.
    bool FHandingOver = false;
    std::unique_ptr<TMemoNote> FMemoNote;
    std::unique_ptr<TNoteDesk> FDesk;
    // The one moment the keeper wants to be woken at.
    TTimer* FDeskWake = nullptr;
    std::unique_ptr<TFolderWatch> FWatch;
    int FNoteWait = 0;
    // The file a click on the balloon opens.
    std::wstring FBalloonFile;
};

extern TForm1* Form1;
