// The code pages of the native fuzz build: UTF-8 and three single-byte code pages (Western 1252,
// Cyrillic 1251, ISO Latin-1 28591), under the platform's contract: counts in units or bytes, 0 on
// failure (an unknown code page, no room, invalid bytes when strict), UTF-16 code units in wchar_t
// even where wchar_t has 32 bits. Any other code page is one the system lacks.
#include "note/CodePages.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace CodePages {
namespace {

constexpr unsigned kWestern = 1252, kCyrillic = 1251, kLatin1 = 28591;
constexpr char kDefaultByte = '?';
constexpr char16_t kReplacement = 0xFFFD;

// What the bytes 0x80-0xFF stand for. A byte the code page leaves undefined stands for the C1
// control of the same value, as the platform's tables have it.
using THighHalf = std::array<char16_t, 128>;

constexpr THighHalf WesternHighHalf() {
    constexpr char16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    THighHalf half{};
    for (int i = 0; i < 128; ++i)
        half[i] = i < 32 ? k80[i] : static_cast<char16_t>(0x80 + i);
    return half;
}

constexpr THighHalf CyrillicHighHalf() {
    constexpr char16_t k80[64] = {
        0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
        0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
        0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
        0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
        0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};
    THighHalf half{};
    for (int i = 0; i < 128; ++i)
        half[i] = i < 64 ? k80[i] : static_cast<char16_t>(0x0410 + (i - 64));
    return half;
}

constexpr THighHalf Latin1HighHalf() {
    THighHalf half{};
    for (int i = 0; i < 128; ++i)
        half[i] = static_cast<char16_t>(0x80 + i);
    return half;
}

constexpr THighHalf kWesternHalf = WesternHighHalf();
constexpr THighHalf kCyrillicHalf = CyrillicHighHalf();
constexpr THighHalf kLatin1Half = Latin1HighHalf();

const THighHalf* HighHalf(unsigned codePage) {
    switch (codePage) {
    case kWestern:
        return &kWesternHalf;
    case kCyrillic:
        return &kCyrillicHalf;
    case kLatin1:
        return &kLatin1Half;
    default:
        return nullptr;
    }
}

// The byte of each UTF-16 unit in a single-byte code page; 0 for none (U+0000 is byte 0 itself).
class TReverseTable {
public:
    explicit TReverseTable(const THighHalf& half) {
        FBytes.fill(0);
        for (int b = 1; b < 0x80; ++b)
            FBytes[b] = static_cast<unsigned char>(b);
        for (int i = 0; i < 128; ++i)
            FBytes[half[i]] = static_cast<unsigned char>(0x80 + i);
    }
    unsigned char operator[](char16_t unit) const { return FBytes[unit]; }

private:
    std::array<unsigned char, 0x10000> FBytes;
};

const TReverseTable& Reverse(unsigned codePage) {
    static const TReverseTable western(kWesternHalf), cyrillic(kCyrillicHalf), latin1(kLatin1Half);
    return codePage == kWestern ? western : codePage == kCyrillic ? cyrillic : latin1;
}

// The program's text is UTF-16 on every platform: a wider value here is a fault of the caller.
char16_t Unit(wchar_t c) {
    if (static_cast<unsigned long>(c) > 0xFFFF) {
        std::fprintf(stderr, "CodePages: a value above U+FFFF (%#lx) given as a UTF-16 unit\n",
                     static_cast<unsigned long>(c));
        std::abort();
    }
    return static_cast<char16_t>(c);
}

// The look-alike the platform writes for a character the code page lacks, or 0: only the
// full-width forms of ASCII here, enough to tell a best fit from the default character.
unsigned char BestFit(char16_t unit) {
    return unit >= 0xFF01 && unit <= 0xFF5E ? static_cast<unsigned char>(unit - 0xFF01 + 0x21) : 0;
}

bool Continues(const unsigned char* p, size_t left, size_t i, unsigned char low = 0x80,
               unsigned char high = 0xBF) {
    return i < left && p[i] >= low && p[i] <= high;
}

// UTF-8 into UTF-16 units; false at the first invalid sequence when strict, otherwise each maximal
// invalid part becomes one U+FFFD.
bool DecodeUtf8(const unsigned char* p, size_t n, bool strict, std::vector<char16_t>& out) {
    for (size_t at = 0; at < n;) {
        const unsigned char lead = p[at];
        const size_t left = n - at;
        char32_t code = 0;
        size_t length = 0, valid = 0; // valid: bytes of a sequence that went well before it stopped
        if (lead < 0x80) {
            code = lead;
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            if (Continues(p + at, left, 1)) {
                code = (lead & 0x1Fu) << 6 | (p[at + 1] & 0x3Fu);
                length = 2;
            }
            valid = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            const bool second =
                Continues(p + at, left, 1, lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF);
            if (second && Continues(p + at, left, 2)) {
                code = (lead & 0x0Fu) << 12 | (p[at + 1] & 0x3Fu) << 6 | (p[at + 2] & 0x3Fu);
                length = 3;
            }
            valid = second ? 2 : 1;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            const bool second =
                Continues(p + at, left, 1, lead == 0xF0 ? 0x90 : 0x80, lead == 0xF4 ? 0x8F : 0xBF);
            const bool third = second && Continues(p + at, left, 2);
            if (third && Continues(p + at, left, 3)) {
                code = (lead & 0x07u) << 18 | (p[at + 1] & 0x3Fu) << 12 | (p[at + 2] & 0x3Fu) << 6 |
                       (p[at + 3] & 0x3Fu);
                length = 4;
            }
            valid = third ? 3 : second ? 2 : 1;
        } else {
            valid = 1;
        }
        if (length == 0) {
            if (strict) return false;
            out.push_back(kReplacement);
            at += valid;
            continue;
        }
        if (code > 0xFFFF) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        at += length;
    }
    return true;
}

// UTF-16 units into UTF-8; a lone surrogate becomes U+FFFD, as the platform writes it.
void EncodeUtf8(const wchar_t* text, size_t n, std::vector<char>& out) {
    for (size_t i = 0; i < n; ++i) {
        char32_t code = Unit(text[i]);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < n && Unit(text[i + 1]) >= 0xDC00 &&
            Unit(text[i + 1]) <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (Unit(text[i + 1]) - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | code >> 6));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | code >> 12));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | code >> 18));
            out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
}

