// The versions dialog as the user meets it: opened from the note's menus, driven by real key
// presses from inside its own loop, over real version files beside the test program's note.
#include "NoteFixture.h"
#include "support/Announced.h"
#include "support/DialogProbe.h"
#include "support/FileTestHelpers.h"
#include "versions/VersionsForm.h"

#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Rtf(const std::string& body) {
    return "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + body + "\\par}";
}

ULONGLONG Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
    const SYSTEMTIME when{year, month, 0, day, hour, minute, 0, 0};
    FILETIME file{};
    SystemTimeToFileTime(&when, &file);
    return (ULONGLONG(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

// What the user's clock showed at that moment, by the platform's own conversion.
std::wstring LocalClock(ULONGLONG utc) {
    const FILETIME file{static_cast<DWORD>(utc), static_cast<DWORD>(utc >> 32)};
    FILETIME local{};
    SYSTEMTIME when{};
    FileTimeToLocalFileTime(&file, &local);
    FileTimeToSystemTime(&local, &when);
    wchar_t text[32];
    swprintf(text, 32, L"%02u/%02u/%04u %02u:%02u", when.wDay, when.wMonth, when.wYear, when.wHour,
             when.wMinute);
    return text;
}

class VersionsDialogTest : public NoteFixture {
protected:
    void SetUp() override {
        NoteFixture::SetUp();
        RemoveVersions();
        savedOpenFolder = TFVersions::OpenFolder;
    }
    void TearDown() override {
        ResetFileCalls();
        TFVersions::OpenFolder = savedOpenFolder;
        NoteFixture::TearDown();
        RemoveVersions();
    }
    static void RemoveVersions() {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(VersionsFolder(DocumentPath())), ignored);
        DeleteFileW(Conflict().c_str());
    }
    static std::wstring Stem() {
        const std::wstring name = DocumentPath().substr(DocumentPath().find_last_of(L'\\') + 1);
        return name.substr(0, name.find_last_of(L'.'));
    }
    static std::wstring Conflict() {
        return DocumentPath().substr(0, DocumentPath().find_last_of(L'\\') + 1) + Stem() +
               L" (conflit 2026-12-10 12-00-00).RTF";
    }
    // A version file as the keeper names it: the moment (UTC) and the computer.
    static std::wstring Version(ULONGLONG utc, const std::wstring& computer, const std::string& bytes) {
        CreateDirectoryW(VersionsFolder(DocumentPath()).c_str(), nullptr);
        const std::wstring path = VersionPathFor(DocumentPath(), utc, computer);
        WriteBytes(path, bytes);
        return path;
    }

    // Steps run one a tick from inside the dialog's loop, each until it returns true; the
    // dialog is closed when they stall.
    void OpenWith(TMenuItem* item, std::vector<std::function<bool()>> steps) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        finished = false;
        step = 0;
        EachTickUntil([this, steps, at = &step, deadline] {
            if (std::chrono::steady_clock::now() > deadline) {
                if (FVersions && FVersions->Visible()) PostMessageW(FVersions->Handle(), WM_CLOSE, 0, 0);
                return true;
            }
            if (*at < steps.size() && steps[*at]()) ++*at;
            finished = *at == steps.size();
            return finished;
        });
        item->Click(); // returns once the dialog is closed
    }
    // The dialog is up, in front, on the list.
    static bool Ready() {
        return FVersions && FVersions->Visible() && GetForegroundWindow() == FVersions->Handle() &&
               GetFocus() == FVersions->List->Handle();
    }
    static std::function<bool()> Keys(std::initializer_list<WORD> keys) {
        return [keys] {
            SendChord(keys);
            return true;
        };
    }
    static std::vector<std::wstring> Row(int index) {
        std::vector<std::wstring> cells;
        for (size_t column = 0; column < FVersions->List->ColumnCount(); ++column)
            cells.push_back(FVersions->List->Cell(index, column));
        return cells;
    }

    bool finished = false;
    size_t step = 0; // the one the dialog's loop is at
    std::function<void(const std::wstring&)> savedOpenFolder;
};

