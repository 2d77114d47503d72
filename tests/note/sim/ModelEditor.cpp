#include "note/sim/ModelEditor.h"

#include "framework/Error.h"
#include "note/ThreeWayMerge.h"
#include "note/sim/SimWords.h"

#include <algorithm>
#include <cwctype>

using namespace std::string_literals;

std::string TModelEditor::StoredForm() {
    if (FStoredFormFailures > 0) {
        --FStoredFormFailures;
        throw TError(L"Failed to Save Stream");
    }
    return StoredFormOf(FWords);
}

std::wstring TModelEditor::Text() {
    std::wstring text;
    for (const std::string& word : FWords)
        text += (text.empty() ? L"" : L" ") + std::wstring(word.begin(), word.end());
    return text;
}

bool TModelEditor::Load(const std::string& bytes, bool rtf, TLoadKind kind) {
    if (FDead) return false;
    const std::vector<std::string> words = WordsIn(bytes);
    if (OnTrace)
        OnTrace(L"  editor load "s + std::to_wstring(static_cast<int>(kind)) + (rtf ? L" rtf " : L" text ") +
                std::to_wstring(words.size()) + L" words");
    if (std::any_of(words.begin(), words.end(), IsPoison)) {
        FDead = true;
        if (OnPoison) OnPoison();
        return false;
    }
    if (rtf && std::any_of(words.begin(), words.end(), IsGarbled)) return false;
    FBeforeLoad = FWords;
    FUndoBeforeLoad = FUndo;
    if (kind == lkWhole) {
        FUndo.clear();
        FWords = words;
        Dropped(FBeforeLoad, kind);
        return true;
    }
    FUndo.push_back(FWords);
    if (kind == lkReplace) FWords = words;
    if (kind == lkBefore) FWords.insert(FWords.begin(), words.begin(), words.end());
    if (kind == lkAfter) FWords.insert(FWords.end(), words.begin(), words.end());
    Dropped(FBeforeLoad, kind);
    return true;
}

namespace {

// The model's note is one paragraph of words.
std::wstring Line(const std::vector<std::string>& words) {
    std::wstring text;
    for (const std::string& word : words)
        text += (text.empty() ? L"" : L" ") + std::wstring(word.begin(), word.end());
    return text;
}

std::vector<std::string> WordsOfLine(const std::wstring& text) {
    std::vector<std::string> words;
    for (const std::wstring& part : WordsAndBlanks(text))
        if (!std::iswspace(part[0])) words.emplace_back(part.begin(), part.end());
    return words;
}

} // namespace

TMergeOutcome TModelEditor::Merge(const TPreparedNote* base, const TPreparedNote& theirs) {
    TMergeOutcome outcome;
    if (FDead) return outcome;
    const std::vector<std::string> their = WordsIn(theirs.Data);
    if (std::any_of(their.begin(), their.end(), IsPoison)) {
        FDead = true;
        if (OnPoison) OnPoison();
        return outcome;
    }
    if (std::any_of(their.begin(), their.end(), IsGarbled)) return outcome;
    const std::wstring ours = Line(FWords), theirText = Line(their);
    const TTextMerge merge =
        base ? MergeTexts(Line(WordsIn(base->Data)), ours, theirText) : UniteTexts(ours, theirText);
    outcome.Done = true;
    outcome.Clean = merge.Clean;
    outcome.Changed = !merge.Splices.empty();
    if (!outcome.Changed) return outcome;
    if (OnTrace) OnTrace(L"  editor merge " + std::to_wstring(merge.Splices.size()) + L" splices");
    FBeforeLoad = FWords;
    FUndoBeforeLoad = FUndo;
    FUndo.push_back(FWords);
    FWords = WordsOfLine(Spliced(ours, theirText, merge.Splices));
    Dropped(FBeforeLoad, lkReplace);
    return outcome;
}

void TModelEditor::Dropped(const std::vector<std::string>& before, TLoadKind kind) {
    std::vector<std::string> gone;
    for (const std::string& word : before)
        if (std::find(FWords.begin(), FWords.end(), word) == FWords.end()) gone.push_back(word);
    if (!gone.empty() && OnDropped) OnDropped(gone, kind);
}

void TModelEditor::TakeBack() {
    if (FDead) return;
    FWords = FBeforeLoad;
    FUndo = FUndoBeforeLoad;
}

void TModelEditor::Type(const std::string& word) {
    FUndo.push_back(FWords);
    FWords.push_back(word);
}

void TModelEditor::TypeAt(size_t at, const std::string& word) {
    FUndo.push_back(FWords);
    FWords.insert(FWords.begin() + static_cast<ptrdiff_t>(std::min(at, FWords.size())), word);
}

void TModelEditor::Clear() {
    FUndo.push_back(FWords);
    FWords.clear();
}

bool TModelEditor::Undo() {
    if (FUndo.empty()) return false;
    FWords = FUndo.back();
    FUndo.pop_back();
    return true;
}
