#include "support/FileTestHelpers.h"
#include "ProgramFixture.h"
#include "settings/SettingsForm.h"
#include "support/Keyboard.h"
#include "support/MenuProbe.h"

#include <chrono>
#include <thread>

namespace {

class NoteWindowTest : public ProgramFixture {
protected:
    HWND Note() { return Form1->Handle(); }
    HWND Editor() { return Form1->Memo1->Handle(); }
    RECT WindowRect() {
        RECT r;
        GetWindowRect(Note(), &r);
        return r;
    }
    // Mouse messages as the editor gets them; the cursor is where a person's would be.
    void Mouse(UINT msg, WPARAM keys, POINT cursor) {
        SetCursorPos(cursor.x, cursor.y);
        POINT client = cursor;
        ScreenToClient(Editor(), &client);
        SendMessageW(Editor(), msg, keys, MAKELPARAM(client.x, client.y));
    }
    void Press(std::initializer_list<WORD> keys) {
        SendChord(keys);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until) {
            app.ProcessMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
};

TEST_F(NoteWindowTest, CtrlLeftDragFromTheEditorMovesTheNoteAndWritesThePositionOnRelease) {
    Start();
    Form1->Show();
    const RECT start = WindowRect();
    const POINT grip{start.left + 60, start.top + 80};
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, grip);
    Mouse(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, {grip.x + 37, grip.y - 21});
    EXPECT_EQ(StoredSetting(L"Left"), L"<none>"); // moving writes nothing
    Mouse(WM_LBUTTONUP, MK_CONTROL, {grip.x + 37, grip.y - 21});
    const RECT moved = WindowRect();
    EXPECT_EQ(moved.left, start.left + 37);
    EXPECT_EQ(moved.top, start.top - 21);
    EXPECT_EQ(StoredSetting(L"Left"), std::to_wstring(moved.left));
    EXPECT_EQ(StoredSetting(L"Top"), std::to_wstring(moved.top));

    // A plain click only places the caret, and still writes the position.
    DeleteFileW(SettingsPath().c_str());
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, {moved.left + 50, moved.top + 50});
    Mouse(WM_LBUTTONUP, 0, {moved.left + 50, moved.top + 50});
    EXPECT_EQ(WindowRect().left, moved.left);
    EXPECT_EQ(StoredSetting(L"Top"), std::to_wstring(moved.top));
}

TEST_F(NoteWindowTest, MovingTheNoteBackToWhereItWasLeavesTheSettingsFileAlone) {
    Start();
    Form1->Show();
    const RECT start = WindowRect();
    const POINT grip{start.left + 60, start.top + 80};
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, grip); // a first click writes where the note is
    Mouse(WM_LBUTTONUP, 0, grip);
    const std::string bytes = FileBytes(SettingsPath());
    ASSERT_NE(bytes.find("Left=" + std::to_string(start.left)), std::string::npos) << bytes;
    // Old enough that any write shows, and held by a reader so that a write attempt is reported.
    const FILETIME old = AgeFile(SettingsPath());
    ASSERT_TRUE(SameTime(LastWriteTime(SettingsPath()), old));
    TFileLock reader(SettingsPath(), FILE_SHARE_READ);
    ASSERT_TRUE(reader.Held());

    for (int drag = 0; drag < 3; ++drag) { // away and back, then release
        Mouse(WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, grip);
        Mouse(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, {grip.x + 40, grip.y + 25});
        EXPECT_EQ(WindowRect().left, start.left + 40);
        Mouse(WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, grip);
        Mouse(WM_LBUTTONUP, MK_CONTROL, grip);
    }
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, grip);
    Mouse(WM_LBUTTONUP, 0, grip);
    EXPECT_EQ(WindowRect().left, start.left);

    reader.Release();
    EXPECT_EQ(FileBytes(SettingsPath()), bytes);
    EXPECT_TRUE(SameTime(LastWriteTime(SettingsPath()), old));
    EXPECT_TRUE(reported.empty());
}

TEST_F(NoteWindowTest, CtrlRightClickOpensTheTrayMenuAtTheWindowCornerPlusTheClick) {
    Start();
    Form1->Show();
    const RECT r = WindowRect();
    POINT seenAt{};
    WhenMenuOpens([](HWND) { CloseOpenMenu(); });
    POINT click{r.left + 40, r.top + 70};
    POINT inEditor = click;
    ScreenToClient(Editor(), &inEditor);
    Mouse(WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, click);
    seenAt = Form1->PopupMenu1->PopupPoint();
    EXPECT_EQ(seenAt.x, r.left + inEditor.x);
    EXPECT_EQ(seenAt.y, r.top + inEditor.y);
}

