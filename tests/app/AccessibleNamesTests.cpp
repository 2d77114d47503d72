#include "about/AboutForm.h"
#include "app/ProgramFixture.h"
#include "settings/SettingsForm.h"
#include "support/Announced.h"
#include "support/Keyboard.h"
#include "support/PointerInput.h"

#include <oleacc.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

// Wine's standard objects know fewer control kinds than the system's: push buttons, check boxes,
// scroll bars and the rich edit answer ROLE_SYSTEM_CLIENT there, where the system gives their
// own roles. The table holds both; which applies is asked of the running system.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

struct TExpected {
    const wchar_t* Name;
    long Role;
    long WineRole;
};

class AccessibleNamesTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Start();
    }
    void TearDown() override {
        ProgramFixture::TearDown();
        CoUninitialize();
    }
    template <class Done> bool PumpUntil(Done done) { return ::PumpUntil(app, done); }
    // The controls Tab reaches in a shown window, from the one that has the focus, in order,
    // until the focus comes back to where it started.
    std::vector<HWND> TabOrder(HWND window) {
        SetForegroundWindow(window);
        std::vector<HWND> order;
        if (!PumpUntil([&] { return GetFocus() && IsChild(window, GetFocus()); })) return order;
        const HWND first = GetFocus();
        order.push_back(first);
        for (int i = 0; i < 40; ++i) {
            const HWND before = GetFocus();
            SendChord({VK_TAB});
            if (!PumpUntil([&] { return GetFocus() != before; })) break;
            if (GetFocus() == first) break;
            order.push_back(GetFocus());
        }
        return order;
    }
    void ExpectAnnounced(const std::vector<HWND>& order, const std::vector<TExpected>& table) {
        const bool wine = UnderWine();
        ASSERT_EQ(order.size(), table.size());
        for (size_t i = 0; i < table.size(); ++i) {
            const TSpoken spoken = Announced(order[i]);
            EXPECT_EQ(spoken.Name, table[i].Name) << "control " << i;
            EXPECT_EQ(spoken.Role, wine ? table[i].WineRole : table[i].Role)
                << "control " << i << " " << table[i].Name;
        }
    }
};

TEST_F(AccessibleNamesTest, EveryControlTabReachesInTheSettingsDialogIsAnnouncedByItsLabelInReadingOrder) {
    Fcfg->Show();
    Fcfg->AScroll->SetFocus();
    // The interval is enabled with regular saving; disabled, Tab passes it by.
    Fcfg->CEnreg->SetChecked(true);
    const std::vector<TExpected> table = {
        {L"Valeur de transparence : (0 : transparent => 255 : opaque)", ROLE_SYSTEM_SCROLLBAR,
         ROLE_SYSTEM_CLIENT},
        {L"Afficher la barre de titre", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Minimiser au lieu de fermer", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Afficher la bordure", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Afficher la barre de défilement", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Fond Transparent", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Couleur de fond :", ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON},
        {L"Enregistrement Régulier", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Intervalle de l'enregistrement régulier", ROLE_SYSTEM_SCROLLBAR, ROLE_SYSTEM_CLIENT},
        {L"Enregistrer à chaque modification", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Touche de Raccourci Global", ROLE_SYSTEM_TEXT, ROLE_SYSTEM_TEXT},
        {L"Lancer au démarrage", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Ouvert au démarrage", ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_CLIENT},
        {L"OK", ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_CLIENT},
        {L"A Propos", ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_CLIENT},
        {L"Police", ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_CLIENT},
    };
    ExpectAnnounced(TabOrder(Fcfg->Handle()), table);
    // The name survives a new window, as the border setting makes for the note.
    Fcfg->EGlobal->RecreateWnd();
    EXPECT_EQ(Announced(Fcfg->EGlobal->Handle()).Name, L"Touche de Raccourci Global");
    Fcfg->Close();
}

TEST_F(AccessibleNamesTest, TheBackgroundColourIsChosenFromTheKeyboardAndItsFocusShowsAroundTheSwatch) {
    const auto savedShow = TColorDialog::Show;
    int shown = 0;
    TColorDialog::Show = [&](TColorDialog&, HWND) -> std::optional<TColor> {
        ++shown;
        return 0x336699;
    };
    Fcfg->Show();
    Fcfg->CBgTrans->SetFocus();
    SetForegroundWindow(Fcfg->Handle());
    SendChord({VK_TAB});
    ASSERT_TRUE(PumpUntil([&] { return GetFocus() == Fcfg->Shape1Key->Handle(); }));
    SendChord({VK_SPACE});
    EXPECT_TRUE(PumpUntil([&] { return shown == 1; }));
    SendChord({VK_RETURN});
    EXPECT_TRUE(PumpUntil([&] { return shown == 2; }));
    EXPECT_EQ(Form1->Memo1->Color(), 0x336699);
    // The dotted frame is drawn around the swatch, never over it, and only while it has the focus.
    RECT frame;
    GetWindowRect(Fcfg->Shape1Key->Handle(), &frame);
    POINT corner{frame.left, frame.top};
    EXPECT_EQ(WindowFromPoint(corner), Fcfg->GroupBox1->Handle()) << "the mouse goes through";
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(Fcfg->Shape1Key->Handle(), region), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(region, 2 + Fcfg->Shape1->Width() / 2, 2 + Fcfg->Shape1->Height() / 2));
    Fcfg->CEnreg->SetFocus();
    EXPECT_EQ(GetWindowRgn(Fcfg->Shape1Key->Handle(), region), NULLREGION);
    DeleteObject(region);
    TColorDialog::Show = savedShow;
    Fcfg->Close();
}

TEST_F(AccessibleNamesTest, TheNoteEditorIsAnnouncedAsNoteWhateverItHolds) {
    Form1->Show();
    Form1->Memo1->SetFocus();
    SetWindowTextW(Form1->Memo1->Handle(), L"liste de courses");
    ExpectAnnounced({Form1->Memo1->Handle()}, {{L"Note", ROLE_SYSTEM_TEXT, ROLE_SYSTEM_CLIENT}});
    // The border setting gives the note a new window: the editor keeps its name.
    Form1->SetBorderStyle(Form1->BorderStyle() == bsNone ? bsSizeable : bsNone);
    EXPECT_EQ(Announced(Form1->Memo1->Handle()).Name, L"Note");
}

TEST_F(AccessibleNamesTest,
       TheAboutDialogsLinksAreAnnouncedAsLinksByTheirTextThenTheShortcutListAndThePicture) {
    FAbout->Show();
    FAbout->HotLink1->FocusWindow()->SetFocus();
    ExpectAnnounced(
        TabOrder(FAbout->Handle()),
        {
            {L"EMail", ROLE_SYSTEM_LINK, ROLE_SYSTEM_LINK},
            {L"Site Web", ROLE_SYSTEM_LINK, ROLE_SYSTEM_LINK},
            {L"Raccourcis clavier", ROLE_SYSTEM_TEXT, ROLE_SYSTEM_TEXT},
            {L"A Propos de .... l'équipe Quillpad", ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON},
        });
    FAbout->Close();
}

} // namespace
