// The merge of two edits of one note, paragraph by paragraph and then word by word, given as
// splices of ours that take their stretches from theirs.
#include "note/ParagraphLooks.h"
#include "note/ThreeWayMerge.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cwctype>
#include <random>

namespace {

const std::wstring kBase = L"Courses : pain, lait\rAppeler le garage\rRendez-vous jeudi 10 h";

struct TResult {
    std::wstring Text;
    bool Clean;
};

TResult Merged(const std::wstring& base, const std::wstring& ours, const std::wstring& theirs) {
    const TTextMerge merge = MergeTexts(base, ours, theirs);
    return {Spliced(ours, theirs, merge.Splices), merge.Clean};
}

TEST(ThreeWayMerge, EditsOfDifferentParagraphsOrWordsAreBothKept) {
    // Different paragraphs, one added at the end on our side, one at the start on theirs.
    TResult merged =
        Merged(kBase, L"Courses : pain, lait, oeufs\rAppeler le garage\rRendez-vous jeudi 10 h\rCantine",
               L"Urgent\rCourses : pain, lait\rAppeler le garage\rRendez-vous jeudi 11 h");
    EXPECT_TRUE(merged.Clean);
    EXPECT_EQ(merged.Text,
              L"Urgent\rCourses : pain, lait, oeufs\rAppeler le garage\rRendez-vous jeudi 11 h\rCantine");

    // Different words of one paragraph; a paragraph removed on their side.
    merged = Merged(kBase, L"Courses : pain complet, lait\rAppeler le garage\rRendez-vous jeudi 10 h",
                    L"Courses : pain, lait, beurre\rRendez-vous jeudi 10 h");
    EXPECT_TRUE(merged.Clean);
    EXPECT_EQ(merged.Text, L"Courses : pain complet, lait, beurre\rRendez-vous jeudi 10 h");

    // The same change on both sides counts once; additions at one place are both kept, ours first.
    merged = Merged(kBase, L"Courses : pain, lait\rAppeler le garage demain\rRendez-vous jeudi 10 h\rde A",
                    L"Courses : pain, lait\rAppeler le garage demain\rRendez-vous jeudi 10 h\rde B");
    EXPECT_TRUE(merged.Clean);
    EXPECT_EQ(merged.Text,
              L"Courses : pain, lait\rAppeler le garage demain\rRendez-vous jeudi 10 h\rde A\rde B");

    // An edit that came back through the file counts once, wherever its blank was matched and
    // whatever was typed after it meanwhile.
    EXPECT_EQ(Merged(L"x soir blanc", L"soir A1 blanc", L"x soir A1 blanc").Text, L"soir A1 blanc");
    EXPECT_EQ(Merged(L"soir blanc", L"soir A1 B2 blanc", L"soir A1 blanc").Text, L"soir A1 B2 blanc");
    EXPECT_EQ(Merged(L"soir blanc", L"soir A1 blanc", L"soir A1 B2 blanc").Text, L"soir A1 B2 blanc");

    // Words typed at the end of the last paragraph on both sides, and into an empty note.
    EXPECT_EQ(Merged(L"un", L"un deux", L"un trois").Text, L"un deux trois");
    EXPECT_EQ(Merged(L"", L"A", L"B").Text, L"A B");
    EXPECT_EQ(Merged(L"a\rb", L"a\rb", L"a").Text, L"a");
    // A note cleared on our side is no paragraph at all: theirs' new one comes in alone.
    EXPECT_EQ(Merged(L"a\rb", L"", L"a\rb\rc").Text, L"c");
}

TEST(ThreeWayMerge, TheSameWordsChangedDifferentlyKeepOursThereAndSaySo) {
    TResult merged = Merged(kBase, L"Courses : pain, lait\rAppeler le garage\rRendez-vous vendredi 10 h",
                            L"Courses : pain\rAppeler le garage\rRendez-vous samedi 10 h, salle 2");
    EXPECT_FALSE(merged.Clean);
    EXPECT_EQ(merged.Text, L"Courses : pain\rAppeler le garage\rRendez-vous vendredi 10 h, salle 2");

    // A paragraph one side removed and the other changed: ours stands.
    merged = Merged(kBase, L"Courses : pain, lait\rRendez-vous jeudi 10 h",
                    L"Courses : pain, lait\rAppeler le garage avant midi\rRendez-vous jeudi 10 h");
    EXPECT_FALSE(merged.Clean);
    EXPECT_EQ(merged.Text, L"Courses : pain, lait\rRendez-vous jeudi 10 h");
}

TEST(ThreeWayMerge, SplicesTakeTheirStretchesAndMoveTheCaretWithTheText) {
    const std::wstring ours = L"un deux\rtrois", theirs = L"zéro un deux\rtrois quatre";
    const TTextMerge merge = MergeTexts(L"un deux\rtrois", ours, theirs);
    ASSERT_EQ(merge.Splices.size(), 2u);
    // Each inserted stretch is theirs, where theirs has it, so it keeps its formatting.
    EXPECT_EQ(merge.Splices[0], (TSplice{0, 0, {{0, 5}}}));
    EXPECT_EQ(merge.Splices[1], (TSplice{13, 0, {{18, 25}}}));
    EXPECT_EQ(MovedBy(0, merge.Splices), 0u); // before what came in at the caret
    EXPECT_EQ(MovedBy(3, merge.Splices), 8u);
    EXPECT_EQ(MovedBy(13, merge.Splices), 18u);

    // Inside a stretch their side replaced: at the end of the replacement.
    const std::vector<TSplice> replaced{{2, 4, {{0, 1}}}};
    EXPECT_EQ(MovedBy(4, replaced), 3u);
    EXPECT_EQ(MovedBy(7, replaced), 4u);
}

TEST(ThreeWayMerge, WithoutACommonAncestorTheUnionKeepsEverythingOfBoth) {
    // A copy the sync engine made: words and paragraphs only it has go in where they stand in it;
    // nothing of ours goes out, even what the copy lacks.
    const std::wstring ours = L"Courses pain lait oeufs\rAppeler le garage\rRendez-vous jeudi 10 h";
    const std::wstring copy = L"Courses bon pain lait\rNouveau\rRendez-vous jeudi 10 h B0001";
    const TTextMerge merge = UniteTexts(ours, copy);
    EXPECT_TRUE(merge.Clean);
    EXPECT_EQ(Spliced(ours, copy, merge.Splices),
              L"Courses bon pain lait oeufs\rAppeler le garage\rNouveau\rRendez-vous jeudi 10 h B0001");
    EXPECT_TRUE(UniteTexts(ours, ours).Splices.empty());
    // Words are matched rather than the blanks around them: no word comes twice.
    const std::wstring mine = L"par pluie B0031 calme", their = L"par A0025 pluie calme";
    EXPECT_EQ(Spliced(mine, their, UniteTexts(mine, their).Splices), L"par A0025 pluie B0031 calme");
}

TEST(ThreeWayMerge, FormattingTheirsAloneChangedComesWithItsParagraphAndIsNeverDroppedUnsaid) {
    // Looks as the writer gives them: the tables' order does not count, a bold word does.
    const std::string plain =
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}\\pard\\f0 un\\par\\f1 deux\\par}";
    const std::string reordered =
        "{\\rtf1{\\fonttbl{\\f0 Courier;}{\\f1 Arial;}}\\pard\\f1 un\\par\\f0 deux\\par}";
    const std::string bold =
        "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}\\pard\\f0 un\\par\\f1 {\\b deux}\\par}";
    const std::vector<std::string> looks = ParagraphLooks(plain + '\0');
    ASSERT_EQ(looks.size(), 2u);
    EXPECT_EQ(ParagraphLooks(reordered), looks);
    EXPECT_EQ(ParagraphLooks(bold)[0], looks[0]);
    EXPECT_NE(ParagraphLooks(bold)[1], looks[1]);

    // Theirs made "deux" bold; ours typed in the other paragraph: theirs' paragraph comes whole.
    TParagraphLooks sides{looks, {looks[0], looks[1]}, ParagraphLooks(bold)};
    TTextMerge merge = MergeTexts(L"un\rdeux", L"un et\rdeux", L"un\rdeux", &sides);
    EXPECT_TRUE(merge.Clean);
    EXPECT_EQ(merge.Splices, (std::vector<TSplice>{{6, 4, {{3, 7}}}}));
    // Ours typed in the paragraph theirs made bold: ours stands there, and the merge says so.
    merge = MergeTexts(L"un\rdeux", L"un\rdeux trois", L"un\rdeux", &sides);
    EXPECT_FALSE(merge.Clean);
    EXPECT_TRUE(merge.Splices.empty());
}

