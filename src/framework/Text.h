#pragma once
// Conversions between the program's wide strings and 8-bit text.
#include <string>

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
