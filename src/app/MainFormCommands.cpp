#include "app/MainForm.h"

#include "about/AboutForm.h"
#include "settings/SettingsForm.h"

TRichEditEx* TForm1::FocusedEditor() const {
    return dynamic_cast<TRichEditEx*>(TWinControl::FromHandle(GetFocus()));
}

TAction* TForm1::AddAction(const wchar_t* name, const wchar_t* category, const wchar_t* caption,
                           TShortCut shortcut) {
    auto* action = new TAction(this);
    action->SetName(name);
    action->SetActionList(ActionList1);
    action->SetCategory(category);
    action->SetCaption(caption);
    action->SetShortCut(shortcut);
    return action;
}

TAction* TForm1::AddStyleAction(const wchar_t* name, const wchar_t* caption, TShortCut shortcut,
                                TFontStyle style) {
    TAction* action = AddAction(name, L"Format", caption, shortcut);
    action->OnUpdate = [this, action, style](TObject*) {
        TRichEditEx* editor = FocusedEditor();
        action->SetChecked(editor && editor->SelectionHasStyle(style));
    };
    // Off only when the whole selection has the style; a partly styled selection gets it all over.
    action->OnExecute = [this, style](TObject*) {
        if (TRichEditEx* editor = FocusedEditor())
            editor->SetSelectionStyle(style, !editor->SelectionHasStyle(style));
    };
    return action;
}

TAction* TForm1::AddAlignAction(const wchar_t* name, const wchar_t* caption, TShortCut shortcut,
                                TAlignment alignment) {
    TAction* action = AddAction(name, L"Format", caption, shortcut);
    action->OnUpdate = [this, action, alignment](TObject*) {
        TRichEditEx* editor = FocusedEditor();
        action->SetChecked(editor && editor->SelectionAligned(alignment));
    };
    action->OnExecute = [this, alignment](TObject*) {
        if (TRichEditEx* editor = FocusedEditor()) editor->SetParagraphAlignment(alignment);
    };
    return action;
}

TMenuItem* TForm1::AddActionItem(TMenuItem* parent, const wchar_t* name, TAction* action) {
    TMenuItem* item = AddMenuItem(parent, name, L"");
    item->SetAction(action);
    return item;
}

