#pragma once
// A three-way merge of two edits of one note's text: what the file held when the editor was last
// in step with it (the base), the editor (ours) and the file now (theirs). Paragraphs are matched
// to the base; where only one side changed a stretch, its change is taken, and where both changed
// it alike, once. A paragraph both sides changed is merged again word by word. Only a stretch of
// words both changed differently is a conflict: ours is kept there, and the merge says so.
//
// The merge is given as splices of ours, each taking stretches of theirs, so that the editor can
// carry them out on its own text and keep each side's formatting.
#include <string>
#include <vector>

// A stretch theirs[From, To) of their text, or a character of the merge's own: a paragraph mark
// or a blank between two words typed at one place.
struct TTheirPart {
    size_t From = 0, To = 0;
    wchar_t Own = 0;
    bool operator==(const TTheirPart&) const = default;
};

// ours[At, At + Length) becomes the parts, in order.
struct TSplice {
    size_t At = 0, Length = 0;
    std::vector<TTheirPart> Parts;
    bool operator==(const TSplice&) const = default;
};

struct TTextMerge {
    std::vector<TSplice> Splices; // in order, none overlapping
    // False when both sides changed the same words differently (ours was kept there).
    bool Clean = true;
};

// The look of each paragraph of each side apart from its text (see ParagraphLooks.h): with them a
// paragraph whose formatting changed is a change though its text is the same. Ignored unless each
// side has one for each of its paragraphs.
struct TParagraphLooks {
    std::vector<std::string> Base, Ours, Theirs;
};

// Texts as the control gives them: paragraphs ended by '\r', the last one by nothing. A paragraph
// whose formatting only theirs changed comes whole from theirs; where theirs changed the formatting
// of a paragraph ours edited, ours stands and the merge is not clean.
TTextMerge MergeTexts(const std::wstring& base, const std::wstring& ours, const std::wstring& theirs,
                      const TParagraphLooks* looks = nullptr);

// For a version whose common ancestor with ours is not known (a sync engine's copy): whatever
// theirs holds that ours lacks goes in where it stands in theirs, and nothing of ours goes out.
TTextMerge UniteTexts(const std::wstring& ours, const std::wstring& theirs);

// What the splices make of ours.
std::wstring Spliced(const std::wstring& ours, const std::wstring& theirs,
                     const std::vector<TSplice>& splices);

// Where a position in ours is once the splices are made: moved by what went in or out before it;
// inside a stretch that was replaced, at the end of what replaced it.
size_t MovedBy(size_t at, const std::vector<TSplice>& splices);

// A paragraph's words and the blanks between them, in order: joined, they give it back.
std::vector<std::wstring> WordsAndBlanks(const std::wstring& paragraph);
