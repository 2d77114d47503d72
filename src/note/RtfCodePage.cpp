#include "note/RtfCodePage.h"

#include "note/CodePages.h"
#include "note/RtfLexer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr unsigned kWesternEuropean = 1252;
// More fallback characters per escape than any writer uses; a larger \uc is taken as this.
constexpr long kMostFallbacks = 8;

// For each UTF-16 code unit, its own single byte in one code page, or 0 when it has none.
class TCodePageBytes {
public:
    explicit TCodePageBytes(unsigned codePage) : FCodePage(codePage) {
        FBytes.fill(0);
        for (int b = 0x80; b <= 0xFF; ++b) {
            if (CodePages::IsLeadByte(codePage, static_cast<unsigned char>(b))) continue;
            const char byte = static_cast<char>(b);
            wchar_t unit[2];
            if (CodePages::ToWide(codePage, true, &byte, 1, unit, 2) != 1) continue;
            // Only a byte that comes back unchanged: no look-alike stands in for a character.
            char back[2];
            bool usedDefault = false;
            if (CodePages::ToBytes(codePage, true, unit, 1, back, 2, &usedDefault) == 1 && !usedDefault &&
                back[0] == byte)
                FBytes[unit[0]] = static_cast<unsigned char>(b);
        }
    }
    unsigned CodePage() const { return FCodePage; }
    unsigned char operator[](char16_t unit) const { return FBytes[unit]; }

private:
    unsigned FCodePage;
    std::array<unsigned char, 0x10000> FBytes;
};