TEST(ThreeWayMerge, RandomEditsOfBothSidesKeepEveryWordTyped) {
    // Notes of a few short paragraphs, some empty; each side types new words at random places,
    // and now and then deletes one of the note's own.
    std::mt19937 random(38);
    using TNote = std::vector<std::vector<std::wstring>>;
    const auto text = [](const TNote& note) {
        std::wstring joined;
        for (size_t p = 0; p < note.size(); ++p) {
            for (size_t w = 0; w < note[p].size(); ++w)
                joined += (w ? L" " : L"") + note[p][w];
            if (p + 1 < note.size()) joined += L'\r';
        }
        return joined;
    };
    // How many times the word stands on its own (not run into another).
    const auto times = [](const std::wstring& merged, const std::wstring& word) {
        int found = 0;
        for (size_t at = merged.find(word); at != std::wstring::npos; at = merged.find(word, at + 1))
            found += (at == 0 || std::iswspace(merged[at - 1])) &&
                     (at + word.size() == merged.size() || std::iswspace(merged[at + word.size()]));
        return found;
    };
    int next = 0, unclean = 0;
    const int rounds = 20000;
    for (int round = 0; round < rounds; ++round) {
        TNote base(1 + random() % 8);
        for (auto& paragraph : base)
            for (unsigned w = random() % 6; w-- > 0;)
                paragraph.push_back(L"mot" + std::to_wstring(random() % 5));
        TNote ours = base, theirs = base;
        std::vector<std::wstring> typed;
        // Half the rounds only type: those never collide.
        const bool deletes = round % 2 == 1;
        for (TNote* side : {&ours, &theirs})
            for (unsigned n = 1 + random() % 4; n-- > 0;) {
                auto& paragraph = (*side)[random() % side->size()];
                if (deletes && random() % 4 == 0 && !paragraph.empty()) {
                    const auto gone = paragraph.begin() + static_cast<long>(random() % paragraph.size());
                    std::erase(typed, *gone); // a word typed and taken out again is no edit
                    paragraph.erase(gone);
                    continue;
                }
                typed.push_back(L"M" + std::to_wstring(++next));
                paragraph.insert(paragraph.begin() + static_cast<long>(random() % (paragraph.size() + 1)),
                                 typed.back());
            }
        const TTextMerge merge = MergeTexts(text(base), text(ours), text(theirs));
        const std::wstring merged = Spliced(text(ours), text(theirs), merge.Splices);
        // One side alone changed: the merge is that side.
        EXPECT_EQ(Spliced(text(base), text(theirs), MergeTexts(text(base), text(base), text(theirs)).Splices),
                  text(theirs));
        EXPECT_TRUE(MergeTexts(text(base), text(ours), text(base)).Splices.empty());
        if (!merge.Clean) {
            unclean += !deletes;
            continue;
        }
        // Every word typed stands as a word of its own (never run into another), once.
        for (const std::wstring& word : typed)
            ASSERT_EQ(times(merged, word), 1) << "round " << round << ": " << word << "\n"
                                              << testing::PrintToString(text(base)) << "\n"
                                              << testing::PrintToString(text(ours)) << "\n"
                                              << testing::PrintToString(text(theirs)) << "\n"
                                              << testing::PrintToString(merged);
    }
    // Words typed never collide, whatever their places; the few merges still left unclean (runs
    // of paragraphs both sides edited that the alignment pairs differently) keep theirs apart.
    std::printf("%d of %d merges of words typed on both sides left unclean\n", unclean, rounds / 2);
    EXPECT_LE(unclean * 1000, rounds / 2);
}

TEST(ThreeWayMerge, WordsAndBlanksGiveTheParagraphBack) {
    const std::wstring paragraph = L"  deux  mots\tet fin ";
    const std::vector<std::wstring> parts = WordsAndBlanks(paragraph);
    EXPECT_EQ(parts,
              (std::vector<std::wstring>{L"  ", L"deux", L"  ", L"mots", L"\t", L"et", L" ", L"fin", L" "}));
    EXPECT_TRUE(WordsAndBlanks(L"").empty());
}

} // namespace
