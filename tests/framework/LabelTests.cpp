#include "support/FrameworkFixture.h"
#include "support/Keyboard.h"
#include "support/PointerInput.h"

#include "framework/Label.h"

#include <functional>

namespace {

class LabelTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        app->CreateForm(form);
        label = new TLabel(form);
        label->SetParent(form);
        label->SetBounds(20, 20, 10, 10);
    }

    // Renders the form's client area through its own painting onto a sentinel-coloured bitmap.
    struct TRendering {
        HDC Dc;
        HBITMAP Bitmap;
        HGDIOBJ Old;
        ~TRendering() {
            SelectObject(Dc, Old);
            DeleteObject(Bitmap);
            DeleteDC(Dc);
        }
        COLORREF At(int x, int y) const { return GetPixel(Dc, x, y); }
    };
    static constexpr COLORREF kSentinel = RGB(250, 1, 250);
    std::unique_ptr<TRendering> Render() {
        HWND wnd = form->Handle();
        TScreenDC screen;
        auto r =
            std::unique_ptr<TRendering>(new TRendering{CreateCompatibleDC(screen.Get()), nullptr, nullptr});
        r->Bitmap = CreateCompatibleBitmap(screen.Get(), 200, 150);
        r->Old = SelectObject(r->Dc, r->Bitmap);
        RECT all{0, 0, 200, 150};
        TBrushHandle sentinel(CreateSolidBrush(kSentinel));
        FillRect(r->Dc, &all, sentinel.Get());
        SendMessageW(wnd, WM_PAINT, reinterpret_cast<WPARAM>(r->Dc), 0);
        return r;
    }
    int CountIn(const TRendering& r, RECT area, const std::function<bool(COLORREF)>& match) const {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (match(r.At(x, y))) ++n;
        return n;
    }
    RECT LabelRect() const {
        return {label->Left(), label->Top(), label->Left() + label->Width(), label->Top() + label->Height()};
    }
    static bool Dark(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 200; }

    POINT ScreenPointOf(TControl* control, int dx, int dy) const {
        return FormPoint(control->Left() + dx, control->Top() + dy);
    }
    POINT FormPoint(int x, int y) const {
        POINT p{x, y};
        ClientToScreen(form->Handle(), &p);
        return p;
    }

    TPlainForm* form = nullptr;
    TLabel* label = nullptr;
};

TEST_F(LabelTest, AutoSizeFitsTheCaptionAndTheMnemonicMarkTakesNoRoom) {
    label->SetCaption(L"File");
    const int plainWidth = label->Width();
    EXPECT_GT(plainWidth, 10);
    EXPECT_GT(label->Height(), 5);
    label->SetCaption(L"&File");
    EXPECT_EQ(label->Width(), plainWidth);
    label->SetShowAccelChar(false);
    EXPECT_GT(label->Width(), plainWidth); // "&" is now shown
    EXPECT_EQ(TLabel::MnemonicOf(L"&File"), L'F');
    EXPECT_EQ(TLabel::MnemonicOf(L"Save && &quit"), L'q');
    EXPECT_EQ(TLabel::MnemonicOf(L"Fish && chips"), 0);
    EXPECT_EQ(TLabel::MnemonicOf(L"trailing&"), 0);

    // A bigger font grows the label at once.
    label->SetShowAccelChar(true);
    const int smallHeight = label->Height();
    label->Font()->SetHeight(-30);
    EXPECT_GT(label->Height(), smallHeight);
    EXPECT_GT(label->Width(), plainWidth);
}

TEST_F(LabelTest, RightAlignedKeepsItsRightEdgeAndWordWrapKeepsItsWidth) {
    label->SetAutoSize(false);
    label->SetBounds(20, 20, 200, 10);
    label->SetAlignment(taRightJustify);
    label->SetAutoSize(true);
    label->SetCaption(L"Right");
    EXPECT_EQ(label->Left() + label->Width(), 220);
    EXPECT_LT(label->Width(), 200);

    label->SetAlignment(taLeftJustify);
    label->SetAutoSize(false);
    label->SetBounds(20, 20, 60, 10);
    label->SetWordWrap(true);
    label->SetAutoSize(true);
    label->SetCaption(L"several words that cannot fit on one line");
    EXPECT_EQ(label->Width(), 60);
    EXPECT_GT(label->Height(), 3 * 10);

    label->SetAutoSize(false);
    label->SetBounds(5, 6, 7, 8);
    label->SetCaption(L"no longer fits itself");
    EXPECT_EQ(label->Width(), 7);
    EXPECT_EQ(label->Height(), 8);
}

TEST_F(LabelTest, WhileADesignIsAppliedTheLabelFitsItselfOnceLoadingEnds) {
    // The same label made at run time: the size a loaded one must end with.
    label->SetCaption(L"Valeur de transparence");
    label->Font()->SetHeight(-20);
    const int width = label->Width(), height = label->Height();

    form->BeginLoad();
    auto* loaded = new TLabel(form);
    loaded->SetParent(form);
    loaded->SetBounds(20, 60, 10, 10);
    loaded->SetCaption(L"Valeur de transparence");
    loaded->Font()->SetHeight(-20);
    EXPECT_EQ(loaded->Width(), 10); // not measured yet
    form->EndLoad();
    EXPECT_EQ(loaded->Width(), width);
    EXPECT_EQ(loaded->Height(), height);

    // One that stops fitting itself before loading ends keeps its designed box.
    form->BeginLoad();
    auto* fixed = new TLabel(form);
    fixed->SetParent(form);
    fixed->SetBounds(20, 90, 10, 10);
    fixed->SetCaption(L"Valeur de transparence");
    fixed->SetAutoSize(false);
    form->EndLoad();
    EXPECT_EQ(fixed->Width(), 10);
    EXPECT_EQ(fixed->Height(), 10);
}

