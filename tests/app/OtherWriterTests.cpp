// The note beside another writer: a sync client bringing another computer's version, a word
// processor saving over it, a backup tool touching it. Real files and the real folder watch; the
// other writer is this process writing the file as such programs do.
#include "support/FileTestHelpers.h"
#include "NoteFixture.h"

#include "framework/SafeFile.h"
#include "framework/Shell.h"
#include "note/NoteVersions.h"

#include <windows.h>

namespace {

constexpr char kOurs[] = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";

std::string Note(const std::string& text) {
    return kOurs + text + "\\par}";
}

// Another program's write: a temporary file renamed over the note, as sync clients do.
void ReplaceFromOutside(const std::wstring& path, const std::string& bytes) {
    const std::wstring temporary = path + L".other.tmp";
    WriteBytes(temporary, bytes);
    ASSERT_TRUE(MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
}

// The words of an RTF file, without its tables, control words and groups: what a reader shows.
std::string Words(const std::string& rtf) {
    std::string out;
    int skipDepth = 0, depth = 0;
    for (size_t i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
            if (!skipDepth && (rtf.compare(i, 9, "{\\fonttbl") == 0 ||
                               rtf.compare(i, 10, "{\\colortbl") == 0 || rtf.compare(i, 3, "{\\*") == 0))
                skipDepth = depth;
        } else if (c == '}') {
            if (depth-- == skipDepth) skipDepth = 0;
        } else if (c == '\\') {
            size_t j = i + 1;
            while (j < rtf.size() && (isalpha(static_cast<unsigned char>(rtf[j])) ||
                                      isdigit(static_cast<unsigned char>(rtf[j])) || rtf[j] == '-'))
                ++j;
            if (j < rtf.size() && rtf[j] == ' ') ++j;
            i = j - 1;
        } else if (!skipDepth && c != '\r' && c != '\n') {
            out += c;
        }
    }
    return out;
}

ULONGLONG LastWrite(const std::wstring& path) {
    TFileStamp stamp;
    StampOf(FileCalls(), path, stamp);
    return stamp.LastWrite;
}

class OtherWriterTest : public NoteFixture {
protected:
    void SetUp() override {
        NoteFixture::SetUp();
        RemoveKeptFiles();
        savedOpen = ShellOpen;
        ShellOpen = [this](HWND, const std::wstring& target) { opened.push_back(target); };
        balloons.clear();
    }
    void TearDown() override {
        NoteFixture::TearDown();
        RemoveKeptFiles();
        ShellOpen = savedOpen;
    }
    static void RemoveKeptFiles() {
        for (const std::wstring& file : KeptFiles())
            DeleteFileW(file.c_str());
        for (int n = 1; n <= 4; ++n)
            DeleteFileW((DocumentPath() + L"." + std::to_wstring(n)).c_str());
        DeleteFileW(NoteTemporaryPath(DocumentPath()).c_str());
    }
    // The conflict copies beside the note.
    static std::vector<std::wstring> KeptFiles() {
        const std::wstring path = DocumentPath();
        const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
        const std::wstring stem = path.substr(folder.size(), path.find_last_of(L'.') - folder.size());
        std::vector<std::wstring> found;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder + stem + L" (conflit *).RTF").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return found;
        do
            found.push_back(folder + data.cFileName);
        while (FindNextFileW(find, &data));
        FindClose(find);
        return found;
    }
    void StartWith(const std::string& stored) {
        WriteBytes(DocumentPath(), stored);
        StartShown();
        Form1->TrayIcon1->OnBalloonShow = [this](TObject*) {
            balloons.push_back(Form1->TrayIcon1->Record().szInfo);
        };
    }
    // The user types, as a user does.
    void Type(const wchar_t* text) {
        for (const wchar_t* c = text; *c; ++c)
            SendMessageW(Editor(), WM_CHAR, *c, 0);
    }
    // Runs the program's loop until the note shows `text`, as the folder watch makes it.
    bool NoteShows(const std::wstring& text) {
        return PumpUntil([&] { return Memo().Text() == text; }, std::chrono::milliseconds(4000));
    }

    std::function<void(HWND, const std::wstring&)> savedOpen;
    std::vector<std::wstring> opened;
    std::vector<std::wstring> balloons;
};

