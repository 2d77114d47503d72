#include "note/RtfSafetyScan.h"

#include "note/RtfLexer.h"

#include "note/CodePages.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Groups whose content is never shown as the document's text.
bool IsHiddenDestination(std::string_view word) {
    static constexpr std::array<std::string_view, 18> kHidden = {
        "fonttbl",   "colortbl",  "stylesheet",   "info",    "pict",   "listtable", "listoverridetable",
        "revtbl",    "filetbl",   "rsidtbl",      "fldinst", "pntext", "pn",        "xmlnstbl",
        "themedata", "datastore", "latentstyles", "objdata"};
    return std::find(kHidden.begin(), kHidden.end(), word) != kHidden.end();
}

// Text the control leaves out but a reader of the whole format shows: a note that holds it must
// not lose it in silence, even where it sits in a group marked as ignorable.
bool IsShownElsewhere(std::string_view word) {
    static constexpr std::array<std::string_view, 12> kShown = {
        "footnote", "header",  "headerl", "headerr",    "headerf", "footer",
        "footerl",  "footerr", "footerf", "annotation", "shptxt",  "upr"};
    return std::find(kShown.begin(), kShown.end(), word) != kShown.end();
}

// Control words that stand for a visible character other than \u.
wchar_t CharacterOfWord(std::string_view word) {
    static constexpr std::array<std::pair<std::string_view, wchar_t>, 7> kCharacters = {{
        {"bullet", 0x2022},
        {"emdash", 0x2014},
        {"endash", 0x2013},
        {"lquote", 0x2018},
        {"rquote", 0x2019},
        {"ldblquote", 0x201C},
        {"rdblquote", 0x201D},
    }};
    for (const auto& [name, character] : kCharacters)
        if (name == word) return character;
    return 0;
}

class TRtfScanner {
public:
    explicit TRtfScanner(std::string_view bytes) : FLexer(bytes) { FGroups.push_back({}); }

    void Run(TDocumentFigures& figures) {
        for (TRtfItem item = FLexer.Next(); item.Kind != TRtfToken::rtEnd; item = FLexer.Next()) {
            switch (item.Kind) {
            case TRtfToken::rtOpen:
                OpenGroup(figures);
                break;
            case TRtfToken::rtClose:
                CloseGroup();
                break;
            case TRtfToken::rtWord:
                Word(figures, item);
                break;
            case TRtfToken::rtSymbol:
                Symbol(figures, item.Name.empty() ? '\0' : item.Name[0]);
                break;
            case TRtfToken::rtHex:
                FGroupStart = false;
                if (FSkip > 0) {
                    --FSkip;
                } else {
                    Table(figures, 1);
                    Byte(static_cast<char>(item.Byte));
                }
                break;
            case TRtfToken::rtBinary:
                Binary(figures, item);
                break;
            case TRtfToken::rtText:
                PlainText(figures, item.Name);
                break;
            default:
                break; // line breaks in RTF are not part of the text and do not end a run
            }
        }
        Flush();
        figures.OpenAtEnd = static_cast<int>(FGroups.size()) - 1;
        figures.Text = std::move(FText);
        figures.HoldsText = VisibleCharacters(figures.Text) > 0;
    }

private:
    struct TGroup {
        bool Hidden = false;   // its text is not shown
        bool Table = false;    // inside the font table or the style sheet
        int Uc = 1;            // fallback characters after \u
        bool Fonts = false;    // inside the font table
        unsigned CodePage = 0; // the current font's, when it names one; else the document's
    };

    void OpenGroup(TDocumentFigures& figures) {
        Flush();
        TGroup group = FGroups.back();
        if (FGroups.size() == 1) group.Hidden = false; // the document's own group
        FGroups.push_back(group);
        figures.GroupDepth = std::max(figures.GroupDepth, static_cast<int>(FGroups.size() - 1));
        FGroupStart = true;
        FRun = 0;
        FSkip = 0;
    }

    void CloseGroup() {
        // Past the document's closing brace the bytes are read as the document's text again.
        Flush();
        if (FGroups.size() > 1) FGroups.pop_back();
        FGroupStart = false;
        FRun = 0;
        FSkip = 0;
    }

    void Word(TDocumentFigures& figures, const TRtfItem& item) {
        const std::string_view name = item.Name;
        figures.ControlWordLength = std::max(figures.ControlWordLength, name.size());
        figures.ParameterLength = std::max(figures.ParameterLength, item.Parameter.size());
        FRun = 0;
        TGroup& group = FGroups.back();
        if (FGroupStart) {
            if (IsHiddenDestination(name)) group.Hidden = true;
            if (IsShownElsewhere(name)) group.Hidden = false;
            if (name == "fonttbl" || name == "stylesheet") group.Table = true;
            if (name == "fonttbl") group.Fonts = true;
        }
        FGroupStart = false;
        if (name == "u" && item.HasValue) {
            if (!group.Hidden) Character(static_cast<wchar_t>(static_cast<uint16_t>(item.Value)));
            FSkip = group.Uc;
            return;
        }
        FSkip = 0;
        if (name == "uc" && item.HasValue) group.Uc = static_cast<int>(std::clamp<int64_t>(item.Value, 0, 8));
        if (name == "ansicpg" && item.HasValue && KnownCodePage(item.Value))
            SetCodePage(unsigned(item.Value));
        if (name == "urtf") SetCodePage(CodePages::kUtf8);
        if (name == "f" && item.HasValue) Font(group, item.Value);
        if (name == "fcharset" && item.HasValue && group.Fonts)
            FFontPages[FDefinedFont] = CharsetPage(item.Value);
        if (group.Hidden) return;
        if (name == "par" || name == "line" || name == "sect" || name == "row" || name == "page")
            Character(L'\n');
        else if (name == "tab" || name == "cell")
            Character(L'\t');
        else if (const wchar_t c = CharacterOfWord(name))
            Character(c);
    }

