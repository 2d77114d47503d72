#include "support/FrameworkFixture.h"

#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/Dpi.h"
#include "framework/DpiScale.h"
#include "framework/Image.h"
#include "framework/Label.h"

#include <algorithm>
#include <memory>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

// Design values at 96 pixels per inch, as every form of the program gives them.
class TScaledForm : public TForm {
public:
    explicit TScaledForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsDialog);
        SetBounds(60, 40, 0, 0);
        SetClientWidth(200);
        SetClientHeight(150);
        Font()->SetName(L"MS Sans Serif");
        Font()->SetHeight(-11);
        Check = Add<TCheckBox>(10, 10, 180, 17);
        Check->SetCaption(L"Afficher la bordure");
        Ok = Add<TButton>(10, 110, 80, 25);
        Ok->SetCaption(L"OK");
        Cancel = Add<TButton>(90, 110, 80, 25); // touching OK
        Cancel->SetCaption(L"Annuler");
        Sized = new TLabel(this);
        Sized->SetParent(this);
        Sized->SetBounds(10, 40, 0, 0);
        Sized->SetCaption(L"Valeur de transparence");
        Own = Add<TLabel>(10, 60, 80, 20);
        Own->Font()->SetName(L"Courier");
        Own->Font()->SetHeight(-13);
        // Exactly two lines high at 96; its font gives a line of 20 pixels, not 19.5, at 144.
        Tight = Add<TLabel>(10, 82, 80, 26);
        Tight->SetAutoSize(false);
        Tight->SetCaption(L"Valeur\r\nopaque");
        Picture = Add<TImage>(100, 60, 81, 61);
        Picture->SetPicture({80, 60, std::vector<std::uint32_t>(80 * 60, 0xFFFF0000)});
    }
    template <class T> T* Add(int left, int top, int width, int height) {
        auto* control = new T(this);
        control->SetParent(this);
        control->SetBounds(left, top, width, height);
        return control;
    }
    TCheckBox* Check;
    TButton* Ok;
    TButton* Cancel;
    TLabel* Sized;
    TLabel* Own;
    TLabel* Tight;
    TImage* Picture;
};

