#include "support/FileTestHelpers.h"
#include "ProgramFixture.h"

#include "framework/Dialogs.h"
#include "framework/Shell.h"

namespace {

using DocumentTest = ProgramFixture;

TEST_F(DocumentTest, WithoutADocumentTheNoteStartsEmptyAndTheFirstSaveCreatesIt) {
    Start();
    EXPECT_EQ(Form1->Memo1->Text(), L"");
    EXPECT_FALSE(Exists(DocumentPath()));
    Form1->Enregistrer1->Click();
    EXPECT_EQ(FileBytes(DocumentPath()).rfind("{\\rtf", 0), 0u);
    EXPECT_FALSE(Exists(DocumentPath() + L".tmp"));
}

TEST_F(DocumentTest, TextAndFormattingComeBackOnTheNextStart) {
    Start();
    Form1->Memo1->SetRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                         "\\f0 plain {\\b bold} {\\cf1 red}\\par\\qc centred \\u937?\\par}");
    const std::wstring text = Form1->Memo1->Text();
    app.DestroyForms(); // the note saves itself on the way out
    Start();
    EXPECT_EQ(Form1->Memo1->Text(), text);
    Form1->Memo1->Select(6, 10);
    EXPECT_EQ(Form1->Memo1->SelAttributes().Style, fsBold);
    Form1->Memo1->Select(11, 14);
    EXPECT_EQ(Form1->Memo1->SelAttributes().Color, 0x0000FF);
    Form1->Memo1->Select(17, 18);
    EXPECT_EQ(Form1->Memo1->ParagraphAlignment(), taCenter);
}

TEST_F(DocumentTest, PlainTextUnderTheDocumentNameLoadsAsTextWithItsLineBreaksAndTheFirstEditSavesItAsRtf) {
    const std::string plain("one\rtwo\nthree\r\nfo\0ur\r\n", 25);
    WriteBytes(DocumentPath(), plain);
    Start();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(Form1->Memo1->Line(0), L"one");
    EXPECT_EQ(Form1->Memo1->Line(1), L"two");
    EXPECT_EQ(Form1->Memo1->Line(2), L"three");
    EXPECT_EQ(Form1->Memo1->Line(3), L"four");
    // Nobody edited it: another program's note stays as it was, whatever saves come.
    Form1->Enregistrer1->Click();
    Form1->Timer1->OnTimer(Form1->Timer1);
    EXPECT_TRUE(FileBytes(DocumentPath()) == plain);
    Form1->Memo1->Select(0, 0);
    SendMessageW(Form1->Memo1->Handle(), WM_CHAR, L'>', 0);
    Form1->Enregistrer1->Click();
    EXPECT_EQ(FileBytes(DocumentPath()).rfind("{\\rtf", 0), 0u);
    EXPECT_NE(FileBytes(DocumentPath()).find(">one"), std::string::npos);
}

TEST_F(DocumentTest, AnUnreadableDocumentIsReportedAndNeverReplacedByTheEmptyNote) {
    const std::string stored = "{\\rtf1 the note the user had\\par}";
    WriteBytes(DocumentPath(), stored);
    TFileLock lock(DocumentPath());
    ASSERT_TRUE(lock.Held());
    Start();
    ASSERT_GE(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind(L"Cannot open file \"" + DocumentPath() + L"\". ", 0), 0u) << reported[0];
    EXPECT_EQ(Form1->Memo1->Text(), L"");
    Form1->Enregistrer1->Click(); // nothing typed: the save is held back
    lock.Release();
    app.DestroyForms(); // and so is the one on the way out
    EXPECT_EQ(FileBytes(DocumentPath()), stored);
    EXPECT_FALSE(Exists(DocumentPath() + L".unreadable"));
    reported.clear();
    Start(); // the next start loads it
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(Form1->Memo1->Text(), L"the note the user had");
}

TEST_F(DocumentTest, AFailedSaveKeepsThePreviousDocumentAndLeavesNoTemporaryFile) {
    Start();
    SetWindowTextW(Form1->Memo1->Handle(), L"first version");
    Form1->Enregistrer1->Click();
    const std::string first = FileBytes(DocumentPath());
    SetWindowTextW(Form1->Memo1->Handle(), L"second version");
    {
        TInjectedFileCalls injected;
        injected.Calls.Write = [](HANDLE, const void*, DWORD, DWORD* written) {
            *written = 0;
            return Fails(ERROR_DISK_FULL);
        };
        reported.clear();
        Form1->Enregistrer1->Click();
    }
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].rfind(L"Cannot create file \"" + DocumentPath() + L"\". ", 0), 0u) << reported[0];
    EXPECT_EQ(FileBytes(DocumentPath()), first);
    EXPECT_FALSE(Exists(DocumentPath() + L".tmp"));
    EXPECT_FALSE(Exists(NoteTemporaryPath(DocumentPath())));
    Form1->Enregistrer1->Click(); // the next save tries again
    EXPECT_NE(FileBytes(DocumentPath()).find("second version"), std::string::npos);
}

