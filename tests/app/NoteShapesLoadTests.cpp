#include "support/FileTestHelpers.h"
#include "note/ShapedNotes.h"
#include "ProgramFixture.h"

#include <filesystem>

namespace {

using namespace ShapedNotes;

// Notes of the shapes that once made their preparation slow or lose text, loaded through the
// program and the real control.
class NoteShapesLoadTest : public ProgramFixture {
protected:
    void TearDown() override {
        ProgramFixture::TearDown();
        RemoveKeptCopies();
    }
    // What the program keeps beside a note it rewrote for the control.
    static void RemoveKeptCopies() {
        const std::filesystem::path note = DocumentPath();
        for (const auto& entry : std::filesystem::directory_iterator(note.parent_path()))
            if (entry.path().filename().wstring().starts_with(note.stem().wstring() + L" (original "))
                std::filesystem::remove(entry.path());
    }
    static size_t Count(const std::wstring& text, const std::wstring& word) {
        size_t n = 0;
        for (size_t at = text.find(word); at != std::wstring::npos; at = text.find(word, at + word.size()))
            ++n;
        return n;
    }
};

TEST_F(NoteShapesLoadTest, EachShowsAllItsTextOrIsRefusedWithOneBoxThatNamesTheFile) {
    const std::string field = kHead + "{\\field{\\*\\fldinst HYPERLINK \"x\"}";
    const std::string results = kHead + "{\\field{\\*\\fldinst X}";
    struct TCase {
        const char* What;
        std::string Bytes;
        std::wstring Word; // shown `Times` times; none: the note is refused
        size_t Times;
    } cases[] = {
        {"text after the closing brace behind a pending fallback",
         "{\\rtf1\\ansi\\uc5\\u233 }MARQUEUR apres la fin", L"MARQUEUR", 1},
        {"a result that starts with a destination's name", field + "{\\fldrslt\\info MARQUEUR}}\\par}",
         L"MARQUEUR", 1},
        {"a result that starts with \\* and one", field + "{\\fldrslt\\*\\fldinst MARQUEUR}}\\par}",
         L"MARQUEUR", 1},
        {"text in UTF-8, a code page the control does not read",
         "{\\rtf1\\ansi\\ansicpg65001 caf\\'c3\\'a9 cr\xC3\xA8me MARQUEUR\\par}",
         L"caf\u00E9 cr\u00E8me MARQUEUR", 1},
        {"nested field results, 20 deep", Repeated(kHead, FieldChain(20), "}", 1 << 16), L"lien",
         Units(Repeated(kHead, FieldChain(20), "}", 1 << 16), kHead, FieldChain(20), "}")},
        {"fields as deep as the rewriting folds", Repeated(kHead, FieldChain(23), "}", 1 << 14), L"lien",
         Units(Repeated(kHead, FieldChain(23), "}", 1 << 14), kHead, FieldChain(23), "}")},
        {"every result inside one field", Repeated(results, "{\\fldrslt resultat }", "}}", 1 << 16),
         L"resultat",
         Units(Repeated(results, "{\\fldrslt resultat }", "}}", 1 << 16), results, "{\\fldrslt resultat }",
               "}}")},
        {"fields deeper than the rewriting folds", Repeated(kHead, FieldChain(24), "}", 1 << 14), L"", 0},
        {"one chain of field results, 1 MB", Nested("{\\field{\\*\\fldinst X}{\\fldrslt ", "}}", 1 << 20),
         L"", 0},
        {"open \\fldrslt groups, 1 MB", Nested("{\\fldrslt a ", "", 1 << 20), L"", 0},
        {"deep plain nesting, 1 MB", Nested("{", "}", 1 << 20), L"", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        WriteBytes(DocumentPath(), c.Bytes);
        reported.clear();
        Start();
        if (c.Word.empty()) {
            ASSERT_EQ(reported.size(), 1u);
            EXPECT_EQ(reported[0].rfind(L"Failed to Load Stream", 0), 0u) << reported[0];
            EXPECT_NE(reported[0].find(L"« " + DocumentPath() + L" »"), std::wstring::npos) << reported[0];
            EXPECT_EQ(Form1->Memo1->Text(), L"");
        } else {
            EXPECT_EQ(Count(Form1->Memo1->Text(), c.Word), c.Times);
        }
        app.DestroyForms();
        EXPECT_TRUE(FileBytes(DocumentPath()) == c.Bytes) << "the file stays as it was until the user writes";
        RemoveKeptCopies();
    }
}

} // namespace
