#include "ProgramFixture.h"
#include "about/AboutForm.h"
#include "about/CreditForm.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "components/GlobalHotKey.h"
#include "components/TrayIcon.h"
#include "framework/Application.h"
#include "settings/SettingsForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Writes down the names of the components it watches as they go away.
class TDestructionLog : public TComponent {
public:
    TDestructionLog() : TComponent(nullptr) {}
    std::vector<std::wstring> names;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove) names.push_back(component->Name());
    }
};

std::wstring ClassOf(HWND wnd) {
    wchar_t name[64] = {};
    GetClassNameW(wnd, name, 64);
    return name;
}

std::wstring TextOf(HWND wnd) {
    wchar_t text[128] = {};
    GetWindowTextW(wnd, text, 128);
    return text;
}

SIZE ClientSize(HWND wnd) {
    RECT r;
    GetClientRect(wnd, &r);
    return {r.right, r.bottom};
}

class ProgramTest : public ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        Start();
    }
};

TEST_F(ProgramTest, CreatesTheFourWindowsInOrderWithTheNoteWindowAsMainForm) {
    ASSERT_EQ(app.FormCount(), 4u);
    EXPECT_EQ(app.Forms(0), Form1);
    EXPECT_EQ(app.Forms(1), Fcfg);
    EXPECT_EQ(app.Forms(2), FAbout);
    EXPECT_EQ(app.Forms(3), FCredit);
    EXPECT_EQ(app.MainForm(), Form1);
    EXPECT_TRUE(reported.empty());
    for (TForm* form : {static_cast<TForm*>(Form1), static_cast<TForm*>(Fcfg), static_cast<TForm*>(FAbout),
                        static_cast<TForm*>(FCredit)})
        EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), app.Handle()) << TextOf(form->Handle());
    EXPECT_EQ(TextOf(app.Handle()), L"Quillpad");
}

