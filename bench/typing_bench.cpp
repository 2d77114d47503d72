// Typing into notes of 10 KB, 100 KB, 1 MB and 5 MB with save-on-change off and on, in one run.
// Bursts of 40 and 200 keys at 10 and 20 keys a second come from a keyboard thread of their own
// at their real pace while the program's loop runs: each key's time from its press to its
// character on screen, and the time from the last key to the note file holding it. With
// save-on-change off, what one key press and one release cost at each size, split into the
// editor's messages, beside the parts suspected of growing with the note, timed alone. The whole
// program runs in this process, started as quillpad.exe starts, with the note shown.
#include "Median.h"
#include "RunningNote.h"
#include "SampleNote.h"
#include "TypingWatch.h"
#include "settings/SettingsFile.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

const TTime kBenchStart = Clock::now();

// Progress on the error stream, so the tables stay alone on the output.
void Progress(const char* what, const char* size, bool saveOnChange) {
    std::fprintf(stderr, "[%6.1f s] save-on-change %s, %s: %s\n", Ms(kBenchStart, Clock::now()) / 1000,
                 saveOnChange ? "on " : "off", size, what);
}

struct TStats {
    double Median = 0, Max = 0;
};

TStats Summarise(std::vector<double> v) {
    if (v.empty()) return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.back()};
}

struct TSize {
    const char* Label;
    size_t Bytes;
};
constexpr std::array<TSize, 4> kSizes{{{"10 KB", size_t(10) << 10},
                                       {"100 KB", size_t(100) << 10},
                                       {"1 MB", size_t(1) << 20},
                                       {"5 MB", size_t(5) << 20}}};

struct TBurst {
    int Keys;
    int PerSecond;
    const char* Label;
};
constexpr std::array<TBurst, 4> kBursts{
    {{40, 10, "40 at 10/s"}, {40, 20, "40 at 20/s"}, {200, 10, "200 at 10/s"}, {200, 20, "200 at 20/s"}}};

constexpr double kMedianMarginMs = 16;   // one frame
constexpr double kToFileTargetMs = 1000; // at 1 MB
constexpr size_t kTargetSize = 2;        // kSizes' index of 1 MB
constexpr int kCostKeys = 60;            // keys per size for the cost of one press and release
// A burst that has not reached the screen and the file this long after its last key is given up.
constexpr auto kGiveUpAfter = 5s;

struct TBurstResult {
    TStats Latency;     // each key's press to its character on screen
    double LastKey = 0; // the same for the burst's last key
    double ToFile = -1; // last key to the file holding it; below 0 when never
    int Saves = 0;      // writes of the file from the burst's first key until it held the last
    std::vector<double> SaveMs;
    double LatePost = 0; // the keyboard's worst lateness
    bool Typed = false;  // the editor ends with the keys typed
};

struct TKeyCost {
    TStats Press, Release;
    // Medians per key of the time inside the editor's handler for each message, and outside it.
    double KeyDown = 0, Char = 0, PressPaint = 0, PressRest = 0, KeyUp = 0, ReleaseRest = 0;
    double TextLength = 0, CheckMarks = 0, LinksBackOn = 0, RepaintAtEnd = 0, RepaintAtTop = 0;
    double BarePress = 0, BarePaint = 0; // the platform's control alone
    TStats PressNoLinks;
};

struct TSizeResult {
    std::array<TBurstResult, kBursts.size()> Off, On;
    TKeyCost Cost;
    size_t RtfKiB = 0;
};

// The program's own loop, a message at a time, until `done`: a message waiting is handled as
// the program's loop handles it; with none, the handles the program waits on are looked at and
// the thread sleeps until a message comes (or 2 ms). `handled` gets the time each turn took.
void RunLoop(TApplication& app, const std::function<bool()>& done,
             const std::function<void(double)>& handled) {
    while (!done()) {
        MSG msg;
        const TTime start = Clock::now();
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            app.HandleMessage();
            handled(Ms(start, Clock::now()));
        } else {
            app.ProcessMessages();
            handled(Ms(start, Clock::now()));
            MsgWaitForMultipleObjectsEx(0, nullptr, 2, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
}

void RunLoopFor(TApplication& app, Clock::duration howLong) {
    const TTime until = Clock::now() + howLong;
    RunLoop(
        app, [&] { return Clock::now() >= until; }, [](double) {});
}

// Whether the editor's text ends with `text` (its final paragraph mark aside).
bool EditorEndsWith(const std::wstring& text) {
    HWND editor = Form1->Memo1->Handle();
    GETTEXTLENGTHEX how{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LONG length =
        static_cast<LONG>(SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how), 0));
    std::wstring tail(text.size() + 8, L'\0');
    TEXTRANGEW range{{std::max<LONG>(0, length - static_cast<LONG>(text.size()) - 4), length}, tail.data()};
    tail.resize(
        static_cast<size_t>(SendMessageW(editor, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range))));
    while (!tail.empty() && (tail.back() == L'\r' || tail.back() == L'\n'))
        tail.pop_back();
    return tail.size() >= text.size() && tail.compare(tail.size() - text.size(), text.size(), text) == 0;
}

