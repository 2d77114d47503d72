#include "support/FrameworkFixture.h"
#include "support/Keyboard.h"
#include "support/PointerInput.h"

#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/Edit.h"
#include "framework/Panel.h"

namespace {

// The controls a dialog holds, in this tab order: Edit1, Memo1 (inside Panel1), Box1, Ok (the
// default button), Cancel (the cancel button), Other.
class TKeysForm : public TForm {
public:
    TKeysForm(TComponent* owner, TFormBorderStyle border, bool withCancel) : TForm(owner) {
        SetBorderStyle(border);
        SetBounds(120, 100, 340, 260);
        Edit1 = Add<TEdit>(this, 8, 8, 150, 21);
        Edit1->SetText(L"abc");
        Panel1 = Add<TPanel>(this, 8, 36, 200, 80);
        Memo1 = Add<TMemo>(Panel1, 4, 4, 190, 70);
        Box1 = Add<TCheckBox>(this, 8, 124, 150, 17);
        Box1->SetCaption(L"Case");
        Ok = AddButton(L"OK", 8);
        Ok->SetDefault(true);
        Cancel = AddButton(L"Annuler", 92);
        Cancel->SetCancel(withCancel);
        Other = AddButton(L"Autre", 176);
        OnClose = [this](TObject*, TCloseAction&) { Pressed.push_back(L"close"); };
    }

