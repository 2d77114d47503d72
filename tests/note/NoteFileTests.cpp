#include "support/FileTestHelpers.h"

#include "framework/SystemError.h"
#include "note/NoteFiles.h"
#include "note/NoteVersions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace {

class NoteFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 (L"quillpad-notefile-" + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        path = (folder / L"note.RTF").wstring();
    }
    void TearDown() override {
        ResetFileCalls();
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path folder;
    std::wstring path;
};

// A note of more than one read chunk, so a failure can come in the middle of it.
std::string LargeNote() {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 ";
    for (int line = 0; rtf.size() < (3u << 19); ++line)
        rtf += "{\\b line} " + std::to_string(line) + " of the note\\par\n";
    return rtf + "}";
}

TEST_F(NoteFileTest, EveryFailureToReadIsAnErrorWithItsCodeAndNeverAShorterNote) {
    const std::string stored = LargeNote();
    WriteBytes(path, stored);
    struct TCase {
        const char* What;
        std::function<void(TInjectedFileCalls&)> Inject;
        DWORD Reported;
    } cases[] = {
        {"the size cannot be read",
         [](TInjectedFileCalls& f) {
             f.Calls.GetSize = [](HANDLE, LARGE_INTEGER*) { return Fails(ERROR_NETNAME_DELETED); };
         },
         ERROR_NETNAME_DELETED},
        {"the size query fails without a code",
         [](TInjectedFileCalls& f) {
             f.Calls.GetSize = [](HANDLE, LARGE_INTEGER*) { return Fails(ERROR_SUCCESS); };
         },
         ERROR_READ_FAULT},
        {"the file shrank after its size was taken",
         [](TInjectedFileCalls& f) {
             f.Calls.GetSize = [real = f.Real](HANDLE file, LARGE_INTEGER* size) {
                 const BOOL ok = real.GetSize(file, size);
                 size->QuadPart += 100;
                 return ok;
             };
         },
         ERROR_HANDLE_EOF},
        {"an I/O error half-way",
         [](TInjectedFileCalls& f) {
             f.Calls.Read = [real = f.Real, calls = 0](HANDLE file, void* buffer, DWORD size,
                                                       DWORD* read) mutable {
                 return ++calls == 1 ? real.Read(file, buffer, size, read) : Fails(ERROR_IO_DEVICE);
             };
         },
         ERROR_IO_DEVICE},
        {"a read that fails without a code",
         [](TInjectedFileCalls& f) {
             f.Calls.Read = [](HANDLE, void*, DWORD, DWORD* read) {
                 *read = 0;
                 return Fails(ERROR_SUCCESS);
             };
         },
         ERROR_READ_FAULT},
        {"the file cannot be opened",
         [](TInjectedFileCalls& f) {
             f.Calls.Open = [](const wchar_t*, DWORD, DWORD, DWORD) {
                 Fails(ERROR_ACCESS_DENIED);
                 return INVALID_HANDLE_VALUE;
             };
         },
         ERROR_ACCESS_DENIED},
        {"the open fails without a code",
         [](TInjectedFileCalls& f) {
             f.Calls.Open = [](const wchar_t*, DWORD, DWORD, DWORD) {
                 Fails(ERROR_SUCCESS);
                 return INVALID_HANDLE_VALUE;
             };
         },
         ERROR_OPEN_FAILED},
    };
    std::string read;
    for (const TCase& c : cases) {
        TInjectedFileCalls injected;
        c.Inject(injected);
        EXPECT_EQ(ReadWhole(FileCalls(), path, read), c.Reported) << c.What;
        EXPECT_NE(SystemErrorText(c.Reported), SystemErrorText(ERROR_SUCCESS)) << c.What;
    }
    EXPECT_TRUE(FileBytes(path) == stored);
    EXPECT_EQ(ReadWhole(FileCalls(), path, read), 0u);
    EXPECT_TRUE(read == stored);
}

TEST_F(NoteFileTest, OnlyNoSuchFileOrFolderMeansThereIsNoNoteAndAHeldOneIsNeverWaitedFor) {
    TFileStamp stamp;
    EXPECT_EQ(StampOf(FileCalls(), path, stamp), 0u);
    EXPECT_FALSE(stamp.Exists);
    EXPECT_EQ(StampOf(FileCalls(), (folder / L"missing" / L"note.RTF").wstring(), stamp), 0u);
    WriteBytes(path, "{\\rtf1 x}");
    EXPECT_EQ(StampOf(FileCalls(), path, stamp), 0u);
    EXPECT_TRUE(stamp.Exists);
    EXPECT_EQ(stamp.Size, 9u);
    for (DWORD error : {DWORD(ERROR_ACCESS_DENIED), DWORD(ERROR_BAD_NETPATH), DWORD(ERROR_NOT_READY)}) {
        TInjectedFileCalls injected;
        injected.Calls.GetInfo = [error](const wchar_t*, WIN32_FILE_ATTRIBUTE_DATA*) { return Fails(error); };
        // The note may well be there: not a missing note, an error.
        EXPECT_EQ(StampOf(FileCalls(), path, stamp), error);
    }
    // The user may be typing: a note held by another program is an error at once, looked at later.
    TFileLock lock(path);
    ASSERT_TRUE(lock.Held());
    std::string read;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadWhole(FileCalls(), path, read), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(IsHeld(ERROR_SHARING_VIOLATION));
}