// One burst at the end of the note: a digit that marks it among the bursts at this size, then
// letters. Ends once every character is on screen and, with save-on-change, the file holds them.
TBurstResult TypeBurst(TApplication& app, TEditorWatch& watch, const TBurst& burst, int mark,
                       bool saveOnChange) {
    std::vector<WORD> keys{static_cast<WORD>('0' + mark)};
    std::string text(1, static_cast<char>('0' + mark));
    for (int i = 1; i < burst.Keys; ++i) {
        keys.push_back(static_cast<WORD>('A' + (i - 1) % 26));
        text += static_cast<char>('a' + (i - 1) % 26);
    }
    TFileWatch file;
    file.Expect(text);
    watch.Record(keys.size(), [&] {
        if (saveOnChange) file.Arm();
    });
    TBurstResult result;
    {
        TPacedKeyboard keyboard(Form1->Memo1->Handle(), keys, std::chrono::nanoseconds(1s) / burst.PerSecond,
                                Clock::now() + 200ms); // once the keyboard thread is up
        const TTime giveUp = keyboard.Due(keys.size() - 1) + kGiveUpAfter;
        RunLoop(
            app,
            [&] {
                return (keyboard.Done() && watch.AllShown() && (!saveOnChange || file.Held())) ||
                       Clock::now() > giveUp;
            },
            [&](double handledMs) {
                watch.LookAtScreen();
                // Every save takes longer than this (it flushes a file); before the last key the
                // stamp is not looked at after quicker turns, which saves none.
                if (saveOnChange && (handledMs >= 1 || watch.Handled().size() == keys.size()))
                    file.Look(handledMs);
            });
        while (!keyboard.Done())
            RunLoopFor(app, 10ms); // given up: the keyboard ends its burst all the same
        std::vector<double> latencies;
        const auto& shown = watch.Shown();
        for (size_t i = 0; i < shown.size(); ++i)
            latencies.push_back(Ms(keyboard.Due(i), shown[i]));
        result.Latency = Summarise(latencies);
        result.LastKey = shown.size() == keys.size() ? latencies.back() : -1;
        for (size_t i = 0; i < keys.size(); ++i)
            result.LatePost = std::max(result.LatePost, Ms(keyboard.Due(i), keyboard.Posted()[i]));
        if (file.Held()) result.ToFile = Ms(keyboard.Due(keys.size() - 1), file.HeldAt());
    }
    watch.Record(0, nullptr);
    result.Saves = file.Saves();
    result.SaveMs = file.SaveMs();
    result.Typed = EditorEndsWith(std::wstring(text.begin(), text.end()));
    // A pause between bursts; the program looks at its file again half a second after a save.
    RunLoopFor(app, 1s);
    return result;
}

// Posts one key to an editor and runs the loop until the queue is empty and the editor painted;
// returns the time that took.
double KeyToIdleMs(TApplication& app, HWND editor, UINT message, WORD key) {
    const TTime start = Clock::now();
    PostMessageW(editor, message, key, KeyFlags(message, key));
    MSG msg;
    do {
        app.ProcessMessages();
    } while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) || GetUpdateRect(editor, nullptr, FALSE));
    return Ms(start, Clock::now());
}

// A press and a release alone, at twenty keys a second as a keyboard sends them: a few hundred
// characters typed back to back make every message to the note's editor cost some twenty times
// more under Wine for a second or so, which no typist meets.
struct TKeyTimes {
    double Press = 0, Release = 0;
};

