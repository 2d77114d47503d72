// The window-free steps a note's bytes go through before and after the rich-text control, timed on
// notes of every shape found to be costly, at 1 MB and 4 MB: work in proportion to the note takes
// four times as long at four times the size, work that grows with its square sixteen times. The
// baseline is one pass over the same bytes that looks at each of them. Exits non-zero when a step
// takes more than 4.5 times as long at 4 MB as at 1 MB, or more than 200 ms per MB at 4 MB.
#include "note/ForeignNote.h"
#include "note/NotePrepare.h"
#include "note/RtfCodePage.h"
#include "note/RtfLexer.h"
#include "note/RtfSafetyScan.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr size_t kMegabyte = 1 << 20;
constexpr double kMostRatio = 4.5, kMostMsPerMb = 200;

const std::string kHead = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                          "{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs20 ";

// `unit` again and again up to `size` bytes, between a head and a tail.
std::string Repeated(const std::string& head, const std::string& unit, const std::string& tail, size_t size) {
    std::string bytes = head;
    bytes.reserve(size + unit.size() + tail.size());
    while (bytes.size() + tail.size() < size)
        bytes += unit;
    return bytes + tail;
}

// `open` nested as deep as `size` allows, `middle` inside, each level closed by `close`.
std::string Nested(const std::string& open, const std::string& middle, const std::string& close, size_t size,
                   bool closed = true) {
    const size_t levels = (size - kHead.size()) / (open.size() + (closed ? close.size() : 0));
    std::string bytes = kHead;
    bytes.reserve(size + 64);
    for (size_t i = 0; i < levels; ++i)
        bytes += open;
    bytes += middle;
    if (closed)
        for (size_t i = 0; i < levels; ++i)
            bytes += close;
    return bytes + "}";
}

std::string FieldChain(int depth) {
    std::string chain;
    for (int i = 0; i < depth; ++i)
        chain += "{\\field{\\*\\fldinst HYPERLINK \"http://example.com\"}{\\fldrslt ";
    chain += "lien";
    for (int i = 0; i < depth; ++i)
        chain += "}}";
    return chain + " texte\\par\r\n";
}

std::string BinaryUnit() {
    std::string data;
    for (int i = 0; i < 1000; ++i)
        data += static_cast<char>("{}\\\x01\xFF\x80 a"[i % 8]);
    return "{\\pict\\wmetafile8\\bin1000 " + data + "}\\par\r\n";
}

struct TShape {
    const char* Name;
    std::function<std::string(size_t)> Make;
};

const std::vector<TShape> kShapes = {
    {"ordinary note",
     [](size_t n) {
         return Repeated(kHead,
                         "{\\b Titre} Caf\\'e9 cr\\'e8me \\u937?mega, du texte ordinaire "
                         "{\\i en italique} et {\\cf1 en couleur}\\par\r\n",
                         "}", n);
     }},
    {"control's UTF-8 note",
     [](size_t n) {
         return Repeated("{\\urtf1\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 ",
                         "{\\b Titre} Caf\xC3\xA9 \xCE\xA9\xCE\xBC\xE6\x97\xA5 du texte\\par\r\n", "}", n);
     }},
    {"nested field results, 20 deep", [](size_t n) { return Repeated(kHead, FieldChain(20), "}", n); }},
    {"nested field results, one chain",
     [](size_t n) {
         return Nested("{\\field{\\*\\fldinst X}{\\fldrslt le texte d'un lien ", "lien", "}}", n);
     }},
    {"open \\fldrslt groups", [](size_t n) { return Nested("{\\fldrslt a ", "lien", "", n, false); }},
    {"results inside one field",
     [](size_t n) { return Repeated(kHead + "{\\field{\\*\\fldinst X}", "{\\fldrslt resultat }", "}}", n); }},
    {"deep plain nesting", [](size_t n) { return Nested("{", "x", "}", n); }},
    {"control words",
     [](size_t n) { return Repeated(kHead, "\\b\\i\\ul\\fs24\\cf1\\b0\\i0\\ulnone ", "}", n); }},
    {"\\u runs", [](size_t n) { return Repeated(kHead, "\\u233?\\u937?\\u26085?\\u-3?", "}", n); }},
    {"\\bin data", [](size_t n) { return Repeated(kHead, BinaryUnit(), "}", n); }},
    {"text after the end", [](size_t n) { return Repeated("{\\rtf1\\uc2 a", "\\u233 }b", "}", n); }},
    {"UTF-8 code page",
     [](size_t n) { return Repeated("{\\rtf1\\ansicpg65001 ", "caf\\'c3\\'a9 ", "}", n); }},
};

