// The note's own colour under high contrast: shown as the system's text colour, kept in the file.
#include "framework/RichEditEx.h"

#include <richole.h>
#include <tom.h>

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

std::vector<CHARRANGE> TRichEditEx::RunsColoured(bool automatic, COLORREF base) {
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
            const bool isAutomatic = (cf.dwEffects & CFE_AUTOCOLOR) != 0;
            if (automatic ? !isAutomatic : isAutomatic || cf.crTextColor != base) return;
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

void TRichEditEx::Recolour(const std::vector<CHARRANGE>& runs, bool automatic, COLORREF base) {
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_COLOR;
    cf.dwEffects = automatic ? CFE_AUTOCOLOR : 0;
    cf.crTextColor = base;
    for (CHARRANGE range : runs) {
        Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    }
}

void TRichEditEx::ShowThemeColours(bool on) {
    FThemed = on;
    if (!HandleAllocated()) return;
    // Only the note's own colour follows the theme: a colour the user chose for a word stays, as
    // in a word processor. Text that was automatic already comes back in the base colour.
    const COLORREF base = ColorToRGB(Font()->Color());
    TQuiet quiet(*this);
    TUndoPause undo(*this);
    TKeptView view(*this);
    Recolour(RunsColoured(!on, base), on, base);
}

void TRichEditEx::WithBaseColours(const std::function<void()>& write) {
    if (!FThemed || !HandleAllocated()) {
        write();
        return;
    }
    const COLORREF base = ColorToRGB(Font()->Color());
    TQuiet quiet(*this);
    TUndoPause undo(*this);
    std::vector<CHARRANGE> shownAutomatic;
    {
        TKeptView view(*this);
        shownAutomatic = RunsColoured(true, base);
        Recolour(shownAutomatic, false, base);
    }
    // Put back however the writing ends.
    struct TBack {
        TRichEditEx& Edit;
        const std::vector<CHARRANGE>& Runs;
        COLORREF Base;
        ~TBack() {
            TKeptView view(Edit);
            Edit.Recolour(Runs, true, Base);
        }
    } back{*this, shownAutomatic, base};
    write();
}
