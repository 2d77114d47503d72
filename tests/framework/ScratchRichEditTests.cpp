// The control no one sees: stretches of one document go into another with their formatting, and
// the text reads as positions count it.
#include "framework/ScratchRichEdit.h"

#include <gtest/gtest.h>

#include <richedit.h>

namespace {

const std::string kTheirs = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 one {\\b two}\\par three\\par}";

bool BoldAt(TScratchRichEdit& edit, LONG at) {
    CHARRANGE range{at, at + 1};
    SendMessageW(edit.Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(edit.Handle(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
}

TEST(ScratchRichEdit, StretchesOfAnotherDocumentComeInWithTheirFormattingAndNothingMore) {
    // Plain text reads as plain whatever the control's own default.
    TScratchRichEdit like;
    CHARFORMAT2W plain{};
    plain.cbSize = sizeof(plain);
    plain.dwMask = CFM_BOLD | CFM_FACE | CFM_SIZE;
    plain.yHeight = 200;
    wcscpy(plain.szFaceName, L"Arial");
    SendMessageW(like.Handle(), EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&plain));
    TScratchRichEdit their(like.Handle()), work(like.Handle());
    ASSERT_TRUE(their && work);
    ASSERT_TRUE(their.Load(kTheirs, true));
    EXPECT_EQ(their.Text(), L"one two\rthree");
    ASSERT_TRUE(work.Load("plain\r\ntext", false));
    ASSERT_EQ(work.Text(), L"plain\rtext");

    // A stretch inside a paragraph, then one that ends a paragraph.
    EXPECT_FALSE(BoldAt(their, 3));
    ASSERT_TRUE(work.ReplaceWithRtf(5, 5, their.RangeRtf(3, 7)));
    ASSERT_EQ(work.Text(), L"plain two\rtext");
    EXPECT_EQ(work.Length(), 14);
    EXPECT_TRUE(BoldAt(work, 7));
    EXPECT_FALSE(BoldAt(work, 2)) << their.RangeRtf(3, 7) << "\n---\n" << work.Rtf();
    EXPECT_FALSE(BoldAt(work, 5));
    const std::string whole = work.Rtf();
    EXPECT_NE(whole.find("\\b"), std::string::npos);

    TScratchRichEdit again;
    ASSERT_TRUE(again.Load(whole, true));
    EXPECT_EQ(again.Text(), L"plain two\rtext");
    again.ReplaceWithText(0, 5, L"");
    EXPECT_EQ(again.Text(), L" two\rtext");
}

} // namespace
