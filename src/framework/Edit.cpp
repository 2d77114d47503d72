#include "framework/Edit.h"

#include "framework/Error.h"

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
    FColor = clWindow;
    FWidth = 121;
    FHeight = 21;
}

TCustomEdit::~TCustomEdit() = default;

void TCustomEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.ClassName = L"EDIT";
    params.SystemClass = true;
    params.Style |= WS_TABSTOP | ES_AUTOHSCROLL;
    if (FReadOnly) params.Style |= ES_READONLY;
    if (FBorderStyle == TBorderStyle::bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
    TWinControl::CreateWnd();
    Perform(EM_SETLIMITTEXT, static_cast<WPARAM>(FMaxLength));
}

void TCustomEdit::DestroyWnd() {
    if (HandleAllocated()) FCaption = Text();
    TWinControl::DestroyWnd();
}

std::wstring TCustomEdit::Text() const {
    if (!HandleAllocated()) return FCaption;
    HWND wnd = const_cast<TCustomEdit*>(this)->Handle();
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(wnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void TCustomEdit::SetText(const std::wstring& text) {
    if (text == Text()) return;
    if (!HandleAllocated()) {
        FCaption = text;
        Change();
        return;
    }
    // Single-line boxes report a new text themselves; multi-line ones do not.
    const int seen = FChangesSeen;
    SetWindowTextW(Handle(), text.c_str());
    if (FChangesSeen == seen) Change();
}

void TCustomEdit::SetReadOnly(bool readOnly) {
    FReadOnly = readOnly;
    if (HandleAllocated()) Perform(EM_SETREADONLY, readOnly ? TRUE : FALSE);
}

void TCustomEdit::SetMaxLength(int maxLength) {
    FMaxLength = maxLength < 0 ? 0 : maxLength;
    if (HandleAllocated()) Perform(EM_SETLIMITTEXT, static_cast<WPARAM>(FMaxLength));
}

void TCustomEdit::SetBorderStyle(TBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    RecreateWnd();
}

int TCustomEdit::SelStart() const {
    if (!HandleAllocated()) return 0;
    DWORD start = 0, end = 0;
    SendMessageW(const_cast<TCustomEdit*>(this)->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

int TCustomEdit::SelLength() const {
    if (!HandleAllocated()) return 0;
    DWORD start = 0, end = 0;
    SendMessageW(const_cast<TCustomEdit*>(this)->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelStart(int start) {
    Perform(EM_SETSEL, static_cast<WPARAM>(start), start);
}

void TCustomEdit::SetSelLength(int length) {
    const int start = SelStart();
    Perform(EM_SETSEL, static_cast<WPARAM>(start), start + length);
}

void TCustomEdit::SelectAll() {
    Perform(EM_SETSEL, 0, -1);
}

std::wstring TCustomEdit::SelText() const {
    const std::wstring text = Text();
    const auto start = static_cast<size_t>(SelStart());
    return start < text.size() ? text.substr(start, static_cast<size_t>(SelLength())) : std::wstring();
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

void TCustomEdit::WndProc(TMessage& m) {
    if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == EN_CHANGE) {
        ++FChangesSeen;
        Change();
        return;
    }
    if (m.Msg == WM_GETDLGCODE) {
        m.Result = static_cast<LRESULT>(DialogCode(m));
        return;
    }
    TWinControl::WndProc(m);
}

UINT TCustomEdit::DialogCode(const TMessage& m) {
    // Asked without the key: told of a dialog, the platform's box would handle Escape and Enter
    // itself; the form's dialog keys do that here.
    TMessage plain{WM_GETDLGCODE, m.WParam, 0, 0};
    DefaultHandler(plain);
    return static_cast<UINT>(plain.Result);
}

UINT TMemo::DialogCode(const TMessage& m) {
    // The platform's multi-line box wants every key; in a dialog form only Enter stays a line
    // break, while the memo can be edited, and Tab and Escape act on the dialog.
    UINT code = TCustomEdit::DialogCode(m) & ~static_cast<UINT>(DLGC_WANTALLKEYS);
    const auto* msg = reinterpret_cast<const MSG*>(m.LParam);
    const WPARAM key = msg ? msg->wParam : m.WParam;
    if (key == VK_RETURN && !ReadOnly()) code |= DLGC_WANTMESSAGE;
    return code;
}

TEdit::TEdit(TComponent* owner) : TCustomEdit(owner) {}

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner), FLines(*this) {
    FWidth = 185;
    FHeight = 89;
}

void TMemo::CreateParams(TCreateParams& params) {
    TCustomEdit::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    params.Style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (!FWordWrap) params.Style |= ES_AUTOHSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL;
}

void TMemo::SetWordWrap(bool wordWrap) {
    if (wordWrap == FWordWrap) return;
    FWordWrap = wordWrap;
    RecreateWnd();
}

void TMemo::SetScrollBars(TScrollStyle scrollBars) {
    if (scrollBars == FScrollBars) return;
    FScrollBars = scrollBars;
    RecreateWnd();
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstring line;
    bool open = false; // a line has begun and not yet ended
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            lines.push_back(std::move(line));
            line.clear();
            open = false;
        } else {
            line += c;
            open = true;
        }
    }
    if (open) lines.push_back(std::move(line));
    return lines;
}

int TMemoLines::Count() const {
    return static_cast<int>(SplitLines(FMemo.Text()).size());
}

std::wstring TMemoLines::operator[](int index) const {
    const std::vector<std::wstring> lines = SplitLines(FMemo.Text());
    if (index < 0 || index >= static_cast<int>(lines.size()))
        throw TError(L"List index out of bounds (" + std::to_wstring(index) + L")");
    return lines[static_cast<size_t>(index)];
}

std::vector<std::wstring> TMemoLines::All() const {
    return SplitLines(FMemo.Text());
}

void TMemoLines::Assign(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += L"\r\n";
        text += lines[i];
    }
    // Without a break of its own an empty last line would not be there at all.
    if (!lines.empty() && lines.back().empty()) text += L"\r\n";
    FMemo.SetText(text);
}

void TMemoLines::Add(const std::wstring& line) {
    std::wstring text = FMemo.Text();
    if (!text.empty() && text.back() != L'\n' && text.back() != L'\r') text += L"\r\n";
    // Each added line ends with its break, so that an empty one counts too.
    FMemo.SetText(text + line + L"\r\n");
}

void TMemoLines::Clear() {
    FMemo.Clear();
}
