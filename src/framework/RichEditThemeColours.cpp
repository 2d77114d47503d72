// The note's own colour under high contrast: shown as the system's text colour, kept in the file.
#include "framework/RichEditEx.h"

#include "framework/HighContrast.h"

#include <richole.h>
#include <tom.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace {

// {8CC497C0-A1DF-11CE-8098-00AA0047BE5D}; the import library does not carry it.
constexpr IID kIidTextDocument = {
    0x8CC497C0, 0xA1DF, 0x11CE, {0x80, 0x98, 0x00, 0xAA, 0x00, 0x47, 0xBE, 0x5D}};

// Keeps what follows out of the user's undo history, which stays as it was. A control without the
// suspension would record the recolouring as steps of its own; emptying the history instead would
// cost the user more.
class TUndoPause {
public:
    explicit TUndoPause(TRichEditEx& edit) {
        IRichEditOle* ole = nullptr;
        if (!edit.Perform(EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&ole)) || !ole) return;
        FOle = ole;
        void* doc = nullptr;
        if (FAILED(ole->QueryInterface(kIidTextDocument, &doc)) || !doc) return;
        FDocument = static_cast<ITextDocument*>(doc);
        // Wine's control answers S_FALSE, and suspends all the same.
        FSuspended = SUCCEEDED(FDocument->Undo(tomSuspend, nullptr));
    }
    ~TUndoPause() {
        if (FSuspended) FDocument->Undo(tomResume, nullptr);
        if (FDocument) FDocument->Release();
        if (FOle) FOle->Release();
    }
    TUndoPause(const TUndoPause&) = delete;
    TUndoPause& operator=(const TUndoPause&) = delete;

private:
    IRichEditOle* FOle = nullptr;
    ITextDocument* FDocument = nullptr;
    bool FSuspended = false;
};

// The selection, the view and the painting as they were once the runs are found and recoloured.
class TKeptView {
public:
    explicit TKeptView(TRichEditEx& edit) : FEdit(edit) {
        FEdit.Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&FSelection));
        FEdit.Perform(EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&FScroll));
        // Only a visible control: turning the painting back on would show a hidden one.
        FPainting = (GetWindowLongPtrW(FEdit.Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
        if (FPainting) FEdit.Perform(WM_SETREDRAW, FALSE);
    }
    ~TKeptView() {
        FEdit.Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&FSelection));
        FEdit.Perform(EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&FScroll));
        if (FPainting) {
            FEdit.Perform(WM_SETREDRAW, TRUE);
            InvalidateRect(FEdit.Handle(), nullptr, TRUE);
        }
    }
    TKeptView(const TKeptView&) = delete;
    TKeptView& operator=(const TKeptView&) = delete;

private:
    TRichEditEx& FEdit;
    CHARRANGE FSelection{};
    POINT FScroll{};
    bool FPainting = false;
};

} // namespace

std::vector<CHARRANGE> TRichEditEx::RunsColoured(COLORREF colour) {
    std::vector<CHARRANGE> runs;
    // The whole content with the final paragraph mark, whose format new text typed into an empty
    // note takes.
    CHARRANGE all{};
    Perform(EM_SETSEL, 0, -1);
    Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&all));
    // Halving: a range of one colour is answered in one question, so the cost follows the number
    // of runs, not of characters.
    const auto find = [&](auto& self, LONG from, LONG to) -> void {
        if (from >= to) return;
        CHARRANGE range{from, to};
        Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMAT2W cf{};
        cf.cbSize = sizeof cf;
        cf.dwMask = CFM_COLOR;
        Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
        if (cf.dwMask & CFM_COLOR) {
            if ((cf.dwEffects & CFE_AUTOCOLOR) || cf.crTextColor != colour) return;
            if (!runs.empty() && runs.back().cpMax == from)
                runs.back().cpMax = to;
            else
                runs.push_back(range);
            return;
        }
        if (to - from < 2) return;
        const LONG middle = from + (to - from) / 2;
        self(self, from, middle);
        self(self, middle, to);
    };
    find(find, all.cpMin, all.cpMax);
    return runs;
}

void TRichEditEx::Recolour(COLORREF from, COLORREF to) {
    if (!HandleAllocated() || from == to) return;
    TQuiet quiet(*this);
    TUndoPause undo(*this);
    TKeptView view(*this);
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_COLOR;
    cf.crTextColor = to;
    for (CHARRANGE range : RunsColoured(from)) {
        Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    }
}

COLORREF TRichEditEx::ShownBaseColour() {
    return FThemed ? FThemeText : ColorToRGB(Font()->Color());
}

void TRichEditEx::FollowTheme() {
    // Only the note's own colour follows the theme: a colour the user chose for a word stays, as
    // in a word processor, and automatic text follows it by itself.
    const COLORREF was = ShownBaseColour();
    FThemed = HighContrast::On();
    FThemeText = FThemed ? GetSysColor(COLOR_WINDOWTEXT) : 0;
    Recolour(was, ShownBaseColour());
}

TColor TRichEditEx::StoredColour(COLORREF shown) {
    return FThemed && shown == FThemeText ? Font()->Color() : static_cast<TColor>(shown);
}

COLORREF TRichEditEx::ShownColour(TColor stored) {
    const COLORREF rgb = ColorToRGB(stored);
    return FThemed && rgb == ColorToRGB(Font()->Color()) ? FThemeText : rgb;
}

namespace {

// "\redR\greenG\blueB" of one colour-table entry, in whatever order; false when it is not one.
bool EntryColour(std::string_view entry, COLORREF& colour) {
    int parts[3] = {-1, -1, -1};
    static constexpr std::string_view kWords[3] = {"\\red", "\\green", "\\blue"};
    size_t at = 0;
    while (at < entry.size()) {
        bool matched = false;
        for (int i = 0; i < 3; ++i) {
            if (entry.substr(at, kWords[i].size()) != kWords[i]) continue;
            at += kWords[i].size();
            int value = 0, digits = 0;
            while (at < entry.size() && entry[at] >= '0' && entry[at] <= '9' && digits < 4)
                value = value * 10 + (entry[at++] - '0'), ++digits;
            if (!digits || value > 255) return false;
            parts[i] = value;
            matched = true;
            break;
        }
        if (!matched) {
            if (entry[at] != ' ' && entry[at] != '\r' && entry[at] != '\n') return false;
            ++at;
        }
    }
    if (parts[0] < 0 || parts[1] < 0 || parts[2] < 0) return false;
    colour = RGB(parts[0], parts[1], parts[2]);
    return true;
}

} // namespace

std::string WithColourReplaced(const std::string& rtf, COLORREF from, COLORREF to) {
    const size_t table = rtf.find("{\\colortbl");
    if (table == std::string::npos) return rtf;
    const size_t end = rtf.find('}', table);
    if (end == std::string::npos) return rtf;
    std::string out = rtf.substr(0, table + 10);
    const char* const rgb = "\\red%u\\green%u\\blue%u";
    size_t at = table + 10;
    while (at < end) {
        const size_t semicolon = std::min(rtf.find(';', at), end);
        const std::string_view entry(rtf.data() + at, semicolon - at);
        COLORREF colour = 0;
        if (EntryColour(entry, colour) && colour == from) {
            char buffer[48];
            std::snprintf(buffer, sizeof buffer, rgb, GetRValue(to), GetGValue(to), GetBValue(to));
            out += buffer;
        } else {
            out += entry;
        }
        if (semicolon < end) out += ';';
        at = semicolon + 1;
    }
    out += rtf.substr(end);
    return out;
}
