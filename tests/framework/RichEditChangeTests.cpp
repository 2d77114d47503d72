#include "framework/Error.h"
#include "framework/RichEditEx.h"
#include "support/RichEditFixture.h"
#include "support/Keyboard.h"
#include "support/PointerInput.h"

#include <functional>
#include <string>
#include <vector>

namespace {

const char kNote[] = "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 one two three\\par four five six\\par}";

class RichEditChangeTest : public RichEditTest {
protected:
    void SetUp() override {
        RichEditTest::SetUp();
        // What the editor holds at each report: the change is done when it is raised.
        edit->OnChange = [this](TObject* sender) {
            EXPECT_EQ(sender, edit);
            seen.push_back(edit->Text());
        };
        edit->OnKeyUp = [this](TObject*, WORD&, TShiftState) { ++keyUps; };
        Load(kNote);
    }
    void Load(const std::string& rtf) {
        edit->Quietly([&] { ASSERT_TRUE(edit->SetRtf(rtf)); });
        edit->SetModified(false);
    }
    // How many times `action` raised OnChange, counted as soon as it returns.
    size_t Changes(const std::function<void()>& action) {
        const size_t before = seen.size();
        action();
        return seen.size() - before;
    }
    std::wstring LastSeen() const { return seen.empty() ? L"(none)" : seen.back(); }
    bool Focus() {
        SetForegroundWindow(form->Handle());
        edit->SetFocus();
        return PumpUntil(*app, [&] { return GetFocus() == edit->Handle(); });
    }
    // Real key presses; counts once every key is released, so all they made is done.
    size_t Press(std::initializer_list<WORD> keys) {
        const size_t before = seen.size();
        const int released = keyUps + static_cast<int>(keys.size());
        SendChord(keys);
        EXPECT_TRUE(PumpUntil(*app, [&] { return keyUps >= released; })) << "keys not handled";
        return seen.size() - before;
    }
    // Lets the control handle what the pointer did.
    void Wait(int milliseconds) {
        const auto never = [] { return false; };
        PumpUntil(*app, never, milliseconds);
    }
    CHARRANGE Selection() {
        CHARRANGE range{};
        SendMessageW(edit->Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return range;
    }
    POINT ScreenPointOf(LONG position) {
        POINTL at{};
        SendMessageW(edit->Handle(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), position);
        POINT screen{at.x + 2, at.y + 5};
        ClientToScreen(edit->Handle(), &screen);
        return screen;
    }

    std::vector<std::wstring> seen;
    int keyUps = 0;
};

TEST_F(RichEditChangeTest, EachTypedCharacterAndEachKeyboardEditRaisesItOnce) {
    edit->Quietly([&] { edit->Clear(); });
    ASSERT_TRUE(Focus());
    EXPECT_EQ(Press({'A'}), 1u);
    EXPECT_EQ(Press({'B'}), 1u);
    EXPECT_EQ(Press({VK_SHIFT, 'C'}), 1u);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"a", L"ab", L"abC"}));
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(Press({VK_BACK}), 1u);
    EXPECT_EQ(edit->Text(), L"ab");
    EXPECT_EQ(Press({VK_RETURN}), 1u);
    EXPECT_EQ(Press({VK_SHIFT, VK_HOME}), 0u);

    EXPECT_EQ(Press({VK_CONTROL, 'A'}), 0u);
    ASSERT_TRUE(edit->HasSelection());
    EXPECT_EQ(Press({VK_CONTROL, 'C'}), 0u);
    EXPECT_EQ(Press({VK_CONTROL, 'X'}), 1u);
    EXPECT_EQ(edit->Text(), L"");
    EXPECT_EQ(Press({VK_CONTROL, 'V'}), 1u);
    EXPECT_EQ(Press({VK_CONTROL, 'V'}), 1u);
    const std::wstring twice = edit->Text();
    EXPECT_EQ(Press({VK_CONTROL, 'Z'}), 1u);
    EXPECT_NE(edit->Text(), twice);
    EXPECT_EQ(Press({VK_CONTROL, 'Y'}), 1u);
    EXPECT_EQ(edit->Text(), twice);
    EXPECT_EQ(LastSeen(), twice);
}

