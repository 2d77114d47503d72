#pragma once
// Standard RTF from the RTF that the rich-text control writes in UTF-8. The control's UTF-8 output
// starts with a header of its own and holds the text as raw UTF-8 bytes, which other RTF readers
// do not take. The standard form starts with \rtf1\ansi\ansicpgN\uc1 and holds only ASCII: every
// non-ASCII character of the text becomes \uN (N the signed 16-bit value, a character above
// U+FFFF its two surrogates) followed by one fallback character: the character's own byte in the
// declared code page when it has one, "?" otherwise. Font names are the exception: readers take
// them from plain characters only, so theirs are written as the code page's \'hh bytes wherever it
// holds them. Control words, \'hh escapes and the raw data of \binN pass through unchanged.
#include <string>
#include <string_view>

// The code page a standard header declares for a system whose ANSI code page is `ansiCodePage`:
// that code page, or Western European (1252) where it is UTF-8, a value few RTF readers accept.
unsigned RtfHeaderCodePage(unsigned ansiCodePage);

// `rtf` as written with the control's UTF-8 format, turned into standard RTF declaring `codePage`
// (a single-byte or double-byte ANSI code page). With `textAsCodePageBytes`, a document whose text
// the code page holds whole keeps its text as the code page's \'hh bytes, without escapes: what
// the control writes in its own ANSI format.
std::string StandardRtf(std::string_view rtf, unsigned codePage, bool textAsCodePageBytes = false);

// The note as it is stored, from the control's UTF-8 RTF: standard RTF that declares the system's
// ANSI code page and writes every character outside it as a Unicode escape, so that any RTF
// reader takes it. A note that the code page holds comes out as the control's own ANSI RTF. Where
// the ANSI code page is UTF-8 its own RTF would declare that, so every note takes the escaped
// form there.
std::string StoredRtf(std::string_view controlRtf);
