#include "ProgramFixture.h"

namespace {

using TitleBarTest = ProgramFixture;

LONG CaptionBits(HWND wnd) {
    return GetWindowLongW(wnd, GWL_STYLE) & kCaptionBits;
}

TEST_F(TitleBarTest, TheSettingsHideTheTitleBarOfTheNoteWithOrWithoutItsBorder) {
    Start(); // no settings: sizeable border, title bar shown
    EXPECT_FALSE(Form1->FormShaper1->Enable());
    EXPECT_EQ(CaptionBits(Form1->Handle()), kCaptionBits);
    app.DestroyForms();

    Setting(L"Apparence", L"Title", L"1");
    Start();
    HWND note = Form1->Handle();
    EXPECT_TRUE(Form1->FormShaper1->Enable());
    EXPECT_EQ(CaptionBits(note), 0);
    EXPECT_TRUE(GetWindowLongW(note, GWL_STYLE) & WS_THICKFRAME); // the border stays
    RECT outer;
    GetWindowRect(note, &outer);
    EXPECT_EQ(outer.right - outer.left, 260);
    EXPECT_EQ(outer.bottom - outer.top, 250);
    app.DestroyForms();

    // Without a border the shown title bar comes with a thin frame; hidden, there is none at all.
    Setting(L"Apparence", L"Border", L"0");
    Setting(L"Apparence", L"Title", L"0");
    Start();
    EXPECT_EQ(CaptionBits(Form1->Handle()), kCaptionBits);
    app.DestroyForms();
    Setting(L"Apparence", L"Title", L"1");
    Start();
    EXPECT_EQ(GetWindowLongW(Form1->Handle(), GWL_STYLE) & (kCaptionBits | WS_THICKFRAME), 0);
}

} // namespace
