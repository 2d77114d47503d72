#include "support/FileTestHelpers.h"
#include "ProgramFixture.h"

#include "framework/Error.h"
#include "framework/FileCalls.h"
#include "framework/Handles.h"
#include "framework/SafeFile.h"
#include "support/DialogProbe.h"

#include <dlgs.h>

namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(PlainTextBytes, EveryParagraphIsOneLineEndedByCrLfWhateverBreakTheControlGives) {
    EXPECT_EQ(PlainTextBytes(L"", 1252), "");
    EXPECT_EQ(PlainTextBytes(L"one\rtwo\r\nthree\nfour", 1252), "one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_EQ(PlainTextBytes(L"ends with a break\r\n", 1252), "ends with a break\r\n");
    EXPECT_EQ(PlainTextBytes(L"ends with a lone CR\r", 1252), "ends with a lone CR\r\n");
    EXPECT_EQ(PlainTextBytes(L"\r\n\r\nafter two empty ones", 1252), "\r\n\r\nafter two empty ones\r\n");
    // A soft line break belongs to its paragraph.
    EXPECT_EQ(PlainTextBytes(L"soft\vbreak", 1252), "soft\vbreak\r\n");
}

TEST(PlainTextBytes, CodePageTextKeepsItsBytesAndAnyOtherCharacterTurnsTheCopyToUtf8) {
    EXPECT_EQ(PlainTextBytes(L"caf\u00E9 \u20AC \u2019\r\nna\u00EFve", 1252),
              "caf\xE9 \x80 \x92\r\nna\xEFve\r\n");
    EXPECT_EQ(PlainTextBytes(L"caf\u00E9 \u03A9", 1252), kBom + "caf\xC3\xA9 \xCE\xA9\r\n");
    // A character with a look-alike in the code page ("l", "e") is no exception.
    EXPECT_EQ(PlainTextBytes(L"\u0142", 1252), kBom + "\xC5\x82\r\n");
    EXPECT_EQ(PlainTextBytes(L"\u65E5\u672C \u03A9", 932), "\x93\xFA\x96\x7B \x83\xB6\r\n");
    EXPECT_EQ(PlainTextBytes(L"\u65E5 \u00E9", 932), kBom + "\xE6\x97\xA5 \xC3\xA9\r\n");
    // A system whose code page is UTF-8 gets that code page's own bytes, with no mark. (Wine
    // accepts the best-fit flag for UTF-8, which Windows refuses, so this cannot tell the two
    // flag sets apart here; it checks the outcome.)
    EXPECT_EQ(PlainTextBytes(L"caf\u00E9 \u03A9", CP_UTF8), "caf\xC3\xA9 \xCE\xA9\r\n");
}

class PlainTextCopyTest : public ProgramFixture {
protected:
    void TearDown() override {
        ResetFileCalls();
        ProgramFixture::TearDown();
        DeleteFileW(TemporaryPathFor(PlainTextPath()).c_str());
    }
    void SetText(const std::wstring& text) { SetWindowTextW(Form1->Memo1->Handle(), text.c_str()); }
    void PressCtrlS() {
        reported.clear();
        Guarded(Form1, [] { Form1->HKSave->OnHotKey(Form1->HKSave); });
    }
};

TEST_F(PlainTextCopyTest, AWrappedParagraphIsOneLineAndALongOneIsWhole) {
    Start();
    std::wstring wrapped;
    while (wrapped.size() < 278)
        wrapped += L"mots ";
    wrapped.resize(278);
    SetText(L"first\r\n" + wrapped);
    ASSERT_GE(Form1->Memo1->LineCount(), 4); // the note's width cuts it into display lines
    PressCtrlS();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(FileBytes(PlainTextPath()), "first\r\n" + std::string(wrapped.begin(), wrapped.end()) + "\r\n");

    std::string whole;
    for (int i = 0; whole.size() < 10000; ++i)
        whole += std::to_string(i % 10);
    SetText(std::wstring(whole.begin(), whole.end()) + L"\r\nlast");
    Form1->SaveMemo();
    EXPECT_EQ(FileBytes(PlainTextPath()), whole + "\r\nlast\r\n");
}

TEST_F(PlainTextCopyTest, ACharacterOutsideTheCodePageGivesUtf8WithAMarkAndTheExactText) {
    ASSERT_EQ(GetACP(), 1252u) << "the expected bytes are those of the test prefix's code page";
    Start();
    SetText(L"\u00E9t\u00E9 \u2192 \u03A9\r\n\u00E0 bient\u00F4t");
    PressCtrlS();
    EXPECT_EQ(FileBytes(PlainTextPath()),
              kBom + "\xC3\xA9t\xC3\xA9 \xE2\x86\x92 \xCE\xA9\r\n\xC3\xA0 bient\xC3\xB4t\r\n");
    SetText(L"\u00E9t\u00E9\r\n\u00E0 bient\u00F4t");
    PressCtrlS();
    EXPECT_EQ(FileBytes(PlainTextPath()), "\xE9t\xE9\r\n\xE0 bient\xF4t\r\n");
}

TEST_F(PlainTextCopyTest, AFailedWriteKeepsThePreviousCopyAndReportsTheIoError) {
    Start();
    std::wstring note;
    for (int i = 0; note.size() < 40000; ++i)
        note += L"line " + std::to_wstring(i) + L" of the previous copy\r\n";
    SetText(note);
    Form1->SaveMemo();
    const std::string previous = FileBytes(PlainTextPath());
    ASSERT_GE(previous.size(), 40000u);

    SetText(note + L"and a little more");
    auto write = FileCalls().Write;
    int calls = 0;
    FileCalls().Write = [&](HANDLE file, const void* data, DWORD size, DWORD* written) {
        if (++calls == 1) return write(file, data, size / 2, written); // part goes to disk first
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    };
    PressCtrlS();
    ASSERT_GE(calls, 2);
    EXPECT_EQ(reported, std::vector<std::wstring>{L"Disk full"});
    EXPECT_EQ(FileBytes(PlainTextPath()), previous);
    EXPECT_FALSE(Exists(TemporaryPathFor(PlainTextPath())));

    ResetFileCalls();
    PressCtrlS(); // the next copy goes through
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(FileBytes(PlainTextPath()), previous + "and a little more\r\n");
}

TEST_F(PlainTextCopyTest, ACopyOverALockedFileIsRefusedAsBeforeAndTheFileKeepsItsBytes) {
    Start();
    const std::wstring target = PlainTextPath() + L".chosen.txt";
    WriteBytes(target, "kept\r\n");
    auto saved = TSaveDialog::Show;
    TSaveDialog::Show = [&](const TSaveDialog&, HWND) -> std::optional<std::wstring> { return target; };
    SetText(L"new text");
    {
        TFileHandle lock(CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock);
        reported.clear();
        Guarded(Form1, [] { Form1->Enregistrersous1->Click(); });
    }
    TSaveDialog::Show = saved;
    EXPECT_EQ(reported, std::vector<std::wstring>{L"File access denied"});
    EXPECT_EQ(FileBytes(target), "kept\r\n");
    EXPECT_FALSE(Exists(TemporaryPathFor(target)));
    DeleteFileW(target.c_str());
}

// The texts of a dialog's static controls, one after the other.
std::wstring StaticTexts(HWND dialog) {
    std::wstring texts;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {}, text[512] = {};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Static") != 0) continue;
        GetWindowTextW(child, text, 512);
        texts += text;
    }
    return texts;
}

