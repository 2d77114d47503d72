#include "support/FileTestHelpers.h"

#include "note/NoteFile.h"
#include "note/StoredNote.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class StoredNoteTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 (L"quillpad-stored-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        path = (folder / L"note.RTF").wstring();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
    std::wstring path;
};

TEST_F(StoredNoteTest, ACheckTellsNothingATouchAChangeAndADeletionApartAndAChangeStaysNewUntilAccepted) {
    WriteBytes(path, "ours");
    TStoredNote note(path);
    EXPECT_EQ(note.Read(), "ours");
    EXPECT_TRUE(note.Holds("ours"));
    EXPECT_FALSE(note.Holds("theirs"));
    EXPECT_EQ(note.Check().Change, scNone);

    WriteBytes(path, "ours"); // the same bytes again: a new time
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME later{0x10000000, 0x01E00000};
    SetFileTime(file, nullptr, nullptr, &later);
    CloseHandle(file);
    EXPECT_EQ(note.Check().Change, scTouched);
    EXPECT_EQ(note.Check().Change, scNone);

    WriteBytes(path, "theirs");
    TStoredCheck check = note.Check();
    EXPECT_EQ(check.Change, scChanged);
    EXPECT_EQ(check.Bytes, "theirs");
    EXPECT_EQ(note.Check().Change, scChanged); // still new: nobody took it
    note.Accept(check.Bytes);
    EXPECT_TRUE(note.Holds("theirs"));
    EXPECT_EQ(note.Check().Change, scNone);

    ASSERT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_EQ(note.Check().Change, scGone);
    EXPECT_FALSE(note.Holds("theirs"));
    EXPECT_EQ(note.Check().Change, scNone); // told once

    // A file that appears where there was none is another writer's too.
    WriteBytes(path, "new");
    EXPECT_EQ(note.Check().Change, scChanged);
}

TEST_F(StoredNoteTest, AChangedFileThatCannotBeReadIsReportedAsSuchAndNeverAsEmpty) {
    WriteBytes(path, "ours");
    TStoredNote note(path);
    note.Read();
    WriteBytes(path, "theirs, still held by their writer");
    TFileLock writer(path);
    ASSERT_TRUE(writer.Held());
    const TStoredCheck check = note.Check();
    EXPECT_EQ(check.Change, scUnreadable);
    EXPECT_TRUE(check.Bytes.empty());
    EXPECT_NE(check.Error.find(path), std::wstring::npos) << check.Error;
    writer.Release();
    EXPECT_EQ(note.Check().Change, scChanged);
}

TEST_F(StoredNoteTest, WritesKeepTheVersionBeforeTheRunsFirstChangeOnlyAndConflictCopiesNeverOverwrite) {
    WriteBytes(path, "v0");
    {
        TStoredNote run(path);
        run.Read();
        run.Write("v1");
        run.Write("v2"); // the same run: no further version
    }
    EXPECT_EQ(FileBytes(path), "v2");
    EXPECT_EQ(FileBytes(path + L".1"), "v0");
    EXPECT_FALSE(Exists(path + L".2"));
    {
        TStoredNote run(path);
        run.Write("v3");
    }
    EXPECT_EQ(FileBytes(path + L".1"), "v2");
    EXPECT_EQ(FileBytes(path + L".2"), "v0");

    TStoredNote note(path);
    const std::wstring first = note.KeepConflict("theirs one");
    const std::wstring second = note.KeepConflict("theirs two");
    EXPECT_NE(first, second);
    EXPECT_EQ(FileBytes(first), "theirs one");
    EXPECT_EQ(FileBytes(second), "theirs two");
    EXPECT_EQ(FileBytes(path), "v3");
}

TEST(StoredNoteNames, AConflictCopyIsNamedAfterTheNoteWithTheDateAndTime) {
    const SYSTEMTIME when{2026, 12, 3, 9, 10, 45, 12, 0};
    EXPECT_EQ(ConflictPath(L"C:\\notes\\quillpad.RTF", when),
              L"C:\\notes\\quillpad (conflit 2026-12-09 10-45-12).RTF");
    EXPECT_EQ(ConflictPath(L"C:\\a.b\\note", when), L"C:\\a.b\\note (conflit 2026-12-09 10-45-12)");
}

TEST(StoredNoteReload, OnlyTheParagraphMarkThatEndsTheDocumentIsLeftOut) {
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 one\\par two\\par}"), "{\\rtf1 one\\par two}");
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 one\\par\r\n}\r\n"), "{\\rtf1 one\r\n}\r\n");
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 {\\b one\\par }}"), "{\\rtf1 {\\b one }}");
    // Not a paragraph mark: an escaped backslash before the letters, a longer word, plain text.
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 a\\\\par}"), "{\\rtf1 a\\\\par}");
    EXPECT_EQ(WithoutFinalParagraphMark("{\\rtf1 a\\pard}"), "{\\rtf1 a\\pard}");
    EXPECT_EQ(WithoutFinalParagraphMark("plain\\par"), "plain\\par");
}

} // namespace