TEST(VersionLines, DatesSizesAndFirstWordsAsTheListShowsThem) {
    EXPECT_EQ(LocalDateText(Utc(2026, 12, 9, 10, 45)), LocalClock(Utc(2026, 12, 9, 10, 45)));
    EXPECT_EQ(SizeText(500), L"500 octets");
    EXPECT_EQ(SizeText(12 * 1024 + 100), L"12 Ko");
    EXPECT_EQ(SizeText(1258291), L"1,2 Mo");
    EXPECT_EQ(SizeText(1024 * 1024), L"1 Mo");
    EXPECT_EQ(SizeText(25 * 1024 * 1024), L"25 Mo");

    // Blanks and paragraphs run together; hidden groups say nothing.
    EXPECT_EQ(FirstWords(Rtf("{\\*\\generator x;}Liste   des\\par\\tab courses")), L"Liste des courses");
    // Long text is cut at a word near the length, and says so.
    const std::wstring cut =
        FirstWords(Rtf(std::string(20, 'a') + " " + std::string(30, 'b') + " cccccccccccc dddd"));
    EXPECT_EQ(cut, std::wstring(20, L'a') + L" " + std::wstring(30, L'b') + L"…");
    // A document cut in the middle, as the first bytes of a long note are.
    EXPECT_EQ(FirstWords("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 d\\'e9but {\\b gras"), L"début gras");
    EXPECT_EQ(FirstWords("texte brut\r\nsur deux lignes"), L"texte brut sur deux lignes");
}

TEST_F(VersionsDialogTest, ListsTheVersionsNewestFirstWithTheirComputersSizesAndFirstWords) {
    Version(Utc(2026, 12, 1, 8, 0), L"BUREAU", Rtf("version ancienne"));
    std::string padded = Rtf("Liste   des\\par courses");
    padded.resize(12 * 1024, ' ');
    Version(Utc(2026, 12, 8, 9, 30), L"PORTABLE", padded);
    Version(Utc(2026, 12, 9, 8, 0), L"BUREAU", Rtf("{\\b la plus} recente"));
    WriteBytes(Conflict(), Rtf("ecrit ailleurs"));
    StartShown();
    std::vector<std::vector<std::wstring>> rows;
    std::wstring preview;
    bool restoreEnabled = false;
    std::wstring opened;
    TFVersions::OpenFolder = [&](const std::wstring& folder) { opened = folder; };
    std::vector<HWND> tabOrder;
    std::vector<std::wstring> names;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    OpenWith(Form1->Versions1,
             {Ready,
              [&] {
                  rows.clear();
                  names = {Announced(FVersions->List->Handle()).Name, Announced(FVersions->Preview->Handle()).Name};
                  for (int i = 0; i < FVersions->List->Count(); ++i)
                      rows.push_back(Row(i));
                  preview = FVersions->Preview->Text();
                  restoreEnabled = IsWindowEnabled(FVersions->Restaurer->Handle()) != FALSE;
                  return FVersions->List->ItemIndex() == 0 && !preview.empty();
              },
              // Tab walks the list, the preview and the buttons, and comes back.
              [&] {
                  tabOrder.push_back(GetFocus());
                  if (tabOrder.size() > 5) return true;
                  SendChord({VK_TAB});
                  return false;
              },
              // Back with Shift+Tab; Enter on "Ouvrir le dossier" opens the folder, the dialog stays.
              Keys({VK_SHIFT, VK_TAB}), [&] { return GetFocus() == FVersions->Fermer->Handle(); },
              Keys({VK_SHIFT, VK_TAB}), [&] { return GetFocus() == FVersions->OuvrirDossier->Handle(); },
              Keys({VK_RETURN}), [&] { return !opened.empty(); }, Keys({VK_ESCAPE})});
    ASSERT_TRUE(finished) << "stalled at step " << step;
    EXPECT_FALSE(FVersions->Visible());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"10/12/2026 12:00", L"copie en conflit",
                                                  std::to_wstring(Rtf("ecrit ailleurs").size()) + L" octets",
                                                  L"ecrit ailleurs"}));
    EXPECT_EQ(rows[1],
              (std::vector<std::wstring>{LocalClock(Utc(2026, 12, 9, 8, 0)), L"BUREAU",
                                         std::to_wstring(Rtf("{\\b la plus} recente").size()) + L" octets",
                                         L"la plus recente"}));
    EXPECT_EQ(rows[2], (std::vector<std::wstring>{LocalClock(Utc(2026, 12, 8, 9, 30)), L"PORTABLE", L"12 Ko",
                                                  L"Liste des courses"}));
    EXPECT_EQ(rows[3][1], L"BUREAU");
    EXPECT_EQ(rows[3][3], L"version ancienne");
    EXPECT_EQ(preview.substr(0, 14), L"ecrit ailleurs");
    EXPECT_TRUE(restoreEnabled);
    ASSERT_EQ(tabOrder.size(), 6u);
    EXPECT_EQ(tabOrder, (std::vector<HWND>{FVersions->List->Handle(), FVersions->Preview->Handle(),
                                           FVersions->Restaurer->Handle(), FVersions->OuvrirDossier->Handle(),
                                           FVersions->Fermer->Handle(), FVersions->List->Handle()}));
    EXPECT_EQ(opened, VersionsFolder(DocumentPath()));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Versions précédentes", L"Aperçu de la version"}));
    CoUninitialize();
    EXPECT_TRUE(reported.empty());
}

