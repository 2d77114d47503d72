#include "settings/IniNumber.h"

std::optional<int> ParseIniInteger(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == L' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    bool hex = false;
    if (text.compare(i, 2, L"0x") == 0 || text.compare(i, 2, L"0X") == 0) {
        hex = true;
        i += 2;
    } else if (i < text.size() && (text[i] == L'$' || text[i] == L'x' || text[i] == L'X')) {
        hex = true;
        i += 1;
    }
    if (i >= text.size()) return std::nullopt;
    // Hexadecimal takes any 32-bit pattern (colours with the top bit); decimal must fit an int.
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        wchar_t c = text[i];
        int digit;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (hex && c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (hex && c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else
            return std::nullopt;
        value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (value > limit) return std::nullopt;
    }
    auto bits = static_cast<std::uint32_t>(value);
    auto result = static_cast<std::int32_t>(bits);
    return negative ? static_cast<int>(0u - bits) : result;
}
