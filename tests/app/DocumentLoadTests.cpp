#include "support/FileTestHelpers.h"
#include "NoteFixture.h"

#include "note/NoteFiles.h"
#include "note/RtfCodePage.h"
#include "note/RtfSafetyScan.h"
#include "framework/SystemError.h"

#include <functional>

namespace {

const std::string kStored = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 the note the user had\\par}";

class DocumentLoadTest : public NoteFixture {
protected:
    static std::wstring CannotOpen(DWORD error) {
        return L"Cannot open file \"" + DocumentPath() + L"\". " + SystemErrorText(error);
    }
    // Every way the program saves on its own: the menu, a tick of the timer, the keeper's own
    // looks.
    void SaveEveryWay() {
        Form1->Enregistrer1->Click();
        Form1->Timer1->OnTimer(Form1->Timer1);
        PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    }
    // One box that gives the reason and says where the note is kept, and what happens next: a
    // note that could not be read is read again; one the control could not take is set aside
    // before anything typed is saved.
    void ExpectNotLoadedBox(const std::wstring& why, const char* what = "", bool readAgain = false) {
        ASSERT_EQ(reported.size(), 1u) << what;
        EXPECT_EQ(reported[0].rfind(
                      why + L"\n\nLa note n'a pas été chargée ; elle est gardée telle quelle dans « " +
                          DocumentPath() + L" ».",
                      0),
                  0u)
            << what << "\n"
            << reported[0];
        const std::wstring name = DocumentPath().substr(DocumentPath().find_last_of(L'\\') + 1);
        if (readAgain)
            EXPECT_NE(reported[0].find(L"réessaie de le lire"), std::wstring::npos) << reported[0];
        else
            EXPECT_NE(reported[0].find(L"« " + name + L".unreadable »"), std::wstring::npos) << reported[0];
    }
    void ExpectStoredUntouched(const char* what) {
        EXPECT_EQ(FileBytes(DocumentPath()), kStored) << what;
        EXPECT_FALSE(Exists(DocumentPath() + L".unreadable")) << what;
    }
};

TEST_F(DocumentLoadTest, AFailedLoadHoldsEverySaveBackWhileTheNoteIsEmptyAndTheNextStartLoadsIt) {
    Setting(L"Save", L"SaveOnChange", L"1");
    WriteBytes(DocumentPath(), kStored);
    struct TCase {
        const char* What;
        std::function<void(TInjectedFileCalls&)> Inject;
        DWORD Reported;
    } cases[] = {
        {"the file cannot be looked at",
         [](TInjectedFileCalls& f) {
             f.Calls.GetInfo = [](const wchar_t*, WIN32_FILE_ATTRIBUTE_DATA*) {
                 return Fails(ERROR_ACCESS_DENIED);
             };
         },
         ERROR_ACCESS_DENIED},
        {"the file shrank while it was read",
         [](TInjectedFileCalls& f) {
             f.Calls.GetSize = [real = f.Real](HANDLE file, LARGE_INTEGER* size) {
                 const BOOL ok = real.GetSize(file, size);
                 size->QuadPart += 10;
                 return ok;
             };
         },
         ERROR_HANDLE_EOF},
    };
    for (const TCase& c : cases) {
        {
            TInjectedFileCalls injected;
            c.Inject(injected);
            Start();
        }
        ExpectNotLoadedBox(CannotOpen(c.Reported), c.What, true);
        EXPECT_EQ(Form1->Memo1->Text(), L"") << c.What;
        {
            // Still failing: nothing is saved over the note meanwhile.
            TInjectedFileCalls injected;
            c.Inject(injected);
            SaveEveryWay();
        }
        ExpectStoredUntouched(c.What);
        app.DestroyForms(); // the save on the way out too
        ExpectStoredUntouched(c.What);
        EXPECT_EQ(reported.size(), 1u) << c.What; // held back without a word
        reported.clear();
    }
    Start();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(Form1->Memo1->Text(), L"the note the user had");
}

TEST_F(DocumentLoadTest, OnceTheUserWritesAfterANoteTheControlRefusedTheStoredDocumentIsSetAsideFirst) {
    // The control takes this as RTF and shows nothing: its only text is a footnote.
    const std::string refused = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\footnote texte}\\par}";
    WriteBytes(DocumentPath(), refused);
    Start();
    ExpectNotLoadedBox(L"Failed to Load Stream");
    SetWindowTextW(Form1->Memo1->Handle(), L"typed after the failure");
    {
        // Held by another program just then: neither set aside nor written over, and not lost.
        TFileLock lock(DocumentPath());
        ASSERT_TRUE(lock.Held());
        Form1->Enregistrer1->Click();
    }
    EXPECT_EQ(FileBytes(DocumentPath()), refused);
    Form1->Enregistrer1->Click();
    EXPECT_EQ(FileBytes(DocumentPath() + L".unreadable"), refused);
    EXPECT_NE(FileBytes(DocumentPath()).find("typed after the failure"), std::string::npos);
    // Emptied again, the note is saved as any other: the stored document is the user's own now.
    Form1->Memo1->Clear();
    Form1->Enregistrer1->Click();
    EXPECT_EQ(FileBytes(DocumentPath()).find("typed after the failure"), std::string::npos);
    EXPECT_FALSE(Exists(DocumentPath() + L".unreadable2"));
}

