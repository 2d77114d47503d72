#include "note/sim/SimDisk.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The simulated disk stands in for Windows in the keeper's simulation: it must answer as
// Windows does, codes and leftovers included.
class SimDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        disk.AddFolder(L"D:\\Notes");
        disk.AddFolder(L"C:\\Users\\Sim");
    }

    HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
        return calls.Open(path.c_str(), access, share, disposition);
    }
    // The error of a call that must fail, or 0 when it did not.
    DWORD OpenError(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
        const HANDLE file = Open(path, access, share, disposition);
        if (file == INVALID_HANDLE_VALUE) return GetLastError();
        calls.Close(file);
        return 0;
    }
    void Put(const std::wstring& path, const std::string& bytes) {
        const HANDLE file = Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ASSERT_TRUE(calls.Write(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written));
        calls.Close(file);
    }
    std::string Held(const std::wstring& path) { return disk.Bytes(path).value_or("<none>"); }
    ULONGLONG Stamp(const std::wstring& path) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        calls.GetInfo(path.c_str(), &data);
        return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
               data.ftLastWriteTime.dwLowDateTime;
    }
    std::vector<std::wstring> Strays() { return calls.List(L"D:\\Notes\\", L"rf????.tmp"); }

    TSimClock clock;
    TSimDisk disk{clock};
    TFileCalls calls = disk.Calls();
    const std::wstring note = L"D:\\Notes\\quillpad.RTF";
    const std::wstring temporary = L"D:\\Notes\\~quillpad.RTF.tmp";
    const std::wstring backup = L"D:\\Notes\\quillpad.RTF.1";
};

