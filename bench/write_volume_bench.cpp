// What the note costs the disk in one simulated hour: idle with the save timer at its default
// minute, and typing a burst of keys every minute with save-on-change off and on. Every byte the
// program writes and every file it moves or replaces goes through the replaceable file calls,
// which this bench wraps to count. The whole program runs in this process, started as
// quillpad.exe starts, with the note shown; the note on disk is one the program wrote itself in
// an earlier start, as a user's note is.
#include "RunningNote.h"
#include "SampleNote.h"
#include "note/NotePaths.h"
#include "framework/FileCalls.h"
#include "settings/SettingsFile.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kMinutes = 60;       // one hour of the timer's default interval
constexpr int kWordsPerBurst = 4;  // each word: Shift, eight letters, a space
constexpr int kLettersPerWord = 8; // so a burst is 40 key releases, 36 of which change the text

struct TCounts {
    unsigned long long Bytes = 0;
    int Writes = 0;
    int Replaced = 0; // moves and replacements of a file by another
};

TCounts Counts;

void CountFileCalls() {
    TFileCalls& calls = FileCalls();
    auto write = calls.Write;
    calls.Write = [write](HANDLE file, const void* data, DWORD size, DWORD* written) {
        const BOOL ok = write(file, data, size, written);
        ++Counts.Writes;
        if (ok && written) Counts.Bytes += *written;
        return ok;
    };
    auto move = calls.Move;
    calls.Move = [move](const wchar_t* from, const wchar_t* to, DWORD flags) {
        ++Counts.Replaced;
        return move(from, to, flags);
    };
    auto replace = calls.Replace;
    calls.Replace = [replace](const wchar_t* replaced, const wchar_t* replacement, const wchar_t* backup) {
        ++Counts.Replaced;
        return replace(replaced, replacement, backup);
    };
}

void PostKey(TApplication& app, UINT message, WORD key) {
    PostKeyToEditor(message, key);
    app.ProcessMessages();
}

struct TScenario {
    const char* Label = "";
    bool SaveOnChange = false;
    bool Typing = false;
    // Results.
    int SavesAttempted = 0;
    int NoteChanged = 0; // saves after which the note's size or time differ from before
    TCounts Hour, Exit;
};

TScenario MakeScenario(const char* label, bool saveOnChange, bool typing) {
    TScenario scenario;
    scenario.Label = label;
    scenario.SaveOnChange = saveOnChange;
    scenario.Typing = typing;
    return scenario;
}

// One save request as the program gets it; counts whether the stored note changed through it.
template <typename TRequest> void Attempt(TScenario& scenario, TRequest request) {
    const TFileStamp before = NoteStamp();
    request();
    ++scenario.SavesAttempted;
    if (!(NoteStamp() == before)) ++scenario.NoteChanged;
}

// A key press and release; with save-on-change the release is a save request.
void TypeKey(TApplication& app, TScenario& scenario, WORD key) {
    PostKey(app, WM_KEYDOWN, key);
    if (scenario.SaveOnChange)
        Attempt(scenario, [&] { PostKey(app, WM_KEYUP, key); });
    else
        PostKey(app, WM_KEYUP, key);
}

void TypeBurst(TApplication& app, TScenario& scenario, int minute) {
    for (int word = 0; word < kWordsPerBurst; ++word) {
        TypeKey(app, scenario, VK_SHIFT); // a capital's Shift: a release that changes nothing
        for (int i = 0; i < kLettersPerWord; ++i)
            TypeKey(app, scenario, static_cast<WORD>('A' + (minute + word + i) % 26));
        TypeKey(app, scenario, VK_SPACE);
    }
}

// The note, the versions a program may keep beside it, and the settings: each start begins clean.
void RemoveFiles() {
    const std::wstring note = DocumentPath();
    for (const std::wstring& path : {note, note + L".1", note + L".2", note + L".3", SettingsPath()})
        DeleteFileW(path.c_str());
}

void WriteSettings(bool saveOnChange) {
    DeleteFileW(SettingsPath().c_str());
    TIniFile ini(SettingsPath());
    ini.WriteBool(L"Save", L"SaveOnChange", saveOnChange); // the timer keeps its defaults
}

// An earlier start of the program that leaves the sample note on disk as the program writes it.
ULONGLONG PrepareNote() {
    RemoveFiles();
    WriteSettings(false);
    {
        TApplication app;
        StartProgramWithNoteShown(app);
        Form1->Memo1->SetRtf(FormattedNote(size_t(10) << 10));
        app.ProcessMessages();
        Form1->Enregistrer1Click(nullptr);
    }
    return NoteStamp().Size;
}

void Measure(TScenario& scenario) {
    PrepareNote();
    WriteSettings(scenario.SaveOnChange);
    {
        TApplication app;
        StartProgramWithNoteShown(app);
        SendMessageW(Form1->Memo1->Handle(), EM_SETSEL, -1, -1);
        // The hour's ticks are this bench's own: the real timer would add unsimulated ones.
        Form1->Timer1->SetEnabled(false);
        Counts = {};
        for (int minute = 0; minute < kMinutes; ++minute) {
            if (scenario.Typing) TypeBurst(app, scenario, minute);
            Attempt(scenario, [&] { Form1->Timer1->OnTimer(Form1->Timer1); });
        }
        scenario.Hour = Counts;
        Counts = {};
    }
    scenario.Exit = Counts;
}

} // namespace

int main() {
    CountFileCalls();
    const ULONGLONG noteBytes = PrepareNote();
    std::vector<TScenario> scenarios{MakeScenario("idle, timer 60 s", false, false),
                                     MakeScenario("typing, save-on-change off", false, true),
                                     MakeScenario("typing, save-on-change on", true, true)};
    for (TScenario& scenario : scenarios)
        Measure(scenario);

    std::printf("\nWrites to disk in one simulated hour: %d ticks of the save timer; typing is a burst of %d "
                "key releases every minute (%d letters and spaces, %d Shift), the note shown. The note "
                "holds %llu bytes of RTF as the program writes it.\n\n",
                kMinutes, kWordsPerBurst * (kLettersPerWord + 2), kWordsPerBurst * (kLettersPerWord + 1),
                kWordsPerBurst, noteBytes);
    std::printf("%-28s %8s %8s %9s %13s %8s %10s\n", "scenario", "saves", "files", "note", "bytes", "x note",
                "exit save");
    std::printf("%-28s %8s %8s %9s %13s %8s %10s\n", "", "asked", "replaced", "changed", "written", "",
                "bytes");
    for (const TScenario& s : scenarios)
        std::printf("%-28s %8d %8d %9d %13llu %8.1f %10llu\n", s.Label, s.SavesAttempted, s.Hour.Replaced,
                    s.NoteChanged, s.Hour.Bytes, noteBytes ? double(s.Hour.Bytes) / double(noteBytes) : 0.0,
                    s.Exit.Bytes);
    std::printf(
        "\nsaves asked: timer ticks, and key releases with save-on-change; files replaced: files moved "
        "or replaced by another; note changed: saves after which the note's size or time differed; "
        "x note: bytes written over the note's size; exit save: bytes written when quitting after the "
        "hour.\n");

    RemoveFiles();
    return 0;
}