    TEdit* Edit1;
    TPanel* Panel1;
    TMemo* Memo1;
    TCheckBox* Box1;
    TButton* Ok;
    TButton* Cancel;
    TButton* Other;
    std::vector<std::wstring> Pressed;

private:
    template <class T> T* Add(TWinControl* parent, int left, int top, int width, int height) {
        T* control = new T(this);
        control->SetParent(parent);
        control->SetBounds(left, top, width, height);
        return control;
    }
    TButton* AddButton(const wchar_t* caption, int left) {
        TButton* button = Add<TButton>(this, left, 190, 75, 25);
        button->SetCaption(caption);
        button->OnClick = [this, caption](TObject*) { Pressed.push_back(caption); };
        return button;
    }
};

class DialogKeyTest : public FrameworkTest {
protected:
    TKeysForm& Open(TFormBorderStyle border = bsDialog, bool withCancel = true) {
        form = new TKeysForm(app.get(), border, withCancel);
        form->AfterConstruction();
        form->Show();
        SetForegroundWindow(form->Handle());
        EXPECT_TRUE(PumpUntil(*app, [&] { return GetForegroundWindow() == form->Handle(); }));
        return *form;
    }
    // Presses the keys as real input and handles what they produce until `done` holds.
    template <class F> bool Press(std::initializer_list<WORD> keys, F done) {
        SendChord(keys);
        return PumpUntil(*app, done);
    }
    bool FocusMovesTo(std::initializer_list<WORD> keys, TWinControl* control) {
        return Press(keys, [&] { return GetFocus() == control->Handle(); });
    }
    static bool ShownAsDefault(TButton* button) {
        return (GetWindowLongPtrW(button->Handle(), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    }

    TKeysForm* form = nullptr;
};

TEST_F(DialogKeyTest, TabAndShiftTabWalkTheTabStopsInOrderThroughPanelsAndPastDisabledControls) {
    TKeysForm& f = Open();
    EXPECT_TRUE(PumpUntil(*app, [&] { return GetFocus() == f.Edit1->Handle(); }))
        << "a dialog starts on its first tab stop";
    const std::vector<TWinControl*> order{f.Memo1, f.Box1, f.Ok, f.Cancel, f.Other, f.Edit1};
    for (TWinControl* next : order)
        ASSERT_TRUE(FocusMovesTo({VK_TAB}, next)) << "forward";
    EXPECT_EQ(f.Edit1->SelLength(), 3) << "an edit box reached by Tab has its text selected";
    ASSERT_TRUE(FocusMovesTo({VK_SHIFT, VK_TAB}, f.Other));
    ASSERT_TRUE(FocusMovesTo({VK_SHIFT, VK_TAB}, f.Cancel));

    f.Box1->SetEnabled(false);
    f.Memo1->SetFocus();
    ASSERT_TRUE(FocusMovesTo({VK_TAB}, f.Ok)) << "a disabled box is no stop";
    EXPECT_TRUE(f.Pressed.empty()) << "moving the focus presses nothing";
    EXPECT_EQ(f.Memo1->Text(), L"") << "no tab character in the memo";

    // Switching away and back gives the focus back where it was.
    TPlainForm* other = nullptr;
    app->CreateForm(other);
    other->Show();
    SetForegroundWindow(other->Handle());
    ASSERT_TRUE(PumpUntil(*app, [&] { return GetForegroundWindow() == other->Handle(); }));
    SetForegroundWindow(f.Handle());
    ASSERT_TRUE(PumpUntil(*app, [&] { return GetFocus() == f.Ok->Handle(); }));
    app->DestroyForms();
}

TEST_F(DialogKeyTest, EnterPressesTheFocusedButtonElseTheDefaultOneAndEscapeTheCancelButton) {
    TKeysForm& f = Open();
    EXPECT_TRUE(ShownAsDefault(f.Ok));
    ASSERT_TRUE(Press({VK_RETURN}, [&] { return f.Pressed.size() == 1; }));
    EXPECT_EQ(f.Pressed.back(), L"OK") << "from the edit box";
    f.Box1->SetFocus();
    ASSERT_TRUE(Press({VK_RETURN}, [&] { return f.Pressed.size() == 2; }));
    EXPECT_EQ(f.Pressed.back(), L"OK") << "from the check box";
    EXPECT_FALSE(f.Box1->Checked());

    // A push button with the focus is the one Enter presses, and it wears the default frame.
    ASSERT_TRUE(FocusMovesTo({VK_SHIFT, VK_TAB}, f.Memo1));
    f.Other->SetFocus();
    EXPECT_TRUE(ShownAsDefault(f.Other));
    EXPECT_FALSE(ShownAsDefault(f.Ok));
    ASSERT_TRUE(Press({VK_RETURN}, [&] { return f.Pressed.size() == 3; }));
    EXPECT_EQ(f.Pressed.back(), L"Autre");
    f.Edit1->SetFocus();
    EXPECT_TRUE(ShownAsDefault(f.Ok)) << "the frame goes back with the focus";
    EXPECT_FALSE(ShownAsDefault(f.Other));

    ASSERT_TRUE(Press({VK_ESCAPE}, [&] { return f.Pressed.size() == 4; }));
    EXPECT_EQ(f.Pressed.back(), L"Annuler");
    EXPECT_TRUE(IsWindowVisible(f.Handle())) << "the cancel button decides, here it only logs";
    EXPECT_TRUE(reported.empty());
    app->DestroyForms();
}

TEST_F(DialogKeyTest, AnEditableMemoKeepsEnterAsALineBreakAndAReadOnlyOneLetsTheDialogHaveIt) {
    TKeysForm& f = Open();
    f.Memo1->SetFocus();
    ASSERT_TRUE(Press({'A'}, [&] { return f.Memo1->Text() == L"a"; }));
    ASSERT_TRUE(Press({VK_RETURN}, [&] { return f.Memo1->Text() == L"a\r\n"; })) << f.Memo1->Text();
    ASSERT_TRUE(Press({'B'}, [&] { return f.Memo1->Text() == L"a\r\nb"; })) << f.Memo1->Text();
    EXPECT_TRUE(f.Pressed.empty());
    ASSERT_TRUE(FocusMovesTo({VK_TAB}, f.Box1)) << "Tab still moves on";

    f.Memo1->SetReadOnly(true);
    f.Memo1->SetFocus();
    ASSERT_TRUE(Press({VK_RETURN}, [&] { return f.Pressed.size() == 1; }));
    EXPECT_EQ(f.Pressed.back(), L"OK");
    EXPECT_EQ(f.Memo1->Text(), L"a\r\nb");
    app->DestroyForms();
}

TEST_F(DialogKeyTest, AControlThatWantsAllKeysGetsTabEnterAndEscape) {
    TKeysForm& f = Open();
    std::vector<WPARAM> seen;
    auto saved = f.Edit1->WindowProc;
    f.Edit1->WindowProc = [&](TMessage& m) {
        if (m.Msg == WM_GETDLGCODE) {
            m.Result = DLGC_WANTALLKEYS;
            return;
        }
        if (m.Msg == WM_KEYDOWN) seen.push_back(m.WParam);
        saved(m);
    };
    for (WORD key : {VK_TAB, VK_RETURN, VK_ESCAPE})
        ASSERT_TRUE(Press({key}, [&] { return !seen.empty() && seen.back() == key; })) << key;
    EXPECT_EQ(GetFocus(), f.Edit1->Handle());
    EXPECT_TRUE(f.Pressed.empty());
    EXPECT_TRUE(IsWindowVisible(f.Handle()));
    f.Edit1->WindowProc = saved;
    app->DestroyForms();
}

TEST_F(DialogKeyTest, EscapeWithoutACancelButtonClosesTheFormAsItsCloseBoxDoes) {
    TKeysForm& f = Open(bsDialog, false);
    ASSERT_TRUE(Press({VK_ESCAPE}, [&] { return !IsWindowVisible(f.Handle()); }));
    EXPECT_EQ(f.Pressed, std::vector<std::wstring>{L"close"});

    // A modal one ends its loop the same way.
    bool sent = false;
    f.OnShow = [&](TObject*) {
        SetForegroundWindow(f.Handle());
        SendChord({VK_ESCAPE});
        sent = true;
    };
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_TRUE(sent);
    EXPECT_FALSE(IsWindowVisible(f.Handle()));
    app->DestroyForms();
}

TEST_F(DialogKeyTest, AFormWithoutADialogBorderLeavesTheKeysToItsControls) {
    TKeysForm& f = Open(bsSizeable);
    f.Memo1->SetFocus();
    ASSERT_TRUE(Press({VK_TAB}, [&] { return f.Memo1->Text() == L"\t"; })) << "a typed tab";
    ASSERT_TRUE(Press({VK_RETURN}, [&] { return f.Memo1->Text() == L"\t\r\n"; }));
    EXPECT_EQ(GetFocus(), f.Memo1->Handle());
    EXPECT_TRUE(f.Pressed.empty());
    app->DestroyForms();
}

} // namespace