const TCodePageBytes& CodePageBytes(unsigned codePage) {
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

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Bytes after which a control word needs no space to end: they cannot continue it, and a
// reader ignores line breaks between tokens.
bool EndsControlWord(char c) {
    return c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Bytes that end a run of plain text: a control word, a group or a character beyond ASCII.
struct TSpecialBytes {
    std::array<bool, 256> Is{};
    constexpr TSpecialBytes() {
        Is['\\'] = Is['{'] = Is['}'] = true;
        for (int b = 0x80; b <= 0xFF; ++b)
            Is[b] = true;
    }
};
constexpr TSpecialBytes kSpecial;

// The output, written in place through a cursor: the rewriting adds a few bytes at a time, and a
// library call for each would cost more than the rewriting itself.
class TOutput {
public:
    explicit TOutput(size_t capacity) { FBytes.resize(capacity); }
    // Room for `n` more bytes; Advance tells where the writing there ended.
    char* Room(size_t n) {
        if (FSize + n > FBytes.size()) FBytes.resize(std::max(FBytes.size() * 2, FSize + n));
        return FBytes.data() + FSize;
    }
    void Advance(const char* end) { FSize = static_cast<size_t>(end - FBytes.data()); }
    void Put(char c) {
        char* at = Room(1);
        *at = c;
        Advance(at + 1);
    }
    void Put(std::string_view bytes) {
        char* at = Room(bytes.size());
        std::memcpy(at, bytes.data(), bytes.size());
        Advance(at + bytes.size());
    }
    std::string Take() {
        FBytes.resize(FSize);
        return std::move(FBytes);
    }

private:
    std::string FBytes;
    size_t FSize = 0;
};

class TStandardRtfWriter {
public:
    TStandardRtfWriter(std::string_view in, unsigned codePage, bool textAsBytes)
        : FIn(in), FCodePage(codePage), FBytes(CodePageBytes(codePage)), FTextAsBytes(textAsBytes),
          FOut(Capacity(in, textAsBytes)) {}

    // The standard form; none when the text was to be the code page's bytes and it has a
    // character that the code page lacks.
    std::optional<std::string> Write() {
        Header();
        // What passes unchanged (plain text, control words, groups, escapes, binary data) is
        // copied in runs; only characters beyond ASCII are written one by one.
        FRun = FAt;
        while (FAt < FIn.size() && !FBeyondCodePage) {
            while (FAt < FIn.size() && !kSpecial.Is[static_cast<unsigned char>(FIn[FAt])])
                ++FAt;
            if (FAt == FIn.size()) break;
            switch (FIn[FAt]) {
            case '\\':
                Backslash();
                break;
            case '{':
                FGroups.Push();
                ++FAt;
                break;
            case '}':
                FGroups.Pop();
                ++FAt;
                break;
            default:
                CopyRun();
                do
                    Character();
                while (FAt < FIn.size() && static_cast<unsigned char>(FIn[FAt]) >= 0x80 && !FBeyondCodePage);
                FRun = FAt;
                break;
            }
        }
        if (FBeyondCodePage) return std::nullopt;
        CopyRun();
        return FOut.Take();
    }

private:
    // Room for the whole output at once: growing it later copies all of it. A character as the
    // code page's bytes takes at most two bytes more than its UTF-8 lead byte and continuation
    // bytes; an escape with its fallback, at most four more per UTF-8 byte.
    static size_t Capacity(std::string_view in, bool textAsBytes) {
        if (textAsBytes) return in.size() + in.size() / 8 + 64; // mostly ASCII, or it is given up
        const auto high =
            std::count_if(in.begin(), in.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        return in.size() + 4 * static_cast<size_t>(high) + 64;
    }

    struct TControlWord {
        std::string_view Name;
        long Parameter = 0;
        bool HasParameter = false;
    };

    bool AtControlWord() const { return FAt + 1 < FIn.size() && FIn[FAt] == '\\' && IsLetter(FIn[FAt + 1]); }

    // The input from the end of the last copy up to FAt goes to the output unchanged.
    void CopyRun() {
        if (FAt > FRun) FOut.Put(FIn.substr(FRun, FAt - FRun));
        FRun = FAt;
    }

    // Reads the control word at FAt (a backslash followed by a letter), with its parameter and
    // its delimiting space.
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
                FRun = FAt;
                const std::string_view name = ReadControlWord().Name;
                if (name == "ansi" || name == "mac" || name == "pc" || name == "pca" || name == "ansicpg" ||
                    name == "uc") {
                    needsDelimiter = true;
                    continue;
                }
                FAt = FRun;
                Backslash();
                CopyRun();
                needsDelimiter = false;
            }
            if (needsDelimiter && FAt < FIn.size() && !EndsControlWord(FIn[FAt])) FOut.Put(' ');
            return;
        }
    }

    // Moves FAt past what starts with a backslash; only a quoted character beyond ASCII changes.
    void Backslash() {
        if (AtControlWord()) {
            const TControlWord word = ReadControlWord();
            TGroup group = FGroups.Top();
            if (word.Name == "uc" && word.HasParameter)
                group.Fallbacks = std::clamp(word.Parameter, 0L, kMostFallbacks);
            if (word.Name == "fonttbl") group.FontTable = true;
            FGroups.Set(group);
            if (word.Name == "bin" && word.Parameter > 0) // raw data, whatever its bytes
                FAt += std::min(static_cast<size_t>(word.Parameter), FIn.size() - FAt);
            return;
        }
        if (FAt + 1 >= FIn.size()) {
            ++FAt;
            return;
        }
        const char next = FIn[FAt + 1];
        if (static_cast<unsigned char>(next) >= 0x80) {
            CopyRun();
            FRun = ++FAt; // a quoted character is the character itself
            return;
        }
        FAt += 2;
        // \'hh: no more than the hex digits there are, so a character after them stays whole.
        for (int digit = 0; next == '\'' && digit < 2 && FAt < FIn.size() && IsHexDigit(FIn[FAt]); ++digit)
            ++FAt;
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
        if (FTextAsBytes && !FGroups.Top().FontTable) {
            if (code > 0xFFFF)
                FBeyondCodePage = true;
            else if (const unsigned char own = FBytes[static_cast<char16_t>(code)])
                HexEscape(own);
            else
                FBeyondCodePage = !CodePageEscape(static_cast<wchar_t>(code));
            return;
        }
        if (FGroups.Top().FontTable && code <= 0xFFFF && CodePageEscape(static_cast<wchar_t>(code))) return;
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
        bool usedDefault = false;
        const int n = CodePages::ToBytes(FCodePage, true, &unit, 1, bytes, sizeof bytes, &usedDefault);
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

    // The text of a note beyond the code page is mostly escapes of a few distinct characters, so
    // each is built once and then copied: the rewriting stays a small part of the save.
    void Escape(char16_t unit) {
        const long fallbacks = FGroups.Top().Fallbacks;
        if (FEscapes.empty()) FEscapes.resize(4096); // a Western note never needs them
        TEscape& escape = FEscapes[unit % FEscapes.size()];
        if (escape.Length == 0 || escape.Unit != unit || escape.Fallbacks != fallbacks) {
            escape.Unit = unit;
            escape.Fallbacks = static_cast<unsigned char>(fallbacks);
            escape.Length =
                static_cast<unsigned char>(BuildEscape(escape.Bytes, unit, fallbacks) - escape.Bytes);
        }
        char* at = FOut.Room(sizeof escape.Bytes);
        std::memcpy(at, escape.Bytes, sizeof escape.Bytes);
        FOut.Advance(at + escape.Length);
    }

    char* BuildEscape(char* at, char16_t unit, long fallbacks) const {
        *at++ = '\\';
        *at++ = 'u';
        at = std::to_chars(at, at + 6, static_cast<int16_t>(unit)).ptr;
        if (fallbacks == 0) {
            *at++ = ' ';
            return at;
        }
        if (const unsigned char own = FBytes[unit]) {
            at = Hex(at, own);
            --fallbacks;
        }
        for (; fallbacks > 0; --fallbacks)
            *at++ = '?';
        return at;
    }

    struct TEscape {
        char16_t Unit = 0;
        unsigned char Fallbacks = 0;
        unsigned char Length = 0; // none built yet
        char Bytes[20];           // \u-32768, \'hh and seven more fallbacks at most
    };
    std::vector<TEscape> FEscapes;

    std::string_view FIn;
    unsigned FCodePage;
    const TCodePageBytes& FBytes;
    bool FTextAsBytes;
    bool FBeyondCodePage = false;
    size_t FAt = 0;
    size_t FRun = 0; // where the input not yet copied starts
    TOutput FOut;
    struct TGroup {
        long Fallbacks = 1; // after each \u escape, as \uc sets it
        bool FontTable = false;
        bool operator==(const TGroup&) const = default;
    };
    TRtfGroups<TGroup> FGroups;
};

} // namespace

unsigned RtfHeaderCodePage(unsigned ansiCodePage) {
    return ansiCodePage == CodePages::kUtf8 ? kWesternEuropean : ansiCodePage;
}

std::string StandardRtf(std::string_view rtf, unsigned codePage, bool textAsCodePageBytes) {
    if (textAsCodePageBytes)
        if (std::optional<std::string> bytes = TStandardRtfWriter(rtf, codePage, true).Write())
            return std::move(*bytes);
    // Escapes for all of it, as for every note the code page does not hold.
    return *TStandardRtfWriter(rtf, codePage, false).Write();
}

std::string StoredRtf(std::string_view controlRtf) {
    const unsigned ansiCodePage = CodePages::Ansi();
    return StandardRtf(controlRtf, RtfHeaderCodePage(ansiCodePage), ansiCodePage != CodePages::kUtf8);
}
