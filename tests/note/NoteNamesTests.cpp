#include "note/NoteFiles.h"
#include "note/NoteLoad.h"

#include <gtest/gtest.h>

namespace {

TEST(NoteNames, KeptFilesAreNamedAfterTheNoteWithTheDateAndTime) {
    const SYSTEMTIME when{2026, 12, 3, 9, 10, 45, 12, 0};
    EXPECT_EQ(ConflictPath(L"C:\\notes\\quillpad.RTF", when),
              L"C:\\notes\\quillpad (conflit 2026-12-09 10-45-12).RTF");
    EXPECT_EQ(ConflictPath(L"C:\\a.b\\note", when), L"C:\\a.b\\note (conflit 2026-12-09 10-45-12)");
    EXPECT_EQ(OriginalPath(L"C:\\notes\\quillpad.RTF", when),
              L"C:\\notes\\quillpad (original 2026-12-09 10-45-12).RTF");
    // What sync clients and backup tools leave alone: "~" first, ".tmp" last.
    EXPECT_EQ(NoteTemporaryPath(L"C:\\notes\\quillpad.RTF"), L"C:\\notes\\~quillpad.RTF.tmp");
    EXPECT_EQ(NoteBackupPath(L"C:\\notes\\quillpad.RTF"), L"C:\\notes\\~quillpad.RTF.old.tmp");
}

TEST(NoteNames, EachNoteHasARescueCopyOfItsOwn) {
    const std::wstring folder = L"C:\\Users\\u\\AppData\\Roaming\\quillpad\\";
    const std::wstring first = RescuePathFor(L"C:\\notes\\quillpad.RTF", folder);
    EXPECT_EQ(first.rfind(folder + L"quillpad (", 0), 0u) << first;
    EXPECT_EQ(first.substr(first.size() - 5), L").RTF") << first;
    // The same note however its path is written; another folder's note elsewhere.
    const auto number = [&](const std::wstring& rescue) { return rescue.substr(folder.size() + 10); };
    EXPECT_EQ(number(RescuePathFor(L"c:\\NOTES\\QUILLPAD.RTF", folder)), number(first));
    EXPECT_EQ(number(RescuePathFor(L"c:/notes/quillpad.RTF", folder)), number(first));
    EXPECT_NE(RescuePathFor(L"D:\\usb\\quillpad.RTF", folder), first);
    EXPECT_EQ(AddendumPathFor(first), first.substr(0, first.size() - 4) + L" ajout.RTF");
}

TEST(NoteLoad, OnlyTheParagraphMarkThatEndsTheDocumentIsLeftOut) {
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 one\\par two\\par}"), "{\\rtf1 one\\par two}");
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 one\\par\r\n}\r\n"), "{\\rtf1 one\r\n}\r\n");
    // The space that ends the word goes with it, or the text would end in a space it never had.
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 {\\b one\\par }}"), "{\\rtf1 {\\b one}}");
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 one \\par  }"), "{\\rtf1 one  }");
    // Not a paragraph mark: an escaped backslash before the letters, a longer word, plain text.
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 a\\\\par}"), "{\\rtf1 a\\\\par}");
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 a\\pard}"), "{\\rtf1 a\\pard}");
    EXPECT_EQ(WithoutFinalParagraphMark("plain\\par"), "plain\\par");
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1\\bin4 e\\par}"), "{\\rtf1\\bin4 e\\par}"); // binary data
}

} // namespace
