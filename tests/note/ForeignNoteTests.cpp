#include "note/ForeignNote.h"
#include "note/RtfLexer.h"
#include "note/RtfSafetyScan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring TextOf(const std::string& rtf) {
    return MeasureDocument(rtf).Text;
}

TEST(RtfLexer, ReadsWordsParametersSymbolsBytesAndBinaryData) {
    TRtfLexer lexer("{\\fs-24 a\\'e9\\{\\bin3 {}x\\u937?\\fs99999999999999999999}");
    std::vector<TRtfToken> kinds;
    std::vector<TRtfItem> items;
    for (TRtfItem item = lexer.Next(); item.Kind != TRtfToken::rtEnd; item = lexer.Next())
        items.push_back(item);
    ASSERT_EQ(items.size(), 11u);
    EXPECT_EQ(items[1].Name, "fs");
    EXPECT_EQ(items[1].Value, -24);
    EXPECT_EQ(items[2].Name, "a"); // the blank after the word is the word's
    EXPECT_EQ(items[3].Kind, TRtfToken::rtHex);
    EXPECT_EQ(items[3].Byte, 0xE9);
    EXPECT_EQ(items[4].Kind, TRtfToken::rtSymbol);
    EXPECT_EQ(items[5].Name, "bin");
    EXPECT_EQ(items[6].Kind, TRtfToken::rtBinary);
    EXPECT_EQ(items[6].Name, "{}x");
    EXPECT_EQ(items[7].Name, "u");
    EXPECT_EQ(items[7].Value, 937);
    EXPECT_EQ(items[8].Name, "?");
    EXPECT_EQ(items[9].Value, 1'000'000'000'000'000); // held within bounds, digits as written
    EXPECT_EQ(items[9].Parameter.size(), 20u);
}

TEST(RtfSafetyScan, ReadsTheTextAReaderOfTheWholeFormatShows) {
    struct TCase {
        std::string Rtf;
        std::wstring Text;
    } cases[] = {
        {"{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
         "\\f0\\cf1 Caf\\'e9 \\b gras\\b0\\par}",
         L"Café gras\n"},
        {"{\\rtf1\\uc1 \\u937?\\u-26\\'3f{\\uc2 \\u8364\\'80\\'80}x}", L"\x3A9\xFFE6\x20AC"
                                                                       L"x"},
        {"{\\rtf1 a{\\*\\unknown hidden}{\\pict\\bin4 \x01{}\x02}b}", L"ab"},
        {"{\\rtf1 avant {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt lien}} apres}",
         L"avant lien apres"},
        {"{\\rtf1 a{\\footnote note}{\\*\\shpinst{\\shptxt forme}}{\\upr{ansi}{\\*\\ud{unicode}}}}apres",
         L"anoteformeansiapres"},
        {"{\\rtf1\\ansicpg932 \\'93\\'fa\\'96\\'7b}", L"\x65E5\x672C"},
        // A font's character set decides how its bytes read, within its group.
        {"{\\rtf1\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 MS;}}\\f0\\'e9{\\f1 "
         "\\'93\\'fa}\\'e9}",
         L"\xE9\x65E5\xE9"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TextOf(c.Rtf), c.Text) << c.Rtf;
    EXPECT_EQ(VisibleCharacters(L" a\r\n\tb\xA0 c "), 3u);
}

TEST(ForeignNote, WhatTheControlLosesIsRewrittenSoTheTextStays) {
    struct TCase {
        const char* What;
        std::string In, Out;
        bool Changed;
    } cases[] = {
        {"a field", "{\\rtf1 avant {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt{\\ul lien}}} apres}",
         "{\\rtf1 avant {{\\ul lien}} apres}", true},
        {"a result's formatting ends with it", "{\\rtf1 {\\field{\\*\\fldinst X}{\\fldrslt\\b r} apres}}",
         "{\\rtf1 {\\b r}{ apres}}", true},
        {"a field's own formatting stays in it", "{\\rtf1 {\\field\\i a{\\*\\fldinst X}{\\fldrslt r}}b}",
         "{\\rtf1 {\\i a{r}}b}", true},
        {"an unknown code page in mid-document",
         "{\\rtf1\\ansi\\ansicpg1251 a\\par\\ansicpg99999999999 texte\\par}",
         "{\\rtf1\\ansi\\ansicpg1251 a\\par\\ansicpg1251 texte\\par}", true},
        {"a font's unknown code page", "{\\rtf1{\\fonttbl{\\f0\\cpg50220 X;}}t}",
         "{\\rtf1{\\fonttbl{\\f0\\cpg1252 X;}}t}", true},
        {"a tab stop out of range", "{\\rtf1\\tx-2147483648 a\\tx2147483648\\fs99999 b}",
         "{\\rtf1\\tx0 a\\tx31680 \\fs3276 b}", true},
        {"a cut file", "{\\rtf1{\\b gras", "{\\rtf1{\\b gras}}", true},
        {"binary data cut", "{\\rtf1 a{\\pict\\bin80 xx", "{\\rtf1 a{\\pict }}", true},
        {"text after the closing brace", "{\\rtf1 a\\par}\r\nb\\par}", "{\\rtf1 a\\par\r\n\r\nb\\par}", true},
        {"text right after the closing brace", "{\\rtf1 a\\par}b}", "{\\rtf1 a\\par\r\nb}", true},
        {"a note the control takes whole", "{\\rtf1\\ansi\\ansicpg1252\\uc1 \\u233?\\bin2 {{\\par}\r\n",
         "{\\rtf1\\ansi\\ansicpg1252\\uc1 \\u233?\\bin2 {{\\par}\r\n", false},
    };
    for (const TCase& c : cases) {
        const TNoteForControl note = RewriteForControl(c.In);
        EXPECT_EQ(note.Bytes, c.Out) << c.What;
        EXPECT_EQ(!note.Changes.empty(), c.Changed) << c.What;
    }
}

// The control is given the rewritten document and the load is measured against the original's
// text: both readings must find the same text, or a kept note counts as one that lost text.
TEST(ForeignNote, TheRewrittenDocumentHoldsTheTextTheOriginalHolds) {
    const std::string fields = "{\\rtf1 {\\field{\\*\\fldinst X}";
    struct TCase {
        const char* What;
        std::string Rtf;
        std::wstring Text; // empty where it depends on the code pages the system has
    } cases[] = {
        {"text after the closing brace behind a pending fallback", "{\\rtf1\\uc5\\u233 }apres",
         L"\u00E9apres"},
        {"and read there with one fallback character", "{\\rtf1\\uc2 x}\\u233 abc}", L"x\u00E9bc"},
        {"a result that starts with a destination's name", fields + "{\\fldrslt\\info lien}}}", L"lien"},
        {"or with \\* and one", fields + "{\\fldrslt\\*\\fldinst\\b gras}}}", L"gras"},
        {"or after text in the field", fields + "t{\\fldrslt\\stylesheet 2}}}", L"t2"},
        {"or with a field's name", fields + "{\\fldrslt\\field\\fonttbl lien}}}", L"lien"},
        {"every result of a field, nested ones too",
         fields + "{\\fldrslt a{\\field{\\*\\fldinst Y}{\\fldrslt b}}}{\\*\\fldrslt c}}}", L"abc"},
        {"a result inside the instruction", "{\\rtf1 {\\field{\\*\\fldinst {\\fldrslt cache}}{\\fldrslt a}}}",
         L"a"},
        {"a field cut in its result", fields + "{\\fldrslt lien", L"lien"},
        {"text in a field outside its results",
         "{\\rtf1 {\\field avant\\~{\\*\\fldinst DATE}{\\fldrslt un}\\b\\u233?{\\fldrslt deux} apres}}",
         L"avant un\u00E9deux apres"},
        {"a group and a field in a field outside its results",
         "{\\rtf1 {\\field{\\b gras}{\\field{\\*\\fldinst PAGE}{\\fldrslt 3}}{\\*\\fldinst X}{\\fldrslt r}}}",
         L"gras3r"},
        {"a header in an ignorable group of a field", "{\\rtf1 {\\field{\\*{\\header t}}{\\fldrslt r}}}", L"tr"},
        {"a fallback and a quote without digits there", "{\\rtf1 {\\field\\u6\\N\\'}a}",
         std::wstring(L"\u0006\u0000a", 3)},
        {"a field right after a \\u, before its fallback", "{\\rtf1\\u8{\\field x}}", L"\u0008x"},
        {"a font chosen in a field outside its results",
         "{\\rtf1{\\fonttbl{\\f0\\fcharset204 A;}}{\\field\\f0\\'cf{\\*\\fldinst X}{\\fldrslt r}}}", L"\u041Fr"},
        {"a group shown apart, in a field in an ignorable group", "{\\rtf1 {\\*{\\field{\\shptxt forme}}}}", L"forme"},
        {"a code page and fonts given in a field's instruction",
         "{\\urtf1 {\\field{\\*\\fldinst {\\fonttbl{\\f1\\fcharset204 A;}}\\ansicpg1252}{\\fldrslt r}}\\'a9{\\f1 \\'cf}}",
         L"r\u00A9\u041F"},
        {"binary data cut in a field's instruction, after a \\bin without data",
         "{\\rtf1 \\bin a{\\field{\\*\\bin9 x", L"a"},
        {"a word before a field's closing brace", "{\\rtf1 {\\field{\\*\\fldinst X}\\par}ar}", L"\nar"},
        {"UTF-8 bytes, quoted or not, across a line break",
         "{\\rtf1\\ansi\\ansicpg65001 caf\\'c3\\'a9 \xC3\xA9t\\'c3\r\n\\'a9 \\{x\\}\\par}",
         L"caf\u00E9 \u00E9t\u00E9 {x}\n"},
        {"UTF-8 after a fallback byte", "{\\rtf1\\ansicpg65001\\uc1 \\u233\\'c3\\'a9x}", L"\u00E9\uFFFDx"},
        {"UTF-8 in a font of the document's code page",
         "{\\rtf1\\ansicpg65001{\\fonttbl{\\f0 A;}{\\f1\\fcharset0 B;}}\\f0 \\'c3\\'a9{\\f1 \\'c3\\'a9}}",
         L"\u00E9\u00C3\u00A9"},
        {"GB18030", "{\\rtf1\\ansicpg54936 \\'81\\'30\\'81\\'30 \\'b0\\'a1}", L""},
        {"more fallback characters than the reading skips", "{\\rtf1\\uc20 \\u233 abcdefghijklmnop}",
         L"\u00E9ijklmnop"},
    };
    for (const TCase& c : cases) {
        const std::wstring held = TextOf(c.Rtf);
        if (!c.Text.empty()) {
            EXPECT_EQ(held, c.Text) << c.What;
        }
        EXPECT_EQ(TextOf(RewriteForControl(c.Rtf).Bytes), held) << c.What;
    }
}

TEST(ForeignNote, ByteOrderMarksSayHowTheNoteIsRead) {
    const std::wstring text = L"Bonjour \xE9t\xE9 \x3A9\x3BC\x3AD\x3B3\x3B1\r\nligne";
    const std::string little = Utf16WithMark(text, false), big = Utf16WithMark(text, true);
    EXPECT_EQ(little.substr(0, 4), std::string("\xFF\xFE"
                                               "B\0",
                                               4));
    EXPECT_EQ(big.substr(0, 4), std::string("\xFE\xFF\0"
                                            "B",
                                            4));
    EXPECT_EQ(TextOf(FromByteOrder(little)), L"Bonjour \xE9t\xE9 \x3A9\x3BC\x3AD\x3B3\x3B1\nligne");
    EXPECT_EQ(TextOf(FromByteOrder(big)), TextOf(FromByteOrder(little)));

    std::string rtf16 = "\xFF\xFE";
    for (char c : std::string("{\\rtf1 \\b gras}"))
        rtf16 += std::string{c, '\0'};
    rtf16 += "\xE9";
    rtf16 += '\0';
    EXPECT_EQ(FromByteOrder(rtf16), "{\\rtf1 \\b gras}\\u233?");

    EXPECT_EQ(FromByteOrder("\xEF\xBB\xBF{\\rtf1 x}"), "{\\rtf1 x}");
    EXPECT_EQ(FromByteOrder("\xEF\xBB\xBF \r\n{\\rtf1 x}"), "{\\rtf1 x}");
    EXPECT_EQ(FromByteOrder("\xEF\xBB\xBFplain"), "\xEF\xBB\xBFplain"); // text keeps its mark
    EXPECT_EQ(FromByteOrder("{\\rtf1 x}"), "{\\rtf1 x}");
}

} // namespace
