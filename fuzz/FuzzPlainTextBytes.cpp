// The plain-text copy's bytes for any text: one CR LF a paragraph, in the code page when it holds
// every character, UTF-8 behind a mark otherwise; read back, they are the text, no character
// lost or replaced by a look-alike. The first input byte picks the code page, the rest are the
// text's UTF-16 units, little-endian.
#include "FuzzCheck.h"

#include "note/CodePages.h"
#include "note/PlainTextBytes.h"

#include <array>
#include <cstdint>
#include <string>

namespace {

// Western, Cyrillic and Latin-1 are there; 54936 (GB 18030) and 932 are code pages this build
// lacks, like a system without them.
constexpr std::array<unsigned, 6> kCodePages = {1252, 1251, 28591, CodePages::kUtf8, 54936, 932};

// Every paragraph ended by CR LF, as the copy has it.
std::wstring AsLines(const std::wstring& text) {
    std::wstring lines;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            lines += L"\r\n";
        } else {
            lines += c;
        }
    }
    if (!lines.ends_with(L"\r\n")) lines += L"\r\n";
    return lines;
}

// UTF-8 takes every character but a lone surrogate, which it writes as U+FFFD.
std::wstring AsUtf8Takes(std::wstring text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF,
                   low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
        const bool pairedHigh = high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (pairedHigh)
            ++i;
        else if (high || low)
            text[i] = 0xFFFD;
    }
    return text;
}

// The bytes read strictly in the code page; none when they are not valid there.
std::optional<std::wstring> Read(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    std::wstring text(bytes.size(), L'\0');
    const int n = CodePages::ToWide(codePage, true, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                    static_cast<int>(text.size()));
    if (n <= 0) return std::nullopt;
    text.resize(static_cast<size_t>(n));
    return text;
}

bool Holds(unsigned codePage, const std::wstring& text) {
    if (CodePages::MaxCharSize(codePage) == 0) return false;
    if (codePage == CodePages::kUtf8) return true;
    bool usedDefault = false;
    return CodePages::ToBytes(codePage, true, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              &usedDefault) > 0 &&
           !usedDefault;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned codePage = kCodePages[data[0] % kCodePages.size()];
    std::wstring text;
    for (size_t i = 1; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    const std::string bytes = PlainTextBytes(text, codePage);
    if (text.empty()) {
        FUZZ_CHECK(bytes.empty(), "an empty text gives an empty copy");
        return 0;
    }
    const std::wstring lines = AsLines(text);
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    if (Holds(codePage, lines)) {
        const std::wstring expected = codePage == CodePages::kUtf8 ? AsUtf8Takes(lines) : lines;
        const std::optional<std::wstring> read = Read(codePage, bytes);
        FUZZ_CHECK(read.has_value(), "the copy is valid in the code page that holds the text");
        FUZZ_CHECK_EQUAL(*read, expected, "the copy is the text in the code page, line by line");
    } else {
        FUZZ_CHECK(std::string_view(bytes).starts_with(kMark), "a text the code page lacks goes to UTF-8");
        const std::optional<std::wstring> read = Read(CodePages::kUtf8, std::string_view(bytes).substr(3));
        FUZZ_CHECK(read.has_value(), "the UTF-8 copy is valid UTF-8");
        FUZZ_CHECK_EQUAL(*read, AsUtf8Takes(lines), "the UTF-8 copy is the text, line by line");
    }
    return 0;
}