TEST_F(SimDiskTest, OpeningFollowsTheShareModesOfEveryOpenHandle) {
    Put(note, "note");
    const HANDLE reader = Open(note, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    // The new access must be within the reader's share, and the reader's access within the new share.
    EXPECT_EQ(OpenError(note, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              ERROR_SHARING_VIOLATION);
    EXPECT_EQ(OpenError(note, GENERIC_READ, 0, OPEN_EXISTING), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(OpenError(note, DELETE, FILE_SHARE_READ, OPEN_EXISTING), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(OpenError(note, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING), 0u);
    // Opening for attributes alone takes no part in sharing.
    EXPECT_EQ(OpenError(note, FILE_READ_ATTRIBUTES, 0, OPEN_EXISTING), 0u);
    // Without FILE_SHARE_DELETE the file can be neither renamed nor deleted.
    EXPECT_FALSE(calls.Move(note.c_str(), backup.c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(calls.Delete(note.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(disk.ProgramHandles(), 1);
    calls.Close(reader);
    EXPECT_EQ(disk.ProgramHandles(), 0);
    EXPECT_FALSE(calls.Close(reader));
    EXPECT_EQ(disk.BadHandleUses(), 1);
}

TEST_F(SimDiskTest, AFileSharedForDeletionMovesUnderItsHandleAndGoesWhenItsLastHandleCloses) {
    Put(note, "note");
    const HANDLE file = Open(note, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    ASSERT_TRUE(calls.Move(note.c_str(), backup.c_str(), 0));
    char buffer[8];
    DWORD read = 0;
    ASSERT_TRUE(calls.Read(file, buffer, sizeof buffer, &read));
    EXPECT_EQ(std::string(buffer, read), "note");
    // Deleted while open: the name stays, refusing everyone, until the handle closes.
    ASSERT_TRUE(calls.Delete(backup.c_str()));
    EXPECT_EQ(OpenError(backup, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(disk.Exists(backup));
    calls.Close(file);
    EXPECT_FALSE(disk.Exists(backup));
}

TEST_F(SimDiskTest, DispositionsAndTheirCodes) {
    EXPECT_EQ(OpenError(note, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(L"D:\\Gone\\quillpad.RTF", GENERIC_READ, 0, OPEN_EXISTING), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(OpenError(L"D:\\Gone\\quillpad.RTF", GENERIC_WRITE, 0, CREATE_ALWAYS), ERROR_PATH_NOT_FOUND);
    Put(note, "note");
    EXPECT_EQ(OpenError(note, GENERIC_WRITE, 0, CREATE_NEW), ERROR_FILE_EXISTS);
    // Paths are case-insensitive.
    EXPECT_EQ(OpenError(L"d:\\notes\\QUILLPAD.rtf", GENERIC_READ, 0, OPEN_EXISTING), 0u);
    const HANDLE again = Open(note, GENERIC_WRITE, 0, OPEN_ALWAYS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    calls.Close(again);
    EXPECT_EQ(Held(note), "note");
    const HANDLE truncated = Open(note, GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    calls.Close(truncated);
    EXPECT_EQ(Held(note), "");

    disk.SetAttributes(note, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(OpenError(note, GENERIC_WRITE, 0, OPEN_EXISTING), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError(note, GENERIC_WRITE, 0, CREATE_ALWAYS), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError(note, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), 0u);
    EXPECT_FALSE(calls.Delete(note.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(SimDiskTest, ReadsEndShortAtTheEndOfTheFileAndNeedTheirAccess) {
    Put(note, "0123456789");
    const HANDLE file = Open(note, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    char buffer[8];
    DWORD read = 0;
    ASSERT_TRUE(calls.Read(file, buffer, 8, &read));
    EXPECT_EQ(read, 8u);
    ASSERT_TRUE(calls.Read(file, buffer, 8, &read));
    EXPECT_EQ(std::string(buffer, read), "89");
    ASSERT_TRUE(calls.Read(file, buffer, 8, &read));
    EXPECT_EQ(read, 0u);
    DWORD written = 1;
    EXPECT_FALSE(calls.Write(file, "x", 1, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(written, 0u);
    calls.Close(file);
}

TEST_F(SimDiskTest, AFullDiskTakesWhatFitsThenRefusesOnlyOnItsOwnVolume) {
    Put(note, "abc");
    disk.SetFreeSpace(L"D:", 4);
    const HANDLE file = Open(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS);
    DWORD written = 0;
    EXPECT_FALSE(calls.Write(file, "0123456789", 10, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(written, 4u);
    calls.Close(file);
    EXPECT_EQ(Held(temporary), "0123");
    Put(L"C:\\Users\\Sim\\rescue.RTF", "0123456789");
    EXPECT_EQ(Held(L"C:\\Users\\Sim\\rescue.RTF"), "0123456789");
    disk.SetDiskFull(L"D:", false);
    Put(temporary, "0123456789");
    EXPECT_EQ(Held(temporary), "0123456789");
}

TEST_F(SimDiskTest, AReadOnlyFolderRefusesCreatesMovesAndDeletesButNotWritesInPlace) {
    Put(note, "note");
    disk.SetReadOnlyFolder(L"D:\\Notes\\", true);
    EXPECT_EQ(OpenError(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(calls.Move(note.c_str(), backup.c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(calls.Delete(note.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(calls.CreateFolder(L"D:\\Notes\\Old"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    Put(note, "rewritten");
    EXPECT_EQ(Held(note), "rewritten");
    disk.SetReadOnlyFolder(L"D:\\Notes\\", false);
    EXPECT_TRUE(calls.Move(note.c_str(), backup.c_str(), 0));
}

TEST_F(SimDiskTest, MovingOverAFileNeedsTheFlagAndAFreeWritableTarget) {
    Put(note, "new");
    Put(backup, "old");
    EXPECT_FALSE(calls.Move(note.c_str(), backup.c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    const HANDLE open = Open(backup, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    EXPECT_FALSE(calls.Move(note.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    calls.Close(open);
    EXPECT_TRUE(calls.Move(note.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Held(backup), "new");
    EXPECT_FALSE(disk.Exists(note));
    EXPECT_FALSE(calls.Move(note.c_str(), backup.c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(SimDiskTest, ReplaceGivesTheReplacedNameTheNewBytesAndKeepsItsAttributes) {
    Put(note, "old");
    disk.SetAttributes(note, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    Put(temporary, "new");
    ASSERT_TRUE(calls.Replace(note.c_str(), temporary.c_str(), backup.c_str()));
    EXPECT_EQ(Held(note), "new");
    EXPECT_EQ(Held(backup), "old");
    EXPECT_FALSE(disk.Exists(temporary));
    EXPECT_EQ(calls.GetAttributes(note.c_str()),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    // An older backup is replaced; without a backup name the old bytes are simply gone.
    Put(temporary, "newer");
    ASSERT_TRUE(calls.Replace(note.c_str(), temporary.c_str(), backup.c_str()));
    EXPECT_EQ(Held(backup), "new");
    Put(temporary, "newest");
    ASSERT_TRUE(calls.Replace(note.c_str(), temporary.c_str(), nullptr));
    EXPECT_EQ(Held(note), "newest");
    EXPECT_EQ(disk.Files().size(), 2u);
}

TEST_F(SimDiskTest, ReplaceRefusesMissingAndReadOnlyFiles) {
    Put(temporary, "new");
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    Put(note, "old");
    EXPECT_FALSE(calls.Replace(note.c_str(), L"D:\\Notes\\missing.tmp", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    disk.SetAttributes(note, FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), backup.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Held(note), "old");
    EXPECT_EQ(Held(temporary), "new");
}

TEST_F(SimDiskTest, ReplacingAHeldFileChangesNothingButLeavesWinesStrayFile) {
    Put(note, "old");
    Put(temporary, "new");
    const int hold = disk.Hold(note, FILE_SHARE_READ);
    ASSERT_NE(hold, 0);
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), backup.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_REMOVE_REPLACED));
    EXPECT_EQ(Held(note), "old");
    EXPECT_EQ(Held(temporary), "new");
    EXPECT_FALSE(disk.Exists(backup));
    const std::vector<std::wstring> strays = Strays();
    ASSERT_EQ(strays.size(), 1u);
    EXPECT_EQ(Held(L"D:\\Notes\\" + strays[0]), "");
    // As Windows does it.
    disk.SetWineStrays(false);
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), nullptr));
    EXPECT_EQ(Strays().size(), 1u);
    disk.Release(hold);
    EXPECT_TRUE(calls.Replace(note.c_str(), temporary.c_str(), nullptr));
}

TEST_F(SimDiskTest, AReplacementThatCannotBeMovedLeavesTheReplacedFileOnlyWithABackupName) {
    Put(note, "old");
    Put(temporary, "new");
    const HANDLE held = Open(temporary, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), backup.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_MOVE_REPLACEMENT));
    EXPECT_EQ(Held(note), "old");
    EXPECT_EQ(Held(temporary), "new");
    EXPECT_FALSE(disk.Exists(backup));
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_MOVE_REPLACEMENT));
    EXPECT_FALSE(disk.Exists(note));
    EXPECT_EQ(Held(temporary), "new");
    calls.Close(held);

    Put(note, "old");
    disk.FailReplaceAt(TReplaceStep::rsMoveReplacement);
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), backup.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_MOVE_REPLACEMENT));
    EXPECT_EQ(Held(note), "old");
}

TEST_F(SimDiskTest, AReplacementStoppedAtTheLastStepLeavesNoFileUnderTheReplacedName) {
    Put(note, "old");
    Put(temporary, "new");
    disk.FailReplaceAt(TReplaceStep::rsLastStep);
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), backup.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2));
    EXPECT_FALSE(disk.Exists(note));
    EXPECT_EQ(Held(backup), "old");
    EXPECT_EQ(Held(temporary), "new");
    // Without a backup name the old bytes are under a temporary name nobody asked for.
    ASSERT_TRUE(calls.Move(backup.c_str(), note.c_str(), 0));
    disk.FailReplaceAt(TReplaceStep::rsLastStep);
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2));
    EXPECT_FALSE(disk.Exists(note));
    const std::vector<std::wstring> strays = Strays();
    ASSERT_EQ(strays.size(), 1u);
    EXPECT_EQ(Held(L"D:\\Notes\\" + strays[0]), "old");
    disk.FailReplaceAt(TReplaceStep::rsRemoveReplaced);
    Put(note, "old");
    EXPECT_FALSE(calls.Replace(note.c_str(), temporary.c_str(), backup.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_REMOVE_REPLACED));
    EXPECT_EQ(Held(note), "old");
}

TEST_F(SimDiskTest, FatStampsAChangeOfTheSameSizeWithinTwoSecondsTheSame) {
    disk.SetTimeGranularity(2000);
    clock.Advance(2000 - clock.Now() % 2000);
    Put(note, "abc");
    const ULONGLONG first = Stamp(note);
    clock.Advance(1500);
    Put(note, "xyz");
    EXPECT_EQ(Stamp(note), first);
    clock.Advance(600);
    Put(note, "abc");
    EXPECT_EQ(Stamp(note) - first, 20'000'000u);
    // A wall clock set back stamps files in the past, even before the count began.
    clock.ShiftWall(-3'600'000);
    Put(note, "abc");
    EXPECT_LT(Stamp(note), first);
    clock.ShiftWall(-7'200'000);
    const ULONGLONG earlier = Stamp(note);
    Put(note, "abc");
    EXPECT_EQ(earlier - Stamp(note), 72'000'000'000u);

    disk.SetTimeGranularity(1);
    Put(note, "abc");
    const ULONGLONG before = Stamp(note);
    clock.Advance(1);
    Put(note, "abc");
    EXPECT_EQ(Stamp(note) - before, 10'000u);
}

TEST_F(SimDiskTest, OtherProgramsMustGetPastTheProgramsHandlesAndTheProgramPastTheirs) {
    Put(note, "{\\rtf1 u1}");
    const HANDLE reading = Open(note, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    EXPECT_FALSE(disk.OtherWrite(note, "x"));
    EXPECT_FALSE(disk.OtherReplaceByRename(note, L"D:\\Notes\\.sync.tmp", "x"));
    EXPECT_FALSE(disk.OtherDelete(note));
    EXPECT_FALSE(disk.OtherMove(note, L"D:\\Notes\\moved.RTF"));
    EXPECT_EQ(Held(note), "{\\rtf1 u1}");
    calls.Close(reading);
    const ULONGLONG changes = disk.Changes(L"D:\\Notes\\");
    ASSERT_TRUE(disk.OtherReplaceByRename(note, L"D:\\Notes\\.sync.tmp", "{\\rtf1 u1 o2}"));
    EXPECT_GT(disk.Changes(L"D:\\Notes"), changes);
    EXPECT_EQ(disk.Files().size(), 1u);

    const int none = disk.Hold(note, 0);
    EXPECT_EQ(OpenError(note, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
              ERROR_SHARING_VIOLATION);
    EXPECT_EQ(disk.ProgramHandles(), 0);
    disk.Release(none);
    const int readers = disk.Hold(note, FILE_SHARE_READ);
    EXPECT_EQ(OpenError(note, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), 0u);
    EXPECT_EQ(OpenError(note, GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING), ERROR_SHARING_VIOLATION);
    disk.Release(readers);

    // Reading changes nothing the folder watch sees; a touch does, and so does a rewrite that
    // keeps both size and time.
    const ULONGLONG stamp = Stamp(note);
    const ULONGLONG quiet = disk.Changes(L"D:\\Notes");
    EXPECT_EQ(OpenError(note, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), 0u);
    EXPECT_EQ(disk.Changes(L"D:\\Notes"), quiet);
    clock.Advance(5000);
    ASSERT_TRUE(disk.OtherRewriteSameStamp(note, "{\\rtf1 u1 o3}"));
    EXPECT_EQ(Stamp(note), stamp);
    EXPECT_FALSE(disk.OtherRewriteSameStamp(note, "{\\rtf1 u1 o3 o4}"));
    ASSERT_TRUE(disk.OtherTouch(note));
    EXPECT_GT(Stamp(note), stamp);
    EXPECT_EQ(disk.Changes(L"D:\\Notes"), quiet + 2);
}

TEST_F(SimDiskTest, InjectedFaultsHitOnlyTheirCallsAndPaths) {
    Put(note, "note");
    disk.FailNext(TSimCall::scOpen, 2, ERROR_ACCESS_DENIED, L".tmp");
    EXPECT_EQ(OpenError(note, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), 0u);
    EXPECT_EQ(OpenError(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS), ERROR_ACCESS_DENIED);
    EXPECT_EQ(OpenError(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS), 0u);
    disk.FailNext(TSimCall::scWrite, 1, ERROR_WRITE_FAULT);
    const HANDLE file = Open(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS);
    DWORD written = 0;
    EXPECT_FALSE(calls.Write(file, "abc", 3, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
    EXPECT_TRUE(calls.Write(file, "abc", 3, &written));
    calls.Close(file);
    EXPECT_EQ(Held(temporary), "abc");
}

TEST_F(SimDiskTest, AKillEndsTheProgramAtTheChosenCallAndClosesItsHandles) {
    Put(note, "note");
    bool told = false;
    disk.OnKill = [&] { told = true; };
    const HANDLE file = Open(note, GENERIC_READ, 0, OPEN_EXISTING);
    disk.KillAtCall(2);
    EXPECT_NE(calls.GetAttributes(note.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(calls.Delete(note.c_str()));
    EXPECT_TRUE(told);
    EXPECT_TRUE(disk.ProgramDead());
    EXPECT_TRUE(disk.Exists(note));
    EXPECT_EQ(disk.ProgramHandles(), 0);
    EXPECT_FALSE(calls.Close(file));
    EXPECT_TRUE(disk.OtherDelete(note));
    disk.StartProgram();
    EXPECT_EQ(disk.BadHandleUses(), 0);
    EXPECT_EQ(OpenError(note, GENERIC_READ, 0, OPEN_EXISTING), ERROR_FILE_NOT_FOUND);
}

TEST_F(SimDiskTest, ListingMatchesWildcardsWithoutCase) {
    for (const wchar_t* name :
         {L"quillpad.RTF", L"quillpad.RTF.1", L"quillpad.RTF.2", L"~quillpad.RTF.tmp", L"rf3A7.tmp"})
        Put(std::wstring(L"D:\\Notes\\") + name, "x");
    calls.CreateFolder(L"D:\\Notes\\Old.1");
    auto list = [&](const wchar_t* pattern) {
        std::vector<std::wstring> names = calls.List(L"D:\\Notes\\", pattern);
        std::sort(names.begin(), names.end());
        return names;
    };
    // As FindFirstFileW: "?" and the dot before it may match nothing at the end of a name.
    EXPECT_EQ(list(L"QUILLPAD.rtf.?"),
              (std::vector<std::wstring>{L"quillpad.RTF", L"quillpad.RTF.1", L"quillpad.RTF.2"}));
    EXPECT_EQ(list(L"rf????.tmp"), (std::vector<std::wstring>{L"rf3A7.tmp"}));
    EXPECT_EQ(list(L"*.tmp"), (std::vector<std::wstring>{L"rf3A7.tmp", L"~quillpad.RTF.tmp"}));
    EXPECT_EQ(list(L"*").size(), 5u);
    EXPECT_TRUE(list(L"*.1").size() == 1);
    EXPECT_TRUE(calls.List(L"D:\\Gone\\", L"*").empty());
    EXPECT_TRUE(WildcardMatch(L"quillpad (original 2026).RTF", L"*(original*)*.rtf"));
}

} // namespace
