#include "app/MemoNote.h"

#include "framework/Error.h"
#include "note/RtfCodePage.h"

#include <algorithm>
#include <utility>

namespace {

constexpr LONG kTextLimit = 0x7FFFFFF0;

// Sets a flag for the length of a scope.
struct TRaised {
    bool& Flag;
    explicit TRaised(bool& flag) : Flag(flag) { Flag = true; }
    ~TRaised() { Flag = false; }
};

} // namespace

std::string TMemoNote::StoredForm() {
    std::string rtf;
    // Even an empty note is a few dozen bytes of RTF; nothing at all is a failed stream.
    if (!FMemo.ControlRtf(rtf) || rtf.empty()) throw TError(L"Failed to Save Stream");
    return StoredRtf(rtf);
}

bool TMemoNote::Empty() {
    return GetWindowTextLengthW(FMemo.Handle()) == 0;
}

bool TMemoNote::Stream(const std::string& data, UINT format) {
    return FMemo.StreamIn(format, ReaderOf(data));
}

bool TMemoNote::Load(const std::string& bytes, bool rtf, TLoadKind kind) {
    TRaised loading(FLoading);
    TRichEditEx::TQuiet quiet(FMemo);
    FBefore = Empty() ? std::string() : FMemo.Rtf();
    const UINT format = rtf ? SF_RTF : SF_TEXT;
    CHARRANGE selection{};
    FMemo.Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT firstLine = FMemo.Perform(EM_GETFIRSTVISIBLELINE);
    bool loaded = false;
    switch (kind) {
    case lkWhole:
        loaded = Stream(bytes, format);
        break;
    case lkReplace:
        // Into the whole content selected, the load is one edit that Undo takes back.
        FMemo.SelectAll();
        loaded = Stream(bytes, format | SFF_SELECTION);
        break;
    case lkBefore:
        FMemo.Select(0, 0);
        loaded = Stream(bytes, format | SFF_SELECTION);
        break;
    case lkAfter: {
        const LONG end = GetWindowTextLengthW(FMemo.Handle());
        FMemo.Select(end, end);
        // On a line of its own after the note.
        if (end > 0) FMemo.Perform(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r"));
        loaded = Stream(bytes, format | SFF_SELECTION);
        break;
    }
    }
    if (!loaded) {
        PutBack();
        return false;
    }
    FMemo.LimitText(kTextLimit);
    if (kind == lkReplace) {
        // The caret and the view as near to where they were as the new text allows.
        const LONG length = GetWindowTextLengthW(FMemo.Handle());
        FMemo.Select(std::min(selection.cpMin, length), std::min(selection.cpMax, length));
        FMemo.ScrollLines(static_cast<int>(firstLine - FMemo.Perform(EM_GETFIRSTVISIBLELINE)));
    }
    if (kind == lkWhole) FMemo.SetModified(false);
    return true;
}

void TMemoNote::TakeBack() {
    TRaised loading(FLoading);
    TRichEditEx::TQuiet quiet(FMemo);
    PutBack();
}

void TMemoNote::PutBack() {
    if (FBefore.empty())
        FMemo.Clear();
    else
        FMemo.SetRtf(std::exchange(FBefore, {}));
}
