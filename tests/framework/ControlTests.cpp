#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/GroupBox.h"
#include "framework/ScrollBar.h"
#include "framework/Shape.h"
#include "support/FrameworkFixture.h"
#include "support/Mouse.h"

#include <chrono>
#include <thread>

namespace {

class ControlTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        form = new TPlainForm(app.get());
        form->SetBounds(100, 100, 320, 260);
        form->AfterConstruction();
    }
    template <class T> T* Place(TWinControl* parent, int left, int top, int width, int height) {
        auto* control = new T(form);
        control->SetParent(parent);
        control->SetBounds(left, top, width, height);
        return control;
    }
    void ShowForm() {
        form->Show();
        SetForegroundWindow(form->Handle());
        UpdateWindow(form->Handle());
    }
    // Runs the loop until `done` holds or three seconds have passed.
    template <class Done> bool PumpUntil(Done done) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < until) {
            app->ProcessMessages();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    TPlainForm* form = nullptr;
};

TEST_F(ControlTest, AButtonClickedWithTheMouseRaisesOnClickOnce) {
    auto* button = Place<TButton>(form, 10, 10, 80, 25);
    button->SetCaption(L"OK");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    ShowForm();
    ClickScreen(ScreenCentre(button->Handle()));
    ASSERT_TRUE(PumpUntil([&] { return clicks > 0; }));
    // The release that made the click has been handled whole: a second click would be here now.
    app->ProcessMessages();
    EXPECT_EQ(clicks, 1);
    SendMessageW(button->Handle(), BM_CLICK, 0, 0); // the keyboard's way
    EXPECT_EQ(clicks, 2);
}

TEST_F(ControlTest, ACheckBoxTogglesOnAClickAndEveryStateChangeRaisesOnClick) {
    auto* box = Place<TCheckBox>(form, 10, 40, 150, 17);
    std::vector<bool> seen;
    box->OnClick = [&](TObject*) { seen.push_back(box->Checked()); };
    box->SetChecked(true); // before the window exists
    EXPECT_EQ(seen, std::vector<bool>{true});
    ShowForm();
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    box->SetChecked(true);
    EXPECT_EQ(seen.size(), 1u); // no change, no click

    ClickScreen(ScreenPoint(box->Handle(), 6, 8));
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 2; }));
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(ControlTest, ControlsInsideAGroupBoxStillRaiseTheirOwnEvents) {
    auto* group = Place<TGroupBox>(form, 5, 5, 250, 120);
    group->SetCaption(L"Apparence");
    auto* box = Place<TCheckBox>(group, 10, 20, 150, 17);
    auto* bar = Place<TScrollBar>(group, 10, 50, 200, 17);
    int boxClicks = 0, barChanges = 0;
    box->OnClick = [&](TObject*) { ++boxClicks; };
    bar->OnChange = [&](TObject*) { ++barChanges; };
    ShowForm();
    EXPECT_EQ(GetParent(box->Handle()), group->Handle());
    ClickScreen(ScreenPoint(box->Handle(), 6, 8));
    ASSERT_TRUE(PumpUntil([&] { return boxClicks == 1; }));
    EXPECT_TRUE(box->Checked());
    ClickScreen(ScreenPoint(bar->Handle(), 200 - 5, 8)); // the right arrow
    ASSERT_TRUE(PumpUntil([&] { return barChanges == 1; }));
    EXPECT_EQ(bar->Position(), 1);
}

TEST_F(ControlTest, AScrollBarMovesByItsStepsStaysInRangeAndReportsOnlyNewPositions) {
    auto* bar = Place<TScrollBar>(form, 10, 80, 220, 17);
    bar->SetParams(0, 0, 255);
    bar->SetSmallChange(5);
    bar->SetLargeChange(10);
    std::vector<int> seen;
    bar->OnChange = [&](TObject*) { seen.push_back(bar->Position()); };
    ShowForm();
    ClickScreen(ScreenPoint(bar->Handle(), 220 - 5, 8));
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 1; }));
    EXPECT_EQ(bar->Position(), 5);
    ClickScreen(ScreenPoint(bar->Handle(), 150, 8)); // the track right of the thumb
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(bar->Position(), 15);
    EXPECT_EQ(GetScrollPos(bar->Handle(), SB_CTL), 15);

    bar->SetPosition(300);
    EXPECT_EQ(bar->Position(), 255);
    bar->SetPosition(255);
    bar->SetPosition(-4);
    EXPECT_EQ(bar->Position(), 0);
    EXPECT_EQ(seen, (std::vector<int>{5, 15, 255, 0}));

    bar->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(bar->Handle()));
}

TEST_F(ControlTest, AShapeInAGroupBoxIsDrawnInItsColourAndReportsMouseReleases) {
    auto* group = Place<TGroupBox>(form, 5, 5, 300, 200);
    auto* shape = new TShape(form);
    shape->SetParent(group);
    shape->SetBounds(250, 150, 20, 20);
    shape->SetBrushColor(0x3366CC);
    std::vector<TMouseButton> ups;
    shape->OnMouseUp = [&](TObject*, TMouseButton button, TShiftState, int, int) { ups.push_back(button); };
    ShowForm();
    auto pixel = [&](int x, int y) {
        UpdateWindow(group->Handle());
        HDC dc = GetDC(group->Handle());
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(group->Handle(), dc);
        return c;
    };
    EXPECT_EQ(pixel(260, 160), 0x3366CCu);
    EXPECT_EQ(pixel(250, 150), 0u); // the outline
    ClickScreen(ScreenPoint(group->Handle(), 260, 160), true);
    ASSERT_TRUE(PumpUntil([&] { return ups.size() == 1; }));
    EXPECT_EQ(ups[0], mbRight);
    shape->SetBrushColor(0x00FF00);
    EXPECT_EQ(pixel(260, 160), 0x00FF00u);
}

} // namespace
