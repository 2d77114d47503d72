#include "note/NotePrepare.h"
#include "note/ShapedNotes.h"
#include "note/RtfCodePage.h"
#include "note/RtfSafetyScan.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using namespace ShapedNotes;

size_t Count(const std::wstring& text, const std::wstring& word) {
    size_t n = 0;
    for (size_t at = text.find(word); at != std::wstring::npos; at = text.find(word, at + word.size()))
        ++n;
    return n;
}

// Notes of the shapes that once made the preparation slow, and of the ordinary kind, at three sizes:
// each is loaded with all the text the file holds, or refused before the rewriting works on it.
TEST(NoteShapes, EachShapeAtEachSizeIsLoadedWithAllItsTextOrRefused) {
    struct TShape {
        const char* What;
        std::string Head, Unit, Tail; // the unit repeated up to the size; none: nested
        std::wstring Word;            // once in each unit, when the note is loaded
        std::function<std::string(size_t)> Nest = nullptr;
        bool ControlsForm = true; // as the control writes it back: the save's writer takes it
    } shapes[] = {
        {"ordinary note", kHead, "{\\b Titre} Caf\\'e9 \\u937?mega texte\\par\r\n", "}",
         L"Caf\u00E9 \u03A9mega"},
        {"nested field results, 20 deep", kHead, FieldChain(20), "}", L"lien"},
        // 23 fields in each other fold into 24 groups, the most the control is given; one more is
        // too deep to be folded within it, and is not rewritten.
        {"fields as deep as the rewriting folds", kHead, FieldChain(23), "}", L"lien"},
        {"fields deeper than the rewriting folds", kHead, FieldChain(24), "}", L""},
        {"results inside one field", kHead + "{\\field{\\*\\fldinst X}", "{\\fldrslt resultat }", "}}",
         L"resultat"},
        {"control words", kHead + "mot", "\\b\\i\\ul\\b0\\i0 ", "}", L""},
        {"\\u runs", kHead, "\\u233?\\u937?\\u-3?", "}", L"\u00E9\u03A9\uFFFD"},
        {"\\bin data", kHead, "{\\pict\\bin8 {}{\\\xFF\x80 }}image\\par\r\n", "}", L"image"},
        {"text after the end, behind fallbacks", "{\\rtf1\\uc2 a", "\\u233 }b", "}", L"\u00E9b"},
        {"UTF-8 code page", "{\\rtf1\\ansicpg65001 ", "caf\\'c3\\'a9 ", "}", L"caf\u00E9"},
        // Long runs of text are read in parts: never inside a character of two bytes.
        {"a code page of two bytes", "{\\rtf1\\ansi\\ansicpg932 ", "\x93\xfa\x8c\xea\\'93\\'fa\\'8c\\'ea.", "}",
         L"\u65E5\u8A9E\u65E5\u8A9E.", nullptr, false},
        {"UTF-8 without a break", "{\\rtf1\\ansicpg65001 ", "\\'c3\\'a9t\\'c3\\'a9", "}", L"\u00E9t\u00E9"},
        {"one chain of nested field results", "", "", "", L"",
         [](size_t n) { return Nested("{\\field{\\*\\fldinst X}{\\fldrslt ", "}}", n); }},
        {"open \\fldrslt groups", "", "", "", L"", [](size_t n) { return Nested("{\\fldrslt a ", "", n); }},
        {"deep plain nesting", "", "", "", L"", [](size_t n) { return Nested("{", "}", n); }},
    };
    for (const TShape& shape : shapes) {
        const bool refused =
            shape.Nest || (shape.Word.empty() && shape.Unit.find("field") != std::string::npos);
        for (size_t size : {1u << 12, 1u << 16, 1u << 20}) {
            SCOPED_TRACE(std::string(shape.What) + " at " + std::to_string(size) + " bytes");
            const std::string bytes =
                shape.Nest ? shape.Nest(size) : Repeated(shape.Head, shape.Unit, shape.Tail, size);
            const TPreparedNote note = PrepareNote(bytes, false);
            EXPECT_EQ(note.Safe, !refused);
            if (!note.Safe) continue;
            if (!shape.Word.empty()) {
                const size_t units =
                    (bytes.size() - shape.Head.size() - shape.Tail.size()) / shape.Unit.size();
                EXPECT_EQ(Count(note.HeldText, shape.Word), units);
            }
            // What the control is given holds all of it.
            EXPECT_EQ(MeasureDocument(note.Data).Text, note.HeldText);
            // And the standard writer, at the save, keeps every character of it.
            if (shape.ControlsForm)
                EXPECT_EQ(MeasureDocument(StandardRtf(note.Data, 1252)).Text, note.HeldText);
        }
    }
}

} // namespace
