#include "framework/RtfCodePage.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr UINT kWesternEuropean = 1252;
// More fallback characters per escape than any writer uses; a larger \uc is taken as this.
constexpr long kMostFallbacks = 8;

// For each UTF-16 code unit, its own single byte in one code page, or 0 when it has none.
class TCodePageBytes {
public:
    explicit TCodePageBytes(UINT codePage) : FCodePage(codePage) {
        FBytes.fill(0);
        for (int b = 0x80; b <= 0xFF; ++b) {
            if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b))) continue;
            const char byte = static_cast<char>(b);
            wchar_t unit[2];
            if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, unit, 2) != 1) continue;
            // Only a byte that comes back unchanged: no look-alike stands in for a character.
            char back[2];
            BOOL usedDefault = FALSE;
            if (WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, unit, 1, back, 2, nullptr,
                                    &usedDefault) == 1 &&
                !usedDefault && back[0] == byte)
                FBytes[unit[0]] = static_cast<unsigned char>(b);
        }
    }
    UINT CodePage() const { return FCodePage; }
    unsigned char operator[](char16_t unit) const { return FBytes[unit]; }

private:
    UINT FCodePage;
    std::array<unsigned char, 0x10000> FBytes;
};

const TCodePageBytes& CodePageBytes(UINT codePage) {
    static std::unique_ptr<TCodePageBytes> table;
    if (!table || table->CodePage() != codePage) table = std::make_unique<TCodePageBytes>(codePage);
    return *table;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Bytes after which a control word needs no space to end: they cannot continue it, and a
// reader ignores line breaks between tokens.
bool EndsControlWord(char c) {
    return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// The output, staged in a small buffer that is written through a cursor: the rewriting adds a few
// bytes at a time, and a library call for each would cost more than the rewriting itself.
class TOutput {
public:
    void Reserve(size_t capacity) { FBytes.reserve(capacity); }
    // Room for `n` more bytes (at most a stage); Advance tells where the writing there ended.
    char* Room(size_t n) {
        if (FStaged + n > sizeof FStage) Flush();
        return FStage + FStaged;
    }
    void Advance(const char* end) { FStaged = static_cast<size_t>(end - FStage); }
    void Put(char c) {
        *Room(1) = c;
        ++FStaged;
    }
    void Put(std::string_view bytes) {
        Flush();
        FBytes.append(bytes);
    }
    std::string Take() {
        Flush();
        return std::move(FBytes);
    }

private:
    void Flush() {
        FBytes.append(FStage, FStaged);
        FStaged = 0;
    }
    std::string FBytes;
    char FStage[4096];
    size_t FStaged = 0;
};

class TStandardRtfWriter {
public:
    TStandardRtfWriter(std::string_view in, UINT codePage)
        : FIn(in), FCodePage(codePage), FBytes(CodePageBytes(codePage)) {
        // An escape takes at most five bytes more than the UTF-8 bytes it stands for, usually two.
        const auto high =
            std::count_if(in.begin(), in.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        FOut.Reserve(in.size() + 3 * static_cast<size_t>(high) + 64);
    }

    std::string Write() {
        Header();
        while (FAt < FIn.size()) {
            while (FAt < FIn.size() && !Special(FIn[FAt]))
                FOut.Put(FIn[FAt++]);
            if (FAt == FIn.size()) break;
            switch (FIn[FAt]) {
            case '\\':
                Backslash();
                break;
            case '{':
                FGroups.push_back(FGroups.back());
                FOut.Put(FIn[FAt++]);
                break;
            case '}':
                if (FGroups.size() > 1) FGroups.pop_back();
                FOut.Put(FIn[FAt++]);
                break;
            default:
                Character();
                break;
            }
        }
        return FOut.Take();
    }

private:
    struct TControlWord {
        std::string_view Name;
        std::string_view Token; // the whole word with its parameter and its delimiting space
        long Parameter = 0;
        bool HasParameter = false;
    };

    static bool Special(char c) {
        return c == '\\' || c == '{' || c == '}' || static_cast<unsigned char>(c) >= 0x80;
    }

    bool AtControlWord() const { return FAt + 1 < FIn.size() && FIn[FAt] == '\\' && IsLetter(FIn[FAt + 1]); }

    // Reads the control word at FAt (a backslash followed by a letter).
    TControlWord ReadControlWord() {
        TControlWord word;
        const size_t start = FAt++;
        while (FAt < FIn.size() && IsLetter(FIn[FAt]))
            ++FAt;
        word.Name = FIn.substr(start + 1, FAt - start - 1);
        const bool negative = FAt < FIn.size() && FIn[FAt] == '-';
        const size_t digits = FAt + (negative ? 1 : 0);
        size_t end = digits;
        while (end < FIn.size() && IsDigit(FIn[end]))
            ++end;
        if (end > digits) {
            word.HasParameter = true;
            std::from_chars(FIn.data() + digits, FIn.data() + end, word.Parameter);
            if (negative) word.Parameter = -word.Parameter;
            FAt = end;
        }
        if (FAt < FIn.size() && FIn[FAt] == ' ') ++FAt;
        word.Token = FIn.substr(start, FAt - start);
        return word;
    }

    // The control's own version and character-set words give way to the standard ones; its
    // other header words stay as they were.
    void Header() {
        for (std::string_view version : {"{\\urtf", "{\\rtf"}) {
            if (FIn.substr(0, version.size()) != version) continue;
            FAt = version.size();
            while (FAt < FIn.size() && IsDigit(FIn[FAt]))
                ++FAt;
            if (FAt < FIn.size() && FIn[FAt] == ' ') ++FAt;
            FOut.Put("{\\rtf1\\ansi\\ansicpg");
            FOut.Put(std::to_string(FCodePage));
            FOut.Put("\\uc1");
            bool needsDelimiter = true;
            while (AtControlWord()) {
                const size_t start = FAt;
                const std::string_view name = ReadControlWord().Name;
                if (name == "ansi" || name == "mac" || name == "pc" || name == "pca" || name == "ansicpg" ||
                    name == "uc") {
                    needsDelimiter = true;
                    continue;
                }
                FAt = start;
                Backslash();
                needsDelimiter = false;
            }
            if (needsDelimiter && FAt < FIn.size() && !EndsControlWord(FIn[FAt])) FOut.Put(' ');
            return;
        }
    }

    void Backslash() {
        if (AtControlWord()) {
            const TControlWord word = ReadControlWord();
            FOut.Put(word.Token);
            if (word.Name == "uc" && word.HasParameter)
                FGroups.back().Fallbacks = std::clamp(word.Parameter, 0L, kMostFallbacks);
            if (word.Name == "fonttbl") FGroups.back().FontTable = true;
            if (word.Name == "bin" && word.Parameter > 0) {
                // Raw data, whatever its bytes.
                const size_t n = std::min(static_cast<size_t>(word.Parameter), FIn.size() - FAt);
                FOut.Put(FIn.substr(FAt, n));
                FAt += n;
            }
            return;
        }
        if (FAt + 1 >= FIn.size()) {
            FOut.Put(FIn[FAt++]);
            return;
        }
        const char next = FIn[FAt + 1];
        if (static_cast<unsigned char>(next) >= 0x80) {
            ++FAt; // a quoted character is the character itself
            return;
        }
        const size_t length = next == '\'' ? 4 : 2; // \'hh, or a control symbol
        const size_t n = std::min(length, FIn.size() - FAt);
        FOut.Put(FIn.substr(FAt, n));
        FAt += n;
    }

    // One UTF-8 character of the text; a malformed sequence stands for one replacement character.
    void Character() {
        const auto byte = [&](size_t i) { return static_cast<unsigned char>(FIn[FAt + i]); };
        const size_t left = FIn.size() - FAt;
        const unsigned char lead = byte(0);
        const auto continues = [&](size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
            return i < left && byte(i) >= low && byte(i) <= high;
        };
        char32_t code = 0xFFFD;
        size_t length = 1;
        if (lead >= 0xC2 && lead <= 0xDF && continues(1)) {
            code = (lead & 0x1Fu) << 6 | (byte(1) & 0x3Fu);
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF &&
                   continues(1, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF) && continues(2)) {
            code = (lead & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4 &&
                   continues(1, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF) && continues(2) &&
                   continues(3)) {
            code =
                (lead & 0x07u) << 18 | (byte(1) & 0x3Fu) << 12 | (byte(2) & 0x3Fu) << 6 | (byte(3) & 0x3Fu);
            length = 4;
        }
        FAt += length;
        if (FGroups.back().FontTable && code <= 0xFFFF && CodePageEscape(static_cast<wchar_t>(code))) return;
        if (code > 0xFFFF) {
            code -= 0x10000;
            Escape(static_cast<char16_t>(0xD800 + (code >> 10)));
            Escape(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            Escape(static_cast<char16_t>(code));
        }
    }

    // Readers take a font name from text tokens only, so its characters are written as the
    // code page's bytes where it has them (double bytes too); false when it has none.
    bool CodePageEscape(wchar_t unit) {
        char bytes[2];
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(FCodePage, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof bytes,
                                          nullptr, &usedDefault);
        if (n <= 0 || usedDefault) return false;
        for (int i = 0; i < n; ++i)
            HexEscape(static_cast<unsigned char>(bytes[i]));
        return true;
    }

    static char* Hex(char* at, unsigned char byte) {
        static constexpr char kHex[] = "0123456789abcdef";
        *at++ = '\\';
        *at++ = '\'';
        *at++ = kHex[byte >> 4];
        *at++ = kHex[byte & 0xF];
        return at;
    }

    void HexEscape(unsigned char byte) { FOut.Advance(Hex(FOut.Room(4), byte)); }

    // Written in place: the text of a non-Latin note is mostly escapes.
    void Escape(char16_t unit) {
        char* at = FOut.Room(16 + kMostFallbacks);
        *at++ = '\\';
        *at++ = 'u';
        at = std::to_chars(at, at + 6, static_cast<int16_t>(unit)).ptr;
        long fallbacks = FGroups.back().Fallbacks;
        if (fallbacks == 0) {
            *at++ = ' ';
        } else {
            if (const unsigned char own = FBytes[unit]) {
                at = Hex(at, own);
                --fallbacks;
            }
            for (; fallbacks > 0; --fallbacks)
                *at++ = '?';
        }
        FOut.Advance(at);
    }

    std::string_view FIn;
    UINT FCodePage;
    const TCodePageBytes& FBytes;
    size_t FAt = 0;
    TOutput FOut;
    struct TGroup {
        long Fallbacks = 1; // after each \u escape, as \uc sets it
        bool FontTable = false;
    };
    std::vector<TGroup> FGroups{TGroup{}}; // each open group, the innermost last
};

} // namespace

UINT RtfHeaderCodePage(UINT ansiCodePage) {
    return ansiCodePage == CP_UTF8 ? kWesternEuropean : ansiCodePage;
}

std::string StandardRtf(std::string_view rtf, UINT codePage) {
    return TStandardRtfWriter(rtf, codePage).Write();
}
