#include "framework/RichEditEx.h"

#include "framework/Error.h"
#include "framework/Handles.h"
#include "framework/HighContrast.h"
#include "framework/ScratchRichEdit.h"

#include <utility>
#include <vector>

namespace {

// Raised at creation, and again after each load, so the note is never cut to the default 32K.
constexpr LONG kTextLimit = 0x7FFFFFF0;
constexpr LPARAM kCreationEventMask = 0x002C0001;
constexpr int kMaxLine = 4096;

struct TStreamCookie {
    const TRichEditEx::TStreamReader* Reader = nullptr;
    const TRichEditEx::TStreamWriter* Writer = nullptr;
};

DWORD CALLBACK ReadCallback(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* given) {
    try {
        *given = (*reinterpret_cast<TStreamCookie*>(cookie)->Reader)(buffer, size);
        return 0;
    } catch (...) {
        *given = 0;
        return 1; // an error flag for the control, never an exception through it
    }
}

DWORD CALLBACK WriteCallback(DWORD_PTR cookie, LPBYTE data, LONG size, LONG* taken) {
    try {
        bool ok = (*reinterpret_cast<TStreamCookie*>(cookie)->Writer)(data, size);
        *taken = ok ? size : 0;
        return ok ? 0 : 1;
    } catch (...) {
        *taken = 0;
        return 1;
    }
}

CHARFORMAT2W FullCharFormat() {
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    return cf;
}

DWORD EffectsOf(TFontStyles style) {
    return ((style & fsBold) ? CFE_BOLD : 0) | ((style & fsItalic) ? CFE_ITALIC : 0) |
           ((style & fsUnderline) ? CFE_UNDERLINE : 0) | ((style & fsStrikeOut) ? CFE_STRIKEOUT : 0);
}

void FillCharFormat(CHARFORMAT2W& cf, const std::wstring& name, int points, TColor color, TFontStyles style) {
    std::fill(std::begin(cf.szFaceName), std::end(cf.szFaceName), L'\0');
    name.copy(cf.szFaceName, LF_FACESIZE - 1);
    cf.yHeight = points * 20;
    cf.crTextColor = ColorToRGB(color);
    cf.dwEffects = EffectsOf(style);
}

// Whether a fresh control of the platform class reads the RTF back as exactly `text`.
bool ReadsBackAs(const std::string& rtf, const std::wstring& text) {
    TScratchRichEdit scratch;
    if (!scratch || !scratch.Load(rtf, true)) return false;
    std::wstring read(static_cast<size_t>(GetWindowTextLengthW(scratch.Handle())) + 1, L'\0');
    read.resize(
        static_cast<size_t>(GetWindowTextW(scratch.Handle(), read.data(), static_cast<int>(read.size()))));
    return read == text;
}

} // namespace

bool StreamIntoControl(HWND control, UINT format, const TRichEditEx::TStreamReader& reader) {
    TStreamCookie cookie{&reader, nullptr};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cookie), 0, ReadCallback};
    SendMessageW(control, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0;
}

bool StreamOutOfControl(HWND control, UINT format, const TRichEditEx::TStreamWriter& writer) {
    TStreamCookie cookie{nullptr, &writer};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cookie), 0, WriteCallback};
    SendMessageW(control, EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0;
}

TRichEditEx::TStreamReader ReaderOf(const std::string& data) {
    return [&data, at = size_t{0}](BYTE* buffer, LONG size) mutable {
        auto n = std::min(data.size() - at, static_cast<size_t>(size / 2));
        if (n > 0 && at + n < data.size() && data[at + n - 1] == '\r' && data[at + n] == '\n')
            n = n > 1 ? n - 1 : n + 1;
        std::copy_n(data.data() + at, n, reinterpret_cast<char*>(buffer));
        at += n;
        return static_cast<LONG>(n);
    };
}

TRichEditEx::TStreamWriter AppendTo(std::string& bytes) {
    return [&bytes](const BYTE* data, LONG size) {
        bytes.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
        return true;
    };
}

const wchar_t* TRichEditEx::PlatformClass() {
    // The Unicode control of the system; the module stays loaded for the process's life.
    static const wchar_t* name = [] {
        if (LoadLibraryW(L"msftedit.dll")) return L"RICHEDIT50W";
        if (LoadLibraryW(L"riched20.dll")) return L"RichEdit20W";
        throw TError(L"The rich-text control is not available on this system");
    }();
    return name;
}

TRichEditEx::TRichEditEx(TComponent* owner) : TWinControl(owner) {
    FColor = clWindow;
    FWidth = 185;
    FHeight = 89;
}

TRichEditEx::~TRichEditEx() = default;