TEST_F(OtherWriterTest, AnUnchangedNoteTakesTheOtherVersionAtOnceAndUndoBringsOursBack) {
    StartWith(Note("line one\\par line two\\par line three"));
    Memo().Select(9, 9); // in "line two"
    ReplaceFromOutside(DocumentPath(), Note("line one\\par line two, from the other computer"));
    ASSERT_TRUE(NoteShows(L"line one\r\nline two, from the other computer"))
        << "shows " << testing::PrintToString(Memo().Text()) << ", conflict copies " << KeptFiles().size();
    EXPECT_TRUE(reported.empty()) << reported[0];
    CHARRANGE at{};
    Memo().Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&at));
    EXPECT_EQ(at.cpMin, 9);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_NE(balloons[0].find(L"mise à jour depuis son fichier"), std::wstring::npos) << balloons[0];
    EXPECT_TRUE(KeptFiles().empty());
    // Taking it in wrote nothing: the file is theirs, byte for byte.
    const std::string theirs = FileBytes(DocumentPath());
    Form1->Enregistrer1->Click();
    EXPECT_EQ(FileBytes(DocumentPath()), theirs);

    Press({VK_CONTROL, 'Z'});
    EXPECT_EQ(Memo().Text(), L"line one\r\nline two\r\nline three");
}

TEST_F(OtherWriterTest, TheSameWordsChangedOnBothSidesKeepTheirsBesideTheNoteAndSaveOurs) {
    StartWith(Note("shared start"));
    Memo().Select(7, 12);
    Type(L"ours");
    ReplaceFromOutside(DocumentPath(), Note("shared theirs"));
    ASSERT_TRUE(PumpUntil([&] { return KeptFiles().size() == 1; }, std::chrono::milliseconds(4000)));
    EXPECT_TRUE(reported.empty()) << reported[0];
    const std::wstring kept = KeptFiles()[0];
    EXPECT_NE(Words(FileBytes(kept)).find("shared theirs"), std::string::npos);
    ASSERT_TRUE(PumpUntil([] { return Words(FileBytes(DocumentPath())).find("shared ours") != std::string::npos; }));
    EXPECT_EQ(Memo().Text(), L"shared ours");
    // The name says what it is and when: "<note> (conflit YYYY-MM-DD hh-mm-ss).RTF".
    const std::wstring name = kept.substr(kept.find_last_of(L'\\') + 1);
    EXPECT_NE(name.find(L" (conflit 20"), std::wstring::npos) << name;
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_NE(balloons[0].find(name), std::wstring::npos) << balloons[0];
    // A click on the balloon opens the kept version.
    PostMessageW(Form1->TrayIcon1->NotifyWindow(), TTrayIcon::WM_TRAYNOTIFY, TTrayIcon::kIconId,
                 NIN_BALLOONUSERCLICK);
    ASSERT_TRUE(PumpUntil([&] { return !opened.empty(); }));
    EXPECT_EQ(opened[0], kept);
}

TEST_F(OtherWriterTest, EditsOfDifferentPlacesAreMergedWithTheirFormattingAsOneEditUndoTakesBack) {
    StartWith(Note("line one\\par line two\\par line three"));
    Memo().Select(8, 8);
    Type(L" ours"); // "line one ours", the caret after it
    // Theirs added a bold word to one paragraph and made a word of another italic, its text as it was.
    ReplaceFromOutside(DocumentPath(), Note("line one\\par line {\\i two}\\par line {\\b bold} three"));
    ASSERT_TRUE(NoteShows(L"line one ours\r\nline two\r\nline bold three"))
        << "shows " << testing::PrintToString(Memo().Text()) << ", conflict copies " << KeptFiles().size();
    EXPECT_TRUE(reported.empty()) << reported[0];
    EXPECT_TRUE(KeptFiles().empty());
    // Their word keeps their formatting, ours keeps ours, and the caret stays after what was typed.
    EXPECT_TRUE((Selected(28, 29), Memo().SelectionHasStyle(fsBold)));
    EXPECT_FALSE((Selected(10, 11), Memo().SelectionHasStyle(fsBold)));
    EXPECT_TRUE((Selected(19, 22), Memo().SelectionHasStyle(fsItalic)));
    ASSERT_TRUE(PumpUntil([] { return Words(FileBytes(DocumentPath())).find("line bold three") != std::string::npos; }));
    EXPECT_NE(Words(FileBytes(DocumentPath())).find("line one ours"), std::string::npos);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_NE(balloons[0].find(L"fusionnées"), std::wstring::npos) << balloons[0];

    Press({VK_CONTROL, 'Z'});
    EXPECT_EQ(Memo().Text(), L"line one ours\r\nline two\r\nline three");
}

