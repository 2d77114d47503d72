#include "framework/RichEditEx.h"
#include "framework/Error.h"
#include "framework/RtfCodePage.h"
#include "support/FrameworkFixture.h"

#include <algorithm>
#include <functional>

namespace {

constexpr UINT kUtf8Rtf = SF_RTF | SF_USECODEPAGE | (CP_UTF8 << 16);

// What any RTF reader needs of a saved note: the standard header and nothing above 0x7F.
void ExpectStandard(const std::string& rtf) {
    const std::string header = "{\\rtf1\\ansi\\ansicpg" + std::to_string(RtfHeaderCodePage(GetACP()));
    EXPECT_EQ(rtf.rfind(header, 0), 0u) << rtf.substr(0, 120);
    const auto high =
        std::find_if(rtf.begin(), rtf.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    EXPECT_EQ(high, rtf.end()) << "a byte above 0x7F at " << (high - rtf.begin()) << " in " << rtf;
}

std::string Streamed(TRichEditEx& edit, UINT format) {
    std::string bytes;
    EXPECT_TRUE(edit.StreamOut(format, [&](const BYTE* data, LONG size) {
        bytes.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
        return true;
    }));
    return bytes;
}

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
    TRichEditEx* NewEdit() {
        auto* other = new TRichEditEx(form);
        other->SetParent(form);
        return other;
    }
    std::string Saved(TRichEditEx& from) {
        std::string rtf;
        EXPECT_TRUE(from.SaveRtf(rtf));
        return rtf;
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

TEST_F(RichEditTest, ANoteThatTheCodePageHoldsIsSavedAsTheControlsOwnAnsiRtf) {
    ASSERT_EQ(GetACP(), 1252u) << "the texts below are chosen for the test prefix's Western code page";
    for (const wchar_t* text : {L"plain words", L"d\u00e9j\u00e0 vu \u20ac \u0153uvre \u00ff \u00a0\u00bf"}) {
        SetWindowTextW(edit->Handle(), text);
        edit->Select(0, 5);
        edit->SetSelAttributes({L"Courier New", 12, 0x0000C0, fsBold});
        const std::string saved = Saved(*edit);
        EXPECT_EQ(saved, Streamed(*edit, SF_RTF)) << "byte for byte as before";
        ExpectStandard(saved);
    }
}

TEST_F(RichEditTest, ANoteBeyondTheCodePageIsSavedAsStandardRtfThatLoadsBackTheSame) {
    TRichEditEx* other = NewEdit();
    for (const wchar_t* text : {L"\u03a9\u03bc\u03ad\u03b3\u03b1 \u03b1\u03b2\u03b3",
                                L"\u041f\u0440\u0438\u0432\u0435\u0442 \u043c\u0438\u0440",
                                L"\u65e5\u672c\u8a9e\u306e\u6587 \u6f22\u5b57",
                                L"\U0001F600 \U0001F680 ok \U0001F44D", L"{braces} \\back\\slash \u03a9"}) {
        SetWindowTextW(edit->Handle(), text);
        const std::string saved = Saved(*edit);
        ExpectStandard(saved);
        ASSERT_TRUE(other->SetRtf(saved));
        EXPECT_EQ(other->Text(), edit->Text()) << saved;
    }
}

TEST_F(RichEditTest, AMixedNoteKeepsItsFormattingThroughTheStandardForm) {
    // Code-page letters, Greek, CJK and an emoji, each run formatted differently.
    SetWindowTextW(edit->Handle(),
                   L"Bonjour \u00e9t\u00e9 \u20ac \u03a9\u03bc\u03ad\u03b3\u03b1 \u65e5\u672c \U0001F600\r\n"
                   L"\u0441\u0435\u0440\u0435\u0434\u0438\u043d\u0430");
    const TTextAttributes greek{L"Courier New", 14, 0x0000FF, fsBold};
    const TTextAttributes cjk{L"Arial", 10, 0xFF0000, fsItalic | fsUnderline};
    const TTextAttributes latin{L"Caf\u00e9 Sans", 11, 0x008000, fsStrikeOut}; // a name beyond ASCII
    edit->Select(14, 19);
    edit->SetSelAttributes(greek);
    edit->Select(20, 22);
    edit->SetSelAttributes(cjk);
    edit->Select(8, 11);
    edit->SetSelAttributes(latin);
    edit->Select(28, 30);
    edit->SetParagraphAlignment(taCenter);
    const std::string saved = Saved(*edit);
    ExpectStandard(saved);

    TRichEditEx* other = NewEdit();
    ASSERT_TRUE(other->SetRtf(saved));
    EXPECT_EQ(other->Text(), edit->Text());
    const auto expectRun = [&](LONG start, LONG end, const TTextAttributes& want) {
        other->Select(start, end);
        const TTextAttributes got = other->SelAttributes();
        EXPECT_EQ(got.Name, want.Name) << start;
        EXPECT_EQ(got.Size, want.Size) << start;
        EXPECT_EQ(got.Color, want.Color) << start;
        EXPECT_EQ(got.Style, want.Style) << start;
    };
    expectRun(14, 19, greek);
    expectRun(20, 22, cjk);
    expectRun(8, 11, latin);
    other->Select(28, 30);
    EXPECT_EQ(other->ParagraphAlignment(), taCenter);
    other->Select(0, 3);
    EXPECT_EQ(other->ParagraphAlignment(), taLeftJustify);
}

TEST_F(RichEditTest, AnOldUtf8DocumentLoadsAndIsSavedBackAsStandardRtf) {
    // What this control wrote before for a note beyond the code page, and the form with a version.
    SetWindowTextW(edit->Handle(), L"Bonjour \u00e9t\u00e9 \u03a9\u03bc\u03ad\u03b3\u03b1 \U0001F600");
    edit->Select(8, 11);
    edit->SetSelAttributes({L"Arial", 12, 0, fsBold});
    const std::string own = Streamed(*edit, kUtf8Rtf);
    ASSERT_EQ(own.rfind("{\\urtf", 0), 0u) << own;
    const std::string versioned =
        "{\\urtf1\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs24 "
        "Bonjour {\\b \xC3\xA9t\xC3\xA9} \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xF0\x9F\x98\x80}";
    TRichEditEx* other = NewEdit();
    for (const std::string& old : {own, versioned}) {
        ASSERT_TRUE(other->SetRtf(old)) << old;
        EXPECT_EQ(other->Text(), L"Bonjour \u00e9t\u00e9 \u03a9\u03bc\u03ad\u03b3\u03b1 \U0001F600") << old;
        const std::string saved = Saved(*other);
        ExpectStandard(saved);
        ASSERT_TRUE(edit->SetRtf(saved));
        EXPECT_EQ(edit->Text(), other->Text());
        edit->Select(8, 11);
        EXPECT_EQ(edit->SelAttributes().Style, fsBold) << saved;
    }
}

} // namespace
