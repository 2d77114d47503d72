#pragma once
// The simulation's note is a run of unique words: "u<n>" typed by the user, "o<n>" written by
// another program, "poison<n>" that makes the editor control crash, "garbled<n>" that makes it
// refuse the file. Any file's words are found whatever else the writer put around them.
#include <set>
#include <string>
#include <string_view>
#include <vector>

// The simulation's words in `bytes`, in order; RTF control words are skipped.
std::vector<std::string> WordsIn(std::string_view bytes);

inline std::set<std::string> WordSet(std::string_view bytes) {
    const std::vector<std::string> words = WordsIn(bytes);
    return {words.begin(), words.end()};
}

inline bool IsPoison(const std::string& word) {
    return word.rfind("poison", 0) == 0;
}
inline bool IsGarbled(const std::string& word) {
    return word.rfind("garbled", 0) == 0;
}

// "{\rtf1 " + the words + "}": the form the model editor stores.
std::string StoredFormOf(const std::vector<std::string>& words);