TEST_F(OtherWriterTest, TheCaretStaysWithTheTextAroundItWhenTheirsChangedWhatIsBeforeIt) {
    StartWith(Note("alpha beta\\par gamma"));
    Memo().Select(16, 16); // "gamma" ends at 16
    Type(L" delta");
    ReplaceFromOutside(DocumentPath(), Note("zero alpha beta\\par gamma"));
    ASSERT_TRUE(NoteShows(L"zero alpha beta\r\ngamma delta")) << testing::PrintToString(Memo().Text());
    CHARRANGE at{};
    Memo().Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&at));
    EXPECT_EQ(at.cpMin, 27);
}

TEST_F(OtherWriterTest, OnlyTheFirstReloadSinceTheNoteWasLastShownIsSaid) {
    StartWith(Note("one"));
    ReplaceFromOutside(DocumentPath(), Note("two"));
    ASSERT_TRUE(NoteShows(L"two"));
    ReplaceFromOutside(DocumentPath(), Note("three"));
    ASSERT_TRUE(NoteShows(L"three"));
    EXPECT_EQ(balloons.size(), 1u);
    // Brought up again from the tray: the next one is said.
    Form1->Hide();
    Form1->Show();
    ReplaceFromOutside(DocumentPath(), Note("four"));
    ASSERT_TRUE(NoteShows(L"four"));
    EXPECT_EQ(balloons.size(), 2u);
}

TEST_F(OtherWriterTest, ASyncEnginesCopyIsMergedIntoTheNoteThenRemovedWithAWord) {
    StartWith(Note("Courses pain lait\\par Garage"));
    const std::wstring copy = DocumentPath().substr(0, DocumentPath().size() - 4) +
                              L".sync-conflict-20261210-101010-ABCDEFG.RTF";
    const std::wstring other = DocumentPath().substr(0, DocumentPath().size() - 4) + L".sync-other.RTF";
    WriteBytes(other, Note("unrelated"));
    WriteBytes(copy, Note("Courses bon pain lait\\par Garage B0001"));
    ASSERT_TRUE(NoteShows(L"Courses bon pain lait\r\nGarage B0001")) << testing::PrintToString(Memo().Text());
    ASSERT_TRUE(PumpUntil([&] { return !Exists(copy); }));
    EXPECT_NE(Words(FileBytes(DocumentPath())).find("Garage B0001"), std::string::npos);
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_NE(balloons[0].find(L"sync-conflict-20261210-101010-ABCDEFG.RTF"), std::wstring::npos) << balloons[0];
    // Nothing else of the engine's is touched.
    EXPECT_TRUE(Exists(other));
    DeleteFileW(other.c_str());

    // A copy the control must not be given (nested past what it takes) stays, and is said once.
    const std::wstring deep = DocumentPath().substr(0, DocumentPath().size() - 4) +
                              L".sync-conflict-20261210-111111-ABCDEFG.RTF";
    WriteBytes(deep, "{\\rtf1 " + std::string(200, '{') + "profond" + std::string(200, '}') + "}");
    ASSERT_TRUE(PumpUntil([&] { return balloons.size() == 2; }, std::chrono::milliseconds(4000)));
    EXPECT_NE(balloons[1].find(L"n'a pas pu être fusionnée"), std::wstring::npos) << balloons[1];
    PumpUntil([] { return false; }, std::chrono::milliseconds(2500)); // another look
    EXPECT_TRUE(Exists(deep));
    EXPECT_EQ(balloons.size(), 2u);
    DeleteFileW(deep.c_str());
}

