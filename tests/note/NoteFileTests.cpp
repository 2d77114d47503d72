#include "support/FileTestHelpers.h"

#include "note/NoteFile.h"
#include "framework/Error.h"
#include "framework/SafeFile.h"
#include "framework/SystemError.h"

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
    std::wstring CannotOpen(DWORD error) const {
        return L"Cannot open file \"" + path + L"\". " + SystemErrorText(error);
    }
    // The message of what `f` raised, or "<nothing>".
    static std::wstring Raised(const std::function<void()>& f) {
        try {
            f();
        } catch (const TError& e) {
            return e.Message();
        }
        return L"<nothing>";
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

TEST_F(NoteFileTest, EveryFailureToReadIsALoadFailureWithTheSystemTextAndNeverAShorterNote) {
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
    for (const TCase& c : cases) {
        TInjectedFileCalls injected;
        c.Inject(injected);
        EXPECT_EQ(Raised([&] { ReadDocumentFile(path); }), CannotOpen(c.Reported)) << c.What;
        EXPECT_NE(SystemErrorText(c.Reported), SystemErrorText(ERROR_SUCCESS)) << c.What;
    }
    EXPECT_TRUE(FileBytes(path) == stored);
    EXPECT_TRUE(ReadDocumentFile(path) == stored);
}

TEST_F(NoteFileTest, OnlyNoSuchFileOrFolderMeansThereIsNoDocument) {
    EXPECT_FALSE(DocumentExists(path));
    EXPECT_FALSE(DocumentExists((folder / L"missing" / L"note.RTF").wstring()));
    WriteBytes(path, "{\\rtf1 x}");
    EXPECT_TRUE(DocumentExists(path));
    for (DWORD error : {DWORD(ERROR_ACCESS_DENIED), DWORD(ERROR_BAD_NETPATH), DWORD(ERROR_NOT_READY)}) {
        TInjectedFileCalls injected;
        injected.Calls.GetAttributes = [error](const wchar_t*) {
            SetLastError(error);
            return INVALID_FILE_ATTRIBUTES;
        };
        EXPECT_EQ(Raised([&] { DocumentExists(path); }), CannotOpen(error)) << error;
    }
    TInjectedFileCalls injected;
    injected.Calls.GetAttributes = [](const wchar_t*) {
        SetLastError(ERROR_SUCCESS);
        return INVALID_FILE_ATTRIBUTES;
    };
    EXPECT_EQ(Raised([&] { DocumentExists(path); }), CannotOpen(ERROR_OPEN_FAILED));
}

TEST_F(NoteFileTest, AFileHeldByAnotherProgramIsWaitedForAboutTwoSeconds) {
    WriteBytes(path, "{\\rtf1 held for a moment}");
    TFileLock lock(path);
    ASSERT_TRUE(lock.Held());
    {
        // The other program lets go while the note is still trying.
        TInjectedFileCalls injected;
        int attempts = 0;
        injected.Calls.Open = [&, real = injected.Real](const wchar_t* p, DWORD access, DWORD share,
                                                        DWORD how) {
            if (++attempts == 3) lock.Release();
            return real.Open(p, access, share, how);
        };
        EXPECT_EQ(ReadDocumentFile(path), "{\\rtf1 held for a moment}");
        EXPECT_EQ(attempts, 3);
    }
    TFileLock longLock(path);
    ASSERT_TRUE(longLock.Held());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Raised([&] { ReadDocumentFile(path); }), CannotOpen(ERROR_SHARING_VIOLATION));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
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
             f.Calls.Replace = [](const wchar_t*, const wchar_t*) { return Fails(ERROR_SUCCESS); };
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
    const std::wstring prefix = L"Cannot create file \"" + path + L"\". ";
    for (const TCase& c : cases) {
        TInjectedFileCalls injected;
        c.Inject(injected);
        const std::wstring message = Raised([&] { ReplaceFileSafely(path, next); });
        EXPECT_EQ(message.rfind(prefix, 0), 0u) << c.What << ": " << message;
        const std::wstring reason = message.substr(std::min(prefix.size(), message.size()));
        EXPECT_NE(reason, SystemErrorText(ERROR_SUCCESS)) << c.What;
        EXPECT_FALSE(reason.empty()) << c.What;
        EXPECT_TRUE(FileBytes(path) == stored) << c.What;
        EXPECT_FALSE(Exists(TemporaryPathFor(path))) << c.What;
    }
    ReplaceFileSafely(path, next);
    EXPECT_TRUE(FileBytes(path) == next);
}