TEST_F(LabelTest, TheParentDrawsTheCaptionOnItsColourGreyedWhenDisabledOrOverItsBackgroundWhenTransparent) {
    label->SetCaption(L"WWWW");
    form->SetColor(RGB(200, 230, 250));
    EXPECT_EQ(label->Color(), RGB(200, 230, 250)); // follows its parent
    {
        auto r = Render();
        EXPECT_GT(CountIn(*r, LabelRect(), Dark), 10);
        EXPECT_GT(CountIn(*r, LabelRect(), [](COLORREF c) { return c == RGB(200, 230, 250); }), 10);
        EXPECT_EQ(CountIn(*r, LabelRect(), [](COLORREF c) { return c == kSentinel; }), 0);
    }
    label->SetEnabled(false);
    {
        auto r = Render();
        const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
        EXPECT_GT(CountIn(*r, LabelRect(), [&](COLORREF c) { return c == shadow; }), 10);
        EXPECT_EQ(CountIn(*r, LabelRect(), [](COLORREF c) { return c == RGB(0, 0, 0); }), 0);
    }
    label->SetEnabled(true);
    label->SetTransparent(true);
    {
        auto r = Render();
        EXPECT_GT(CountIn(*r, LabelRect(), [](COLORREF c) { return c == kSentinel; }), 10);
        EXPECT_GT(CountIn(*r, LabelRect(), Dark), 10);
    }
    label->SetVisible(false);
    {
        auto r = Render();
        EXPECT_EQ(CountIn(*r, LabelRect(), Dark), 0);
    }
    label->SetParentColor(false);
    label->SetColor(RGB(10, 200, 10));
    form->SetColor(RGB(50, 50, 50));
    EXPECT_EQ(label->Color(), RGB(10, 200, 10)); // a colour of its own stays
}

TEST_F(LabelTest, RealPointerEntersClicksShowsItsCursorAndLeaves) {
    label->SetCaption(L"Pointer target");
    label->SetCursor(crHandPoint);
    int entered = 0, left = 0, clicks = 0, formClicks = 0;
    label->OnMouseEnter = [&](TObject* s) { entered += s == label; };
    label->OnMouseLeave = [&](TObject* s) { left += s == label; };
    label->OnClick = [&](TObject* s) { clicks += s == label; };
    form->OnClick = [&](TObject*) { ++formClicks; };
    form->Show();
    ASSERT_TRUE(PumpUntil(*app, [&] { return IsWindowVisible(form->Handle()) != FALSE; }));

    SendPointerMove(FormPoint(-30, -30)); // outside the form
    app->ProcessMessages();
    SendPointerMove(ScreenPointOf(label, 3, 3));
    ASSERT_TRUE(PumpUntil(*app, [&] { return entered == 1; }));
    EXPECT_EQ(left, 0);
    SendMessageW(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));

    SendLeftClick(ScreenPointOf(label, 4, 4));
    ASSERT_TRUE(PumpUntil(*app, [&] { return clicks == 1; }));
    EXPECT_EQ(formClicks, 0); // the label took it
    EXPECT_EQ(entered, 1);

    // Over the form but off the label: the label is left, the form keeps the pointer.
    SendPointerMove(FormPoint(150, 90));
    ASSERT_TRUE(PumpUntil(*app, [&] { return left == 1; }));
    SendLeftClick(FormPoint(150, 90));
    ASSERT_TRUE(PumpUntil(*app, [&] { return formClicks == 1; }));
    EXPECT_EQ(clicks, 1);

    // Entering again and leaving the whole window.
    SendPointerMove(ScreenPointOf(label, 2, 2));
    ASSERT_TRUE(PumpUntil(*app, [&] { return entered == 2; }));
    SendPointerMove(FormPoint(-40, -40));
    ASSERT_TRUE(PumpUntil(*app, [&] { return left == 2; }));
}

TEST_F(LabelTest, MnemonicMovesTheFocusToItsControlOnlyWhenEnabledAndTheControlCanTakeIt) {
    auto* first = new TWinControl(form);
    first->SetParent(form);
    first->SetBounds(10, 60, 50, 20);
    auto* target = new TWinControl(form);
    target->SetParent(form);
    target->SetBounds(10, 90, 50, 20);
    label->SetCaption(L"&Nom");
    label->SetFocusControl(target);
    form->Show();
    SetForegroundWindow(form->Handle());
    first->SetFocus();
    ASSERT_TRUE(PumpUntil(*app, [&] { return first->Focused(); }));

    label->SetEnabled(false);
    SendChord({VK_MENU, 'N'});
    PumpUntil(
        *app, [&] { return target->Focused(); }, 300);
    EXPECT_TRUE(first->Focused());

    label->SetEnabled(true);
    target->SetEnabled(false);
    SendChord({VK_MENU, 'N'});
    PumpUntil(
        *app, [&] { return target->Focused(); }, 300);
    EXPECT_TRUE(first->Focused());

    target->SetEnabled(true);
    SendChord({VK_MENU, 'X'}); // not its letter
    PumpUntil(
        *app, [&] { return target->Focused(); }, 300);
    EXPECT_TRUE(first->Focused());
    SendChord({VK_MENU, 'N'});
    EXPECT_TRUE(PumpUntil(*app, [&] { return target->Focused(); }));

    // The focus control going away leaves the label without one.
    TComponent::Free(target);
    EXPECT_EQ(label->FocusControl(), nullptr);
    first->SetFocus();
    SendChord({VK_MENU, 'N'});
    PumpUntil(
        *app, [&] { return !first->Focused(); }, 300);
    EXPECT_TRUE(first->Focused());
    EXPECT_TRUE(reported.empty());
}

} // namespace