TKeyTimes TypeKeyAlone(TApplication& app, HWND editor, int i, const std::function<void()>& pressed) {
    const WORD key = static_cast<WORD>('A' + i % 26);
    TKeyTimes times;
    times.Press = KeyToIdleMs(app, editor, WM_KEYDOWN, key);
    pressed();
    RunLoopFor(app, 25ms);
    times.Release = KeyToIdleMs(app, editor, WM_KEYUP, key);
    RunLoopFor(app, 25ms);
    return times;
}

// The cost of one press and one release, each from posting it until the queue is empty again,
// and the time inside the editor's handler for each of their messages.
void MeasureKeyCost(TApplication& app, TEditorWatch& watch, TKeyCost& cost) {
    using K = TEditorWatch;
    std::vector<double> press, release, keyDown, chars, paint, pressRest, keyUp, releaseRest;
    for (int i = 0; i < kCostKeys; ++i) {
        watch.ResetSpent();
        const TKeyTimes times = TypeKeyAlone(app, Form1->Memo1->Handle(), i, [&] {
            keyDown.push_back(watch.Spent(K::kKeyDown));
            chars.push_back(watch.Spent(K::kChar));
            paint.push_back(watch.Spent(K::kPaint));
            watch.ResetSpent();
        });
        press.push_back(times.Press);
        pressRest.push_back(times.Press - keyDown.back() - chars.back() - paint.back());
        release.push_back(times.Release);
        keyUp.push_back(watch.Spent(K::kKeyUp));
        releaseRest.push_back(times.Release - keyUp.back());
    }
    cost.Press = Summarise(press);
    cost.Release = Summarise(release);
    cost.KeyDown = Summarise(keyDown).Median;
    cost.Char = Summarise(chars).Median;
    cost.PressPaint = Summarise(paint).Median;
    cost.PressRest = Summarise(pressRest).Median;
    cost.KeyUp = Summarise(keyUp).Median;
    cost.ReleaseRest = Summarise(releaseRest).Median;
}

// The parts suspected of growing with the note, each timed alone: a text-length query, the
// check-mark updates of the format commands (as the editor's menu does them when it opens), the
// editor's painting of its whole view at the note's end and at its top, and typing with the
// control's link detection off; then turning it back on as the note's showing does.
void MeasureSuspects(TApplication& app, TKeyCost& cost) {
    HWND editor = Form1->Memo1->Handle();
    cost.TextLength = MedianMs(kCostKeys, [&] { GetWindowTextLengthW(editor); });
    TAction* const formats[] = {Form1->RichEditBold1,       Form1->RichEditItalic1,
                                Form1->RichEditUnderline1,  Form1->RichEditStrikeOut1,
                                Form1->RichEditAlignLeft1,  Form1->RichEditAlignRight1,
                                Form1->RichEditAlignCenter1};
    cost.CheckMarks = MedianMs(kCostKeys, [&] {
        for (TAction* action : formats)
            action->Update();
    });
    auto repaint = [&] {
        return MedianMs(kCostKeys, [&] {
            InvalidateRect(editor, nullptr, FALSE);
            UpdateWindow(editor);
        });
    };
    auto showFrom = [&](LPARAM at) {
        SendMessageW(editor, EM_SETSEL, at, at);
        SendMessageW(editor, EM_SCROLLCARET, 0, 0);
        app.ProcessMessages();
    };
    cost.RepaintAtEnd = repaint();
    showFrom(0);
    cost.RepaintAtTop = repaint();
    showFrom(-1);
    SendMessageW(editor, EM_AUTOURLDETECT, FALSE, 0);
    app.ProcessMessages();
    std::vector<double> press;
    for (int i = 0; i < kCostKeys; ++i)
        press.push_back(TypeKeyAlone(app, editor, i, [] {}).Press);
    cost.PressNoLinks = Summarise(press);
    const TTime start = Clock::now();
    Form1->Hypertext();
    const double turnedOn = Ms(start, Clock::now());
    // A rescan, if any, is paid by the next key at the latest.
    cost.LinksBackOn = turnedOn + TypeKeyAlone(app, editor, 0, [] {}).Press;
}

