#include "note/PlainTextBytes.h"

#include "note/CodePages.h"

#include <optional>
#include <string_view>

namespace {

constexpr unsigned kGb18030 = 54936;

bool HasLoneBreak(const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n')) return true;
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) return true;
    }
    return false;
}

// The text with a lone CR or LF turned into CR LF.
std::wstring WithCrLfBreaks(const std::wstring& text) {
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16 + 2);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            lines += L"\r\n";
        } else {
            lines += c;
        }
    }
    return lines;
}

// Code pages that hold every character; they take no flags and no default character.
bool CoversUnicode(unsigned codePage) {
    return codePage == CodePages::kUtf8 || codePage == kGb18030;
}

// `before`, the text (not empty) in `codePage`, then `after`; nothing when a character is
// missing from the code page or the code page cannot be used. The copy can be megabytes: one
// buffer, filled in place.
std::optional<std::string> Encoded(const std::wstring& text, unsigned codePage, std::string_view before,
                                   std::string_view after) {
    const bool noBestFit = !CoversUnicode(codePage);
    bool usedDefault = false;
    bool* usedDefaultOut = CoversUnicode(codePage) ? nullptr : &usedDefault;
    const int size = static_cast<int>(text.size());
    const int n = CodePages::ToBytes(codePage, noBestFit, text.data(), size, nullptr, 0, usedDefaultOut);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string bytes;
    bytes.reserve(before.size() + static_cast<size_t>(n) + after.size());
    bytes.assign(before);
    bytes.resize(before.size() + static_cast<size_t>(n));
    if (CodePages::ToBytes(codePage, noBestFit, text.data(), size, bytes.data() + before.size(), n,
                           usedDefaultOut) != n ||
        usedDefault)
        return std::nullopt;
    bytes += after;
    return bytes;
}

} // namespace

std::string PlainTextBytes(const std::wstring& text, unsigned codePage) {
    if (text.empty()) return {};
    // The control gives CR LF between paragraphs; anything else is rewritten to that first.
    const bool rewrite = HasLoneBreak(text);
    const std::wstring rewritten = rewrite ? WithCrLfBreaks(text) : std::wstring();
    const std::wstring& lines = rewrite ? rewritten : text;
    const std::string_view end = lines.back() == L'\n' ? "" : "\r\n"; // the last paragraph has no break
    if (std::optional<std::string> bytes = Encoded(lines, codePage, "", end)) return *std::move(bytes);
    // UTF-8 takes every character but a lone surrogate, which becomes U+FFFD.
    return Encoded(lines, CodePages::kUtf8, "\xEF\xBB\xBF", end).value_or(std::string());
}

std::string PlainTextBytes(const std::wstring& text) {
    return PlainTextBytes(text, CodePages::Ansi());
}