TEST_F(ProgramTest, WindowsCarryTheirDesignValuesAndTheNoteTheDefaultSettings) {
    HWND note = Form1->Handle();
    EXPECT_EQ(ClassOf(note), L"TForm1");
    EXPECT_EQ(TextOf(note), L"Quillpad v1.6");
    // No settings file: 200,200, outer size 260 x 250, sizeable, opaque with blending still on.
    RECT r;
    GetWindowRect(note, &r);
    EXPECT_EQ(r.left, 200);
    EXPECT_EQ(r.top, 200);
    EXPECT_EQ(r.right - r.left, 260);
    EXPECT_EQ(r.bottom - r.top, 250);
    EXPECT_EQ(GetWindowLongPtrW(note, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), WS_CAPTION | WS_THICKFRAME);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(note, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 255);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_TRUE(GetWindowLongPtrW(Form1->Memo1->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(Form1->Memo1->Font()->Name(), L"Arial");
    EXPECT_EQ(Form1->Memo1->Font()->Size(), 8);
    EXPECT_EQ(Form1->Memo1->Color(), 0xFFFFFF);
    EXPECT_EQ(Form1->TransparentColorValue(), 0xFFFFFF);
    EXPECT_TRUE(Form1->MinimizeOnClose());
    EXPECT_EQ(Form1->DefaultFont(), Form1->Memo1->Font());
    EXPECT_TRUE(reported.empty());

    EXPECT_EQ(TextOf(Fcfg->Handle()), L"Paramètres");
    EXPECT_EQ(ClientSize(Fcfg->Handle()).cx, 288);
    EXPECT_EQ(ClientSize(Fcfg->Handle()).cy, 376);
    EXPECT_EQ(TextOf(FAbout->Handle()), L"A Propos");
    EXPECT_EQ(ClientSize(FAbout->Handle()).cx, 330);
    EXPECT_EQ(ClientSize(FAbout->Handle()).cy, 434);
    EXPECT_EQ(TextOf(FCredit->Handle()).rfind(L"A Propos de .... ", 0), 0u);
    EXPECT_EQ(ClientSize(FCredit->Handle()).cx, 637);
    EXPECT_EQ(ClientSize(FCredit->Handle()).cy, 273);
    GetWindowRect(FCredit->Handle(), &r);
    EXPECT_EQ(r.left, 351);
    EXPECT_EQ(r.top, 297);
    for (size_t i = 0; i < app.FormCount(); ++i)
        EXPECT_FALSE(IsWindowVisible(app.Forms(i)->Handle())) << TextOf(app.Forms(i)->Handle());
}

TEST_F(ProgramTest, WithoutSettingsOnlyTheTrayIconShows) {
    EXPECT_FALSE(app.ShowMainForm());
    EXPECT_FALSE(Form1->ShowAtStart());
    EXPECT_FALSE(IsWindowVisible(app.Handle()));
    TTrayIcon* tray = Form1->TrayIcon1;
    EXPECT_TRUE(tray->Active());
    EXPECT_EQ(tray->Hint(), L"Quillpad");
    EXPECT_EQ(tray->IconIndex(), -1);
    EXPECT_EQ(tray->Visibility(), tvAutoHide);
    EXPECT_EQ(tray->PopupMenu(), Form1->PopupMenu1);
    EXPECT_FALSE(tray->Icon()->Empty());
}

TEST_F(ProgramTest, TrayClicksToggleTheNoteAndTheMenuCommandsActOnIt) {
    HWND tray = Form1->TrayIcon1->NotifyWindow();
    SendMessageW(tray, TTrayIcon::WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
    SendMessageW(tray, TTrayIcon::WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
    EXPECT_FALSE(IsWindowVisible(app.Handle())); // no taskbar button while in the tray

    Form1->Afficher1->Click();
    EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
    Form1->AOT1->Click();
    EXPECT_TRUE(Form1->AOT1->Checked());
    EXPECT_TRUE(GetWindowLongPtrW(Form1->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    // Some other window on the desktop: Wine keeps an owned window topmost when only its
    // owner lies below it.
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(other, SW_SHOWNOACTIVATE);
    Form1->AOT1->Click();
    EXPECT_FALSE(Form1->AOT1->Checked());
    EXPECT_FALSE(GetWindowLongPtrW(Form1->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    DestroyWindow(other);
    Form1->Cacher1->Click();
    EXPECT_FALSE(IsWindowVisible(Form1->Handle()));
    Form1->Quitter1->Click();
    app.Run();
    EXPECT_TRUE(app.Terminated());
}

TEST_F(ProgramTest, QuittingEndsTheLoopAndTheWindowsGoLastCreatedFirst) {
    TDestructionLog log;
    HWND wnds[] = {Form1->Handle(), Fcfg->Handle(), FAbout->Handle(), FCredit->Handle()};
    for (size_t i = 0; i < app.FormCount(); ++i) app.Forms(i)->FreeNotification(&log);
    Form1->Quitter1->Click();
    app.Run();
    EXPECT_TRUE(app.Terminated());
    app.DestroyForms();
    EXPECT_EQ(log.names, (std::vector<std::wstring>{L"FCredit", L"FAbout", L"Fcfg", L"Form1"}));
    for (HWND wnd : wnds) EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(Fcfg, nullptr);
    EXPECT_EQ(FAbout, nullptr);
    EXPECT_EQ(FCredit, nullptr);
}

TEST_F(ProgramTest, NineHotKeysComeInDesignOrderWithOnlyTheGlobalOneActive) {
    std::vector<std::wstring> names;
    for (size_t i = 0; i < Form1->ComponentCount(); ++i)
        if (auto* hotKey = dynamic_cast<TGlobalHotKey*>(Form1->Components(i))) names.push_back(hotKey->Name());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"HKSave", L"HKCfg", L"HKSaveTo", L"HKAOT", L"HKExit", L"HKDel",
                                                L"HKShow", L"HKHide", L"HKGlobal"}));
    EXPECT_TRUE(Form1->HKGlobal->Active());
    EXPECT_EQ(Form1->HKGlobal->HotKey(), 0);
    EXPECT_EQ(Form1->HKGlobal->BoundWindow(), Form1->Handle());
    EXPECT_EQ(Form1->HKSaveTo->HotKey(), scCtrl | scAlt | 'S');
    EXPECT_EQ(Form1->HKDel->HotKey(), scCtrl | VK_DELETE);
    for (TGlobalHotKey* hotKey : {Form1->HKSave, Form1->HKCfg, Form1->HKSaveTo, Form1->HKAOT, Form1->HKExit,
                                  Form1->HKDel, Form1->HKShow, Form1->HKHide})
        EXPECT_FALSE(hotKey->Active()) << hotKey->Name();

    Form1->SetNoteHotKeysActive(true);
    EXPECT_TRUE(Form1->HKHide->Active());
    // Ctrl+O as the platform delivers it: on top, and the tray menu's item follows.
    SendMessageW(Form1->Handle(), WM_HOTKEY, Form1->HKAOT->HotKeyId(), 0);
    EXPECT_TRUE(Form1->AOT1->Checked());
    EXPECT_TRUE(GetWindowLongPtrW(Form1->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    SendMessageW(Form1->Handle(), WM_HOTKEY, Form1->HKShow->HotKeyId(), 0);
    EXPECT_TRUE(IsWindowVisible(Form1->Handle()));
    SendMessageW(Form1->Handle(), WM_HOTKEY, Form1->HKExit->HotKeyId(), 0);
    app.Run();
    EXPECT_TRUE(app.Terminated());
    Form1->SetNoteHotKeysActive(false);
    EXPECT_FALSE(Form1->HKSave->Active());
}

} // namespace
