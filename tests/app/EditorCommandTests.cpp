#include "NoteFixture.h"
#include "about/AboutForm.h"
#include "settings/SettingsForm.h"
#include "support/DialogProbe.h"
#include "support/MenuProbe.h"
#include "support/Mouse.h"

#include <colordlg.h>

namespace {

class EditorCommandTest : public NoteFixture {};

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

struct TStyleCase {
    TAction* TForm1::*Action;
    TFontStyle Style;
    const char* Rtf; // the control word that switches the style on
};

TEST_F(EditorCommandTest, EachStyleGoesOnOverAnyNotWhollyStyledSelectionAndOffOverAWhollyStyledOne) {
    StartShown();
    const TStyleCase cases[] = {{&TForm1::RichEditBold1, fsBold, "\\b"},
                                {&TForm1::RichEditItalic1, fsItalic, "\\i"},
                                {&TForm1::RichEditUnderline1, fsUnderline, "\\ul"},
                                {&TForm1::RichEditStrikeOut1, fsStrikeOut, "\\strike"}};
    for (const TStyleCase& c : cases) {
        SCOPED_TRACE(c.Rtf);
        TAction* action = Form1->*c.Action;
        // "plain " then a styled word, in red and another size, which the toggle must keep.
        SetNote(std::string("plain {") + c.Rtf + "\\cf1\\fs28 styled} end\\par");
        ASSERT_EQ(Selected(6, 12), L"styled");
        action->Update();
        EXPECT_TRUE(action->Checked());
        action->Execute(); // wholly styled: off
        EXPECT_FALSE(Memo().SelectionHasStyle(c.Style));
        EXPECT_EQ(Memo().SelAttributes().Color, 0x0000FF);
        EXPECT_EQ(Memo().SelAttributes().Size, 14);

        SetNote(std::string("plain {") + c.Rtf + " styled} end\\par");
        Memo().Select(2, 9); // "ain sty": partly styled
        action->Update();
        EXPECT_FALSE(action->Checked());
        action->Execute();
        EXPECT_TRUE(Memo().SelectionHasStyle(c.Style));
        Memo().Select(0, 2); // outside the selection nothing changed
        EXPECT_FALSE(Memo().SelectionHasStyle(c.Style));

        Memo().Select(13, 16); // "end": unstyled
        action->Execute();
        EXPECT_TRUE(Memo().SelectionHasStyle(c.Style));
        action->Update();
        EXPECT_TRUE(action->Checked());
    }
}

TEST_F(EditorCommandTest, AlignmentReachesEveryParagraphTheSelectionTouchesAndOnlyThose) {
    StartShown();
    SetNote("first\\par second\\par third\\par");
    Memo().Select(3, 9); // from inside "first" into "second"
    Form1->RichEditAlignCenter1->Execute();
    auto alignmentAt = [&](LONG at) {
        Memo().Select(at, at);
        return Memo().ParagraphAlignment();
    };
    EXPECT_EQ(alignmentAt(1), taCenter);
    EXPECT_EQ(alignmentAt(8), taCenter);
    EXPECT_EQ(alignmentAt(15), taLeftJustify);

    Memo().Select(3, 9);
    for (TAction* a : {Form1->RichEditAlignLeft1, Form1->RichEditAlignCenter1, Form1->RichEditAlignRight1})
        a->Update();
    EXPECT_TRUE(Form1->RichEditAlignCenter1->Checked());
    EXPECT_FALSE(Form1->RichEditAlignLeft1->Checked());

    Memo().Select(8, 15); // a centred and a left paragraph: neither alignment holds for all
    Form1->RichEditAlignCenter1->Update();
    Form1->RichEditAlignLeft1->Update();
    EXPECT_FALSE(Form1->RichEditAlignCenter1->Checked());
    EXPECT_FALSE(Form1->RichEditAlignLeft1->Checked());

    Form1->RichEditAlignRight1->Execute();
    EXPECT_EQ(alignmentAt(8), taRightJustify);
    EXPECT_EQ(alignmentAt(15), taRightJustify);
    EXPECT_EQ(alignmentAt(1), taCenter);
}

TEST_F(EditorCommandTest, CutCopyPasteGoThroughTheClipboardAndUndoTakesAnEditBack) {
    StartShown();
    SetWindowTextW(Editor(), L"hello world");
    Memo().Select(6, 11);
    Form1->EditCopy1->Execute();
    EXPECT_EQ(ClipboardText(), L"world");
    Memo().Select(0, 6);
    Form1->EditCut1->Execute();
    EXPECT_EQ(Memo().Text(), L"world");
    EXPECT_EQ(ClipboardText(), L"hello ");
    Memo().Select(5, 5);
    Form1->EditPaste1->Execute();
    EXPECT_EQ(Memo().Text(), L"worldhello ");
    Form1->EditUndo1->Execute();
    EXPECT_EQ(Memo().Text(), L"world");
    Form1->EditSelectAll1->Execute();
    EXPECT_EQ(Memo().SelText(), L"world");
    Memo().Select(1, 3);
    Form1->EditDelete1->Execute();
    EXPECT_EQ(Memo().Text(), L"wld");
    EXPECT_EQ(ClipboardText(), L"hello "); // deleting leaves the clipboard alone
}

TEST_F(EditorCommandTest, EditingCommandsActOnlyOnAFocusedEditor) {
    StartShown();
    SetWindowTextW(Editor(), L"hello");
    Memo().Select(0, 5);
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    SetFocus(other);
    Form1->EditDelete1->Execute();
    Form1->RichEditBold1->Execute();
    DestroyWindow(other);
    EXPECT_EQ(Memo().Text(), L"hello");
    Memo().Select(0, 5);
    EXPECT_FALSE(Memo().SelectionHasStyle(fsBold));
}

TEST_F(EditorCommandTest, TheColourDialogOpensOnTheSelectionsColourAndOnlyOkRecolours) {
    StartShown();
    SetNote("{\\cf1 red}{\\cf2 blue}\\par");
    Memo().Select(0, 3);
    UINT shownRed = 0, shownBlue = 0;
    WhenDialogOpens([&](HWND dialog) {
        shownRed = GetDlgItemInt(dialog, COLOR_RED, nullptr, FALSE);
        shownBlue = GetDlgItemInt(dialog, COLOR_BLUE, nullptr, FALSE);
        SetDlgItemInt(dialog, COLOR_RED, 0, FALSE);
        SetDlgItemInt(dialog, COLOR_GREEN, 128, FALSE);
        SetDlgItemInt(dialog, COLOR_BLUE, 0, FALSE);
        PressDialogButton(dialog, IDOK);
    });
    Form1->ColorSelect1->Execute();
    EXPECT_EQ(shownRed, 255u);
    EXPECT_EQ(shownBlue, 0u);
    EXPECT_EQ(Memo().SelColor(), static_cast<TColor>(RGB(0, 128, 0)));
    Memo().Select(3, 7);
    EXPECT_EQ(Memo().SelColor(), static_cast<TColor>(RGB(0, 0, 255)));

    // Cancelled over a red and blue selection, the dialog would hold only the first colour.
    Memo().Select(0, 7);
    WhenDialogOpens([](HWND dialog) { PressDialogButton(dialog, IDCANCEL); });
    Form1->ColorSelect1->Execute();
    Memo().Select(3, 7);
    EXPECT_EQ(Memo().SelColor(), static_cast<TColor>(RGB(0, 0, 255)));
}

TEST_F(EditorCommandTest, PoliceLoadsTheSettingsFontDialogWithTheSelectionAndGivesItTheChosenFont) {
    StartShown();
    SetNote("{\\b\\cf1\\fs24 big} small\\par");
    Memo().Select(0, 3);
    auto saved = TFontDialog::Show;
    TTextAttributes offered;
    TFontDialogOptions options = 0;
    TFontDialog::Show = [&](const TFontDialog& dialog, HWND, TFont& chosen) {
        offered = {dialog.Font()->Name(), dialog.Font()->Size(), dialog.Font()->Color(),
                   dialog.Font()->Style()};
        options = dialog.Options();
        chosen.SetName(L"Courier New");
        chosen.SetSize(16);
        chosen.SetColor(RGB(0, 0, 255));
        chosen.SetStyle(fsItalic | fsStrikeOut);
        return true;
    };
    Form1->Police2->Click();
    TFontDialog::Show = saved;
    EXPECT_EQ(offered.Name, L"Arial");
    EXPECT_EQ(offered.Size, 12);
    EXPECT_EQ(offered.Color, 0x0000FF);
    EXPECT_EQ(offered.Style, fsBold);
    EXPECT_EQ(options, fdTrueTypeOnly | fdEffects);
    const TTextAttributes now = Memo().SelAttributes();
    EXPECT_EQ(now.Name, L"Courier New");
    EXPECT_EQ(now.Size, 16);
    EXPECT_EQ(now.Color, static_cast<TColor>(RGB(0, 0, 255)));
    EXPECT_EQ(now.Style, fsItalic | fsStrikeOut);
    EXPECT_EQ(Fcfg->FontDialog1->Font()->Name(), L"Courier New"); // the dialog keeps the choice
    Memo().Select(4, 9);
    EXPECT_EQ(Memo().SelAttributes().Name, L"Arial");
}

// Item texts of a menu on screen and of its submenus, "-" for separators, ">" before a submenu
// and "*" after a checked item.
std::vector<std::wstring> MenuTexts(HMENU menu) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (state & MF_SEPARATOR) {
            texts.push_back(L"-");
            continue;
        }
        wchar_t text[128] = {};
        GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        std::wstring line = text;
        if (state & MF_CHECKED) line += L"*";
        if (HMENU sub = GetSubMenu(menu, i)) {
            texts.push_back(L">" + line);
            for (const std::wstring& inner : MenuTexts(sub))
                texts.push_back(L"  " + inner);
        } else {
            texts.push_back(line);
        }
    }
    return texts;
}

