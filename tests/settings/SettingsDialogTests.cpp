#include "about/AboutForm.h"
#include "support/FileTestHelpers.h"
#include "app/ProgramFixture.h"
#include "framework/Paths.h"
#include "framework/Registry.h"
#include "framework/Timer.h"
#include "framework/ToolTips.h"
#include "settings/LogonStart.h"
#include "settings/SettingsForm.h"
#include "support/AltGrLayout.h"
#include "support/Keyboard.h"
#include "support/PointerInput.h"
#include "support/Mouse.h"

#include <chrono>
#include <thread>

namespace {

// The whole program with its settings dialog, driven through the dialog's real controls. The
// log-on start value is the test program's own and goes when the test ends.
class SettingsDialogTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        RemoveRunValue();
        savedColor = TColorDialog::Show;
        savedFont = TFontDialog::Show;
    }
    void TearDown() override {
        TColorDialog::Show = savedColor;
        TFontDialog::Show = savedFont;
        ProgramFixture::TearDown();
        RemoveRunValue();
    }
    static void RemoveRunValue() {
        TRegistryKey key = TRegistryKey::Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_SET_VALUE);
        if (key.IsOpen()) RegDeleteValueW(key.Handle(), LogonStartName().c_str());
    }
    static std::optional<std::wstring> RunValue() {
        return TRegistryKey::Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_READ).ReadString(LogonStartName());
    }
    void Open() {
        Fcfg->Show();
        SetForegroundWindow(Fcfg->Handle());
        UpdateWindow(Fcfg->Handle());
    }
    template <class Done> bool PumpUntil(Done done) { return ::PumpUntil(app, done); }
    // A real click on a box, waiting until the box has taken it.
    bool Click(TCheckBox* box) {
        const bool before = box->Checked();
        ClickScreen(ScreenPoint(box->Handle(), 6, 8));
        return PumpUntil([&] { return box->Checked() != before; });
    }
    bool ClickArrow(TScrollBar* bar, bool right) {
        const int before = bar->Position();
        ClickScreen(ScreenPoint(bar->Handle(), right ? bar->Width() - 5 : 5, bar->Height() / 2));
        return PumpUntil([&] { return bar->Position() != before; });
    }
    static DWORD Style(HWND wnd) { return static_cast<DWORD>(GetWindowLongPtrW(wnd, GWL_STYLE)); }
    // Whether nobody holds the combination system-wide: registering it from here succeeds (and
    // is undone at once). Wine refuses a combination held by any thread, as Windows does.
    static bool Free(UINT modifiers, UINT key) {
        if (!RegisterHotKey(nullptr, kProbe, modifiers, key)) return false;
        UnregisterHotKey(nullptr, kProbe);
        return true;
    }
    // One key going down or up, as real input.
    static void Key(WORD key, bool up) {
        INPUT input{INPUT_KEYBOARD, {.ki = {key, 0, up ? static_cast<DWORD>(KEYEVENTF_KEYUP) : 0u, 0, 0}}};
        SendInput(1, &input, sizeof input);
    }
    static constexpr int kProbe = 0x7FFF;
    static constexpr int kHeldElsewhere = 0x7FFE;
    static std::wstring Stored(const wchar_t* section, const wchar_t* key) {
        return TIniFile(SettingsPath()).ReadString(section, key, L"<none>");
    }

    decltype(TColorDialog::Show) savedColor;
    decltype(TFontDialog::Show) savedFont;
};

