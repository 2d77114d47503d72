#include "framework/ScratchRichEdit.h"

#include "framework/RichEditEx.h"

#include <richedit.h>

#include <algorithm>

namespace {

constexpr LONG kTextLimit = 0x7FFFFFF0;

// Characters, each paragraph mark one.
LONG PreciseLength(HWND control) {
    GETTEXTLENGTHEX measure{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(
        SendMessageW(control, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&measure), 0));
}

} // namespace

TScratchRichEdit::TScratchRichEdit(HWND like)
    : FWindow(CreateWindowExW(0, TRichEditEx::PlatformClass(), L"",
                              WS_POPUP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, 0, 0, 0, 0, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr)) {
    if (FWindow) {
        SendMessageW(Handle(), EM_EXLIMITTEXT, 0, kTextLimit);
        // The work here is never undone: the control keeps no undo steps for it.
        SendMessageW(Handle(), EM_SETUNDOLIMIT, 0, 0);
    }
    if (FWindow && like) {
        CHARFORMAT2W format{};
        format.cbSize = sizeof(format);
        SendMessageW(like, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
        SendMessageW(Handle(), EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    }
}

bool TScratchRichEdit::StreamIn(UINT format, const std::string& data) {
    return StreamIntoControl(Handle(), format, ReaderOf(data));
}

std::string TScratchRichEdit::StreamOut(UINT format) {
    std::string bytes;
    return StreamOutOfControl(Handle(), format, AppendTo(bytes)) ? bytes : std::string();
}

void TScratchRichEdit::Select(LONG from, LONG to) {
    CHARRANGE range{from, to};
    SendMessageW(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

bool TScratchRichEdit::Load(const std::string& data, bool rtf) {
    return StreamIn(rtf ? SF_RTF : SF_TEXT, data);
}

std::wstring TScratchRichEdit::Text() {
    return RichTextOf(Handle());
}

LONG TScratchRichEdit::Length() {
    return PreciseLength(Handle());
}

std::string TScratchRichEdit::RangeRtf(LONG from, LONG to) {
    Select(from, to);
    return StreamOut(kUtf8Rtf | SFF_SELECTION);
}

bool TScratchRichEdit::ReplaceWithRtf(LONG from, LONG to, const std::string& rtf) {
    Select(from, to);
    return StreamIn(SF_RTF | SFF_SELECTION, rtf);
}

void TScratchRichEdit::ReplaceWithText(LONG from, LONG to, const std::wstring& text) {
    Select(from, to);
    SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string TScratchRichEdit::Rtf() {
    return StreamOut(kUtf8Rtf);
}

std::wstring RichTextOf(HWND control) {
    std::wstring text(static_cast<size_t>(std::max<LONG>(PreciseLength(control), 0)) + 1, L'\0');
    GETTEXTEX get{};
    get.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    get.flags = GT_DEFAULT;
    get.codepage = 1200;
    const LRESULT got = SendMessageW(control, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
    return text;
}
