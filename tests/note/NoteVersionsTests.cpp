// The versions kept by time: the thinning rule on its own, the names, and the keeper making them on
// the simulated disk while the user saves, restores, moves the clock, or shares the folder with
// another computer.
#include "note/NoteDesk.h"
#include "note/NoteVersions.h"
#include "note/sim/ModelEditor.h"
#include "note/sim/ModelTeller.h"
#include "note/sim/SimDisk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace {

constexpr ULONGLONG kMinute = kFileTimeMinute;
constexpr ULONGLONG kHour = kFileTimeHour;
constexpr ULONGLONG kDay = kFileTimeDay;
// 2026-01-05 00:00:00 UTC.
constexpr ULONGLONG kMonday = 134'120'448'000'000'000ull;

// The versions left, `versions` thinned at `now`.
std::vector<TVersionAge> Thinned(std::vector<TVersionAge> versions, ULONGLONG now, ULONGLONG noteSize) {
    const std::vector<size_t> drop = VersionsToDrop(versions, now, noteSize);
    for (auto i = drop.rbegin(); i != drop.rend(); ++i)
        versions.erase(versions.begin() + static_cast<ptrdiff_t>(*i));
    return versions;
}

TEST(VersionThinning, AQuarterOfDailyUseLeavesOnePerBucketOfEachAgeBand) {
    // Eight hours of work a day (09:00 to 17:00 UTC), a version whenever one is due, thinned each
    // time, as the keeper does; the note is large beside its versions, so only the ages decide.
    std::vector<TVersionAge> versions;
    std::set<ULONGLONG> everKept;
    ULONGLONG now = 0;
    for (int day = 0; day < 92; ++day)
        for (ULONGLONG minute = 0; minute < 8 * 60; ++minute) {
            now = kMonday + day * kDay + 9 * kHour + minute * kMinute + 17 * kFileTimeSecond;
            std::vector<ULONGLONG> times;
            for (const TVersionAge& version : versions)
                times.push_back(version.Taken);
            if (!VersionDue(times, now)) continue;
            versions.push_back({now, 1});
            const std::vector<TVersionAge> left = Thinned(versions, now, 1000);
            // A version dropped once its bucket had an older one is never one that was kept for a
            // coarser bucket before: what is left only shrinks from the old end of each band.
            for (const TVersionAge& version : versions)
                if (everKept.count(version.Taken) && version.Taken != now &&
                    std::none_of(left.begin(), left.end(),
                                 [&](const TVersionAge& v) { return v.Taken == version.Taken; }))
                    ASSERT_TRUE(now - version.Taken >= 2 * kHour)
                        << "a version of the last two hours dropped";
            versions = left;
            for (const TVersionAge& version : versions)
                everKept.insert(version.Taken);
        }
    std::map<int, int> bands; // 0: 2 hours, 1: a day, 2: 14 days, 3: 92 days
    std::map<std::pair<int, ULONGLONG>, int> buckets;
    for (const TVersionAge& version : versions) {
        const ULONGLONG age = now - version.Taken;
        ASSERT_LT(age, 92 * kDay);
        const int band = age < 2 * kHour ? 0 : age < kDay ? 1 : age < 14 * kDay ? 2 : 3;
        const ULONGLONG width = band == 0 ? 10 * kMinute : band == 1 ? kHour : band == 2 ? kDay : 7 * kDay;
        ++bands[band];
        EXPECT_EQ((++buckets[{band, version.Taken / width}]), 1)
            << "two versions in one bucket of band " << band;
    }
    // At 16:59 of the last day: twelve ten-minute steps, the six earlier hours of the day, the 13
    // days before, and the weeks back to three months.
    EXPECT_EQ(bands[0], 12);
    EXPECT_EQ(bands[1], 6);
    EXPECT_EQ(bands[2], 13);
    EXPECT_GE(bands[3], 10);
    EXPECT_LE(bands[3], 12);
    EXPECT_TRUE(VersionsToDrop(versions, now, 1000).empty()) << "thinning twice drops nothing more";
}

