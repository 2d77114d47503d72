#pragma once
// Notes written by other programs, made fit for the rich-text control before it reads them. The
// control drops some of what such files hold and the next save would write the note without it;
// where a simple rewriting keeps the text, it is done here, and the caller keeps the file as it
// was beside the note all the same. No window: only bytes.
#include <string>
#include <string_view>

// What the control is to be given, and what was changed for it.
struct TNoteForControl {
    std::string Bytes;
    // Each change made, in the user's words, "; " between them; empty when none.
    std::wstring Changes;
};

// Adds one change to `changes`, once.
void AddChange(std::wstring& changes, const std::wstring& change);

// Bytes whose byte-order mark says how to read them, as the control reads them: a UTF-8 mark
// or blanks before RTF are dropped; UTF-16 (little- or big-endian, with its mark) becomes RTF, the document
// it holds or its text. Other bytes come back unchanged.
std::string FromByteOrder(const std::string& bytes);

// `text` as a UTF-16 writer stores it, byte-order mark first: what FromByteOrder reads back.
std::string Utf16WithMark(std::wstring_view text, bool bigEndian);

// An RTF document with what the control loses rewritten: a field becomes its result text, a code
// page the control does not know becomes the document's own, a parameter beyond what any writer
// produces is brought into range, text after the closing brace goes inside it, and the end of a
// cut file is closed (the \bin data it cut dropped, its groups closed).
TNoteForControl RewriteForControl(std::string_view rtf);

// A document that shows `text`, one paragraph a line.
std::string RtfFromText(std::wstring_view text);
