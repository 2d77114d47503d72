#include "support/FrameworkFixture.h"
#include "support/HighContrastTheme.h"

#include "about/AboutForm.h"

#include <map>

namespace {

class HighContrastDialogTest : public FrameworkTest {
protected:
    // The colours of a control's area as its form paints it, and how many pixels each.
    std::map<COLORREF, int> ColoursOf(TForm* form, TControl* control) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, form->ClientWidth(), form->ClientHeight());
        HGDIOBJ old = SelectObject(dc, bitmap);
        SendMessageW(form->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        SendMessageW(form->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        std::map<COLORREF, int> colours;
        for (int y = control->Top(); y < control->Top() + control->Height(); ++y)
            for (int x = control->Left(); x < control->Left() + control->Width(); ++x)
                ++colours[GetPixel(dc, x, y)];
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return colours;
    }
    static COLORREF Commonest(const std::map<COLORREF, int>& colours) {
        COLORREF best = CLR_INVALID;
        int most = 0;
        for (const auto& [colour, n] : colours)
            if (n > most) best = colour, most = n;
        return best;
    }
};

TEST_F(HighContrastDialogTest, TheAboutDialogsOwnDrawingTakesTheThemesColoursAndGivesThemBack) {
    app->CreateForm(FAbout);
    FAbout->Show();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(face, THighContrastTheme::kBackground);
    // The pointer over a link: its hover colour is one of the design's own.
    THotLink* link = FAbout->HotLink2;
    SendMessageW(FAbout->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(link->Left() + 2, link->Top() + 2));
    ASSERT_EQ(link->Font()->Color(), clBlue);
    ASSERT_GT(ColoursOf(FAbout, link)[RGB(0, 0, 255)], 0);

    {
        THighContrastTheme theme;
        auto label = ColoursOf(FAbout, FAbout->Label1);
        EXPECT_EQ(Commonest(label), THighContrastTheme::kBackground);
        EXPECT_GT(label[THighContrastTheme::kText], 0);
        // A link is drawn in the theme's link colour, hovered or not.
        auto hovered = ColoursOf(FAbout, link);
        EXPECT_EQ(hovered[RGB(0, 0, 255)], 0);
        EXPECT_GT(hovered[THighContrastTheme::kLink], 0);
        EXPECT_GT(ColoursOf(FAbout, FAbout->HotLink1)[THighContrastTheme::kLink], 0);
        EXPECT_EQ(link->Font()->Color(), clBlue); // the design's value waits for the theme to go

        theme.Off();
        EXPECT_EQ(Commonest(ColoursOf(FAbout, FAbout->Label1)), face);
        EXPECT_GT(ColoursOf(FAbout, link)[RGB(0, 0, 255)], 0);
    }
    EXPECT_TRUE(reported.empty());
}

} // namespace