void TRichEditEx::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = PlatformClass();
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    // A scroll bar asked for stays on screen, greyed while the note fits.
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL | ES_DISABLENOSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL | ES_AUTOHSCROLL;
}

void TRichEditEx::CreateWnd() {
    // The same note in a new window: nothing the user has to save.
    TQuiet quiet(*this);
    TWinControl::CreateWnd();
    Perform(EM_SETEVENTMASK, 0, kCreationEventMask);
    FThemed = HighContrast::On();
    FThemeText = FThemed ? GetSysColor(COLOR_WINDOWTEXT) : 0;
    ShowBackground();
    SetBaseFont(*Font());
    LimitText(kTextLimit);
    if (FDetectLinks) ApplyLinkDetection();
    if (FKeptRtf) {
        const std::string rtf = std::move(*FKeptRtf);
        FKeptRtf.reset();
        // Checked before the old window went; should the new one still take less, its text at
        // least is all there, and the loss of formatting is said.
        if (!SetRtf(rtf) || Text() != FKeptText) {
            SetWindowTextW(Handle(), FKeptText.c_str());
            Guarded(this, [] {
                throw TError(L"The editor could not take its formatting back; its text was kept");
            });
        }
        FKeptText.clear();
    }
}

void TRichEditEx::DestroyWnd() {
    if (HandleAllocated()) {
        FKeptRtf = Rtf();
        FKeptText = Text();
    }
    TWinControl::DestroyWnd();
}

void TRichEditEx::CheckRecreate() {
    // The content must come out whole and read back whole into a control like the new one,
    // or the old window stays.
    std::string rtf;
    if (!ControlRtf(rtf) || !ReadsBackAs(rtf, Text()))
        throw TError(
            L"The editor could not be re-created without losing part of its content; it was left as it was");
}

void TRichEditEx::SetColor(TColor color) {
    TControl::SetColor(color);
    ShowBackground();
}

void TRichEditEx::ShowBackground() {
    if (!HandleAllocated()) return;
    // Under high contrast the control paints with the system's window colour itself.
    if (HighContrast::On())
        Perform(EM_SETBKGNDCOLOR, TRUE, 0);
    else
        Perform(EM_SETBKGNDCOLOR, FALSE, static_cast<LPARAM>(ColorToRGB(FColor)));
}

void TRichEditEx::SystemColorsChanged() {
    // The note's own text is not touched: only the colours it is shown with.
    TQuiet quiet(*this);
    ShowBackground();
    SetBaseFont(*Font());
    FollowTheme();
    Invalidate();
}

void TRichEditEx::SetScrollBars(TScrollStyle scrollBars) {
    if (scrollBars == FScrollBars) return;
    const TScrollStyle previous = std::exchange(FScrollBars, scrollBars);
    try {
        RecreateWnd();
    } catch (...) {
        FScrollBars = previous; // the window kept its scroll bars
        throw;
    }
}

namespace {

// Requests after which the control has changed when it says it did what was asked. Wine's control
// neither notifies nor marks itself modified for paragraph formatting; undo and redo are here too,
// as not every version of the control is known to notify the undo of a formatting change. A
// request that changed nothing is reported as well: a needless save, never a lost one.
bool ChangesWhenDone(UINT msg) {
    return msg == EM_SETPARAFORMAT || msg == WM_UNDO || msg == EM_UNDO || msg == EM_REDO;
}

} // namespace

void TRichEditEx::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == EN_CHANGE) {
        if (FQuiet) return;
        FChangePending = true;
        // Outside any message of the control: a drop from another program, say.
        if (FDepth == 0) Settle();
        return;
    }
    if (m.Msg == EM_SETEVENTMASK) m.LParam |= ENM_CHANGE; // the change report relies on it
    ++FDepth;
    try {
        TWinControl::WndProc(m);
    } catch (...) {
        --FDepth; // what changed is reported after the next message
        throw;
    }
    --FDepth;
    if (!FQuiet && m.Result != 0 && ChangesWhenDone(m.Msg)) FChangePending = true;
    // A destroyed control has nothing left to ask.
    if (FDepth == 0 && m.Msg != WM_DESTROY && m.Msg != WM_NCDESTROY) Settle();
}

void TRichEditEx::Settle() {
    if (FQuiet) return;
    CollectControlModified();
    if (!FChangePending) return;
    FChangePending = false;
    FModified = true;
    if (OnChange) OnChange(this);
}

void TRichEditEx::CollectControlModified() {
    if (!ControlModified()) return;
    ClearControlModified(); // so that the next change shows again
    FChangePending = true;
}

