#pragma once
// The note's plain-text copies: beside the executable, or wherever the user chooses.
#include <string>

std::wstring PlainTextPath();

// One text line per paragraph of `text` (a CR LF, a lone CR or a lone LF ends one; a soft line
// break inside a paragraph stays as it is), each followed by CR LF; nothing for an empty text.
// The bytes are in `codePage` when it holds every character, never a look-alike; otherwise the
// whole copy is UTF-8 behind a byte-order mark, so no character is lost to a "?".
std::string PlainTextBytes(const std::wstring& text, unsigned codePage);
// The same in the system's ANSI code page.
std::string PlainTextBytes(const std::wstring& text);
// Replaces the file with the bytes through a temporary file, so a failure leaves the previous
// copy whole; a failure raises the I/O error text.
void WritePlainText(const std::wstring& path, const std::string& bytes);
std::wstring IoErrorText(int code);
