#include "framework/Dialogs.h"
#include "support/DialogProbe.h"
#include "support/FrameworkFixture.h"
#include "support/SystemFaces.h"

#include <colordlg.h>
#include <dlgs.h>

#include <algorithm>
#include <map>

namespace {

using DialogTest = FrameworkTest;

void SetRgbFields(HWND dialog, int red, int green, int blue) {
    SetDlgItemInt(dialog, COLOR_RED, red, FALSE);
    SetDlgItemInt(dialog, COLOR_GREEN, green, FALSE);
    SetDlgItemInt(dialog, COLOR_BLUE, blue, FALSE);
}

int DialogWidth(HWND dialog) {
    RECT r;
    GetWindowRect(dialog, &r);
    return r.right - r.left;
}

TEST_F(DialogTest, ColourDialogOpensOnItsColourAndReturnsTheColourTheUserSets) {
    TColorDialog dialog(nullptr);
    dialog.SetOptions(cdFullOpen | cdSolidColor);
    dialog.SetColor(RGB(10, 20, 30));
    std::vector<bool> acceptedAtClose;
    dialog.OnClose = [&](TObject* sender) {
        acceptedAtClose.push_back(sender == &dialog && dialog.Accepted());
    };

    UINT shownRed = 0, shownBlue = 0;
    WhenDialogOpens([&](HWND wnd) {
        shownRed = GetDlgItemInt(wnd, COLOR_RED, nullptr, FALSE);
        shownBlue = GetDlgItemInt(wnd, COLOR_BLUE, nullptr, FALSE);
        SetRgbFields(wnd, 200, 100, 50);
        PressDialogButton(wnd, IDOK);
    });
    EXPECT_TRUE(dialog.Execute(nullptr));
    EXPECT_EQ(shownRed, 10u);
    EXPECT_EQ(shownBlue, 30u);
    EXPECT_EQ(dialog.Color(), static_cast<TColor>(RGB(200, 100, 50)));
    EXPECT_EQ(acceptedAtClose, std::vector<bool>{true});
    EXPECT_TRUE(reported.empty());
}

TEST_F(DialogTest, CancellingTheColourDialogKeepsTheColourAndStillTellsThatItClosed) {
    TColorDialog dialog(nullptr);
    dialog.SetOptions(cdFullOpen);
    dialog.SetColor(clWhite);
    WhenDialogOpens([](HWND wnd) { PressDialogButton(wnd, IDOK); });
    ASSERT_TRUE(dialog.Execute(nullptr)); // the cancel below must not read as this OK
    int closes = 0;
    dialog.OnClose = [&](TObject*) { ++closes; };
    WhenDialogOpens([&](HWND wnd) {
        SetRgbFields(wnd, 1, 2, 3);
        PressDialogButton(wnd, IDCANCEL);
    });
    EXPECT_FALSE(dialog.Execute(nullptr));
    EXPECT_FALSE(dialog.Accepted());
    EXPECT_EQ(dialog.Color(), clWhite);
    EXPECT_EQ(closes, 1);
}

TEST_F(DialogTest, FullOpenShowsTheCustomColourPartAndCustomColoursLastToTheNextOpening) {
    TColorDialog dialog(nullptr);
    int compactWidth = 0, fullWidth = 0;
    WhenDialogOpens([&](HWND wnd) {
        compactWidth = DialogWidth(wnd);
        PressDialogButton(wnd, IDCANCEL);
    });
    dialog.Execute(nullptr);

    dialog.SetOptions(cdFullOpen);
    WhenDialogOpens([&](HWND wnd) {
        fullWidth = DialogWidth(wnd);
        SetRgbFields(wnd, 12, 34, 56);
        PressDialogButton(wnd, COLOR_ADD); // "Add to custom colours": into the first slot
        PressDialogButton(wnd, IDOK);
    });
    ASSERT_TRUE(dialog.Execute(nullptr));
    EXPECT_GT(fullWidth, compactWidth + 100) << compactWidth << " " << fullWidth;
    EXPECT_EQ(dialog.CustomColors()[0], RGB(12, 34, 56));
    EXPECT_EQ(dialog.CustomColors()[1], RGB(255, 255, 255));
}

TEST_F(DialogTest, FontDialogReturnsTheFontItOpenedWithOnOkAndLeavesItAloneOnCancel) {
    TFontDialog dialog(nullptr);
    dialog.SetOptions(fdTrueTypeOnly | fdEffects);
    const std::wstring face = SomeTrueTypeFace();
    dialog.Font()->SetName(face);
    dialog.Font()->SetSize(12);
    dialog.Font()->SetStyle(fsItalic | fsUnderline);
    dialog.Font()->SetColor(RGB(255, 0, 0));
    int changes = 0;
    dialog.Font()->OnChange = [&](TObject*) { ++changes; };

    bool colourOffered = false, underlineOffered = false;
    WhenDialogOpens([&](HWND wnd) {
        colourOffered = ShowsControl(wnd, cmb4);
        underlineOffered = ShowsControl(wnd, chx2);
        PressDialogButton(wnd, IDOK);
    });
    ASSERT_TRUE(dialog.Execute(nullptr));
    EXPECT_TRUE(colourOffered);
    EXPECT_TRUE(underlineOffered);
    EXPECT_EQ(dialog.Font()->Name(), face);
    EXPECT_EQ(dialog.Font()->Size(), 12);
    EXPECT_EQ(dialog.Font()->Style(), fsItalic | fsUnderline);
    EXPECT_EQ(dialog.Font()->Color(), static_cast<TColor>(RGB(255, 0, 0)));
    EXPECT_EQ(changes, 1); // one announcement for the whole choice

    changes = 0;
    WhenDialogOpens([](HWND wnd) { PressDialogButton(wnd, IDCANCEL); });
    EXPECT_FALSE(dialog.Execute(nullptr));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(dialog.Font()->Size(), 12);
}

TEST_F(DialogTest, WithoutEffectsTheFontDialogOffersNoColourAndTheFontKeepsItsOwn) {
    TFontDialog dialog(nullptr);
    dialog.SetOptions(0);
    dialog.Font()->SetName(SomeTrueTypeFace());
    dialog.Font()->SetColor(RGB(0, 128, 0));
    bool colourOffered = true;
    WhenDialogOpens([&](HWND wnd) {
        colourOffered = ShowsControl(wnd, cmb4);
        PressDialogButton(wnd, IDOK);
    });
    ASSERT_TRUE(dialog.Execute(nullptr));
    EXPECT_FALSE(colourOffered);
    EXPECT_EQ(dialog.Font()->Color(), static_cast<TColor>(RGB(0, 128, 0)));
}

TEST_F(DialogTest, TrueTypeOnlyListsNoOtherKindOfFace) {
    TFontDialog dialog(nullptr);
    auto facesListed = [&](TFontDialogOptions options) {
        dialog.SetOptions(options);
        std::vector<std::wstring> faces;
        WhenDialogOpens([&](HWND wnd) {
            faces = ComboItems(wnd, cmb1);
            PressDialogButton(wnd, IDCANCEL);
        });
        dialog.Execute(nullptr);
        return faces;
    };
    const std::vector<std::wstring> all = facesListed(fdEffects);
    const std::vector<std::wstring> trueTypeOnly = facesListed(fdEffects | fdTrueTypeOnly);
    const std::map<std::wstring, bool> system = SystemFaces();
    auto isTrueType = [&](const std::wstring& face) {
        auto it = system.find(face);
        return it != system.end() && it->second;
    };
    ASSERT_FALSE(trueTypeOnly.empty());
    for (const std::wstring& face : trueTypeOnly)
        EXPECT_TRUE(isTrueType(face)) << face;
    // Where the system has faces of another kind (Windows' bitmap "MS Sans Serif"), the full list
    // shows them. A Wine prefix without Wine's own bitmap fonts has TrueType faces only.
    const bool otherKinds =
        std::any_of(system.begin(), system.end(), [](const auto& f) { return !f.second; });
    if (otherKinds) {
        EXPECT_TRUE(
            std::any_of(all.begin(), all.end(), [&](const std::wstring& f) { return !isTrueType(f); }));
    }
}

} // namespace