TEST(VersionThinning, CountAndSizeBoundsDropTheOldestButNeverTheNewestNorForAgeTheFutureDated) {
    const ULONGLONG now = kMonday + 30 * kDay;
    // Six an hour for ten hours, and ten dated ahead (a clock set back): those ahead all stay.
    std::vector<TVersionAge> versions;
    for (int i = 0; i < 60; ++i)
        versions.push_back({now - (i + 1) * 10 * kMinute, 1});
    for (int i = 0; i < 10; ++i)
        versions.push_back({now + (i + 1) * kHour, 1});
    const std::vector<TVersionAge> byCount = Thinned(versions, now, 1000);
    EXPECT_LE(byCount.size(), kMostVersions);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(std::count_if(byCount.begin(), byCount.end(),
                                [&](const TVersionAge& v) { return v.Taken == now + (i + 1) * kHour; }),
                  1);

    // More versions than the count allows, all of them ahead: the oldest go first.
    std::vector<TVersionAge> ahead;
    for (int i = 0; i < 70; ++i)
        ahead.push_back({now + i * kMinute, 1});
    const std::vector<size_t> dropped = VersionsToDrop(ahead, now, 1000);
    EXPECT_EQ(dropped, (std::vector<size_t>{0, 1, 2, 3, 4, 5}));

    // Twenty times the note's size: ten-byte versions of a five-byte note, the newest ten stay.
    std::vector<TVersionAge> recent;
    for (int i = 0; i < 12; ++i)
        recent.push_back({now - (12 - i) * 10 * kMinute, 10});
    const std::vector<TVersionAge> bySize = Thinned(recent, now, 5);
    ASSERT_EQ(bySize.size(), 10u);
    EXPECT_EQ(bySize.front().Taken, recent[2].Taken);

    // Within 2 hours nothing goes for its age: the note as it was before a restore, kept three
    // minutes after the version of its ten minutes, stays beside it and beside a newer one.
    const std::vector<TVersionAge> restored{
        {now - 30 * kMinute, 1}, {now - 27 * kMinute, 1}, {now - kMinute, 1}};
    EXPECT_TRUE(VersionsToDrop(restored, now, 1000).empty());
    // Past 2 hours the hour keeps its oldest.
    EXPECT_EQ(VersionsToDrop(restored, now + 3 * kHour, 1000), (std::vector<size_t>{1}));

    // The newest alone: kept however old or large.
    EXPECT_TRUE(VersionsToDrop({{now - 400 * kDay, 1}}, now, 1).empty());
    EXPECT_EQ(VersionsToDrop({{now - 300 * kDay, 1}, {now - 200 * kDay, 1000}}, now, 1),
              (std::vector<size_t>{0}));
}

TEST(VersionNames, TimeAndComputerReadBackAndOtherNotesFilesAreNotVersions) {
    const std::wstring note = L"D:\\Notes\\quillpad.RTF";
    EXPECT_EQ(VersionsFolder(note), L"D:\\Notes\\quillpad.versions\\");
    const ULONGLONG taken = kMonday + 10 * kHour + 45 * kMinute + 12 * kFileTimeSecond;
    EXPECT_EQ(VersionPathFor(note, taken, L"BUREAU"),
              L"D:\\Notes\\quillpad.versions\\quillpad 2026-01-05 10-45-12 BUREAU.RTF");
    for (int n : {1, 2, 13}) {
        ULONGLONG read = 0;
        std::wstring computer;
        const std::wstring path = VersionPathFor(note, taken + 5000, L"BUREAU", n);
        ASSERT_TRUE(ParseVersionName(note, path.substr(path.rfind(L'\\') + 1), read, computer)) << n;
        EXPECT_EQ(read, taken);
        EXPECT_EQ(computer, L"BUREAU");
    }
    ULONGLONG read = 0;
    std::wstring computer;
    for (const wchar_t* other :
         {L"quillpad 2 2026-01-05 10-45-12 BUREAU.RTF", L"quillpad 2026-01-05 10-45-12 BUREAU.txt",
          L"quillpad 2026-13-05 10-45-12 BUREAU.RTF", L"quillpad 2026-01-05 10-45-12 .RTF",
          L"~quillpad 2026-01-05 10-45-12 BUREAU.RTF.tmp", L"quillpad (conflit 2026-01-05 10-45-12).RTF"})
        EXPECT_FALSE(ParseVersionName(note, other, read, computer)) << other;
}

