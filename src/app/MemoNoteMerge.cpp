// Another writer's version merged into the editor: the merge is worked out on the text, carried
// out in a control no one sees, one stretch of theirs at a time with its own formatting, and the
// result goes into the editor as one edit.
#include "app/MemoNote.h"

#include "framework/ScratchRichEdit.h"
#include "note/NotePrepare.h"
#include "note/ParagraphLooks.h"
#include "note/RtfCodePage.h"
#include "note/ThreeWayMerge.h"

#include <algorithm>

namespace {

// Theirs' stretches into `work` at each splice, from the last splice to the first so that the
// positions before each stay as they were. False when the control did not take a stretch whole.
bool CarryOut(TScratchRichEdit& work, TScratchRichEdit& their, const std::vector<TSplice>& splices) {
    for (auto splice = splices.rbegin(); splice != splices.rend(); ++splice) {
        const LONG at = static_cast<LONG>(splice->At);
        work.ReplaceWithText(at, at + static_cast<LONG>(splice->Length), L"");
        for (auto part = splice->Parts.rbegin(); part != splice->Parts.rend(); ++part) {
            if (part->Own) {
                work.ReplaceWithText(at, at, std::wstring(1, part->Own));
                continue;
            }
            const std::string rtf =
                their.RangeRtf(static_cast<LONG>(part->From), static_cast<LONG>(part->To));
            const LONG before = work.Length(), wanted = static_cast<LONG>(part->To - part->From);
            if (rtf.empty() || !work.ReplaceWithRtf(at, at, rtf)) return false;
            // A stretch that ends a paragraph can come in with its mark dropped, one that does not
            // with a mark added: its own text is what counts.
            const LONG got = work.Length() - before;
            if (got == wanted + 1)
                work.ReplaceWithText(at + wanted, at + got, L"");
            else if (got + 1 == wanted)
                work.ReplaceWithText(at + got, at + got, L"\r");
        }
    }
    return true;
}

} // namespace

TMergeOutcome TMemoNote::Merge(const TPreparedNote* base, const TPreparedNote& theirs) {
    TMergeOutcome outcome;
    // Text with no format of its own reads as it does in the editor.
    TScratchRichEdit their(FMemo.Handle()), work(FMemo.Handle()), was(FMemo.Handle());
    if (!their || !work || !was || !their.Load(theirs.Data, theirs.Rtf)) return outcome;
    std::string ours;
    if (!FMemo.ControlRtf(ours) || !work.Load(ours, true)) return outcome;
    if (base && !was.Load(base->Data, base->Rtf)) return outcome;
    const std::wstring oursText = work.Text(), theirsText = their.Text();
    // Each paragraph's formatting, as one writer gives it for all three.
    const TParagraphLooks looks{base ? ParagraphLooks(was.Rtf()) : std::vector<std::string>(),
                                ParagraphLooks(work.Rtf()), ParagraphLooks(their.Rtf())};
    const TTextMerge merge =
        base ? MergeTexts(was.Text(), oursText, theirsText, &looks) : UniteTexts(oursText, theirsText);
    outcome.Clean = merge.Clean;
    if (merge.Splices.empty()) {
        outcome.Done = true;
        return outcome;
    }
    if (!CarryOut(work, their, merge.Splices) || work.Text() != Spliced(oursText, theirsText, merge.Splices))
        return outcome;
    // The caret, the selection and the top of the view go with the text around them.
    const bool sameText = RichTextOf(FMemo.Handle()) == oursText;
    CHARRANGE selection{};
    FMemo.Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    const LRESULT top =
        FMemo.Perform(EM_LINEINDEX, static_cast<WPARAM>(FMemo.Perform(EM_GETFIRSTVISIBLELINE)));
    // In the stored form, as any note that goes into the whole content selected: without its last
    // paragraph mark.
    const std::string merged = work.Rtf();
    if (merged.empty() || !Load(PrepareNote(StoredRtf(merged), true).Data, true, lkReplace)) return outcome;
    if (sameText) {
        const auto moved = [&](LONG at) {
            return static_cast<LONG>(MovedBy(static_cast<size_t>(at), merge.Splices));
        };
        FMemo.Select(moved(selection.cpMin), moved(selection.cpMax));
        const LRESULT line = FMemo.Perform(EM_EXLINEFROMCHAR, 0, moved(static_cast<LONG>(top)));
        FMemo.ScrollLines(static_cast<int>(line - FMemo.Perform(EM_GETFIRSTVISIBLELINE)));
    }
    outcome.Done = true;
    outcome.Changed = true;
    return outcome;
}