TEST_F(VersionsDialogTest, ReadsOnlyTheFirstBytesOfALongVersionToList) {
    std::string big = Rtf("le debut d'une longue note ");
    big.insert(big.size() - 1, std::string(1024 * 1024 - big.size(), 'x'));
    const std::wstring bigPath = Version(Utc(2026, 12, 1, 8, 0), L"BUREAU", big);
    Version(Utc(2026, 12, 9, 8, 0), L"BUREAU", Rtf("petite"));
    std::map<HANDLE, bool> isBig;
    size_t bigRead = 0;
    TFileCalls& calls = FileCalls();
    calls.Open = [open = calls.Open, &isBig, bigPath](const wchar_t* path, DWORD a, DWORD s, DWORD d) {
        HANDLE file = open(path, a, s, d);
        isBig[file] = _wcsicmp(path, bigPath.c_str()) == 0;
        return file;
    };
    calls.Read = [read = calls.Read, &isBig, &bigRead](HANDLE file, void* buffer, DWORD size, DWORD* done) {
        const BOOL ok = read(file, buffer, size, done);
        if (ok && isBig[file]) bigRead += *done;
        return ok;
    };
    StartShown();
    std::vector<std::wstring> bigRow;
    OpenWith(Form1->Versions1, {Ready,
                                [&] {
                                    bigRow = Row(1);
                                    return true;
                                },
                                Keys({VK_ESCAPE})});
    ASSERT_TRUE(finished) << "stalled at step " << step;
    EXPECT_EQ(bigRow[2], L"1 Mo");
    EXPECT_EQ(bigRow[3].substr(0, 26), L"le debut d'une longue note");
    EXPECT_GT(bigRead, 0u);
    EXPECT_LE(bigRead, 16u * 1024);
}

TEST_F(VersionsDialogTest, EnterPutsTheSelectedVersionInTheNoteAndCtrlZTakesItBack) {
    Version(Utc(2026, 12, 1, 8, 0), L"BUREAU", Rtf("version {\\b ancienne}"));
    Version(Utc(2026, 12, 9, 8, 0), L"PORTABLE", Rtf("version recente"));
    StartShown();
    SetNote("texte actuel");
    // Typed and not saved yet when the dialog opens.
    Memo().Select(12, 12);
    SendMessageW(Editor(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L" et tape"));
    std::wstring preview;
    // From the editor's own menu this time, by the keys: End, then the arrows.
    OpenWith(Form1->Versions2,
             {Ready, Keys({VK_END}), [&] { return FVersions->List->ItemIndex() == 1; }, Keys({VK_HOME}),
              [&] { return FVersions->List->ItemIndex() == 0; }, Keys({VK_DOWN}),
              [&] {
                  preview = FVersions->Preview->Text();
                  return FVersions->List->ItemIndex() == 1 && !preview.empty();
              },
              Keys({VK_RETURN})});
    ASSERT_TRUE(finished) << "stalled at step " << step;
    EXPECT_FALSE(FVersions->Visible());
    EXPECT_EQ(preview.substr(0, 16), L"version ancienne");
    EXPECT_EQ(Memo().Text().substr(0, 16), L"version ancienne");
    EXPECT_TRUE(Memo().Modified());
    // Once the restored note is saved, what it held before, typing included, is a version.
    Form1->Enregistrer1Click(nullptr);
    const std::vector<TNoteVersion> kept = ListVersions(FileCalls(), DocumentPath());
    EXPECT_TRUE(std::any_of(kept.begin(), kept.end(), [](const TNoteVersion& version) {
        return FileBytes(version.Path).find("texte actuel et tape") != std::string::npos;
    }));
    ASSERT_TRUE(PumpUntil([] { return GetFocus() == Form1->Memo1->Handle(); }));
    Press({VK_CONTROL, 'Z'});
    EXPECT_EQ(Memo().Text().substr(0, 12), L"texte actuel");
    EXPECT_TRUE(reported.empty());
}