TEST_F(DocumentLoadTest, ALoadThatShowsNothingOfTheTextFailsButAnEmptyNoteLoadsQuietly) {
    // The control takes this as RTF and shows nothing: its only text is a footnote.
    const std::string lost = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}{\\footnote texte}\\par}";
    WriteBytes(DocumentPath(), lost);
    Start();
    ExpectNotLoadedBox(L"Failed to Load Stream");
    EXPECT_EQ(Form1->Memo1->Text(), L"");
    app.DestroyForms();
    EXPECT_EQ(FileBytes(DocumentPath()), lost);

    DeleteFileW(DocumentPath().c_str());
    reported.clear();
    Start();
    Form1->Enregistrer1->Click(); // the program's own empty note
    app.DestroyForms();
    Start();
    EXPECT_TRUE(reported.empty());
}

TEST_F(DocumentLoadTest, ADocumentThatWouldMakeTheControlFaultIsNeverGivenToIt) {
    // Streamed in, each of these would end this test program.
    const std::string fatal[] = {
        "\xEF\xBB\xBF",
        "{\\rtf1\\ansi{\\fonttbl{\\f0 " + std::string(5000, 'A') + ";}}\\f0 x\\par}",
    };
    for (const std::string& bytes : fatal) {
        WriteBytes(DocumentPath(), bytes);
        reported.clear();
        Start();
        ExpectNotLoadedBox(L"Failed to Load Stream");
        app.DestroyForms();
        EXPECT_EQ(FileBytes(DocumentPath()), bytes);
        EXPECT_FALSE(Exists(LoadMarkerPath(DocumentPath())));
    }
}

TEST_F(DocumentLoadTest, OneLoadThatNeverReturnedIsTriedAgainTwoInARowAreNot) {
    WriteBytes(DocumentPath(), kStored);
    // What processes that died in the reader left, one after the other.
    auto interrupted = [](int loads) {
        for (int n = 0; n < loads; ++n)
            MarkLoad(FileCalls(), DocumentPath(), LoadsNeverReturned(FileCalls(), DocumentPath()) + 1);
        return FileBytes(LoadMarkerPath(DocumentPath()));
    };
    interrupted(1);
    Start();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(Form1->Memo1->Text(), L"the note the user had");
    EXPECT_FALSE(Exists(LoadMarkerPath(DocumentPath())));
    app.DestroyForms();
    EXPECT_EQ(FileBytes(DocumentPath()), kStored) << "nobody edited it";

    const std::string mark = interrupted(2);
    Start();
    ExpectNotLoadedBox(L"Failed to Load Stream");
    // What happened, and that the next start tries once more rather than never again.
    EXPECT_NE(reported[0].find(L"prochain lancement"), std::wstring::npos) << reported[0];
    EXPECT_EQ(LoadsNeverReturned(FileCalls(), DocumentPath()), 1);
    EXPECT_EQ(Form1->Memo1->Text(), L"");
    Form1->Enregistrer1->Click();
    ExpectStoredUntouched("before the user writes");
    SetWindowTextW(Form1->Memo1->Handle(), L"a new note");
    Form1->Enregistrer1->Click();
    EXPECT_EQ(FileBytes(DocumentPath() + L".unreadable"), kStored);
    EXPECT_FALSE(Exists(LoadMarkerPath(DocumentPath())));
    app.DestroyForms();

    // A mark that belongs to no stored file is dropped, and the load leaves none behind.
    WriteBytes(LoadMarkerPath(DocumentPath()), mark);
    reported.clear();
    Start();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(Form1->Memo1->Text(), L"a new note");
    EXPECT_FALSE(Exists(LoadMarkerPath(DocumentPath())));
}

