// The safety scan on any bytes: its figures fit the document, the text it reads is UTF-16 and no
// longer than the bytes, and line breaks between tokens, which RTF readers ignore, change nothing.
#include "FuzzCheck.h"

#include "note/RtfLexer.h"
#include "note/RtfSafetyScan.h"

#include <cstdint>
#include <string>

namespace {

// The bytes with CR LF before every token but binary data, whose bytes are counted, and the
// \rtf that must follow the first brace at once.
std::string WithBreaksBetweenTokens(std::string_view bytes) {
    std::string spaced;
    spaced.reserve(bytes.size() * 3);
    const size_t signature = bytes.find_first_not_of(" \t\r\n") + 1;
    TRtfLexer lexer(bytes);
    for (TRtfItem item = lexer.Next(); item.Kind != TRtfToken::rtEnd; item = lexer.Next()) {
        if (item.Kind != TRtfToken::rtBinary && item.Start != signature) spaced += "\r\n";
        spaced.append(bytes.substr(item.Start, item.End - item.Start));
    }
    return spaced;
}

void CheckSame(const TDocumentFigures& a, const TDocumentFigures& b, const char* what) {
    FUZZ_CHECK_EQUAL(a.Text, b.Text, what);
    FUZZ_CHECK_EQUAL(a.Rtf, b.Rtf, what);
    FUZZ_CHECK_EQUAL(a.OnlyByteOrderMark, b.OnlyByteOrderMark, what);
    FUZZ_CHECK_EQUAL(a.GroupDepth, b.GroupDepth, what);
    FUZZ_CHECK_EQUAL(a.ControlWordLength, b.ControlWordLength, what);
    FUZZ_CHECK_EQUAL(a.ParameterLength, b.ParameterLength, what);
    FUZZ_CHECK_EQUAL(a.TableTextLength, b.TableTextLength, what);
    FUZZ_CHECK_EQUAL(a.HoldsText, b.HoldsText, what);
    FUZZ_CHECK_EQUAL(a.OpenAtEnd, b.OpenAtEnd, what);
    FUZZ_CHECK_EQUAL(a.BinaryCut, b.BinaryCut, what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TDocumentFigures figures = MeasureDocument(bytes);
    FUZZ_CHECK_EQUAL(figures.Rtf, StartsAsRtf(bytes), "the bytes are read as RTF when they start as RTF");
    FUZZ_CHECK_EQUAL(figures.OnlyByteOrderMark, bytes == "\xEF\xBB\xBF", "a file that is only a mark");
    FUZZ_CHECK(figures.Text.size() <= size,
               "each character of the text takes a byte of the document at least");
    for (wchar_t c : figures.Text)
        FUZZ_CHECK(static_cast<uint32_t>(c) <= 0xFFFF, "the text is UTF-16 code units");
    FUZZ_CHECK(figures.OpenAtEnd >= 0 && figures.OpenAtEnd <= figures.GroupDepth,
               "the groups open at the end are no more than the deepest nesting");
    FUZZ_CHECK(figures.ControlWordLength <= size && figures.ParameterLength <= size &&
                   figures.TableTextLength <= size,
               "no run is longer than the document");
    if (!figures.Rtf)
        FUZZ_CHECK(figures.Text.empty() && figures.GroupDepth == 0, "bytes that are not RTF have no groups");

    CheckSame(MeasureDocument(bytes), figures, "the figures depend on the bytes alone");
    if (figures.Rtf)
        CheckSame(MeasureDocument(WithBreaksBetweenTokens(bytes)), figures,
                  "line breaks between tokens change nothing");
    return 0;
}
