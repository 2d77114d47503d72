// Typing into notes of 10 KB, 100 KB and 1 MB with save-on-change off and on: the time from a
// key release to the program being idle again, and from a key press to idle, and the save on
// release split into its parts, measured in the same run. The whole program runs in this
// process, started as quillpad.exe starts, with the note shown.
#include "RunningNote.h"
#include "SampleNote.h"
#include "app/NoteFile.h"
#include "settings/SettingsFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeys = 30;            // measured keys per note size and setting
constexpr double kKeyBudgetMs = 100; // ten keys a second

struct TTimes {
    double Median = 0, Max = 0;
};

TTimes Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
}

double MillisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Posts one key message to the editor as the keyboard would and returns the time until the
// queue is empty again: the key handled, the character typed (a press), the save done and the
// editor repainted.
double KeyToIdleMs(TApplication& app, UINT message, WORD key) {
    const auto start = Clock::now();
    PostKeyToEditor(message, key);
    app.ProcessMessages();
    return MillisSince(start);
}

struct TRow {
    const char* Label = "";
    size_t Bytes = 0;
    size_t RtfKiB = 0;
    TTimes Press, ReleaseOff, ReleaseOn, CodePage, StreamOut, Replace;
};

TRow MakeRow(const char* label, size_t bytes) {
    TRow row;
    row.Label = label;
    row.Bytes = bytes;
    return row;
}

void LoadNote(TApplication& app, const std::string& note) {
    Form1->Memo1->SetRtf(note);
    SendMessageW(Form1->Memo1->Handle(), EM_SETSEL, -1, -1);
    app.ProcessMessages();
    KeyToIdleMs(app, WM_KEYDOWN, 'A'); // the first key after loading pays for the layout
    KeyToIdleMs(app, WM_KEYUP, 'A');
}

WORD KeyFor(int i) {
    return static_cast<WORD>('A' + i % 26);
}

// Types kKeys letters at the end of the note; returns the release times (and the press times).
std::vector<double> Type(TApplication& app, const std::string& note, std::vector<double>* pressTimes) {
    LoadNote(app, note);
    std::vector<double> releases;
    for (int i = 0; i < kKeys; ++i) {
        const double press = KeyToIdleMs(app, WM_KEYDOWN, KeyFor(i));
        if (pressTimes) pressTimes->push_back(press);
        releases.push_back(KeyToIdleMs(app, WM_KEYUP, KeyFor(i)));
    }
    return releases;
}

double TimeMs(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return MillisSince(start);
}

// The parts of a save, each timed alone right after a key was typed, as the release finds the
// note: the code-page check that picks the RTF flavour, the control streaming the RTF out, and
// writing, flushing and renaming the file. Typing goes on in the note as it is.
void TimeSaveParts(TApplication& app, TRow& row) {
    std::vector<double> codePage, streamOut, replace;
    std::string rtf;
    for (int i = 0; i < kKeys; ++i) {
        KeyToIdleMs(app, WM_KEYDOWN, KeyFor(i));
        codePage.push_back(TimeMs([] { Form1->Memo1->Text(); }));
        streamOut.push_back(TimeMs([&] {
            rtf.clear();
            Form1->Memo1->StreamOut(SF_RTF, [&](const BYTE* data, LONG size) {
                rtf.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
                return true;
            });
        }));
        replace.push_back(TimeMs([&] { ReplaceFileSafely(DocumentPath(), rtf); }));
        KeyToIdleMs(app, WM_KEYUP, KeyFor(i));
    }
    row.RtfKiB = rtf.size() / 1024;
    row.CodePage = Summarise(codePage);
    row.StreamOut = Summarise(streamOut);
    row.Replace = Summarise(replace);
}

// One start of the program with save-on-change off or on, as the settings file says; the note
// of each size is typed into in turn, smallest first. (Wine's control takes minutes to replace a
// large note, so each setting gets a program of its own rather than a reloaded note.)
void Measure(bool saveOnChange, std::vector<TRow>& rows) {
    DeleteFileW(DocumentPath().c_str());
    {
        TIniFile ini(SettingsPath());
        ini.WriteBool(L"Save", L"SaveOnChange", saveOnChange);
        ini.WriteBool(L"Save", L"Autosave", false); // no timed save among the measured keys
    }
    TApplication app;
    StartProgramWithNoteShown(app);
    for (TRow& row : rows) {
        if (saveOnChange) {
            row.ReleaseOn = Summarise(Type(app, FormattedNote(row.Bytes), nullptr));
            TimeSaveParts(app, row);
        } else {
            std::vector<double> presses;
            row.ReleaseOff = Summarise(Type(app, FormattedNote(row.Bytes), &presses));
            row.Press = Summarise(presses);
        }
    }
}

} // namespace

int main() {
    std::vector<TRow> rows{MakeRow("10 KB", size_t(10) << 10), MakeRow("100 KB", size_t(100) << 10),
                           MakeRow("1 MB", size_t(1) << 20)};
    Measure(false, rows);
    Measure(true, rows);
    std::printf(
        "\nTyping: a key posted to the editor until the queue is empty again, median (max) of %d keys "
        "per note, the note shown; save-on-change saves on each release.\n\n",
        kKeys);
    auto cell = [](const TTimes& t) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f (%.1f)", t.Median, t.Max);
        return std::string(text);
    };
    std::printf("%-8s %8s %15s %15s %15s %8s %10s\n", "note", "RTF KiB", "press ms", "release off",
                "release on", "on/off", "10 keys/s");
    for (const TRow& row : rows) {
        const bool keepsUp = row.Press.Median + row.ReleaseOn.Median <= kKeyBudgetMs;
        std::printf("%-8s %8zu %15s %15s %15s %8.1f %10s\n", row.Label, row.RtfKiB, cell(row.Press).c_str(),
                    cell(row.ReleaseOff).c_str(), cell(row.ReleaseOn).c_str(),
                    row.ReleaseOff.Median > 0 ? row.ReleaseOn.Median / row.ReleaseOff.Median : 0.0,
                    keepsUp ? "yes" : "no");
    }
    std::printf("\n10 keys/s: press + release with save-on-change within %.0f ms (medians).\n", kKeyBudgetMs);
    std::printf(
        "\nWhere a release with save-on-change goes: the save's parts timed alone after a typed key.\n\n");
    std::printf("%-8s %12s %15s %15s %15s %10s\n", "note", "release on", "code page", "stream out",
                "file replace", "the rest");
    for (const TRow& row : rows) {
        const double rest =
            row.ReleaseOn.Median - row.CodePage.Median - row.StreamOut.Median - row.Replace.Median;
        std::printf("%-8s %12.2f %15s %15s %15s %10.2f\n", row.Label, row.ReleaseOn.Median,
                    cell(row.CodePage).c_str(), cell(row.StreamOut).c_str(), cell(row.Replace).c_str(), rest);
    }

    DeleteFileW(DocumentPath().c_str());
    DeleteFileW(SettingsPath().c_str());
    return 0;
}
