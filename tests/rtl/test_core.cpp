#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"

#include <gtest/gtest.h>

TEST(Exceptions, ClassNameAndAncestry) {
    try {
        throw EFOpenError("Cannot open file \"x.ini\"");
    } catch (const Exception& e) {
        EXPECT_EQ(e.ClassName(), "EFOpenError");
        EXPECT_EQ(e.Message(), "Cannot open file \"x.ini\"");
        EXPECT_TRUE(e.InheritsFrom("estreamerror"));
        EXPECT_TRUE(e.InheritsFrom("Exception"));
        EXPECT_FALSE(e.InheritsFrom("EConvertError"));
        EXPECT_STREQ(e.what(), "Cannot open file \"x.ini\"");
    }
}

TEST(Exceptions, RaiseKeepsDynamicType) {
    const Exception& base = EZeroDivide("Floating point division by zero");
    EXPECT_THROW(base.Raise(), EZeroDivide);
}

enum TColor3 { cRed, cGreen, cBlue };

TEST(Set, Operators) {
    TSet<TColor3> a{cRed, cGreen}, b{cGreen, cBlue};
    EXPECT_TRUE((a + b) == (TSet<TColor3>{cRed, cGreen, cBlue}));
    EXPECT_TRUE((a - b) == TSet<TColor3>{cRed});
    EXPECT_TRUE((a * b) == TSet<TColor3>{cGreen});
    EXPECT_TRUE(TSet<TColor3>{cGreen} <= a);
    EXPECT_FALSE(b <= a);
    EXPECT_TRUE(TSet<TColor3>().Empty());
    EXPECT_EQ(TSet<TColor3>::FromInt(a.ToInt()), a);
}

TEST(Rect, IntersectAndUnion) {
    TRect r;
    EXPECT_TRUE(IntersectRect(r, Rect(0, 0, 10, 10), Rect(5, 5, 20, 20)));
    EXPECT_EQ(r, Rect(5, 5, 10, 10));
    EXPECT_FALSE(IntersectRect(r, Rect(0, 0, 10, 10), Rect(10, 0, 20, 10)));
    EXPECT_TRUE(r.IsEmpty());
    EXPECT_TRUE(UnionRect(r, Rect(0, 0, 0, 0), Rect(1, 1, 3, 3)));
    EXPECT_EQ(r, Rect(1, 1, 3, 3));
    EXPECT_FALSE(PtInRect(Rect(0, 0, 10, 10), Point(10, 5)));
}

#include "platform/rtl/TextCase.h"

TEST(TextCase, KeepsLengthAndScope) {
    SetCaseLocale("ru_RU");
    EXPECT_EQ(AnsiUpperCase(QString::fromUtf8("привет straße")), QString::fromUtf8("ПРИВЕТ STRAßE"));
    EXPECT_EQ(UpperCase(QString::fromUtf8("abc привет")), QString::fromUtf8("ABC привет"));
    EXPECT_EQ(AnsiLowerCase(QString::fromUtf8("ЁЖИК")), QString::fromUtf8("ёжик"));
    EXPECT_TRUE(AnsiSameText(QString::fromUtf8("Ёжик"), QString::fromUtf8("ЁЖИК")));
    EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
    EXPECT_GT(CompareStr("a", "B"), 0); // ordinal: 'a' sorts after 'B'
    EXPECT_EQ(CompareText("a", "A"), 0);
    SetCaseLocale("tr_TR");
    EXPECT_EQ(AnsiUpperCase("i"), QString(QChar(0x0130)));
    EXPECT_EQ(UpperCase("i"), "I"); // names stay invariant under a Turkish locale
    SetCaseLocale("en_US");
}