TEST_F(SettingsDialogTest, TheDialogAndItsControlsGetTheirWindowsOnlyWhenFirstShown) {
    Start();
    EXPECT_FALSE(Fcfg->HandleAllocated());
    std::vector<TWinControl*> windowed;
    for (size_t i = 0; i < Fcfg->ComponentCount(); ++i)
        if (auto* c = dynamic_cast<TWinControl*>(Fcfg->Components(i))) windowed.push_back(c);
    ASSERT_EQ(windowed.size(), 18u);
    for (TWinControl* c : windowed)
        EXPECT_FALSE(c->HandleAllocated()) << c->Name();
    Open();
    for (TWinControl* c : windowed)
        EXPECT_TRUE(c->HandleAllocated()) << c->Name();
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsDialogTest, EveryControlCarriesItsCaptionAndSitsInsideItsParentWithoutOverlap) {
    Start();
    Open();
    RECT client;
    GetClientRect(Fcfg->Handle(), &client);
    EXPECT_EQ(client.right, 288);
    EXPECT_EQ(client.bottom, 376);
    EXPECT_EQ(Style(Fcfg->Handle()) & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_TRUE(Style(Fcfg->Handle()) & WS_SYSMENU);
    const std::vector<std::pair<TControl*, std::wstring>> captions{
        {Fcfg->GroupBox1, L"Apparence"},
        {Fcfg->Label1, L"Valeur de transparence :\r\n(0 : transparent => 255 : opaque)"},
        {Fcfg->CTitle, L"Afficher la barre de titre"},
        {Fcfg->CClose, L"Minimiser au lieu de fermer"},
        {Fcfg->CBorder, L"Afficher la bordure"},
        {Fcfg->CScrolBar, L"Afficher la barre de défilement"},
        {Fcfg->CBgTrans, L"Fond Transparent"},
        {Fcfg->Label2, L"Couleur de fond : "},
        {Fcfg->GroupBox2, L"Enregistrement"},
        {Fcfg->CEnreg, L"Enregistrement Régulier"},
        {Fcfg->CAutoSave, L"Enregistrer à chaque modification"},
        {Fcfg->Label3, L"Touche de Raccourci Global"},
        {Fcfg->CRun, L"Lancer au démarrage"},
        {Fcfg->CStartShow, L"Ouvert au démarrage"},
        {Fcfg->Button1, L"OK"},
        {Fcfg->Button2, L"A Propos"},
        {Fcfg->Button3, L"Police"}};
    for (const auto& [control, caption] : captions) {
        EXPECT_EQ(control->Caption(), caption) << control->Name();
        if (auto* w = dynamic_cast<TWinControl*>(control)) {
            wchar_t text[128] = {};
            GetWindowTextW(w->Handle(), text, 128);
            EXPECT_EQ(std::wstring(text), caption) << control->Name();
        }
    }
    EXPECT_EQ(Fcfg->Label1->Alignment(), taCenter);
    EXPECT_FALSE(Fcfg->Aval->Enabled());
    EXPECT_EQ(ToolTipText(Fcfg->EGlobal->Handle()),
              L"Tapez la combinaison de touches que vous\r\ndésirez utilisez en tant que Raccourci global");
    EXPECT_EQ(Fcfg->AScroll->Min(), 0);
    EXPECT_EQ(Fcfg->AScroll->Max(), 255);
    EXPECT_EQ(Fcfg->AScroll->SmallChange(), 5);
    EXPECT_EQ(Fcfg->AScroll->LargeChange(), 10);
    EXPECT_EQ(Fcfg->SIntervalle->Min(), 1);
    EXPECT_EQ(Fcfg->SIntervalle->Max(), 60);
    EXPECT_EQ(Fcfg->SIntervalle->LargeChange(), 5);
    EXPECT_EQ(Fcfg->Shape1->Width(), 20);
    EXPECT_EQ(Fcfg->Shape1->Height(), 20);

    // A tidy dialog: each control lies within its parent, and no two siblings overlap.
    std::vector<TControl*> controls;
    for (size_t i = 0; i < Fcfg->ComponentCount(); ++i)
        if (auto* c = dynamic_cast<TControl*>(Fcfg->Components(i))) controls.push_back(c);
    for (TControl* c : controls) {
        const TWinControl* parent = c->Parent();
        ASSERT_NE(parent, nullptr) << c->Name();
        const int width = parent == Fcfg ? Fcfg->ClientWidth() : parent->Width();
        const int height = parent == Fcfg ? Fcfg->ClientHeight() : parent->Height();
        EXPECT_TRUE(c->Left() >= 0 && c->Top() >= 0 && c->Left() + c->Width() <= width &&
                    c->Top() + c->Height() <= height)
            << c->Name();
        for (TControl* other : controls) {
            if (other == c || other->Parent() != parent) continue;
            // The swatch's keyboard stand-in frames it by design.
            if ((c == Fcfg->Shape1Key && other == Fcfg->Shape1) ||
                (c == Fcfg->Shape1 && other == Fcfg->Shape1Key))
                continue;
            RECT a{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
            RECT b{other->Left(), other->Top(), other->Left() + other->Width(),
                   other->Top() + other->Height()};
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &a, &b)) << c->Name() << " overlaps " << other->Name();
        }
    }
}

