#include "support/AltGrLayout.h"
#include "support/FileTestHelpers.h"
#include "about/AboutForm.h"
#include "app/ProgramFixture.h"
#include "framework/Monitors.h"
#include "support/DialogProbe.h"
#include "support/Keyboard.h"

#include <chrono>
#include <thread>

namespace {

class LoadParamsTest : public ProgramFixture {
protected:
    void Restart() {
        app.DestroyForms();
        reported.clear();
        Start();
    }
    RECT NoteRect() {
        RECT r;
        GetWindowRect(Form1->Handle(), &r);
        return r;
    }
    DWORD LayeredFlags() {
        DWORD flags = 0;
        BYTE alpha = 0;
        if (!(GetWindowLongPtrW(Form1->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED)) return 0;
        GetLayeredWindowAttributes(Form1->Handle(), nullptr, &alpha, &flags);
        return flags;
    }
    std::wstring Raw(const wchar_t* section, const wchar_t* key) {
        return TIniFile(SettingsPath()).ReadString(section, key, L"<none>");
    }
    // The combination is registered when nobody else can register it.
    static bool HeldBySomeone(UINT modifiers, UINT key) {
        if (RegisterHotKey(nullptr, 0x7FFF, modifiers, key)) {
            UnregisterHotKey(nullptr, 0x7FFF);
            return false;
        }
        return true;
    }
};

TEST_F(LoadParamsTest, WithoutAFileEveryKeyTakesItsDefault) {
    Start();
    EXPECT_EQ(Form1->BorderStyle(), bsSizeable);
    EXPECT_FALSE(Form1->TitleBarHidden());
    EXPECT_TRUE(Form1->AlphaBlend()); // opaque, blending still on
    EXPECT_EQ(Form1->AlphaBlendValue(), 255);
    EXPECT_FALSE(Form1->TransparentColor());
    EXPECT_FALSE(Form1->BgTransparent());
    EXPECT_TRUE(Form1->Timer1->Enabled());
    EXPECT_EQ(Form1->Timer1->Interval(), 60000u);
    EXPECT_FALSE(Form1->SaveOnChange());
    EXPECT_EQ(Form1->Memo1->Font()->Color(), 0);
    EXPECT_EQ(Form1->Memo1->Font()->Style(), 0u);
    EXPECT_FALSE(Form1->AOT1->Checked());
    EXPECT_TRUE(Form1->HKGlobal->Active());
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);
    EXPECT_EQ(Form1->Memo1->ScrollBars(), ssVertical);
    EXPECT_FALSE(Form1->ShowAtStart());
    EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
    EXPECT_TRUE(Form1->MinimizeOnClose());
    // Placing and sizing the note at start writes nothing.
    EXPECT_EQ(GetFileAttributesW(SettingsPath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(reported.empty());
}

TEST_F(LoadParamsTest, EveryKeyIsReadInItsEncoding) {
    Setting(L"Apparence", L"Left", L"$12C"); // hexadecimal, three ways
    Setting(L"Apparence", L"Top", L"0x136");
    Setting(L"Apparence", L"Width", L"x190");
    Setting(L"Apparence", L"Height", L" 300");
    Setting(L"Save", L"SaveOnChange", L"7"); // any non-zero integer is true
    Setting(L"Apparence", L"Border", L"0");
    Setting(L"Apparence", L"Alpha", L"128");
    Setting(L"Apparence", L"Title", L"1");
    Setting(L"Save", L"AutoSave", L"0"); // written so, read as "Autosave"
    Setting(L"Save", L"Interval", L"120000");
    Setting(L"Apparence", L"Font", L"Courier New");
    Setting(L"Apparence", L"Size", L"12");
    Setting(L"Apparence", L"Color", L"255");
    Setting(L"Apparence", L"Bgcolor", L"65535"); // read as "BgColor"
    Setting(L"Apparence", L"AOT", L"1");
    Setting(L"Apparence", L"Global", L"49233"); // Ctrl+Alt+Q
    Setting(L"Apparence", L"Bold", L"1");
    Setting(L"Apparence", L"Italic", L"1");
    Setting(L"Apparence", L"UnderLine", L"1");
    Setting(L"Apparence", L"StrikeOut", L"1");
    Setting(L"Apparence", L"Scroll", L"0");
    Setting(L"Apparence", L"Visible", L"1");
    Setting(L"Apparence", L"Close", L"0");
    Start();
    const RECT r = NoteRect();
    EXPECT_EQ(r.left, 300);
    EXPECT_EQ(r.top, 310);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 300);
    EXPECT_TRUE(Form1->SaveOnChange());
    EXPECT_EQ(Form1->BorderStyle(), bsNone);
    EXPECT_EQ(GetWindowLongPtrW(Form1->Handle(), GWL_STYLE) & WS_THICKFRAME, 0);
    EXPECT_EQ(Form1->AlphaBlendValue(), 128);
    EXPECT_EQ(LayeredFlags(), static_cast<DWORD>(LWA_ALPHA));
    EXPECT_TRUE(Form1->TitleBarHidden());
    EXPECT_FALSE(Form1->Timer1->Enabled());
    EXPECT_EQ(Form1->Timer1->Interval(), 120000u);
    TFont* font = Form1->DefaultFont();
    EXPECT_EQ(font, Form1->Memo1->Font());
    EXPECT_EQ(font->Name(), L"Courier New");
    EXPECT_EQ(font->Size(), 12);
    EXPECT_EQ(font->Color(), 255);
    EXPECT_EQ(font->Style(), fsBold | fsItalic | fsUnderline | fsStrikeOut);
    EXPECT_EQ(Form1->Memo1->Color(), 65535);
    EXPECT_EQ(Form1->TransparentColorValue(), 65535);
    EXPECT_TRUE(Form1->AOT1->Checked());
    EXPECT_TRUE(GetWindowLongPtrW(Form1->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 49233);
    EXPECT_TRUE(Form1->HKGlobal->Active());
    EXPECT_TRUE(HeldBySomeone(MOD_CONTROL | MOD_ALT, 'Q'));
    EXPECT_EQ(Form1->Memo1->ScrollBars(), ssNone);
    EXPECT_FALSE(GetWindowLongPtrW(Form1->Memo1->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_TRUE(Form1->ShowAtStart());
    EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
    EXPECT_FALSE(Form1->MinimizeOnClose());
    EXPECT_TRUE(reported.empty());
}

TEST_F(LoadParamsTest, AStoredGlobalKeyThatTypingNeedsIsNotTakenAtStart) {
    Setting(L"Apparence", L"Global", L"27"); // Escape, as an older version let the field store
    Start();
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);
    EXPECT_FALSE(HeldBySomeone(0, VK_ESCAPE));
}

TEST_F(LoadParamsTest, AStoredGlobalKeyThatTypesACharacterWithAltGrIsNotTakenAtStart) {
    const TFrenchAltGr french;
    Setting(L"Apparence", L"Global", L"49221"); // Ctrl+Alt+E: "€" where AltGr is Ctrl+Alt
    Start();
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);
    EXPECT_FALSE(HeldBySomeone(MOD_CONTROL | MOD_ALT, 'E'));
}

TEST_F(LoadParamsTest, ValuesThatAreNotNumbersGiveTheDefaults) {
    Setting(L"Apparence", L"Left", L"12a");
    Setting(L"Apparence", L"Top", L"");
    Setting(L"Apparence", L"Width", L"99999999999");
    Setting(L"Apparence", L"Visible", L"True");
    Setting(L"Apparence", L"Scroll", L"yes");
    Setting(L"Apparence", L"Size", L"0x");
    Start();
    const RECT r = NoteRect();
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 200);
    EXPECT_EQ(r.right - r.left, 260);
    EXPECT_FALSE(Form1->ShowAtStart());
    EXPECT_EQ(Form1->Memo1->ScrollBars(), ssVertical);
    EXPECT_EQ(Form1->Memo1->Font()->Size(), 8);
    EXPECT_TRUE(reported.empty());
}

TEST_F(LoadParamsTest, ATransparentBackgroundLeavesAlphaUnreadAndBlendingOff) {
    Setting(L"Apparence", L"BgTrans", L"1");
    Setting(L"Apparence", L"Alpha", L"40");
    Setting(L"Apparence", L"BgColor", L"12632256");
    Start();
    EXPECT_TRUE(Form1->BgTransparent());
    EXPECT_TRUE(Form1->TransparentColor());
    EXPECT_FALSE(Form1->AlphaBlend());
    EXPECT_EQ(Form1->AlphaBlendValue(), 150); // the form's own value
    EXPECT_EQ(LayeredFlags(), static_cast<DWORD>(LWA_COLORKEY));
    COLORREF key = 0;
    GetLayeredWindowAttributes(Form1->Handle(), &key, nullptr, nullptr);
    EXPECT_EQ(key, 12632256u);
}

TEST_F(LoadParamsTest, AnOpacityOutsideItsRangeMakesTheNoteOpaqueAndInRangeValuesStay) {
    for (const auto& [stored, expected] : std::vector<std::pair<std::wstring, int>>{
             {L"-1", 255}, {L"256", 255}, {L"-2147483648", 255}, {L"0", 0}, {L"254", 254}}) {
        Setting(L"Apparence", L"Alpha", stored);
        Restart();
        EXPECT_EQ(Form1->AlphaBlendValue(), expected) << stored;
        EXPECT_EQ(Raw(L"Apparence", L"Alpha"), stored); // the file is not rewritten
    }
}

TEST_F(LoadParamsTest, ASavePeriodUnderASecondBecomesOneSecondAndLongerOnesStay) {
    for (const auto& [stored, expected] : std::vector<std::pair<std::wstring, UINT>>{{L"1", 1000},
                                                                                     {L"0", 1000},
                                                                                     {L"-60000", 1000},
                                                                                     {L"999", 1000},
                                                                                     {L"1000", 1000},
                                                                                     {L"90000", 90000},
                                                                                     {L"7200000", 7200000}}) {
        Setting(L"Save", L"Interval", stored);
        Restart();
        EXPECT_EQ(Form1->Timer1->Interval(), expected) << stored;
    }
}

TEST_F(LoadParamsTest, ANoteFarOffScreenComesBackWhollyOntoTheWorkAreaWithoutRewritingTheFile) {
    Setting(L"Apparence", L"Left", L"99999");
    Setting(L"Apparence", L"Top", L"-5000");
    Setting(L"Apparence", L"Visible", L"1");
    Start();
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT r = NoteRect();
    EXPECT_GE(r.left, work.left);
    EXPECT_GE(r.top, work.top);
    EXPECT_LE(r.right, work.right);
    EXPECT_LE(r.bottom, work.bottom);
    EXPECT_EQ(r.right - r.left, 260); // the size it had
    EXPECT_EQ(Raw(L"Apparence", L"Left"), L"99999");
    EXPECT_EQ(Raw(L"Apparence", L"Top"), L"-5000");
    EXPECT_EQ(Raw(L"Apparence", L"Width"), L"<none>");
}

TEST_F(LoadParamsTest, ANoteOfNoSizeGetsAUsableOneInPlace) {
    Setting(L"Apparence", L"Width", L"0");
    Setting(L"Apparence", L"Height", L"-40");
    Start();
    const RECT r = NoteRect();
    EXPECT_GE(r.right - r.left, TForm1::kMinimumSize.cx);
    EXPECT_GE(r.bottom - r.top, TForm1::kMinimumSize.cy);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 200);
    EXPECT_EQ(Raw(L"Apparence", L"Width"), L"0");
    EXPECT_EQ(Raw(L"Apparence", L"Height"), L"-40");
}

TEST_F(LoadParamsTest, FitIntoAreaMovesGrowsAndShrinksAsNeeded) {
    const RECT area{0, 0, 800, 600};
    auto fit = [&](RECT r) { return FitIntoArea(r, area, {120, 90}); };
    auto same = [](RECT a, RECT b) { return EqualRect(&a, &b) != FALSE; };
    EXPECT_TRUE(same(fit({100, 100, 300, 300}), {100, 100, 300, 300}));
    EXPECT_TRUE(same(fit({99999, 100, 100259, 350}), {540, 100, 800, 350}));
    EXPECT_TRUE(same(fit({-900, -900, -700, -700}), {0, 0, 200, 200}));
    EXPECT_TRUE(same(fit({10, 10, 10, 5}), {10, 10, 130, 100}));
    EXPECT_TRUE(same(fit({50, 50, 2050, 1050}), {0, 0, 800, 600})); // larger than the area
}

TEST_F(LoadParamsTest, TheGlobalHotKeyBringsAHiddenNoteUpAsTheTrayClickDoes) {
    Setting(L"Apparence", L"Global", L"49233"); // Ctrl+Alt+Q
    Start();
    ASSERT_FALSE(IsWindowVisible(Form1->Handle()));
    Form1->TrayIcon1->HideToTray();
    SendChord({VK_CONTROL, VK_MENU, 'Q'});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!IsWindowVisible(Form1->Handle()) && std::chrono::steady_clock::now() < until) {
        app.ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
    EXPECT_FALSE(app.IsMinimized());
    EXPECT_EQ(GetForegroundWindow(), Form1->Handle());
}

TEST_F(LoadParamsTest, TheGlobalHotKeyShowsTheNoteBlockedWhileTheAboutDialogWaits) {
    Setting(L"Apparence", L"Global", L"49233"); // Ctrl+Alt+Q
    Start();
    ASSERT_FALSE(IsWindowVisible(Form1->Handle()));
    bool pressed = false, seen = false, enabledMeanwhile = true;
    HWND foreground = nullptr;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    EachTickUntil([&] {
        const bool late = std::chrono::steady_clock::now() > until;
        if (!FAbout->Visible()) return late;
        if (!pressed) {
            SendChord({VK_CONTROL, VK_MENU, 'Q'});
            pressed = true;
            return false;
        }
        if (!IsWindowVisible(Form1->Handle()) && !late) return false;
        seen = IsWindowVisible(Form1->Handle());
        enabledMeanwhile = IsWindowEnabled(Form1->Handle());
        foreground = GetForegroundWindow();
        PostMessageW(FAbout->Handle(), WM_CLOSE, 0, 0);
        return true;
    });
    Form1->APropos1->Click(); // returns once the About dialog has closed
    EXPECT_TRUE(seen);
    EXPECT_FALSE(enabledMeanwhile);
    EXPECT_EQ(foreground, FAbout->Handle()); // the dialog stays in front of the note it blocks
    EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
    EXPECT_TRUE(IsWindowEnabled(Form1->Handle())); // given back with the rest
    EXPECT_TRUE(reported.empty());
}

TEST_F(LoadParamsTest, AnUnwritablePositionIsReportedOnceForManyClicksAndResizeSteps) {
    Start();
    Form1->Show();
    Setting(L"Apparence", L"Left", L"200");
    TFileLock lock(SettingsPath()); // another program holds the file
    ASSERT_TRUE(lock.Held());
    HWND editor = Form1->Memo1->Handle();
    for (int click = 0; click < 3; ++click) {
        SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
        SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    }
    EXPECT_EQ(reported, std::vector<std::wstring>{L"Unable to write to " + SettingsPath()});
    for (int step = 0; step < 20; ++step) // a resize by the frame: one batch per step
        Form1->SetBounds(Form1->Left() + 1, Form1->Top(), Form1->Width() + 3, Form1->Height() + 2);
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_TRUE(IsWindowVisible(Form1->Handle())); // the note goes on
    lock.Release();
    SendMessageW(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    SendMessageW(editor, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(Raw(L"Apparence", L"Left"), std::to_wstring(Form1->Left()));
}

TEST_F(LoadParamsTest, AnUnwritableFileIsReportedOnceADragOfTheFrameEndsAndNotDuringIt) {
    Start();
    Form1->Show();
    Setting(L"Apparence", L"Left", L"200");
    TFileLock lock(SettingsPath());
    ASSERT_TRUE(lock.Held());
    // The messages of the system's loop that sizes the window by its frame, which holds the
    // mouse: a box shown inside it could not be answered (under Wine it could not be closed).
    const int width = Form1->Width();
    SendMessageW(Form1->Handle(), WM_ENTERSIZEMOVE, 0, 0);
    for (int step = 1; step <= 12; ++step)
        Form1->SetBounds(Form1->Left(), Form1->Top(), width + 5 * step, Form1->Height() + 3);
    EXPECT_TRUE(reported.empty());
    SendMessageW(Form1->Handle(), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(reported, std::vector<std::wstring>{L"Unable to write to " + SettingsPath()});
    SendMessageW(Form1->Handle(), WM_ENTERSIZEMOVE, 0, 0); // said once: the next drag says nothing
    Form1->SetWidth(width);
    SendMessageW(Form1->Handle(), WM_EXITSIZEMOVE, 0, 0);
    EXPECT_EQ(reported.size(), 1u);
    lock.Release();
    Form1->SetWidth(width + 1); // written again
    EXPECT_EQ(Raw(L"Apparence", L"Width"), std::to_wstring(width + 1));
}

} // namespace