TEST_F(EditorCommandTest, ARightClickInTheTextOpensTheEditorMenuWithItsChecksCurrent) {
    StartShown();
    SetNote("{\\b bold}\\par\\qc centred\\par");
    Memo().Select(1, 3); // "ol": bold, left-aligned
    std::vector<std::wstring> seen;
    WhenMenuOpens([&](HWND wnd) {
        seen = MenuTexts(reinterpret_cast<HMENU>(SendMessageW(wnd, MN_GETHMENU, 0, 0)));
        CloseOpenMenu();
    });
    RECT r;
    GetWindowRect(Editor(), &r);
    const POINT at{r.left + 40, r.top + 60};
    ClickScreen(at, true);
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    const std::vector<std::wstring> expected = {L"Annuler\tCtrl+Z",
                                                L"-",
                                                L"Couper\tCtrl+X",
                                                L"Copier\tCtrl+C",
                                                L"Coller\tCtrl+V",
                                                L"Supprimer",
                                                L"-",
                                                L"Sélectionner tout\tCtrl+A",
                                                L"Supprimer tout\tCtrl+Del",
                                                L"Versions précédentes...",
                                                L"-",
                                                L">Style",
                                                L"  Couleur...",
                                                L"  Police...",
                                                L"  -",
                                                L"  Gras\tCtrl+B*",
                                                L"  Italique\tCtrl+I",
                                                L"  Souligné\tCtrl+U",
                                                L"  Barré\tCtrl+D",
                                                L">Alignement",
                                                L"  Gauche\tAlt+X*",
                                                L"  Centrer\tAlt+C",
                                                L"  Droite\tAlt+V"};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(Form1->PopupMenu2->PopupPoint().x, at.x);
    EXPECT_EQ(Form1->PopupMenu2->PopupPoint().y, at.y);

    // The checks follow the selection each time the menu opens.
    Memo().Select(6, 10);
    seen.clear();
    WhenMenuOpens([&](HWND wnd) {
        seen = MenuTexts(reinterpret_cast<HMENU>(SendMessageW(wnd, MN_GETHMENU, 0, 0)));
        CloseOpenMenu();
    });
    ClickScreen(at, true);
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    ASSERT_EQ(seen.size(), expected.size());
    EXPECT_EQ(seen[15], L"  Gras\tCtrl+B");
    EXPECT_EQ(seen[20], L"  Gauche\tAlt+X");
    EXPECT_EQ(seen[21], L"  Centrer\tAlt+C*");
}

void EmptyTheClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// The editing items of the editor menu as the menu on screen has them: the caption without its
// shortcut, followed by " (grey)" when the item is greyed.
std::vector<std::wstring> EditItemStates(HWND menuWindow) {
    auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    std::vector<std::wstring> states;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (state & MF_SEPARATOR) continue;
        wchar_t text[128] = {};
        GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        std::wstring caption = text;
        caption = caption.substr(0, caption.find(L'\t'));
        if (caption == L"Style") break;
        states.push_back(caption + ((state & MF_GRAYED) ? L" (grey)" : L""));
    }
    return states;
}

TEST_F(EditorCommandTest, TheEditorMenuGreysWhatCannotActWhileTheKeysStillWork) {
    StartShown();
    EmptyTheClipboard();
    SetWindowTextW(Editor(), L"hello world");
    Memo().Perform(EM_EMPTYUNDOBUFFER);
    Memo().Select(3, 3);
    RECT r;
    GetWindowRect(Editor(), &r);
    auto openMenu = [&] {
        std::vector<std::wstring> seen;
        WhenMenuOpens([&](HWND wnd) {
            seen = EditItemStates(wnd);
            CloseOpenMenu();
        });
        ClickScreen({r.left + 40, r.top + 60}, true);
        EXPECT_TRUE(PumpUntil([&] { return !seen.empty(); }));
        return seen;
    };
    EXPECT_EQ(openMenu(),
              (std::vector<std::wstring>{L"Annuler (grey)", L"Couper (grey)", L"Copier (grey)",
                                         L"Coller (grey)", L"Supprimer (grey)", L"Sélectionner tout",
                                         L"Supprimer tout", L"Versions précédentes..."}));

    // Copied, typed, then a selection: everything can act.
    Memo().Select(0, 5);
    Press({VK_CONTROL, 'C'});
    ASSERT_EQ(ClipboardText(), L"hello");
    Memo().Select(11, 11);
    Press({'X'});
    ASSERT_EQ(Memo().Text(), L"hello worldx");
    Memo().Select(6, 11);
    EXPECT_EQ(openMenu(), (std::vector<std::wstring>{L"Annuler", L"Couper", L"Copier", L"Coller",
                                                     L"Supprimer", L"Sélectionner tout", L"Supprimer tout",
                                                     L"Versions précédentes..."}));

    // Nothing to paste when the menu opened; text on the clipboard since: Ctrl+V pastes it.
    EmptyTheClipboard();
    Memo().Select(0, 0);
    const std::vector<std::wstring> empty = openMenu();
    ASSERT_EQ(empty.size(), 8u);
    EXPECT_EQ(empty[3], L"Coller (grey)");
    EXPECT_EQ(empty[1], L"Couper (grey)");
    Memo().Select(0, 5);
    Press({VK_CONTROL, 'C'});
    Memo().Select(12, 12);
    Press({VK_CONTROL, 'V'});
    EXPECT_EQ(Memo().Text(), L"hello worldxhello");
    EXPECT_TRUE(reported.empty());
}

