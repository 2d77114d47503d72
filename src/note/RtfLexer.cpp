#include "note/RtfLexer.h"

#include "note/CodePages.h"

#include <algorithm>
#include <array>

namespace {

constexpr int64_t kValueBound = 1'000'000'000'000'000;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
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

unsigned CharsetPage(int64_t charset) {
    return charset < 0 || charset > 255 ? 0 : CodePages::OfCharset(static_cast<int>(charset));
}

} // namespace

bool IsRtfLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsAsRtf(std::string_view bytes) {
    const size_t start = std::min(bytes.find_first_not_of(" \t\r\n"), bytes.size());
    const std::string_view rest = bytes.substr(start);
    return rest.starts_with("{\\rtf") || rest.starts_with("{\\urtf");
}

TRtfItem TRtfLexer::Next() {
    TRtfItem item;
    item.Start = FAt;
    if (FBinaryNext) {
        FBinaryNext = false;
        const size_t n = std::min(FBinaryLeft, FBytes.size() - FAt);
        item.Kind = TRtfToken::rtBinary;
        item.Name = FBytes.substr(FAt, n);
        item.Value = static_cast<int64_t>(FBinaryLeft); // the count declared: more than Name when cut
        FAt += n;
        item.End = FAt;
        return item;
    }
    if (FAt >= FBytes.size()) {
        item.End = FAt;
        return item;
    }
    const char c = FBytes[FAt++];
    if (c == '{') {
        item.Kind = TRtfToken::rtOpen;
    } else if (c == '}') {
        item.Kind = TRtfToken::rtClose;
    } else if (c == '\r' || c == '\n') {
        item.Kind = TRtfToken::rtBreak;
    } else if (c != '\\') {
        item.Kind = TRtfToken::rtText;
        while (FAt < FBytes.size() && FBytes[FAt] != '{' && FBytes[FAt] != '}' && FBytes[FAt] != '\\' &&
               FBytes[FAt] != '\r' && FBytes[FAt] != '\n')
            ++FAt;
        item.Name = FBytes.substr(item.Start, FAt - item.Start);
    } else if (FAt >= FBytes.size()) {
        item.Kind = TRtfToken::rtSymbol; // a backslash that ends the file: nothing follows
    } else if (!IsRtfLetter(FBytes[FAt])) {
        item.Name = FBytes.substr(FAt++, 1);
        item.Kind = TRtfToken::rtSymbol;
        if (item.Name == "'") {
            item.Kind = TRtfToken::rtHex;
            int value = 0;
            for (int digit = 0; digit < 2 && FAt < FBytes.size() && HexDigit(FBytes[FAt]) >= 0; ++digit)
                value = value * 16 + HexDigit(FBytes[FAt++]);
            item.Byte = static_cast<uint8_t>(value);
        }
    } else {
        item.Kind = TRtfToken::rtWord;
        const size_t nameStart = FAt;
        while (FAt < FBytes.size() && IsRtfLetter(FBytes[FAt]))
            ++FAt;
        item.Name = FBytes.substr(nameStart, FAt - nameStart);
        const size_t parameterStart = FAt;
        const bool negative = FAt < FBytes.size() && FBytes[FAt] == '-';
        if (negative) ++FAt;
        int64_t value = 0;
        while (FAt < FBytes.size() && IsDigit(FBytes[FAt])) {
            value = std::min(value * 10 + (FBytes[FAt] - '0'), kValueBound);
            ++FAt;
        }
        item.Parameter = FBytes.substr(parameterStart, FAt - parameterStart);
        item.HasValue = item.Parameter.size() > (negative ? 1u : 0u);
        item.Value = negative ? -value : value;
        if (FAt < FBytes.size() && FBytes[FAt] == ' ') ++FAt;
        if (item.Name == "bin" && item.HasValue && !negative) {
            FBinaryNext = true;
            FBinaryLeft = static_cast<size_t>(value);
        }
    }
    item.End = FAt;
    return item;
}

bool CarriesTextBytes(const TRtfItem& item) {
    if (item.Kind == TRtfToken::rtText || item.Kind == TRtfToken::rtHex) return true;
    return item.Kind == TRtfToken::rtSymbol && (item.Name == "{" || item.Name == "}" || item.Name == "\\");
}

bool NamesDestination(std::string_view word) {
    return IsHiddenDestination(word) || IsShownElsewhere(word);
}

bool ReadableCodePage(int64_t value) {
    return value > 0 && value < 65536 && CodePages::MaxCharSize(static_cast<unsigned>(value)) > 0;
}

