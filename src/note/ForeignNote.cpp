#include "note/ForeignNote.h"

#include "note/RtfLexer.h"

#include "note/CodePages.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsMeasureWord(std::string_view word) {
    // Distances in twips: no page is wider than 22 inches, 31,680 twips.
    static constexpr std::array<std::string_view, 30> kMeasures = {
        "tx",    "tb",    "li",     "ri",     "fi",      "lin",      "rin",   "sb",
        "sa",    "sl",    "cellx",  "trgaph", "trleft",  "trrh",     "margl", "margr",
        "margt", "margb", "paperw", "paperh", "deftab",  "pnindent", "pnsp",  "dxfrtext",
        "absw",  "absh",  "posx",   "posy",   "expndtw", "clwWidth"};
    return std::find(kMeasures.begin(), kMeasures.end(), word) != kMeasures.end();
}

// The range a writer produces for this word's parameter.
std::pair<int64_t, int64_t> WriterRange(std::string_view word) {
    // A tab stop lies on the line: never before its start.
    if (word == "tx" || word == "tb") return {0, 31680};
    if (IsMeasureWord(word)) return {-31680, 31680};
    if (word == "fs") return {0, 3276};
    if (word == "u") return {-32768, 65535};
    return {-2147483647, 2147483647};
}

bool KnownCodePage(int64_t value) {
    if (value <= 0 || value >= 65536 || value == 42 || value == 1200 || value == 1201) return false;
    const unsigned most = CodePages::MaxCharSize(static_cast<unsigned>(value));
    return most > 0 && most <= 2;
}

// The code page the document declares first, when the control knows it.
int64_t OwnCodePage(std::string_view rtf) {
    TRtfLexer lexer(rtf);
    for (TRtfItem item = lexer.Next(); item.Kind != TRtfToken::rtEnd; item = lexer.Next())
        if (item.Kind == TRtfToken::rtWord && item.Name == "ansicpg" && KnownCodePage(item.Value))
            return item.Value;
    return 1252;
}

void AppendEscaped(std::string& out, wchar_t c) {
    if (c == L'\\' || c == L'{' || c == L'}') {
        out += '\\';
        out += static_cast<char>(c);
    } else if (c == L'\t') {
        out += "\\tab ";
    } else if (c >= 0x20 && c < 0x80) {
        out += static_cast<char>(c);
    } else if (c >= 0x80) {
        out += "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
    }
}

std::wstring Utf16(const std::string& bytes, bool bigEndian) {
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<wchar_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    }
    return text;
}

// A document kept in UTF-16: its own characters are ASCII, its text's are written as \uN.
std::string NarrowRtf(std::wstring_view rtf) {
    std::string out;
    out.reserve(rtf.size());
    for (wchar_t c : rtf) {
        if (c < 0x80)
            out += static_cast<char>(c);
        else
            out += "\\u" + std::to_string(static_cast<int16_t>(c)) + "?";
    }
    return out;
}

class TRewriter {
public:
    explicit TRewriter(std::string_view rtf) : FRtf(rtf), FOwnCodePage(OwnCodePage(rtf)) {}

    TNoteForControl Run() {
        TRtfLexer lexer(FRtf);
        for (TRtfItem item = lexer.Next(); item.Kind != TRtfToken::rtEnd; item = lexer.Next()) {
            if (FClosedAt != std::string::npos && item.Kind != TRtfToken::rtBreak &&
                !(item.Kind == TRtfToken::rtText &&
                  item.Name.find_first_not_of(" \t") == std::string_view::npos)) {
                // More after the document's closing brace: it goes inside.
                // A line break, not nothing: a control word before it must not run into the text.
                FOut.replace(FClosedAt, 1, "\r\n");
                FClosedAt = std::string::npos;
                FGroups.push_back({});
                FReopened = true;
                AddChange(FResult.Changes, L"du texte après la fin du document a été repris dedans");
            }
            switch (item.Kind) {
            case TRtfToken::rtOpen:
                FGroups.push_back(TGroup{FOut.size(), false, false, {}});
                FOut += '{';
                FGroupStart = true;
                continue;
            case TRtfToken::rtClose:
                Close();
                break;
            case TRtfToken::rtWord:
                Word(item);
                break;
            case TRtfToken::rtBinary:
                if (item.Name.size() < static_cast<size_t>(item.Value)) {
                    FOut.resize(FBinaryWordAt); // cut in its data: the picture cannot be read
                    AddChange(FResult.Changes, L"le fichier est coupé avant sa fin");
                } else {
                    FOut += item.Name;
                }
                break;
            case TRtfToken::rtSymbol:
                if (item.Name.empty()) { // a backslash that ends the file
                    AddChange(FResult.Changes, L"le fichier est coupé avant sa fin");
                    break;
                }
                FOut.append(FRtf.substr(item.Start, item.End - item.Start));
                if (item.Name == "*") continue; // the destination's name follows: still its start
                break;
            default:
                FOut.append(FRtf.substr(item.Start, item.End - item.Start));
            }
            FGroupStart = false;
        }
        if (FGroups.size() > (FReopened ? 2u : 1u))
            AddChange(FResult.Changes, L"le fichier est coupé avant sa fin");
        if (FGroups.size() > 1) {
            while (FGroups.size() > 1)
                Close();
        }
        FResult.Bytes = std::move(FOut);
        return std::move(FResult);
    }

private:
    struct TGroup {
        size_t Start = 0;    // where its brace is in the output
        bool Field = false;  // a field: replaced by its result when it closes
        bool Result = false; // a field's result
        std::string Shown;   // for a field, its result as it will stand
    };

