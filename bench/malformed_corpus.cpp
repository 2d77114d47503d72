// Notes the program did not write, in the shapes other writers, cut files and sync clients leave:
// each one is stored as the note, the program is started and ended twice (the real control loads
// and saves it), and the marker text it holds is looked for in the note, the stored file and the
// copies kept beside it. Prints one line a document and the totals; scripts/malformed_corpus.sh
// runs it again past a document that ends the process (a crash) or never returns (a hang).
#include "note/ForeignNote.h"
#include "app/MainForm.h"
#include "note/NoteFiles.h"
#include "note/NoteLoad.h"
#include "note/NotePaths.h"
#include "app/Program.h"
#include "note/RtfSafetyScan.h"
#include "framework/Application.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kMarker = "MARQUEUR";

struct TDocument {
    std::string Family;
    std::string Bytes;
};

std::string Head(const std::string& extra = "") {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Courier New;}}"
           "{\\colortbl;\\red255\\green0\\blue0;}" +
           extra + "\\f0\\fs20 premiere ligne\\par ";
}

std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// A note as a word processor writes it: formatting, a list, a table, a picture in hex.
std::string RichNote() {
    std::string rtf = Head("{\\stylesheet{\\s0 Normal;}{\\s1\\b Titre 1;}}");
    rtf +=
        "{\\s1\\b Un titre}\\par {\\b gras} {\\i italique} {\\ul " + kMarker + "} \\'e9t\\'e9 \\u937?\\par ";
    rtf += "{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec}\\fi-360\\li720 un point\\par\\pard ";
    rtf += "\\trowd\\cellx2000\\cellx4000 a\\cell b\\cell\\row\\pard ";
    rtf += "{\\pict\\wmetafile8\\picw100\\pich100 0102030405060708090a0b0c0d0e0f}";
    for (int i = 0; i < 20; ++i)
        rtf += "ligne " + std::to_string(i) + " du texte de la note\\par ";
    return rtf + "}";
}