// Keys posted to the menu on screen, as its modal loop reads them.
void PostMenuKeys(HWND menu, std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        PostMessageW(menu, WM_KEYDOWN, key, 0);
        PostMessageW(menu, WM_KEYUP, key, 0xC0000000);
    }
}

TEST_F(EditorCommandTest, SupprimerToutFromTheEditorMenuAsksFirst) {
    StartShown();
    SetWindowTextW(Editor(), L"keep me");
    auto saved = AskYesNo;
    int asked = 0;
    AskYesNo = [&](HWND, const std::wstring&, const std::wstring&) { return ++asked > 1; };
    // The pointer away from where the menu opens, so that no hover moves the highlight.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    for (int round = 0; round < 2; ++round) {
        // Up from the last item, past "Style" and "Versions précédentes...": "Supprimer tout".
        WhenMenuOpens([](HWND wnd) { PostMenuKeys(wnd, {VK_END, VK_UP, VK_UP, VK_UP, VK_RETURN}); });
        SendMessageW(Editor(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Editor()), MAKELPARAM(100, 100));
        EXPECT_EQ(Memo().Text(), round == 0 ? L"keep me" : L"");
    }
    AskYesNo = saved;
    EXPECT_EQ(asked, 2);
}

bool gAboutWasModal = false;

// Closes the About dialog once it shows, noting whether the note was blocked meanwhile.
void CALLBACK CloseAboutOnceShown(HWND, UINT, UINT_PTR id, DWORD) {
    if (!FAbout->Visible()) return;
    KillTimer(nullptr, id);
    gAboutWasModal = FAbout->Modal() && !IsWindowEnabled(Form1->Handle());
    PostMessageW(FAbout->Handle(), WM_CLOSE, 0, 0);
}

TEST_F(EditorCommandTest, TheTrayMenuOpensTheAboutDialogModallyAndTheSettingsWithoutBlocking) {
    StartShown();
    gAboutWasModal = false;
    // From the bottom: "&Quitter", then "A Propos...".
    WhenMenuOpens([](HWND wnd) { PostMenuKeys(wnd, {VK_UP, VK_UP, VK_RETURN}); });
    SetTimer(nullptr, 0, 30, CloseAboutOnceShown);
    Form1->PopupMenu1->Popup(300, 300); // returns once the About dialog has closed
    EXPECT_TRUE(gAboutWasModal);
    EXPECT_FALSE(FAbout->Visible());
    EXPECT_TRUE(IsWindowEnabled(Form1->Handle()));

    Form1->Parametres1->Click();
    EXPECT_TRUE(Fcfg->Visible());
    EXPECT_TRUE(IsWindowEnabled(Form1->Handle())); // the note goes on working
    Fcfg->Close();
}

} // namespace