TEST_F(SettingsDialogTest, ShowingReflectsTheNoteAndReappliesWhatItChecks) {
    Setting(L"Save", L"Interval", L"90000"); // a minute and a half
    Start();
    Open();
    EXPECT_TRUE(Fcfg->CClose->Checked());
    EXPECT_FALSE(Fcfg->CAutoSave->Checked());
    EXPECT_FALSE(Fcfg->CStartShow->Checked());
    EXPECT_FALSE(Fcfg->CRun->Checked());
    EXPECT_TRUE(Fcfg->CScrolBar->Checked());
    EXPECT_EQ(Fcfg->AScroll->Position(), 255);
    EXPECT_EQ(Fcfg->Aval->Caption(), L"255");
    EXPECT_FALSE(Form1->AlphaBlend()); // the bar moved to 255 and turned blending off
    EXPECT_FALSE(Fcfg->CBgTrans->Checked());
    EXPECT_EQ(Fcfg->Shape1->BrushColor(), 0xFFFFFF);
    EXPECT_TRUE(Fcfg->CTitle->Checked());
    EXPECT_TRUE(Fcfg->CBorder->Checked());
    EXPECT_TRUE(Fcfg->CEnreg->Checked());
    EXPECT_TRUE(Fcfg->SIntervalle->Enabled());
    EXPECT_TRUE(Fcfg->LIntervalle->Enabled());
    EXPECT_EQ(Fcfg->SIntervalle->Position(), 1);
    EXPECT_EQ(Fcfg->LIntervalle->Caption(), L"1 minute");
    EXPECT_EQ(Form1->Timer1->Interval(), 90000u); // the bar did not move, so the period stays
    EXPECT_EQ(Fcfg->EGlobal->Text(), L"");
    EXPECT_FALSE(IsWindowVisible(app.Handle()));
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsDialogTest, ATransparentBackgroundDisablesTheOpacityBarWhenShown) {
    Setting(L"Apparence", L"BgTrans", L"1");
    Setting(L"Apparence", L"Global", L"0x4065"); // Ctrl + keypad 5
    Setting(L"Apparence", L"Visible", L"1");
    Setting(L"Save", L"SaveOnChange", L"1");
    Start();
    Open();
    EXPECT_TRUE(Fcfg->CBgTrans->Checked());
    EXPECT_FALSE(Fcfg->AScroll->Enabled());
    EXPECT_FALSE(Form1->AlphaBlend());
    EXPECT_TRUE(Form1->TransparentColor());
    EXPECT_TRUE(Fcfg->CStartShow->Checked());
    EXPECT_TRUE(Fcfg->CAutoSave->Checked());
    // The field reads the key back as the main row's digit, and so the hot key changes too.
    EXPECT_EQ(Fcfg->EGlobal->Text(), L"Ctrl+5");
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0x4035);
}

TEST_F(SettingsDialogTest, EachBoxAndBarChangesTheRunningNoteAtOnce) {
    Start();
    Form1->Show();
    Open();
    ASSERT_TRUE(ClickArrow(Fcfg->AScroll, false));
    EXPECT_EQ(Fcfg->AScroll->Position(), 250);
    EXPECT_EQ(Fcfg->Aval->Caption(), L"250");
    EXPECT_TRUE(Form1->AlphaBlend());
    EXPECT_EQ(Form1->AlphaBlendValue(), 250);

    ASSERT_TRUE(Click(Fcfg->CBgTrans));
    EXPECT_TRUE(Form1->TransparentColor());
    EXPECT_FALSE(Form1->AlphaBlend());
    EXPECT_TRUE(Form1->BgTransparent());
    EXPECT_FALSE(Fcfg->AScroll->Enabled());
    EXPECT_FALSE(IsWindowEnabled(Fcfg->AScroll->Handle()));
    ASSERT_TRUE(Click(Fcfg->CBgTrans));
    EXPECT_FALSE(Form1->TransparentColor());
    EXPECT_TRUE(Form1->AlphaBlend());
    EXPECT_TRUE(Fcfg->AScroll->Enabled());

    ASSERT_TRUE(Click(Fcfg->CTitle));
    EXPECT_TRUE(Form1->TitleBarHidden());
    EXPECT_EQ(Style(Form1->Handle()) & WS_CAPTION, 0u);
    HWND before = Form1->Handle();
    ASSERT_TRUE(Click(Fcfg->CBorder));
    EXPECT_EQ(Form1->BorderStyle(), bsNone);
    EXPECT_NE(Form1->Handle(), before); // a new window
    EXPECT_EQ(Style(Form1->Handle()) & WS_THICKFRAME, 0u);
    ASSERT_TRUE(Click(Fcfg->CBorder));
    EXPECT_EQ(Form1->BorderStyle(), bsSizeable);
    EXPECT_TRUE(Style(Form1->Handle()) & WS_THICKFRAME);
    EXPECT_EQ(Style(Form1->Handle()) & WS_CAPTION, 0u); // the title bar stays hidden on it
    EXPECT_EQ(SendMessageW(Form1->Memo1->Handle(), EM_GETAUTOURLDETECT, 0, 0), TRUE);

    ASSERT_TRUE(Click(Fcfg->CScrolBar));
    EXPECT_FALSE(Style(Form1->Memo1->Handle()) & WS_VSCROLL);
    ASSERT_TRUE(Click(Fcfg->CClose));
    EXPECT_FALSE(Form1->MinimizeOnClose());
    ASSERT_TRUE(Click(Fcfg->CAutoSave));
    EXPECT_TRUE(Form1->SaveOnChange());
    ASSERT_TRUE(Click(Fcfg->CStartShow));
    EXPECT_TRUE(Form1->ShowAtStart());

    ASSERT_TRUE(ClickArrow(Fcfg->SIntervalle, true));
    EXPECT_EQ(Fcfg->LIntervalle->Caption(), L"2 minutes");
    EXPECT_EQ(Form1->Timer1->Interval(), 120000u);
    ASSERT_TRUE(ClickArrow(Fcfg->SIntervalle, false));
    EXPECT_EQ(Fcfg->LIntervalle->Caption(), L"1 minute");
    ASSERT_TRUE(Click(Fcfg->CEnreg));
    EXPECT_FALSE(Form1->Timer1->Enabled());
    EXPECT_FALSE(Fcfg->SIntervalle->Enabled());
    EXPECT_FALSE(Fcfg->LIntervalle->Enabled());
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsDialogTest, KeysTypedIntoTheFieldBecomeTheGlobalHotKeyWhileTheNotesKeysAreOff) {
    Start();
    Form1->Show();
    Open();
    EXPECT_FALSE(Form1->HKSave->Active()); // the note is not the active window now
    Fcfg->EGlobal->SetFocus();
    SendChord({VK_CONTROL, 'S'}); // the note's own save key, free while the dialog is active
    ASSERT_TRUE(PumpUntil([] { return Fcfg->EGlobal->Text() == L"Ctrl+S"; })) << Fcfg->EGlobal->Text();
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0x4053);
    EXPECT_TRUE(Form1->HKGlobal->Active());
    EXPECT_FALSE(Free(MOD_CONTROL, 'S')); // registered system-wide
}

