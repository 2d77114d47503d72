#pragma once
// The code-page conversions the window-free RTF code needs, behind one seam: the platform's own in
// the program; where that code is built natively (for fuzzing), a stand-in of its own. Texts are
// UTF-16 code units, as the platform has them.
#include <string>

namespace CodePages {

constexpr unsigned kUtf8 = 65001;

// The system's ANSI code page.
unsigned Ansi();
// The most bytes one character takes in the code page; 0 when the system has no such code page.
unsigned MaxCharSize(unsigned codePage);
bool IsLeadByte(unsigned codePage, unsigned char byte);
// The code page a font's character set (RTF's \fcharsetN) stands for; 0 when none does.
unsigned OfCharset(int charset);
// As the platform converts: the units (or bytes) written, or needed when `room` is 0; 0 on failure.
// `strict`: invalid bytes fail rather than become a stand-in character. `noBestFit`: a character the
// code page lacks becomes the default character (and `usedDefault` says so), never a look-alike.
int ToWide(unsigned codePage, bool strict, const char* bytes, int count, wchar_t* out, int room);
int ToBytes(unsigned codePage, bool noBestFit, const wchar_t* text, int count, char* out, int room,
            bool* usedDefault);

} // namespace CodePages
