#pragma once
// The program's own reading of RTF, one token at a time: groups, control words with their
// parameters, control symbols, \'hh bytes, the raw data of \binN and runs of plain text; and what
// each token means for the text shown. The safety scan and the rewritings before a load read the
// document through it, so they agree on where a token starts and ends and on the text it holds.
// No window: only bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class TRtfToken {
    rtOpen,   // {
    rtClose,  // }
    rtWord,   // \name or \nameN, with the blank that ends it
    rtSymbol, // \ and one character that is not a letter (\{ \} \\ \~ \- \* ...)
    rtHex,    // \'hh: one byte of the document's code page
    rtBinary, // the raw bytes after \binN
    rtText,   // plain characters, up to the next brace, backslash or line break
    rtBreak,  // CR or LF: not part of the text
    rtEnd,
};

struct TRtfItem {
    TRtfToken Kind = TRtfToken::rtEnd;
    size_t Start = 0, End = 0;  // where the token lies in the bytes
    std::string_view Name;      // a word's letters; a symbol's character; the text; the data
    std::string_view Parameter; // a word's digits with their sign, as written
    bool HasValue = false;      // the word has a parameter
    int64_t Value = 0;          // its value, held within +-10^15 whatever the digits
    uint8_t Byte = 0;           // an \'hh byte's value
};

class TRtfLexer {
public:
    explicit TRtfLexer(std::string_view bytes) : FBytes(bytes) {}
    TRtfItem Next();
    size_t At() const { return FAt; }

private:
    std::string_view FBytes;
    size_t FAt = 0;
    size_t FBinaryLeft = 0; // bytes of \bin data the next token holds
    bool FBinaryNext = false;
};

bool IsRtfLetter(char c);
// True when the bytes start as an RTF document does (after blanks).
bool StartsAsRtf(std::string_view bytes);

// A token that gives the text bytes in the code page: plain text, \'hh, \{ \} and \\. Bytes of
// one character may lie in several of them; any other token but a line break ends the character.
bool CarriesTextBytes(const TRtfItem& item);
// A word that names a group whose text is hidden, or shown apart from the body, when it starts it.
bool NamesDestination(std::string_view word);
// A code page the platform converts: only such a \ansicpgN changes how the bytes read.
bool ReadableCodePage(int64_t value);
// `bytes` in `codePage` appended to `text` as UTF-16 units; one character a byte where the
// platform lacks the code page.
void AppendInCodePage(std::wstring& text, unsigned codePage, std::string_view bytes);
// Text bytes are gathered until a token ends the characters they make, which a note of only
// text never does: past this many, they are read in parts (SplitAfter), so that the reading
// works on pieces that stay in the processor's caches however long the run (and fuzzing reaches).
constexpr size_t kTextPart = 4096;
// Where a run of bytes in `codePage`, of which `added` are the last, can be read in two parts
// that read as the whole does: the length of `added` up to its last byte below '0', which no
// character of UTF-8, GB18030 or a code page of one or two bytes has inside it; npos where
// `added` has none, or the code page keeps a state from one byte to the next.
size_t SplitAfter(std::string_view added, unsigned codePage);

// The state of each open group, innermost last, the bottom one standing for outside the document.
// A run of groups in the same state is one entry: however deep the nesting, memory goes only to
// the groups that change something.
template <typename T> class TRtfGroups {
public:
    explicit TRtfGroups(const T& bottom = {}) { FRuns.push_back({bottom, 1}); }
    const T& Top() const { return FRuns.back().State; }
    size_t Size() const { return FSize; }
    // A new group, in its parent's state.
    void Push() {
        ++FRuns.back().Count;
        ++FSize;
    }
    // The bottom one stays.
    void Pop() {
        if (FSize == 1) return;
        if (--FRuns.back().Count == 0) FRuns.pop_back();
        --FSize;
    }
    // The innermost group's state.
    void Set(const T& state) {
        if (state == Top()) return;
        if (FRuns.back().Count > 1) {
            --FRuns.back().Count;
            FRuns.push_back({state, 1});
        } else if (FRuns.size() > 1 && FRuns[FRuns.size() - 2].State == state) {
            FRuns.pop_back();
            ++FRuns.back().Count;
        } else {
            FRuns.back().State = state;
        }
    }

private:
    struct TRun {
        T State;
        size_t Count;
    };
    std::vector<TRun> FRuns;
    size_t FSize = 1;
};

// What a token adds to the text a reader of the whole format shows.
struct TRtfText {
    // Bytes in the code page of the reading (CodePage()): a run of text past the fallback
    // characters it skips, a quoted byte, an escaped brace or backslash.
    std::string_view Bytes;
    wchar_t Character = 0; // a character of its own: \uN, a paragraph or tab mark, a named one
    bool Shown = false;    // false: the token lies in a group whose text is not shown
};

// The state of the reading from one token to the next: the groups whose text is hidden, the
// fallback characters after \uN still to skip, the code page the text's bytes are in.
class TRtfReading {
public:
    TRtfText Take(const TRtfItem& item);

    // Of the group the next token lies in.
    unsigned CodePage() const;
    int Fallbacks() const { return FGroups.Top().Fallbacks; } // characters after each \uN
    bool InTable() const { return FGroups.Top().Table; }      // the font table or style sheet
    int Skipping() const { return FSkip; }                    // fallback characters still to skip
    bool Hidden() const { return FGroups.Top().Hidden; }      // the group's text is not shown
    size_t Depth() const { return FGroups.Size() - 1; }

private:
    struct TGroup {
        bool Hidden = false;   // its text is not shown
        bool Table = false;    // inside the font table or the style sheet
        bool Fonts = false;    // inside the font table
        int Fallbacks = 1;     // as \ucN sets it
        unsigned CodePage = 0; // the current font's, when it names one; else the document's
        bool operator==(const TGroup&) const = default;
    };
    TRtfText Word(const TRtfItem& item);
    TRtfText Symbol(char symbol);
    void Font(TGroup& group, int64_t font);

    TRtfGroups<TGroup> FGroups;
    bool FGroupStart = false; // the next token is the first of a group
    bool FStarHides = false;  // the group is hidden only for the \* at its start
    int FSkip = 0;
    unsigned FCodePage = 1252;
    std::unordered_map<int64_t, unsigned> FFontPages; // of each font that names a character set
    int64_t FDefinedFont = -1;
    char FByte = 0; // the quoted byte the last token gave
};
