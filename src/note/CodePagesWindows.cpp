#include "note/CodePages.h"

#include <windows.h>

#include <cstdint>

namespace CodePages {

unsigned Ansi() {
    return GetACP();
}

unsigned MaxCharSize(unsigned codePage) {
    CPINFO info{};
    return GetCPInfo(codePage, &info) ? info.MaxCharSize : 0;
}

bool IsLeadByte(unsigned codePage, unsigned char byte) {
    return IsDBCSLeadByteEx(codePage, byte);
}

unsigned OfCharset(int charset) {
    CHARSETINFO info{};
    if (charset < 0 || charset > 255 || charset == SYMBOL_CHARSET ||
        !TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<uintptr_t>(charset)), &info,
                              TCI_SRCCHARSET))
        return 0;
    return info.ciACP;
}

int ToWide(unsigned codePage, bool strict, const char* bytes, int count, wchar_t* out, int room) {
    return MultiByteToWideChar(codePage, strict ? MB_ERR_INVALID_CHARS : 0, bytes, count, out, room);
}

int ToBytes(unsigned codePage, bool noBestFit, const wchar_t* text, int count, char* out, int room,
            bool* usedDefault) {
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(codePage, noBestFit ? WC_NO_BEST_FIT_CHARS : 0, text, count, out, room,
                                      nullptr, usedDefault ? &defaulted : nullptr);
    if (usedDefault) *usedDefault = defaulted != FALSE;
    return n;
}

} // namespace CodePages
