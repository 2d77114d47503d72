#include "framework/RichEditEx.h"
#include "support/FrameworkFixture.h"

namespace {

class RichEditCommandTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        app->CreateForm(form);
        form->Show();
    }
    TRichEditEx* NewEdit(const std::string& rtf) {
        auto* edit = new TRichEditEx(form);
        edit->SetParent(form);
        edit->SetBounds(0, 0, 150, 100);
        EXPECT_TRUE(edit->SetRtf(rtf));
        return edit;
    }
    TPlainForm* form = nullptr;
};

const char kNote[] = "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;}"
                     "\\f0\\fs20 plain\\par\\qc{\\f1\\b\\cf1\\fs32 bold red}\\par}";

TEST_F(RichEditCommandTest, AnUndoableClearLooksLikeAPlainOneAndUndoBringsEverythingBack) {
    TRichEditEx* plain = NewEdit(kNote);
    TRichEditEx* undoable = NewEdit(kNote);
    const std::wstring text = undoable->Text();
    plain->Clear();
    undoable->ClearUndoable();
    EXPECT_EQ(undoable->Text(), L"");
    EXPECT_EQ(undoable->LineCount(), plain->LineCount());
    EXPECT_TRUE(undoable->CanUndo());

    // What is typed next looks the same either way.
    for (TRichEditEx* edit : {plain, undoable})
        SendMessageW(edit->Handle(), WM_CHAR, L'x', 0);
    plain->Select(0, 1);
    undoable->Select(0, 1);
    const TTextAttributes p = plain->SelAttributes(), u = undoable->SelAttributes();
    EXPECT_EQ(u.Name, p.Name);
    EXPECT_EQ(u.Size, p.Size);
    EXPECT_EQ(u.Color, p.Color);
    EXPECT_EQ(u.Style, p.Style);
    EXPECT_EQ(undoable->ParagraphAlignment(), plain->ParagraphAlignment());

    undoable->Undo(); // the typing
    undoable->Undo(); // the clearing
    EXPECT_EQ(undoable->Text(), text);
    undoable->Select(7, 10);
    EXPECT_TRUE(undoable->SelectionHasStyle(fsBold));
    EXPECT_EQ(undoable->SelAttributes().Name, L"Courier New");
    EXPECT_EQ(undoable->SelAttributes().Size, 16);
    EXPECT_EQ(undoable->SelColor(), 0x0000FF);
    EXPECT_EQ(undoable->ParagraphAlignment(), taCenter);
}

TEST_F(RichEditCommandTest, ChecksOfAMixedSelectionAndOfTheLastParagraph) {
    TRichEditEx* edit = NewEdit("{\\rtf1 {\\b bo}ld\\par\\qr right\\par}");
    edit->Select(0, 4); // bold and not bold
    EXPECT_FALSE(edit->SelectionHasStyle(fsBold));
    edit->Select(0, 2);
    EXPECT_TRUE(edit->SelectionHasStyle(fsBold));
    edit->Select(2, 7); // a left and a right paragraph
    EXPECT_FALSE(edit->SelectionAligned(taLeftJustify));
    EXPECT_FALSE(edit->SelectionAligned(taRightJustify));
    edit->Select(5, 10);
    EXPECT_TRUE(edit->SelectionAligned(taRightJustify));
    // Selecting everything takes in the empty paragraph after the last break as well.
    edit->SelectAll();
    edit->SetParagraphAlignment(taCenter);
    EXPECT_TRUE(edit->SelectionAligned(taCenter));
    const LONG end = GetWindowTextLengthW(edit->Handle());
    edit->Select(end, end);
    EXPECT_EQ(edit->ParagraphAlignment(), taCenter);
    // Setting a style switches that style only.
    edit->Select(0, 4);
    edit->SetSelectionStyle(fsItalic, true);
    edit->Select(2, 4);
    EXPECT_FALSE(edit->SelectionHasStyle(fsBold));
    EXPECT_TRUE(edit->SelectionHasStyle(fsItalic));
}

} // namespace
