#include "note/RtfSafetyScan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHeader = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}";

std::string Nested(int groups) {
    return kHeader + std::string(groups, '{') + "x" + std::string(groups, '}') + "\\par}";
}

std::string WithFontName(size_t length) {
    return "{\\rtf1\\ansi{\\fonttbl{\\f0 " + std::string(length, 'A') + ";}}\\f0 x\\par}";
}

std::string WithStyleName(size_t length) {
    return kHeader + "{\\stylesheet{\\s1 " + std::string(length, 'A') + ";}}x\\par}";
}

TEST(RtfSafetyScan, MeasuresDepthWordsParametersAndTableNames) {
    const TDocumentFigures f =
        MeasureDocument("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Liberation Sans;}"
                        "{\\f1 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;}"
                        "\\f0\\fs-24 {\\b {\\i deep}}\\par}");
    EXPECT_TRUE(f.Rtf);
    EXPECT_EQ(f.GroupDepth, 3);
    EXPECT_EQ(f.ControlWordLength, 8u); // "colortbl"
    EXPECT_EQ(f.ParameterLength, 4u);   // "1252"
    EXPECT_EQ(f.TableTextLength, 15u);  // "Liberation Sans"
    EXPECT_TRUE(f.HoldsText);
}

TEST(RtfSafetyScan, RefusesWhatMakesTheControlFaultAndTakesWhatWritersProduce) {
    // Figures at which the control's reader was seen to fault under Wine, and the limits below.
    struct TCase {
        const char* What;
        std::string Bytes;
        bool Safe;
    } cases[] = {
        {"groups nested to the limit", Nested(TRtfLimits::GroupDepth - 1), true},
        {"groups nested past the limit", Nested(TRtfLimits::GroupDepth), false},
        {"groups never closed", kHeader + std::string(40, '{') + "x", false},
        {"a control word at the limit",
         kHeader + "\\" + std::string(TRtfLimits::ControlWordLength, 'a') + " x}", true},
        {"a control word of 2,000 letters", kHeader + "\\" + std::string(2000, 'a') + " x}", false},
        {"a parameter of 1,100 digits", kHeader + "\\fs" + std::string(1100, '1') + " x}", false},
        {"a parameter past the limit",
         kHeader + "\\fs-" + std::string(TRtfLimits::ParameterLength, '1') + " x}", false},
        {"a font name at the limit", WithFontName(TRtfLimits::TableTextLength), true},
        {"a font name of 5,000 characters", WithFontName(5000), false},
        {"a font name of escaped characters",
         "{\\rtf1{\\fonttbl{\\f0 " +
             [] {
                 std::string name;
                 for (int i = 0; i < 1100; ++i)
                     name += "\\'41";
                 return name;
             }() +
             ";}}x}",
         false},
        {"a style name of 1,100 characters", WithStyleName(1100), false},
        {"long text in the body", kHeader + std::string(100000, 'x') + "}", true},
        {"a file that is only a byte-order mark", "\xEF\xBB\xBF", false},
        {"a byte-order mark and a line", "\xEF\xBB\xBFline\r\n", true},
        {"plain text with deep braces", std::string(40, '{') + "x" + std::string(40, '}'), true},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(SafeForControl(MeasureDocument(c.Bytes)), c.Safe) << c.What;
}

TEST(RtfSafetyScan, BinaryDataIsNotTextButItsBracesCountForTheDepth) {
    std::string binary;
    for (int i = 0; i < 50; ++i)
        binary += "\x01{}\xFF";
    const TDocumentFigures f =
        MeasureDocument("{\\rtf1{\\pict\\wmetafile8\\bin200 " + binary + "}\\{ \\} \\\\ \\'e9\\par}");
    EXPECT_EQ(f.GroupDepth, 3);
    EXPECT_TRUE(SafeForControl(f));
    EXPECT_TRUE(f.HoldsText);
    // The control's reader opens these groups whatever the count before them says.
    const std::string deep = std::string(33, '{') + "x" + std::string(33, '}');
    EXPECT_FALSE(SafeForControl(MeasureDocument(kHeader + "\\bin80 " + deep + "\\par}")));
    EXPECT_FALSE(SafeForControl(MeasureDocument(kHeader + "{\\pict\\bin300 " + deep + "}\\par}")));
}

TEST(RtfSafetyScan, TellsWhetherTheBodyHoldsText) {
    struct TCase {
        const char* Bytes;
        bool HoldsText;
    } cases[] = {
        // The control's own empty note: tables, generator and paragraph marks only.
        {"{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
         "{\\colortbl ;\\red255\\green0\\blue0;}\r\n{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
         "\\pard\\f0\\fs20\\par\r\n}\r\n",
         false},
        {"{\\rtf1{\\info{\\title A title}{\\author Someone}}\\par\\par}", false},
        {"{\\rtf1{\\*\\unknown hidden words}\\par}", false},
        {"{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt }}}", false},
        {"{\\rtf1 }", false},
        // Text after the closing brace is the document's text all the same.
        {"{\\rtf1 }trailing words outside the document", true},
        // A code page the control does not know: it shows nothing, yet there is text.
        {"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\ansicpg99999999999 texte\\par}", true},
        {"{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}", true},
        {"{\\rtf1 \\u937?\\par}", true},
        {"{\\rtf1 \\'e9\\par}", true},
        {"{\\rtf1 \\bullet\\par}", true},
        {"{\\rtf1 ;}", true},
        {"\xEF\xBB\xBF \r\n\t", false},
        {"plain", true},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(MeasureDocument(c.Bytes).HoldsText, c.HoldsText) << c.Bytes;
}

} // namespace
