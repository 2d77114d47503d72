#pragma once
// The numbers of the settings file, read from its text: no file, no window.
#include <optional>
#include <string>

// Decimal with an optional sign, or hexadecimal after "0x", "0X", "$", "x" or "X"; leading blanks
// are skipped. Anything else, trailing characters or overflow included, gives no value.
std::optional<int> ParseIniInteger(const std::wstring& text);