// A count of -1 means up to and with the terminating NUL, as the platform takes it.
template <typename T> size_t CountOf(const T* items, int count) {
    if (count >= 0) return static_cast<size_t>(count);
    size_t n = 0;
    while (items[n] != 0)
        ++n;
    return n + 1;
}

// The system's ANSI code page by one of its aliases (CP_ACP, CP_THREAD_ACP), or the code page itself.
unsigned Resolved(unsigned codePage) {
    return codePage == 0 || codePage == 3 ? kWestern : codePage;
}

// The result into the caller's buffer: the count needed when `room` is 0, 0 when it is too small.
template <typename T, typename U> int Deliver(const std::vector<T>& result, U* out, int room) {
    if (room == 0) return static_cast<int>(result.size());
    if (result.size() > static_cast<size_t>(room)) return 0;
    for (size_t i = 0; i < result.size(); ++i)
        out[i] = static_cast<U>(result[i]);
    return static_cast<int>(result.size());
}

} // namespace

unsigned Ansi() {
    return kWestern;
}

unsigned MaxCharSize(unsigned codePage) {
    codePage = Resolved(codePage);
    if (codePage == kUtf8) return 4;
    return HighHalf(codePage) ? 1 : 0;
}

bool IsLeadByte(unsigned, unsigned char) {
    return false; // no double-byte code page here
}

unsigned OfCharset(int charset) {
    static constexpr std::array<std::pair<int, unsigned>, 15> kPages = {{{0, 1252},
                                                                         {238, 1250},
                                                                         {204, 1251},
                                                                         {161, 1253},
                                                                         {162, 1254},
                                                                         {177, 1255},
                                                                         {178, 1256},
                                                                         {186, 1257},
                                                                         {163, 1258},
                                                                         {222, 874},
                                                                         {128, 932},
                                                                         {134, 936},
                                                                         {129, 949},
                                                                         {136, 950},
                                                                         {130, 1361}}};
    for (const auto& [set, page] : kPages)
        if (set == charset) return page;
    return 0;
}

int ToWide(unsigned codePage, bool strict, const char* bytes, int count, wchar_t* out, int room) {
    if (!bytes || count == 0 || room < 0 || (room > 0 && !out)) return 0;
    codePage = Resolved(codePage);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    const size_t n = CountOf(p, count);
    std::vector<char16_t> units;
    units.reserve(n);
    if (codePage == kUtf8) {
        if (!DecodeUtf8(p, n, strict, units)) return 0;
    } else if (const THighHalf* half = HighHalf(codePage)) {
        for (size_t i = 0; i < n; ++i)
            units.push_back(p[i] < 0x80 ? p[i] : (*half)[p[i] - 0x80]);
    } else {
        return 0;
    }
    return Deliver(units, out, room);
}

int ToBytes(unsigned codePage, bool noBestFit, const wchar_t* text, int count, char* out, int room,
            bool* usedDefault) {
    if (usedDefault) *usedDefault = false;
    if (!text || count == 0 || room < 0 || (room > 0 && !out)) return 0;
    codePage = Resolved(codePage);
    const size_t n = CountOf(text, count);
    std::vector<char> bytes;
    bytes.reserve(n);
    if (codePage == kUtf8) {
        // UTF-8 takes neither flags nor a default character: the platform refuses the call.
        if (noBestFit || usedDefault) return 0;
        EncodeUtf8(text, n, bytes);
        return Deliver(bytes, out, room);
    }
    if (!HighHalf(codePage)) return 0;
    const TReverseTable& reverse = Reverse(codePage);
    bool defaulted = false;
    for (size_t i = 0; i < n; ++i) {
        const char16_t unit = Unit(text[i]);
        unsigned char byte = unit == 0 ? 0 : reverse[unit];
        if (unit != 0 && byte == 0 && !noBestFit) byte = BestFit(unit);
        if (unit != 0 && byte == 0) {
            byte = kDefaultByte;
            defaulted = true;
        }
        bytes.push_back(static_cast<char>(byte));
    }
    const int written = Deliver(bytes, out, room);
    if (usedDefault && written > 0) *usedDefault = defaulted;
    return written;
}

} // namespace CodePages