void AppendInCodePage(std::wstring& text, unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return;
    const int count = static_cast<int>(bytes.size());
    const int n = CodePages::ToWide(codePage, false, bytes.data(), count, nullptr, 0);
    const size_t at = text.size();
    if (n > 0) {
        text.resize(at + static_cast<size_t>(n));
        CodePages::ToWide(codePage, false, bytes.data(), count, text.data() + at, n);
        return;
    }
    text.resize(at + bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        text[at + i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
}

size_t SplitAfter(std::string_view added, unsigned codePage) {
    size_t last = added.size();
    while (last > 0 && static_cast<unsigned char>(added[last - 1]) >= '0')
        --last;
    if (last == 0) return std::string_view::npos;
    const unsigned most = CodePages::MaxCharSize(codePage);
    const bool stateless = codePage == CodePages::kUtf8 || codePage == 54936 || most == 1 || most == 2;
    return stateless ? last : std::string_view::npos;
}

unsigned TRtfReading::CodePage() const {
    return FGroups.Top().CodePage ? FGroups.Top().CodePage : FCodePage;
}

TRtfText TRtfReading::Take(const TRtfItem& item) {
    TRtfText text;
    switch (item.Kind) {
    case TRtfToken::rtOpen: {
        const bool document = FGroups.Size() == 1;
        FGroups.Push();
        if (document) { // the document's own group shows its text
            TGroup group = FGroups.Top();
            group.Hidden = false;
            FGroups.Set(group);
        }
        FGroupStart = true;
        FStarHides = false;
        FSkip = 0;
        return text;
    }
    case TRtfToken::rtClose:
        // Past the document's closing brace the bytes are read as the document's text again.
        FGroups.Pop();
        FGroupStart = false;
        FSkip = 0;
        return text;
    case TRtfToken::rtWord:
        text = Word(item);
        break;
    case TRtfToken::rtSymbol:
        text = Symbol(item.Name.empty() ? '\0' : item.Name[0]);
        break;
    case TRtfToken::rtHex:
        FGroupStart = false;
        if (FSkip > 0) {
            --FSkip;
            return text;
        }
        FByte = static_cast<char>(item.Byte);
        text.Bytes = std::string_view(&FByte, 1);
        break;
    case TRtfToken::rtText: {
        FGroupStart = false;
        const size_t skipped = std::min(item.Name.size(), static_cast<size_t>(FSkip));
        FSkip -= static_cast<int>(skipped);
        text.Bytes = item.Name.substr(skipped);
        break;
    }
    default:
        return text; // line breaks are not part of the text; binary data is not text
    }
    text.Shown = !FGroups.Top().Hidden;
    return text;
}

TRtfText TRtfReading::Word(const TRtfItem& item) {
    TRtfText text;
    const std::string_view name = item.Name;
    TGroup group = FGroups.Top();
    if (FGroupStart) {
        if (IsHiddenDestination(name)) group.Hidden = true;
        // A field's result is its text, even marked as ignorable, where its group's is shown.
        if (IsShownElsewhere(name) || (name == "fldrslt" && FStarHides)) group.Hidden = false;
        if (name == "fonttbl" || name == "stylesheet") group.Table = true;
        if (name == "fonttbl") group.Fonts = true;
    }
    FGroupStart = false;
    FStarHides = false;
    if (name == "u" && item.HasValue) {
        // Beyond 16 bits the value is brought into range, as the rewriting writes it.
        text.Character =
            static_cast<wchar_t>(static_cast<uint16_t>(std::clamp<int64_t>(item.Value, -32768, 65535)));
        FSkip = group.Fallbacks;
        FGroups.Set(group);
        return text;
    }
    FSkip = 0;
    if (name == "uc" && item.HasValue)
        group.Fallbacks = static_cast<int>(std::clamp<int64_t>(item.Value, 0, 8));
    if (name == "ansicpg" && item.HasValue && ReadableCodePage(item.Value))
        FCodePage = static_cast<unsigned>(item.Value);
    if (name == "urtf") FCodePage = CodePages::kUtf8;
    if (name == "f" && item.HasValue) Font(group, item.Value);
    if (name == "fcharset" && item.HasValue && group.Fonts)
        FFontPages[FDefinedFont] = CharsetPage(item.Value);
    FGroups.Set(group);
    if (name == "par" || name == "line" || name == "sect" || name == "row" || name == "page")
        text.Character = L'\n';
    else if (name == "tab" || name == "cell")
        text.Character = L'\t';
    else
        text.Character = CharacterOfWord(name);
    return text;
}

TRtfText TRtfReading::Symbol(char symbol) {
    TRtfText text;
    if (symbol == '*') {
        if (FGroupStart && !FGroups.Top().Hidden) {
            TGroup group = FGroups.Top();
            group.Hidden = true;
            FGroups.Set(group);
            FStarHides = true;
        }
        return text; // the destination's name follows: still the group's start
    }
    FGroupStart = false;
    FSkip = 0;
    if (symbol == '{') text.Bytes = "{";
    if (symbol == '}') text.Bytes = "}";
    if (symbol == '\\') text.Bytes = "\\";
    if (symbol == '_') text.Character = L'-';
    if (symbol == '~') text.Character = L' ';
    return text;
}

// A font of the table is being defined, or the text goes on in another font, whose character set
// decides how its bytes read.
void TRtfReading::Font(TGroup& group, int64_t font) {
    if (group.Fonts) {
        FDefinedFont = font;
        return;
    }
    const auto page = FFontPages.find(font);
    group.CodePage = page == FFontPages.end() ? 0 : page->second;
}