TEST_F(RichEditChangeTest, ClipboardUndoRedoAndTextMessagesRaiseItOnceEachFromTheMessage) {
    edit->Select(0, 4);
    EXPECT_EQ(Changes([&] { edit->CopyToClipboard(); }), 0u);
    EXPECT_EQ(Changes([&] { edit->CutToClipboard(); }), 1u);
    EXPECT_EQ(LastSeen().rfind(L"two three", 0), 0u) << LastSeen();
    EXPECT_EQ(Changes([&] { edit->PasteFromClipboard(); }), 1u);
    EXPECT_EQ(LastSeen().rfind(L"one two", 0), 0u) << LastSeen();
    edit->Select(0, 4);
    EXPECT_EQ(Changes([&] { edit->ClearSelection(); }), 1u);

    // Wine's control clears its own flag on undo: modified is the wrapper's count of changes.
    edit->SetModified(false);
    EXPECT_EQ(Changes([&] { edit->Undo(); }), 1u);
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(edit->Text().rfind(L"one two", 0), 0u);
    EXPECT_EQ(Changes([&] { edit->Perform(EM_REDO); }), 1u);
    EXPECT_EQ(edit->Text().rfind(L"two three", 0), 0u);

    edit->Select(0, 3);
    EXPECT_EQ(Changes([&] { edit->Perform(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"2")); }), 1u);
    EXPECT_EQ(Changes([&] { SetWindowTextW(edit->Handle(), L"set"); }), 1u);
    EXPECT_EQ(Changes([&] { edit->ClearUndoable(); }), 1u);
    EXPECT_EQ(LastSeen(), L"");
    EXPECT_EQ(Changes([&] { edit->Undo(); }), 1u);
    EXPECT_EQ(edit->Text(), L"set");
    EXPECT_EQ(Changes([&] { ASSERT_TRUE(edit->SetRtf(kNote)); }), 1u);
}

TEST_F(RichEditChangeTest, FormattingOfASelectionAndItsUndoRaiseItOnceEach) {
    edit->Select(4, 7);
    EXPECT_EQ(Changes([&] { edit->SetSelectionStyle(fsBold, true); }), 1u);
    EXPECT_TRUE(edit->SelectionHasStyle(fsBold));
    EXPECT_TRUE(edit->Modified());
    edit->SetModified(false);
    EXPECT_EQ(Changes([&] { edit->SetSelColor(0x0000FF); }), 1u);
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(Changes([&] { edit->SetSelAttributes({L"Courier New", 14, 0x00FF00, fsItalic}); }), 1u);
    CHARFORMAT2W underline{};
    underline.cbSize = sizeof underline;
    underline.dwMask = CFM_UNDERLINE;
    underline.dwEffects = CFE_UNDERLINE;
    EXPECT_EQ(Changes([&] {
                  edit->Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&underline));
              }),
              1u);
    // Wine's control neither notifies nor marks itself modified for a paragraph's format.
    EXPECT_EQ(Changes([&] { edit->SetParagraphAlignment(taCenter); }), 1u);
    EXPECT_EQ(edit->ParagraphAlignment(), taCenter);

    EXPECT_EQ(Changes([&] { edit->Undo(); }), 1u);
    EXPECT_EQ(edit->ParagraphAlignment(), taLeftJustify);
    EXPECT_EQ(Changes([&] { edit->Undo(); }), 1u);
    EXPECT_FALSE(edit->SelectionHasStyle(fsUnderline));
    EXPECT_EQ(Changes([&] { edit->Perform(EM_REDO); }), 1u);
    EXPECT_TRUE(edit->SelectionHasStyle(fsUnderline));
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_EQ(LastSeen(), edit->Text());
}

