#include "framework/RichEditEx.h"
#include "support/FrameworkFixture.h"

namespace {

class RichEditTest : public FrameworkTest {
protected:
    void SetUp() override {
        FrameworkTest::SetUp();
        app->CreateForm(form);
        edit = new TRichEditEx(form);
        edit->SetParent(form);
        edit->SetAlign(alClient);
        form->Show();
    }
    TPlainForm* form = nullptr;
    TRichEditEx* edit = nullptr;
};

TEST_F(RichEditTest, UsesTheUnicodeControlAndTextBeyondTheAnsiCodePageSurvivesRtf) {
    wchar_t cls[64] = {};
    GetClassNameW(edit->Handle(), cls, 64);
    EXPECT_EQ(lstrcmpiW(cls, TRichEditEx::PlatformClass()), 0) << cls;
    const std::wstring text = L"€ Ωμέγα Привет 漢字 \U0001F600 ça";
    SetWindowTextW(edit->Handle(), text.c_str());
    std::string rtf = edit->Rtf();
    ASSERT_TRUE(rtf.rfind("{\\rtf", 0) == 0 || rtf.rfind("{\\urtf", 0) == 0) << rtf;
    auto* other = new TRichEditEx(form);
    other->SetParent(form);
    ASSERT_TRUE(other->SetRtf(rtf));
    EXPECT_EQ(other->Text(), text);

    // A note that the ANSI code page holds stays plain ANSI RTF.
    SetWindowTextW(edit->Handle(), L"d\u00e9j\u00e0 vu \u20ac");
    EXPECT_EQ(edit->Rtf().rfind("{\\rtf1", 0), 0u);
}

TEST_F(RichEditTest, RecreationKeepsContentFormattingAndTheModifiedFlag) {
    ASSERT_TRUE(edit->SetRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 one {\\b two}\\par\\qc three\\par}"));
    edit->SetModified(true);
    const std::string before = edit->Rtf();
    HWND old = edit->Handle();
    edit->SetScrollBars(ssVertical);
    EXPECT_NE(edit->Handle(), old);
    EXPECT_TRUE(GetWindowLongPtrW(edit->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(edit->Rtf(), before);
    EXPECT_TRUE(edit->Modified());
    form->SetBorderStyle(bsNone); // the parent's re-creation takes the editor with it
    EXPECT_EQ(edit->Rtf(), before);
}

TEST_F(RichEditTest, LinesSelectionFormatAndAlignment) {
    SetWindowTextW(edit->Handle(), L"first\r\nsecond line\r\n");
    EXPECT_EQ(edit->LineCount(), 3);
    EXPECT_EQ(edit->Line(0), L"first");
    EXPECT_EQ(edit->Line(1), L"second line");
    EXPECT_EQ(edit->Line(2), L"");
    EXPECT_EQ(edit->Line(7), L""); // past the end
    edit->Select(6, 12);
    EXPECT_EQ(edit->SelText(), L"second");
    edit->SetSelAttributes({L"Courier New", 14, 0x0000FF, fsBold | fsStrikeOut});
    TTextAttributes a = edit->SelAttributes();
    EXPECT_EQ(a.Name, L"Courier New");
    EXPECT_EQ(a.Size, 14);
    EXPECT_EQ(a.Color, 0x0000FF);
    EXPECT_EQ(a.Style, fsBold | fsStrikeOut);
    edit->SetParagraphAlignment(taCenter);
    EXPECT_EQ(edit->ParagraphAlignment(), taCenter);
    edit->SelectAll();
    edit->ClearSelection();
    EXPECT_EQ(edit->Text(), L"");
}

TEST_F(RichEditTest, StreamErrorsAreReportedAsAFlagAndTheTextLimitIsRaised) {
    EXPECT_FALSE(edit->StreamIn(SF_RTF, [](BYTE*, LONG) -> LONG { throw std::runtime_error("disk gone"); }));
    EXPECT_FALSE(edit->StreamOut(SF_RTF, [](const BYTE*, LONG) { return false; }));
    // More than the control's default of 32K characters fits.
    std::wstring big;
    for (int i = 0; i < 2000; ++i) big += std::wstring(48, L'x') + L"\r\n";
    SetWindowTextW(edit->Handle(), big.c_str());
    EXPECT_EQ(edit->Text().size(), big.size());
}

} // namespace