TEST_F(NoteFileTest, AWriteThatFailsOrTakesNothingNeverReplacesTheStoredFile) {
    const std::string stored = "{\\rtf1 the complete note\\par}";
    const std::string next = LargeNote();
    WriteBytes(path, stored);
    using TInject = std::function<void(TInjectedFileCalls&)>;
    struct TCase {
        const char* What;
        TInject Inject;
    } cases[] = {
        {"a write that succeeds and takes nothing",
         [](TInjectedFileCalls& f) {
             f.Calls.Write = [](HANDLE, const void*, DWORD, DWORD* written) {
                 *written = 0;
                 return TRUE;
             };
         }},
        {"a write that fails without a code",
         [](TInjectedFileCalls& f) {
             f.Calls.Write = [](HANDLE, const void*, DWORD, DWORD* written) {
                 *written = 0;
                 return Fails(ERROR_SUCCESS);
             };
         }},
        {"a write that fails without a code half-way",
         [](TInjectedFileCalls& f) {
             f.Calls.Write = [real = f.Real, calls = 0](HANDLE file, const void* data, DWORD size,
                                                        DWORD* written) mutable {
                 return ++calls == 1 ? real.Write(file, data, size / 2, written) : Fails(ERROR_SUCCESS);
             };
         }},
        {"a write that says it took everything and wrote half",
         [](TInjectedFileCalls& f) {
             f.Calls.Write = [real = f.Real](HANDLE file, const void* data, DWORD size, DWORD* written) {
                 const BOOL ok = real.Write(file, data, size / 2, written);
                 *written = size;
                 return ok;
             };
         }},
        {"a flush that fails without a code",
         [](TInjectedFileCalls& f) { f.Calls.Flush = [](HANDLE) { return Fails(ERROR_SUCCESS); }; }},
        {"a replacement and a rename that fail without a code",
         [](TInjectedFileCalls& f) {
             f.Calls.Replace = [](const wchar_t*, const wchar_t*, const wchar_t*) {
                 return Fails(ERROR_SUCCESS);
             };
             f.Calls.Move = [](const wchar_t*, const wchar_t*, DWORD) { return Fails(ERROR_SUCCESS); };
         }},
        {"a temporary file that cannot be created, without a code",
         [](TInjectedFileCalls& f) {
             f.Calls.Open = [](const wchar_t*, DWORD, DWORD, DWORD) {
                 Fails(ERROR_SUCCESS);
                 return INVALID_HANDLE_VALUE;
             };
         }},
    };
    for (const TCase& c : cases) {
        TInjectedFileCalls injected;
        c.Inject(injected);
        const TReplaced replaced = ReplaceNote(FileCalls(), path, next);
        EXPECT_EQ(replaced.Outcome, TReplaced::rdFailed) << c.What;
        EXPECT_NE(replaced.Error, 0u) << c.What;
        EXPECT_TRUE(FileBytes(path) == stored) << c.What;
        EXPECT_FALSE(Exists(NoteTemporaryPath(path))) << c.What;
        EXPECT_FALSE(Exists(NoteBackupPath(path))) << c.What;
    }
    EXPECT_EQ(ReplaceNote(FileCalls(), path, next).Outcome, TReplaced::rdWritten);
    EXPECT_TRUE(FileBytes(path) == next);
}