std::vector<TDocument> Corpus() {
    std::vector<TDocument> corpus;
    auto add = [&](const std::string& family, const std::string& bytes) {
        corpus.push_back({family, bytes});
    };

    for (const char* page :
         {"99999999999", "1200", "1201", "50220", "42", "65001", "0", "70000", "12000", "-5"}) {
        add("code page", Head() + "\\ansicpg" + page + " " + kMarker + " texte\\par}");
        add("code page",
            "{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg" + std::string(page) + " Arial;}}\\f0 " + kMarker + "\\par}");
    }
    const char* results[] = {"lien", "{\\ul\\cf1 lien}", "{\\b lien} et {\\i plus}"};
    for (const char* result : results) {
        for (const char* kind : {"HYPERLINK \"http://example.com\"", "PAGE", "DATE \\\\@ \"d MMMM yyyy\""}) {
            add("field", Head() + "avant {\\field{\\*\\fldinst " + kind + "}{\\fldrslt " + kMarker + " " +
                             result + "}} apres\\par}");
            add("field", Head() + "avant {\\field\\flddirty{\\*\\fldinst " + kind + "}{\\*\\fldrslt " +
                             kMarker + "}} apres\\par}");
        }
        add("field", Head() + "{\\field{\\*\\fldinst A}{\\fldrslt x {\\field{\\*\\fldinst B}{\\fldrslt " +
                         kMarker + "}} y}}\\par}");
        add("field", Head() + "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt}}" + kMarker + "\\par}");
    }
    for (const char* group :
         {"\\footnote\\pard ", "\\header ", "\\footer ", "\\headerl ", "\\footerr ", "\\*\\annotation ",
          "\\*\\shpinst{\\shptxt ", "\\upr{", "\\*\\atnid x}{\\*\\annotation "}) {
        const std::string g = group;
        const int open = static_cast<int>(std::count(g.begin(), g.end(), '{'));
        const std::string close = std::string(static_cast<size_t>(open), '}');
        add("hidden text", Head() + "texte {" + g + kMarker + " dedans" + close + "} apres\\par}");
        add("hidden text", Head() + "{" + g + kMarker + close + "}\\par}");
        add("hidden text", Head() + "{" + g + "{\\b " + kMarker + "} gras" + close + "}\\par}");
    }
    for (const char* after : {"\r\n", " ", "\r\n\r\n", "", "\\par "}) {
        add("after the end", Head() + "\\par}" + after + kMarker + " apres la fin\\par}");
        add("after the end", Head() + "\\par}" + after + "{\\b " + kMarker + "}");
    }
    const std::string rich = RichNote();
    const size_t markerAt = rich.find(kMarker) + kMarker.size() + 1;
    for (int cut = 0; cut < 50; ++cut)
        add("cut short", rich.substr(0, markerAt + (rich.size() - markerAt) * static_cast<size_t>(cut) / 50));
    for (const char* lead : {"", " ", "\r\n"}) {
        add("UTF-8 mark", "\xEF\xBB\xBF" + std::string(lead) + Head() + kMarker + "\\par}");
        add("UTF-8 mark", "\xEF\xBB\xBF" + std::string(lead) + rich);
    }
    add("UTF-8 mark", "\xEF\xBB\xBF" + kMarker + " en texte\r\n");
    for (int count : {1, 2, 80, 200, 100000}) {
        add("\\bin", Head() + kMarker + "\\par{\\pict\\bin" + std::to_string(count) + " abc");
        add("\\bin", Head() + kMarker + "\\par\\bin" + std::to_string(count));
        add("\\bin", Head() + kMarker + "\\par\\bin" + std::to_string(count) + " " + std::string(33, '{') +
                         "x" + std::string(33, '}') + "\\par}");
        add("\\bin", Head() + kMarker + "{\\pict\\bin" + std::to_string(count) + " " +
                         std::string(count < 300 ? count : 300, '{') + "}\\par}");
    }
    const std::wstring greek = L"Bonjour \xE9t\xE9 \x3A9\x3BC\x3AD\x3B3\x3B1 ";
    for (bool big : {false, true}) {
        add("UTF-16", Utf16WithMark(greek + Widen(kMarker), big));
        add("UTF-16", Utf16WithMark(greek + Widen(kMarker) + L"\r\nligne deux\r\n", big));
        add("UTF-16", Utf16WithMark(L"{\\rtf1\\ansi \\b " + Widen(kMarker) + L" \xE9t\xE9\\b0\\par}", big));
        add("UTF-16", Utf16WithMark(Widen(RichNote()), big));
        add("UTF-16", Utf16WithMark(L"\x65E5\x672C\x8A9E " + Widen(kMarker) + L" \xD83D\xDE00", big));
    }
    const char* words[] = {"tx", "li",    "ri",     "fi", "sb", "sa",        "sl",      "fs",    "cf",
                           "f",  "cellx", "trleft", "uc", "u",  "highlight", "expndtw", "margl", "paperw"};
    const char* values[] = {"-2147483648", "2147483648", "99999999999", "-99999999999"};
    for (const char* word : words)
        for (const char* value : values) {
            std::string control = "\\";
            control += word;
            control += value;
            if (std::string(word) == "cellx" || std::string(word) == "trleft")
                add("out of range",
                    Head() + "\\trowd" + control + "\\cellx2000 " + kMarker + "\\cell\\row\\pard x\\par}");
            else
                add("out of range", Head() + "\\pard" + control + " " + kMarker + "\\tab x\\par}");
        }
    std::mt19937 random(20261209);
    const size_t protectFrom = rich.find(kMarker), protectTo = protectFrom + kMarker.size();
    const std::string noise = "{}\\;'0\r\n a\x80\xFF";
    for (int n = 0; n < 100; ++n) {
        std::string bytes = rich;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            size_t at = random() % bytes.size();
            if (at >= protectFrom - 1 && at <= protectTo + 1) continue; // the marker itself stays whole
            const size_t shift = bytes.size();
            switch (random() % 4) {
            case 0:
                bytes[at] = noise[random() % noise.size()];
                break;
            case 1:
                bytes.erase(at, 1);
                break;
            case 2:
                bytes.insert(at, 1, noise[random() % noise.size()]);
                break;
            default:
                bytes.insert(at, bytes.substr(at, random() % 40));
            }
            if (bytes.size() != shift && at < protectFrom) break; // the marker moved: stop editing
        }
        add("mutated", bytes);
    }
    return corpus;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Every file the user is told of that may hold the note: the stored note, the copies kept beside
