// The merge of two edits of one note, paragraph by paragraph and then word by word, given as
// splices of ours that take their stretches from theirs.
#include "note/ParagraphLooks.h"
#include "note/ThreeWayMerge.h"

#include <gtest/gtest.h>

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
    TResult merged = Merged(kBase, L"Courses : pain, lait, oeufs\rAppeler le garage\rRendez-vous jeudi 10 h\rCantine",
                            L"Urgent\rCourses : pain, lait\rAppeler le garage\rRendez-vous jeudi 11 h");
    EXPECT_TRUE(merged.Clean);
    EXPECT_EQ(merged.Text, L"Urgent\rCourses : pain, lait, oeufs\rAppeler le garage\rRendez-vous jeudi 11 h\rCantine");

    // Different words of one paragraph; a paragraph removed on their side.
    merged = Merged(kBase, L"Courses : pain complet, lait\rAppeler le garage\rRendez-vous jeudi 10 h",
                    L"Courses : pain, lait, beurre\rRendez-vous jeudi 10 h");
    EXPECT_TRUE(merged.Clean);
    EXPECT_EQ(merged.Text, L"Courses : pain complet, lait, beurre\rRendez-vous jeudi 10 h");

    // The same change on both sides counts once; additions at one place are both kept, ours first.
    merged = Merged(kBase, L"Courses : pain, lait\rAppeler le garage demain\rRendez-vous jeudi 10 h\rde A",
                    L"Courses : pain, lait\rAppeler le garage demain\rRendez-vous jeudi 10 h\rde B");
    EXPECT_TRUE(merged.Clean);
    EXPECT_EQ(merged.Text, L"Courses : pain, lait\rAppeler le garage demain\rRendez-vous jeudi 10 h\rde A\rde B");

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
    const std::string plain = "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}\\pard\\f0 un\\par\\f1 deux\\par}";
    const std::string reordered = "{\\rtf1{\\fonttbl{\\f0 Courier;}{\\f1 Arial;}}\\pard\\f1 un\\par\\f0 deux\\par}";
    const std::string bold = "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}\\pard\\f0 un\\par\\f1 {\\b deux}\\par}";
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

TEST(ThreeWayMerge, WordsAndBlanksGiveTheParagraphBack) {
    const std::wstring paragraph = L"  deux  mots\tet fin ";
    const std::vector<std::wstring> parts = WordsAndBlanks(paragraph);
    EXPECT_EQ(parts, (std::vector<std::wstring>{L"  ", L"deux", L"  ", L"mots", L"\t", L"et", L" ", L"fin", L" "}));
    EXPECT_TRUE(WordsAndBlanks(L"").empty());
}

} // namespace
