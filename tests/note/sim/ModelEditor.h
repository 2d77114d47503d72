#pragma once
// The editor control as the simulation sees it: the note is a run of words. A load honours its
// kind (whole, replace, before, after) and keeps an undo step for the kinds Undo takes back; a
// file with a poison word takes the process with it, one with a garbled word is refused.
#include "note/NoteEditor.h"

#include <functional>
#include <string>
#include <vector>

class TModelEditor : public TNoteEditor {
public:
    std::string StoredForm() override;
    std::wstring Text() override;
    bool Empty() override { return FWords.empty(); }
    bool Load(const std::string& bytes, bool rtf, TLoadKind kind) override;
    void TakeBack() override;
    // Words are the model's paragraphs: merged as the note's paragraphs are.
    TMergeOutcome Merge(const TPreparedNote* base, const TPreparedNote& theirs) override;

    // The user's edits; each is one step Undo takes back.
    void Type(const std::string& word);
    // Before the word at `at` (at the end past the last), as a click then typing puts it.
    void TypeAt(size_t at, const std::string& word);
    void Clear();
    bool Undo();

    const std::vector<std::string>& Words() const { return FWords; }
    // The next `count` stored forms fail, as the control's stream-out can.
    void FailStoredForm(int count) { FStoredFormFailures = count; }
    // The process is gone: the control does nothing any more.
    void Die() { FDead = true; }

    // A poison note was given to the control: the process ends.
    std::function<void()> OnPoison;
    // Words a load took out of the editor.
    std::function<void(const std::vector<std::string>& words, TLoadKind kind)> OnDropped;
    std::function<void(const std::wstring& line)> OnTrace;

private:
    void Dropped(const std::vector<std::string>& before, TLoadKind kind);

    std::vector<std::string> FWords;
    std::vector<std::vector<std::string>> FUndo;
    // What the last load replaced, for TakeBack.
    std::vector<std::string> FBeforeLoad;
    std::vector<std::vector<std::string>> FUndoBeforeLoad;
    int FStoredFormFailures = 0;
    bool FDead = false;
};