// it, a note set aside, the rescue copy. The versions kept before a run's first save are left
// out: they are rotated away after three runs, and nothing names them to the user.
std::vector<fs::path> NoteFiles() {
    const fs::path note = DocumentPath();
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(note.parent_path())) {
        const std::wstring name = entry.path().filename().wstring();
        const bool beside =
            name.starts_with(note.filename().wstring()) || name.starts_with(note.stem().wstring() + L" (");
        const std::wstring extension = entry.path().extension().wstring();
        if (beside && extension != L".loading" && extension != L".1" && extension != L".2" &&
            extension != L".3")
            files.push_back(entry.path());
    }
    if (fs::exists(RescuePath())) files.push_back(RescuePath());
    return files;
}

void RemoveNoteFiles() {
    for (const fs::path& file : NoteFiles())
        fs::remove(file);
    fs::remove(LoadMarkerPath(DocumentPath()));
}

bool HeldSomewhere(const std::vector<fs::path>& files) {
    for (const fs::path& file : files) {
        const std::string bytes = ReadAll(file);
        // As it came, as RTF, or kept as UTF-16.
        for (const std::string& form : {kMarker, Utf16WithMark(Widen(kMarker), false).substr(2),
                                        Utf16WithMark(Widen(kMarker), true).substr(2)})
            if (bytes.find(form) != std::string::npos) return true;
    }
    return false;
}

std::atomic<int> gCurrent{-1};
std::atomic<ULONGLONG> gSince{0};

} // namespace

int main(int argc, char** argv) {
    const int first = argc > 1 ? std::atoi(argv[1]) : 0;
    const std::vector<TDocument> corpus = Corpus();
    if (argc > 2 && std::string(argv[1]) == "--show") { // one document's bytes, to look into it
        const std::string& bytes = corpus.at(static_cast<size_t>(std::atoi(argv[2]))).Bytes;
        std::fwrite(bytes.data(), 1, bytes.size(), stdout);
        return 0;
    }
    if (argc > 1 && std::string(argv[1]) == "--count") {
        std::printf("%zu\n", corpus.size());
        return 0;
    }
    // A document whose load or save never returns ends the run; the script goes on past it.
    std::thread([] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const int current = gCurrent.load();
            if (current >= 0 && GetTickCount64() - gSince.load() > 30000) {
                std::printf("HANG %d\n", current);
                std::fflush(stdout);
                ExitProcess(3);
            }
        }
    }).detach();

    TApplication app;
    app.Initialize();
    app.SetTitle(L"Quillpad");
    std::vector<std::wstring> boxes;
    app.OnException = [&](TObject*, const std::wstring& message) { boxes.push_back(message); };
    for (int index = first; index < static_cast<int>(corpus.size()); ++index) {
        const TDocument& document = corpus[static_cast<size_t>(index)];
        RemoveNoteFiles();
        std::ofstream(fs::path(DocumentPath()), std::ios::binary) << document.Bytes;
        // Only a marker that the program's own reading finds counts: an edit may have hidden it.
        const std::string readable = PrepareForEditor(FromByteOrder(document.Bytes));
        const bool counted = MeasureDocument(readable).Text.find(Widen(kMarker)) != std::wstring::npos ||
                             !MeasureDocument(readable).Rtf;
        std::printf("START %d\n", index);
        std::fflush(stdout);
        gSince = GetTickCount64();
        gCurrent = index;
        boxes.clear();
        int lost = 0, shownFirst = 0;
        for (int start = 0; start < 2; ++start) {
            CreateForms(app);
            app.ProcessMessages();
            const bool shown = Form1->Memo1->Text().find(Widen(kMarker)) != std::wstring::npos;
            if (start == 0) shownFirst = shown;
            app.DestroyForms(); // the save on the way out
            if (!HeldSomewhere(NoteFiles()) && counted) ++lost;
        }
        gCurrent = -1;
        // What the first box says after the reason's opening words.
        std::string firstBox;
        if (!boxes.empty()) {
            const size_t colon = boxes[0].find(L" : ");
            const std::wstring said = boxes[0].substr(colon == std::wstring::npos ? 0 : colon + 3, 90);
            for (wchar_t c : said)
                firstBox += c < 0x80 && c >= 0x20 ? static_cast<char>(c) : '.';
        }
        std::printf("DONE %d family=%s shown=%d lost=%d counted=%d boxes=%zu %s\n", index,
                    document.Family.c_str(), shownFirst, lost, counted ? 1 : 0, boxes.size(),
                    firstBox.c_str());
        std::fflush(stdout);
    }
    RemoveNoteFiles();
    return 0;
}
