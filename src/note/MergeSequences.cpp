#include "note/MergeSequences.h"

#include <algorithm>
#include <cwctype>
#include <functional>
#include <iterator>

namespace merge {

namespace {

// Past this many cells the middle of two sequences is taken as changed whole rather than matched:
// a note rewritten from end to end has nothing to merge.
constexpr size_t kMostCells = 4u * 1024 * 1024;

// The same item, text and look.
bool Equal(const TSeq& a, size_t i, const TSeq& b, size_t j) {
    return a.Items[i] == b.Items[j] && a.LookOf(i, b, j);
}

} // namespace

TSeq Paragraphs(const std::wstring& text, bool theirs) {
    TSeq seq;
    seq.Theirs = theirs;
    const std::wstring_view all(text);
    for (size_t at = 0; at < all.size();) {
        const size_t end = std::min(all.find(L'\r', at), all.size() - 1) + 1;
        seq.Add(all.substr(at, end - at), at);
        at = end;
    }
    return seq;
}

TSeq Words(std::wstring_view paragraph, size_t at, bool theirs) {
    TSeq seq;
    seq.Theirs = theirs;
    for (size_t i = 0; i < paragraph.size();) {
        const bool blank = std::iswspace(paragraph[i]) != 0;
        size_t j = i + 1;
        // A paragraph mark is an item of its own: words typed into two empty paragraphs are
        // two additions, not one change.
        while (paragraph[i] != L'\r' && j < paragraph.size() && paragraph[j] != L'\r' &&
               (std::iswspace(paragraph[j]) != 0) == blank)
            ++j;
        seq.Add(paragraph.substr(i, j - i), at + i);
        i = j;
    }
    return seq;
}

namespace {

// The words of a paragraph, blanks left out, sorted.
std::vector<std::wstring_view> SortedWords(std::wstring_view paragraph) {
    std::vector<std::wstring_view> words;
    for (std::wstring_view item : Words(paragraph, 0, false).Items)
        if (!std::iswspace(item[0])) words.push_back(item);
    std::sort(words.begin(), words.end());
    return words;
}

// How many words two sorted lists share.
size_t Shared(const std::vector<std::wstring_view>& a, const std::vector<std::wstring_view>& b) {
    size_t shared = 0;
    for (size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        if (a[i] < b[j]) {
            ++i;
        } else if (b[j] < a[i]) {
            ++j;
        } else {
            ++shared, ++i, ++j;
        }
    }
    return shared;
}

// One paragraph edited into the other: at least half the words of the longer are in the other.
bool Similar(const std::vector<std::wstring_view>& a, const std::vector<std::wstring_view>& b) {
    const size_t shared = Shared(a, b);
    return shared > 0 && shared * 2 >= std::max(a.size(), b.size());
}

// Past this many cells, paragraphs are matched when equal only, not also when one is the other
// edited.
constexpr size_t kMostSimilarCells = 256u * 1024;

// How each item of `base` stays in `other`: Match, the index of the item it is equal to, or Pair,
// of the one it was edited into (-1: neither). The heaviest common subsequence after the common
// start and end are taken off: an equal word weighs more than a blank, an equal paragraph more
// than one edited, so that items are matched to their own rather than to a look-alike. Empty
// paragraphs are too much alike to be matched: they are left to the words around them.
TAlignment Matches(const TSeq& baseSeq, const TSeq& otherSeq, bool paragraphs = false) {
    const auto& base = baseSeq.Items;
    const auto& other = otherSeq.Items;
    const auto same = [&](size_t i, size_t j) { return Equal(baseSeq, i, otherSeq, j); };
    TAlignment alignment{std::vector<long>(base.size(), -1), std::vector<long>(base.size(), -1)};
    auto& match = alignment.Match;
    size_t head = 0;
    while (head < base.size() && head < other.size() && same(head, head)) {
        match[head] = static_cast<long>(head);
        ++head;
    }
    size_t tail = 0;
    while (tail < base.size() - head && tail < other.size() - head &&
           same(base.size() - 1 - tail, other.size() - 1 - tail)) {
        match[base.size() - 1 - tail] = static_cast<long>(other.size() - 1 - tail);
        ++tail;
    }
    const size_t n = base.size() - head - tail, m = other.size() - head - tail;
    if (!n || !m || (n + 1) * (m + 1) > kMostCells) return alignment;
    const bool edits = paragraphs && (n + 1) * (m + 1) <= kMostSimilarCells;
    // Each paragraph's words, sorted once for all the pairs it is weighed in.
    std::vector<std::vector<std::wstring_view>> baseWords(edits ? n : 0), otherWords(edits ? m : 0);
    for (size_t i = 0; i < baseWords.size(); ++i)
        baseWords[i] = SortedWords(base[head + i]);
    for (size_t j = 0; j < otherWords.size(); ++j)
        otherWords[j] = SortedWords(other[head + j]);
    // What base[head + i] and other[head + j] weigh as a pair: 0 when they are no pair.
    std::vector<unsigned char> pairWeight(n * m, 0);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < m; ++j)
            pairWeight[i * m + j] = same(head + i, head + j) ? (!std::iswspace(base[head + i][0]) ? 4
                                                                : paragraphs                      ? 0
                                                                                                  : 2)
                                    : edits && Similar(baseWords[i], otherWords[j]) ? 1
                                                                                    : 0;
    std::vector<unsigned> length((n + 1) * (m + 1), 0);
    const auto at = [&](size_t i, size_t j) -> unsigned& { return length[i * (m + 1) + j]; };
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;) {
            const unsigned w = pairWeight[i * m + j];
            at(i, j) = std::max({w ? at(i + 1, j + 1) + w : 0u, at(i + 1, j), at(i, j + 1)});
        }
    for (size_t i = 0, j = 0; i < n && j < m;) {
        const unsigned w = pairWeight[i * m + j];
        if (w && at(i, j) == at(i + 1, j + 1) + w) {
            (w == 1 ? alignment.Pair : match)[head + i] = static_cast<long>(head + j);
            ++i, ++j;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    return alignment;
}

// Where a side differs from the base: base[From, To) became side[SideFrom, SideTo).
struct THunk {
    size_t From = 0, To = 0, SideFrom = 0, SideTo = 0;
    bool Ours = false;
};

std::vector<THunk> Hunks(const TSeq& base, const TSeq& side, TAlignment& alignment, bool ours) {
    std::vector<long>& match = alignment.Match;
    std::vector<THunk> hunks;
    const auto changed = [&](size_t b0, size_t b1, size_t s0, size_t s1) {
        if (b0 < b1 || s0 < s1) hunks.push_back({b0, b1, s0, s1, ours});
    };
    size_t b0 = 0, s0 = 0;
    for (size_t b = 0; b < base.Items.size(); ++b) {
        const long to = match[b] >= 0 ? match[b] : alignment.Pair[b];
        if (to < 0) continue;
        changed(b0, b, s0, static_cast<size_t>(to));
        // A paragraph edited into another is a change of its own, one for one.
        if (match[b] < 0)
            hunks.push_back({b, b + 1, static_cast<size_t>(to), static_cast<size_t>(to) + 1, ours});
        b0 = b + 1, s0 = static_cast<size_t>(to) + 1;
    }
    changed(b0, base.Items.size(), s0, side.Items.size());
    // An addition that could stand one item earlier (" mot" after "avant" or "mot " before "apres")
    // is put as early as it can: both sides then give the same addition the same place.
    for (size_t k = 0; k < hunks.size(); ++k) {
        THunk& h = hunks[k];
        const size_t lowest = k > 0 ? hunks[k - 1].To : 0;
        while (h.From == h.To && h.From > lowest && h.SideFrom > 0 && h.SideTo > h.SideFrom &&
               match[h.From - 1] == static_cast<long>(h.SideFrom - 1) &&
               Equal(base, h.From - 1, side, h.SideTo - 1)) {
            match[h.From - 1] = static_cast<long>(h.SideTo - 1);
            --h.From, --h.To, --h.SideFrom, --h.SideTo;
        }
    }
    return hunks;
}

// The items of a side that base[from, to) became under that side's `hunks` (in order).
std::vector<size_t> Applied(const std::vector<long>& match, size_t from, size_t to,
                            const std::vector<const THunk*>& hunks) {
    std::vector<size_t> out;
    size_t at = from;
    for (const THunk* hunk : hunks) {
        for (size_t b = at; b < hunk->From; ++b)
            out.push_back(static_cast<size_t>(match[b]));
        for (size_t s = hunk->SideFrom; s < hunk->SideTo; ++s)
            out.push_back(s);
        at = hunk->To;
    }
    for (size_t b = at; b < to; ++b)
        out.push_back(static_cast<size_t>(match[b]));
    return out;
}

bool SameItems(const TSeq& a, const std::vector<size_t>& ai, const TSeq& b, const std::vector<size_t>& bi) {
    return ai.size() == bi.size() && std::equal(ai.begin(), ai.end(), bi.begin(),
                                                [&](size_t x, size_t y) { return Equal(a, x, b, y); });
}

// A stretch base[From, To) both sides changed differently, into ourPart and theirPart.
struct TClash {
    size_t From, To;
    const std::vector<size_t>& Ours;
    const std::vector<size_t>& Theirs;
};
using TSettle =
    std::function<void(const TSeq& base, const TSeq& ours, const TSeq& theirs, const TClash&, TOut&)>;

void KeepOurs(const TSeq&, const TSeq& ours, const TSeq&, const TClash& clash, TOut& out) {
    for (size_t i : clash.Ours)
        out.Emit(ours, i);
    out.Clean = false;
}

std::wstring Joined(const TSeq& side, size_t from, size_t to) {
    std::wstring text;
    for (size_t i = from; i < to; ++i)
        text += side.Items[i];
    return text;
}

// An addition on each side at one place.
bool BothAdd(const std::vector<THunk>& hunks, size_t i) {
    return i + 1 < hunks.size() && hunks[i].Ours && hunks[i].From == hunks[i].To && !hunks[i + 1].Ours &&
           hunks[i + 1].From == hunks[i].From && hunks[i + 1].To == hunks[i].From;
}

// Both kept, in the order of their text, so that two computers merging the same two additions
// each way round come to the same note; but an addition that holds the other (the same one, or
// the same with more typed after it: the other side's edit came back through the file) counts
// once.
void Additions(const TSeq& ours, const THunk& mine, const TSeq& theirs, const THunk& their, TOut& out) {
    const std::wstring ourText = Joined(ours, mine.SideFrom, mine.SideTo);
    const std::wstring theirText = Joined(theirs, their.SideFrom, their.SideTo);
    const auto emit = [&](const TSeq& side, const THunk& hunk) {
        for (size_t s = hunk.SideFrom; s < hunk.SideTo; ++s)
            out.Emit(side, s);
    };
    if (ourText.find(theirText) != std::wstring::npos) return emit(ours, mine);
    if (theirText.find(ourText) != std::wstring::npos) return emit(theirs, their);
    if (ourText <= theirText) {
        emit(ours, mine);
        emit(theirs, their);
    } else {
        emit(theirs, their);
        emit(ours, mine);
    }
}

void Merge(const TSeq& base, const TSeq& ours, const TSeq& theirs, const TSettle& settle, bool paragraphs,
           TOut& out) {
    TAlignment alignOurs = Matches(base, ours, paragraphs), alignTheirs = Matches(base, theirs, paragraphs);
    std::vector<THunk> hunks = Hunks(base, ours, alignOurs, true);
    for (const THunk& hunk : Hunks(base, theirs, alignTheirs, false))
        hunks.push_back(hunk);
    const std::vector<long>& matchOurs = alignOurs.Match;
    const std::vector<long>& matchTheirs = alignTheirs.Match;
    // By place; at one place ours first, and an addition before a change of what follows it.
    std::stable_sort(hunks.begin(), hunks.end(), [](const THunk& a, const THunk& b) {
        if (a.From != b.From) return a.From < b.From;
        if ((a.From == a.To) != (b.From == b.To)) return a.From == a.To;
        return a.Ours && !b.Ours;
    });
    size_t at = 0;
    for (size_t i = 0; i < hunks.size();) {
        if (BothAdd(hunks, i)) {
            for (size_t b = at; b < hunks[i].From; ++b)
                out.Emit(ours, static_cast<size_t>(matchOurs[b]));
            Additions(ours, hunks[i], theirs, hunks[i + 1], out);
            at = hunks[i].From;
            i += 2;
            continue;
        }
        // The hunks that overlap: a change of the same items, on either side.
        size_t from = hunks[i].From, to = hunks[i].To, j = i + 1;
        while (j < hunks.size() && hunks[j].From < to && to > from)
            to = std::max(to, hunks[j++].To);
        for (size_t b = at; b < from; ++b)
            out.Emit(ours, static_cast<size_t>(matchOurs[b]));
        std::vector<const THunk*> mine, their;
        for (size_t k = i; k < j; ++k)
            (hunks[k].Ours ? mine : their).push_back(&hunks[k]);
        const std::vector<size_t> ourPart = Applied(matchOurs, from, to, mine);
        const std::vector<size_t> theirPart = Applied(matchTheirs, from, to, their);
        if (mine.empty() && paragraphs && theirPart.size() == to - from) {
            // Paragraphs only theirs changed, one for one: word by word, so that ours keeps its
            // words where theirs kept them, and the caret stays where it was.
            settle(base, ours, theirs, {from, to, Applied(matchOurs, from, to, mine), theirPart}, out);
        } else if (mine.empty()) {
            for (size_t s : theirPart)
                out.Emit(theirs, s);
        } else if (their.empty() || SameItems(ours, ourPart, theirs, theirPart)) {
            for (size_t s : ourPart)
                out.Emit(ours, s);
        } else {
            settle(base, ours, theirs, {from, to, ourPart, theirPart}, out);
        }
        at = to;
        i = j;
    }
    for (size_t b = at; b < base.Items.size(); ++b)
        out.Emit(ours, static_cast<size_t>(matchOurs[b]));
}

constexpr size_t kNowhere = static_cast<size_t>(-1);

// Items that follow each other in their side's text as one stretch, and where it starts; kNowhere
// when they do not follow each other.
std::pair<std::wstring_view, size_t> Stretch(const TSeq& seq, const std::vector<size_t>& items) {
    if (items.empty()) return {{}, 0};
    for (size_t k = 1; k < items.size(); ++k)
        if (items[k] != items[k - 1] + 1) return {{}, kNowhere};
    const size_t from = seq.At[items.front()], to = seq.At[items.back()] + seq.Items[items.back()].size();
    return {std::wstring_view(seq.Items[items.front()].data(), to - from), from};
}

// Paragraphs both sides changed, as many on each side as in the base: each merged word by word,
// where only the words both changed differently keep ours.
void ByWords(const TSeq& base, const TSeq& ours, const TSeq& theirs, const TClash& clash, TOut& out) {
    const size_t n = clash.To - clash.From;
    if (clash.Ours.size() != n || clash.Theirs.size() != n) {
        // Not one for one: the stretch is merged word by word as a whole, its paragraph marks
        // taken as blanks.
        std::vector<size_t> was;
        for (size_t b = clash.From; b < clash.To; ++b)
            was.push_back(b);
        const auto [baseText, baseAt] = Stretch(base, was);
        const auto [oursText, oursAt] = Stretch(ours, clash.Ours);
        const auto [theirsText, theirsAt] = Stretch(theirs, clash.Theirs);
        if (baseAt == kNowhere || oursAt == kNowhere || theirsAt == kNowhere)
            return KeepOurs(base, ours, theirs, clash, out);
        return Merge(Words(baseText, baseAt, false), Words(oursText, oursAt, false),
                     Words(theirsText, theirsAt, true), KeepOurs, false, out);
    }
    for (size_t k = 0; k < n; ++k) {
        const size_t b = clash.From + k, o = clash.Ours[k], t = clash.Theirs[k];
        // Their formatting comes with their paragraph where ours left it as it was; into a
        // paragraph ours edited it cannot come, and theirs is then kept apart.
        const bool theirLook = !base.LookOf(b, theirs, t);
        if (theirLook && Equal(base, b, ours, o)) {
            out.Emit(theirs, t);
            continue;
        }
        if (theirLook) out.Clean = false;
        Merge(Words(base.Items[b], base.At[b], false), Words(ours.Items[o], ours.At[o], false),
              Words(theirs.Items[t], theirs.At[t], true), KeepOurs, false, out);
    }
}

} // namespace

void TOut::Emit(const TSeq& side, size_t item) {
    const std::wstring_view text = side.Items[item];
    const size_t from = side.At[item];
    // Two words that follow each other in neither side are never run together.
    if (!Segs.empty() && Segs.back().EndsInWord && !std::iswspace(text.front()) &&
        (Segs.back().Theirs != side.Theirs || Segs.back().To != from))
        Segs.push_back({false, 0, 0, L' '});
    Segs.push_back({side.Theirs, from, from + text.size(), 0, !std::iswspace(text.back())});
}

bool SharesAWord(std::wstring_view a, std::wstring_view b) {
    return Shared(SortedWords(a), SortedWords(b)) > 0;
}

TAlignment EqualItems(const TSeq& base, const TSeq& other) {
    return Matches(base, other);
}

TOut MergedParagraphs(const std::wstring& base, const std::wstring& ours, const std::wstring& theirs,
                      const TParagraphLooks* looks) {
    TSeq was = Paragraphs(base, false), mine = Paragraphs(ours, false), their = Paragraphs(theirs, true);
    if (looks && looks->Base.size() == was.Items.size() && looks->Ours.size() == mine.Items.size() &&
        looks->Theirs.size() == their.Items.size()) {
        was.Looks = &looks->Base;
        mine.Looks = &looks->Ours;
        their.Looks = &looks->Theirs;
    }
    TOut out;
    Merge(was, mine, their, ByWords, true, out);
    return out;
}

} // namespace merge
