#include "note/ParagraphLooks.h"

#include "note/RtfLexer.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

bool Is(const TRtfItem& item, std::string_view name) {
    return item.Kind == TRtfToken::rtWord && item.Name == name;
}

// Words that name a colour of the colour table by its place.
bool NamesColour(std::string_view word) {
    return word == "cf" || word == "cb" || word == "highlight" || word == "chcbpat" || word == "cbpat" ||
           word == "cfpat" || word == "brdrcf";
}

std::string Trimmed(std::string name) {
    while (!name.empty() && (name.back() == ';' || name.back() == ' '))
        name.pop_back();
    return name.substr(std::min(name.find_first_not_of(' '), name.size()));
}

} // namespace

std::vector<std::string> ParagraphLooks(std::string_view rtf) {
    // The control ends what it writes with a NUL, which is no text.
    while (!rtf.empty() && rtf.back() == '\0')
        rtf.remove_suffix(1);
    std::map<int64_t, std::string> fonts;
    std::vector<std::string> colours;
    std::vector<std::string> looks;
    std::string look, colour = "auto";
    int64_t font = 0;
    // The depth of the group being skipped or read as a table, 0 for none.
    int depth = 0, tableAt = 0, skipAt = 0;
    enum { tbNone, tbFonts, tbColours } table = tbNone;
    bool groupStart = false, braceKept = false;
    // The document's own words before its first paragraph are no paragraph's look.
    bool body = false, text = false;
    TRtfLexer lexer(rtf);
    for (TRtfItem item = lexer.Next(); item.Kind != TRtfToken::rtEnd; item = lexer.Next()) {
        const bool atStart = groupStart;
        groupStart = false;
        if (item.Kind == TRtfToken::rtOpen) {
            ++depth;
            groupStart = true;
            braceKept = !skipAt && !tableAt && body;
            if (braceKept) look += '{';
            continue;
        }
        if (item.Kind == TRtfToken::rtClose) {
            if (depth == skipAt) skipAt = 0;
            if (depth == tableAt) tableAt = 0, table = tbNone;
            if (!skipAt && !tableAt && body && depth > 1) look += '}';
            --depth;
            continue;
        }
        if (skipAt) continue;
        if (tableAt) {
            if (table == tbFonts && Is(item, "f")) font = item.Value;
            if (table == tbFonts && item.Kind == TRtfToken::rtText) fonts[font] += std::string(item.Name);
            if (table == tbColours && item.Kind == TRtfToken::rtWord &&
                (item.Name == "red" || item.Name == "green" || item.Name == "blue"))
                colour = (colour == "auto" ? "" : colour + ",") + std::to_string(item.Value);
            if (table == tbColours && item.Kind == TRtfToken::rtText)
                for (char c : item.Name)
                    if (c == ';') colours.push_back(std::exchange(colour, "auto"));
            continue;
        }
        if (atStart && (Is(item, "fonttbl") || Is(item, "colortbl"))) {
            tableAt = depth;
            table = Is(item, "fonttbl") ? tbFonts : tbColours;
            if (braceKept) look.pop_back(); // the brace that opened it
            continue;
        }
        if (atStart && ((item.Kind == TRtfToken::rtSymbol && item.Name == "*") ||
                        (item.Kind == TRtfToken::rtWord && NamesDestination(item.Name)))) {
            skipAt = depth;
            if (braceKept) look.pop_back();
            continue;
        }
        if (item.Kind != TRtfToken::rtWord || item.Name == "u") {
            // The text itself.
            if (item.Kind != TRtfToken::rtBreak) body = text = true;
            continue;
        }
        if (item.Name == "par") {
            looks.push_back(std::exchange(look, {}));
            body = true;
            text = false;
            continue;
        }
        body = body || item.Name == "pard";
        if (!body) continue;
        look += '\\';
        look += item.Name;
        if (item.Name == "f" && item.HasValue) {
            const auto found = fonts.find(item.Value);
            look += '=' + (found == fonts.end() ? std::string(item.Parameter) : Trimmed(found->second));
        } else if (NamesColour(item.Name) && item.HasValue) {
            const auto at = static_cast<size_t>(item.Value);
            look +=
                '=' + (item.Value >= 0 && at < colours.size() ? colours[at] : std::string(item.Parameter));
        } else {
            look += item.Parameter;
        }
        look += ' ';
    }
    // What follows the last mark is a paragraph only when it holds text.
    if (text) looks.push_back(look);
    return looks;
}
