#include "support/FileTestHelpers.h"
#include "NoteFixture.h"

#include "framework/Dialogs.h"

namespace {

// Counts the questions the program asks, answering each with `Answer`.
class KeyRoutingTest : public NoteFixture {
protected:
    void SetUp() override {
        NoteFixture::SetUp();
        FSaved = AskYesNo;
        AskYesNo = [this](HWND, const std::wstring&, const std::wstring&) {
            ++Asked;
            return Answer;
        };
    }
    void TearDown() override {
        AskYesNo = FSaved;
        NoteFixture::TearDown();
    }
    int Asked = 0;
    bool Answer = false;

private:
    decltype(AskYesNo) FSaved;
};

TEST_F(KeyRoutingTest, StyleAndAlignmentKeysActOnTheSelectionAndPlainKeysType) {
    StartShown();
    SetNote("one two\\par three\\par");
    Memo().Select(4, 7);
    Press({VK_CONTROL, 'B'});
    EXPECT_TRUE(Memo().SelectionHasStyle(fsBold));
    Press({VK_CONTROL, 'I'}); // consumed: no tab reaches the text
    EXPECT_TRUE(Memo().SelectionHasStyle(fsItalic));
    Press({VK_CONTROL, 'B'});
    EXPECT_FALSE(Memo().SelectionHasStyle(fsBold));
    Press({VK_CONTROL, 'U'});
    Press({VK_CONTROL, 'D'});
    EXPECT_TRUE(Memo().SelectionHasStyle(fsUnderline));
    EXPECT_TRUE(Memo().SelectionHasStyle(fsStrikeOut));
    EXPECT_EQ(Memo().Line(0), L"one two");

    Press({VK_MENU, 'C'});
    EXPECT_EQ(Memo().ParagraphAlignment(), taCenter);
    Press({VK_MENU, 'V'});
    EXPECT_EQ(Memo().ParagraphAlignment(), taRightJustify);
    Press({VK_MENU, 'X'});
    EXPECT_EQ(Memo().ParagraphAlignment(), taLeftJustify);
    Memo().Select(10, 10);
    EXPECT_EQ(Memo().ParagraphAlignment(), taLeftJustify); // the other paragraph was never touched

    Memo().Select(0, 0);
    Press({VK_TAB}); // the note is no dialog: Tab is a character of the text
    EXPECT_EQ(GetFocus(), Editor());
    Press({'Q'});
    Press({VK_SHIFT, 'B'}); // not a shortcut: a capital letter
    EXPECT_EQ(Memo().Line(0), L"\tqBone two");
    EXPECT_TRUE(reported.empty());
}

TEST_F(KeyRoutingTest, EditKeysGoThroughTheClipboardAndUndo) {
    StartShown();
    SetWindowTextW(Editor(), L"alpha beta");
    Press({VK_CONTROL, 'A'});
    EXPECT_EQ(Memo().SelText(), L"alpha beta");
    Memo().Select(0, 6);
    Press({VK_CONTROL, 'X'});
    EXPECT_EQ(Memo().Text(), L"beta");
    Memo().Select(4, 4);
    Press({VK_CONTROL, 'V'});
    EXPECT_EQ(Memo().Text(), L"betaalpha ");
    Press({VK_CONTROL, 'Z'});
    EXPECT_EQ(Memo().Text(), L"beta");
}

TEST_F(KeyRoutingTest, CtrlDelWhileTheNoteIsActiveClearsWithoutAskingAndCtrlZBringsTheNoteBack) {
    StartShown();
    ASSERT_TRUE(Form1->HKDel->Active());
    SetNote("{\\b kept} {\\cf1 words}\\par\\qc centred\\par");
    const std::wstring before = Memo().Text();
    Memo().Select(2, 2);
    Press({VK_CONTROL, VK_DELETE});
    EXPECT_EQ(Memo().Text(), L"");
    EXPECT_EQ(Asked, 0);

    // The empty note is saved meanwhile, as the timer or a key release would.
    Form1->Enregistrer1->Click();
    EXPECT_EQ(FileBytes(DocumentPath()).find("kept"), std::string::npos);

    Press({VK_CONTROL, 'Z'});
    EXPECT_EQ(Memo().Text(), before);
    Memo().Select(0, 4);
    EXPECT_TRUE(Memo().SelectionHasStyle(fsBold));
    Memo().Select(5, 10);
    EXPECT_EQ(Memo().SelColor(), 0x0000FF);
    Memo().Select(13, 13);
    EXPECT_EQ(Memo().ParagraphAlignment(), taCenter);
    Form1->Enregistrer1->Click();
    EXPECT_NE(FileBytes(DocumentPath()).find("kept"), std::string::npos);
}

TEST_F(KeyRoutingTest, WithoutItsHotKeyCtrlDelReachesTheEditorMenusOwnShortcutWhichAsksFirst) {
    StartShown();
    SetWindowTextW(Editor(), L"still here");
    Form1->HKDel->SetActive(false); // as when another program holds the combination
    Press({VK_CONTROL, VK_DELETE});
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(Memo().Text(), L"still here");
    Answer = true;
    Press({VK_CONTROL, VK_DELETE});
    EXPECT_EQ(Asked, 2);
    EXPECT_EQ(Memo().Text(), L"");
    // "Annuler" from the menu's action brings it back as well.
    Form1->Undo1->Click();
    EXPECT_EQ(Memo().Text(), L"still here");
}

TEST_F(KeyRoutingTest, HotKeysWinOverTheEditorsOwnKeys) {
    StartShown();
    SetWindowTextW(Editor(), L"copy me");
    Press({VK_CONTROL, 'S'}); // the plain-text copy, not a key for the editor
    EXPECT_TRUE(PumpUntil([] { return Exists(PlainTextPath()); }));
    EXPECT_EQ(FileBytes(PlainTextPath()), "copy me\r\n");
    EXPECT_EQ(Memo().Text(), L"copy me");
}

} // namespace
