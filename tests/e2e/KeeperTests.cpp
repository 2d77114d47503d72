// The note's file as the user meets it in the running program: deleted under it, emptied from the
// tray menu, held by another program, and kept aside in a rescue copy in the user's own folder.
// This test process plays the other programs (an explorer deleting, an editor holding the file).
#include "Harness.h"
#include "RescueFolder.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <set>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::string Note(const std::string& text) {
    return "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}";
}

void Plant(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// For failure messages: the program's texts are French.
std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                   static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

bool Holds(const fs::path& path, const std::string& text) {
    return FileBytes(path).find(text) != std::string::npos;
}

bool Shows(HWND note, const std::wstring& text) {
    return EditorText(note).find(text) != std::wstring::npos;
}

// The note on screen and in front, where typing and the note's own keys reach it.
HWND NoteInFront(TProgramUnderTest& program) {
    HWND note = nullptr;
    if (!WaitUntil([&] { return (note = program.VisibleWindow(L"TForm1")) != nullptr; }, 10s)) return nullptr;
    if (!WaitUntil([&] { return GetForegroundWindow() == note; }, 3s)) ClickScreen(ScreenCentre(note));
    return WaitUntil([&] { return GetForegroundWindow() == note; }, 5s) ? note : nullptr;
}

// A message box of the program, with this caption unless null.
HWND Box(const TProgramUnderTest& program, const wchar_t* caption = nullptr) {
    for (HWND wnd : program.Windows())
        if (WindowClass(wnd) == L"#32770" && IsWindowVisible(wnd) && (!caption || WindowText(wnd) == caption))
            return wnd;
    return nullptr;
}

HWND WaitForBox(const TProgramUnderTest& program, const wchar_t* caption = nullptr,
                std::chrono::milliseconds timeout = 10s) {
    HWND box = nullptr;
    WaitUntil([&] { return (box = Box(program, caption)) != nullptr; }, timeout);
    return box;
}

// What the box's button does when clicked.
void Press(HWND box, int id) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

// The first file named between « and » in a box's text.
fs::path NamedFile(const std::wstring& text) {
    const size_t open = text.find(L"« ");
    const size_t close = text.find(L" »", open);
    if (open == std::wstring::npos || close == std::wstring::npos) return {};
    return fs::path(text.substr(open + 2, close - open - 2));
}

// "&Quitter", the menu's last item. Not Ctrl+Alt+X here: the note's keys are off while a box is
// up and come back only once the note has handled its activation, a moment after it is in front.
void Quit(const TProgramUnderTest& program) {
    ASSERT_NO_FATAL_FAILURE(OpenTrayMenu(program));
    for (WORD key : {VK_END, VK_RETURN})
        PostMenuKey(program, key);
}

const std::wregex kRescueName(LR"(quillpad \([0-9a-f]{8}\)\.RTF)");

long long MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

bool Gone(const fs::path& path) {
    std::error_code ignored;
    return fs::remove(path, ignored) || !fs::exists(path);
}

TEST(Keeper, ANoteDeletedAfterASaveIsWrittenAgainByTheTimerAndAtExit) {
    TProgramUnderTest program;
    const fs::path document = program.Beside(L".RTF");
    WriteSetting(program, L"Save", L"Autosave", L"1");
    WriteSetting(program, L"Save", L"Interval", L"5000");
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    ASSERT_NE(NoteInFront(program), nullptr);
    TypeText(L"des mots a garder");
    ASSERT_TRUE(WaitUntil([&] { return Holds(document, "des mots a garder"); }, 12s));

    ASSERT_TRUE(WaitUntil([&] { return Gone(document); }, 5s));
    const auto deleted = std::chrono::steady_clock::now();
    // No key pressed: the next tick finds the file missing and writes the note again.
    EXPECT_TRUE(WaitUntil([&] { return Holds(document, "des mots a garder"); }, 8s))
        << "still missing after 8 s";
    std::cout << "written again after " << MsSince(deleted) << " ms\n";

    // Right after a tick, so that only the exit can write it before the next one.
    ASSERT_TRUE(WaitUntil([&] { return Gone(document); }, 5s));
    SendChord({VK_CONTROL, VK_MENU, 'X'});
    ASSERT_TRUE(program.WaitForExit(10s));
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_TRUE(Holds(document, "des mots a garder")) << "the exit did not write the note again";
}

TEST(Keeper, WordsTypedWhileAnotherComputerChangedAnotherParagraphAreMergedSavedAndUndoneAsOne) {
    TProgramUnderTest program;
    const fs::path document = program.Beside(L".RTF");
    Plant(document, Note("premier paragraphe\\par second paragraphe"));
    WriteSetting(program, L"Save", L"Autosave", L"0"); // only the merge itself can save it
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    HWND note = NoteInFront(program);
    ASSERT_NE(note, nullptr);
    SendChord({VK_CONTROL, VK_HOME});
    TypeText(L"Nous : ");
    ASSERT_TRUE(WaitUntil([&] { return Shows(note, L"Nous : premier"); }, 5s));

    // The other computer's version comes as a sync engine brings it: renamed over the note.
    const fs::path temporary = program.Folder() / L".syncthing.quillpad.RTF.tmp";
    Plant(temporary, Note("premier paragraphe\\par second paragraphe, {\\b autre ordinateur}"));
    fs::rename(temporary, document);
    const std::wstring merged = L"Nous : premier paragraphe\r\nsecond paragraphe, autre ordinateur";
    ASSERT_TRUE(WaitUntil([&] { return EditorText(note) == merged; }, 6s)) << Utf8(EditorText(note));
    EXPECT_TRUE(
        WaitUntil([&] { return Holds(document, "Nous : ") && Holds(document, "autre ordinateur"); }, 5s))
        << FileBytes(document);
    for (const auto& entry : fs::directory_iterator(program.Folder()))
        EXPECT_EQ(entry.path().filename().wstring().find(L"conflit"), std::wstring::npos) << entry.path();

    SendChord({VK_CONTROL, 'Z'});
    EXPECT_TRUE(
        WaitUntil([&] { return EditorText(note) == L"Nous : premier paragraphe\r\nsecond paragraphe"; }, 3s))
        << Utf8(EditorText(note));
    SendChord({VK_CONTROL, VK_MENU, 'X'});
    ASSERT_TRUE(program.WaitForExit(10s));
}

TEST(Keeper, SupprimerToutFromTheTrayMenuSavesTheEmptyNoteWhenSavingOnChange) {
    TProgramUnderTest program;
    const fs::path document = program.Beside(L".RTF");
    Plant(document, Note("un texte a effacer"));
    WriteSetting(program, L"Save", L"SaveOnChange", L"1");
    WriteSetting(program, L"Save", L"Autosave", L"0"); // only the change itself can save it
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    HWND note = program.WaitForWindow(L"TForm1");
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Shows(note, L"un texte a effacer"); }, 10s));
    ASSERT_NO_FATAL_FAILURE(OpenTrayMenu(program));
    // "&Supprimer tout" is four items above "&Quitter", the last one; its letter is also
    // "Enregi&strer"'s.
    for (WORD key : {VK_END, VK_UP, VK_UP, VK_UP, VK_UP, VK_RETURN})
        PostMenuKey(program, key);
    HWND box = WaitForBox(program, L"Tout Supprimer ?");
    ASSERT_NE(box, nullptr) << "no confirmation: another item was chosen";
    ASSERT_NE(GetDlgItem(box, IDYES), nullptr);
    EXPECT_TRUE(Holds(document, "un texte a effacer")) << "cleared before the answer";
    Press(box, IDYES); // "Oui"

    // Read whole, once: while a save replaces the note, a reader can find no file for a moment
    // (Wine moves the old one aside before it moves the new one in).
    std::string saved;
    EXPECT_TRUE(WaitUntil(
        [&] {
            saved = FileBytes(document);
            return saved.rfind("{\\rtf", 0) == 0 && saved.find("un texte a effacer") == std::string::npos;
        },
        3s))
        << "the empty note is not saved as a note: " << saved;
    EXPECT_EQ(EditorText(note), L"");
}

