// What saving the note costs at several sizes: (a) the program's own save after a one-letter edit
// (stream out, standard RTF, temporary file, flush, replace), against the work it cannot avoid:
// (b) the control streaming the note out to memory, also right after an edit, and (c) replacing
// a file by the saved bytes as the save must (temporary file, flush, replace). (r) is the
// rewriting into standard RTF alone, the one step of the save that is the program's own work on
// the bytes. Each size comes as a Western note, which the ANSI code page holds (the control's own
// ANSI RTF comes out), and as a note full of Greek, Cyrillic and CJK text (escaped). Targets: r/b
// at most 0.10, a/(b+c) at most 1.20.
#include "Median.h"
#include "SampleNote.h"
#include "app/MainForm.h"
#include "note/NotePaths.h"
#include "app/Program.h"
#include "framework/Application.h"
#include "note/RtfCodePage.h"
#include "framework/SafeFile.h"

#include <cstdio>
#include <string>

namespace {

std::string Escaped(const std::wstring& text) {
    std::string rtf;
    for (wchar_t c : text)
        rtf += c < 0x80 ? std::string(1, static_cast<char>(c))
                        : "\\u" + std::to_string(static_cast<short>(c)) + "?";
    return rtf;
}

// A note of the same build as the formatted one, its text all Greek, Cyrillic and CJK.
std::string NonLatinNote(size_t bytes) {
    const std::string greek = Escaped(L"\u0393\u03c1\u03b1\u03bc\u03bc\u03ae \u03c4\u03b7\u03c2 "
                                      L"\u03c3\u03b7\u03bc\u03b5\u03af\u03c9\u03c3\u03b7\u03c2");
    const std::string cyrillic =
        Escaped(L"\u0436\u0438\u0440\u043d\u044b\u0435 \u0441\u043b\u043e\u0432\u0430");
    const std::string cjk = Escaped(L"\u659c\u4f53\u306e\u6587\u5b57");
    const std::string korean = Escaped(L"\ube68\uac04 \uae00\uc790");
    const std::string tail =
        Escaped(L"\u0438 \u043f\u0440\u043e\u0441\u0442\u043e\u0439 \u0442\u0435\u043a\u0441\u0442 "
                L"\u0434\u043e \u043a\u043e\u043d\u0446\u0430 \u0441\u0442\u0440\u043e\u043a\u0438");
    std::string rtf = "{\\rtf1\\ansi\\uc1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                      "{\\colortbl;\\red200\\green0\\blue0;\\red0\\green90\\blue160;}\\f0\\fs20 ";
    for (int line = 0; rtf.size() < bytes; ++line)
        rtf += "\\pard " + greek + " " + std::to_string(line) + ": {\\b " + cyrillic + "}, {\\i " + cjk +
               "}, {\\cf1 " + korean + "}, {\\cf2\\f1 " + greek + "} " + tail + ".\\par\n";
    return rtf + "}";
}

// One letter typed at the end of the note, so that the save that follows has something to write.
void TypeOneLetter(TRichEditEx* memo) {
    SendMessageW(memo->Handle(), EM_SETSEL, -1, -1);
    SendMessageW(memo->Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"x"));
}

} // namespace

int main() {
    TApplication app;
    app.Initialize();
    app.SetTitle(L"Quillpad");
    DeleteFileW(DocumentPath().c_str()); // what an interrupted run left behind
    CreateForms(app);
    TRichEditEx* memo = Form1->Memo1;
    const std::wstring raw = DocumentPath() + L".raw";
    const UINT ansiCodePage = GetACP();
    const UINT codePage = RtfHeaderCodePage(ansiCodePage);

    std::printf(
        "\nSaving the note: median of runs, one process, the program's own save against its parts.\n\n");
    std::printf("%-7s %-9s %8s %11s %10s %12s %10s %6s %8s %9s\n", "note", "text", "RTF KiB", "(a) save ms",
                "(b) out ms", "(c) replace", "(r) rw ms", "r/b", "a/(b+c)", "targets");
    struct TRow {
        const char* Label;
        size_t Size;
        bool Western;
    };
    // The control under Wine ends the process while loading a note of about 1.3 million Greek or
    // CJK characters (1.9 million as UTF-8 RTF): the largest non-Latin note stays below that.
    const TRow rows[] = {{"10 KB", size_t(10) << 10, true},   {"10 KB", size_t(10) << 10, false},
                         {"100 KB", size_t(100) << 10, true}, {"100 KB", size_t(100) << 10, false},
                         {"1 MB", size_t(1) << 20, true},     {"1 MB", size_t(1) << 20, false},
                         {"5 MB", size_t(5) << 20, false},    {"5 MB", size_t(5) << 20, true}};
    for (const TRow& row : rows) {
        const size_t size = row.Size;
        const bool western = row.Western;
        // Emptied first: the control under Wine can fail to replace a large note by another.
        memo->Clear();
        memo->SetRtf(western ? FormattedNote(size) : NonLatinNote(size));
        const size_t room = static_cast<size_t>(GetWindowTextLengthW(memo->Handle())) * 4 + 0x10000;
        std::string utf8;
        const auto streamOut = [&] {
            utf8.clear();
            utf8.reserve(room);
            memo->StreamOut(kUtf8Rtf, [&](const BYTE* data, LONG n) {
                utf8.append(reinterpret_cast<const char*>(data), static_cast<size_t>(n));
                return true;
            });
        };
        streamOut();
        std::string saved;
        memo->ControlRtf(saved);
        saved = StoredRtf(saved);
        const int runs = size >= (size_t(5) << 20) ? 5 : 15;
        // Both right after an edit: the control streams a note out more slowly just after one.
        const auto edit = [memo] { TypeOneLetter(memo); };
        const double a = MedianMs(
            runs, [] { Form1->Enregistrer1->Click(); }, edit);
        const double b = MedianMs(runs, streamOut, edit);
        const double c = MedianMs(runs, [&] { ReplaceFileContents(raw, saved); });
        const double r = MedianMs(runs, [&] { StandardRtf(utf8, codePage, ansiCodePage != CP_UTF8); });
        const bool met = r / b <= 0.10 && a / (b + c) <= 1.20;
        std::printf("%-7s %-9s %8zu %11.2f %10.2f %12.2f %10.2f %6.3f %8.2f %9s\n", row.Label,
                    western ? "Western" : "non-Latin", saved.size() / 1024, a, b, c, r, r / b, a / (b + c),
                    met ? "met" : "NOT MET");
    }
    std::printf(
        "\n(b) streams out UTF-8 RTF, as the save does; (r) turns it into what is stored: for the Western "
        "note the control's own ANSI RTF, byte for byte.\n");
    DeleteFileW(raw.c_str());
    // The largest note is not emptied first: the control under Wine takes minutes to delete that
    // much formatted text at once. The exit save finds nothing new to write, then it is removed.
    app.DestroyForms();
    DeleteFileW(DocumentPath().c_str());
    DeleteFileW(L"save_bench.INI");
    return 0;
}