TEST_F(OtherWriterTest, ATouchOrAnAttributeChangeDoesNothingAndAnIdleNoteIsNeverWritten) {
    StartWith(Note("stay as you are"));
    Form1->Enregistrer1->Click(); // the note in the program's own form, once
    const std::string stored = FileBytes(DocumentPath());
    const ULONGLONG written = LastWrite(DocumentPath());
    Form1->Timer1->OnTimer(Form1->Timer1);
    Form1->Timer1->OnTimer(Form1->Timer1);
    EXPECT_EQ(LastWrite(DocumentPath()), written);

    // A backup tool sets the time and the archive bit, and writes the same bytes again.
    {
        HANDLE file = CreateFileW(DocumentPath().c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        FILETIME later{};
        GetSystemTimeAsFileTime(&later);
        SetFileTime(file, nullptr, nullptr, &later);
        CloseHandle(file);
    }
    ReplaceFromOutside(DocumentPath(), stored);
    const ULONGLONG touched = LastWrite(DocumentPath());
    PumpUntil([] { return false; }, std::chrono::milliseconds(1200)); // the watch has its look
    Form1->Timer1->OnTimer(Form1->Timer1);
    EXPECT_EQ(LastWrite(DocumentPath()), touched);
    EXPECT_TRUE(balloons.empty());
    EXPECT_TRUE(KeptFiles().empty());
    EXPECT_EQ(Memo().Text(), L"stay as you are");
}

TEST_F(OtherWriterTest, ANoteDeletedMeanwhileIsWrittenAgainByTheNextSave) {
    StartWith(Note("do not lose me"));
    ASSERT_TRUE(DeleteFileW(DocumentPath().c_str()));
    PumpUntil([] { return false; }, std::chrono::milliseconds(1200));
    EXPECT_EQ(Memo().Text(), L"do not lose me");
    EXPECT_FALSE(Exists(DocumentPath()));
    Form1->Timer1->OnTimer(Form1->Timer1);
    EXPECT_NE(Words(FileBytes(DocumentPath())).find("do not lose me"), std::string::npos);
}

TEST_F(OtherWriterTest, AFileHeldByItsWriterIsNeitherLoadedEmptyNorWrittenOver) {
    StartWith(Note("mine"));
    Type(L"edited ");
    ReplaceFromOutside(DocumentPath(), Note("being written elsewhere"));
    {
        TFileLock writer(DocumentPath());
        ASSERT_TRUE(writer.Held());
        Form1->Enregistrer1->Click(); // leaves the file alone and looks again soon
        EXPECT_EQ(Memo().Text(), L"edited mine");
    }
    EXPECT_NE(Words(FileBytes(DocumentPath())).find("being written elsewhere"), std::string::npos);
    // Free again: the next look merges it (ours added a word, theirs replaced another), nothing lost.
    ASSERT_TRUE(PumpUntil(
        [] { return Words(FileBytes(DocumentPath())).find("edited being written elsewhere") != std::string::npos; },
        std::chrono::milliseconds(5000)));
    EXPECT_TRUE(KeptFiles().empty());
}

TEST_F(OtherWriterTest, ASavePutOffWhileAScannerHoldsTheTouchedFileIsDoneOnceItIsFreeWithoutAnotherKey) {
    StartWith(Note("mine"));
    Form1->Enregistrer1->Click();
    Type(L"edited ");
    // A scanner sets the file's time and holds it, the same bytes inside, just as a save comes.
    ReplaceFromOutside(DocumentPath(), FileBytes(DocumentPath()));
    {
        TFileLock scanner(DocumentPath());
        ASSERT_TRUE(scanner.Held());
        Form1->Enregistrer1->Click();
        EXPECT_EQ(Words(FileBytes(DocumentPath())).find("edited"), std::string::npos);
    }
    // No key, no timer tick: the look that follows writes what the user typed.
    ASSERT_TRUE(
        PumpUntil([] { return Words(FileBytes(DocumentPath())).find("edited mine") != std::string::npos; },
                  std::chrono::milliseconds(5000)));
    EXPECT_TRUE(KeptFiles().empty());
    EXPECT_TRUE(reported.empty());
}

TEST_F(OtherWriterTest, LeavingWhileAnotherWriterHoldsTheChangedFileKeepsOursBesideItAndSaysWhere) {
    StartWith(Note("mine"));
    Type(L"edited ");
    ReplaceFromOutside(DocumentPath(), Note("theirs, being written"));
    TFileLock writer(DocumentPath());
    ASSERT_TRUE(writer.Held());
    app.DestroyForms();
    writer.Release();
    EXPECT_NE(Words(FileBytes(DocumentPath())).find("theirs, being written"), std::string::npos);
    ASSERT_EQ(KeptFiles().size(), 1u);
    EXPECT_NE(Words(FileBytes(KeptFiles()[0])).find("edited mine"), std::string::npos);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find(KeptFiles()[0]), std::wstring::npos) << reported[0];
}

TEST_F(OtherWriterTest, ThreeRunsThatChangeTheNoteKeepTheNoteAsItWasBeforeThemAsAVersionAndAnIdleRunAddsNone) {
    const std::wstring path = DocumentPath();
    WriteBytes(path, Note("version zero"));
    for (const wchar_t* text : {L"version one ", L"version two ", L"version three "}) {
        Start();
        Type(text);
        app.DestroyForms(); // the exit save
    }
    EXPECT_NE(Words(FileBytes(path)).find("version three version two version one version zero"),
              std::string::npos);
    // Within ten minutes of each other the three saves make one version: the note before them.
    std::vector<TNoteVersion> versions = ListVersions(FileCalls(), path);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(FileBytes(versions[0].Path), Note("version zero"));
    EXPECT_FALSE(Exists(path + L".1"));

    Start();
    Form1->Enregistrer1->Click();
    app.DestroyForms();
    versions = ListVersions(FileCalls(), path);
    ASSERT_EQ(versions.size(), 1u);
    EXPECT_EQ(FileBytes(versions[0].Path), Note("version zero"));
}

} // namespace

