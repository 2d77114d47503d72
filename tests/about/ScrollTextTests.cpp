#include "support/FrameworkFixture.h"
#include "support/PointerInput.h"

#include "about/ScrollText.h"

namespace {

class ScrollTextTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        app->CreateForm(form);
        text = new TScrollText(form);
        text->SetParent(form);
        text->SetBounds(0, 0, 100, 50);
        // Far beyond the test's length: only the steps the test makes happen.
        text->SetDelay(1000000);
        text->SetItems({L"one", L"two", L"three", L"", L"five"});
    }
    int Top() const { return text->TextLabel()->Top(); }
    int Left() const { return text->TextLabel()->Left(); }

    TPlainForm* form = nullptr;
    TScrollText* text = nullptr;
};

TEST_F(ScrollTextTest, WithoutTextTheLabelTakesTheControlsHeightWhateverTheFont) {
    text->Font()->SetHeight(-40);
    EXPECT_GT(text->TextLabel()->Height(), 100); // five rows of a big font
    text->SetItems({});
    EXPECT_EQ(text->TextLabel()->Height(), 50);
    text->Font()->SetHeight(-80);
    EXPECT_EQ(text->TextLabel()->Height(), 50);
    text->SetItems({L"one"});
    EXPECT_GT(text->TextLabel()->Height(), 50); // one row of that font is higher than the control
}

TEST_F(ScrollTextTest, FromBottomLeavesAtTheTopAndComesBackInAtTheBottom) {
    const int lh = text->TextLabel()->Height();
    EXPECT_GE(lh, 50);
    EXPECT_EQ(text->TextLabel()->Width(), 100);
    text->SetActive(true);
    EXPECT_EQ(text->TextOffset(), -lh);
    EXPECT_EQ(Top(), 0); // not moved until the first step
    text->ScrollStep();
    EXPECT_EQ(Top(), -lh - 1);
    text->ScrollStep();
    EXPECT_EQ(Top(), 50);
    text->ScrollStep();
    EXPECT_EQ(Top(), 49);
    for (int i = 0; i < 49 + lh; ++i) text->ScrollStep();
    EXPECT_EQ(Top(), -lh);
    text->ScrollStep();
    EXPECT_EQ(Top(), -lh - 1);
    text->ScrollStep();
    EXPECT_EQ(Top(), 50);
}

TEST_F(ScrollTextTest, PauseSlowsThreeTwoOneThenStopsAndUnpauseSpeedsUp) {
    text->SetScrollPixels(3);
    text->Pause(); // inactive: nothing
    EXPECT_EQ(text->SpeedMode(), smSteady);
    text->SetActive(true);
    text->ScrollStep();
    text->ScrollStep(); // now at H, entering
    ASSERT_EQ(Top(), 50) << "label height " << text->TextLabel()->Height();
    text->Pause();
    std::vector<int> moves;
    for (int i = 0; i < 3; ++i) {
        const int before = Top();
        text->ScrollStep();
        moves.push_back(before - Top());
    }
    EXPECT_EQ(moves, (std::vector<int>{3, 2, 1}));
    const int before = Top();
    text->ScrollStep();
    EXPECT_FALSE(text->Active());
    EXPECT_TRUE(text->Thread().Suspended());
    EXPECT_EQ(text->SpeedMode(), smSteady);
    EXPECT_EQ(Top(), before);

    text->Unpause();
    EXPECT_TRUE(text->Active());
    text->Unpause(); // active: nothing
    const int lh = text->TextLabel()->Height();
    std::vector<int> tops;
    for (int i = 0; i < 5; ++i) {
        text->ScrollStep();
        tops.push_back(Top());
    }
    // Speeds 0, 1, then the wrap (which uses up speed 2), then 3 from the fourth step on.
    EXPECT_EQ(tops, (std::vector<int>{-lh, -lh - 1, 50, 47, 44}));
    EXPECT_EQ(text->SpeedMode(), smSteady);
}

TEST_F(ScrollTextTest, ZeroAndNegativeSpeedsZeroWidthAndADirectionChange) {
    text->SetActive(true);
    text->ScrollStep();
    text->ScrollStep();
    text->SetScrollPixels(0);
    text->ScrollStep();
    EXPECT_EQ(Top(), 50);
    text->SetScrollPixels(-2);
    for (int i = 0; i < 100; ++i) text->ScrollStep();
    EXPECT_EQ(Top(), 250); // going backwards it leaves at the bottom and never wraps

    text->SetScrollPixels(1);
    text->SetScrollDirection(drFromLeft);
    EXPECT_EQ(Top(), 0);
    EXPECT_EQ(Left(), 0);
    EXPECT_EQ(text->TextOffset(), -100);
    text->ScrollStep();
    EXPECT_EQ(Left(), -101);
    text->ScrollStep();
    EXPECT_EQ(Left(), 100); // enters at the right edge
    text->SetScrollDirection(drFromRight);
    text->ScrollStep();
    EXPECT_EQ(Left(), 101);
    text->ScrollStep();
    EXPECT_EQ(Left(), -100);
    text->SetScrollDirection(drFromTop);
    const int lh = text->TextLabel()->Height();
    text->ScrollStep();
    text->ScrollStep();
    EXPECT_EQ(Top(), -lh);

    text->SetBounds(0, 0, 0, 50);
    text->SetItems({L"a line that cannot be measured", L""});
    EXPECT_EQ(text->TextLabel()->Height(), 50); // one empty row is lower than the control
    EXPECT_TRUE(reported.empty());
}

