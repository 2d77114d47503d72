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
    // As many fallback characters as the reading skips (RtfLexer.h), no more.
    if (word == "uc") return {0, 8};
    return {-2147483647, 2147483647};
}

// A code page the control reads bytes in: single or double bytes the platform converts.
bool ControlReads(int64_t value) {
    if (value <= 0 || value >= 65536 || value == 42 || value == 1200 || value == 1201) return false;
    const unsigned most = CodePages::MaxCharSize(static_cast<unsigned>(value));
    return most > 0 && most <= 2;
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

// Reads the document once, token by token, and writes what the control is to be given as it
// goes: every byte is written once at most, so the work stays in proportion to the document
// whatever its nesting.
class TRewriter {
public:
    explicit TRewriter(std::string_view rtf) : FRtf(rtf) { FOut.reserve(rtf.size() + rtf.size() / 2 + 16); }

    TNoteForControl Run() {
        TRtfLexer lexer(FRtf);
        for (TRtfItem item = lexer.Next(); item.Kind != TRtfToken::rtEnd; item = lexer.Next()) {
            if (FClosedAt != std::string::npos && item.Kind != TRtfToken::rtBreak &&
                !(item.Kind == TRtfToken::rtText &&
                  item.Name.find_first_not_of(" \t") == std::string_view::npos))
                Reopen();
            if (!CarriesTextBytes(item) && item.Kind != TRtfToken::rtBreak) Flush();
            Take(item);
        }
        Flush();
        if (FGroups.Size() > (FReopened ? 2u : 1u))
            AddChange(FResult.Changes, L"le fichier est coupé avant sa fin");
        while (FGroups.Size() > 1)
            Close();
        FResult.Bytes = std::move(FOut);
        return std::move(FResult);
    }

private:
    enum class TRole {
        Plain,     // written as it is
        Field,     // a field: a plain group without the word that names it; its results stand in it
        Result,    // a field's result, without the word that names it
        FieldPart, // a group of a field, until its first token tells whether it is a result
        Undecided, // a group in a dropped one, until its first token tells whether it is shown
        Dropped,   // a field's instruction, or what else a field holds that is not shown
    };

    // An open field. A result that is all the field shows takes the field's brace for its own, so
    // that a field and its result are one group, not two: notes of fields in each other's results
    // are folded to half their depth.
    struct TField {
        size_t BraceAt;           // the field's brace in the output
        bool Sharing = false;     // the open result is written in the field's brace
        bool ShareEnded = false;  // it ended: whatever else the field shows needs a group of its own
    };

    bool Dropping() const {
        if (FDocumentWide) return false;
        const TRole role = FGroups.Top();
        return role != TRole::Plain && role != TRole::Result && role != TRole::Field;
    }

    void Take(const TRtfItem& item) {
        FTokenAt = FOut.size();
        TakeToken(item);
        const size_t before = FTokenAt;
        if (FOut.size() > before) FAtStart = false;
        // A word written without the blank that ends it, or \' without its two digits, runs into
        // whatever is written next.
        const bool word = FOut.size() > before && item.Kind == TRtfToken::rtWord &&
                          (IsRtfLetter(FOut.back()) || (FOut.back() >= '0' && FOut.back() <= '9'));
        const bool hex = FOut.size() > before && item.Kind == TRtfToken::rtHex && item.End - item.Start < 4 &&
                         FOut.ends_with(FRtf.substr(item.Start, item.End - item.Start));
        if (word || hex) {
            FWordEnd = FOut.size();
            FWordEndsWith = word ? " " : "{}"; // a blank would be a digit's place
        } else if (FOut.size() == FWordEnd && item.End > item.Start) {
            // What stood between it and the next token is gone, or was taken back: it gets its end.
            FOut += FWordEndsWith;
            FWordEnd = std::string::npos;
        } else if (FOut.size() < FWordEnd) {
            FWordEnd = std::string::npos; // the word itself was taken back
        }
    }

    void TakeToken(const TRtfItem& item) {
        FDocumentWide = false;
        // Only the data right after it belongs to a \bin word.
        if (item.Kind != TRtfToken::rtBinary) FBinaryWordAt = std::string::npos;
        const bool start = FGroupStart;
        const int skipping = FReading.Skipping(), fallbacks = FReading.Fallbacks();
        const bool hiddenBefore = FReading.Hidden();
        const TRtfText text = FReading.Take(item);
        // A line break or \* leaves the group at its start: its name may follow.
        const bool keepsStart =
            item.Kind == TRtfToken::rtBreak || (item.Kind == TRtfToken::rtSymbol && item.Name == "*");
        if (!keepsStart) FGroupStart = false;
        if ((FGroups.Top() == TRole::FieldPart || FGroups.Top() == TRole::Undecided) && !keepsStart) {
            // A brace is read in the group around it: the one deciding.
            const bool edge = item.Kind == TRtfToken::rtOpen || item.Kind == TRtfToken::rtClose;
            Decide(item, start, edge ? hiddenBefore : FReading.Hidden());
        }
        if (FGroups.Top() == TRole::Field && !FFields.empty() && FFields.back().ShareEnded &&
            item.Kind != TRtfToken::rtClose && item.Kind != TRtfToken::rtBreak) {
            // More in the field after a result that took its brace: it goes in a group of its own,
            // as the result's formatting ended with the result.
            FOut += "}{";
            FFields.back().ShareEnded = false;
            StartAfterName();
        }
        if (FAtStart && item.Kind != TRtfToken::rtBreak && !Dropping()) {
            // The output is at the start of a group whose name went: a word that would name the
            // group now goes too, or the text after it would be taken for a destination's.
            if (keepsStart || (item.Kind == TRtfToken::rtWord && NamesGroup(item.Name))) return;
        }
        switch (item.Kind) {
        case TRtfToken::rtOpen:
            Open();
            break;
        case TRtfToken::rtClose:
            Close(skipping, fallbacks);
            break;
        case TRtfToken::rtWord:
            Word(item, start);
            break;
        case TRtfToken::rtBinary:
            Binary(item);
            break;
        case TRtfToken::rtSymbol:
            if (item.Name.empty()) // a backslash that ends the file
                AddChange(FResult.Changes, L"le fichier est coupé avant sa fin");
            else if (CarriesTextBytes(item))
                Bytes(item, text);
            else
                Copy(item);
            break;
        case TRtfToken::rtText:
        case TRtfToken::rtHex:
            Bytes(item, text);
            break;
        default:
            Copy(item);
            break;
        }
    }

    // The output is at the start of a group whose name went: what the token wrote until now was
    // the group's start, not its content.
    void StartAfterName() {
        FAtStart = true;
        FTokenAt = FOut.size();
    }

    static bool NamesGroup(std::string_view word) {
        return NamesDestination(word) || word == "field" || word == "fldrslt";
    }

    void Open() {
        const TRole parent = FGroups.Top();
        FGroups.Push();
        if (parent == TRole::Field) {
            FGroups.Set(TRole::FieldPart);
        } else if (Dropping()) {
            FGroups.Set(TRole::Undecided);
        } else {
            FGroups.Set(TRole::Plain);
            FOpenedAt = FOut.size();
            FOut += '{';
        }
        FGroupStart = true;
    }

    // A group of a field, or in a group that goes, goes when its text is not shown (the
    // instruction); a result loses its name; any other group, a nested field too, stays as it is,
    // as a reader shows its text.
    void Decide(const TRtfItem& item, bool start, bool hidden) {
        const bool word = start && item.Kind == TRtfToken::rtWord;
        if (word && item.Name == "fldrslt" && FGroups.Top() == TRole::FieldPart) {
            FGroups.Set(TRole::Result);
            TField& field = FFields.back();
            if (FOut.size() == field.BraceAt + 1) { // nothing shown in the field before it
                field.Sharing = true;
                FOpenedAt = field.BraceAt;
                return;
            }
        } else if (!hidden || (word && item.Name == "fonttbl")) { // the fonts are the whole document's
            FGroups.Set(TRole::Plain);
        } else {
            FGroups.Set(TRole::Dropped);
            return;
        }
        FOpenedAt = FOut.size();
        FOut += '{';
        FAtStart = false; // at the start of a group of its own, with its own name
    }

    void Word(const TRtfItem& item, bool start) {
        const std::string_view name = item.Name;
        // The code page a reader takes for the whole document stays, wherever it was said.
        FDocumentWide = Dropping() && (name == "urtf" || name == "ansicpg");
        if (Dropping()) return;
        if (start && FGroups.Size() > 2 && name == "field") {
            FOut.resize(FOpenedAt + 1); // its name goes, and a \* before it
            FGroups.Set(TRole::Field);
            FFields.push_back({FOpenedAt});
            StartAfterName();
            AddChange(FResult.Changes, L"des champs ont été remplacés par leur texte");
            return;
        }
        if (start && FGroups.Top() == TRole::Result && name == "fldrslt") {
            // The result's formatting stays; the word that names it goes, and a \* before it.
            FOut.resize(FOpenedAt + 1);
            StartAfterName();
            return;
        }
        if (name == "urtf") FUtf8 = true;
        if (name == "bin") FBinaryWordAt = FOut.size();
        if ((name == "ansicpg" || name == "cpg") && item.HasValue) {
            if (!ControlReads(item.Value)) {
                Rewrite(name, FControlPage);
                AddChange(FResult.Changes,
                          L"une page de code inconnue a été remplacée par celle du document");
                return;
            }
            if (name == "ansicpg") FControlPage = item.Value;
        }
        if (item.HasValue && name != "bin") {
            const auto [low, high] = WriterRange(name);
            if (item.Value < low || item.Value > high) {
                Rewrite(name, std::clamp(item.Value, low, high));
                AddChange(FResult.Changes, L"des valeurs hors des limites ont été ramenées dans les limites");
                return;
            }
        }
        Copy(item);
    }

    void Binary(const TRtfItem& item) {
        if (item.Name.size() < static_cast<size_t>(item.Value)) {
            // Cut in its data: the picture cannot be read.
            if (FBinaryWordAt != std::string::npos) FOut.resize(FBinaryWordAt);
            AddChange(FResult.Changes, L"le fichier est coupé avant sa fin");
        } else if (!Dropping()) {
            FOut += item.Name;
        }
        FBinaryWordAt = std::string::npos;
    }

    // Text in a code page the control does not read goes as the characters it stands for.
    void Bytes(const TRtfItem& item, const TRtfText& text) {
        if (Dropping()) return;
        const unsigned page = FReading.CodePage();
        if (!text.Shown || text.Bytes.empty() || FUtf8 || ControlReadsPage(page)) return Copy(item);
        if (item.Kind == TRtfToken::rtText) // the fallback characters it starts with stay
            FOut.append(item.Name.substr(0, item.Name.size() - text.Bytes.size()));
        FPending += text.Bytes;
        FPendingPage = page;
        FPendingFallbacks = FReading.Fallbacks();
        if (FPending.size() >= kTextPart) {
            const size_t split = SplitAfter(text.Bytes, page);
            if (split != std::string_view::npos) Write(FPending.size() - text.Bytes.size() + split);
        }
    }

    // Asked of the system once for each run of text in the same code page.
    bool ControlReadsPage(unsigned page) {
        if (page != FAskedPage) {
            FAskedPage = page;
            FControlReadsAsked = ControlReads(page);
        }
        return FControlReadsAsked;
    }

    void Flush() {
        Write(FPending.size());
    }

    // The first `part` bytes gathered, as the characters they stand for.
    void Write(size_t part) {
        if (part == 0) return;
        AddChange(FResult.Changes, L"du texte d'une page de code que la zone de texte ne lit pas a été écrit "
                                   L"en Unicode");
        FUnits.clear();
        AppendInCodePage(FUnits, FPendingPage, std::string_view(FPending).substr(0, part));
        FPending.erase(0, part);
        for (const wchar_t unit : FUnits) {
            if (unit == L'\\' || unit == L'{' || unit == L'}') FOut += '\\';
            if (unit < 0x80) {
                FOut += static_cast<char>(unit);
                continue;
            }
            FOut += "\\u";
            FOut += std::to_string(static_cast<int16_t>(unit));
            if (FPendingFallbacks == 0)
                FOut += ' ';
            else
                FOut.append(static_cast<size_t>(FPendingFallbacks), '?');
        }
    }

    void Copy(const TRtfItem& item) {
        if (!Dropping()) FOut.append(FRtf.substr(item.Start, item.End - item.Start));
    }

    void Rewrite(std::string_view name, int64_t value) {
        FOut += '\\';
        FOut += name;
        FOut += std::to_string(value);
        FOut += ' ';
    }

    // `skipping` and `fallbacks`: as the reading had them before the brace.
    void Close(int skipping = 0, int fallbacks = 1) {
        if (FGroups.Size() <= 1) { // a brace that closes nothing
            FOut += '}';
            return;
        }
        const TRole role = FGroups.Top();
        FGroups.Pop();
        if (role == TRole::Result && FFields.back().Sharing) {
            FFields.back().Sharing = false; // the field's brace closes it, or "}{" before more
            FFields.back().ShareEnded = true;
        } else if (role == TRole::Plain || role == TRole::Result || role == TRole::Field) {
            FOut += '}';
            if (role == TRole::Field) FFields.pop_back();
        }
        if (FGroups.Size() > 1) return;
        FClosedAt = FOut.size() - 1;
        // Text that goes inside must not be skipped as the fallback of a \u before the brace, nor
        // read with the document's fallback count rather than the one outside it.
        FReopenWith = skipping > 0 ? "{}" : "";
        if (fallbacks != FReading.Fallbacks()) FReopenWith += "\\uc" + std::to_string(FReading.Fallbacks());
        FReopenWith += "\r\n"; // not nothing: a control word before it must not run into the text
    }

    // More after the document's closing brace: it goes inside.
    void Reopen() {
        FOut.replace(FClosedAt, 1, FReopenWith);
        FClosedAt = std::string::npos;
        FGroups.Push();
        FGroups.Set(TRole::Plain);
        FReopened = true;
        AddChange(FResult.Changes, L"du texte après la fin du document a été repris dedans");
    }

    std::string_view FRtf;
    TRtfReading FReading;
    std::string FOut;
    TRtfGroups<TRole> FGroups{TRole::Plain};
    bool FGroupStart = false;
    size_t FOpenedAt = 0;      // the last group's brace in the output, while the group is at its start
    bool FAtStart = false;     // the output is at the start of a group whose name went
    bool FDocumentWide = false; // the word is written even where its group goes
    std::vector<TField> FFields;
    size_t FTokenAt = 0; // where the output of the token being taken starts
    size_t FWordEnd = std::string::npos; // the output ends in a word without its blank
    std::string_view FWordEndsWith;
    bool FUtf8 = false;        // the control's own UTF-8 form, which it reads whole
    int64_t FControlPage = 1252;
    unsigned FAskedPage = 0;
    bool FControlReadsAsked = false;
    size_t FBinaryWordAt = std::string::npos;
    size_t FClosedAt = std::string::npos; // the document's closing brace in the output
    std::string FReopenWith;
    bool FReopened = false; // the document was closed before its text ended
    std::string FPending;   // shown text in a code page the control does not read
    unsigned FPendingPage = 0;
    int FPendingFallbacks = 1;
    std::wstring FUnits;
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