void TForm1::CreateEditorCommands() {
    ActionList1 = new TActionList(this);
    ActionList1->SetName(L"ActionList1");
    auto onEditor = [this](void (TRichEditEx::*command)()) {
        return [this, command](TObject*) {
            if (TRichEditEx* editor = FocusedEditor()) (editor->*command)();
        };
    };
    EditCut1 = AddAction(L"EditCut1", L"Edit", L"Couper", scCtrl | 'X');
    EditCut1->OnExecute = onEditor(&TRichEditEx::CutToClipboard);
    EditCopy1 = AddAction(L"EditCopy1", L"Edit", L"Copier", scCtrl | 'C');
    EditCopy1->OnExecute = onEditor(&TRichEditEx::CopyToClipboard);
    EditPaste1 = AddAction(L"EditPaste1", L"Edit", L"Coller", scCtrl | 'V');
    EditPaste1->OnExecute = onEditor(&TRichEditEx::PasteFromClipboard);
    EditSelectAll1 = AddAction(L"EditSelectAll1", L"Edit", L"Sélectionner tout", scCtrl | 'A');
    EditSelectAll1->OnExecute = onEditor(&TRichEditEx::SelectAll);
    EditUndo1 = AddAction(L"EditUndo1", L"Edit", L"Annuler", scCtrl | 'Z');
    EditUndo1->OnExecute = [this](TObject* s) { EditUndo1Execute(s); };
    EditDelete1 = AddAction(L"EditDelete1", L"Edit", L"Supprimer", 0);
    EditDelete1->OnExecute = onEditor(&TRichEditEx::ClearSelection);
    RichEditBold1 = AddStyleAction(L"RichEditBold1", L"Gras", scCtrl | 'B', fsBold);
    RichEditItalic1 = AddStyleAction(L"RichEditItalic1", L"Italique", scCtrl | 'I', fsItalic);
    RichEditUnderline1 = AddStyleAction(L"RichEditUnderline1", L"Souligné", scCtrl | 'U', fsUnderline);
    RichEditStrikeOut1 = AddStyleAction(L"RichEditStrikeOut1", L"Barré", scCtrl | 'D', fsStrikeOut);
    RichEditAlignLeft1 = AddAlignAction(L"RichEditAlignLeft1", L"Gauche", scAlt | 'X', taLeftJustify);
    RichEditAlignLeft1->SetSecondaryShortCuts({scAlt | 'X'});
    RichEditAlignRight1 = AddAlignAction(L"RichEditAlignRight1", L"Droite", scAlt | 'V', taRightJustify);
    RichEditAlignCenter1 = AddAlignAction(L"RichEditAlignCenter1", L"Centrer", scAlt | 'C', taCenter);
    ColorSelect1 = new TColorSelect(this);
    ColorSelect1->SetName(L"ColorSelect1");
    ColorSelect1->SetActionList(ActionList1);
    ColorSelect1->SetCategory(L"Dialog");
    ColorSelect1->SetCaption(L"Couleur...");
    ColorSelect1->BeforeExecute = [this](TObject* s) { ColorSelect1BeforeExecute(s); };
    ColorSelect1->Dialog()->OnClose = [this](TObject* s) { ColorSelect1ColorDialogClose(s); };

    PopupMenu2 = new TPopupMenu(this);
    PopupMenu2->SetName(L"PopupMenu2");
    PopupMenu2->OnPopup = [this](TObject* s) { PopupMenu2Popup(s); };
    TMenuItem* root = PopupMenu2->Items();
    Undo1 = AddActionItem(root, L"Undo1", EditUndo1);
    N3 = AddMenuItem(root, L"N3", L"-");
    Cut1 = AddActionItem(root, L"Cut1", EditCut1);
    Copy1 = AddActionItem(root, L"Copy1", EditCopy1);
    Paste1 = AddActionItem(root, L"Paste1", EditPaste1);
    Delete1 = AddActionItem(root, L"Delete1", EditDelete1);
    N4 = AddMenuItem(root, L"N4", L"-");
    SelectAll1 = AddActionItem(root, L"SelectAll1", EditSelectAll1);
    Vider2 = AddMenuItem(root, L"Vider2", L"Supprimer tout", scCtrl | VK_DELETE);
    Vider2->OnClick = [this](TObject* s) { Vider1Click(s); };
    Versions2 = AddMenuItem(root, L"Versions2", L"Versions précédentes...");
    Versions2->OnClick = [this](TObject* s) { Versions1Click(s); };
    N5 = AddMenuItem(root, L"N5", L"-");
    Style1 = AddMenuItem(root, L"Style1", L"Style");
    Couleur1 = AddActionItem(Style1, L"Couleur1", ColorSelect1);
    Police2 = AddMenuItem(Style1, L"Police2", L"Police...");
    Police2->OnClick = [this](TObject* s) { Police2Click(s); };
    N6 = AddMenuItem(Style1, L"N6", L"-");
    Bold1 = AddActionItem(Style1, L"Bold1", RichEditBold1);
    Italic1 = AddActionItem(Style1, L"Italic1", RichEditItalic1);
    Underline1 = AddActionItem(Style1, L"Underline1", RichEditUnderline1);
    Strikeout1 = AddActionItem(Style1, L"Strikeout1", RichEditStrikeOut1);
    Alignement1 = AddMenuItem(root, L"Alignement1", L"Alignement");
    AlignLeft1 = AddActionItem(Alignement1, L"AlignLeft1", RichEditAlignLeft1);
    Center1 = AddActionItem(Alignement1, L"Center1", RichEditAlignCenter1);
    AlignRight1 = AddActionItem(Alignement1, L"AlignRight1", RichEditAlignRight1);
}

void TForm1::PopupMenu2Popup(TObject*) {
    // Only the menu shows what cannot act; the keys stay the editor's, so nothing is asked of
    // the editor or the clipboard at each key.
    TRichEditEx* editor = FocusedEditor();
    const bool selection = editor && editor->HasSelection();
    Undo1->SetEnabled(editor && editor->CanUndo());
    for (TMenuItem* item : {Cut1, Copy1, Delete1})
        item->SetEnabled(selection);
    Paste1->SetEnabled(editor && editor->CanPaste());
}

void TForm1::EditUndo1Execute(TObject*) {
    Memo1->Undo();
}

void TForm1::ColorSelect1BeforeExecute(TObject*) {
    ColorSelect1->Dialog()->SetColor(Memo1->SelColor());
}

void TForm1::ColorSelect1ColorDialogClose(TObject*) {
    // A cancelled dialog leaves the text alone: the colour it holds is only the first character's,
    // and would otherwise flatten a selection of several colours.
    if (ColorSelect1->Dialog()->Accepted()) Memo1->SetSelColor(ColorSelect1->Dialog()->Color());
}

void TForm1::Police2Click(TObject*) {
    if (!Fcfg) return;
    TFontDialog* dialog = Fcfg->FontDialog1;
    const TTextAttributes current = Memo1->SelAttributes();
    TFont loaded;
    loaded.Assign(*dialog->Font());
    loaded.SetName(current.Name);
    loaded.SetSize(current.Size);
    loaded.SetColor(current.Color);
    loaded.SetStyle(current.Style);
    dialog->SetFont(loaded);
    if (!dialog->Execute(Handle())) return;
    const TFont& chosen = *dialog->Font();
    Memo1->SetSelAttributes({chosen.Name(), chosen.Size(), chosen.Color(), chosen.Style()});
}

void TForm1::APropos1Click(TObject*) {
    if (!FAbout) return;
    // Already open (from the settings dialog's button, say): bring it forward rather than fail.
    if (FAbout->Visible()) {
        SetForegroundWindow(FAbout->Handle());
        return;
    }
    TNoteUnblock unblock{*this};
    FAbout->ShowModal();
}