namespace {

class UnwritableNoteTest : public OtherWriterTest {
protected:
    void TearDown() override {
        SetFileAttributesW(DocumentPath().c_str(), FILE_ATTRIBUTE_NORMAL);
        OtherWriterTest::TearDown();
    }
};

TEST_F(UnwritableNoteTest, AReadOnlyNoteIsKeptAsItIsTheTextGoesToTheRescueCopyAndTheNextStartOffersIt) {
    StartWith(Note("stored"));
    ASSERT_TRUE(SetFileAttributesW(DocumentPath().c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string stored = FileBytes(DocumentPath());
    Type(L"typed ");
    Form1->Enregistrer1->Click();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find(RescuePath()), std::wstring::npos) << reported[0];
    EXPECT_NE(Words(FileBytes(RescuePath())).find("typed stored"), std::string::npos);

    // Every later failure keeps the rescue copy up to date without a word.
    Type(L"more ");
    Form1->Timer1->OnTimer(Form1->Timer1);
    Form1->Enregistrer1->Click();
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_NE(Words(FileBytes(RescuePath())).find("typed more stored"), std::string::npos);
    EXPECT_EQ(FileBytes(DocumentPath()), stored);
    EXPECT_TRUE(GetFileAttributesW(DocumentPath().c_str()) & FILE_ATTRIBUTE_READONLY);

    // On the way out the user is told where the note is.
    Type(L"last ");
    app.DestroyForms();
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_NE(reported[1].find(L"Quillpad se termine"), std::wstring::npos) << reported[1];
    EXPECT_NE(reported[1].find(RescuePath()), std::wstring::npos) << reported[1];
    EXPECT_NE(Words(FileBytes(RescuePath())).find("typed more last stored"), std::string::npos);
    EXPECT_EQ(FileBytes(DocumentPath()), stored);

    // Writable again: the next start offers the newer rescue copy.
    SetFileAttributesW(DocumentPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    auto savedAsk = AskYesNo;
    std::wstring asked;
    AskYesNo = [&](HWND, const std::wstring& text, const std::wstring&) {
        asked = text;
        return true;
    };
    Start();
    AskYesNo = savedAsk;
    EXPECT_NE(asked.find(RescuePath()), std::wstring::npos) << asked;
    EXPECT_EQ(Memo().Text(), L"typed more last stored");
    Form1->Enregistrer1->Click();
    EXPECT_NE(Words(FileBytes(DocumentPath())).find("typed more last stored"), std::string::npos);
}

TEST_F(UnwritableNoteTest, AFolderThatRefusesEveryWriteIsReportedOnceUntilASaveWorksAgain) {
    StartWith(Note("stored"));
    const std::wstring folder = DocumentPath().substr(0, DocumentPath().find_last_of(L'\\') + 1);
    {
        TInjectedFileCalls injected;
        injected.Calls.Open = [&, real = injected.Real](const wchar_t* path, DWORD access, DWORD share,
                                                        DWORD disposition) {
            if ((access & GENERIC_WRITE) && std::wstring(path).rfind(folder, 0) == 0) {
                SetLastError(ERROR_ACCESS_DENIED);
                return INVALID_HANDLE_VALUE;
            }
            return real.Open(path, access, share, disposition);
        };
        for (int tick = 0; tick < 5; ++tick) {
            Type(L"x");
            Form1->Timer1->OnTimer(Form1->Timer1);
        }
        EXPECT_EQ(reported.size(), 1u);
        EXPECT_NE(Words(FileBytes(RescuePath())).find("xxxxxstored"), std::string::npos);
    }
    Form1->Enregistrer1->Click();
    EXPECT_NE(Words(FileBytes(DocumentPath())).find("xxxxxstored"), std::string::npos);
    // Failing again after a save that worked is news again.
    {
        TInjectedFileCalls injected;
        injected.Calls.Replace = [](const wchar_t*, const wchar_t*, const wchar_t*) {
            return Fails(ERROR_DISK_FULL);
        };
        injected.Calls.Move = [](const wchar_t*, const wchar_t*, DWORD) { return Fails(ERROR_DISK_FULL); };
        Type(L"y");
        Form1->Enregistrer1->Click();
        Type(L"y");
        Form1->Enregistrer1->Click();
    }
    EXPECT_EQ(reported.size(), 2u);
}

} // namespace