// The platform's save dialog on screen, given a file name and OK; then its question about
// replacing the file, answered with `answer`. Returns the question's text, empty when none came.
std::wstring SaveAsOverExisting(const std::wstring& target, int answer) {
    std::wstring question;
    bool named = false, answered = false;
    const DWORD deadline = GetTickCount() + 8000;
    EachTickUntil([&] {
        const std::vector<HWND> dialogs = ShownDialogs();
        if (GetTickCount() > deadline) {
            for (HWND d : dialogs)
                PostMessageW(d, WM_COMMAND, IDCANCEL, 0);
            return dialogs.empty();
        }
        for (HWND d : dialogs) {
            if (GetDlgItem(d, IDYES) && GetDlgItem(d, IDNO)) { // the question, over the save dialog
                if (answered) return false;
                question = StaticTexts(d);
                PressDialogButton(d, answer);
                answered = true;
                return false;
            }
        }
        if (dialogs.empty()) return named;
        HWND save = dialogs.front();
        if (!named) {
            // The file name box, once the dialog has it on screen: a combo box in the dialogs of
            // recent systems, an edit in older ones.
            HWND name = GetDlgItem(save, cmb13) ? GetDlgItem(save, cmb13) : GetDlgItem(save, edt1);
            if (!name || !IsWindowVisible(name)) return false;
            SetWindowTextW(name, target.c_str());
            PressDialogButton(save, IDOK);
            named = true;
        } else if (answered) {
            PressDialogButton(save, IDCANCEL); // "No" keeps the dialog open for another name
        }
        return false;
    });
    Form1->Enregistrersous1->Click(); // returns once the dialog has gone
    return question;
}

TEST_F(PlainTextCopyTest, SaveAsAsksBeforeReplacingAFileThatExists) {
    Start();
    const std::wstring target = PlainTextPath() + L".chosen.txt";
    WriteBytes(target, "kept\r\n");
    SetText(L"new text");
    // The system's own words ("... already exists. Do you want to replace it?"; Wine leaves the
    // name out), in the system's language.
    const std::wstring question = SaveAsOverExisting(target, IDNO);
    EXPECT_NE(question.find(L"exists"), std::wstring::npos) << "no question before replacing " << target;
    EXPECT_EQ(FileBytes(target), "kept\r\n");

    EXPECT_NE(SaveAsOverExisting(target, IDYES).find(L"exists"), std::wstring::npos);
    EXPECT_EQ(FileBytes(target), "new text\r\n");
    EXPECT_TRUE(reported.empty());
    DeleteFileW(target.c_str());
}

TEST_F(PlainTextCopyTest, ATemporaryFileLeftByAKilledCopyIsGoneAfterTheNextOne) {
    Start();
    const std::wstring leftover = TemporaryPathFor(PlainTextPath());
    WriteBytes(leftover, std::string(49152, 'x'));
    SetText(L"whole");
    PressCtrlS();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(FileBytes(PlainTextPath()), "whole\r\n");
    EXPECT_FALSE(Exists(leftover));
}

} // namespace