class FormScalingTest : public FrameworkTest {
protected:
    static TBox BoxOf(const TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }
    static TBox WindowBox(TWinControl* c) {
        RECT r;
        GetWindowRect(c->Handle(), &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(c->Handle()), reinterpret_cast<POINT*>(&r), 2);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    static int FontHeightOfWindow(HWND wnd) {
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return lf.lfHeight;
    }
    static SIZE TextSize(TFont* font, const std::wstring& text) {
        TScreenDC screen;
        HGDIOBJ old = SelectObject(screen.Get(), font->Handle());
        RECT r{0, 0, 0, 0};
        DrawTextW(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_EXPANDTABS);
        SelectObject(screen.Get(), old);
        return {r.right, r.bottom};
    }
    static int TextWidth(TFont* font, const std::wstring& text) { return TextSize(font, text).cx; }
    static int TextHeight(TFont* font, const std::wstring& text) { return TextSize(font, text).cy; }
    // The form drawn by its own painting into a bitmap, read back pixel by pixel.
    std::vector<COLORREF> Rendering(int width, int height) {
        TScreenDC screen;
        HDC dc = CreateCompatibleDC(screen.Get());
        HBITMAP bitmap = CreateCompatibleBitmap(screen.Get(), width, height);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(form->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return pixels;
    }

    // Every value the form was designed with, at a resolution.
    void ExpectDesignAt(int ppi) {
        SCOPED_TRACE(ppi);
        EXPECT_EQ(form->PixelsPerInch(), ppi);
        EXPECT_EQ(form->ClientWidth(), ScaleLength(200, ppi, 96));
        EXPECT_EQ(form->ClientHeight(), ScaleLength(150, ppi, 96));
        for (auto [control, design] : {std::pair<TWinControl*, TBox>{form->Check, {10, 10, 180, 17}},
                                       {form->Ok, {10, 110, 80, 25}},
                                       {form->Cancel, {90, 110, 80, 25}}}) {
            EXPECT_EQ(BoxOf(control), ScaleBox(design, ppi, 96));
            if (control->HandleAllocated()) {
                EXPECT_EQ(WindowBox(control), BoxOf(control)); // the window really moved
                EXPECT_EQ(FontHeightOfWindow(control->Handle()), ScaleFontHeight(-11, ppi, 96));
            }
        }
        EXPECT_EQ(form->Ok->Left() + form->Ok->Width(), form->Cancel->Left()); // still touching
        EXPECT_EQ(form->Font()->Height(), ScaleFontHeight(-11, ppi, 96));
        EXPECT_EQ(form->Font()->Size(), 8);
        EXPECT_EQ(form->Own->Font()->Height(), ScaleFontHeight(-13, ppi, 96));
        EXPECT_EQ(form->Own->Font()->Name(), L"Courier");
        // Scaled as a position, then sized to its text in the scaled font, not scaled twice.
        EXPECT_EQ(form->Sized->Left(), ScaleLength(10, ppi, 96));
        EXPECT_EQ(form->Sized->Width(), TextWidth(form->Sized->Font(), form->Sized->Caption()));
        EXPECT_EQ(form->Picture->DrawnSize().cx, ScaleLength(80, ppi, 96));
        EXPECT_EQ(form->Picture->DrawnSize().cy, ScaleLength(60, ppi, 96));
        ExpectTightLabelAt(ppi);
    }
    // A fixed-size label keeps its scaled box and only grows downwards when its text needs it;
    // at the design resolution it is exactly its design box.
    void ExpectTightLabelAt(int ppi) {
        const TBox box = BoxOf(form->Tight), design = ScaleBox({10, 82, 80, 26}, ppi, 96);
        EXPECT_EQ(box.Left, design.Left) << ppi;
        EXPECT_EQ(box.Top, design.Top) << ppi;
        EXPECT_EQ(box.Width, design.Width) << ppi;
        if (ppi == 96) {
            EXPECT_EQ(box.Height, design.Height);
        }
        EXPECT_GE(box.Height, std::max(design.Height, TextHeight(form->Tight->Font(), form->Tight->Caption())))
            << ppi;
    }

    TScaledForm* form = nullptr;
};

TEST_F(FormScalingTest,
       AMoveToAnotherResolutionTakesTheSuggestedRectangleAndRescalesChildrenFontsAndPicture) {
    app->CreateForm(form);
    const int base = form->PixelsPerInch();
    EXPECT_EQ(base, SystemPixelsPerInch()); // scaled when created, before any window
    ExpectDesignAt(base);
    form->Show();
    ASSERT_TRUE(form->HandleAllocated());
    RECT original;
    GetWindowRect(form->Handle(), &original);

    for (int ppi : {base == 144 ? 192 : 144, 120, base}) {
        RECT suggested = original;
        suggested.right = original.left + ScaleLength(original.right - original.left, ppi, base);
        suggested.bottom = original.top + ScaleLength(original.bottom - original.top, ppi, base);
        SendMessageW(form->Handle(), kDpiChangedMessage, MAKEWPARAM(ppi, ppi),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT now;
        GetWindowRect(form->Handle(), &now);
        EXPECT_TRUE(EqualRect(&now, &suggested)) << ppi;
        EXPECT_EQ(form->PixelsPerInch(), ppi);
        // The client area is what the system's rectangle leaves; the children follow the design.
        EXPECT_EQ(BoxOf(form->Ok), ScaleBox({10, 110, 80, 25}, ppi, 96));
        EXPECT_EQ(form->Font()->Height(), ScaleFontHeight(-11, ppi, 96));
        EXPECT_EQ(FontHeightOfWindow(form->Check->Handle()), ScaleFontHeight(-11, ppi, 96));
        EXPECT_EQ(form->Sized->Width(), TextWidth(form->Sized->Font(), form->Sized->Caption()));
        EXPECT_EQ(form->Picture->DrawnSize().cx, ScaleLength(80, ppi, 96));
        ExpectTightLabelAt(ppi);
    }
    // Back where it started, every value is the one it had: nothing drifted on the way.
    ExpectDesignAt(base);
    EXPECT_TRUE(reported.empty());
}

TEST_F(FormScalingTest, ThePictureIsDrawnAtTheScaledSizeAndNoFurther) {
    app->CreateForm(form);
    form->Show();
    form->ChangeScale(192, form->PixelsPerInch()); // a whole factor from 96: solid blocks
    ASSERT_EQ(form->PixelsPerInch(), 192);
    const int left = form->Picture->Left(), top = form->Picture->Top();
    const SIZE drawn = form->Picture->DrawnSize();
    EXPECT_EQ(drawn.cx, 160);
    EXPECT_EQ(drawn.cy, 120);
    const int width = left + 170, height = top + 130;
    const std::vector<COLORREF> pixels = Rendering(width, height);
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; };
    int red = 0;
    for (int y = top; y < top + 130; ++y)
        for (int x = left; x < left + 170; ++x)
            if (at(x, y) == kRed) ++red;
    EXPECT_EQ(red, 160 * 120);
    EXPECT_EQ(at(left, top), kRed);
    EXPECT_EQ(at(left + 159, top + 119), kRed);
    EXPECT_NE(at(left + 160, top + 60), kRed);
    EXPECT_NE(at(left + 80, top + 120), kRed);
}

TEST_F(FormScalingTest, AFormScaledForOneScreenIsScaledAgainWhenItsWindowComesUpOnAnother) {
    app->CreateForm(form);
    const int base = form->PixelsPerInch();
    const int other = base == 144 ? 96 : 144;
    form->ChangeScale(other, base);
    EXPECT_EQ(form->ClientWidth(), ScaleLength(200, other, 96)); // frame of that resolution, no window yet
    EXPECT_EQ(BoxOf(form->Cancel), ScaleBox({90, 110, 80, 25}, other, 96));
    EXPECT_FALSE(form->HandleAllocated());
    form->Show();
    ExpectDesignAt(WindowPixelsPerInch(form->Handle()));
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, form->ClientWidth());
    EXPECT_EQ(client.bottom, form->ClientHeight());
}

} // namespace