TEST_F(NoteFileTest, TheNoteIsReplacedInOneStepAndRenamedOverOnlyWhereTheReplacementIsRefused) {
    WriteBytes(path, "stored");
    int replaced = 0, moved = 0;
    {
        TInjectedFileCalls injected;
        injected.Calls.Replace = [&, real = injected.Real](const wchar_t* to, const wchar_t* from,
                                                           const wchar_t* backup) {
            ++replaced;
            return real.Replace(to, from, backup);
        };
        injected.Calls.Move = [&, real = injected.Real](const wchar_t* from, const wchar_t* to, DWORD flags) {
            ++moved;
            return real.Move(from, to, flags);
        };
        EXPECT_EQ(ReplaceNote(FileCalls(), path, "second").Outcome, TReplaced::rdWritten);
        EXPECT_EQ(replaced, 1);
        EXPECT_EQ(moved, 0);
        EXPECT_EQ(FileBytes(path), "second");
        EXPECT_FALSE(Exists(NoteBackupPath(path))); // the note as it was, for the moment of the replacement
        // On Windows the replaced file also keeps its attributes and permissions; Wine's
        // replacement is a rename underneath and keeps neither, so that is not checked here.

        // A file system that refuses the replacement: the rename does the job.
        injected.Calls.Replace = [&](const wchar_t*, const wchar_t*, const wchar_t*) {
            ++replaced;
            return Fails(ERROR_INVALID_FUNCTION);
        };
        EXPECT_EQ(ReplaceNote(FileCalls(), path, "third").Outcome, TReplaced::rdWritten);
        EXPECT_EQ(moved, 1);
        EXPECT_EQ(FileBytes(path), "third");
    }
    // No file yet: nothing to replace, the temporary file is renamed into place.
    DeleteFileW(path.c_str());
    EXPECT_EQ(ReplaceNote(FileCalls(), path, "first").Outcome, TReplaced::rdWritten);
    EXPECT_EQ(FileBytes(path), "first");
    EXPECT_FALSE(Exists(NoteTemporaryPath(path)));

    // Another program holds the note: nothing is tried, nothing is left behind.
    TFileLock lock(path, FILE_SHARE_READ);
    ASSERT_TRUE(lock.Held());
    const TReplaced held = ReplaceNote(FileCalls(), path, "while held");
    EXPECT_EQ(held.Outcome, TReplaced::rdHeld);
    lock.Release();
    EXPECT_EQ(FileBytes(path), "first");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
}

TEST_F(NoteFileTest, AReplacementThatFailsHalfWayNeverLeavesTheFolderWithoutTheNote) {
    // The platform's replacement moved the note to the backup name and could not put the new
    // file in its place (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2): a virus scanner holding the new file.
    const auto halfWay = [](TInjectedFileCalls& f) {
        f.Calls.Replace = [real = f.Real](const wchar_t* replaced, const wchar_t*, const wchar_t* backup) {
            real.Move(replaced, backup, 0);
            return Fails(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
        };
    };
    const auto movesOf = [](TInjectedFileCalls& f, const std::wstring& from) {
        f.Calls.Move = [real = f.Real, from](const wchar_t* source, const wchar_t* to, DWORD flags) {
            return std::wstring(source) == from ? Fails(ERROR_SHARING_VIOLATION)
                                                : real.Move(source, to, flags);
        };
    };
    WriteBytes(path, "old");
    {
        TInjectedFileCalls injected;
        halfWay(injected);
        EXPECT_EQ(ReplaceNote(FileCalls(), path, "new").Outcome, TReplaced::rdWritten)
            << "the rename finishes it";
    }
    EXPECT_EQ(FileBytes(path), "new");
    {
        TInjectedFileCalls injected;
        halfWay(injected);
        movesOf(injected, NoteTemporaryPath(path));
        const TReplaced replaced = ReplaceNote(FileCalls(), path, "newer");
        EXPECT_EQ(replaced.Outcome, TReplaced::rdFailed) << "the new file stays held";
        EXPECT_EQ(replaced.Error, DWORD(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2));
    }
    EXPECT_EQ(FileBytes(path), "new") << "the note as it was is put back";
    {
        TInjectedFileCalls injected;
        halfWay(injected);
        injected.Calls.Move = [](const wchar_t*, const wchar_t*, DWORD) {
            return Fails(ERROR_ACCESS_DENIED);
        };
        EXPECT_EQ(ReplaceNote(FileCalls(), path, "newest").Outcome, TReplaced::rdWritten);
    }
    EXPECT_EQ(FileBytes(path), "newest") << "neither name moves: written in place";
    EXPECT_FALSE(Exists(NoteTemporaryPath(path)));
    EXPECT_FALSE(Exists(NoteBackupPath(path)));
}

TEST_F(NoteFileTest, ASaveCutShortIsClearedUpAndANoteMissingBesideItsReplacementIsPutBack) {
    const std::wstring temporary = NoteTemporaryPath(path);
    const std::wstring backup = NoteBackupPath(path);
    // The note in place: whatever was left goes.
    WriteBytes(path, "note");
    WriteBytes(temporary, "left by a killed save");
    WriteBytes(path + L".tmp", "left by an older version");
    WriteBytes(backup, "left by a replacement");
    EXPECT_FALSE(ClearUpAfterCutSave(FileCalls(), path));
    EXPECT_EQ(FileBytes(path), "note");
    EXPECT_FALSE(Exists(temporary));
    EXPECT_FALSE(Exists(path + L".tmp"));
    EXPECT_FALSE(Exists(backup));

    // Cut between the replacement's two renames: the new note was whole.
    DeleteFileW(path.c_str());
    WriteBytes(backup, "before");
    WriteBytes(temporary, "after");
    EXPECT_TRUE(ClearUpAfterCutSave(FileCalls(), path));
    EXPECT_EQ(FileBytes(path), "after");
    EXPECT_FALSE(Exists(backup));

    // Only the backup: it is the note.
    DeleteFileW(path.c_str());
    WriteBytes(backup, "before");
    EXPECT_FALSE(ClearUpAfterCutSave(FileCalls(), path));
    EXPECT_EQ(FileBytes(path), "before");

    // The first save of a new note cut short: what it wrote is all there is of the note.
    DeleteFileW(path.c_str());
    WriteBytes(temporary, "{\\rtf1 the first words");
    EXPECT_TRUE(ClearUpAfterCutSave(FileCalls(), path));
    EXPECT_EQ(FileBytes(path), "{\\rtf1 the first words");
    EXPECT_FALSE(Exists(temporary));
}

TEST_F(NoteFileTest, AVersionIsKeptOnlyWhenItsCopyReadsBackWholeAndAFailedOneLeavesNothing) {
    // 2026-03-02 08:00:00 UTC, then one and two minutes later.
    constexpr ULONGLONG kTime = 134'169'120'000'000'000ull;
    std::vector<std::wstring> made;
    for (const char* version : {"v0", "v1", "v2"}) {
        std::wstring at;
        ASSERT_EQ(
            MakeVersion(FileCalls(), path, version, kTime + made.size() * kFileTimeMinute, L"BUREAU", at),
            0u);
        made.push_back(at);
    }
    EXPECT_EQ(made[0], (folder / L"note.versions" / L"note 2026-03-02 08-00-00 BUREAU.RTF").wstring());
    EXPECT_EQ(FileBytes(made[0]), "v0");
    EXPECT_EQ(FileBytes(made[2]), "v2");
    struct TCase {
        const char* What;
        std::function<void(TInjectedFileCalls&)> Inject;
    } cases[] = {
        {"a full disk cuts the copy",
         [](TInjectedFileCalls& f) {
             f.Calls.Write = [real = f.Real](HANDLE file, const void* data, DWORD size, DWORD* written) {
                 real.Write(file, data, std::min<DWORD>(size, 2), written);
                 return Fails(ERROR_DISK_FULL);
             };
         }},
        {"a copy that reads back other than written",
         [](TInjectedFileCalls& f) {
             f.Calls.Read = [real = f.Real](HANDLE file, void* buffer, DWORD size, DWORD* read) {
                 const BOOL ok = real.Read(file, buffer, size, read);
                 if (ok && *read > 0) static_cast<char*>(buffer)[0] ^= 1;
                 return ok;
             };
         }},
    };
    for (const TCase& c : cases) {
        TInjectedFileCalls injected;
        c.Inject(injected);
        std::wstring at;
        EXPECT_NE(MakeVersion(FileCalls(), path, "a version that never makes it", kTime + kFileTimeHour,
                              L"BUREAU", at),
                  0u)
            << c.What;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / L"note.versions"),
                            std::filesystem::directory_iterator()),
              3);
    EXPECT_EQ(FileBytes(made[0]), "v0");
}