TEST_F(SettingsDialogTest, ACombinationAnotherProgramHoldsStaysInactiveIsMarkedAndIsStillWritten) {
    ASSERT_TRUE(RegisterHotKey(nullptr, kHeldElsewhere, MOD_CONTROL | MOD_ALT, 'W'));
    Start();
    Open();
    Fcfg->EGlobal->SetText(L"Ctrl+Alt+W");
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0xC057);
    EXPECT_FALSE(Form1->HKGlobal->Active());
    EXPECT_FALSE(Fcfg->EGlobal->Warning().empty());
    SendMessageW(Fcfg->Button1->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(Stored(L"Apparence", L"Global"), L"49239");
    // Let go of while the dialog was closed: showing it again takes the key.
    UnregisterHotKey(nullptr, kHeldElsewhere);
    Open();
    EXPECT_TRUE(Form1->HKGlobal->Active());
    EXPECT_EQ(Fcfg->EGlobal->Text(), L"Ctrl+Alt+W");
    EXPECT_EQ(Fcfg->EGlobal->Warning(), L"");
}

TEST_F(SettingsDialogTest, AKeyOfOrdinaryTypingFromTheSettingsFileIsLetGoWhenTheDialogShows) {
    Setting(L"Apparence", L"Global", L"65"); // "A", as an earlier version could store it
    Start();
    Open();
    EXPECT_EQ(Fcfg->EGlobal->Text(), L"");
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);
    EXPECT_TRUE(Free(0, 'A'));
}

