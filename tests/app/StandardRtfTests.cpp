#include "support/FileTestHelpers.h"
#include "ProgramFixture.h"

#include "note/RtfCodePage.h"

#include <algorithm>

namespace {

using StandardRtfTest = ProgramFixture;

TEST_F(StandardRtfTest, ADocumentStoredInTheOldUtf8FormLoadsAndTheNextSaveMakesItStandard) {
    // Long enough for characters to straddle the chunks in which the document is loaded.
    std::string old = "{\\urtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    std::wstring text;
    for (int line = 0; line < 300; ++line) {
        old += "{\\b \xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1} \xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC "
               "\xF0\x9F\x98\x80\\par\n";
        text += L"\u03a9\u03bc\u03ad\u03b3\u03b1 \u00e9t\u00e9 \u65e5\u672c \U0001F600\r";
    }
    old += "}";
    text.pop_back(); // the last paragraph mark is the control's own
    std::ofstream(std::filesystem::path(DocumentPath()), std::ios::binary) << old;
    Start();
    ASSERT_TRUE(reported.empty());
    std::wstring loaded = Form1->Memo1->Text();
    loaded.erase(std::remove(loaded.begin(), loaded.end(), L'\n'), loaded.end());
    const auto differ = std::mismatch(text.begin(), text.end(), loaded.begin(), loaded.end());
    EXPECT_TRUE(loaded == text) << "from character " << (differ.first - text.begin()) << " on, of "
                                << text.size() << "; " << loaded.size() << " loaded";

    // The first edit's save makes it standard; nobody's edit, nothing written.
    Form1->Enregistrer1->Click();
    EXPECT_TRUE(FileBytes(DocumentPath()) == old);
    const LONG end = GetWindowTextLengthW(Form1->Memo1->Handle());
    Form1->Memo1->Select(end, end);
    SendMessageW(Form1->Memo1->Handle(), WM_CHAR, L'.', 0);
    Form1->Enregistrer1->Click();
    const std::string saved = FileBytes(DocumentPath());
    EXPECT_EQ(saved.rfind("{\\rtf1\\ansi\\ansicpg" + std::to_string(RtfHeaderCodePage(GetACP())), 0), 0u)
        << saved.substr(0, 120);
    EXPECT_TRUE(
        std::all_of(saved.begin(), saved.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
    EXPECT_NE(saved.find("\\u937?"), std::string::npos);

    const std::wstring before = Form1->Memo1->Text();
    app.DestroyForms();
    Start();
    EXPECT_EQ(Form1->Memo1->Text(), before);
    Form1->Memo1->Select(0, 5);
    EXPECT_EQ(Form1->Memo1->SelAttributes().Style, fsBold);
}

} // namespace