// What `loads` processes that each died inside the reader leave behind.
void InterruptedLoads(const std::wstring& path, int loads) {
    for (int n = 1; n <= loads; ++n)
        MarkLoad(FileCalls(), path, LoadsNeverReturned(FileCalls(), path) + 1);
}

TEST_F(NoteFileTest, TheMarkCountsTheLoadsOfOneFileThatNeverReturned) {
    WriteBytes(path, "{\\rtf1 a note that kills the reader}");
    EXPECT_EQ(LoadsNeverReturned(FileCalls(), path), 0);
    InterruptedLoads(path, 1);
    EXPECT_EQ(LoadsNeverReturned(FileCalls(), path), 1);
    UnmarkLoad(FileCalls(), path); // a load that returns
    EXPECT_EQ(LoadsNeverReturned(FileCalls(), path), 0);
    EXPECT_FALSE(Exists(LoadMarkerPath(path)));

    InterruptedLoads(path, 2);
    EXPECT_EQ(LoadsNeverReturned(FileCalls(), path), 2);
    const std::string twice = FileBytes(LoadMarkerPath(path));
    // A mark from before the count was kept stands for one load.
    WriteBytes(LoadMarkerPath(path), twice.substr(0, twice.find('\n')));
    EXPECT_EQ(LoadsNeverReturned(FileCalls(), path), 1);

    // The user put another file in its place: that one is read as any other.
    WriteBytes(LoadMarkerPath(path), twice);
    WriteBytes(path, "{\\rtf1 another note, written later}");
    EXPECT_EQ(LoadsNeverReturned(FileCalls(), path), 0);
    EXPECT_FALSE(Exists(LoadMarkerPath(path)));
}

} // namespace