struct TStep {
    const char* Name;
    std::function<void(const std::string&)> Run;
};

volatile size_t gSink; // keeps the work from being left out

const std::vector<TStep> kSteps = {
    {"baseline",
     [](const std::string& bytes) {
         size_t braces = 0;
         for (char c : bytes)
             braces += c == '{' || c == '}';
         gSink = braces;
     }},
    {"byte order + prepare", [](const std::string& b) { gSink = PrepareForEditor(FromByteOrder(b)).size(); }},
    {"lexer",
     [](const std::string& bytes) {
         TRtfLexer lexer(bytes);
         size_t n = 0;
         while (lexer.Next().Kind != TRtfToken::rtEnd)
             ++n;
         gSink = n;
     }},
    {"scan", [](const std::string& bytes) { gSink = MeasureDocument(bytes).Text.size(); }},
    {"rewriting", [](const std::string& bytes) { gSink = RewriteForControl(bytes).Bytes.size(); }},
    {"final mark", [](const std::string& bytes) { gSink = WithoutFinalParagraphMark(bytes).size(); }},
    {"standard writer", [](const std::string& bytes) { gSink = StandardRtf(bytes, 1252).size(); }},
    {"whole preparation", [](const std::string& bytes) { gSink = PrepareNote(bytes, true).Data.size(); }},
};

// A note is read from the disk before it is prepared, never out of a cache that has just held it
// many times over: each timed run starts with the processor's caches full of other bytes, so that
// 1 MB and 4 MB meet the same memory.
void EvictCaches() {
    static std::vector<char> other(64 * kMegabyte);
    for (size_t i = 0; i < other.size(); i += 64)
        ++other[i];
    gSink = static_cast<size_t>(other[other.size() / 2]);
}

double Ms(const std::function<void()>& work) {
    EvictCaches();
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The step's time on each of the two notes: the fastest of `rounds` runs taken in alternation, as
// other programs on the machine only ever add to a time.
std::pair<double, double> Times(const TStep& step, const std::string& small, const std::string& large,
                                int rounds) {
    double one = 1e300, four = 1e300;
    for (int round = 0; round < rounds; ++round) {
        one = std::min(one, Ms([&] { step.Run(small); }));
        four = std::min(four, Ms([&] { step.Run(large); }));
    }
    return {one, four};
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 7;
    const char* only = nullptr;
    // Other sizes than 1 MB and 4 MB, in KB: where the time per MB goes up with the size, whether
    // it keeps going up (work that grows faster than the note) or stops once the note no longer
    // fits in the processor's caches.
    size_t smallSize = kMegabyte, largeSize = 4 * kMegabyte;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--shape") == 0) only = argv[i + 1];
        if (std::strcmp(argv[i], "--small-kb") == 0) smallSize = std::max(64, std::atoi(argv[i + 1])) * 1024u;
        if (std::strcmp(argv[i], "--large-kb") == 0) largeSize = std::max(64, std::atoi(argv[i + 1])) * 1024u;
    }
    const double sizes = double(largeSize) / double(smallSize);
    std::printf("%-32s %-20s %10s %10s %7s  %s\n", "shape", "step", "ms/MB 1MB", "ms/MB 4MB", "4MB/1MB",
                "within");
    int missed = 0;
    for (const TShape& shape : kShapes) {
        if (only && !std::strstr(shape.Name, only)) continue;
        const std::string small = shape.Make(smallSize), large = shape.Make(largeSize);
        const double smallMb = double(small.size()) / kMegabyte, largeMb = double(large.size()) / kMegabyte;
        const TPreparedNote prepared = PrepareNote(small, true);
        std::printf("%s (%s)\n", shape.Name, prepared.Safe ? "loaded" : "refused");
        for (const TStep& step : kSteps) {
            const auto [oneMs, fourMs] = Times(step, small, large, rounds);
            const double one = oneMs / smallMb, four = fourMs / largeMb;
            // Per MB at each size: the ratio of the whole times is four times this one's.
            const double ratio = one > 0 ? sizes * four / one : 0;
            const bool within = ratio <= kMostRatio && four <= kMostMsPerMb;
            if (!within) ++missed;
            std::printf("%-32s %-20s %10.2f %10.2f %7.2f  %s\n", "", step.Name, one, four, ratio,
                        within ? "yes" : "NO");
            std::fflush(stdout);
        }
    }
    std::printf("targets: 4MB/1MB at most %.1f, at most %.0f ms per MB at 4 MB: %s\n", kMostRatio,
                kMostMsPerMb, missed ? "missed" : "met");
    return missed ? 1 : 0;
}
