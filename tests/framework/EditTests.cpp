#include "framework/Edit.h"
#include "framework/ToolTips.h"
#include "support/FrameworkFixture.h"
#include "support/Keyboard.h"

#include <chrono>
#include <thread>

namespace {

class EditTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        form = new TPlainForm(app.get());
        form->AfterConstruction();
    }
    template <class T> T* Place(int left, int top, int width, int height) {
        auto* edit = new T(form);
        edit->SetParent(form);
        edit->SetBounds(left, top, width, height);
        edit->OnChange = [this](TObject*) { ++changes; };
        // The key's release has arrived: what the press was going to do is done.
        edit->OnKeyUp = [this](TObject*, WORD&, TShiftState) { ++keyUps; };
        return edit;
    }
    // Real key presses into the focused box, then the loop runs until `done` holds.
    template <class Done> bool TypeUntil(std::initializer_list<WORD> keys, Done done) {
        SendChord(keys);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < until) {
            app->ProcessMessages();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    void Focus(TWinControl* control) {
        form->Show();
        SetForegroundWindow(form->Handle());
        control->SetFocus();
    }
    static DWORD Style(TWinControl* c) {
        return static_cast<DWORD>(GetWindowLongPtrW(c->Handle(), GWL_STYLE));
    }
    static DWORD ExStyle(TWinControl* c) {
        return static_cast<DWORD>(GetWindowLongPtrW(c->Handle(), GWL_EXSTYLE));
    }

    TPlainForm* form = nullptr;
    int changes = 0;
    int keyUps = 0;
};

TEST_F(EditTest, TextAssignmentsRaiseOnChangeOnlyWhenTheTextChanges) {
    auto* edit = Place<TEdit>(5, 5, 150, 21);
    edit->SetText(L"before the window"); // no window yet: stored and announced
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(edit->HandleAllocated());
    form->Show();
    wchar_t shown[64] = {};
    GetWindowTextW(edit->Handle(), shown, 64);
    EXPECT_STREQ(shown, L"before the window");
    EXPECT_EQ(changes, 1); // creating the window is no change

    edit->SetText(L"before the window");
    EXPECT_EQ(changes, 1);
    edit->SetText(L"after");
    EXPECT_EQ(changes, 2);
    edit->Clear();
    EXPECT_EQ(edit->Text(), L"");
    EXPECT_EQ(changes, 3);
    edit->Clear();
    EXPECT_EQ(changes, 3);
}

TEST_F(EditTest, TypingChangesTheTextAndReadOnlyRefusesIt) {
    auto* edit = Place<TEdit>(5, 5, 150, 21);
    Focus(edit);
    ASSERT_TRUE(TypeUntil({'Q'}, [&] { return edit->Text() == L"q"; })) << edit->Text();
    EXPECT_EQ(changes, 1);

    edit->SetReadOnly(true);
    EXPECT_TRUE(Style(edit) & ES_READONLY);
    const int ups = keyUps;
    ASSERT_TRUE(TypeUntil({'W'}, [&] { return keyUps > ups; }));
    EXPECT_EQ(edit->Text(), L"q");
    EXPECT_EQ(changes, 1);
}

