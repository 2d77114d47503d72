#include "ProgramFixture.h"
#include "settings/SettingsForm.h"
#include "support/FileTestHelpers.h"
#include "support/HighContrastTheme.h"

#include <richedit.h>

#include <optional>

namespace {

constexpr COLORREF kUserBackground = RGB(192, 192, 192);
constexpr COLORREF kUserText = RGB(255, 0, 0);
constexpr COLORREF kSentinel = RGB(250, 1, 250);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kGreen = RGB(0, 128, 0);
constexpr COLORREF kThemeText = THighContrastTheme::kText;

// The note as the control writes it: the user's colour (navy) first, a word in green, then
// text of no colour of its own (automatic), as another program may write it.
const std::string kColouredNote = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}"
                                  "{\\colortbl ;\\red0\\green0\\blue128;\\red0\\green128\\blue0;}"
                                  "\\f0\\cf1 plain \\cf2 green\\cf1  text\\cf0  auto\\par}";

class HighContrastTest : public ProgramFixture {
protected:
    HWND Note() { return Form1->Handle(); }
    HWND Editor() { return Form1->Memo1->Handle(); }

    // The empty editor's own painting of its client area, read back near its bottom.
    COLORREF EditorBackground() {
        RECT client;
        GetClientRect(Editor(), &client);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH sentinel = CreateSolidBrush(kSentinel);
        FillRect(dc, &client, sentinel);
        SendMessageW(Editor(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
        const COLORREF pixel = GetPixel(dc, client.right / 2, client.bottom - 4);
        SelectObject(dc, old);
        DeleteObject(sentinel);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return pixel;
    }
    CHARFORMAT2W DefaultFormat() {
        CHARFORMAT2W cf{};
        cf.cbSize = sizeof cf;
        SendMessageW(Editor(), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
        return cf;
    }
    // The colour of the characters `from` to `to`; CFM_COLOR is off in the mask when they differ.
    CHARFORMAT2W RunFormat(LONG from, LONG to) {
        CHARRANGE range{from, to};
        SendMessageW(Editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMAT2W cf{};
        cf.cbSize = sizeof cf;
        cf.dwMask = CFM_COLOR;
        SendMessageW(Editor(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
        return cf;
    }
    // Shown in `color` of its own, or automatic (the system's text colour, whatever it is).
    ::testing::AssertionResult Shown(LONG from, LONG to, std::optional<COLORREF> color) {
        const CHARFORMAT2W cf = RunFormat(from, to);
        if (!(cf.dwMask & CFM_COLOR))
            return ::testing::AssertionFailure() << from << ".." << to << " is mixed";
        const bool automatic = (cf.dwEffects & CFE_AUTOCOLOR) != 0;
        if (!color && automatic) return ::testing::AssertionSuccess();
        if (color && !automatic && cf.crTextColor == *color) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << from << ".." << to << (automatic ? " automatic" : " explicit")
                                             << " colour " << std::hex << cf.crTextColor;
    }
    bool Layered() { return (GetWindowLongPtrW(Note(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0; }
    DWORD LayeringFlags(BYTE* alpha = nullptr, COLORREF* key = nullptr) {
        DWORD flags = 0;
        if (!GetLayeredWindowAttributes(Note(), key, alpha, &flags)) return 0;
        return flags;
    }
};

TEST_F(HighContrastTest, TheNoteTakesTheThemesColoursOpaqueAndGetsTheUsersBackWhenItGoes) {
    Setting(L"Apparence", L"Alpha", L"100");
    Setting(L"Apparence", L"BgColor", std::to_wstring(kUserBackground));
    Setting(L"Apparence", L"Color", std::to_wstring(kUserText));
    Start();
    Form1->Show();
    const std::string settings = FileBytes(SettingsPath());
    BYTE alpha = 0;
    ASSERT_EQ(LayeringFlags(&alpha), static_cast<DWORD>(LWA_ALPHA));
    ASSERT_EQ(alpha, 100);
    ASSERT_EQ(EditorBackground(), kUserBackground);
    SendMessageW(Editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"typed"));

    {
        THighContrastTheme theme;
        EXPECT_FALSE(Layered());
        EXPECT_EQ(EditorBackground(), THighContrastTheme::kBackground);
        EXPECT_EQ(DefaultFormat().crTextColor, kThemeText);
        // Only what is shown changed: the user's values stay for the settings dialog to show
        // and to write.
        EXPECT_TRUE(Form1->AlphaBlend());
        EXPECT_EQ(Form1->AlphaBlendValue(), 100);
        EXPECT_EQ(Form1->Memo1->Color(), static_cast<TColor>(kUserBackground));
        EXPECT_EQ(Form1->Memo1->Font()->Color(), static_cast<TColor>(kUserText));
        // Text of the default format is shown in the theme's colour and saved in the user's.
        EXPECT_TRUE(Shown(0, 5, kThemeText));
        Form1->Enregistrer1Click(nullptr);
        EXPECT_NE(FileBytes(DocumentPath()).find("\\red255\\green0\\blue0;"), std::string::npos);
        Fcfg->Show();
        EXPECT_EQ(Fcfg->AScroll->Position(), 100);
        EXPECT_EQ(Fcfg->Shape1->BrushColor(), static_cast<TColor>(kUserBackground));
        // A new opacity chosen under the theme is kept for later and not shown now.
        Fcfg->AScroll->SetPosition(180);
        EXPECT_EQ(Form1->AlphaBlendValue(), 180);
        EXPECT_FALSE(Layered());
        Fcfg->Close();

        theme.Off();
        EXPECT_EQ(LayeringFlags(&alpha), static_cast<DWORD>(LWA_ALPHA));
        EXPECT_EQ(alpha, 180);
        EXPECT_EQ(EditorBackground(), kUserBackground);
        const CHARFORMAT2W cf = DefaultFormat();
        EXPECT_FALSE(cf.dwEffects & CFE_AUTOCOLOR);
        EXPECT_EQ(cf.crTextColor, kUserText);
    }
    EXPECT_EQ(FileBytes(SettingsPath()), settings);
    EXPECT_TRUE(reported.empty());
}

TEST_F(HighContrastTest, TheSeeThroughBackgroundStaysOffUnderTheThemeWhateverThePointerDoes) {
    Setting(L"Apparence", L"BgTrans", L"1");
    Setting(L"Apparence", L"BgColor", std::to_wstring(kUserBackground));
    Start();
    Form1->Show();
    COLORREF key = 0;
    ASSERT_EQ(LayeringFlags(nullptr, &key), static_cast<DWORD>(LWA_COLORKEY));

    THighContrastTheme theme;
    EXPECT_FALSE(Layered());
    // Leaving the note puts the see-through background back, but not under the theme.
    RECT r;
    GetWindowRect(Editor(), &r);
    SetCursorPos(r.left + 20, r.top + 20);
    SendMessageW(Editor(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    SendMessageW(Editor(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(Layered());
    EXPECT_TRUE(Form1->TransparentColor());
    // A window made anew (the border setting) is opaque from the start.
    Form1->SetBorderStyle(bsSizeable);
    EXPECT_FALSE(Layered());

    theme.Off();
    key = 0;
    EXPECT_EQ(LayeringFlags(nullptr, &key), static_cast<DWORD>(LWA_COLORKEY));
    EXPECT_EQ(key, kUserBackground);
}

TEST_F(HighContrastTest, ALoadedNoteShowsItsOwnColourAsTheThemesAndKeepsItInTheFile) {
    Setting(L"Apparence", L"Color", std::to_wstring(kNavy));
    WriteBytes(DocumentPath(), kColouredNote);
    Start();
    Form1->Show();
    TRichEditEx& memo = *Form1->Memo1;
    ASSERT_EQ(memo.Text(), L"plain green text auto");
    ASSERT_TRUE(Shown(17, 22, std::nullopt));
    ASSERT_TRUE(Shown(0, 6, kNavy));
    memo.Select(16, 16);
    SendMessageW(Editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"!"));
    Form1->Enregistrer1Click(nullptr);
    const std::string saved = FileBytes(DocumentPath());
    const std::string rtf = memo.Rtf();
    memo.Select(2, 9);
    memo.SetModified(false);

    THighContrastTheme theme;
    CHARRANGE selection{};
    SendMessageW(Editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, 2);
    EXPECT_EQ(selection.cpMax, 9);
    EXPECT_TRUE(Shown(0, 6, kThemeText));
    EXPECT_TRUE(Shown(6, 11, kGreen));
    EXPECT_TRUE(Shown(11, 17, kThemeText));
    EXPECT_TRUE(Shown(18, 22, std::nullopt)) << "automatic follows the theme by itself";
    EXPECT_FALSE(memo.Modified());
    // Written as without the theme, and shown in its colours again after.
    EXPECT_EQ(memo.Rtf(), rtf);
    EXPECT_TRUE(Shown(0, 6, kThemeText));
    EXPECT_FALSE(memo.Modified());
    // Typed under the theme, after the note's own colour: saved in it.
    memo.Select(17, 17);
    SendMessageW(Editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"?"));
    EXPECT_TRUE(Shown(16, 18, kThemeText));
    Form1->Enregistrer1Click(nullptr);
    memo.SetModified(false);
    const std::string savedUnderTheme = FileBytes(DocumentPath());
    std::string expected = saved;
    expected.insert(expected.find("text!") + 5, 1, '?');
    EXPECT_EQ(savedUnderTheme, expected);

    theme.Off();
    EXPECT_TRUE(Shown(0, 6, kNavy));
    EXPECT_TRUE(Shown(6, 11, kGreen));
    EXPECT_TRUE(Shown(11, 18, kNavy));
    EXPECT_TRUE(Shown(19, 23, std::nullopt));
    EXPECT_FALSE(memo.Modified());
    // The user's undo was left alone: the last typing comes off first, then the one before.
    memo.Undo();
    EXPECT_EQ(memo.Text(), L"plain green text! auto");
    memo.Undo();
    EXPECT_EQ(memo.Text(), L"plain green text auto");
    EXPECT_TRUE(reported.empty());
}

TEST_F(HighContrastTest, ANoteLoadedUnderTheThemeHasEveryRunOfItsOwnColourShownAsTheThemes) {
    // Many short runs, so that finding them takes many halvings.
    Setting(L"Apparence", L"Color", std::to_wstring(kNavy));
    std::string note = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}"
                       "{\\colortbl ;\\red0\\green0\\blue128;\\red0\\green128\\blue0;}\\f0";
    constexpr int kRuns = 61;
    for (int i = 0; i < kRuns; ++i)
        note += i % 2 ? "\\cf2 gg" : (i % 3 ? "\\cf1 nnn" : "\\cf1 n");
    WriteBytes(DocumentPath(), note + "\\par}");
    THighContrastTheme theme;
    Start();
    Form1->Show();
    LONG at = 0;
    for (int i = 0; i < kRuns; ++i) {
        const LONG length = i % 2 ? 2 : (i % 3 ? 3 : 1);
        EXPECT_TRUE(Shown(at, at + length, i % 2 ? kGreen : kThemeText)) << "run " << i;
        at += length;
    }
    ASSERT_EQ(at, static_cast<LONG>(Form1->Memo1->Text().size()));
    // Text typed into the emptied note takes the theme's colour too.
    Form1->Memo1->Clear();
    SendMessageW(Editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"new"));
    EXPECT_TRUE(Shown(0, 3, kThemeText));

    theme.Off();
    EXPECT_TRUE(Shown(0, 3, kNavy));
    EXPECT_TRUE(reported.empty());
}

} // namespace