// Typing into the bare control, as MeasureKeyCost types into the note's editor.
void MeasureBareControl(TApplication& app, const std::string& note, TKeyCost& cost) {
    TBareEditor bare(Form1->Memo1->Handle(), note);
    app.ProcessMessages();
    TypeKeyAlone(app, bare.Handle(), 0, [] {}); // the layout
    bare.TakePaintMs();
    std::vector<double> press, paint;
    for (int i = 0; i < kCostKeys; ++i) {
        press.push_back(
            TypeKeyAlone(app, bare.Handle(), i, [&] { paint.push_back(bare.TakePaintMs()); }).Press);
        bare.TakePaintMs();
    }
    cost.BarePress = Summarise(press).Median;
    cost.BarePaint = Summarise(paint).Median;
}

// The note loaded into the editor the program started with, empty, and the caret at its end.
void LoadNote(TApplication& app, const TSize& size, TSizeResult& result) {
    const std::string note = FormattedNote(size.Bytes);
    result.RtfKiB = note.size() / 1024;
    Form1->Memo1->SetRtf(note);
    SendMessageW(Form1->Memo1->Handle(), EM_SETSEL, -1, -1);
    app.ProcessMessages();
    // The first key after loading pays for the layout.
    KeyToIdleMs(app, Form1->Memo1->Handle(), WM_KEYDOWN, VK_SPACE);
    KeyToIdleMs(app, Form1->Memo1->Handle(), WM_KEYUP, VK_SPACE);
    RunLoopFor(app, 1s); // with save-on-change, the space is saved
}

// One start of the program with save-on-change off or on, as the settings file says, typing
// into one note. Each size gets a program of its own: Wine's control takes minutes to empty or
// replace a megabyte note that has been typed into, and under a second to close with it.
void Measure(const TSize& size, bool saveOnChange, TSizeResult& result) {
    DeleteFileW(DocumentPath().c_str());
    {
        TIniFile ini(SettingsPath());
        ini.WriteBool(L"Save", L"SaveOnChange", saveOnChange);
        ini.WriteBool(L"Save", L"Autosave", false); // no timed save among the measured keys
    }
    TApplication app;
    StartProgramWithNoteShown(app);
    TEditorWatch watch(Form1->Memo1);
    Progress("loading", size.Label, saveOnChange);
    LoadNote(app, size, result);
    Progress("typing", size.Label, saveOnChange);
    auto& bursts = saveOnChange ? result.On : result.Off;
    for (size_t b = 0; b < kBursts.size(); ++b)
        bursts[b] = TypeBurst(app, watch, kBursts[b], static_cast<int>(b) + 1, saveOnChange);
    if (!saveOnChange) {
        Progress("cost of a key", size.Label, saveOnChange);
        MeasureKeyCost(app, watch, result.Cost);
        MeasureSuspects(app, result.Cost);
        MeasureBareControl(app, FormattedNote(size.Bytes), result.Cost);
    }
    Progress("quitting (the exit save writes the note)", size.Label, saveOnChange);
}

const char* YesNo(bool yes) {
    return yes ? "yes" : "no";
}

std::string Cell(double ms, int decimals = 1) {
    if (ms < 0) return "never";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, ms);
    return text;
}

// The longest save seen while typing at that size (a key may have to wait for one); below 0 when
// there was none.
double LongestSave(const TSizeResult& result) {
    std::vector<double> saves;
    for (const TBurstResult& burst : result.On)
        saves.insert(saves.end(), burst.SaveMs.begin(), burst.SaveMs.end());
    return saves.empty() ? -1 : Summarise(saves).Max;
}

bool MedianMet(const TBurstResult& off, const TBurstResult& on) {
    return on.Latency.Median <= off.Latency.Median + kMedianMarginMs;
}

bool MaxMet(const TBurstResult& off, const TBurstResult& on, double save) {
    return on.Latency.Max <= off.Latency.Max + std::max(save, 0.0);
}

