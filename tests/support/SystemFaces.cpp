#include "support/SystemFaces.h"

#include "framework/Handles.h"

#include <windows.h>

std::map<std::wstring, bool> SystemFaces() {
    std::map<std::wstring, bool> faces;
    TScreenDC dc;
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(
        dc.Get(), &lf,
        [](const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM param) -> int {
            auto& faces = *reinterpret_cast<std::map<std::wstring, bool>*>(param);
            faces[font->lfFaceName] = faces[font->lfFaceName] || (type & TRUETYPE_FONTTYPE) != 0;
            return 1;
        },
        reinterpret_cast<LPARAM>(&faces), 0);
    return faces;
}

std::wstring SomeTrueTypeFace() {
    for (const auto& [face, trueType] : SystemFaces())
        if (trueType && face[0] != L'@') return face;
    return L"Arial";
}