TEST(Keeper, EditsToANoteAnotherProgramHoldsGoToARescueCopyUntilTheFileIsFreeThenToTheNote) {
    TRescueFolder rescues;
    TProgramUnderTest program;
    const fs::path document = program.Beside(L".RTF");
    const std::string planted = Note("texte de depart");
    Plant(document, planted);
    WriteSetting(program, L"Save", L"SaveOnChange", L"1");
    WriteSetting(program, L"Save", L"Autosave", L"0");
    WriteSetting(program, L"Apparence", L"Visible", L"1");
    program.Start();
    HWND note = NoteInFront(program);
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Shows(note, L"texte de depart"); }, 10s));
    const std::set<std::wstring> besideBefore = Names(program.Folder());
    WIN32_FILE_ATTRIBUTE_DATA before{};
    ASSERT_TRUE(GetFileAttributesExW(document.c_str(), GetFileExInfoStandard, &before));

    // Opened sharing nothing, as a program that keeps the file to itself.
    HANDLE held = CreateFileW(document.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    struct TRelease {
        HANDLE& File;
        ~TRelease() {
            if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
        }
    } release{held};
    TypeText(L" mots retenus");
    ASSERT_TRUE(WaitUntil([&] { return Shows(note, L"mots retenus"); }, 5s));
    const auto typed = std::chrono::steady_clock::now();

    fs::path rescue;
    const bool kept = WaitUntil(
        [&] {
            for (const std::wstring& name : rescues.Added())
                if (std::regex_match(name, kRescueName) && Holds(rescues.Path() / name, "mots retenus"))
                    rescue = rescues.Path() / name;
            return !rescue.empty();
        },
        20s);
    ASSERT_TRUE(kept) << "no rescue copy 20 s after typing";
    std::cout << "rescue copy after " << MsSince(typed) << " ms\n";
    EXPECT_EQ(rescues.Added(), std::set<std::wstring>{rescue.filename().wstring()});
    EXPECT_EQ(Names(program.Folder()), besideBefore) << "a new file beside the note";
    WIN32_FILE_ATTRIBUTE_DATA during{};
    ASSERT_TRUE(GetFileAttributesExW(document.c_str(), GetFileExInfoStandard, &during));
    EXPECT_EQ(CompareFileTime(&during.ftLastWriteTime, &before.ftLastWriteTime), 0);
    std::string inFile(planted.size() + 64, '\0');
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(held, inFile.data(), static_cast<DWORD>(inFile.size()), &read, nullptr));
    inFile.resize(read);
    EXPECT_EQ(inFile, planted);

    CloseHandle(held);
    held = INVALID_HANDLE_VALUE;
    const auto freed = std::chrono::steady_clock::now();
    // No key: the next look finds the file free and writes the note.
    EXPECT_TRUE(WaitUntil([&] { return Holds(document, "mots retenus"); }, 5s)) << FileBytes(document);
    EXPECT_TRUE(Holds(document, "texte de depart"));
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(rescue); }, 3s)) << "the rescue copy stays";
    std::cout << "note written " << MsSince(freed) << " ms after the file was free\n";
    for (const std::wstring& name : Names(program.Folder()))
        EXPECT_NE(name.front(), L'~') << "left beside the note: " << Utf8(name);
}

