// The running program beside another writer of its note: this test process plays the sync client
// or word processor, writing the file while the note sits hidden in the tray with its save timer
// ticking every second.
#include "Harness.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace std::chrono_literals;

namespace {

std::string Note(const std::string& text) {
    return "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}";
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

FILETIME LastWrite(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool Same(const FILETIME& a, const FILETIME& b) {
    return CompareFileTime(&a, &b) == 0;
}

std::vector<std::filesystem::path> ConflictCopies(const TProgramUnderTest& program) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(program.Folder()))
        if (entry.path().filename().wstring().find(L" (conflit ") != std::wstring::npos)
            found.push_back(entry.path());
    return found;
}

TEST(OtherWriter, TheRunningNoteTakesInReplacementsAndRewritesIgnoresTouchesAndIdlesWithoutWriting) {
    TProgramUnderTest program;
    const auto document = program.Beside(L".RTF");
    Write(document, Note("first words"));
    WriteSetting(program, L"Save", L"Interval", L"1000");
    program.Start();
    HWND note = program.WaitForWindow(L"TForm1");
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return EditorText(note) == L"first words"; }, 5s));

    // Nobody edits it: another program's note is never rewritten, tick after tick.
    const FILETIME settled = LastWrite(document);
    // Nothing to wait for here but the ticks themselves: two and a half of them.
    Sleep(2500);
    EXPECT_TRUE(Same(LastWrite(document), settled));
    EXPECT_EQ(FileBytes(document), Note("first words"));
    EXPECT_FALSE(std::filesystem::exists(program.Beside(L".RTF.1")));

    // A sync client: a temporary file renamed over the note.
    const auto temporary = program.Folder() / L".sync.quillpad.RTF.tmp";
    Write(temporary, Note("replaced by the other computer"));
    std::filesystem::rename(temporary, document);
    EXPECT_TRUE(WaitUntil([&] { return EditorText(note) == L"replaced by the other computer"; }, 3s))
        << "shows " << testing::PrintToString(EditorText(note));
    const std::string theirs = FileBytes(document);
    Sleep(2500);
    EXPECT_EQ(FileBytes(document), theirs) << "taking it in wrote nothing";

    // A word processor: the file rewritten in place.
    Write(document, Note("rewritten in place"));
    EXPECT_TRUE(WaitUntil([&] { return EditorText(note) == L"rewritten in place"; }, 3s))
        << "shows " << testing::PrintToString(EditorText(note));

    // A backup tool: the time only.
    {
        HANDLE file = CreateFileW(document.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        FILETIME later{};
        GetSystemTimeAsFileTime(&later);
        SetFileTime(file, nullptr, nullptr, &later);
        CloseHandle(file);
    }
    const FILETIME touched = LastWrite(document);
    Sleep(2500);
    EXPECT_TRUE(Same(LastWrite(document), touched));
    EXPECT_EQ(EditorText(note), L"rewritten in place");
    EXPECT_TRUE(ConflictCopies(program).empty());

    // Deleted: the editor keeps its text and the next tick writes it again.
    std::filesystem::remove(document);
    EXPECT_TRUE(
        WaitUntil([&] { return FileBytes(document).find("rewritten in place") != std::string::npos; }, 5s));
    EXPECT_EQ(EditorText(note), L"rewritten in place");
    EXPECT_TRUE(ConflictCopies(program).empty());
}

} // namespace
