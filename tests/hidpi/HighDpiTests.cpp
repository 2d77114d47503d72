// The program's windows on a screen of another resolution than the 96 pixels per inch they are
// designed for. The test prefix's resolution is set before Wine starts (run_at_dpi.sh); the
// expected values are computed for whatever resolution this process finds.
#include "app/ProgramFixture.h"
#include "support/DialogProbe.h"
#include "support/SystemFaces.h"

#include "about/AboutForm.h"
#include "about/CreditForm.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "framework/PictureScale.h"
#include "imaging/GifDecoder.h"
#include "settings/SettingsForm.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cstdlib>

namespace {

class HighDpiTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        // A run at an unexpected resolution would test nothing: say so rather than pass.
        const char* wanted = std::getenv("QP_EXPECTED_DPI");
        ppi = SystemPixelsPerInch();
        ASSERT_EQ(ppi, wanted ? std::atoi(wanted) : 144) << "the prefix's LogPixels did not take";
    }
    int S(int designed) const { return ScaleLength(designed, ppi, 96); }
    TBox Scaled(TBox designed) const { return ScaleBox(designed, ppi, 96); }
    static TBox BoxOf(const TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }
    static SIZE ClientSize(HWND wnd) {
        RECT r;
        GetClientRect(wnd, &r);
        return {r.right, r.bottom};
    }
    static SIZE TextExtent(TFont* font, const std::wstring& text, UINT flags = DT_SINGLELINE) {
        TScreenDC screen;
        HGDIOBJ old = SelectObject(screen.Get(), font->Handle());
        RECT r{0, 0, 0, 0};
        DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
        SelectObject(screen.Get(), old);
        return {r.right, r.bottom};
    }
    int ppi = 96;
};

