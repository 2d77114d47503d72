// The standard-RTF writer on any bytes, in the Western and the Cyrillic code page, with the text as
// escapes and as the code page's bytes: the output holds no byte above 0x7F outside \bin data,
// starts with the standard header, is its own standard form, and keeps every character of a
// document's text.
#include "FuzzCheck.h"

#include "note/CodePages.h"
#include "note/RtfCodePage.h"
#include "note/RtfLexer.h"
#include "note/RtfSafetyScan.h"

#include <cstdint>
#include <string>

namespace {

void CheckAsciiOutsideBinary(std::string_view out) {
    TRtfLexer lexer(out);
    for (TRtfItem item = lexer.Next(); item.Kind != TRtfToken::rtEnd; item = lexer.Next()) {
        if (item.Kind == TRtfToken::rtBinary) continue;
        for (size_t i = item.Start; i < item.End; ++i)
            if (static_cast<unsigned char>(out[i]) >= 0x80) {
                FuzzShow("around it", out.substr(item.Start > 20 ? item.Start - 20 : 0, 60));
                FUZZ_CHECK(false, "standard RTF holds no byte above 0x7F outside binary data");
            }
    }
}

bool ValidUtf8(std::string_view bytes) {
    if (bytes.empty()) return true;
    return CodePages::ToWide(CodePages::kUtf8, true, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                             0) > 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    // A document of plain text, braces and line breaks, as the control writes it in UTF-8: its
    // text read before and after must be the same.
    const bool plain = rtf.find('\\') == std::string_view::npos && ValidUtf8(rtf);
    const std::string document = "{\\urtf1 " + std::string(rtf) + "}";
    const std::wstring text = plain ? MeasureDocument(document).Text : std::wstring();
    for (unsigned codePage : {1252u, 1251u}) {
        const std::string header = "{\\rtf1\\ansi\\ansicpg" + std::to_string(codePage) + "\\uc1";
        for (bool asBytes : {false, true}) {
            const std::string out = StandardRtf(rtf, codePage, asBytes);
            CheckAsciiOutsideBinary(out);
            if (rtf.starts_with("{\\rtf") || rtf.starts_with("{\\urtf"))
                FUZZ_CHECK(out.starts_with(header), "standard RTF starts with the standard header");
            FUZZ_CHECK_EQUAL(StandardRtf(out, codePage, asBytes), out,
                             "standard RTF is its own standard form");
            if (plain)
                FUZZ_CHECK_EQUAL(MeasureDocument(StandardRtf(document, codePage, asBytes)).Text, text,
                                 "every character of the text is kept");
        }
    }
    return 0;
}
