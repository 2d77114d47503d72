#include "note/RtfLexer.h"

#include <algorithm>

namespace {

constexpr int64_t kValueBound = 1'000'000'000'000'000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool IsRtfLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsAsRtf(std::string_view bytes) {
    const size_t start = std::min(bytes.find_first_not_of(" \t\r\n"), bytes.size());
    const std::string_view rest = bytes.substr(start);
    return rest.starts_with("{\\rtf") || rest.starts_with("{\\urtf");
}

TRtfItem TRtfLexer::Next() {
    TRtfItem item;
    item.Start = FAt;
    if (FBinaryNext) {
        FBinaryNext = false;
        const size_t n = std::min(FBinaryLeft, FBytes.size() - FAt);
        item.Kind = TRtfToken::rtBinary;
        item.Name = FBytes.substr(FAt, n);
        item.Value = static_cast<int64_t>(FBinaryLeft); // the count declared: more than Name when cut
        FAt += n;
        item.End = FAt;
        return item;
    }
    if (FAt >= FBytes.size()) {
        item.End = FAt;
        return item;
    }
    const char c = FBytes[FAt++];
    if (c == '{') {
        item.Kind = TRtfToken::rtOpen;
    } else if (c == '}') {
        item.Kind = TRtfToken::rtClose;
    } else if (c == '\r' || c == '\n') {
        item.Kind = TRtfToken::rtBreak;
    } else if (c != '\\') {
        item.Kind = TRtfToken::rtText;
        while (FAt < FBytes.size() && FBytes[FAt] != '{' && FBytes[FAt] != '}' && FBytes[FAt] != '\\' &&
               FBytes[FAt] != '\r' && FBytes[FAt] != '\n')
            ++FAt;
        item.Name = FBytes.substr(item.Start, FAt - item.Start);
    } else if (FAt >= FBytes.size()) {
        item.Kind = TRtfToken::rtSymbol; // a backslash that ends the file: nothing follows
    } else if (!IsRtfLetter(FBytes[FAt])) {
        item.Name = FBytes.substr(FAt++, 1);
        item.Kind = TRtfToken::rtSymbol;
        if (item.Name == "'") {
            item.Kind = TRtfToken::rtHex;
            int value = 0;
            for (int digit = 0; digit < 2 && FAt < FBytes.size() && HexDigit(FBytes[FAt]) >= 0; ++digit)
                value = value * 16 + HexDigit(FBytes[FAt++]);
            item.Byte = static_cast<uint8_t>(value);
        }
    } else {
        item.Kind = TRtfToken::rtWord;
        const size_t nameStart = FAt;
        while (FAt < FBytes.size() && IsRtfLetter(FBytes[FAt]))
            ++FAt;
        item.Name = FBytes.substr(nameStart, FAt - nameStart);
        const size_t parameterStart = FAt;
        const bool negative = FAt < FBytes.size() && FBytes[FAt] == '-';
        if (negative) ++FAt;
        int64_t value = 0;
        while (FAt < FBytes.size() && IsDigit(FBytes[FAt])) {
            value = std::min(value * 10 + (FBytes[FAt] - '0'), kValueBound);
            ++FAt;
        }
        item.Parameter = FBytes.substr(parameterStart, FAt - parameterStart);
        item.HasValue = item.Parameter.size() > (negative ? 1u : 0u);
        item.Value = negative ? -value : value;
        if (FAt < FBytes.size() && FBytes[FAt] == ' ') ++FAt;
        if (item.Name == "bin" && item.HasValue && !negative) {
            FBinaryNext = true;
            FBinaryLeft = static_cast<size_t>(value);
        }
    }
    item.End = FAt;
    return item;
}