TEST_F(SettingsDialogTest, OkWritesTheTwentyKeysInOrderAndCloses) {
    Start();
    Open();
    ASSERT_TRUE(Click(Fcfg->CTitle));
    ClickScreen(ScreenCentre(Fcfg->Button1->Handle()));
    ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Fcfg->Handle()); }));
    const std::string ini = FileBytes(SettingsPath());
    EXPECT_EQ(ini,
              "[Apparence]\r\nBgTrans=0\r\nAlpha=255\r\nTitle=1\r\nClose=1\r\nFont=Arial\r\nSize=8\r\n"
              "Color=0\r\nBgcolor=16777215\r\nAOT=0\r\nVisible=0\r\nGlobal=0\r\nBorder=1\r\nScroll=1\r\n"
              "Bold=0\r\nItalic=0\r\nUnderLine=0\r\nStrikeOut=0\r\n[Save]\r\nAutoSave=1\r\nInterval=60000\r\n"
              "SaveOnChange=0\r\n");
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsDialogTest, AFailedWriteIsReportedOnceAndKeepsTheDialogOpen) {
    Start();
    Open();
    Setting(L"Apparence", L"Alpha", L"17");
    TFileLock lock(SettingsPath());
    ASSERT_TRUE(lock.Held());
    SendMessageW(Fcfg->Button1->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(reported, std::vector<std::wstring>{L"Unable to write to " + SettingsPath()});
    EXPECT_TRUE(IsWindowVisible(Fcfg->Handle()));
    lock.Release();
    EXPECT_EQ(Stored(L"Apparence", L"Alpha"), L"17");
    EXPECT_EQ(Stored(L"Apparence", L"BgTrans"), L"<none>");
}

TEST_F(SettingsDialogTest, OkWithNothingChangedLeavesTheFileAsItWas) {
    Start();
    Open();
    SendMessageW(Fcfg->Button1->Handle(), BM_CLICK, 0, 0);
    ASSERT_FALSE(IsWindowVisible(Fcfg->Handle()));
    const std::string bytes = FileBytes(SettingsPath());
    const FILETIME old = AgeFile(SettingsPath());
    TFileLock reader(SettingsPath(), FILE_SHARE_READ); // a write attempt would be reported
    ASSERT_TRUE(reader.Held());
    Open();
    ClickScreen(ScreenCentre(Fcfg->Button1->Handle()));
    ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Fcfg->Handle()); }));
    reader.Release();
    EXPECT_EQ(FileBytes(SettingsPath()), bytes);
    EXPECT_TRUE(SameTime(LastWriteTime(SettingsPath()), old));
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsDialogTest, TheCloseBoxKeepsTheChangesWithoutWritingThem) {
    Start();
    Open();
    ASSERT_TRUE(ClickArrow(Fcfg->AScroll, false));
    SendMessageW(Fcfg->Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(Fcfg->Handle()));
    EXPECT_EQ(Form1->AlphaBlendValue(), 250);
    EXPECT_EQ(GetFileAttributesW(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsDialogTest, TheLogOnBoxCreatesTheRunValueWithThePathAndRemovesIt) {
    Start();
    Open();
    ASSERT_TRUE(Click(Fcfg->CRun));
    EXPECT_EQ(RunValue(), ExecutablePath());
    EXPECT_EQ(ReadLogonStart(L"False"), ExecutablePath());
    ASSERT_TRUE(Click(Fcfg->CRun));
    EXPECT_FALSE(RunValue().has_value());
    EXPECT_EQ(ReadLogonStart(L"False"), L"False");
    EXPECT_TRUE(reported.empty());

    // A value that is already gone cannot be deleted: reported, and the box stays unchecked.
    Fcfg->CRun->SetChecked(true);
    RemoveRunValue();
    ASSERT_TRUE(Click(Fcfg->CRun));
    EXPECT_EQ(reported,
              std::vector<std::wstring>{L"Unable to open key \"Software\\Microsoft\\Windows\\CurrentVersion"
                                        L"\\Run\" and access value \"" +
                                        LogonStartName() + L"\""});
}

TEST_F(SettingsDialogTest, AnExistingRunValueChecksTheBoxAndIsRewrittenWithTheCurrentPath) {
    {
        TRegistryKey key = TRegistryKey::Open(HKEY_CURRENT_USER, kRunKeyPath, KEY_SET_VALUE);
        ASSERT_TRUE(key.IsOpen());
        key.WriteString(LogonStartName(), L"C:\\old\\place.exe");
    }
    Start();
    Open();
    EXPECT_TRUE(Fcfg->CRun->Checked());
    EXPECT_EQ(RunValue(), ExecutablePath());
}

TEST_F(SettingsDialogTest, ANewBackgroundColourIsShownAndTurnsTheTransparentBackgroundOff) {
    Start();
    Open();
    ASSERT_TRUE(Click(Fcfg->CBgTrans));
    TColor offered = -1;
    TColorDialog::Show = [&](TColorDialog& dialog, HWND) -> std::optional<TColor> {
        offered = dialog.Color();
        return 0x336699;
    };
    ClickScreen(ScreenPoint(Fcfg->GroupBox1->Handle(), Fcfg->Shape1->Left() + 10, Fcfg->Shape1->Top() + 10));
    ASSERT_TRUE(PumpUntil([] { return Form1->Memo1->Color() == 0x336699; }));
    EXPECT_EQ(offered, 0xFFFFFF);
    EXPECT_EQ(Fcfg->Shape1->BrushColor(), 0x336699);
    EXPECT_FALSE(Fcfg->CBgTrans->Checked());
    EXPECT_FALSE(Form1->TransparentColor());
    EXPECT_FALSE(Form1->BgTransparent());
}

TEST_F(SettingsDialogTest, TheChosenFontGoesToTheSelectionAndBecomesTheDefaultFont) {
    Start();
    Open();
    TFontDialog::Show = [](const TFontDialog& dialog, HWND, TFont& chosen) {
        EXPECT_EQ(dialog.Font()->Name(), L"Arial");
        chosen.SetName(L"Courier New");
        chosen.SetSize(14);
        chosen.SetStyle(fsItalic);
        return true;
    };
    ClickScreen(ScreenCentre(Fcfg->Button3->Handle()));
    ASSERT_TRUE(PumpUntil([] { return Form1->DefaultFont() == Fcfg->FontDialog1->Font(); }));
    const TTextAttributes typed = Form1->Memo1->SelAttributes();
    EXPECT_EQ(typed.Name, L"Courier New");
    EXPECT_EQ(typed.Size, 14);
    EXPECT_EQ(typed.Style, static_cast<TFontStyles>(fsItalic));
    SendMessageW(Fcfg->Button1->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(Stored(L"Apparence", L"Font"), L"Courier New");
    EXPECT_EQ(Stored(L"Apparence", L"Size"), L"14");
    EXPECT_EQ(Stored(L"Apparence", L"Italic"), L"1");
}

TEST_F(SettingsDialogTest, TheAboutButtonOpensTheAboutDialogModally) {
    Start();
    Open();
    bool sawModal = false;
    TTimer probe(nullptr);
    probe.SetInterval(50);
    probe.OnTimer = [&](TObject*) {
        probe.SetEnabled(false);
        sawModal = FAbout->Modal() && IsWindowVisible(FAbout->Handle()) && !IsWindowEnabled(Fcfg->Handle());
        FAbout->Close();
    };
    probe.SetEnabled(true);
    SendMessageW(Fcfg->Button2->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(sawModal);
    EXPECT_FALSE(IsWindowVisible(FAbout->Handle()));
    EXPECT_TRUE(IsWindowEnabled(Fcfg->Handle()));
}

// Keys pressed as real input while the dialog is the active window.
class SettingsDialogKeysTest : public SettingsDialogTest {
protected:
    void OpenActive() {
        Start();
        Open();
        ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == Fcfg->Handle(); }));
    }
    bool FocusMovesTo(std::initializer_list<WORD> keys, TWinControl* control) {
        SendChord(keys);
        return PumpUntil([&] { return GetFocus() == control->Handle(); });
    }
};

TEST_F(SettingsDialogKeysTest, TabWalksTheControlsInTheirOrderAndShiftTabWalksBack) {
    OpenActive();
    ASSERT_TRUE(PumpUntil([] { return GetFocus() == Fcfg->AScroll->Handle(); })) << "the first tab stop";
    ASSERT_TRUE(Fcfg->SIntervalle->Enabled()); // the periodic save is on by default
    const std::vector<TWinControl*> forward{
        Fcfg->CTitle,    Fcfg->CClose, Fcfg->CBorder,     Fcfg->CScrolBar, Fcfg->CBgTrans,
        Fcfg->Shape1Key, Fcfg->CEnreg, Fcfg->SIntervalle, Fcfg->CAutoSave, Fcfg->EGlobal};
    for (TWinControl* next : forward)
        ASSERT_TRUE(FocusMovesTo({VK_TAB}, next)) << next->Name();
    // The hot-key field lets Tab and Shift+Tab move on, as every other control does.
    for (TWinControl* next : std::vector<TWinControl*>{Fcfg->CRun, Fcfg->CStartShow, Fcfg->Button1,
                                                       Fcfg->Button2, Fcfg->Button3, Fcfg->AScroll})
        ASSERT_TRUE(FocusMovesTo({VK_TAB}, next)) << next->Name();
    for (TWinControl* back :
         std::vector<TWinControl*>{Fcfg->Button3, Fcfg->Button2, Fcfg->Button1, Fcfg->CStartShow, Fcfg->CRun,
                                   Fcfg->EGlobal, Fcfg->CAutoSave})
        ASSERT_TRUE(FocusMovesTo({VK_SHIFT, VK_TAB}, back)) << back->Name();
    EXPECT_EQ(Fcfg->AScroll->Position(), 255) << "walking changes nothing";
    EXPECT_FALSE(Fcfg->CRun->Checked());
    EXPECT_TRUE(IsWindowVisible(Fcfg->Handle()));
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsDialogKeysTest, EnterFromACheckBoxIsOkWhichWritesTheFileAndCloses) {
    OpenActive();
    EXPECT_EQ(GetWindowLongPtrW(Fcfg->Button1->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    ASSERT_TRUE(FocusMovesTo({VK_TAB}, Fcfg->CTitle));
    SendChord({VK_SPACE}); // the box's own key
    ASSERT_TRUE(PumpUntil([] { return !Fcfg->CTitle->Checked(); }));
    SendChord({VK_RETURN});
    ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Fcfg->Handle()); }));
    EXPECT_EQ(Stored(L"Apparence", L"Title"), L"1");
    EXPECT_EQ(Stored(L"Save", L"SaveOnChange"), L"0");
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsDialogKeysTest, EscapeClosesAsTheCloseBoxDoesKeepingTheChangesUnwritten) {
    OpenActive();
    ASSERT_TRUE(ClickArrow(Fcfg->AScroll, false));
    SendChord({VK_ESCAPE});
    ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Fcfg->Handle()); }));
    EXPECT_EQ(Form1->AlphaBlendValue(), 250);
    EXPECT_EQ(GetFileAttributesW(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsDialogKeysTest, OnlyCombinationsTypingNeverProducesAreTakenSystemWide) {
    OpenActive();
    Fcfg->EGlobal->SetFocus();
    THotKeyEdit& field = *Fcfg->EGlobal;

    // Ctrl on its own: shown while held, taken nowhere, gone when released.
    Key(VK_CONTROL, false);
    ASSERT_TRUE(PumpUntil([&] { return field.Composing(); }));
    EXPECT_EQ(field.Text(), FormatShortcut(VK_CONTROL));
    EXPECT_TRUE(Free(0, VK_CONTROL));
    Key(VK_CONTROL, true);
    ASSERT_TRUE(PumpUntil([&] { return !field.Composing(); }));
    EXPECT_EQ(field.Text(), L"");
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);

    // "a", Shift+A, Space, a digit and an arrow: ordinary typing, shown while held only.
    for (const auto& keys :
         std::vector<std::vector<WORD>>{{'A'}, {VK_SHIFT, 'A'}, {VK_SPACE}, {'5'}, {VK_LEFT}}) {
        for (WORD key : keys)
            Key(key, false);
        const bool shifted = keys.size() > 1;
        const std::wstring shown =
            FormatShortcut(MakeShortcut(keys.back(), shifted ? TShiftState{ssShift} : 0));
        ASSERT_TRUE(PumpUntil([&] { return field.Text() == shown; })) << shown;
        EXPECT_TRUE(Free(shifted ? MOD_SHIFT : 0, keys.back())) << shown;
        EXPECT_EQ(Form1->HKGlobal->HotKey(), 0) << shown;
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            Key(*key, true);
        ASSERT_TRUE(PumpUntil([&] { return field.Text().empty(); })) << shown;
        EXPECT_NE(field.Warning().find(L"Ajoutez Ctrl ou Alt"), std::wstring::npos) << shown;
        EXPECT_TRUE(field.WarningShown()) << shown;
    }

    // Ctrl+Alt+K and F9 are taken; Backspace lets the first go again.
    SendChord({VK_CONTROL, VK_MENU, 'K'});
    ASSERT_TRUE(PumpUntil([] { return Form1->HKGlobal->HotKey() == 0xC04B; })) << field.Text();
    EXPECT_TRUE(Form1->HKGlobal->Active());
    EXPECT_FALSE(field.WarningShown());
    EXPECT_FALSE(Free(MOD_CONTROL | MOD_ALT, 'K'));
    SendChord({VK_BACK});
    ASSERT_TRUE(PumpUntil([] { return Form1->HKGlobal->HotKey() == 0; }));
    EXPECT_EQ(field.Text(), L"");
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 'K'));
    SendChord({VK_F9});
    ASSERT_TRUE(PumpUntil([] { return Form1->HKGlobal->HotKey() == VK_F9; }));
    EXPECT_FALSE(Free(0, VK_F9));

    SendChord({VK_RETURN}); // the default button, from the field too
    ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Fcfg->Handle()); }));
    EXPECT_EQ(Stored(L"Apparence", L"Global"), L"120");
    EXPECT_FALSE(Free(0, VK_F9)) << "the global key outlives the dialog";
    EXPECT_TRUE(reported.empty());
}

