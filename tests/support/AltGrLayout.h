#pragma once
// A keyboard layout of the French kind in place of the user's, for as long as it lives: where AltGr
// (Ctrl+Alt) with E types "€", with 0 "@", and with 2 starts "~" (a dead key).
#include "components/KeyboardLayouts.h"

class TFrenchAltGr {
public:
    TFrenchAltGr() : FBefore(AltGrCharacter) { AltGrCharacter = Typed; }
    ~TFrenchAltGr() { AltGrCharacter = FBefore; }
    TFrenchAltGr(const TFrenchAltGr&) = delete;
    TFrenchAltGr& operator=(const TFrenchAltGr&) = delete;

    static std::wstring Typed(WORD key, bool shift) {
        if (shift) return L"";
        switch (key) {
        case 'E':
            return L"\u20AC";
        case '0':
            return L"@";
        case '2':
            return L"~";
        default:
            return L"";
        }
    }

private:
    TAltGrQuery FBefore;
};
