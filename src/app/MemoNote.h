#pragma once
// The note's editor as the keeper of the note sees it: the stored form of what it holds, and the
// loads the keeper decides, carried out on the rich-text control.
#include "framework/RichEditEx.h"
#include "note/NoteEditor.h"

#include <string>

class TMemoNote : public TNoteEditor {
public:
    explicit TMemoNote(TRichEditEx& memo) : FMemo(memo) {}

    std::string StoredForm() override;
    std::wstring Text() override { return FMemo.Text(); }
    bool Empty() override;
    bool Load(const std::string& bytes, bool rtf, TLoadKind kind) override;
    void TakeBack() override;
    TMergeOutcome Merge(const TPreparedNote* base, const TPreparedNote& theirs) override;
    // A load is going in: what the control reports meanwhile is not the user's edit.
    bool Loading() const { return FLoading; }

private:
    bool Stream(const std::string& data, UINT format);
    void PutBack();

    TRichEditEx& FMemo;
    bool FLoading = false;
    // What the editor held before the last load, to put back when the load is taken back.
    std::string FBefore;
};
