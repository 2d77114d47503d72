// The note as it is stored: standard RTF from what the control writes, which any RTF reader takes
// and the control reads back with its text and formatting.
#include "framework/RichEditEx.h"
#include "note/RtfCodePage.h"
#include "support/RichEditFixture.h"

#include <algorithm>

namespace {

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

class StoredRtfTest : public RichEditTest {
protected:
    std::string Saved(TRichEditEx& from) {
        std::string rtf;
        EXPECT_TRUE(from.ControlRtf(rtf));
        return StoredRtf(rtf);
    }
};

TEST_F(StoredRtfTest, ANoteThatTheCodePageHoldsIsSavedAsTheControlsOwnAnsiRtf) {
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

TEST_F(StoredRtfTest, ANoteBeyondTheCodePageIsSavedAsStandardRtfThatLoadsBackTheSame) {
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

TEST_F(StoredRtfTest, AMixedNoteKeepsItsFormattingThroughTheStandardForm) {
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

TEST_F(StoredRtfTest, AnOldUtf8DocumentLoadsAndIsSavedBackAsStandardRtf) {
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
