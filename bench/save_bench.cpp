// What saving the note costs at several sizes: (a) the full save as the program does it
// (stream out, standard RTF, temporary file, flush, rename), against the work it cannot avoid:
// (b) streaming the same note out to memory and (c) writing and flushing the saved bytes to a
// file. Each size comes as a Western note, which the ANSI code page holds, and as a note full of
// Greek, Cyrillic and CJK text, which is streamed out as UTF-8 and rewritten as standard RTF:
// (d) is that whole step, (r) the rewriting alone; d/b is what the standard form costs over the
// stream-out alone.
#include "Median.h"
#include "SampleNote.h"
#include "app/MainForm.h"
#include "app/NoteFile.h"
#include "app/Program.h"
#include "framework/Application.h"
#include "framework/Handles.h"
#include "framework/RtfCodePage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT kUtf8Rtf = SF_RTF | SF_USECODEPAGE | (CP_UTF8 << 16);

void WriteAndFlush(const std::wstring& path, const std::string& bytes) {
    TFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(file.Get());
}

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

} // namespace

int main() {
    TApplication app;
    app.Initialize();
    app.SetTitle(L"Quillpad");
    DeleteFileW(DocumentPath().c_str()); // what an interrupted run left behind
    CreateForms(app);
    TRichEditEx* memo = Form1->Memo1;
    const std::wstring raw = DocumentPath() + L".raw";
    const UINT codePage = RtfHeaderCodePage(GetACP());

    std::printf(
        "\nSaving the note: median of runs, one process, the program's own save against its parts.\n\n");
    std::printf("%-7s %-9s %8s %11s %10s %12s %8s %10s %10s %6s %6s\n", "note", "text", "RTF KiB",
                "(a) save ms", "(b) out ms", "(c) write ms", "a/(b+c)", "(d) std ms", "(r) rw ms", "d/b",
                "r/b");
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
                         {"5 MB", size_t(5) << 20, false},    {"10 MB", size_t(10) << 20, true}};
    for (const TRow& row : rows) {
        const size_t size = row.Size;
        const bool western = row.Western;
        // Emptied first: the control under Wine can fail to replace a large note by another.
        memo->Clear();
        memo->SetRtf(western ? FormattedNote(size) : NonLatinNote(size));
        std::string saved;
        memo->SaveRtf(saved);
        std::string utf8;
        memo->StreamOut(kUtf8Rtf, [&](const BYTE* data, LONG n) {
            utf8.append(reinterpret_cast<const char*>(data), static_cast<size_t>(n));
            return true;
        });
        const int runs = size >= (size_t(5) << 20) ? 3 : 15;
        const double a = MedianMs(runs, [] { Form1->Enregistrer1->Click(); });
        const double b = MedianMs(runs, [&] { memo->Rtf(); });
        const double c = MedianMs(runs, [&] { WriteAndFlush(raw, saved); });
        const double d = MedianMs(runs, [&] {
            std::string rtf;
            memo->SaveRtf(rtf);
        });
        const double r = western ? 0.0 : MedianMs(runs, [&] { StandardRtf(utf8, codePage); });
        char rewrite[16] = "-";
        if (!western) std::snprintf(rewrite, sizeof rewrite, "%.2f", r);
        char rewriteRatio[16] = "-";
        if (!western) std::snprintf(rewriteRatio, sizeof rewriteRatio, "%.2f", r / b);
        std::printf("%-7s %-9s %8zu %11.2f %10.2f %12.2f %8.2f %10.2f %10s %6.2f %6s\n", row.Label,
                    western ? "Western" : "non-Latin", saved.size() / 1024, a, b, c, a / (b + c), d, rewrite,
                    d / b, rewriteRatio);
    }
    std::printf(
        "\n(b) streams out as the note is kept across a re-creation: ANSI RTF for the Western note, "
        "UTF-8 RTF for the other.\n(d) is what the save streams out: the same ANSI RTF for the Western "
        "note, the UTF-8 RTF rewritten as standard RTF for the other.\n");
    DeleteFileW(raw.c_str());
    // The 10 MB note is not emptied first: the control under Wine takes minutes to delete that
    // much formatted text at once. The exit save writes it (under a second), then it is removed.
    app.DestroyForms();
    DeleteFileW(DocumentPath().c_str());
    DeleteFileW(L"save_bench.INI");
    return 0;
}
