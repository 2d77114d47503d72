// When the keeper looks at the note's file (the model editor's words: "o" and a number): after a change in
// its folder once things are quiet, but never later than a ceiling while the folder keeps changing; every
// couple of seconds where the folder cannot be watched; and a change that keeps the file's size and time is
// still seen.
#include "note/NoteDesk.h"
#include "note/sim/ModelEditor.h"
#include "note/sim/ModelTeller.h"
#include "note/sim/SimDisk.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kFolder = L"D:\\Notes\\";
const std::wstring kNote = kFolder + L"quillpad.RTF";

class KeeperWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        disk.AddFolder(kFolder);
        disk.AddFolder(L"C:\\Users\\Sim\\AppData\\Roaming\\Quillpad");
        disk.OtherWrite(kNote, "{\\rtf1 o1}");
        desk.Open();
        ASSERT_EQ(editor.Text(), L"o1");
    }
    // Runs the clock by `ms`, waking the keeper when it asked to be.
    void Run(ULONGLONG ms) {
        const ULONGLONG end = clock.Now() + ms;
        while (teller.Wake() && teller.Wake() <= end) {
            clock.Advance(teller.Wake() - clock.Now());
            desk.Wake();
        }
        clock.Advance(end - clock.Now());
    }

    TSimClock clock;
    TSimDisk disk{clock};
    TFileCalls calls = disk.Calls();
    TModelEditor editor;
    TModelTeller teller;
    TNoteDesk desk{{kNote, L"C:\\Users\\Sim\\AppData\\Roaming\\Quillpad\\quillpad (1).RTF"},
                   editor,
                   teller,
                   clock,
                   calls};
};

TEST_F(KeeperWaitTest, AFolderThatNeverSettlesIsLookedAtTwoSecondsAfterItsFirstChange) {
    disk.OtherReplaceByRename(kNote, kFolder + L".sync.tmp", "{\\rtf1 o2}");
    // Something else in the folder changes every 300 ms, for ever: no quiet half second comes.
    for (int change = 0; change < 6; ++change) {
        desk.FolderChanged();
        Run(300);
    }
    EXPECT_EQ(editor.Text(), L"o1") << "not before the ceiling";
    desk.FolderChanged();
    Run(300);
    EXPECT_EQ(editor.Text(), L"o2") << "taken in at the ceiling, 2 s after the first change";

    // A single change is looked at once the folder has been quiet half a second.
    disk.OtherReplaceByRename(kNote, kFolder + L".sync.tmp", "{\\rtf1 o3}");
    desk.FolderChanged();
    Run(400);
    EXPECT_EQ(editor.Text(), L"o2");
    Run(200);
    EXPECT_EQ(editor.Text(), L"o3");
}

TEST_F(KeeperWaitTest, WithoutAWatchTheFileIsLookedAtEveryTwoSeconds) {
    desk.WatchLost();
    for (const char* version : {"{\\rtf1 o4}", "{\\rtf1 o5}"}) {
        disk.OtherWrite(kNote, version);
        Run(TNoteKeeper::kLookAgainMs + 100);
        EXPECT_EQ(editor.StoredForm(), version);
    }
}

TEST_F(KeeperWaitTest, AChangeThatKeepsTheSizeAndTheTimeIsSeenAfterTheFolderChanged) {
    disk.SetTimeGranularity(2000); // as on FAT
    ASSERT_TRUE(disk.OtherRewriteSameStamp(kNote, "{\\rtf1 o9}"));
    desk.FolderChanged();
    Run(TNoteKeeper::kSettleMs + 100);
    EXPECT_EQ(editor.Text(), L"o9");
}

// A note the editor could not read goes aside before the first save of what the user typed. When
// another program has it open just then, the set-aside is tried again at the next look, with no
// need of another edit.
class KeeperRefusedTest : public KeeperWaitTest {
protected:
    void SetUp() override {
        disk.AddFolder(kFolder);
        disk.AddFolder(L"C:\\Users\\Sim\\AppData\\Roaming\\Quillpad");
        // Nested deeper than the control is ever given.
        disk.OtherWrite(kNote, kUnreadable);
        desk.SetSaveOnChange(true);
        desk.Open();
        ASSERT_TRUE(editor.Empty());
    }
    static const std::string kUnreadable;
};

const std::string KeeperRefusedTest::kUnreadable =
    "{\\rtf1 " + std::string(200, '{') + "o1" + std::string(201, '}');

TEST_F(KeeperRefusedTest, ASetAsideThatFoundTheNoteHeldIsDoneOnceTheNoteIsFree) {
    const int hold = disk.Hold(kNote, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(hold, 0);
    editor.Type("w1");
    desk.Edited();
    Run(TNoteKeeper::kQuietMs + 100);
    EXPECT_EQ(disk.Bytes(kNote), kUnreadable) << "held: neither moved nor written over";

    disk.Release(hold);
    Run(TNoteKeeper::kLookAgainMs + 100);
    EXPECT_EQ(disk.Bytes(kNote + L".unreadable"), kUnreadable);
    EXPECT_EQ(disk.Bytes(kNote), editor.StoredForm());
}

TEST(NoteDesk, BalloonsOfOneDecisionGoOutAsOneAndAConflictCopyIsNeverCrowdedOut) {
    const auto balloon = [](std::wstring text, std::wstring open = {}) {
        TNotice notice;
        notice.Kind = TNotice::nkBalloon;
        notice.Text = std::move(text);
        notice.Open = open;
        if (!open.empty()) notice.Files = {open};
        return notice;
    };
    TNotice box;
    box.Text = L"boîte";
    std::vector<TNotice> told =
        WithBalloonsJoined({balloon(L"fusion"), box, balloon(L"copie", L"C:\\copie.RTF")});
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].Text, L"fusion\ncopie");
    EXPECT_EQ(told[0].Open, L"C:\\copie.RTF");
    EXPECT_EQ(told[1].Text, L"boîte");

    // Too long for one balloon: the one with a file to open stays.
    told = WithBalloonsJoined(
        {balloon(std::wstring(200, L'a')), balloon(std::wstring(100, L'b'), L"C:\\c.RTF")});
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].Text, std::wstring(100, L'b'));
    EXPECT_EQ(told[0].Open, L"C:\\c.RTF");
}

} // namespace
