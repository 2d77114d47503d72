#include "note/NoteLoad.h"

#include "note/ForeignNote.h"
#include "note/RtfSafetyScan.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

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

std::string WithoutFinalParagraphMark(const std::string& rtf) {
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
    return rtf.substr(0, mark) + rtf.substr(end);
}

std::wstring TextOfNote(const std::string& bytes) {
    const std::string prepared = PrepareForEditor(FromByteOrder(bytes));
    const TDocumentFigures figures = MeasureDocument(prepared);
    if (figures.Rtf) return figures.Text;
    std::wstring text(prepared.size(), L'\0');
    text.resize(
        static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, prepared.data(), static_cast<int>(prepared.size()),
                                                text.data(), static_cast<int>(text.size()))));
    return text;
}

TLoadResult LoadIntoEditor(TNoteEditor& editor, const std::string& bytes, TLoadKind kind) {
    TLoadResult result;
    const std::string prepared = PrepareForEditor(FromByteOrder(bytes));
    // What the file holds, read by the program itself: the measure of what the control shows.
    const TDocumentFigures held = MeasureDocument(prepared);
    TNoteForControl note = held.Rtf ? RewriteForControl(prepared) : TNoteForControl{prepared, {}};
    // Into a selection the document's own last paragraph mark would add an empty paragraph; before
    // the typing it keeps that typing on a line of its own.
    const std::string data =
        kind == lkReplace || kind == lkAfter ? WithoutFinalParagraphMark(note.Bytes) : note.Bytes;
    const TDocumentFigures figures = MeasureDocument(data);
    if (!SafeForControl(figures)) {
        result.Why = L"Failed to Load Stream";
        return result;
    }
    const size_t before = kind == lkBefore || kind == lkAfter ? VisibleCharacters(editor.Text()) : 0;
    bool loaded = editor.Load(data, true, kind);
    if (!loaded && held.Rtf) {
        // An RTF file the control refuses is shown as its text, never as its source code.
        AddChange(note.Changes,
                  L"la zone de texte ne sait pas le lire comme RTF : seul son texte est chargé");
        loaded = editor.Load(RtfFromText(held.Text), true, kind);
    }
    if (!loaded) loaded = editor.Load(data, false, kind);
    // The control can take a file and show nothing of it: that is a load that lost the note, not
    // an empty note.
    const size_t after = loaded ? VisibleCharacters(editor.Text()) : 0;
    const size_t shown = after > before ? after - before : 0;
    if (loaded && figures.HoldsText && shown == 0) {
        editor.TakeBack();
        loaded = false;
    }
    if (!loaded) {
        result.Why = L"Failed to Load Stream";
        return result;
    }
    if (held.Rtf) {
        // A few characters of difference are the two readings' detail (a code page's pairs of
        // bytes, a list's number); more is text the control dropped.
        const size_t holds = VisibleCharacters(held.Text);
        if (shown + std::max<size_t>(2, holds / 100) < holds)
            AddChange(note.Changes, L"la zone de texte n'en affiche pas tout le texte");
    }
    result.Loaded = true;
    result.Changes = note.Changes;
    return result;
}
