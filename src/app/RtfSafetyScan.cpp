#include "app/RtfSafetyScan.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool StartsAsRtf(std::string_view bytes) {
    const size_t start = std::min(bytes.find_first_not_of(" \t\r\n"), bytes.size());
    const std::string_view rest = bytes.substr(start);
    return rest.starts_with("{\\rtf") || rest.starts_with("{\\urtf");
}

// Groups whose content is never shown as the document's text.
bool IsHiddenDestination(std::string_view word) {
    static constexpr std::array<std::string_view, 14> kHidden = {
        "fonttbl", "colortbl", "stylesheet", "info",    "pict",   "listtable", "listoverridetable",
        "revtbl",  "filetbl",  "rsidtbl",    "fldinst", "pntext", "pn",        "xmlnstbl"};
    return std::find(kHidden.begin(), kHidden.end(), word) != kHidden.end();
}

// Control words that stand for a visible character.
bool IsCharacterWord(std::string_view word) {
    static constexpr std::array<std::string_view, 8> kCharacters = {
        "u", "bullet", "emdash", "endash", "lquote", "rquote", "ldblquote", "rdblquote"};
    return std::find(kCharacters.begin(), kCharacters.end(), word) != kCharacters.end();
}

class TRtfScanner {
public:
    explicit TRtfScanner(std::string_view bytes) : FBytes(bytes) { FGroups.push_back({true, false}); }

    void Run(TDocumentFigures& figures) {
        while (FAt < FBytes.size()) {
            const char c = FBytes[FAt++];
            if (c == '{') {
                OpenGroup(figures);
            } else if (c == '}') {
                CloseGroup();
            } else if (c == '\\') {
                Control(figures);
            } else if (c == '\r' || c == '\n') {
                // Line breaks in RTF are not part of the text and do not end a run.
            } else {
                if (c == ';' && FGroups.back().Table)
                    FRun = 0; // the end of one entry
                else
                    Text(figures, !IsBlank(c));
                FGroupStart = false;
            }
        }
    }

private:
    struct TGroup {
        bool Hidden; // its text is not shown
        bool Table;  // inside the font table or the style sheet
    };

    void OpenGroup(TDocumentFigures& figures) {
        TGroup group = FGroups.back();
        if (FGroups.size() == 1) group.Hidden = false; // the document's own group
        FGroups.push_back(group);
        figures.GroupDepth = std::max(figures.GroupDepth, static_cast<int>(FGroups.size() - 1));
        FGroupStart = true;
        FRun = 0;
    }

    void CloseGroup() {
        if (FGroups.size() > 1) FGroups.pop_back();
        FGroupStart = false;
        FRun = 0;
    }

    void Control(TDocumentFigures& figures) {
        if (FAt >= FBytes.size()) return;
        if (!IsLetter(FBytes[FAt])) {
            Symbol(figures, FBytes[FAt++]);
            return;
        }
        const size_t nameStart = FAt;
        while (FAt < FBytes.size() && IsLetter(FBytes[FAt]))
            ++FAt;
        const std::string_view name = FBytes.substr(nameStart, FAt - nameStart);
        const size_t parameterStart = FAt;
        if (FAt < FBytes.size() && FBytes[FAt] == '-') ++FAt;
        while (FAt < FBytes.size() && IsDigit(FBytes[FAt]))
            ++FAt;
        const std::string_view parameter = FBytes.substr(parameterStart, FAt - parameterStart);
        if (FAt < FBytes.size() && FBytes[FAt] == ' ') ++FAt;

        figures.ControlWordLength = std::max(figures.ControlWordLength, name.size());
        figures.ParameterLength = std::max(figures.ParameterLength, parameter.size());
        FRun = 0;
        TGroup& group = FGroups.back();
        if (FGroupStart && IsHiddenDestination(name)) group.Hidden = true;
        if (FGroupStart && (name == "fonttbl" || name == "stylesheet")) group.Table = true;
        FGroupStart = false;
        if (!group.Hidden && IsCharacterWord(name)) figures.HoldsText = true;
        if (name == "bin") SkipBinary(figures, parameter);
    }

    void Symbol(TDocumentFigures& figures, char symbol) {
        if (symbol == '*') {
            if (FGroupStart) FGroups.back().Hidden = true;
            return; // the destination's name follows
        }
        FGroupStart = false;
        if (symbol == '\'') {
            FAt = std::min(FAt + 2, FBytes.size()); // two hex digits: one character
            Text(figures, true);
        } else if (symbol == '{' || symbol == '}' || symbol == '\\' || symbol == '~' || symbol == '_') {
            Text(figures, true);
        } else {
            FRun = 0;
        }
    }

    void Text(TDocumentFigures& figures, bool visible) {
        const TGroup& group = FGroups.back();
        if (group.Table) figures.TableTextLength = std::max(figures.TableTextLength, ++FRun);
        if (visible && !group.Hidden) figures.HoldsText = true;
    }

    // The control's reader does not skip binary data as the format says: the braces in it open
    // and close groups for its depth all the same, so they count here too.
    void SkipBinary(TDocumentFigures& figures, std::string_view parameter) {
        size_t count = 0;
        for (char digit : parameter) {
            if (!IsDigit(digit)) return; // a negative count skips nothing
            count = std::min(count * 10 + static_cast<size_t>(digit - '0'), FBytes.size());
        }
        const size_t end = std::min(FAt + count, FBytes.size());
        int depth = static_cast<int>(FGroups.size() - 1);
        for (; FAt < end; ++FAt) {
            if (FBytes[FAt] == '{') figures.GroupDepth = std::max(figures.GroupDepth, ++depth);
            if (FBytes[FAt] == '}') --depth;
        }
    }

    std::string_view FBytes;
    size_t FAt = 0;
    std::vector<TGroup> FGroups;
    bool FGroupStart = false; // the next token is the first of a group
    size_t FRun = 0;          // text characters since the last break in a table
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