bool TRichEditEx::ControlModified() {
    TMessage ask{EM_GETMODIFY, 0, 0, 0};
    DefaultHandler(ask);
    return ask.Result != 0;
}

void TRichEditEx::ClearControlModified() {
    TMessage clear{EM_SETMODIFY, FALSE, 0, 0};
    DefaultHandler(clear);
}

TRichEditEx::TQuiet::TQuiet(TRichEditEx& edit) : FEdit(edit) {
    if (FEdit.FQuiet == 0) {
        // What the user changed before stays the user's change.
        if (FEdit.FDepth == 0)
            FEdit.Settle();
        else
            FEdit.CollectControlModified();
    }
    ++FEdit.FQuiet;
}

TRichEditEx::TQuiet::~TQuiet() {
    if (--FEdit.FQuiet == 0) FEdit.ClearControlModified();
}

bool TRichEditEx::Modified() {
    return FModified || FChangePending || (!FQuiet && ControlModified());
}

bool TRichEditEx::StreamIn(UINT format, const TStreamReader& reader) {
    TStreamCookie cookie{&reader, nullptr};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cookie), 0, ReadCallback};
    Perform(EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
    // Loaded runs have colours of their own, which the default format's does not reach.
    if (FThemed) Recolour(ColorToRGB(Font()->Color()), FThemeText);
    return stream.dwError == 0;
}

bool TRichEditEx::StreamOut(UINT format, const TStreamWriter& writer) {
    // Text is written in the user's colour, not in the theme's it is shown in: the control writes
    // what it shows, and its colour table says which colour that is.
    const bool mapped = FThemed && (format & SF_RTF);
    std::string held;
    const TStreamWriter hold = [&](const BYTE* data, LONG size) {
        held.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
        return true;
    };
    TStreamCookie cookie{nullptr, mapped ? &hold : &writer};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cookie), 0, WriteCallback};
    Perform(EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&stream));
    if (stream.dwError) return false;
    if (!mapped) return true;
    held = WithColourReplaced(held, FThemeText, ColorToRGB(Font()->Color()));
    return held.empty() || writer(reinterpret_cast<const BYTE*>(held.data()), static_cast<LONG>(held.size()));
}

std::string TRichEditEx::Rtf() {
    std::string rtf;
    return ControlRtf(rtf) ? rtf : std::string();
}

bool TRichEditEx::ControlRtf(std::string& rtf) {
    rtf.clear();
    // Room for all the control writes, so that the buffer is not copied as it grows; room never
    // written to costs no memory.
    rtf.reserve(static_cast<size_t>(GetWindowTextLengthW(Handle())) * 4 + 0x10000);
    return StreamOut(kUtf8Rtf, AppendTo(rtf));
}

bool TRichEditEx::SetRtf(const std::string& rtf) {
    size_t at = 0;
    return StreamIn(SF_RTF, [&](BYTE* buffer, LONG size) {
        LONG n = static_cast<LONG>(std::min(rtf.size() - at, static_cast<size_t>(size)));
        std::copy_n(rtf.data() + at, n, reinterpret_cast<char*>(buffer));
        at += static_cast<size_t>(n);
        return n;
    });
}

void TRichEditEx::LimitText(LONG limit) {
    Perform(EM_EXLIMITTEXT, 0, limit);
}

std::wstring TRichEditEx::Text() {
    HWND wnd = Handle();
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TRichEditEx::Clear() {
    SetWindowTextW(Handle(), L"");
}

int TRichEditEx::LineCount() {
    return static_cast<int>(Perform(EM_GETLINECOUNT));
}

std::wstring TRichEditEx::Line(int index) {
    LRESULT start = Perform(EM_LINEINDEX, static_cast<WPARAM>(index));
    if (start < 0) return {};
    std::vector<wchar_t> buffer(kMaxLine + 1);
    buffer[0] = static_cast<wchar_t>(kMaxLine); // the first word tells the control the room there is
    auto n = static_cast<size_t>(
        Perform(EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data())));
    std::wstring line(buffer.data(), std::min(n, static_cast<size_t>(kMaxLine)));
    while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n'))
        line.pop_back();
    return line;
}

TTextAttributes TRichEditEx::SelAttributes() {
    CHARFORMAT2W cf = FullCharFormat();
    Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    TTextAttributes a;
    a.Name = cf.szFaceName;
    a.Size = cf.yHeight / 20;
    a.Color = (cf.dwEffects & CFE_AUTOCOLOR) ? static_cast<TColor>(GetSysColor(COLOR_WINDOWTEXT))
                                             : StoredColour(cf.crTextColor);
    a.Style = 0;
    if (cf.dwEffects & CFE_BOLD) a.Style |= fsBold;
    if (cf.dwEffects & CFE_ITALIC) a.Style |= fsItalic;
    if (cf.dwEffects & CFE_UNDERLINE) a.Style |= fsUnderline;
    if (cf.dwEffects & CFE_STRIKEOUT) a.Style |= fsStrikeOut;
    return a;
}