    void Symbol(TDocumentFigures& figures, char symbol) {
        if (symbol == '*') {
            if (FGroupStart) FGroups.back().Hidden = true;
            return; // the destination's name follows
        }
        FGroupStart = false;
        FSkip = 0;
        if (symbol == '{' || symbol == '}' || symbol == '\\') {
            Table(figures, 1);
            Byte(symbol);
        } else if (symbol == '_') {
            Character(L'-');
        } else if (symbol == '~') {
            Character(L' ');
        } else {
            FRun = 0;
        }
    }

    void PlainText(TDocumentFigures& figures, std::string_view text) {
        FGroupStart = false;
        const size_t skipped = std::min(text.size(), static_cast<size_t>(FSkip));
        FSkip -= static_cast<int>(skipped);
        for (char c : text.substr(skipped)) {
            if (c == ';' && FGroups.back().Table) {
                FRun = 0; // the end of one entry
                continue;
            }
            Table(figures, 1);
            Byte(c);
        }
    }

    // The control's reader does not skip binary data as the format says: the braces in it open
    // and close groups for its depth all the same, so they count here too.
    void Binary(TDocumentFigures& figures, const TRtfItem& item) {
        int depth = static_cast<int>(FGroups.size() - 1);
        for (char c : item.Name) {
            if (c == '{') figures.GroupDepth = std::max(figures.GroupDepth, ++depth);
            if (c == '}') --depth;
        }
        if (item.Name.size() < static_cast<size_t>(item.Value)) figures.BinaryCut = true;
    }

    void Table(TDocumentFigures& figures, size_t n) {
        if (FGroups.back().Table) figures.TableTextLength = std::max(figures.TableTextLength, FRun += n);
    }

    void Byte(char c) {
        if (FGroups.back().Hidden) return;
        FPending += c;
    }

    void Character(wchar_t c) {
        Flush();
        FText += c;
    }

    void Flush() {
        if (FPending.empty()) return;
        const unsigned page = FGroups.back().CodePage ? FGroups.back().CodePage : FCodePage;
        const int n =
            CodePages::ToWide(page, false, FPending.data(), static_cast<int>(FPending.size()), nullptr, 0);
        if (n > 0) {
            const size_t at = FText.size();
            FText.resize(at + static_cast<size_t>(n));
            CodePages::ToWide(page, false, FPending.data(), static_cast<int>(FPending.size()),
                              FText.data() + at, n);
        } else {
            for (char c : FPending) // a code page the system lacks: one character a byte
                FText += static_cast<wchar_t>(static_cast<unsigned char>(c));
        }
        FPending.clear();
    }

    // A font of the table is being defined, or the text goes on in another font, whose character
    // set decides how its bytes read.
    void Font(TGroup& group, int64_t font) {
        if (group.Fonts) {
            FDefinedFont = font;
            return;
        }
        Flush();
        const auto page = FFontPages.find(font);
        group.CodePage = page == FFontPages.end() ? 0 : page->second;
    }

    static unsigned CharsetPage(int64_t charset) {
        return charset < 0 || charset > 255 ? 0 : CodePages::OfCharset(static_cast<int>(charset));
    }

    void SetCodePage(unsigned codePage) {
        Flush();
        FCodePage = codePage;
    }

    static bool KnownCodePage(int64_t value) {
        return value > 0 && value < 65536 && CodePages::MaxCharSize(static_cast<unsigned>(value)) > 0;
    }

    TRtfLexer FLexer;
    std::vector<TGroup> FGroups;
    bool FGroupStart = false; // the next token is the first of a group
    size_t FRun = 0;          // text characters since the last break in a table
    int FSkip = 0;            // fallback characters still to skip after \u
    unsigned FCodePage = 1252;
    std::map<int64_t, unsigned> FFontPages; // the code page of each font that names a character set
    int64_t FDefinedFont = -1;
    std::string FPending; // bytes in the code page, not yet read as characters
    std::wstring FText;
};

} // namespace

TDocumentFigures MeasureDocument(std::string_view bytes) {
    TDocumentFigures figures;
    figures.OnlyByteOrderMark = bytes == kByteOrderMark;
    figures.Rtf = StartsAsRtf(bytes);
    if (figures.Rtf) {
        TRtfScanner(bytes).Run(figures);
    } else {
        const std::string_view text = bytes.starts_with(kByteOrderMark) ? bytes.substr(3) : bytes;
        figures.HoldsText = std::any_of(text.begin(), text.end(), [](char c) { return !IsBlank(c); });
    }
    return figures;
}

bool SafeForControl(const TDocumentFigures& figures) {
    return !figures.OnlyByteOrderMark && figures.GroupDepth <= TRtfLimits::GroupDepth &&
           figures.ControlWordLength <= TRtfLimits::ControlWordLength &&
           figures.ParameterLength <= TRtfLimits::ParameterLength &&
           figures.TableTextLength <= TRtfLimits::TableTextLength;
}

size_t VisibleCharacters(std::wstring_view text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](wchar_t c) {
        return c > L' ' && c != 0xA0 && c != 0x200B && c != 0xFEFF && c != 0x3000;
    }));
}