TEST_F(SettingsDialogKeysTest, ACombinationThatTypesACharacterWithAltGrIsRefusedWithTheCharacterNamed) {
    const TFrenchAltGr french;
    OpenActive();
    Fcfg->EGlobal->SetFocus();
    THotKeyEdit& field = *Fcfg->EGlobal;
    SendChord({VK_CONTROL, VK_MENU, 'E'});
    ASSERT_TRUE(PumpUntil([&] { return field.Text().empty() && !field.Warning().empty(); })) << field.Text();
    EXPECT_NE(field.Warning().find(L"donne « \u20AC » au clavier"), std::wstring::npos) << field.Warning();
    EXPECT_TRUE(field.WarningShown());
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 'E'));
    // The same letter with Ctrl alone types nothing: it is taken.
    SendChord({VK_CONTROL, 'E'});
    ASSERT_TRUE(PumpUntil([] { return Form1->HKGlobal->HotKey() == 0x4045; })) << field.Text();
    EXPECT_EQ(field.Warning(), L"");
}

TEST_F(SettingsDialogKeysTest, ATypingKeyLeftInTheFieldIsStoredAsNone) {
    OpenActive();
    Fcfg->EGlobal->SetFocus();
    SendChord({VK_CONTROL, 'Q'});
    ASSERT_TRUE(PumpUntil([] { return Form1->HKGlobal->HotKey() == 0x4051; }));
    Key('A', false);
    ASSERT_TRUE(PumpUntil([] { return Fcfg->EGlobal->Text() == L"A"; }));
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);
    EXPECT_TRUE(Free(MOD_CONTROL, 'Q'));
    SendMessageW(Fcfg->Button1->Handle(), BM_CLICK, 0, 0); // OK while "A" is still held
    Key('A', true);
    EXPECT_EQ(Stored(L"Apparence", L"Global"), L"0");
}

