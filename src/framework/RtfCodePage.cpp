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

class TStandardRtfWriter {
public:
    TStandardRtfWriter(std::string_view in, UINT codePage)
        : FIn(in), FCodePage(codePage), FBytes(CodePageBytes(codePage)) {
        FOut.reserve(in.size() + in.size() / 4);
    }

    std::string Write() {
        Header();
        while (FAt < FIn.size()) {
            const size_t start = FAt;
            while (FAt < FIn.size() && !Special(FIn[FAt]))
                ++FAt;
            FOut.append(FIn, start, FAt - start);
            if (FAt == FIn.size()) break;
            switch (FIn[FAt]) {
            case '\\':
                Backslash();
                break;
            case '{':
                FGroups.push_back(FGroups.back());
                FOut += FIn[FAt++];
                break;
            case '}':
                if (FGroups.size() > 1) FGroups.pop_back();
                FOut += FIn[FAt++];
                break;
            default:
                Character();
                break;
            }
        }
        return std::move(FOut);
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
            FOut += "{\\rtf1\\ansi\\ansicpg";
            FOut += std::to_string(FCodePage);
            FOut += "\\uc1";
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
            if (needsDelimiter && FAt < FIn.size() && !EndsControlWord(FIn[FAt])) FOut += ' ';
            return;
        }
    }

    void Backslash() {
        if (AtControlWord()) {
            const TControlWord word = ReadControlWord();
            FOut += word.Token;
            if (word.Name == "uc" && word.HasParameter)
                FGroups.back().Fallbacks = std::clamp(word.Parameter, 0L, kMostFallbacks);
            if (word.Name == "fonttbl") FGroups.back().FontTable = true;
            if (word.Name == "bin" && word.Parameter > 0) {
                // Raw data, whatever its bytes.
                const size_t n = std::min(static_cast<size_t>(word.Parameter), FIn.size() - FAt);
                FOut.append(FIn, FAt, n);
                FAt += n;
            }
            return;
        }
        if (FAt + 1 >= FIn.size()) {
            FOut += FIn[FAt++];
            return;
        }
        const char next = FIn[FAt + 1];
        if (static_cast<unsigned char>(next) >= 0x80) {
            ++FAt; // a quoted character is the character itself
            return;
        }
        const size_t length = next == '\'' ? 4 : 2; // \'hh, or a control symbol
        const size_t n = std::min(length, FIn.size() - FAt);
        FOut.append(FIn, FAt, n);
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

    void HexEscape(unsigned char byte) {
        static constexpr char kHex[] = "0123456789abcdef";
        const char hex[] = {'\\', '\'', kHex[byte >> 4], kHex[byte & 0xF]};
        FOut.append(hex, sizeof hex);
    }

    void Escape(char16_t unit) {
        char number[8];
        const auto end = std::to_chars(number, number + sizeof number, static_cast<int16_t>(unit)).ptr;
        FOut += "\\u";
        FOut.append(number, end);
        long fallbacks = FGroups.back().Fallbacks;
        if (fallbacks == 0) {
            FOut += ' ';
            return;
        }
        if (const unsigned char own = FBytes[unit]) {
            HexEscape(own);
            --fallbacks;
        }
        FOut.append(static_cast<size_t>(fallbacks), '?');
    }

    std::string_view FIn;
    UINT FCodePage;
    const TCodePageBytes& FBytes;
    size_t FAt = 0;
    std::string FOut;
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
