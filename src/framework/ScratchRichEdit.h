#pragma once
// A rich-text control of the platform's class that no one sees: work on a note's text and
// formatting away from the editor, with the same reading and writing of RTF as the editor's.
#include "framework/Handles.h"

#include <windows.h>

#include <string>

class TScratchRichEdit {
public:
    // With the default format of `like` (text with none of its own takes it), or the control's own.
    explicit TScratchRichEdit(HWND like = nullptr);
    explicit operator bool() const { return static_cast<bool>(FWindow); }

    // Replaces the whole content; false when the control reported an error.
    bool Load(const std::string& data, bool rtf);
    // The text with each paragraph ended by a CR, the last by nothing: as positions count it.
    std::wstring Text();
    // Its length as positions count it, without reading the text.
    LONG Length();
    // [from, to) as RTF, with its formatting; empty when the control reported an error.
    std::string RangeRtf(LONG from, LONG to);
    // [from, to) replaced by RTF (with its formatting), or by plain text in the formatting there.
    bool ReplaceWithRtf(LONG from, LONG to, const std::string& rtf);
    void ReplaceWithText(LONG from, LONG to, const std::wstring& text);
    // The whole content as RTF; empty when the control reported an error.
    std::string Rtf();
    HWND Handle() const { return FWindow.Get(); }

private:
    bool StreamIn(UINT format, const std::string& data);
    std::string StreamOut(UINT format);
    void Select(LONG from, LONG to);
    TWindowHandle FWindow;
};

// The text of a rich-text control as positions count it (see TScratchRichEdit::Text).
std::wstring RichTextOf(HWND control);
