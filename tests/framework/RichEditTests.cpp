#include "framework/RichEditEx.h"
#include "framework/Error.h"
#include "support/RichEditFixture.h"

#include <algorithm>
#include <functional>

namespace {

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

// A stream through the editor's message handler whose bytes stop after `Limit` without the
// control saying so: what a control that writes or reads a note short would do.
struct TShortStream {
    EDITSTREAMCALLBACK Real = nullptr;
    DWORD_PTR Cookie = 0;
    LONG Limit = 0;
    bool Out = false;

    static DWORD CALLBACK Pass(DWORD_PTR self, LPBYTE buffer, LONG size, LONG* done) {
        auto* s = reinterpret_cast<TShortStream*>(self);
        const LONG n = std::min(size, s->Limit);
        LONG passed = 0;
        const DWORD error = n > 0 ? s->Real(s->Cookie, buffer, n, &passed) : 0;
        s->Limit -= passed;
        *done = s->Out ? size : passed; // a writer claims to have taken it all
        return error;
    }
};

// Makes the editor's stream of kind `msg` (out or in) stop short after `limit` bytes.
void CutStreams(TRichEditEx& edit, UINT msg, LONG limit, std::function<void(TMessage&)>& inherited) {
    inherited = edit.WindowProc;
    edit.WindowProc = [&edit, msg, limit, &inherited](TMessage& m) {
        if (m.Msg != msg) return inherited(m);
        auto* stream = reinterpret_cast<EDITSTREAM*>(m.LParam);
        TShortStream cut{stream->pfnCallback, stream->dwCookie, limit, msg == EM_STREAMOUT};
        stream->pfnCallback = TShortStream::Pass;
        stream->dwCookie = reinterpret_cast<DWORD_PTR>(&cut);
        inherited(m);
        stream->pfnCallback = cut.Real;
        stream->dwCookie = cut.Cookie;
    };
}

TEST_F(RichEditTest, ARecreationThatWouldLoseContentKeepsTheOldWindowAndSaysWhy) {
    ASSERT_TRUE(edit->SetRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 one {\\b two}\\par three\\par}"));
    const std::wstring text = edit->Text();
    const std::string rtf = edit->Rtf();
    const HWND oldEdit = edit->Handle(), oldForm = form->Handle();
    std::function<void(TMessage&)> inherited;
    CutStreams(*edit, EM_STREAMOUT, 40, inherited); // the note comes out short, no error said
    auto refused = [&](const std::function<void()>& change) {
        try {
            change();
            ADD_FAILURE() << "the window was re-created";
        } catch (const TError& e) {
            EXPECT_EQ(e.Message(), L"The editor could not be re-created without losing part of its content; "
                                   L"it was left as it was");
        }
    };
    refused([&] { edit->SetScrollBars(ssVertical); });
    EXPECT_EQ(edit->Handle(), oldEdit);
    EXPECT_EQ(edit->ScrollBars(), ssNone);
    EXPECT_FALSE(GetWindowLongPtrW(oldEdit, GWL_STYLE) & WS_VSCROLL);
    refused([&] { form->SetBorderStyle(bsNone); }); // the parent's re-creation asks the editor too
    EXPECT_EQ(form->Handle(), oldForm);
    EXPECT_EQ(form->BorderStyle(), bsSizeable);
    EXPECT_TRUE(IsWindow(oldEdit));
    edit->WindowProc = inherited;
    EXPECT_EQ(edit->Text(), text);
    EXPECT_EQ(edit->Rtf(), rtf);

    // A control that says its stream failed is refused the same way.
    inherited = edit->WindowProc;
    edit->WindowProc = [&](TMessage& m) {
        if (m.Msg != EM_STREAMOUT) return inherited(m);
        reinterpret_cast<EDITSTREAM*>(m.LParam)->dwError = 1;
    };
    refused([&] { edit->SetScrollBars(ssVertical); });
    edit->WindowProc = inherited;
    EXPECT_EQ(edit->Handle(), oldEdit);

    edit->SetScrollBars(ssVertical); // whole again: re-created
    EXPECT_NE(edit->Handle(), oldEdit);
    EXPECT_EQ(edit->Rtf(), rtf);
    EXPECT_TRUE(reported.empty());
}

TEST_F(RichEditTest, ANewWindowThatTakesTheContentBackShortStillGetsAllTheText) {
    ASSERT_TRUE(edit->SetRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 one {\\b two}\\par three\\par}"));
    edit->SetModified(true);
    const std::wstring text = edit->Text();
    std::function<void(TMessage&)> inherited;
    CutStreams(*edit, EM_STREAMIN, 40, inherited); // the new window reads the note short
    edit->SetScrollBars(ssVertical);
    edit->WindowProc = inherited;
    EXPECT_TRUE(GetWindowLongPtrW(edit->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(edit->Text(), text);
    EXPECT_TRUE(edit->Modified());
    EXPECT_EQ(reported,
              std::vector<std::wstring>{L"The editor could not take its formatting back; its text was kept"});
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
    for (int i = 0; i < 2000; ++i)
        big += std::wstring(48, L'x') + L"\r\n";
    SetWindowTextW(edit->Handle(), big.c_str());
    EXPECT_EQ(edit->Text().size(), big.size());
}

} // namespace
