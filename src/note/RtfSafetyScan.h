#pragma once
// A pass over the document's bytes before the rich-text control reads them, through the
// program's own RTF reading (RtfLexer.h). Some files make the control's reader fault and take the
// whole program down with it, at every start: groups nested too deep, a control word or a name in
// the font table or style sheet that overruns its buffers, a file that is nothing but a
// byte-order mark. Those are refused here. The same pass reads the text the document holds, so a
// load that shows less of it than the file holds is caught.
#include <cstddef>
#include <string>
#include <string_view>

struct TDocumentFigures {
    bool Rtf = false; // the bytes are read as RTF (they start as RTF does)
    bool OnlyByteOrderMark = false;
    int GroupDepth = 0;           // deepest nesting of groups, the outermost one counted
    size_t ControlWordLength = 0; // letters of the longest control word
    size_t ParameterLength = 0;   // characters of the longest numeric parameter, sign included
    size_t TableTextLength = 0;   // longest run of text in the font table or the style sheet
    bool HoldsText = false;       // a visible character of the document's body
    // The document's text as a reader that knows the whole format shows it: the body, field
    // results, footnotes, headers, annotations, text in shapes and after the closing brace.
    std::wstring Text;
    int OpenAtEnd = 0;      // groups still open where the bytes end
    bool BinaryCut = false; // \bin data that runs past the end
};

// The limits a document must stay within. Under Wine the control's reader faults from a depth of
// 33, a control word or parameter of about 1,030 characters and a font or style name of 1,048;
// writers stay near depth 10, words of 32 letters, parameters of 11 characters and names of 31.
// The limits sit far from both, so where the control has no such fault no real note is refused.
struct TRtfLimits {
    static constexpr int GroupDepth = 24;
    // Before the rewriting (ForeignNote.h), which folds each field with its result into one group
    // and so can take a document down to half its depth, no further: a document deeper than this
    // would be refused after it all the same, and is refused before the rewriting works on it.
    static constexpr int RewriteDepth = 2 * GroupDepth;
    static constexpr size_t ControlWordLength = 128;
    static constexpr size_t ParameterLength = 64;
    static constexpr size_t TableTextLength = 256;
};

TDocumentFigures MeasureDocument(std::string_view bytes);
// False when the control must not be given these bytes.
bool SafeForControl(const TDocumentFigures& figures);
// The characters of `text` that show as more than blank space.
size_t VisibleCharacters(std::wstring_view text);
