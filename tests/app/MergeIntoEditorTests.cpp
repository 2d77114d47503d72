// Another writer's version merged into the real editor control: words typed at random places on
// both sides all end up in the editor, once each, with the control's own text as the merge says.
#include "NoteFixture.h"

#include "app/MemoNote.h"
#include "framework/ScratchRichEdit.h"
#include "note/ThreeWayMerge.h"

#include <map>
#include <random>

namespace {

using TParagraphs = std::vector<std::vector<std::string>>;

std::string Rtf(const TParagraphs& paragraphs) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    for (size_t p = 0; p < paragraphs.size(); ++p) {
        for (size_t w = 0; w < paragraphs[p].size(); ++w)
            rtf += (w ? " " : "") + paragraphs[p][w];
        rtf += p + 1 < paragraphs.size() ? "\\par " : "";
    }
    return rtf + "\\par}";
}

std::wstring Text(const TParagraphs& paragraphs) {
    std::wstring text;
    for (size_t p = 0; p < paragraphs.size(); ++p) {
        for (size_t w = 0; w < paragraphs[p].size(); ++w)
            text += (w ? L" " : L"") + std::wstring(paragraphs[p][w].begin(), paragraphs[p][w].end());
        if (p + 1 < paragraphs.size()) text += L'\r';
    }
    return text;
}

class MergeIntoEditorTest : public NoteFixture {};

TEST_F(MergeIntoEditorTest, WordsTypedAtRandomPlacesOnBothSidesAllComeInOnce) {
    StartShown();
    TMemoNote editor(Memo());
    std::mt19937 random(20261210);
    int next = 0;
    for (int round = 0; round < 150; ++round) {
        TParagraphs base(2 + random() % 8);
        for (auto& paragraph : base)
            for (unsigned w = random() % 6; w-- > 0;)
                paragraph.push_back("mot" + std::to_string(random() % 5));
        TParagraphs ours = base, theirs = base;
        std::vector<std::string> typed;
        for (TParagraphs* side : {&ours, &theirs})
            for (unsigned n = 1 + random() % 4; n-- > 0;) {
                auto& paragraph = (*side)[random() % side->size()];
                typed.push_back("M" + std::to_string(++next));
                paragraph.insert(paragraph.begin() + static_cast<long>(random() % (paragraph.size() + 1)),
                                 typed.back());
            }
        ASSERT_TRUE(Memo().SetRtf(Rtf(ours)));
        const TPreparedNote was = PrepareNote(Rtf(base), false);
        const TMergeOutcome outcome = editor.Merge(&was, PrepareNote(Rtf(theirs), false));
        const std::wstring shown = RichTextOf(Memo().Handle());
        ASSERT_TRUE(outcome.Done) << "round " << round;
        EXPECT_TRUE(outcome.Clean) << "round " << round;
        const TTextMerge merge = MergeTexts(Text(base), Text(ours), Text(theirs));
        EXPECT_EQ(shown, Spliced(Text(ours), Text(theirs), merge.Splices)) << "round " << round;
        std::map<std::wstring, int> count;
        std::wstring word;
        for (const wchar_t c : shown + L' ') {
            if (c != L' ' && c != L'\r') {
                word += c;
            } else if (!word.empty()) {
                ++count[word];
                word.clear();
            }
        }
        for (const std::string& typedWord : typed)
            EXPECT_EQ(count[std::wstring(typedWord.begin(), typedWord.end())], 1)
                << typedWord << " round " << round;
    }
}

} // namespace
