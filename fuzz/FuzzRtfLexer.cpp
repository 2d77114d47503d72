// The RTF lexer on any bytes: its tokens tile the input without gap or overlap, each is what its
// kind says it is, and it ends.
#include "FuzzCheck.h"

#include "note/RtfLexer.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int64_t kValueBound = 1'000'000'000'000'000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Within(std::string_view part, std::string_view whole) {
    return part.empty() ||
           (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

// A word's parameter read again, held within the lexer's bound.
int64_t ValueOf(std::string_view parameter) {
    const bool negative = parameter.starts_with('-');
    int64_t value = 0;
    for (char c : parameter.substr(negative ? 1 : 0))
        value = value >= kValueBound ? kValueBound : std::min(value * 10 + (c - '0'), kValueBound);
    return negative ? -value : value;
}

void CheckWord(const TRtfItem& item, std::string_view raw, std::string_view bytes) {
    FUZZ_CHECK(raw.size() >= 2 && raw[0] == '\\' && !item.Name.empty(), "a word is a backslash and letters");
    FUZZ_CHECK(item.Name.data() == raw.data() + 1, "a word's name follows its backslash");
    for (char c : item.Name)
        FUZZ_CHECK(IsRtfLetter(c), "a word's name is letters");
    FUZZ_CHECK(item.Parameter.data() == item.Name.data() + item.Name.size() || item.Parameter.empty(),
               "a word's parameter follows its name");
    const std::string_view digits = item.Parameter.substr(item.Parameter.starts_with('-') ? 1 : 0);
    for (char c : digits)
        FUZZ_CHECK(IsDigit(c), "a parameter is digits after an optional sign");
    FUZZ_CHECK_EQUAL(item.HasValue, !digits.empty(), "a word has a value when it has digits");
    if (item.HasValue) FUZZ_CHECK_EQUAL(item.Value, ValueOf(item.Parameter), "a word's value is its digits'");
    const size_t afterParameter = 1 + item.Name.size() + item.Parameter.size();
    FUZZ_CHECK(raw.size() == afterParameter || (raw.size() == afterParameter + 1 && raw.back() == ' '),
               "a word ends after its parameter and one blank at most");
    if (item.End < bytes.size()) {
        const char next = bytes[item.End];
        if (raw.size() == afterParameter) FUZZ_CHECK(next != ' ', "the blank after a word is the word's");
        if (digits.empty() && item.Parameter.empty())
            FUZZ_CHECK((!IsRtfLetter(next) && !IsDigit(next) && next != '-') || raw.back() == ' ',
                       "a word's name takes every letter");
        if (!digits.empty() && raw.size() == afterParameter)
            FUZZ_CHECK(!IsDigit(next), "a parameter takes every digit");
    }
}

void CheckHex(const TRtfItem& item, std::string_view raw, std::string_view bytes) {
    FUZZ_CHECK(raw.starts_with("\\'") && raw.size() <= 4, "a byte is \\' and two hex digits at most");
    int value = 0;
    for (char c : raw.substr(2)) {
        FUZZ_CHECK(HexValue(c) >= 0, "a byte's digits are hex digits");
        value = value * 16 + HexValue(c);
    }
    FUZZ_CHECK_EQUAL(static_cast<long long>(item.Byte), static_cast<long long>(value), "a byte's value");
    if (raw.size() < 4 && item.End < bytes.size())
        FUZZ_CHECK(HexValue(bytes[item.End]) < 0, "a byte takes two hex digits when they are there");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TRtfLexer lexer(bytes);
    size_t at = 0, tokens = 0;
    bool binaryNext = false;    // the last token was \binN with N not negative
    int64_t binaryDeclared = 0; // its N
    for (;;) {
        const TRtfItem item = lexer.Next();
        FUZZ_CHECK_EQUAL(item.Start, at, "each token starts where the last one ended");
        FUZZ_CHECK(item.End >= item.Start && item.End <= size, "a token lies within the bytes");
        FUZZ_CHECK_EQUAL(lexer.At(), item.End, "the lexer stands at the token's end");
        FUZZ_CHECK(Within(item.Name, bytes) && Within(item.Parameter, bytes),
                   "a token's parts are its bytes");
        at = item.End;
        if (item.Kind == TRtfToken::rtEnd) {
            FUZZ_CHECK(item.Start == size && !binaryNext, "the end comes at the end of the bytes only");
            break;
        }
        FUZZ_CHECK(++tokens <= 2 * size + 1, "never more tokens than the bytes allow");
        const std::string_view raw = bytes.substr(item.Start, item.End - item.Start);
        FUZZ_CHECK_EQUAL(item.Kind == TRtfToken::rtBinary, binaryNext,
                         "binary data comes right after \\binN");
        if (item.Kind != TRtfToken::rtBinary) FUZZ_CHECK(!raw.empty(), "every other token takes a byte");
        switch (item.Kind) {
        case TRtfToken::rtOpen:
            FUZZ_CHECK(raw == "{", "an opening brace");
            break;
        case TRtfToken::rtClose:
            FUZZ_CHECK(raw == "}", "a closing brace");
            break;
        case TRtfToken::rtBreak:
            FUZZ_CHECK(raw == "\r" || raw == "\n", "a line break is one CR or LF");
            break;
        case TRtfToken::rtText:
            FUZZ_CHECK(item.Name == raw, "a text token holds its bytes");
            FUZZ_CHECK(raw.find_first_of("{}\\\r\n") == std::string_view::npos, "text holds no RTF syntax");
            if (item.End < size)
                FUZZ_CHECK(std::string_view("{}\\\r\n").find(bytes[item.End]) != std::string_view::npos,
                           "a text token runs up to the next brace, backslash or line break");
            break;
        case TRtfToken::rtSymbol:
            if (raw == "\\")
                FUZZ_CHECK(item.End == size && item.Name.empty(), "a lone backslash ends the file");
            else
                FUZZ_CHECK(raw.size() == 2 && raw[0] == '\\' && item.Name == raw.substr(1) &&
                               !IsRtfLetter(raw[1]) && raw[1] != '\'',
                           "a symbol is a backslash and one character that is not a letter");
            break;
        case TRtfToken::rtHex:
            CheckHex(item, raw, bytes);
            break;
        case TRtfToken::rtWord:
            CheckWord(item, raw, bytes);
            break;
        case TRtfToken::rtBinary:
            FUZZ_CHECK(item.Name == raw, "binary data holds its bytes");
            FUZZ_CHECK_EQUAL(item.Value, binaryDeclared, "binary data carries the count declared");
            FUZZ_CHECK_EQUAL(raw.size(),
                             std::min<size_t>(static_cast<size_t>(binaryDeclared), size - item.Start),
                             "binary data takes the count declared, or what is left");
            break;
        case TRtfToken::rtEnd:
            break;
        }
        binaryNext = item.Kind == TRtfToken::rtWord && item.Name == "bin" && item.HasValue &&
                     item.Value >= 0 && !item.Parameter.starts_with('-');
        binaryDeclared = binaryNext ? item.Value : 0;
    }
    return 0;
}