TEST_F(ScrollTextTest, InactiveTwiceThenActiveRunsAndTheTooltipDelayFollowsTheRules) {
    text->SetActive(false);
    text->SetActive(false);
    text->SetActive(true);
    EXPECT_TRUE(text->Active());
    EXPECT_FALSE(text->Thread().Suspended());
    EXPECT_EQ(TScrollText::HintPauseFor(600, 500), 500);
    EXPECT_EQ(TScrollText::HintPauseFor(500, 500), 490);
    EXPECT_EQ(TScrollText::HintPauseFor(11, 500), 1);
    EXPECT_EQ(TScrollText::HintPauseFor(10, 500), 9);
    EXPECT_EQ(TScrollText::HintPauseFor(1, 500), 0);
    EXPECT_EQ(TScrollText::HintPauseFor(0, 500), 1);
    text->SetDelay(50);
    EXPECT_EQ(app->HintPause(), 40);
    EXPECT_EQ(text->Thread().StepDelay(), 50u);
    TComponent::Free(text);
    EXPECT_EQ(app->HintPause(), 500);
}

TEST_F(ScrollTextTest, TheWorkerStepsOnlyWhileActiveAndDestructionNeverDeadlocks) {
    text->SetDelay(2);
    PumpUntil(*app, [] { return false; }, 100);
    EXPECT_EQ(text->Thread().StepsRun(), 0u);
    text->SetActive(true);
    ASSERT_TRUE(PumpUntil(*app, [&] { return text->Thread().StepsRun() >= 5; }));
    text->SetActive(false);
    const unsigned stopped = text->Thread().StepsRun();
    PumpUntil(*app, [] { return false; }, 100);
    EXPECT_EQ(text->Thread().StepsRun(), stopped);

    // The worker is very likely blocked handing a step over when the control goes.
    for (int i = 0; i < 60; ++i) {
        auto* t = new TScrollText(form);
        t->SetParent(form);
        t->SetDelay(i % 3);
        t->SetItems({L"x"});
        t->SetActive(true);
        Sleep(i % 4);
        TComponent::Free(t);
    }
    // Each of them found the delay the fixture's control had set, and put that back.
    EXPECT_EQ(app->HintPause(), 1);
    TComponent::Free(text);
    EXPECT_EQ(app->HintPause(), 500);
    EXPECT_TRUE(reported.empty());
}

TEST_F(ScrollTextTest, DraggingFollowsThePointerWrapsAtBothEdgesAndHandsBackToTheWorker) {
    form->Show();
    text->SetActive(true);
    text->ScrollStep();
    text->ScrollStep();
    ASSERT_EQ(Top(), 50);
    HWND label = text->TextLabel()->Handle();
    const int lh = text->TextLabel()->Height();
    POINT origin{0, 0};
    ClientToScreen(text->Handle(), &origin);
    // The pointer at a screen height, in the label's client coordinates as it gets them.
    auto send = [&](UINT msg, WPARAM keys, int screenY) {
        POINT p{origin.x + 5, screenY};
        ScreenToClient(label, &p);
        SendMessageW(label, msg, keys, MAKELPARAM(p.x, p.y));
    };
    const int y0 = origin.y + 60;
    send(WM_LBUTTONDOWN, MK_LBUTTON, y0);
    EXPECT_TRUE(text->Dragging());
    EXPECT_FALSE(text->Thread().OnStep);
    send(WM_MOUSEMOVE, MK_LBUTTON, y0 - 10);
    EXPECT_EQ(Top(), 40);
    send(WM_MOUSEMOVE, MK_LBUTTON, y0 - 70);
    EXPECT_EQ(Top(), -20);
    send(WM_MOUSEMOVE, MK_LBUTTON, y0 + 10); // +80: past the bottom edge
    EXPECT_EQ(Top(), -lh);
    send(WM_MOUSEMOVE, MK_LBUTTON, y0 + 5); // -5: past the top edge
    EXPECT_EQ(Top(), 50);
    send(WM_LBUTTONUP, 0, y0 + 5);
    EXPECT_FALSE(text->Dragging());
    ASSERT_TRUE(text->Thread().OnStep);
    text->ScrollStep();
    EXPECT_EQ(Top(), 49); // rolls on from where it was dropped
}

} // namespace