void TRichEditEx::SetSelAttributes(const TTextAttributes& a) {
    CHARFORMAT2W cf = FullCharFormat();
    FillCharFormat(cf, a.Name, a.Size, a.Color, a.Style);
    cf.crTextColor = ShownColour(a.Color);
    Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

namespace {

DWORD StyleMask(TFontStyle style) {
    switch (style) {
    case fsBold:
        return CFM_BOLD;
    case fsItalic:
        return CFM_ITALIC;
    case fsUnderline:
        return CFM_UNDERLINE;
    case fsStrikeOut:
        return CFM_STRIKEOUT;
    }
    return 0;
}

} // namespace

bool TRichEditEx::SelectionHasStyle(TFontStyle style) {
    CHARFORMAT2W cf = FullCharFormat();
    Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    // A mixed selection clears the attribute's bit in the mask.
    const DWORD bit = StyleMask(style); // CFM_x and CFE_x are the same bit
    return (cf.dwMask & bit) && (cf.dwEffects & bit);
}

void TRichEditEx::SetSelectionStyle(TFontStyle style, bool on) {
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = StyleMask(style);
    cf.dwEffects = on ? cf.dwMask : 0;
    Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

TColor TRichEditEx::SelColor() {
    return SelAttributes().Color;
}

void TRichEditEx::SetSelColor(TColor color) {
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_COLOR;
    // The note's own colour chosen under the theme follows it, as the rest of that colour does.
    cf.crTextColor = ShownColour(color);
    Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

void TRichEditEx::SetBaseFont(const TFont& font) {
    ApplyBaseFont(font, HighContrast::On());
}

void TRichEditEx::ApplyBaseFont(const TFont& font, bool systemColor) {
    if (!HandleAllocated()) return;
    CHARFORMAT2W cf = FullCharFormat();
    cf.dwMask |= CFM_CHARSET;
    FillCharFormat(cf, font.Name(), font.Size(), font.Color(), font.Style());
    // The theme's colour as a colour of its own, not automatic: a stream out tells it by its
    // entry in the colour table and writes the user's colour there.
    if (systemColor) cf.crTextColor = GetSysColor(COLOR_WINDOWTEXT);
    cf.bCharSet = font.Charset();
    Perform(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
}

void TRichEditEx::SetParagraphAlignment(TAlignment alignment) {
    PARAFORMAT2 pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_ALIGNMENT;
    pf.wAlignment = alignment == taRightJustify ? PFA_RIGHT : alignment == taCenter ? PFA_CENTER : PFA_LEFT;
    Perform(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
}

TAlignment TRichEditEx::ParagraphAlignment() {
    PARAFORMAT2 pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_ALIGNMENT;
    Perform(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    return pf.wAlignment == PFA_RIGHT    ? taRightJustify
           : pf.wAlignment == PFA_CENTER ? taCenter
                                         : taLeftJustify;
}

bool TRichEditEx::SelectionAligned(TAlignment alignment) {
    PARAFORMAT2 pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_ALIGNMENT;
    Perform(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    // Paragraphs of different alignments clear the bit in the mask.
    if (!(pf.dwMask & PFM_ALIGNMENT)) return false;
    const WORD wanted = alignment == taRightJustify ? PFA_RIGHT
                        : alignment == taCenter     ? PFA_CENTER
                                                    : PFA_LEFT;
    return pf.wAlignment == wanted;
}

void TRichEditEx::ClearUndoable() {
    SelectAll();
    Perform(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
}

void TRichEditEx::Select(LONG start, LONG end) {
    CHARRANGE range{start, end};
    Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

bool TRichEditEx::HasSelection() {
    CHARRANGE range{};
    Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range.cpMax != range.cpMin;
}

std::wstring TRichEditEx::SelText() {
    CHARRANGE range{};
    Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    std::wstring text(static_cast<size_t>(std::max<LONG>(range.cpMax - range.cpMin, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(Perform(EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

void TRichEditEx::DetectLinks() {
    FDetectLinks = true;
    // Marking links is how the control shows the text, no edit of it.
    Quietly([this] { ApplyLinkDetection(); });
}

void TRichEditEx::ApplyLinkDetection() {
    Perform(EM_AUTOURLDETECT, 1);
    Perform(EM_SETEVENTMASK, 0, Perform(EM_GETEVENTMASK) | ENM_LINK);
}
