// What the plain-text copy (Ctrl+S) costs as the note grows: notes of 1,000 to 100,000 short
// formatted lines in the program's own note window, the copy against the RTF save of the same
// note. The copy must grow in proportion to the note and stay within twice the RTF save. The
// copy as it was once made, one display line asked of the control at a time, is shown for the
// two smaller notes as a reference; it grows with the square of the note.
#include "Median.h"
#include "app/MainForm.h"
#include "note/NotePaths.h"
#include "note/PlainTextCopy.h"
#include "app/Program.h"
#include "framework/Application.h"
#include "framework/SafeFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMaxRatioToRtfSave = 2.0;
// Ten times the note may take at most twenty times as long: work in proportion to the note, with
// room for a larger note falling out of the processor's caches and for noise. Work that grows
// with the square of the note takes a hundred times as long.
constexpr double kMaxGrowthPerTenfold = 20.0;

// Short lines, each its own paragraph, with formatting and code-page accents.
std::string NoteOfLines(int lines) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                      "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs20 ";
    for (int line = 0; line < lines; ++line)
        rtf += "Ligne " + std::to_string(line) +
               " : {\\b gras}, {\\i italique}, {\\cf1 rouge}, {\\f1 code} et "
               "l'\\'e9t\\'e9.\\par\n";
    return rtf + "}";
}

// The copy as it used to be taken: line by line from the control's display lines.
void LineByLineCopy() {
    std::wstring text;
    const int count = Form1->Memo1->LineCount();
    for (int i = 0; i < count; ++i)
        text += Form1->Memo1->Line(i) + L"\r\n";
    WritePlainText(PlainTextPath(), PlainTextBytes(text));
}

void RemoveFiles() {
    for (const std::wstring& path : {DocumentPath(), PlainTextPath(), TemporaryPathFor(PlainTextPath())})
        DeleteFileW(path.c_str());
}

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0); // each row as soon as it is measured
    TApplication app;
    app.Initialize();
    app.SetTitle(L"Quillpad");
    RemoveFiles();

    std::printf("\nThe plain-text copy (Ctrl+S) against the RTF save of the same note: median of runs, one "
                "process.\n\n");
    std::printf("%-8s %9s %9s %9s %9s %9s %11s %8s %8s %7s %13s\n", "lines", "text KiB", "RTF KiB", "copy ms",
                "(get ms)", "(conv ms)", "RTF save ms", "copy/RTF", "us/line", "growth", "line-by-line");
    bool ok = true;
    double previous = 0;
    for (int lines : {1000, 10000, 100000}) {
        // Each note goes into a new, empty editor: under Wine the control takes time in proportion to the
        // square of what it holds to empty itself, which would swamp the figures and the run.
        CreateForms(app);
        Form1->Memo1->SetRtf(NoteOfLines(lines));
        const int runs = lines >= 100000 ? 5 : lines >= 10000 ? 9 : 15;
        const double copy = MedianMs(runs, [] { Form1->SaveMemo(); });
        const double save = MedianMs(runs, [] { Form1->Enregistrer1->Click(); });
        // Its parts: taking the text from the control, and turning it into the file's bytes.
        std::wstring text;
        const double take = MedianMs(runs, [&] { text = Form1->Memo1->Text(); });
        std::string bytes;
        const double convert = MedianMs(runs, [&] { bytes = PlainTextBytes(text); });
        const size_t textBytes = bytes.size();
        WIN32_FILE_ATTRIBUTE_DATA rtf{};
        GetFileAttributesExW(DocumentPath().c_str(), GetFileExInfoStandard, &rtf);
        char growth[16] = "-", old[16] = "-";
        if (previous > 0) std::snprintf(growth, sizeof growth, "x%.1f", copy / previous);
        if (lines <= 10000) std::snprintf(old, sizeof old, "%.0f ms", MedianMs(1, LineByLineCopy));
        std::printf("%-8d %9zu %9lu %9.2f %9.2f %9.2f %11.2f %8.2f %8.2f %7s %13s\n", lines, textBytes / 1024,
                    rtf.nFileSizeLow / 1024, copy, take, convert, save, copy / save, copy * 1000 / lines,
                    growth, old);
        ok = ok && copy <= kMaxRatioToRtfSave * save &&
             (previous == 0 || copy <= kMaxGrowthPerTenfold * previous);
        previous = copy;
        app.DestroyForms();
        RemoveFiles();
    }
    std::printf("\nTargets: copy/RTF <= %.1f, growth <= x%.0f per tenfold note: %s\n", kMaxRatioToRtfSave,
                kMaxGrowthPerTenfold, ok ? "met" : "MISSED");
    DeleteFileW(L"text_copy_bench.INI");
    return ok ? 0 : 1;
}
