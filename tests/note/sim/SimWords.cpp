#include "note/sim/SimWords.h"

namespace {

bool Letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool Digit(char c) {
    return c >= '0' && c <= '9';
}

bool SimWord(std::string_view token) {
    size_t letters = 0;
    while (letters < token.size() && Letter(token[letters]))
        ++letters;
    const std::string_view head = token.substr(0, letters);
    if (letters == token.size() || (head != "u" && head != "o" && head != "poison" && head != "garbled"))
        return false;
    for (size_t i = letters; i < token.size(); ++i)
        if (!Digit(token[i])) return false;
    return true;
}

} // namespace

std::vector<std::string> WordsIn(std::string_view bytes) {
    std::vector<std::string> words;
    for (size_t i = 0; i < bytes.size();) {
        if (bytes[i] == '\\') {
            // A control word and its number are the writer's, never the note's text.
            for (++i; i < bytes.size() && Letter(bytes[i]); ++i) {
            }
            if (i < bytes.size() && bytes[i] == '-') ++i;
            while (i < bytes.size() && Digit(bytes[i]))
                ++i;
            continue;
        }
        if (!Letter(bytes[i]) && !Digit(bytes[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < bytes.size() && (Letter(bytes[i]) || Digit(bytes[i])))
            ++i;
        const std::string_view token = bytes.substr(start, i - start);
        if (SimWord(token)) words.emplace_back(token);
    }
    return words;
}

std::string StoredFormOf(const std::vector<std::string>& words) {
    std::string rtf = "{\\rtf1 ";
    for (size_t i = 0; i < words.size(); ++i)
        rtf += (i ? " " : "") + words[i];
    return rtf + "}";
}
