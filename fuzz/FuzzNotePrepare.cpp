// A note's bytes made ready for the control, on any bytes: line breaks come out as CR LF, the
// final paragraph mark goes alone, a note read as RTF is given as RTF, the rewriting hides none of
// the text the file holds and tells every change it makes; and a text written as RTF by the
// program itself, or stored as UTF-16, reads back as that text.
#include "FuzzCheck.h"

#include "note/ForeignNote.h"
#include "note/NotePrepare.h"
#include "note/RtfSafetyScan.h"

#include <cstdint>
#include <string>

namespace {

void CheckEditorBytes(const std::string& bytes) {
    const std::string editor = PrepareForEditor(bytes);
    for (size_t i = 0; i < editor.size(); ++i) {
        FUZZ_CHECK(editor[i] != '\0', "the editor is given no NUL byte");
        if (editor[i] == '\r')
            FUZZ_CHECK(i + 1 < editor.size() && editor[i + 1] == '\n', "CR comes before LF");
        if (editor[i] == '\n') FUZZ_CHECK(i > 0 && editor[i - 1] == '\r', "LF comes after CR");
    }
    FUZZ_CHECK_EQUAL(PrepareForEditor(editor), editor, "bytes made ready once stay as they are");
    std::string kept, keptOfEditor;
    for (char c : bytes)
        if (c != '\0' && c != '\r' && c != '\n') kept += c;
    for (char c : editor)
        if (c != '\r' && c != '\n') keptOfEditor += c;
    FUZZ_CHECK_EQUAL(keptOfEditor, kept, "only NUL bytes and line breaks change");
}

// The text of the document without its final paragraph mark is its text without its last line
// break, or the same text where the mark was in a hidden group.
void CheckWithoutFinalMark(const std::string& rtf) {
    const std::string cut = WithoutFinalParagraphMark(rtf);
    if (cut == rtf) return;
    const size_t gone = rtf.size() - cut.size();
    FUZZ_CHECK(gone == 4 || gone == 5, "only the mark and the space that ends it go");
    size_t at = 0;
    while (at < cut.size() && cut[at] == rtf[at])
        ++at;
    FUZZ_CHECK(rtf.compare(at, 4, "\\par") == 0 && (gone == 4 || rtf[at + 4] == ' ') &&
                   rtf.compare(at + gone, std::string::npos, cut, at) == 0,
               "the mark is what goes");
    const std::wstring text = MeasureDocument(rtf).Text, cutText = MeasureDocument(cut).Text;
    std::wstring withoutLastBreak = text;
    if (const size_t last = text.rfind(L'\n'); last != std::wstring::npos) withoutLastBreak.erase(last, 1);
    if (cutText != text)
        FUZZ_CHECK_EQUAL(cutText, withoutLastBreak, "the final mark is the text's last break");
}

// Characters a reader shows; a replacement character stands for bytes the code page lacks.
size_t Shown(std::wstring_view text) {
    size_t n = VisibleCharacters(text);
    for (wchar_t c : text)
        if (c == 0xFFFD) --n;
    return n;
}

void CheckPrepared(const std::string& bytes, bool withoutFinalMark) {
    const TPreparedNote note = PrepareNote(bytes, withoutFinalMark);
    const TDocumentFigures given = MeasureDocument(note.Data);
    if (!note.Rtf) {
        FUZZ_CHECK(note.Changes.empty(), "a note that is not RTF is not rewritten");
        return;
    }
    if (!note.Safe) return; // refused: the control is given nothing
    FUZZ_CHECK(given.Rtf, "a note read as RTF is given to the control as RTF");
    FUZZ_CHECK_EQUAL(TextOfNote(bytes), note.HeldText, "the text of a note is the text it holds");
    if (Shown(given.Text) < Shown(note.HeldText)) {
        FuzzShow("held", note.HeldText);
        FuzzShow("given", given.Text);
        FuzzShow("data", note.Data);
        FUZZ_CHECK(false, "the rewriting for the control hides text the file holds");
    }
    if (note.Changes.empty() && !withoutFinalMark)
        FUZZ_CHECK_EQUAL(note.Data, PrepareForEditor(FromByteOrder(bytes)), "every rewriting is told");
}

// The text as the program's RTF reads it back: one paragraph break a line, tabs kept, other
// control characters left out.
std::wstring AsWritten(std::wstring_view text) {
    std::wstring expected;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            expected += L'\n';
        } else if (c == L'\t' || c >= 0x20) {
            expected += c;
        }
    }
    return expected;
}

void CheckTextRoundTrip(const uint8_t* data, size_t size) {
    std::wstring text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    const std::wstring expected = AsWritten(text);
    const std::string rtf = RtfFromText(text);
    for (char c : rtf)
        FUZZ_CHECK(static_cast<unsigned char>(c) < 0x80, "the program's own RTF is ASCII");
    FUZZ_CHECK_EQUAL(MeasureDocument(rtf).Text, expected, "a text written as RTF reads back as that text");
    const TNoteForControl rewritten = RewriteForControl(rtf);
    FUZZ_CHECK(rewritten.Changes.empty() && rewritten.Bytes == rtf,
               "the program's own RTF needs no rewriting");
    const size_t start = text.find_first_not_of(L" \t\r\n");
    if (start != std::wstring::npos && text.compare(start, 5, L"{\\rtf") == 0) return; // read as RTF
    for (bool bigEndian : {false, true})
        FUZZ_CHECK_EQUAL(TextOfNote(Utf16WithMark(text, bigEndian)), expected,
                         "a text stored as UTF-16 reads back as that text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CheckEditorBytes(bytes);
    CheckWithoutFinalMark(PrepareForEditor(FromByteOrder(bytes)));
    CheckPrepared(bytes, false);
    CheckPrepared(bytes, true);
    CheckTextRoundTrip(data, size);
    return 0;
}
