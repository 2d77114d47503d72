// The settings file's numbers, on any text: the value read is the one a plain reading of the
// grammar gives (blanks, a sign, a hexadecimal prefix, digits, in range), and every number
// accepted reads back the same from each way the file may write it. Input bytes are the text's
// characters, or after FF FE its UTF-16 units.
#include "FuzzCheck.h"

#include "settings/IniNumber.h"

#include <charconv>
#include <cstdint>
#include <string>

namespace {

// The grammar read with the standard library's number parsing, as a second opinion.
std::optional<int> Reference(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        if (c <= 0 || c >= 0x80) return std::nullopt; // no digit, sign or prefix is beyond ASCII
        narrow += static_cast<char>(c);
    }
    std::string_view rest(narrow);
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    const bool negative = rest.starts_with('-');
    if (negative || rest.starts_with('+')) rest.remove_prefix(1);
    int base = 10;
    for (std::string_view prefix : {"0x", "0X", "$", "x", "X"})
        if (rest.starts_with(prefix)) {
            base = 16;
            rest.remove_prefix(prefix.size());
            break;
        }
    if (rest.empty() || rest.starts_with('+') || rest.starts_with('-')) return std::nullopt;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), value, base);
    if (end != rest.data() + rest.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range) return std::nullopt;
    if (base == 16) {
        if (value > 0xFFFFFFFFull) return std::nullopt;
        const auto bits = static_cast<uint32_t>(value);
        return static_cast<int>(negative ? 0u - bits : bits);
    }
    if (value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
    return negative ? static_cast<int>(-static_cast<int64_t>(value)) : static_cast<int>(value);
}

std::wstring Hex(uint32_t bits) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring digits;
    do {
        digits.insert(digits.begin(), kDigits[bits % 16]);
        bits /= 16;
    } while (bits != 0);
    return digits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::wstring text;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        for (size_t i = 2; i + 1 < size; i += 2)
            text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    } else {
        for (size_t i = 0; i < size; ++i)
            text += static_cast<wchar_t>(data[i]);
    }
    const std::optional<int> value = ParseIniInteger(text);
    FUZZ_CHECK_EQUAL(value, Reference(text), "the number is the grammar's");
    if (!value) return 0;

    const int v = *value;
    const auto bits = static_cast<uint32_t>(v);
    const std::wstring decimal = std::to_wstring(v);
    FUZZ_CHECK_EQUAL(ParseIniInteger(decimal), value, "a number reads back from its decimal form");
    FUZZ_CHECK_EQUAL(ParseIniInteger(L"  " + decimal), value, "blanks before a number are skipped");
    if (v >= 0) FUZZ_CHECK_EQUAL(ParseIniInteger(L"+" + decimal), value, "a plus sign changes nothing");
    for (const wchar_t* prefix : {L"0x", L"0X", L"$", L"x", L"X"})
        FUZZ_CHECK_EQUAL(ParseIniInteger(prefix + Hex(bits)), value, "a number reads back from its hex form");
    FUZZ_CHECK_EQUAL(ParseIniInteger(L"0x000" + Hex(bits)), value, "leading zeros change nothing");
    FUZZ_CHECK_EQUAL(ParseIniInteger(L" " + text), value, "one more blank before changes nothing");
    FUZZ_CHECK(!ParseIniInteger(text + L"g"), "a character after the digits spoils the number");
    FUZZ_CHECK(!ParseIniInteger(text + L" "), "a blank after the digits spoils the number");
    return 0;
}
