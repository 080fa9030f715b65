#include "TallowinCore/base/UnicodeText.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

TEST(UnicodeTextTrim, WhitespaceAndNewlinesFromBothEnds)
{
    EXPECT_EQ(UnicodeText::trimmedWhitespaceAndNewlines("\u00a0\t\n Review plan \u3000\r\n\u2028"), "Review plan");
    EXPECT_EQ(UnicodeText::trimmedWhitespaceAndNewlines(" \n\t\u2003 "), "");
    EXPECT_EQ(UnicodeText::trimmedWhitespaceAndNewlines(""), "");
    EXPECT_EQ(UnicodeText::trimmedWhitespaceAndNewlines("plain"), "plain");
    // Invalid bytes are content, not blanks.
    EXPECT_EQ(UnicodeText::trimmedWhitespaceAndNewlines(" \xff \xc3 "), "\xff \xc3");
}

TEST(UnicodeTextTrim, SpacesAndTabsKeepLineBreaks)
{
    EXPECT_EQ(UnicodeText::trimmedSpacesAndTabs("\t\u2003 Review \n"), "Review \n");
    EXPECT_EQ(UnicodeText::trimmedSpacesAndTabs("\nReview\t\u00a0"), "\nReview");
    EXPECT_EQ(UnicodeText::trimmedSpacesAndTabs(" \t "), "");
}

TEST(UnicodeTextFold, CaseAndDiacriticsCompareEqual)
{
    EXPECT_EQ(UnicodeText::foldedCaseAndDiacritics("café"), "cafe");
    EXPECT_EQ(UnicodeText::foldedCaseAndDiacritics("CAFE"), "cafe");
    EXPECT_EQ(UnicodeText::foldedCaseAndDiacritics("Café"), "cafe");
    // Decomposed e + combining acute folds like the composed letter.
    EXPECT_EQ(UnicodeText::foldedCaseAndDiacritics("Cafe\u0301"), "cafe");
    EXPECT_EQ(UnicodeText::foldedCaseAndDiacritics("Straße"), UnicodeText::foldedCaseAndDiacritics("STRASSE"));
    EXPECT_EQ(UnicodeText::foldedCaseAndDiacritics("Ελληνικά"), "ελληνικα");
}

TEST(UnicodeTextFold, WidthFoldingIsSeparate)
{
    // Without width folding, full-width letters only lose their case.
    EXPECT_EQ(UnicodeText::foldedCaseAndDiacritics("ＣＡＦÉ"), "ｃａｆe");
    EXPECT_EQ(UnicodeText::foldedCaseDiacriticsAndWidth("ＣＡＦÉ"), "cafe");
    EXPECT_EQ(UnicodeText::foldedCaseDiacriticsAndWidth("Ｑ３\u3000Ｐｌａｎ！"), "q3 plan!");
    EXPECT_EQ(UnicodeText::foldedCaseDiacriticsAndWidth("ｶﾀｶﾅ"), "カタカナ");
    // Compatibility forms other than width variants are left alone.
    EXPECT_EQ(UnicodeText::foldedCaseDiacriticsAndWidth("x²"), "x²");
}

} // namespace
} // namespace tallowin