// Copies of the program in two folders have one file name, so they run one after the other.
TEST(Keeper, EachNoteHasItsOwnRescueCopyAndTakesItBackAtItsNextStart) {
    TRescueFolder rescues;
    TProgramUnderTest a;
    const fs::path noteA = a.Beside(L".RTF");
    const std::string plantedA = Note("note de A");
    Plant(noteA, plantedA);
    ASSERT_TRUE(SetFileAttributesW(noteA.c_str(), FILE_ATTRIBUTE_READONLY));
    // Writable again whatever happens, or the copy's folder could not be removed after a failure.
    struct TWritable {
        const fs::path& Note;
        ~TWritable() { SetFileAttributesW(Note.c_str(), FILE_ATTRIBUTE_NORMAL); }
    } writable{noteA};
    WriteSetting(a, L"Save", L"SaveOnChange", L"1");
    WriteSetting(a, L"Save", L"Autosave", L"0");
    WriteSetting(a, L"Apparence", L"Visible", L"1");
    a.Start();
    HWND note = NoteInFront(a);
    ASSERT_NE(note, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Shows(note, L"note de A"); }, 10s));
    TypeText(L" mots de A");

    // A read-only note is never replaced: the first save says where the text went instead.
    HWND box = WaitForBox(a);
    ASSERT_NE(box, nullptr) << "no box after the first save";
    const fs::path rescue = NamedFile(BoxText(box));
    std::error_code unknown;
    EXPECT_TRUE(fs::equivalent(rescue.parent_path(), rescues.Path(), unknown)) << Utf8(BoxText(box));
    EXPECT_TRUE(std::regex_match(rescue.filename().wstring(), kRescueName)) << Utf8(rescue.wstring());
    EXPECT_TRUE(Holds(rescue, "mots de A"));
    Press(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5s));
    ASSERT_TRUE(Shows(note, L"mots de A"));

    ASSERT_NO_FATAL_FAILURE(Quit(a));
    HWND atExit = WaitForBox(a);
    ASSERT_NE(atExit, nullptr) << "no box at exit; " << (a.Running() ? "still running" : "ended");
    EXPECT_TRUE(fs::equivalent(NamedFile(BoxText(atExit)), noteA, unknown)) << Utf8(BoxText(atExit));
    EXPECT_NE(BoxText(atExit).find(rescue.wstring()), std::wstring::npos) << Utf8(BoxText(atExit));
    Press(atExit, IDOK);
    ASSERT_TRUE(a.WaitForExit(10s));
    EXPECT_EQ(FileBytes(noteA), plantedA);
    const std::string keptA = FileBytes(rescue);
    ASSERT_NE(keptA.find("mots de A"), std::string::npos);
    EXPECT_EQ(rescues.Added(), std::set<std::wstring>{rescue.filename().wstring()});

    {
        TProgramUnderTest b;
        const fs::path noteB = b.Beside(L".RTF");
        Plant(noteB, Note("note de B"));
        WriteSetting(b, L"Apparence", L"Visible", L"1");
        b.Start();
        // Nothing to wait for: A's copy must not be offered to B, now or a moment later.
        EXPECT_EQ(WaitForBox(b, nullptr, 4s), nullptr) << "B asked: " << Utf8(BoxText(Box(b)));
        HWND noteOfB = NoteInFront(b);
        ASSERT_NE(noteOfB, nullptr);
        EXPECT_TRUE(Shows(noteOfB, L"note de B"));
        EXPECT_FALSE(Shows(noteOfB, L"mots de A"));
        ASSERT_NO_FATAL_FAILURE(Quit(b));
        ASSERT_TRUE(b.WaitForExit(10s));
        EXPECT_EQ(FileBytes(noteB), Note("note de B"));
    }
    EXPECT_EQ(FileBytes(rescue), keptA) << "B touched A's rescue copy";
    EXPECT_EQ(rescues.Added(), std::set<std::wstring>{rescue.filename().wstring()});

    ASSERT_TRUE(SetFileAttributesW(noteA.c_str(), FILE_ATTRIBUTE_NORMAL));
    a.Start();
    HWND question = WaitForBox(a, L"Copie de secours");
    ASSERT_NE(question, nullptr) << "A did not offer its rescue copy";
    EXPECT_NE(BoxText(question).find(rescue.wstring()), std::wstring::npos) << Utf8(BoxText(question));
    ASSERT_NE(GetDlgItem(question, IDYES), nullptr);
    Press(question, IDYES); // "Oui"
    note = NoteInFront(a);
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return Shows(note, L"mots de A"); }, 5s)) << Utf8(EditorText(note));

    ASSERT_NO_FATAL_FAILURE(Quit(a));
    const bool ended = a.WaitForExit(10s);
    ASSERT_TRUE(ended) << "still running; box: " << Utf8(BoxText(Box(a)));
    EXPECT_TRUE(Holds(noteA, "mots de A")) << FileBytes(noteA);
    EXPECT_FALSE(fs::exists(rescue)) << "the rescue copy stays after the note was saved";
}

} // namespace