TEST_F(NoteFileTest, TheNoteIsReplacedInOneStepAndRenamedOverOnlyWhereTheReplacementIsRefused) {
    WriteBytes(path, "stored");
    int replaced = 0, moved = 0;
    {
        TInjectedFileCalls injected;
        injected.Calls.Replace = [&, real = injected.Real](const wchar_t* to, const wchar_t* from) {
            ++replaced;
            return real.Replace(to, from);
        };
        injected.Calls.Move = [&, real = injected.Real](const wchar_t* from, const wchar_t* to, DWORD flags) {
            ++moved;
            return real.Move(from, to, flags);
        };
        ReplaceFileSafely(path, "second");
        EXPECT_EQ(replaced, 1);
        EXPECT_EQ(moved, 0);
        EXPECT_EQ(FileBytes(path), "second");
        // On Windows the replaced file also keeps its attributes and permissions; Wine's
        // replacement is a rename underneath and keeps neither, so that is not checked here.

        // A file system that refuses the replacement: the rename does the job.
        injected.Calls.Replace = [&](const wchar_t*, const wchar_t*) {
            ++replaced;
            return Fails(ERROR_INVALID_FUNCTION);
        };
        ReplaceFileSafely(path, "third");
        EXPECT_EQ(moved, 1);
        EXPECT_EQ(FileBytes(path), "third");
    }
    // No file yet: nothing to replace, the temporary file is renamed into place.
    DeleteFileW(path.c_str());
    ReplaceFileSafely(path, "first");
    EXPECT_EQ(FileBytes(path), "first");
    EXPECT_FALSE(Exists(TemporaryPathFor(path)));
}

TEST_F(NoteFileTest, TheTemporaryFileHasTheNameSyncClientsLeaveAloneAndALeftOneIsRemoved) {
    const std::wstring temporary = TemporaryPathFor(path);
    const std::wstring name = temporary.substr(temporary.find_last_of(L'\\') + 1);
    EXPECT_EQ(name.front(), L'~');
    EXPECT_EQ(name.substr(name.size() - 4), L".tmp");
    EXPECT_EQ(temporary.substr(0, temporary.size() - name.size()),
              path.substr(0, path.find_last_of(L'\\') + 1));
    WriteBytes(temporary, "left by a killed save");
    WriteBytes(path + L".tmp", "left by an older version");
    RemoveLeftTemporaries(path);
    EXPECT_FALSE(Exists(temporary));
    EXPECT_FALSE(Exists(path + L".tmp"));
}

TEST_F(NoteFileTest, AnUnloadedDocumentIsSetAsideUnderAFreeNameWithItsLoadMark) {
    WriteBytes(path, "first unreadable");
    EXPECT_EQ(SetAside(path), path + L".unreadable");
    WriteBytes(path, "second unreadable");
    WriteBytes(LoadMarkerPath(path), "a mark");
    EXPECT_EQ(SetAside(path), path + L".unreadable2");
    EXPECT_EQ(FileBytes(path + L".unreadable"), "first unreadable");
    EXPECT_EQ(FileBytes(path + L".unreadable2"), "second unreadable");
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Exists(LoadMarkerPath(path)));
    EXPECT_EQ(SetAside(path), L""); // nothing left to set aside
}

// What `loads` processes that each died inside the reader leave behind.
std::string MarkOfInterruptedLoads(const std::wstring& path, int loads) {
    std::string mark;
    for (int n = 0; n < loads; ++n) {
        {
            TLoadInProgress loading(path);
            mark = FileBytes(LoadMarkerPath(path));
        }
        WriteBytes(LoadMarkerPath(path), mark);
    }
    return mark;
}

TEST_F(NoteFileTest, AFileIsRefusedOnlyAfterTwoLoadsInARowNeverReturnedAndForThatFileOnly) {
    WriteBytes(path, "{\\rtf1 a note that kills the reader}");
    {
        TLoadInProgress loading(path);
        EXPECT_FALSE(FileBytes(LoadMarkerPath(path)).empty());
    }
    EXPECT_FALSE(Exists(LoadMarkerPath(path))); // the load returned
    EXPECT_FALSE(LoadNeverReturned(path));

    // One kill or power cut in the reader: the file is tried again.
    MarkOfInterruptedLoads(path, 1);
    EXPECT_EQ(LoadsNeverReturned(path), 1);
    EXPECT_FALSE(LoadNeverReturned(path));
    // A load that returns clears the count.
    { TLoadInProgress loading(path); }
    EXPECT_EQ(LoadsNeverReturned(path), 0);

    const std::string twice = MarkOfInterruptedLoads(path, 2);
    EXPECT_EQ(LoadsNeverReturned(path), 2);
    EXPECT_TRUE(LoadNeverReturned(path));
    EXPECT_TRUE(LoadNeverReturned(path)); // at every start, until the file is set aside or replaced

    // A mark from before the count was kept stands for one load.
    WriteBytes(LoadMarkerPath(path), twice.substr(0, twice.find('\n')));
    EXPECT_EQ(LoadsNeverReturned(path), 1);

    // The user put another file in its place: that one is read as any other.
    WriteBytes(LoadMarkerPath(path), twice);
    WriteBytes(path, "{\\rtf1 another note, written later}");
    EXPECT_FALSE(LoadNeverReturned(path));
    EXPECT_FALSE(Exists(LoadMarkerPath(path)));
}

} // namespace