TEST_F(DocumentLoadTest, PlainTextLoadsWithExactlyItsOwnLineBreaks) {
    std::string text;
    for (int line = 0; line < 32000; ++line)
        text += "line " + std::to_string(line) + "\r\n";
    WriteBytes(DocumentPath(), text);
    Start();
    EXPECT_TRUE(reported.empty());
    EXPECT_EQ(Form1->Memo1->LineCount(), 32001); // the control counts the empty line after the last break
    EXPECT_EQ(Form1->Memo1->Line(31999), L"line 31999");
    EXPECT_EQ(Form1->Memo1->Line(32000), L"");
}

TEST_F(DocumentLoadTest, WhatTheControlWritesForABigFormattedNoteIsFarWithinTheLimits) {
    Start();
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl";
    for (int font = 0; font < 40; ++font)
        rtf += "{\\f" + std::to_string(font) + "\\fswiss\\fcharset0 Font Family Number " +
               std::to_string(font) + ";}";
    rtf += "}{\\colortbl;";
    for (int colour = 0; colour < 40; ++colour)
        rtf += "\\red" + std::to_string(colour * 6) + "\\green" + std::to_string(255 - colour) + "\\blue9;";
    rtf += "}";
    for (int line = 0; line < 4000; ++line) {
        const std::string n = std::to_string(line % 40);
        rtf += (line % 3 == 0   ? "\\pard\\qc"
                : line % 3 == 1 ? "\\pard\\qr"
                                : "\\pard") +
               std::string("\\f") + n + "\\fs" + std::to_string(16 + line % 30) + "\\cf" + n +
               " {\\b bold {\\i italic {\\ul under " + "{\\strike struck}}}} \\u937?\\u8364? line " +
               std::to_string(line) + "\\par\n";
    }
    ASSERT_TRUE(Form1->Memo1->SetRtf(rtf + "}"));
    std::string saved;
    ASSERT_TRUE(Form1->Memo1->ControlRtf(saved));
    saved = StoredRtf(saved);
    const TDocumentFigures f = MeasureDocument(saved);
    EXPECT_TRUE(SafeForControl(f));
    EXPECT_TRUE(f.HoldsText);
    // Far from the limits, which are themselves far from where the control faults.
    EXPECT_LE(f.GroupDepth, TRtfLimits::GroupDepth / 4);
    EXPECT_LE(f.ControlWordLength, TRtfLimits::ControlWordLength / 4);
    EXPECT_LE(f.ParameterLength, TRtfLimits::ParameterLength / 4);
    EXPECT_LE(f.TableTextLength, TRtfLimits::TableTextLength / 4);
}

TEST_F(DocumentLoadTest, ANoteHeldAtStartIsReadAgainQuietlyAndShownOnceItIsFree) {
    WriteBytes(DocumentPath(), kStored);
    {
        TFileLock lock(DocumentPath());
        ASSERT_TRUE(lock.Held());
        Start();
        ExpectNotLoadedBox(CannotOpen(ERROR_SHARING_VIOLATION), "", true);
        EXPECT_NE(reported[0].find(L"Un autre programme tient ce fichier ouvert"), std::wstring::npos)
            << reported[0];
        PumpUntil([] { return false; }, std::chrono::milliseconds(2500)); // a retry while still held
        EXPECT_EQ(Form1->Memo1->Text(), L"");
    }
    ASSERT_TRUE(PumpUntil([] { return Form1->Memo1->Text() == L"the note the user had"; },
                          std::chrono::milliseconds(5000)));
    EXPECT_EQ(reported.size(), 1u); // quietly
    EXPECT_FALSE(Form1->Memo1->Modified());
    app.DestroyForms();
    EXPECT_NE(FileBytes(DocumentPath()).find("the note the user had"), std::string::npos);
    EXPECT_FALSE(Exists(DocumentPath() + L".unreadable"));

    // Typed into meanwhile: once the note can be read it comes first, the typing after it, as one
    // edit that Undo takes back, and nothing is set aside.
    reported.clear();
    {
        TFileLock lock(DocumentPath());
        Start();
        SetWindowTextW(Form1->Memo1->Handle(), L"typed while held");
        Form1->Enregistrer1->Click();
    }
    EXPECT_TRUE(FileBytes(DocumentPath()) == kStored) << "neither set aside nor written over";
    ASSERT_TRUE(PumpUntil([] { return Form1->Memo1->Text() == L"the note the user had\r\ntyped while held"; },
                          std::chrono::milliseconds(5000)))
        << testing::PrintToString(Form1->Memo1->Text());
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_NE(FileBytes(DocumentPath()).find("typed while held"), std::string::npos);
    EXPECT_NE(FileBytes(DocumentPath()).find("the note the user had"), std::string::npos);
    EXPECT_FALSE(Exists(DocumentPath() + L".unreadable"));
    Form1->Memo1->Undo();
    EXPECT_EQ(Form1->Memo1->Text(), L"typed while held");
}

} // namespace
