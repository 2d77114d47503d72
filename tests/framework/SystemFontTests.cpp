// The faces the windows ask for by name must be there with their own metrics: the note's default
// Arial, the forms' MS Sans Serif, the credits' Courier, the caption buttons' Marlett. Where one
// is missing the system quietly picks another face, and sizes, line breaks and pictures change.
// Under Wine that depends on the prefix the scripts prepare; on Windows they are all installed.
#include "framework/Font.h"
#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct TSelectedFont {
    TScreenDC Screen;
    HGDIOBJ Old;
    explicit TSelectedFont(TFont& font) : Old(SelectObject(Screen.Get(), font.Handle())) {}
    ~TSelectedFont() { SelectObject(Screen.Get(), Old); }
    TSelectedFont(const TSelectedFont&) = delete;
    TSelectedFont& operator=(const TSelectedFont&) = delete;

    std::wstring Face() const {
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(Screen.Get(), LF_FACESIZE, face);
        return face;
    }
    TEXTMETRICW Metrics() const {
        TEXTMETRICW tm{};
        GetTextMetricsW(Screen.Get(), &tm);
        return tm;
    }
    int Width(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(Screen.Get(), text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
};

struct TFaceCase {
    const wchar_t* Name;
    BYTE Charset;
    BYTE Family;    // FF_SWISS, FF_ROMAN, FF_MODERN, or FF_DONTCARE to leave unchecked
    int FixedPitch; // 1 fixed, 0 proportional, -1 unchecked
};

void PrintTo(const TFaceCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.Name);
}

class SystemFontTest : public ::testing::TestWithParam<TFaceCase> {};

TEST_P(SystemFontTest, TheFaceAskedForIsTheFaceDrawn) {
    const TFaceCase& c = GetParam();
    TFont font;
    font.SetName(c.Name);
    font.SetCharset(c.Charset);
    font.SetHeight(-13);
    TSelectedFont selected(font);
    EXPECT_EQ(selected.Face(), c.Name);
    const TEXTMETRICW tm = selected.Metrics();
    // TMPF_FIXED_PITCH set means a proportional font, as the header says.
    if (c.FixedPitch >= 0) {
        EXPECT_EQ((tm.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0, c.FixedPitch == 1);
    }
    if (c.Family != FF_DONTCARE) {
        EXPECT_EQ(tm.tmPitchAndFamily & 0xF0, c.Family);
    }
}

INSTANTIATE_TEST_SUITE_P(FacesTheProgramUses, SystemFontTest,
                         ::testing::Values(TFaceCase{L"Arial", DEFAULT_CHARSET, FF_SWISS, 0},
                                           TFaceCase{L"Times New Roman", DEFAULT_CHARSET, FF_ROMAN, 0},
                                           TFaceCase{L"Courier New", DEFAULT_CHARSET, FF_MODERN, 1},
                                           TFaceCase{L"Courier", DEFAULT_CHARSET, FF_MODERN, 1},
                                           TFaceCase{L"MS Sans Serif", DEFAULT_CHARSET, FF_SWISS, 0},
                                           TFaceCase{L"Tahoma", DEFAULT_CHARSET, FF_SWISS, 0},
                                           TFaceCase{L"Marlett", SYMBOL_CHARSET, FF_DONTCARE, -1}),
                         [](const ::testing::TestParamInfo<TFaceCase>& info) {
                             std::string name;
                             for (const wchar_t* p = info.param.Name; *p; ++p)
                                 if (*p != L' ') name += static_cast<char>(*p);
                             return name;
                         });

// At a character height of 1000 pixels the advance widths are the fonts' published widths per
// thousand of the em, so a face of other metrics shows at once. One pixel a letter is rounding.
TEST(SystemFontMetrics, AdvanceWidthsAreThoseOfTheFacesNamed) {
    struct TWidthCase {
        const wchar_t* Name;
        int Expected; // "Quillpad": Q u i l l p a d
    } cases[] = {
        {L"Arial", 778 + 556 + 222 + 222 + 222 + 556 + 556 + 556},
        {L"Times New Roman", 722 + 500 + 278 + 278 + 278 + 500 + 444 + 500},
        {L"Courier New", 8 * 600},
    };
    for (const TWidthCase& c : cases) {
        TFont font;
        font.SetName(c.Name);
        font.SetHeight(-1000);
        TSelectedFont selected(font);
        EXPECT_NEAR(selected.Width(L"Quillpad"), c.Expected, 8) << "face " << testing::PrintToString(c.Name);
    }
}

} // namespace