TEST_F(HighDpiTest, TheSettingsDialogIsItsDesignScaledAndNoCaptionIsCutOff) {
    Start();
    ASSERT_TRUE(Fcfg);
    Fcfg->Show();
    EXPECT_EQ(Fcfg->PixelsPerInch(), ppi);
    const SIZE client = ClientSize(Fcfg->Handle());
    EXPECT_EQ(client.cx, 288 * ppi / 96);
    EXPECT_EQ(client.cy, 376 * ppi / 96);
    EXPECT_EQ(Fcfg->Font()->Height(), ScaleFontHeight(-11, ppi, 96));

    // Positions as the windows really are, against the design.
    auto windowBox = [](TWinControl* c) {
        RECT r;
        GetWindowRect(c->Handle(), &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(c->Handle()), reinterpret_cast<POINT*>(&r), 2);
        return TBox{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    EXPECT_EQ(windowBox(Fcfg->GroupBox1), Scaled({8, 4, 272, 168}));
    EXPECT_EQ(windowBox(Fcfg->GroupBox2), Scaled({8, 178, 272, 86}));
    EXPECT_EQ(windowBox(Fcfg->CBorder), Scaled({8, 104, 256, 17}));
    EXPECT_EQ(windowBox(Fcfg->EGlobal), Scaled({170, 272, 110, 21}));
    EXPECT_EQ(windowBox(Fcfg->Button1), Scaled({8, 343, 84, 25}));
    EXPECT_EQ(windowBox(Fcfg->Button3), Scaled({196, 343, 84, 25}));
    EXPECT_EQ(BoxOf(Fcfg->Shape1), Scaled({240, 141, 20, 20}));
    // A fixed-size label keeps its scaled place and width; its height may grow to the font's
    // line, which comes in steps for a bitmap face.
    const TBox label2 = BoxOf(Fcfg->Label2), designed2 = Scaled({126, 145, 110, 13});
    EXPECT_EQ(label2.Left, designed2.Left);
    EXPECT_EQ(label2.Top, designed2.Top);
    EXPECT_EQ(label2.Width, designed2.Width);
    EXPECT_GE(label2.Height, designed2.Height);
    // The right-hand buttons end at the client's right margin, as designed.
    EXPECT_EQ(client.cx - (Fcfg->Button3->Left() + Fcfg->Button3->Width()), S(288) - S(280));

    // Every caption fits its control in the control's own (scaled) font. A check box draws its
    // box and a gap before the text; a button and a group box keep a margin on each side.
    const int checkMark = S(13 + 4);
    for (TCheckBox* box : {Fcfg->CTitle, Fcfg->CClose, Fcfg->CBorder, Fcfg->CScrolBar, Fcfg->CBgTrans,
                           Fcfg->CEnreg, Fcfg->CAutoSave, Fcfg->CRun, Fcfg->CStartShow}) {
        const SIZE text = TextExtent(box->Font(), box->Caption());
        EXPECT_LE(text.cx + checkMark, box->Width()) << box->Name();
        EXPECT_LE(text.cy, box->Height()) << box->Name();
    }
    for (TButton* button : {Fcfg->Button1, Fcfg->Button2, Fcfg->Button3})
        EXPECT_LE(TextExtent(button->Font(), button->Caption()).cx + S(8), button->Width()) << button->Name();
    for (TGroupBox* group : {Fcfg->GroupBox1, Fcfg->GroupBox2})
        EXPECT_LE(TextExtent(group->Font(), group->Caption()).cx + S(16), group->Width()) << group->Name();
    for (TLabel* label : {Fcfg->Label1, Fcfg->Aval, Fcfg->Label2, Fcfg->LIntervalle, Fcfg->Label3}) {
        const SIZE text = TextExtent(label->Font(), label->Caption(), 0);
        EXPECT_LE(text.cx, label->Width()) << label->Name();
        EXPECT_LE(text.cy, label->Height()) << label->Name();
    }
    // The hot-key label ends before the field it names, and the colour label before the swatch.
    EXPECT_LE(Fcfg->Label3->Left() + Fcfg->Label3->Width(), Fcfg->EGlobal->Left());
    EXPECT_LE(Fcfg->Label2->Left() + Fcfg->Label2->Width(), Fcfg->Shape1->Left());
    Fcfg->Close();
    EXPECT_TRUE(reported.empty());
}

TEST_F(HighDpiTest, TheAboutPictureIsDrawnAtTheScaledSizeAndEveryAboutWindowIsItsDesignScaled) {
    Start();
    ASSERT_TRUE(FAbout && FCredit);
    FAbout->Show();
    const SIZE about = ClientSize(FAbout->Handle());
    EXPECT_EQ(about.cx, S(330));
    EXPECT_EQ(about.cy, S(434));
    EXPECT_EQ(BoxOf(FAbout->Panel1), Scaled({16, 16, 81, 61}));
    EXPECT_EQ(BoxOf(FAbout->Image1), Scaled({1, 1, 81, 61}));
    EXPECT_EQ(BoxOf(FAbout->Label2),
              (TBox{S(127), S(102), FAbout->Label2->Width(), FAbout->Label2->Height()}));
    EXPECT_LE(TextExtent(FAbout->Label2->Font(), FAbout->Label2->Caption()).cx, FAbout->Label2->Width());
    EXPECT_EQ(FAbout->HotLink1->HotTrackFont()->Height(), ScaleFontHeight(-11, ppi, 96));

    // The picture as drawn, over a known background, against the picture scaled here.
    const SIZE drawn = FAbout->Image1->DrawnSize();
    EXPECT_EQ(drawn.cx, S(80));
    EXPECT_EQ(drawn.cy, S(60));
    const std::string bytes = ResourceBytes(L"ABOUTPICTURE");
    const TDecodeResult decoded = DecodeGif(bytes.data(), bytes.size());
    ASSERT_TRUE(decoded.Image);
    const TPremultipliedImage expected = ScalePicture(*decoded.Image, drawn.cx, drawn.cy);
    const COLORREF background = RGB(10, 200, 30);
    TScreenDC screen;
    HDC dc = CreateCompatibleDC(screen.Get());
    const int w = FAbout->Panel1->Width(), h = FAbout->Panel1->Height();
    HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, w, h};
    TBrushHandle brush(CreateSolidBrush(background));
    FillRect(dc, &all, brush.Get());
    SendMessageW(FAbout->Panel1->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    int wrong = 0;
    const int x0 = FAbout->Image1->Left(), y0 = FAbout->Image1->Top();
    for (int y = 0; y < drawn.cy; ++y) {
        for (int x = 0; x < drawn.cx; ++x) {
            // The panel's lowered edge is drawn under the picture: its transparent pixels show it.
            if (x0 + x >= w - 1 || y0 + y >= h - 1) continue;
            const std::uint32_t p = expected.Pixels[static_cast<size_t>(y) * drawn.cx + x];
            const int a = static_cast<int>(p >> 24);
            auto over = [&](int shift, int back) {
                return static_cast<int>((p >> shift) & 0xFF) + back * (255 - a) / 255;
            };
            const COLORREF seen = GetPixel(dc, x0 + x, y0 + y);
            const bool close = std::abs(GetRValue(seen) - over(16, GetRValue(background))) <= 2 &&
                               std::abs(GetGValue(seen) - over(8, GetGValue(background))) <= 2 &&
                               std::abs(GetBValue(seen) - over(0, GetBValue(background))) <= 2;
            if (!close) ++wrong;
        }
    }
    // Just past the picture's right edge, inside the image control, lies the background.
    const COLORREF beyond = GetPixel(dc, x0 + drawn.cx, y0 + drawn.cy / 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EXPECT_EQ(wrong, 0);
    if (x0 + drawn.cx < w - 1) {
        EXPECT_EQ(beyond, background);
    }

    FCredit->Show();
    const SIZE credits = ClientSize(FCredit->Handle());
    EXPECT_EQ(credits.cx, S(637));
    EXPECT_EQ(credits.cy, S(273));
    EXPECT_EQ(FCredit->ScrollText1->Width(), credits.cx);
    EXPECT_EQ(FCredit->ScrollText1->Height(), credits.cy);
    EXPECT_EQ(FCredit->ScrollText1->Font()->Height(), ScaleFontHeight(-13, ppi, 96));
    RECT place;
    GetWindowRect(FCredit->Handle(), &place);
    EXPECT_EQ(place.left, 351); // a place on the screen, not a design length
    EXPECT_EQ(place.top, 297);
    FCredit->Close();
    FAbout->Close();
    EXPECT_TRUE(reported.empty());
}

TEST_F(HighDpiTest, TheNoteKeepsItsStoredScreenSizeAndItsTextItsPointSize) {
    Setting(L"Apparence", L"Left", L"100");
    Setting(L"Apparence", L"Top", L"120");
    Setting(L"Apparence", L"Width", L"260");
    Setting(L"Apparence", L"Height", L"250");
    Setting(L"Apparence", L"Visible", L"1");
    Setting(L"Apparence", L"Size", L"10");
    Setting(L"Apparence", L"Font", SomeTrueTypeFace());
    Start();
    ASSERT_TRUE(Form1 && Form1->HandleAllocated());
    RECT r;
    GetWindowRect(Form1->Handle(), &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(r.right - r.left, 260);
    EXPECT_EQ(r.bottom - r.top, 250);
    EXPECT_EQ(Form1->PixelsPerInch(), ppi);
    const SIZE client = ClientSize(Form1->Handle());
    EXPECT_EQ(Form1->Memo1->Width(), client.cx);
    EXPECT_EQ(Form1->Memo1->Height(), client.cy);
    EXPECT_EQ(Form1->Memo1->Font()->Size(), 10);
    EXPECT_EQ(Form1->Memo1->Font()->Height(), -ScaleLength(10, ppi, 72));
    EXPECT_EQ(Form1->Memo1->SelAttributes().Size, 10);
    EXPECT_EQ(StoredSetting(L"Width"), L"260"); // nothing written back while loading
    EXPECT_EQ(StoredSetting(L"Height"), L"250");

    // Through the font dialog and OK: the size stays in points.
    Fcfg->Show();
    int offered = 0;
    WhenDialogOpens([&](HWND wnd) {
        wchar_t text[16] = {};
        GetDlgItemTextW(wnd, cmb3, text, 16); // the size box
        offered = _wtoi(text);
        PressDialogButton(wnd, IDOK);
    });
    SendMessageW(Fcfg->Button3->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(offered, 10);
    EXPECT_EQ(Fcfg->FontDialog1->Font()->Size(), 10);
    EXPECT_EQ(Form1->Memo1->SelAttributes().Size, 10);
    SendMessageW(Fcfg->Button1->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(StoredSetting(L"Size"), L"10");
    EXPECT_TRUE(reported.empty());
}

} // namespace
