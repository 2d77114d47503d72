#pragma once
// The merge's own workings, shared by the files it is written in: sequences of paragraphs or of
// words and blanks, their alignment to the base, and the three-way merge of two of them into
// stretches of ours and theirs. Not for the merge's callers (see ThreeWayMerge.h).
#include "note/ThreeWayMerge.h"

#include <string_view>
#include <vector>

namespace merge {

// A sequence to merge: its items (paragraphs, or words and blanks), where each starts in its
// side's text, and which side that is.
struct TSeq {
    std::vector<std::wstring_view> Items;
    std::vector<size_t> At;
    bool Theirs = false;
    const std::vector<std::string>* Looks = nullptr; // of paragraphs, when known
    bool LookOf(size_t i, const TSeq& other, size_t j) const {
        return !Looks || !other.Looks || (*Looks)[i] == (*other.Looks)[j];
    }
    void Add(std::wstring_view item, size_t at) {
        Items.push_back(item);
        At.push_back(at);
    }
};

// A stretch of the merged text: ours or theirs [From, To); a character of the merge's own.
struct TSeg {
    bool Theirs = false;
    size_t From = 0, To = 0;
    wchar_t Own = 0;
    bool EndsInWord = false;
};

struct TOut {
    std::vector<TSeg> Segs;
    bool Clean = true;
    void Emit(const TSeq& side, size_t item);
};

// Paragraphs, each with its mark; the text is given its last mark, which the control keeps to
// itself, so that every paragraph ends alike.
TSeq Paragraphs(const std::wstring& text, bool theirs);
// The words and blanks of a stretch that starts at `at` in its side's text; each paragraph mark is
// an item of its own.
TSeq Words(std::wstring_view paragraph, size_t at, bool theirs);

// How each item of `base` stays in `other`: Match, the index of the item it is equal to, or Pair,
// of the one it was edited into (-1: neither).
struct TAlignment {
    std::vector<long> Match, Pair;
};
// Items equal in `base` and `other`, in order (no pairing of edited paragraphs).
TAlignment EqualItems(const TSeq& base, const TSeq& other);

bool SharesAWord(std::wstring_view a, std::wstring_view b);

// Paragraphs merged, and the paragraphs both changed merged again word by word: the stretches of
// the merged text, in order.
TOut MergedParagraphs(const std::wstring& base, const std::wstring& ours, const std::wstring& theirs,
                      const TParagraphLooks* looks = nullptr);

} // namespace merge
