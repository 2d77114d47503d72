#pragma once
// The program's own reading of RTF, one token at a time: groups, control words with their
// parameters, control symbols, \'hh bytes, the raw data of \binN and runs of plain text. The
// safety scan and the rewritings before a load read the document through it, so they agree on
// where a token starts and ends. No window: only bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

enum class TRtfToken {
    rtOpen,   // {
    rtClose,  // }
    rtWord,   // \name or \nameN, with the blank that ends it
    rtSymbol, // \ and one character that is not a letter (\{ \} \\ \~ \- \* ...)
    rtHex,    // \'hh: one byte of the document's code page
    rtBinary, // the raw bytes after \binN
    rtText,   // plain characters, up to the next brace, backslash or line break
    rtBreak,  // CR or LF: not part of the text
    rtEnd,
};

struct TRtfItem {
    TRtfToken Kind = TRtfToken::rtEnd;
    size_t Start = 0, End = 0;  // where the token lies in the bytes
    std::string_view Name;      // a word's letters; a symbol's character; the text; the data
    std::string_view Parameter; // a word's digits with their sign, as written
    bool HasValue = false;      // the word has a parameter
    int64_t Value = 0;          // its value, held within +-10^15 whatever the digits
    uint8_t Byte = 0;           // an \'hh byte's value
};

class TRtfLexer {
public:
    explicit TRtfLexer(std::string_view bytes) : FBytes(bytes) {}
    TRtfItem Next();
    size_t At() const { return FAt; }

private:
    std::string_view FBytes;
    size_t FAt = 0;
    size_t FBinaryLeft = 0; // bytes of \bin data the next token holds
    bool FBinaryNext = false;
};

bool IsRtfLetter(char c);
// True when the bytes start as an RTF document does (after blanks).
bool StartsAsRtf(std::string_view bytes);