TEST_F(SettingsDialogKeysTest, ShiftTabAndTabLeaveTheFieldWithItsKeyAndEnterThereIsOk) {
    OpenActive();
    Fcfg->EGlobal->SetFocus();
    SendChord({VK_CONTROL, VK_MENU, 'K'});
    ASSERT_TRUE(PumpUntil([] { return Form1->HKGlobal->HotKey() == 0xC04B; }));
    ASSERT_TRUE(FocusMovesTo({VK_TAB}, Fcfg->CRun));
    ASSERT_TRUE(FocusMovesTo({VK_SHIFT, VK_TAB}, Fcfg->EGlobal));
    ASSERT_TRUE(FocusMovesTo({VK_SHIFT, VK_TAB}, Fcfg->CAutoSave));
    EXPECT_EQ(Fcfg->EGlobal->Text(), L"Ctrl+Alt+K");
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0xC04B);
    EXPECT_TRUE(Form1->HKGlobal->Active());
    EXPECT_FALSE(Fcfg->CRun->Checked());
    ASSERT_TRUE(FocusMovesTo({VK_TAB}, Fcfg->EGlobal));
    SendChord({VK_RETURN});
    ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Fcfg->Handle()); }));
    EXPECT_EQ(Stored(L"Apparence", L"Global"), L"49227");
    EXPECT_FALSE(Free(MOD_CONTROL | MOD_ALT, 'K'));
}