TEST_F(DocumentTest, PlainTextCopyHasEveryLineEndedByCrLfAndNothingMore) {
    Start();
    Form1->SaveMemo();
    EXPECT_EQ(FileBytes(PlainTextPath()), ""); // an empty note has no lines
    SetWindowTextW(Form1->Memo1->Handle(), L"first\r\nsecond \u03A9 ok");
    SendMessageW(Form1->Handle(), WM_HOTKEY, 0, 0); // not ours: nothing happens
    Form1->HKSave->OnHotKey(Form1->HKSave);
    // The omega is not in the code page: the whole copy is UTF-8 behind its mark.
    EXPECT_EQ(FileBytes(PlainTextPath()), "\xEF\xBB\xBF"
                                          "first\r\nsecond \xCE\xA9 ok\r\n");
    SetWindowTextW(Form1->Memo1->Handle(), L"ends with a break\r\n");
    Form1->SaveMemo();
    EXPECT_EQ(FileBytes(PlainTextPath()), "ends with a break\r\n");
}

TEST_F(DocumentTest, SaveAsWritesWhereTheUserChoosesAndCancelWritesNothing) {
    Start();
    SetWindowTextW(Form1->Memo1->Handle(), L"copy me");
    const std::wstring target = PlainTextPath() + L".chosen.txt";
    auto saved = TSaveDialog::Show;
    std::wstring title, filter, ext;
    TSaveDialog::Show = [&](const TSaveDialog& d, HWND) -> std::optional<std::wstring> {
        title = d.Title(), filter = d.Filter(), ext = d.DefaultExt();
        return target;
    };
    Form1->Enregistrersous1->Click();
    EXPECT_EQ(FileBytes(target), "copy me\r\n");
    EXPECT_EQ(title, L"Enregistrer sous...");
    EXPECT_EQ(filter, L"Fichier Texte (*.txt)| *.txt|Tous les fichiers (*.*)| *.*");
    EXPECT_EQ(ext, L"txt");
    DeleteFileW(target.c_str());
    TSaveDialog::Show = [](const TSaveDialog&, HWND) -> std::optional<std::wstring> { return std::nullopt; };
    Form1->Enregistrersous1->Click();
    EXPECT_FALSE(Exists(target));
    TSaveDialog::Show = saved;
}

TEST_F(DocumentTest, ClearingAsksFromTheMenuButNotFromTheHotKey) {
    Start();
    auto saved = AskYesNo;
    std::wstring asked, caption;
    bool answer = false;
    AskYesNo = [&](HWND, const std::wstring& t, const std::wstring& c) {
        asked = t, caption = c;
        return answer;
    };
    SetWindowTextW(Form1->Memo1->Handle(), L"keep me");
    Form1->Vider1->Click();
    EXPECT_EQ(asked, L"Êtes vous sûr de vouloir tout supprimer?");
    EXPECT_EQ(caption, L"Tout Supprimer ?");
    EXPECT_EQ(Form1->Memo1->Text(), L"keep me");
    answer = true;
    Form1->Vider1->Click();
    EXPECT_EQ(Form1->Memo1->Text(), L"");
    SetWindowTextW(Form1->Memo1->Handle(), L"gone without a word");
    asked.clear();
    Form1->HKDel->OnHotKey(Form1->HKDel);
    EXPECT_EQ(Form1->Memo1->Text(), L"");
    EXPECT_TRUE(asked.empty());
    AskYesNo = saved;
}

TEST_F(DocumentTest, ALeftClickOnALinkOpensItAndAClickElsewhereDoesNot) {
    Start();
    Form1->Show();
    auto saved = ShellOpen;
    std::vector<std::wstring> opened;
    ShellOpen = [&](HWND, const std::wstring& target) { opened.push_back(target); };
    SetWindowTextW(Form1->Memo1->Handle(), L"see http://example.com/note here\r\nplain line");
    Form1->Hypertext();
    auto clickAtChar = [&](int index) {
        POINTL at{};
        SendMessageW(Form1->Memo1->Handle(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), index);
        SendMessageW(Form1->Memo1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x + 2, at.y + 4));
        SendMessageW(Form1->Memo1->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(at.x + 2, at.y + 4));
    };
    clickAtChar(40); // "plain line"
    EXPECT_TRUE(opened.empty());
    clickAtChar(8); // inside the address
    EXPECT_EQ(opened, std::vector<std::wstring>{L"http://example.com/note"});
    ShellOpen = saved;
}

} // namespace
