#include "note/ThreeWayMerge.h"

#include "note/MergeSequences.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <string_view>

using namespace merge;

namespace {

size_t Inserted(const TSplice& splice) {
    size_t length = 0;
    for (const TTheirPart& part : splice.Parts)
        length += part.Own ? 1 : part.To - part.From;
    return length;
}

// The merged stretches as splices of ours. Each side's text was given a last paragraph mark of
// its own: where such a mark falls inside the merge it becomes a real one, and the merge's own
// last mark goes.
TTextMerge Splices(TOut out, size_t oursLength, size_t theirsLength) {
    std::vector<TSeg> segs;
    // The marks given to an empty text: an empty text is no paragraph at all, not an empty one.
    std::vector<bool> nothing;
    for (const TSeg& seg : out.Segs) {
        const size_t length = seg.Theirs ? theirsLength : oursLength;
        if (seg.Own) segs.push_back(seg), nothing.push_back(false);
        if (!seg.Own && seg.From < std::min(seg.To, length))
            segs.push_back({seg.Theirs, seg.From, std::min(seg.To, length)}), nothing.push_back(false);
        if (seg.To > length) segs.push_back({true, 0, 0, L'\r'}), nothing.push_back(length == 0);
    }
    if (!segs.empty()) {
        if (segs.back().Own == L'\r') {
            segs.pop_back();
            nothing.pop_back();
        } else if (--segs.back().To == segs.back().From) {
            segs.pop_back();
            nothing.pop_back();
        }
    }
    for (size_t i = segs.size(); i-- > 0;)
        if (nothing[i]) segs.erase(segs.begin() + static_cast<long>(i));
    TTextMerge merge;
    merge.Clean = out.Clean;
    size_t oursAt = 0;
    std::vector<TTheirPart> pending;
    const auto splice = [&](size_t until) {
        if (until == oursAt && pending.empty()) return;
        merge.Splices.push_back({oursAt, until - oursAt, std::move(pending)});
        pending.clear();
    };
    for (const TSeg& seg : segs) {
        if (seg.Own) {
            pending.push_back({0, 0, seg.Own});
        } else if (seg.Theirs) {
            if (!pending.empty() && !pending.back().Own && pending.back().To == seg.From)
                pending.back().To = seg.To;
            else
                pending.push_back({seg.From, seg.To});
        } else {
            // Ours comes out in its own order; anything else is a fault here, and ours stands.
            if (seg.From < oursAt) return {{}, false};
            splice(seg.From);
            oursAt = seg.To;
        }
    }
    splice(oursLength);
    return merge;
}

// The words two paragraphs both hold, as many times as both hold them, in the order of the
// first, one blank between two. Words the second holds elsewhere in the paragraph count as held:
// a word the two computers put in different places is then moved, never doubled.
std::wstring Common(const TSeq& a, const TSeq& b) {
    std::map<std::wstring_view, int> left;
    for (std::wstring_view item : b.Items)
        if (!std::iswspace(item[0])) ++left[item];
    std::wstring common;
    for (std::wstring_view item : a.Items) {
        if (std::iswspace(item[0]) || left[item] == 0) continue;
        --left[item];
        if (!common.empty()) common += L' ';
        common += item;
    }
    return common;
}

} // namespace

TTextMerge MergeTexts(const std::wstring& base, const std::wstring& ours, const std::wstring& theirs,
                      const TParagraphLooks* looks) {
    return Splices(MergedParagraphs(base + L'\r', ours + L'\r', theirs + L'\r', looks), ours.size(),
                   theirs.size());
}

TTextMerge UniteTexts(const std::wstring& ours, const std::wstring& theirs) {
    // A base of what both hold: the paragraphs they share, and of two paragraphs between them that
    // share a word, the words they share. Against it each side only added.
    const std::wstring oursText = ours + L'\r', theirsText = theirs + L'\r';
    const TSeq mine = Paragraphs(oursText, false), their = Paragraphs(theirsText, true);
    const std::vector<long> match = EqualItems(mine, their).Match;
    std::wstring base;
    size_t t = 0;
    for (size_t o = 0; o < mine.Items.size(); ++o) {
        if (match[o] >= 0) {
            base += mine.Items[o];
            t = static_cast<size_t>(match[o]) + 1;
            continue;
        }
        // Paired with the first like paragraph of theirs before theirs' next shared one.
        size_t next = o + 1;
        while (next < mine.Items.size() && match[next] < 0)
            ++next;
        const size_t limit = next < mine.Items.size() ? static_cast<size_t>(match[next]) : their.Items.size();
        for (size_t k = t; k < limit; ++k) {
            if (!SharesAWord(mine.Items[o], their.Items[k])) continue;
            const std::wstring_view a = mine.Items[o], b = their.Items[k];
            base +=
                Common(Words(a.substr(0, a.size() - 1), 0, false), Words(b.substr(0, b.size() - 1), 0, true));
            base += L'\r';
            t = k + 1;
            break;
        }
    }
    return Splices(MergedParagraphs(base, oursText, theirsText), ours.size(), theirs.size());
}

std::wstring Spliced(const std::wstring& ours, const std::wstring& theirs,
                     const std::vector<TSplice>& splices) {
    std::wstring text;
    size_t at = 0;
    for (const TSplice& splice : splices) {
        text.append(ours, at, splice.At - at);
        for (const TTheirPart& part : splice.Parts)
            if (part.Own)
                text.push_back(part.Own);
            else
                text.append(theirs, part.From, part.To - part.From);
        at = splice.At + splice.Length;
    }
    text.append(ours, at);
    return text;
}

size_t MovedBy(size_t at, const std::vector<TSplice>& splices) {
    long shift = 0;
    for (const TSplice& splice : splices) {
        if (at <= splice.At) break;
        const long inserted = static_cast<long>(Inserted(splice));
        if (at < splice.At + splice.Length)
            return static_cast<size_t>(static_cast<long>(splice.At) + shift + inserted);
        shift += inserted - static_cast<long>(splice.Length);
    }
    return static_cast<size_t>(static_cast<long>(at) + shift);
}

std::vector<std::wstring> WordsAndBlanks(const std::wstring& paragraph) {
    std::vector<std::wstring> parts;
    for (std::wstring_view item : Words(paragraph, 0, false).Items)
        parts.emplace_back(item);
    return parts;
}
