#pragma once
// The bytes of the note's plain-text copies: one line a paragraph, in the code page or UTF-8.
// No window, no file: only text.
#include <string>

// One text line per paragraph of `text` (a CR LF, a lone CR or a lone LF ends one; a soft line
// break inside a paragraph stays as it is), each followed by CR LF; nothing for an empty text.
// The bytes are in `codePage` when it holds every character, never a look-alike; otherwise the
// whole copy is UTF-8 behind a byte-order mark, so no character is lost to a "?".
std::string PlainTextBytes(const std::wstring& text, unsigned codePage);
// The same in the system's ANSI code page.
std::string PlainTextBytes(const std::wstring& text);