TEST_F(RichEditChangeTest, MovingSelectingCopyingScrollingFocusAndPaintingRaiseNothing) {
    std::string lines = "{\\rtf1 ";
    for (int i = 0; i < 60; ++i)
        lines += "line " + std::to_string(i) + "\\par ";
    Load(lines + "}");
    const std::wstring text = edit->Text();
    ASSERT_TRUE(Focus());
    edit->Select(0, 0);
    EXPECT_EQ(Press({VK_RIGHT}), 0u);
    EXPECT_EQ(Selection().cpMin, 1);
    EXPECT_EQ(Press({VK_DOWN}), 0u);
    EXPECT_EQ(Press({VK_SHIFT, VK_RIGHT}), 0u);
    EXPECT_TRUE(edit->HasSelection());
    EXPECT_EQ(Press({VK_NEXT}), 0u);
    EXPECT_EQ(Press({VK_CONTROL, VK_END}), 0u);
    GETTEXTLENGTHEX length{GTL_NUMCHARS, 1200};
    EXPECT_EQ(Selection().cpMin, edit->Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length)));
    EXPECT_EQ(Press({VK_CONTROL, VK_HOME}), 0u);
    EXPECT_EQ(Selection().cpMin, 0);

    EXPECT_EQ(Changes([&] {
                  edit->SelectAll();
                  edit->CopyToClipboard();
                  edit->Select(3, 9);
                  edit->ScrollLines(20);
                  edit->Perform(WM_VSCROLL, SB_PAGEDOWN);
              }),
              0u);
    const LRESULT top = edit->Perform(EM_GETFIRSTVISIBLELINE);
    EXPECT_GT(top, 20);
    SendLeftClick(
        ScreenPointOf(static_cast<LONG>(edit->Perform(EM_LINEINDEX, static_cast<WPARAM>(top + 1)))));
    ASSERT_TRUE(PumpUntil(*app, [&] {
        return edit->Perform(EM_EXLINEFROMCHAR, 0, Selection().cpMin) == top + 1 && !edit->HasSelection();
    }));

    auto* other = new TRichEditEx(form);
    other->SetParent(form);
    other->SetBounds(0, 0, 20, 20);
    EXPECT_EQ(Changes([&] {
                  other->SetFocus();
                  edit->SetFocus();
                  RedrawWindow(edit->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                  RunQueued();
              }),
              0u);
    EXPECT_EQ(edit->Text(), text);
    EXPECT_TRUE(seen.empty());
    EXPECT_FALSE(edit->Modified());
}

TEST_F(RichEditChangeTest, ARecreationRaisesNothingKeepsTheModifiedFlagAndTheReportsGoOn) {
    edit->DetectLinks();
    edit->Select(0, 3);
    edit->SetSelectionStyle(fsBold, true);
    ASSERT_EQ(seen.size(), 1u);
    const std::string rtf = edit->Rtf();
    EXPECT_EQ(Changes([&] { edit->SetScrollBars(ssVertical); }), 0u);
    EXPECT_EQ(edit->Rtf(), rtf);
    EXPECT_TRUE(edit->Modified());
    edit->SetModified(false);
    EXPECT_EQ(Changes([&] { form->SetBorderStyle(bsNone); }), 0u); // the parent's takes the editor along
    EXPECT_FALSE(edit->Modified());

    // Nothing of the re-creation is left to report; links are still shown and the new window
    // reports as the old one did.
    EXPECT_EQ(Changes([&] { edit->Select(0, 1); }), 0u);
    EXPECT_TRUE(edit->Perform(EM_GETAUTOURLDETECT));
    EXPECT_EQ(edit->Perform(EM_GETEVENTMASK) & (ENM_LINK | ENM_CHANGE),
              static_cast<LRESULT>(ENM_LINK | ENM_CHANGE));
    // Under Wine only the control's notice tells of a clearing.
    EXPECT_EQ(Changes([&] { edit->ClearSelection(); }), 1u);
    edit->Select(0, 2);
    EXPECT_EQ(Changes([&] { edit->SetSelectionStyle(fsItalic, true); }), 1u);
    // Whoever asks for other notices does not switch the change report off.
    edit->Perform(EM_SETEVENTMASK, 0, ENM_LINK);
    EXPECT_EQ(Changes([&] { edit->ClearSelection(); }), 1u);
    EXPECT_TRUE(reported.empty());
}