const std::wstring kFolder = L"D:\\Notes\\";
const std::wstring kNote = kFolder + L"quillpad.RTF";
const std::wstring kUser = L"C:\\Users\\Sim\\AppData\\Roaming\\Quillpad\\";

// One computer's program on the shared simulated disk.
struct TComputer {
    TComputer(TSimClock& clock, TFileCalls& calls, const std::wstring& name)
        : desk({kNote, kUser + name + L".RTF", name}, editor, teller, clock, calls) {}
    TModelEditor editor;
    TModelTeller teller;
    TNoteDesk desk;
};

class KeeperVersionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        disk.AddFolder(kFolder);
        disk.AddFolder(kUser);
        disk.OtherWrite(kNote, "{\\rtf1 o1}");
    }
    TComputer& Start(const std::wstring& name) {
        computers.push_back(std::make_unique<TComputer>(clock, calls, name));
        computers.back()->desk.Open();
        return *computers.back();
    }
    void Edit(TComputer& at, ULONGLONG minutes) {
        clock.Advance(minutes * 60'000);
        at.editor.Type("u" + std::to_string(++words));
        at.desk.Edited();
        at.desk.Save();
    }
    std::vector<TNoteVersion> Versions() { return FolderVersions(calls, kNote); }

    TSimClock clock;
    TSimDisk disk{clock};
    TFileCalls calls = disk.Calls();
    std::vector<std::unique_ptr<TComputer>> computers;
    int words = 0;
};

TEST_F(KeeperVersionsTest, SavingEveryMinuteKeepsAVersionAtMostEveryTenMinutesAndARestoreForcesOne) {
    TComputer& at = Start(L"BUREAU");
    std::set<std::wstring> seen;
    for (int minute = 0; minute < 60; ++minute) {
        Edit(at, 1);
        for (const TNoteVersion& version : Versions())
            seen.insert(version.Path);
    }
    const std::vector<TNoteVersion> versions = Versions();
    EXPECT_EQ(seen.size(), 6u) << "one at the first save, then one each ten minutes";
    ASSERT_EQ(versions.size(), 6u);
    for (size_t i = 1; i < versions.size(); ++i)
        EXPECT_GE(versions[i].Taken - versions[i - 1].Taken, 10 * kMinute);
    // Each is what the note held before a save: the first, the note as the program found it.
    EXPECT_EQ(disk.Bytes(versions.front().Path), "{\\rtf1 o1}");

    at.desk.KeepVersionBeforeNextWrite();
    const std::string before = *disk.Bytes(kNote);
    Edit(at, 1);
    ASSERT_EQ(Versions().size(), 7u);
    EXPECT_EQ(disk.Bytes(Versions().back().Path), before);
    Edit(at, 1);
    EXPECT_EQ(Versions().size(), 7u) << "forced once only";
}

TEST_F(KeeperVersionsTest, TheNumberedVersionsOfEarlierReleasesAreTakenInUnderTheirTimes) {
    std::map<std::wstring, ULONGLONG> written;
    for (int n = 3; n >= 1; --n) {
        clock.Advance(3'600'000);
        const std::wstring old = kNote + L"." + std::to_wstring(n);
        disk.OtherWrite(old, "{\\rtf1 v" + std::to_string(n) + "}");
        written[old] = clock.UtcFileTime();
    }
    clock.Advance(3'600'000);
    Start(L"BUREAU");
    const std::vector<TNoteVersion> versions = Versions();
    ASSERT_EQ(versions.size(), 3u);
    for (int n = 1; n <= 3; ++n) {
        const std::wstring old = kNote + L"." + std::to_wstring(n);
        EXPECT_FALSE(disk.Exists(old));
        const TNoteVersion& version = versions[3 - n];
        EXPECT_EQ(version.Taken, written[old] - written[old] % kFileTimeSecond);
        EXPECT_EQ(version.Computer, L"BUREAU");
        EXPECT_EQ(disk.Bytes(version.Path), "{\\rtf1 v" + std::to_string(n) + "}");
    }
}