TEST_F(NoteWindowTest, MiddleClickSendsTheNoteToTheTrayAndATrayClickBringsItBackInPlace) {
    Start();
    Form1->Show();
    const RECT before = WindowRect();
    Mouse(WM_MBUTTONDOWN, MK_MBUTTON, {before.left + 30, before.top + 60});
    EXPECT_FALSE(IsWindowVisible(Note()));
    EXPECT_TRUE(app.IsMinimized());
    EXPECT_FALSE(IsWindowVisible(app.Handle()));
    SendMessageW(Form1->TrayIcon1->NotifyWindow(), TTrayIcon::WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(Note()));
    EXPECT_FALSE(IsWindowVisible(app.Handle())); // showing the note takes the taskbar button away
    const RECT after = WindowRect();
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
}

TEST_F(NoteWindowTest, ClosingHidesTheNoteWhenSetToAndEndsTheProgramOtherwise) {
    Start();
    Form1->Show();
    SendMessageW(Note(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(Note()));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    app.DestroyForms();

    Setting(L"Apparence", L"Close", L"0");
    Start();
    Form1->Show();
    SendMessageW(Note(), WM_CLOSE, 0, 0);
    app.Run(); // ends: closing the main form asked the program to end
    EXPECT_TRUE(app.Terminated());
}

TEST_F(NoteWindowTest, SeeThroughBackgroundIsSuspendedWhileThePointerIsOverTheText) {
    Setting(L"Apparence", L"BgTrans", L"1");
    Setting(L"Apparence", L"BgColor", L"12632256"); // 0xC0C0C0
    Start();
    Form1->Show();
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(Note(), &key, &alpha, &flags));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
    EXPECT_EQ(key, 0xC0C0C0u);
    EXPECT_FALSE(Form1->AlphaBlend());

    const RECT r = WindowRect();
    Mouse(WM_MOUSEMOVE, 0, {r.left + 50, r.top + 50}); // the pointer enters the editor
    EXPECT_FALSE(GetWindowLongPtrW(Note(), GWL_EXSTYLE) & WS_EX_LAYERED);
    SendMessageW(Editor(), WM_MOUSELEAVE, 0, 0);
    ASSERT_TRUE(GetLayeredWindowAttributes(Note(), &key, &alpha, &flags));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY));
}

TEST_F(NoteWindowTest, OpacityComesFromTheSettingsAndOutOfRangeValuesAreBroughtBack) {
    Setting(L"Apparence", L"Alpha", L"100");
    Start();
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(Note(), nullptr, &alpha, &flags));
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_EQ(alpha, 100);
    app.DestroyForms();
    Setting(L"Apparence", L"Alpha", L"300");
    Start();
    EXPECT_EQ(Form1->AlphaBlendValue(), 255);
}

TEST_F(NoteWindowTest, NoteHotKeysWorkWhileTheNoteIsShownAndNotAfterItIsHidden) {
    Start();
    Form1->Show();
    EXPECT_TRUE(Form1->HKAOT->Active());
    Press({VK_CONTROL, 'O'});
    EXPECT_TRUE(Form1->AOT1->Checked());
    EXPECT_TRUE(GetWindowLongPtrW(Note(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    Form1->Hide();
    for (TGlobalHotKey* hotKey : {Form1->HKAOT, Form1->HKCfg, Form1->HKDel, Form1->HKExit, Form1->HKSave,
                                  Form1->HKSaveTo, Form1->HKShow, Form1->HKHide})
        EXPECT_FALSE(hotKey->Active()) << hotKey->Name();
    EXPECT_TRUE(Form1->HKGlobal->Active());
    // Ctrl+O now belongs to whichever window has the focus.
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr, nullptr,
                                 nullptr);
    SetForegroundWindow(other);
    SetFocus(other);
    Press({VK_CONTROL, 'O'});
    EXPECT_TRUE(Form1->AOT1->Checked());
    DestroyWindow(other);
}

TEST_F(NoteWindowTest, BorderChangeGivesANewWindowAndKeepsTheNoteAndItsHotKeys) {
    Start();
    Form1->Memo1->SetRtf("{\\rtf1 plain {\\b bold} {\\i italic}\\par}");
    const std::string before = Form1->Memo1->Rtf();
    HWND old = Note();
    Form1->SetBorderStyle(bsNone);
    EXPECT_NE(Note(), old);
    EXPECT_EQ(Form1->Memo1->Rtf(), before);
    EXPECT_EQ(Form1->HKGlobal->BoundWindow(), Note());
}

} // namespace

namespace {

TEST_F(NoteWindowTest, OpeningTheSettingsDialogOverTheNoteMovesTheActivation) {
    Start();
    Form1->Show();
    EXPECT_TRUE(Form1->Active());
    Fcfg->Show();
    EXPECT_TRUE(Fcfg->Active());
    EXPECT_FALSE(Form1->Active());
    EXPECT_FALSE(Form1->HKSave->Active()); // deactivating the note switches its keys off
}

} // namespace