TEST_F(EditTest, ABorderChangeRecreatesTheWindowAndKeepsTheTextTypedIntoIt) {
    auto* edit = Place<TEdit>(5, 5, 150, 21);
    Focus(edit);
    ASSERT_TRUE(TypeUntil({'A'}, [&] { return edit->Text() == L"a"; }));
    EXPECT_TRUE(ExStyle(edit) & WS_EX_CLIENTEDGE);
    HWND old = edit->Handle();
    edit->SetBorderStyle(TBorderStyle::bsNone);
    EXPECT_NE(edit->Handle(), old);
    EXPECT_FALSE(ExStyle(edit) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(edit->Text(), L"a");
}

TEST_F(EditTest, MaxLengthLimitsWhatTheUserTypes) {
    auto* edit = Place<TEdit>(5, 5, 150, 21);
    edit->SetMaxLength(2);
    Focus(edit);
    ASSERT_TRUE(TypeUntil({'A'}, [&] { return edit->Text().size() == 1; }));
    ASSERT_TRUE(TypeUntil({'B'}, [&] { return edit->Text().size() == 2; }));
    const int ups = keyUps;
    ASSERT_TRUE(TypeUntil({'C'}, [&] { return keyUps > ups; }));
    EXPECT_EQ(edit->Text(), L"ab");
}

TEST_F(EditTest, MemoLinesAreTheLinesOfTheTextWhateverTheWrapping) {
    auto* memo = Place<TMemo>(5, 5, 120, 80);
    memo->Lines().Add(L"one");
    memo->Lines().Add(L"");
    memo->Lines().Add(L"three words that are far too long for the width of this memo");
    form->Show();
    ASSERT_EQ(memo->Lines().Count(), 3);
    EXPECT_EQ(memo->Lines()[0], L"one");
    EXPECT_EQ(memo->Lines()[1], L"");
    EXPECT_THROW(memo->Lines()[3], TError);
    EXPECT_EQ(changes, 3);
    // Wrapped on screen: more display lines than text lines.
    const LRESULT wrapped = SendMessageW(memo->Handle(), EM_GETLINECOUNT, 0, 0);
    EXPECT_GT(wrapped, 4);

    memo->SetWordWrap(false);
    EXPECT_EQ(SendMessageW(memo->Handle(), EM_GETLINECOUNT, 0, 0), 4); // the last break opens a line
    EXPECT_EQ(memo->Lines().Count(), 3);
    EXPECT_EQ(memo->Lines()[2], L"three words that are far too long for the width of this memo");

    memo->Lines().Assign({L"a", L"b", L""});
    EXPECT_EQ(memo->Text(), L"a\r\nb\r\n\r\n");
    EXPECT_EQ(memo->Lines().All(), (std::vector<std::wstring>{L"a", L"b", L""}));
    memo->Lines().Clear();
    EXPECT_EQ(memo->Lines().Count(), 0);
}

TEST_F(EditTest, MemoTextSetInCodeIsAnnouncedOnceThoughTheControlStaysSilent) {
    auto* memo = Place<TMemo>(5, 5, 120, 80);
    form->Show();
    memo->SetText(L"x\r\ny");
    EXPECT_EQ(changes, 1);
    memo->SetText(L"x\r\ny");
    EXPECT_EQ(changes, 1);
}

TEST_F(EditTest, MemoScrollBarsAndBorderFollowTheirProperties) {
    auto* memo = Place<TMemo>(5, 5, 120, 80);
    memo->SetText(L"kept");
    form->Show();
    EXPECT_TRUE(Style(memo) & ES_MULTILINE);
    EXPECT_FALSE(Style(memo) & (WS_VSCROLL | WS_HSCROLL));
    memo->SetScrollBars(ssVertical);
    EXPECT_EQ(Style(memo) & (WS_VSCROLL | WS_HSCROLL), static_cast<DWORD>(WS_VSCROLL));
    memo->SetScrollBars(ssBoth);
    EXPECT_EQ(Style(memo) & (WS_VSCROLL | WS_HSCROLL), static_cast<DWORD>(WS_VSCROLL | WS_HSCROLL));
    memo->SetBorderStyle(TBorderStyle::bsNone);
    EXPECT_FALSE(ExStyle(memo) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(memo->Text(), L"kept");
    EXPECT_EQ(changes, 1);
}

TEST(SplitLines, BreaksAtEveryKindOfLineEndAndNotAfterTheLast) {
    using V = std::vector<std::wstring>;
    EXPECT_EQ(SplitLines(L""), V{});
    EXPECT_EQ(SplitLines(L"a"), V{L"a"});
    EXPECT_EQ(SplitLines(L"a\r\n"), V{L"a"});
    EXPECT_EQ(SplitLines(L"a\r\n\r\n"), (V{L"a", L""}));
    EXPECT_EQ(SplitLines(L"a\nb\rc\r\nd"), (V{L"a", L"b", L"c", L"d"}));
    EXPECT_EQ(SplitLines(L"\n\n"), (V{L"", L""}));
}

TEST_F(EditTest, AHintIsRegisteredWithTheTooltipControlOnceTheWindowExists) {
    auto* edit = Place<TEdit>(5, 5, 150, 21);
    edit->SetHint(L"first line\r\nsecond line");
    edit->SetShowHint(true);
    form->Show();
    EXPECT_EQ(ToolTipText(edit->Handle()), L"first line\r\nsecond line");
    edit->SetShowHint(false);
    EXPECT_EQ(ToolTipText(edit->Handle()), L"");
}

} // namespace
