// Save-on-change as the user types: the note is written in the pauses, once per burst, never for
// a key that changed nothing, and whatever was typed last is saved on the way out.
#include "support/FileTestHelpers.h"
#include "NoteFixture.h"

#include <chrono>

using namespace std::chrono_literals;

namespace {

class TypingSaveTest : public NoteFixture {
protected:
    void SetUp() override {
        NoteFixture::SetUp();
        Setting(L"Save", L"SaveOnChange", L"1");
        // Written through the one-step replacement or, without a file yet, the rename.
        injected.Calls.Replace = [this](const wchar_t* to, const wchar_t* from, const wchar_t* backup) {
            if (std::wstring(to) == DocumentPath()) ++saves;
            return injected.Real.Replace(to, from, backup);
        };
        injected.Calls.Move = [this](const wchar_t* from, const wchar_t* to, DWORD flags) {
            if (std::wstring(to) == DocumentPath()) ++saves;
            return injected.Real.Move(from, to, flags);
        };
    }
    // One key pressed and released in the editor as the keyboard sends it.
    void Key(WORD key, wchar_t character = 0) {
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
        SendMessageW(Editor(), WM_KEYDOWN, key, 1 | scan);
        if (character) SendMessageW(Editor(), WM_CHAR, character, 1 | scan);
        SendMessageW(Editor(), WM_KEYUP, key, 1 | scan | (LPARAM(3) << 30));
    }
    void Type(const wchar_t* text) {
        for (const wchar_t* c = text; *c; ++c)
            Key(LOBYTE(VkKeyScanW(*c)), *c);
    }
    bool Holds(const char* text) { return FileBytes(DocumentPath()).find(text) != std::string::npos; }

    TInjectedFileCalls injected;
    int saves = 0;
};

TEST_F(TypingSaveTest, ABurstOfKeysIsSavedOnceInThePauseAfterItAndAnArrowSavesNothing) {
    StartShown();
    Type(L"burst");
    EXPECT_EQ(saves, 0) << "no save while the keys come";
    ASSERT_TRUE(PumpUntil([&] { return saves > 0; }, 2s));
    PumpUntil([] { return false; }, 600ms); // the pause goes on: nothing more to write
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(Holds("burst"));

    Key(VK_LEFT);
    Key(VK_SHIFT);
    Key(VK_HOME);
    PumpUntil([] { return false; }, 600ms);
    EXPECT_EQ(saves, 1);
}

TEST_F(TypingSaveTest, ContinuousTypingIsSavedEveryCoupleOfSecondsWithoutWaitingForAPause) {
    StartShown();
    const auto start = std::chrono::steady_clock::now();
    // A key every 100 ms for seven seconds: never a pause of 300 ms, and three times the longest
    // wait, so that a slow machine still shows the saves coming without a pause.
    while (std::chrono::steady_clock::now() - start < 7s) {
        Type(L"a");
        PumpUntil([] { return false; }, 100ms);
    }
    EXPECT_GE(saves, 2);
    EXPECT_LE(saves, 4); // not one per key
}

TEST_F(TypingSaveTest, AKeyHandledPastTheLongestWaitSavesAtOnceAndTheSavesGoOn) {
    StartShown();
    Type(L"a");
    // The program was busy (a large note, another window) past the longest wait before it saw
    // the next key: the save is due already, and every save after it too.
    Sleep(2100);
    Type(L"b");
    ASSERT_TRUE(PumpUntil([&] { return saves == 1; }, 1s));
    EXPECT_TRUE(Holds("ab"));
    Type(L"c");
    ASSERT_TRUE(PumpUntil([&] { return saves == 2; }, 2s));
    EXPECT_TRUE(Holds("abc"));
}

TEST_F(TypingSaveTest, AfterAnotherSaveWroteTheKeysTheNextBurstWaitsForItsOwnPause) {
    StartShown();
    Type(L"a");
    Form1->Enregistrer1->Click(); // Ctrl+S, or the timer, writes the key before the pause
    ASSERT_EQ(saves, 1);
    Sleep(2100);
    Type(L"b");
    PumpUntil([] { return false; }, 100ms);
    EXPECT_EQ(saves, 1) << "not at once, as if the first key were still waiting";
    ASSERT_TRUE(PumpUntil([&] { return saves == 2; }, 2s));
}

TEST_F(TypingSaveTest, TheLastKeysAreSavedOnTheWayOutEvenBeforeThePause) {
    StartShown();
    Type(L"last words");
    Form1->HKExit->OnHotKey(Form1->HKExit); // Ctrl+Alt+X
    app.ProcessMessages();
    app.DestroyForms();
    EXPECT_TRUE(Holds("last words"));
}

TEST_F(TypingSaveTest, AFormattingChangeAloneIsWrittenByTheNextSave) {
    StartShown();
    Type(L"plain");
    ASSERT_TRUE(PumpUntil([&] { return saves == 1; }, 2s));
    Memo().SelectAll();
    Press({VK_CONTROL, 'B'});
    Press({VK_MENU, 'C'});
    Form1->Timer1->OnTimer(Form1->Timer1);
    EXPECT_EQ(saves, 2);
    EXPECT_TRUE(Holds("\\b")) << FileBytes(DocumentPath());
    EXPECT_TRUE(Holds("\\qc")) << FileBytes(DocumentPath());
}

} // namespace