TEST_F(KeeperVersionsTest, AClockSetBackKeepsTheVersionsDatedAheadAndGoesOnMakingNewOnes) {
    TComputer& at = Start(L"BUREAU");
    for (int i = 0; i < 3; ++i)
        Edit(at, 11);
    const std::vector<TNoteVersion> ahead = Versions();
    ASSERT_EQ(ahead.size(), 3u);
    clock.ShiftWall(-2 * 3'600'000);
    for (int i = 0; i < 4; ++i)
        Edit(at, 11);
    const std::vector<TNoteVersion> after = Versions();
    EXPECT_EQ(after.size(), 7u);
    for (const TNoteVersion& version : ahead)
        EXPECT_TRUE(disk.Exists(version.Path)) << "dated ahead, never dropped for it";
}

TEST_F(KeeperVersionsTest, TwoComputersOnOneFolderNeverShareANameAndAgreeOnWhatGoes) {
    TComputer& office = Start(L"BUREAU");
    TComputer& home = Start(L"MAISON");
    for (int round = 0; round < 40; ++round) {
        TComputer& at = round % 2 ? home : office;
        TComputer& other = round % 2 ? office : home;
        // Both take a version in the same second: the names still differ.
        Edit(at, round % 5 ? 7 : 0);
        other.desk.FolderChanged();
        clock.Advance(TNoteKeeper::kSettleMs + 10);
        other.desk.Wake();
        ASSERT_EQ(other.editor.StoredForm(), at.editor.StoredForm());
    }
    const std::vector<TNoteVersion> versions = Versions();
    std::set<std::wstring> computers;
    for (const TNoteVersion& version : versions)
        computers.insert(version.Computer);
    EXPECT_EQ(computers, (std::set<std::wstring>{L"BUREAU", L"MAISON"}));
    // Whichever thins next, at this moment, finds nothing to drop: both reached the same decision.
    std::vector<TVersionAge> ages;
    for (const TNoteVersion& version : versions)
        ages.push_back({version.Taken, version.Size});
    EXPECT_TRUE(VersionsToDrop(ages, clock.UtcFileTime(), disk.Bytes(kNote)->size()).empty());
    EXPECT_LE(versions.size(), kMostVersions);
}

TEST_F(KeeperVersionsTest, ANameTakenInTheSameSecondGetsANumberAndNeverTheOtherFilesPlace) {
    const ULONGLONG now = clock.UtcFileTime();
    std::wstring first, second;
    ASSERT_EQ(MakeVersion(calls, kNote, "{\\rtf1 a}", now, L"BUREAU", first), 0u);
    ASSERT_EQ(MakeVersion(calls, kNote, "{\\rtf1 b}", now + 5000, L"BUREAU", second), 0u);
    EXPECT_EQ(second, VersionPathFor(kNote, now, L"BUREAU", 2));
    EXPECT_EQ(disk.Bytes(first), "{\\rtf1 a}");
    EXPECT_EQ(disk.Bytes(second), "{\\rtf1 b}");
    EXPECT_EQ(Versions().size(), 2u);
}

TEST_F(KeeperVersionsTest, TheListHasVersionsAndConflictCopiesNewestFirstFromTheirNamesAlone) {
    TComputer& at = Start(L"BUREAU");
    Edit(at, 1);
    Edit(at, 11);
    disk.OtherWrite(kFolder + L"quillpad (conflit 2026-03-02 12-00-00 2).RTF", "{\\rtf1 theirs}");
    disk.OtherWrite(kFolder + L"quillpad (conflit de rien).RTF", "{\\rtf1 not one}");
    const std::vector<TNoteVersion> list = ListVersions(calls, kNote);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_TRUE(list[0].Conflict);
    EXPECT_TRUE(list[0].Computer.empty());
    EXPECT_EQ(list[0].Size, 14u);
    EXPECT_FALSE(list[1].Conflict);
    EXPECT_GT(list[1].Taken, list[2].Taken);
    EXPECT_EQ(list[1].Size, disk.Bytes(list[1].Path)->size());
}

} // namespace
