#include "note/NotePrepare.h"

#include "note/CodePages.h"
#include "note/ForeignNote.h"
#include "note/RtfLexer.h"
#include "note/RtfSafetyScan.h"

#include <algorithm>
#include <cctype>
#include <utility>

std::string PrepareForEditor(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 32);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\0') continue;
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string WithoutFinalParagraphMark(std::string rtf) {
    if (rtf.rfind("{\\rtf", 0) != 0) return rtf;
    // Only closing braces and blanks may follow the mark; read as the format reads it, so that
    // letters in binary data or after an escaped backslash are no mark.
    size_t mark = std::string::npos, end = 0;
    TRtfLexer lexer(rtf);
    for (TRtfItem item = lexer.Next(); item.Kind != TRtfToken::rtEnd; item = lexer.Next()) {
        const bool blank = item.Kind == TRtfToken::rtText &&
                           std::all_of(item.Name.begin(), item.Name.end(),
                                       [](char c) { return isspace(static_cast<unsigned char>(c)) != 0; });
        if (item.Kind == TRtfToken::rtClose || item.Kind == TRtfToken::rtBreak || blank) continue;
        const bool par = item.Kind == TRtfToken::rtWord && item.Name == "par" && !item.HasValue;
        mark = par ? item.Start : std::string::npos;
        end = item.End; // with the blank that ends the word: left alone it would become text
    }
    if (mark != std::string::npos) rtf.erase(mark, end - mark); // in place: only what follows moves
    return rtf;
}

std::wstring TextOfNote(const std::string& bytes) {
    const std::string prepared = PrepareForEditor(FromByteOrder(bytes));
    const TDocumentFigures figures = MeasureDocument(prepared);
    if (figures.Rtf) return figures.Text;
    std::wstring text(prepared.size(), L'\0');
    text.resize(static_cast<size_t>(CodePages::ToWide(CodePages::Ansi(), false, prepared.data(),
                                                      static_cast<int>(prepared.size()), text.data(),
                                                      static_cast<int>(text.size()))));
    return text;
}

TPreparedNote PrepareNote(const std::string& bytes, bool withoutFinalMark) {
    TPreparedNote note;
    const std::string prepared = PrepareForEditor(FromByteOrder(bytes));
    // What the file holds, read by the program itself: the measure of what the control shows.
    const TDocumentFigures held = MeasureDocument(prepared);
    note.Rtf = held.Rtf;
    note.HeldText = held.Text;
    if (held.Rtf && held.GroupDepth > TRtfLimits::RewriteDepth) {
        note.Safe = false;
        note.HoldsText = held.HoldsText;
        return note;
    }
    TNoteForControl rewritten = held.Rtf ? RewriteForControl(prepared) : TNoteForControl{prepared, {}};
    note.Data = withoutFinalMark ? WithoutFinalParagraphMark(std::move(rewritten.Bytes))
                                 : std::move(rewritten.Bytes);
    note.Changes = std::move(rewritten.Changes);
    const TDocumentFigures figures = MeasureDocument(note.Data);
    note.Safe = SafeForControl(figures);
    note.HoldsText = figures.HoldsText;
    return note;
}