TEST_F(RichEditChangeTest, AQuietLoadIsNotAnEditButTheNextEditIs) {
    EXPECT_EQ(Changes([&] {
                  TRichEditEx::TQuiet quiet(*edit);
                  edit->SelectAll();
                  ASSERT_TRUE(edit->SetRtf("{\\rtf1 another writer\\par}"));
                  edit->SetSelAttributes({L"Arial", 12, 0, fsBold});
                  edit->SetParagraphAlignment(taCenter);
                  edit->Undo();
                  edit->Quietly([&] { edit->Perform(WM_CHAR, L'!'); }); // nested, and the outer goes on
                  edit->Perform(WM_CHAR, L'?');
              }),
              0u);
    EXPECT_FALSE(edit->Modified());
    EXPECT_EQ(Changes([&] { edit->Select(0, 1); }), 0u); // nothing of the load is left to report
    EXPECT_NE(edit->Text().find(L"another"), std::wstring::npos);

    ASSERT_TRUE(Focus());
    EXPECT_EQ(Press({'Z'}), 1u);
    EXPECT_TRUE(edit->Modified());
    // A quiet load leaves an unsaved edit unsaved.
    EXPECT_EQ(Changes([&] { edit->Quietly([&] { edit->Clear(); }); }), 0u);
    EXPECT_TRUE(edit->Modified());

    // A change made behind the wrapper's back (as through the control's document interface) is
    // the user's, reported before the load.
    WNDCLASSEXW platform{};
    platform.cbSize = sizeof platform;
    ASSERT_TRUE(GetClassInfoExW(nullptr, TRichEditEx::PlatformClass(), &platform));
    edit->SetModified(false);
    edit->Quietly([&] { ASSERT_TRUE(edit->SetRtf(kNote)); });
    CHARFORMAT2W bold{};
    bold.cbSize = sizeof bold;
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    edit->Select(0, 3);
    CallWindowProcW(platform.lpfnWndProc, edit->Handle(), EM_SETCHARFORMAT, SCF_SELECTION,
                    reinterpret_cast<LPARAM>(&bold));
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(Changes([&] { edit->Quietly([&] { edit->Clear(); }); }), 1u);
    EXPECT_TRUE(LastSeen().starts_with(L"one two")) << LastSeen();

    // A load that fails still ends the quiet.
    EXPECT_THROW(edit->Quietly([&] {
        edit->Perform(WM_CHAR, L'a');
        throw TError(L"Failed to Load Stream");
    }),
                 TError);
    EXPECT_EQ(Changes([&] { edit->Perform(WM_CHAR, L'b'); }), 1u);
    EXPECT_EQ(LastSeen(), L"ab");
}

TEST_F(RichEditChangeTest, AMouseDragIsAChangeOnlyWhenItMovesText) {
    ASSERT_TRUE(Focus());
    edit->Select(0, 3); // "one"
    const POINT from = ScreenPointOf(1), to = ScreenPointOf(12);
    SendPointerMove(from);
    ASSERT_TRUE(PumpUntil(*app, [&] {
        POINT now{};
        return GetCursorPos(&now) && now.x == from.x && now.y == from.y;
    }));
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof press);
    for (int step = 1; step <= 8; ++step) {
        SendPointerMove({from.x + (to.x - from.x) * step / 8, from.y});
        Wait(30);
    }
    INPUT release = press;
    release.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &release, sizeof release);
    ASSERT_TRUE(PumpUntil(*app, [&] { return !(GetAsyncKeyState(VK_LBUTTON) & 0x8000); }));
    Wait(200);

    if (edit->Text().starts_with(L"one ")) {
        // Wine's control has no drag and drop: the drag selected text, which is no change.
        EXPECT_GT(Selection().cpMax, 3);
        EXPECT_TRUE(seen.empty());
    } else {
        EXPECT_EQ(seen.size(), 1u); // the text was moved, one change
    }
}

} // namespace
