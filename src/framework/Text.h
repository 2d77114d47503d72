#pragma once
// Conversions between the program's wide strings and 8-bit text.
#include <string>

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);
// Whether every character of the text has its own byte sequence in the code page, with no
// look-alike or default character; false when the code page cannot be asked (UTF-8, a code page
// the system lacks), so that a caller never takes a failed question for "fits".
bool FitsCodePage(const std::wstring& text, unsigned codePage);
