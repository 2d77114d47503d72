#include "ProgramFixture.h"
#include "settings/SettingsForm.h"
#include "support/FileTestHelpers.h"
#include "support/HighContrastTheme.h"

#include <richedit.h>

namespace {

constexpr COLORREF kUserBackground = RGB(192, 192, 192);
constexpr COLORREF kUserText = RGB(255, 0, 0);
constexpr COLORREF kSentinel = RGB(250, 1, 250);

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
        EXPECT_TRUE(DefaultFormat().dwEffects & CFE_AUTOCOLOR);
        // Only what is shown changed: the user's values stay for the settings dialog to show
        // and to write.
        EXPECT_TRUE(Form1->AlphaBlend());
        EXPECT_EQ(Form1->AlphaBlendValue(), 100);
        EXPECT_EQ(Form1->Memo1->Color(), static_cast<TColor>(kUserBackground));
        EXPECT_EQ(Form1->Memo1->Font()->Color(), static_cast<TColor>(kUserText));
        // Text of the default format is shown in the theme's colour and saved in the user's.
        Form1->Memo1->SelectAll();
        EXPECT_EQ(Form1->Memo1->SelAttributes().Color, static_cast<TColor>(THighContrastTheme::kText));
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

} // namespace