TEST_F(VersionsDialogTest, AVersionTheEditorRefusesIsNotShownNorRestoredAndTheNoteStaysAsItWas) {
    // Nested past what the editor's reader survives.
    Version(Utc(2026, 12, 9, 8, 0), L"BUREAU",
            "{\\rtf1 " + std::string(60, '{') + "x" + std::string(61, '}'));
    StartShown();
    SetNote("texte actuel");
    std::wstring preview;
    size_t reportedInside = 0;
    OpenWith(Form1->Versions1, {Ready,
                                [&] {
                                    preview = FVersions->Preview->Text();
                                    return !preview.empty();
                                },
                                Keys({VK_RETURN}),
                                [&] {
                                    reportedInside = reported.size();
                                    return reportedInside > 0;
                                },
                                [&] { return FVersions->Visible() && Ready(); }, Keys({VK_ESCAPE})});
    ASSERT_TRUE(finished) << "stalled at step " << step;
    EXPECT_EQ(preview, TFVersions::kNoPreview);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find(L"n'a pas pu être remise dans la note"), std::wstring::npos);
    EXPECT_NE(reported[0].find(L"La note n'a pas été modifiée."), std::wstring::npos);
    EXPECT_EQ(Memo().Text().substr(0, 12), L"texte actuel");
    EXPECT_FALSE(Memo().CanUndo());
}

TEST_F(VersionsDialogTest, WithNoVersionsTheListSaysSoAndNothingCanBeRestored) {
    StartShown();
    SetNote("texte actuel");
    std::vector<std::wstring> row;
    bool restoreEnabled = true;
    OpenWith(Form1->Versions1, {Ready,
                                [&] {
                                    row = Row(0);
                                    restoreEnabled = IsWindowEnabled(FVersions->Restaurer->Handle()) != FALSE;
                                    return FVersions->List->Count() == 1;
                                },
                                Keys({VK_RETURN}), [] { return Ready(); }, Keys({VK_ESCAPE})});
    ASSERT_TRUE(finished) << "stalled at step " << step;
    EXPECT_EQ(row[0], TFVersions::kNoVersions);
    EXPECT_FALSE(restoreEnabled);
    EXPECT_TRUE(FVersions->Lines().empty());
    EXPECT_EQ(Memo().Text().substr(0, 12), L"texte actuel");
    EXPECT_TRUE(reported.empty());
}

TEST_F(VersionsDialogTest, TheItemsFollowSupprimerToutInBothMenus) {
    Start();
    auto follows = [](TMenuItem* menu, TMenuItem* before, TMenuItem* item) {
        for (size_t i = 0; i + 1 < menu->Count(); ++i)
            if (menu->Items(i) == before) return menu->Items(i + 1) == item;
        return false;
    };
    EXPECT_TRUE(follows(Form1->PopupMenu1->Items(), Form1->Vider1, Form1->Versions1));
    EXPECT_TRUE(follows(Form1->PopupMenu2->Items(), Form1->Vider2, Form1->Versions2));
    EXPECT_EQ(Form1->Versions1->Caption(), L"&Versions précédentes...");
    EXPECT_EQ(Form1->Versions2->Caption(), L"Versions précédentes...");
}

} // namespace
