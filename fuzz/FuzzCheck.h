#pragma once
// A property of the fuzzed code that does not hold: said on stderr with what the two sides were,
// then the process aborts as on a crash, so the fuzzer keeps the input that showed it.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#define FUZZ_CHECK(condition, what)                                                                          \
    do {                                                                                                     \
        if (!(condition)) FuzzFailed(__FILE__, __LINE__, what, #condition);                                  \
    } while (0)

// Both sides when they differ. Each side is a copy: it may be a reference into a temporary.
#define FUZZ_CHECK_EQUAL(actual, expected, what)                                                             \
    do {                                                                                                     \
        const auto fuzzActual = (actual);                                                                    \
        const auto fuzzExpected = (expected);                                                                \
        if (!(fuzzActual == fuzzExpected)) {                                                                 \
            FuzzShow("actual", fuzzActual);                                                                  \
            FuzzShow("expected", fuzzExpected);                                                              \
            FuzzFailed(__FILE__, __LINE__, what, #actual " == " #expected);                                  \
        }                                                                                                    \
    } while (0)

// Bytes or UTF-16 units, printable ASCII as it is and the rest escaped; long values are cut.
template <typename TChar> void FuzzShow(const char* label, std::basic_string_view<TChar> value) {
    constexpr size_t kShown = 400;
    std::fprintf(stderr, "  %s (%zu): \"", label, value.size());
    for (size_t i = 0; i < value.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned long>(static_cast<std::make_unsigned_t<TChar>>(value[i]));
        if (c == '\\' || c == '"')
            std::fprintf(stderr, "\\%c", static_cast<char>(c));
        else if (c >= 0x20 && c < 0x7F)
            std::fputc(static_cast<int>(c), stderr);
        else if (sizeof(TChar) == 1)
            std::fprintf(stderr, "\\x%02lx", c);
        else
            std::fprintf(stderr, "\\u%04lx", c);
    }
    std::fprintf(stderr, value.size() > kShown ? "\"...\n" : "\"\n");
}

inline void FuzzShow(const char* label, std::string_view value) {
    FuzzShow<char>(label, value);
}

inline void FuzzShow(const char* label, std::wstring_view value) {
    FuzzShow<wchar_t>(label, value);
}

inline void FuzzShow(const char* label, long long value) {
    std::fprintf(stderr, "  %s: %lld\n", label, value);
}

inline void FuzzShow(const char* label, const std::optional<int>& value) {
    if (value)
        FuzzShow(label, static_cast<long long>(*value));
    else
        std::fprintf(stderr, "  %s: none\n", label);
}

[[noreturn]] inline void FuzzFailed(const char* file, int line, const char* what, const char* condition) {
    std::fprintf(stderr, "FUZZ CHECK FAILED at %s:%d: %s\n  (%s)\n", file, line, what, condition);
    std::abort();
}
