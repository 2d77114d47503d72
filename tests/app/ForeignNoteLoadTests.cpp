#include "support/FileTestHelpers.h"
#include "note/ForeignNote.h"
#include "ProgramFixture.h"

#include <filesystem>

namespace {

// Notes written by other programs, loaded and saved through the real control.
class ForeignNoteLoadTest : public ProgramFixture {
protected:
    void TearDown() override {
        ProgramFixture::TearDown();
        for (const std::filesystem::path& copy : KeptCopies())
            std::filesystem::remove(copy);
    }
    static std::vector<std::filesystem::path> KeptCopies() {
        const std::filesystem::path note = DocumentPath();
        std::vector<std::filesystem::path> copies;
        for (const auto& entry : std::filesystem::directory_iterator(note.parent_path()))
            if (entry.path().filename().wstring().starts_with(note.stem().wstring() + L" (original "))
                copies.push_back(entry.path());
        return copies;
    }
};

TEST_F(ForeignNoteLoadTest, WhatTheControlCannotShowIsRewrittenOrKeptBesideTheNoteBeforeTheFirstEditIsSaved) {
    const std::string head =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 premiere ligne\\par ";
    const std::string whole = head + "MARQUEUR texte\\par}";
    struct TCase {
        const char* What;
        std::string Bytes;
        bool Shown; // the marker must be in the note itself, not only in the kept copy
        bool Kept;  // the file as it was is kept beside the note
    } cases[] = {
        {"an unknown code page in mid-document", head + "\\ansicpg99999999999 MARQUEUR\\par}", true, true},
        {"code page 1200", head + "\\ansicpg1200 MARQUEUR\\par}", true, true},
        {"code page 50220", head + "\\ansicpg50220 MARQUEUR\\par}", true, true},
        {"code page 42", head + "\\ansicpg42 MARQUEUR\\par}", true, true},
        {"a font with an unknown code page",
         "{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg99999 Arial;}}\\f0 premiere ligne\\par MARQUEUR\\par}", true,
         false},
        {"a hyperlink field",
         head +
             "avant {\\field{\\*\\fldinst HYPERLINK \"http://example.com\"}{\\fldrslt MARQUEUR}} apres\\par}",
         true, true},
        {"a footnote", head + "texte{\\footnote\\pard MARQUEUR dans la note}\\par}", false, false},
        {"an annotation", head + "texte{\\*\\annotation MARQUEUR commentaire}\\par}", false, false},
        {"text after the closing brace", head + "\\par}\r\nMARQUEUR apres la fin\\par}", true, true},
        {"a file cut short", whole.substr(0, whole.size() - 7), true, true},
        {"\\bin at the end", head + "MARQUEUR\\par{\\pict\\bin200 abc", true, true},
        {"a UTF-8 byte-order mark", "\xEF\xBB\xBF" + whole, true, false},
        {"a tab stop out of range", head + "\\tx-2147483648 MARQUEUR\\tab x\\par\\pard\\tx2147483648 y\\par}",
         true, true},
        {"UTF-16 LE", Utf16WithMark(L"Bonjour \xE9t\xE9 \x3A9\x3BC\x3AD\x3B3\x3B1 MARQUEUR", false), true,
         false},
        {"UTF-16 BE", Utf16WithMark(L"Bonjour \xE9t\xE9 \x3A9\x3BC\x3AD\x3B3\x3B1 MARQUEUR", true), true,
         false},
        {"UTF-16 RTF", Utf16WithMark(L"{\\rtf1\\ansi \\b MARQUEUR \xE9t\xE9\\b0\\par}", false), true, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        WriteBytes(DocumentPath(), c.Bytes);
        reported.clear();
        Start();
        const bool shown = Form1->Memo1->Text().find(L"MARQUEUR") != std::wstring::npos;
        // What the control could not take is said at once; the file stays as it is until the
        // user edits the note.
        const bool told = !reported.empty();
        if (told) {
            EXPECT_EQ(reported.size(), 1u);
            EXPECT_NE(reported[0].find(L"(original"), std::wstring::npos) << reported[0];
        }
        if (c.What == std::string_view("UTF-16 LE")) {
            EXPECT_EQ(Form1->Memo1->Text(), L"Bonjour \xE9t\xE9 \x3A9\x3BC\x3AD\x3B3\x3B1 MARQUEUR");
        }
        Form1->Enregistrer1->Click();
        EXPECT_TRUE(KeptCopies().empty());
        EXPECT_TRUE(FileBytes(DocumentPath()) == c.Bytes);

        Form1->Memo1->Select(0, 0);
        SendMessageW(Form1->Memo1->Handle(), WM_CHAR, L'>', 0);
        app.DestroyForms(); // the save on the way out: the control's writer survives it
        const std::vector<std::filesystem::path> copies = KeptCopies();
        ASSERT_LE(copies.size(), 1u);
        const bool kept = copies.size() == 1 && FileBytes(copies[0].wstring()) == c.Bytes;
        EXPECT_EQ(told, kept) << "kept beside the note exactly when the user was told it would be";
        EXPECT_TRUE(shown || kept);
        if (c.Shown) {
            EXPECT_TRUE(shown);
        }
        if (c.Kept) {
            EXPECT_TRUE(kept);
        }
        EXPECT_TRUE(FileBytes(DocumentPath()).find("MARQUEUR") != std::string::npos || kept);
        EXPECT_FALSE(Exists(DocumentPath() + L".unreadable"));
        for (const std::filesystem::path& copy : copies)
            std::filesystem::remove(copy);
    }
}

} // namespace