void PrintScreenTable(const std::array<TSizeResult, kSizes.size()>& results) {
    std::printf(
        "\n### Key to screen (ms)\n\nEach key from its press, at its scheduled time, to its character "
        "in the editor with nothing left to repaint; median and max over the burst's keys, and the "
        "burst's last key. \"save\": the longest save seen while typing at that size (one save, the "
        "program's thread busy with it; \"none\": no save seen).\n\n");
    std::printf("| %-6s | %-11s | %9s | %7s | %8s | %9s | %7s | %8s | %6s | %-20s | %-20s |\n", "note",
                "burst", "off med", "off max", "off last", "on med", "on max", "on last", "save",
                "on med <= off + 16", "on max <= off + save");
    std::printf(
        "|--------|-------------|----------:|--------:|---------:|----------:|--------:|---------:|-------:|"
        "----------------------|----------------------|\n");
    for (size_t s = 0; s < kSizes.size(); ++s) {
        const double save = LongestSave(results[s]);
        for (size_t b = 0; b < kBursts.size(); ++b) {
            const TBurstResult &off = results[s].Off[b], &on = results[s].On[b];
            std::printf("| %-6s | %-11s | %9s | %7s | %8s | %9s | %7s | %8s | %6s | %-20s | %-20s |\n",
                        kSizes[s].Label, kBursts[b].Label, Cell(off.Latency.Median).c_str(),
                        Cell(off.Latency.Max).c_str(), Cell(off.LastKey).c_str(),
                        Cell(on.Latency.Median).c_str(), Cell(on.Latency.Max).c_str(),
                        Cell(on.LastKey).c_str(), save < 0 ? "none" : Cell(save).c_str(),
                        YesNo(MedianMet(off, on)), YesNo(MaxMet(off, on, save)));
        }
    }
}