TEST_F(SettingsDialogKeysTest, EscapeAndAltF4InTheFieldCloseTheDialogAndTakeNoKey) {
    OpenActive();
    for (const auto& keys : std::vector<std::vector<WORD>>{{VK_ESCAPE}, {VK_MENU, VK_F4}}) {
        Fcfg->EGlobal->SetFocus();
        for (WORD key : keys)
            Key(key, false);
        ASSERT_TRUE(PumpUntil([] { return !IsWindowVisible(Fcfg->Handle()); })) << keys.back();
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            Key(*key, true);
        EXPECT_EQ(Fcfg->EGlobal->Text(), L"") << keys.back();
        EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);
        EXPECT_TRUE(Free(0, VK_ESCAPE));
        EXPECT_TRUE(Free(MOD_ALT, VK_F4));
        Open();
        ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == Fcfg->Handle(); }));
    }
    EXPECT_EQ(GetFileAttributesW(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsDialogKeysTest, ACombinationHeldElsewhereIsMarkedAndTriedAgainWhenTypedOnceMore) {
    ASSERT_TRUE(RegisterHotKey(nullptr, kHeldElsewhere, MOD_CONTROL | MOD_ALT, 'W'));
    OpenActive();
    Fcfg->EGlobal->SetFocus();
    THotKeyEdit& field = *Fcfg->EGlobal;
    // The holder's hot key takes the press; the release still tells the field what was typed.
    SendChord({VK_CONTROL, VK_MENU, 'W'});
    ASSERT_TRUE(PumpUntil([&] { return !field.Warning().empty(); })) << field.Text();
    EXPECT_EQ(field.Text(), L"Ctrl+Alt+W");
    EXPECT_NE(field.Warning().find(L"un autre programme"), std::wstring::npos);
    EXPECT_TRUE(field.WarningShown());
    EXPECT_EQ(ToolTipText(field.Handle()), field.Warning());
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0xC057);
    EXPECT_FALSE(Form1->HKGlobal->Active());

    UnregisterHotKey(nullptr, kHeldElsewhere);
    SendChord({VK_CONTROL, VK_MENU, 'W'}); // the same again, now that it is free
    ASSERT_TRUE(PumpUntil([] { return Form1->HKGlobal->Active(); }));
    EXPECT_EQ(field.Warning(), L"");
    EXPECT_FALSE(field.WarningShown());
    EXPECT_FALSE(Free(MOD_CONTROL | MOD_ALT, 'W'));

    ASSERT_TRUE(RegisterHotKey(nullptr, kHeldElsewhere, MOD_CONTROL, VK_F5));
    SendChord({VK_CONTROL, VK_F5});
    ASSERT_TRUE(PumpUntil([&] { return !field.Warning().empty(); })) << field.Text();
    EXPECT_TRUE(Free(MOD_CONTROL | MOD_ALT, 'W')) << "the earlier key is let go";
    SendChord({VK_F9}); // another one works at once
    ASSERT_TRUE(PumpUntil([] { return Form1->HKGlobal->Active(); }));
    EXPECT_EQ(Form1->HKGlobal->HotKey(), VK_F9);
    EXPECT_EQ(field.Warning(), L"");
    UnregisterHotKey(nullptr, kHeldElsewhere);
}

TEST_F(SettingsDialogKeysTest, EscapeClosesTheAboutDialogOpenedFromTheDialogAndEnterInItsListIsALineBreak) {
    OpenActive();
    int step = 0, ticks = 0;
    TTimer probe(nullptr);
    probe.SetInterval(50);
    probe.OnTimer = [&](TObject*) {
        if (++ticks > 100) FAbout->Close(); // never hang on a key that was lost
        if (!IsWindowVisible(FAbout->Handle())) return;
        if (step == 0) {
            SetForegroundWindow(FAbout->Handle());
            // The list comes after the two links and before the picture in the Tab order:
            // Shift+Tab from the first link, then from the picture.
            if (GetFocus() == FAbout->HotLink1->FocusWindow()->Handle() ||
                GetFocus() == FAbout->Image1Key->Handle())
                SendChord({VK_SHIFT, VK_TAB});
            if (GetFocus() != FAbout->Memo1->Handle()) return;
            SendMessageW(FAbout->Memo1->Handle(), EM_SETSEL, 0, 0);
            SendChord({VK_RETURN});
            step = 1;
        } else if (step == 1 && FAbout->Memo1->Lines()[0].empty()) {
            SendChord({VK_ESCAPE});
            step = 2;
        }
    };
    probe.SetEnabled(true);
    ClickScreen(ScreenCentre(Fcfg->Button2->Handle()));
    // The click runs the modal loop inside this pump; it returns once the dialog has closed.
    ASSERT_TRUE(PumpUntil([&] { return step == 2 && !IsWindowVisible(FAbout->Handle()); })) << step;
    probe.SetEnabled(false);
    EXPECT_LT(ticks, 100) << "closed by Escape, not by the watchdog";
    EXPECT_FALSE(FAbout->Modal());
    EXPECT_EQ(FAbout->Memo1->Lines()[1], L"Mise en Forme:");
    EXPECT_TRUE(IsWindowEnabled(Fcfg->Handle()));
}

} // namespace