    void Word(const TRtfItem& item) {
        const std::string_view name = item.Name;
        if (FGroupStart && FGroups.size() > 1) {
            if (name == "field") FGroups.back().Field = true;
            if (name == "fldrslt") {
                FGroups.back().Result = true;
                // The result's formatting stays; the word that names it goes.
                if (FOut.ends_with("\\*")) FOut.resize(FOut.size() - 2);
                return;
            }
        }
        if (name == "bin") FBinaryWordAt = FOut.size();
        if ((name == "ansicpg" || name == "cpg") && item.HasValue && !KnownCodePage(item.Value)) {
            Rewrite(name, FOwnCodePage);
            AddChange(FResult.Changes, L"une page de code inconnue a été remplacée par celle du document");
            return;
        }
        if (item.HasValue && name != "bin") {
            const auto [low, high] = WriterRange(name);
            if (item.Value < low || item.Value > high) {
                Rewrite(name, std::clamp(item.Value, low, high));
                AddChange(FResult.Changes, L"des valeurs hors des limites ont été ramenées dans les limites");
                return;
            }
        }
        FOut.append(FRtf.substr(item.Start, item.End - item.Start));
    }

    void Rewrite(std::string_view name, int64_t value) {
        FOut += '\\';
        FOut += name;
        FOut += std::to_string(value);
        FOut += ' ';
    }

    void Close() {
        if (FGroups.size() <= 1) { // a brace that closes nothing
            FOut += '}';
            return;
        }
        TGroup group = std::move(FGroups.back());
        FGroups.pop_back();
        FOut += '}';
        if (group.Result) {
            for (auto it = FGroups.rbegin(); it != FGroups.rend(); ++it)
                if (it->Field) {
                    it->Shown = FOut.substr(group.Start);
                    break;
                }
        } else if (group.Field) {
            FOut.resize(group.Start);
            FOut += group.Shown;
            AddChange(FResult.Changes, L"des champs ont été remplacés par leur texte");
        }
        if (FGroups.size() == 1) FClosedAt = FOut.size() - 1;
    }

    std::string_view FRtf;
    int64_t FOwnCodePage;
    std::string FOut;
    std::vector<TGroup> FGroups{TGroup{}}; // the bottom one stands for outside the document
    bool FGroupStart = false;
    size_t FBinaryWordAt = 0;
    size_t FClosedAt = std::string::npos; // the document's closing brace in the output
    bool FReopened = false;               // the document was closed before its text ended
    TNoteForControl FResult;
};

} // namespace

void AddChange(std::wstring& changes, const std::wstring& change) {
    if (changes.find(change) != std::wstring::npos) return;
    if (!changes.empty()) changes += L" ; ";
    changes += change;
}

std::string FromByteOrder(const std::string& bytes) {
    // The control takes RTF only from its first byte: a mark or blanks before it make it refuse.
    const size_t mark = bytes.starts_with(kUtf8Mark) ? kUtf8Mark.size() : 0;
    if (StartsAsRtf(std::string_view(bytes).substr(mark))) return bytes.substr(bytes.find('{', mark));
    const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
    if (!little && !big) return bytes;
    const std::wstring text = Utf16(bytes, big);
    const size_t start = std::min(text.find_first_not_of(L" \t\r\n"), text.size());
    if (text.compare(start, 5, L"{\\rtf") == 0) return NarrowRtf(text);
    return RtfFromText(text);
}

TNoteForControl RewriteForControl(std::string_view rtf) {
    return TRewriter(rtf).Run();
}

std::string Utf16WithMark(std::wstring_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::string RtfFromText(std::wstring_view text) {
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\uc1 ";
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            out += "\\par\r\n";
        } else {
            AppendEscaped(out, c);
        }
    }
    return out + "}";
}
