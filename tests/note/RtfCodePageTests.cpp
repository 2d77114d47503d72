#include "note/RtfCodePage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr const char* kStandard1252 = "{\\rtf1\\ansi\\ansicpg1252\\uc1";

bool AllAscii(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct TCase {
    const char* What;
    std::string In;
    std::string Out;
};

void ExpectRewrites(unsigned codePage, const std::vector<TCase>& cases) {
    for (const TCase& c : cases) {
        const std::string out = StandardRtf(c.In, codePage);
        EXPECT_EQ(out, c.Out) << c.What;
        // Only raw binary data may hold high bytes.
        const bool binary = c.In.find("\\bin") != std::string::npos;
        EXPECT_TRUE(binary || AllAscii(out)) << c.What;
    }
}

TEST(RtfCodePage, TheControlsHeaderBecomesTheStandardOneAndItsOtherWordsStay) {
    ExpectRewrites(1252, {
                             {"bare UTF-8 header", "{\\urtf\\deflang1033{\\fonttbl{\\f0 Arial;}}\\f0 x}",
                              std::string(kStandard1252) + "\\deflang1033{\\fonttbl{\\f0 Arial;}}\\f0 x}"},
                             {"character-set words replaced wherever they stand in the header",
                              "{\\urtf1\\ansi\\deff0\\ansicpg65001\\uc0 \\deflang1036{\\fonttbl}}",
                              std::string(kStandard1252) + "\\deff0\\deflang1036{\\fonttbl}}"},
                             {"text right after a dropped word keeps a delimiter", "{\\urtf1\\ansi Hello}",
                              std::string(kStandard1252) + " Hello}"},
                             {"and a space of the text stays text", "{\\urtf1\\ansi  Hello}",
                              std::string(kStandard1252) + "  Hello}"},
                             {"an ANSI header is made standard too", "{\\rtf1\\ansi\\ansicpg1253\\deff0 x}",
                              std::string(kStandard1252) + "\\deff0 x}"},
                             {"charset words after the header are the document's own",
                              "{\\urtf\\deff0{\\f0\\fcharset161 G;}\\ansi x}",
                              std::string(kStandard1252) + "\\deff0{\\f0\\fcharset161 G;}\\ansi x}"},
                         });
}

TEST(RtfCodePage, EveryNonAsciiCharacterBecomesAUnicodeEscapeWithItsCodePageByteOrAQuestionMark) {
    const std::string h = "{\\urtf ";
    const std::string s = kStandard1252;
    ExpectRewrites(
        1252,
        {
            {"Latin-1 letter: its own byte as fallback", h + "\xC3\xA9t\xC3\xA9}",
             s + "\\u233\\'e9t\\u233\\'e9}"},
            {"euro sign, in the code page above 0x7F", h + "\xE2\x82\xAC}", s + "\\u8364\\'80}"},
            {"Greek, outside it: no look-alike", h + "\xCE\xA9\xCE\xBC}", s + "\\u937?\\u956?}"},
            {"CJK above 0x7FFF is negative", h + "\xE6\x97\xA5\xEF\xBF\xBF}", s + "\\u26085?\\u-1?}"},
            {"above U+FFFF: two surrogate escapes", h + "\xF0\x9F\x98\x80!}", s + "\\u-10179?\\u-8704?!}"},
            {"malformed UTF-8: one replacement per bad byte",
             h + "\x80" + "a\xC0\xAF" + "b\xED\xA0\x80" + "c\xE6\x97}",
             s + "\\u-3?a\\u-3?\\u-3?b\\u-3?\\u-3?\\u-3?c\\u-3?\\u-3?}"},
        });
}

TEST(RtfCodePage, ControlWordsEscapesAndBinaryDataPassUnchanged) {
    const std::string h = "{\\urtf ";
    const std::string s = kStandard1252;
    ExpectRewrites(
        1252, {
                  {"right after a control word and its space", h + "\\b \xCE\xA9}", s + "\\b \\u937?}"},
                  {"as the delimiter of a control word", h + "\\b\xCE\xA9\\f0\xC3\xA9\\fs-4\xCE\xA9}",
                   s + "\\b\\u937?\\f0\\u233\\'e9\\fs-4\\u937?}"},
                  {"hex escapes and symbols", h + "\\'e9\\'80\\\\\\{\\}\\~\\*\\par\r\n}",
                   s + "\\'e9\\'80\\\\\\{\\}\\~\\*\\par\r\n}"},
                  {"binary data with high bytes and braces", h + "{\\pict\\bin5 \xFF\xC3\xA9}{" + "\xCE\xA9}",
                   s + "{\\pict\\bin5 \xFF\xC3\xA9}{" + "\\u937?}"},
                  {"binary data cut short by the end", h + "x\\bin9 \xFF\xFE", s + " x\\bin9 \xFF\xFE"},
                  {"a quoted byte short of its digits leaves the character after it whole",
                   h + "\\'\xC3\xA9 \\'a\xCE\xA9}", s + "\\'\\u233\\'e9 \\'a\\u937?}"},
              });
    // Raw binary data is the one place where high bytes stay, also right after the header.
    EXPECT_EQ(StandardRtf("{\\urtf\\bin2 \xFF\xFE\xCE\xA9}", 1252),
              std::string(kStandard1252) + "\\bin2 \xFF\xFE\\u937?}");
}

TEST(RtfCodePage, TheFallbackCountFollowsTheGroupsUcWord) {
    const std::string h = "{\\urtf ";
    const std::string s = kStandard1252;
    ExpectRewrites(1252,
                   {
                       {"no fallback: a space ends the escape", h + "{\\uc0 \xCE\xA9x}\xCE\xA9}",
                        s + "{\\uc0 \\u937 x}\\u937?}"},
                       {"two fallbacks", h + "{\\uc2 \xC3\xA9\xCE\xA9}", s + "{\\uc2 \\u233\\'e9?\\u937??}"},
                       {"a quoted brace opens or closes no group", h + "{\\uc0 \\}\xCE\xA9}\xCE\xA9}",
                        s + "{\\uc0 \\}\\u937 }\\u937?}"},
                       {"braces inside binary data neither", h + "{\\uc0 \\bin1 }\xCE\xA9}\xCE\xA9}",
                        s + "{\\uc0 \\bin1 }\\u937 }\\u937?}"},
                   });
}

TEST(RtfCodePage, FontNamesTakeTheCodePagesBytesWhereItHasThem) {
    const std::string in = "{\\urtf{\\fonttbl{\\f0 Caf\xC3\xA9 \xCE\xA9;}{\\f1 \xEF\xBC\xAD\xEF\xBC\xB3;}}"
                           "\\f0 \xC3\xA9\xEF\xBC\xAD}";
    EXPECT_EQ(StandardRtf(in, 1252),
              std::string(kStandard1252) +
                  "{\\fonttbl{\\f0 Caf\\'e9 \\u937?;}{\\f1 \\u-211?\\u-205?;}}\\f0 \\u233\\'e9\\u-211?}");
    EXPECT_EQ(StandardRtf(in, 932), "{\\rtf1\\ansi\\ansicpg932\\uc1{\\fonttbl{\\f0 Caf\\u233? \\'83\\'b6;}"
                                    "{\\f1 \\'82\\'6c\\'82\\'72;}}\\f0 \\u233?\\u-211?}");
}

TEST(RtfCodePage, TheDeclaredCodePageDecidesTheFallbackBytes) {
    const std::string in = "{\\urtf \xC3\xA9\xCE\xA9\xEF\xBD\xB1\xE6\x97\xA5}";
    EXPECT_EQ(StandardRtf(in, 1253), "{\\rtf1\\ansi\\ansicpg1253\\uc1\\u233?\\u937\\'d9\\u-143?\\u26085?}");
    // A double-byte code page: its single-byte half-width forms are kept, double bytes are not.
    EXPECT_EQ(StandardRtf(in, 932), "{\\rtf1\\ansi\\ansicpg932\\uc1\\u233?\\u937?\\u-143\\'b1\\u26085?}");
    EXPECT_EQ(RtfHeaderCodePage(1252), 1252u);
    EXPECT_EQ(RtfHeaderCodePage(1251), 1251u);
    EXPECT_EQ(RtfHeaderCodePage(932), 932u);
    EXPECT_EQ(RtfHeaderCodePage(65001), 1252u);
}

TEST(RtfCodePage, TextThatTheCodePageHoldsWholeStaysItsBytesAndOneCharacterBeyondEscapesItAll) {
    const std::string s = kStandard1252;
    const std::string fonts = "{\\fonttbl{\\f0 Caf\xC3\xA9 \xCE\xA9;}}";
    // A font name beyond the code page does not count: only the text decides.
    EXPECT_EQ(StandardRtf("{\\urtf1" + fonts + "d\xC3\xA9j\xC3\xA0 \xE2\x82\xAC\\b \xC5\x93}", 1252, true),
              s + "{\\fonttbl{\\f0 Caf\\'e9 \\u937?;}}d\\'e9j\\'e0 \\'80\\b \\'9c}");
    // Found at the very end, after text that fitted: nothing of the first attempt stays.
    const std::string late = "{\\urtf1 \xC3\xA9t\xC3\xA9 " + std::string(5000, 'x') + "\xCE\xA9}";
    EXPECT_EQ(StandardRtf(late, 1252, true), StandardRtf(late, 1252));
    EXPECT_EQ(StandardRtf(late, 1252, true).rfind(s + "\\u233\\'e9t\\u233\\'e9 xx", 0), 0u);
    for (const std::string& beyond : {std::string("\xF0\x9F\x98\x80"), std::string("\xC0\xAF")}) {
        const std::string in = "{\\urtf1 \xC3\xA9" + beyond + "}";
        EXPECT_EQ(StandardRtf(in, 1252, true), StandardRtf(in, 1252)) << "surrogates and bad bytes";
    }
    // Double bytes of a double-byte code page are the code page's too.
    EXPECT_EQ(StandardRtf("{\\urtf1 \xE6\x97\xA5\xEF\xBD\xB1"
                          "a}",
                          932, true),
              "{\\rtf1\\ansi\\ansicpg932\\uc1\\'93\\'fa\\'b1a}");
}

} // namespace
