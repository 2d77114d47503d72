#include "note/NotePrepare.h"

#include "note/CodePages.h"
#include "note/ForeignNote.h"
#include "note/RtfSafetyScan.h"

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
    // Only closing braces and white space may follow the mark.
    size_t end = rtf.size();
    while (end > 0 && (rtf[end - 1] == '}' || isspace(static_cast<unsigned char>(rtf[end - 1]))))
        --end;
    if (end < 4 || rtf.compare(end - 4, 4, "\\par") != 0) return rtf;
    const size_t mark = end - 4;
    // "\\par" is an escaped backslash followed by letters, not the control word.
    size_t backslashes = 0;
    while (mark > backslashes && rtf[mark - 1 - backslashes] == '\\')
        ++backslashes;
    if (backslashes % 2 != 0) return rtf;
    // The space that ends the word goes with it: left alone it would become text.
    const size_t after = end < rtf.size() && rtf[end] == ' ' ? end + 1 : end;
    rtf.erase(mark, after - mark); // in place: only what follows the mark moves
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