void PrintFileTable(const std::array<TSizeResult, kSizes.size()>& results) {
    std::printf(
        "\n### Last key to file (ms)\n\nFrom the last key's scheduled time until the note file holds "
        "it (its stamp changed, and its RTF ends with the burst's text). Save-on-change off: the file "
        "is written by the timer and at exit only. \"saves\": times the file was written from the "
        "burst's first key until it held the last; \"never\": not %lld s after the last key.\n\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(kGiveUpAfter).count()));
    std::printf("| %-6s | %-11s | %5s | %5s | %8s | %-7s |\n", "note", "burst", "saves", "off", "on",
                "< 1 s");
    std::printf("|--------|-------------|------:|------:|---------:|---------|\n");
    for (size_t s = 0; s < kSizes.size(); ++s)
        for (size_t b = 0; b < kBursts.size(); ++b) {
            const TBurstResult& on = results[s].On[b];
            // The dash is one column wide but three bytes long.
            std::printf("| %-6s | %-11s | %5d |     \xe2\x80\x94 | %8s | %-7s |\n", kSizes[s].Label,
                        kBursts[b].Label, on.Saves, Cell(on.ToFile, 0).c_str(),
                        YesNo(on.ToFile >= 0 && on.ToFile < kToFileTargetMs));
        }
}

void PrintCostTable(const std::array<TSizeResult, kSizes.size()>& results) {
    std::printf(
        "\n### One key with save-on-change off (ms)\n\nMedian of %d keys typed at the end of the note, "
        "each from posting it until the queue is empty and the editor painted. Press = key down + "
        "char + paint (the time inside the editor's handler for each) + rest (the loop, the key "
        "checks before dispatch, other windows); release = key up + rest.\n\n",
        kCostKeys);
    std::printf("| %-6s | %7s | %7s | %8s | %5s | %5s | %5s | %7s | %8s | %5s |\n", "note", "RTF KiB",
                "press", "key down", "char", "paint", "rest", "release", "key up", "rest");
    std::printf(
        "|--------|--------:|--------:|---------:|------:|------:|------:|--------:|---------:|------:|\n");
    for (size_t s = 0; s < kSizes.size(); ++s) {
        const TKeyCost& c = results[s].Cost;
        std::printf("| %-6s | %7zu | %7.2f | %8.2f | %5.2f | %5.2f | %5.2f | %7.2f | %8.2f | %5.2f |\n",
                    kSizes[s].Label, results[s].RtfKiB, c.Press.Median, c.KeyDown, c.Char, c.PressPaint,
                    c.PressRest, c.Release.Median, c.KeyUp, c.ReleaseRest);
    }
    std::printf(
        "\n### Parts suspected of growing with the note, timed alone (ms, median of %d)\n\n"
        "The program's loop has no idle step of its own: it waits, takes a message and dispatches it. "
        "\"check marks\": the seven format commands' state updates together (the editor's menu does "
        "them as it opens; no key press does). \"repaint\": the editor's whole view painted again, with "
        "the note's end in view (where the typing is) and its top. \"press, links off\": a key press with "
        "the control's link detection off; \"links on again\": turning it back on and the next key. "
        "\"bare\": the same keys into a control of the platform class alone, over the note with its size "
        "and styles, holding the same note with no program around it: a press, and its paint.\n\n",
        kCostKeys);
    std::printf("| %-6s | %11s | %11s | %14s | %14s | %7s | %16s | %14s | %11s | %11s |\n", "note",
                "text length", "check marks", "repaint at end", "repaint at top", "press", "press, links off",
                "links on again", "bare press", "bare paint");
    std::printf("|--------|------------:|------------:|---------------:|---------------:|--------:|----------"
                "-------:|"
                "---------------:|------------:|------------:|\n");
    for (size_t s = 0; s < kSizes.size(); ++s) {
        const TKeyCost& c = results[s].Cost;
        std::printf(
            "| %-6s | %11.3f | %11.3f | %14.2f | %14.2f | %7.2f | %16.2f | %14.2f | %11.2f | %11.2f |\n",
            kSizes[s].Label, c.TextLength, c.CheckMarks, c.RepaintAtEnd, c.RepaintAtTop, c.Press.Median,
            c.PressNoLinks.Median, c.LinksBackOn, c.BarePress, c.BarePaint);
    }
}

void PrintTargets(const std::array<TSizeResult, kSizes.size()>& results) {
    int medians = 0, maxima = 0, files = 0, held = 0, typed = 0, bursts = 0;
    double late = 0;
    for (size_t s = 0; s < kSizes.size(); ++s) {
        const double save = LongestSave(results[s]);
        for (size_t b = 0; b < kBursts.size(); ++b) {
            const TBurstResult &off = results[s].Off[b], &on = results[s].On[b];
            ++bursts;
            medians += MedianMet(off, on);
            maxima += MaxMet(off, on, save);
            if (s == kTargetSize) files += on.ToFile >= 0 && on.ToFile < kToFileTargetMs;
            held += on.ToFile >= 0;
            typed += off.Typed + on.Typed;
            late = std::max({late, off.LatePost, on.LatePost});
        }
    }
    const TKeyCost &first = results.front().Cost, &last = results.back().Cost;
    std::printf("\n### Targets\n\n");
    std::printf("| %-52s | %-6s | %-5s |\n", "target", "bursts", "met");
    std::printf("|------------------------------------------------------|--------|-------|\n");
    std::printf("| %-52s | %2d/%-3d | %-5s |\n", "on within 16 ms of off, median key to screen", medians,
                bursts, YesNo(medians == bursts));
    std::printf("| %-52s | %2d/%-3d | %-5s |\n", "on within one save of off, max key to screen", maxima,
                bursts, YesNo(maxima == bursts));
    std::printf("| %-52s | %2zu/%-3zu | %-5s |\n", "last key to file under 1 s at 1 MB (on)", size_t(files),
                kBursts.size(), YesNo(files == int(kBursts.size())));
    std::printf("| %-52s | %2d/%-3d | %-5s |\n", "the file holds every burst's last key (on)", held, bursts,
                YesNo(held == bursts));
    std::printf(
        "\nPer key, 10 KB to 5 MB (off): press %.2f to %.2f ms (x%.2f), of which the editor's paint %.2f to "
        "%.2f ms; release %.2f to %.2f ms (x%.2f). The bare control's press: %.2f to %.2f ms, its paint %.2f "
        "to %.2f ms.\n",
        first.Press.Median, last.Press.Median, last.Press.Median / first.Press.Median, first.PressPaint,
        last.PressPaint, first.Release.Median, last.Release.Median,
        last.Release.Median / first.Release.Median, first.BarePress, last.BarePress, first.BarePaint,
        last.BarePaint);
    std::printf(
        "Every burst's keys are at the end of the editor afterwards: %s (%d of %d). The keyboard thread "
        "posted each key at most %.1f ms after its time.\n",
        YesNo(typed == 2 * bursts), typed, 2 * bursts, late);
}

} // namespace

int main() {
    std::array<TSizeResult, kSizes.size()> results;
    // Off and on side by side at each size, so that both meet the machine in the same state.
    for (size_t s = 0; s < kSizes.size(); ++s) {
        Measure(kSizes[s], false, results[s]);
        Measure(kSizes[s], true, results[s]);
    }
    std::printf(
        "\n## Typing into a note: bursts at a real pace, save-on-change off and on (one process each)\n");
    PrintScreenTable(results);
    PrintFileTable(results);
    PrintCostTable(results);
    PrintTargets(results);
    DeleteFileW(DocumentPath().c_str());
    DeleteFileW(SettingsPath().c_str());
    return 0;
}
