// The markup parser: which tags it takes, what stays text, the formatting and source position of
// every character, and how lines of entries split.

#include "report/core/rptHTMLTags.h"

#include <gtest/gtest.h>

namespace {

// One letter per formatting feature of an entry: B I U S (styles), _ subscript, ^ superscript,
// N no-wrap, a colour other than the default as #rrggbb, and "=" when the entry is marked as
// continuing the formatting before it. Entries are separated by blanks.
QString Describe(const TrptHTMLTags& line, const TrptHTMLTagsList& list) {
    QStringList parts;
    for (int i = 0; i < line.Count(); ++i) {
        const TrptHTMLTag& t = line.Items(i);
        QString d;
        if (t.Style.Contains(fsBold)) d += QLatin1Char('B');
        if (t.Style.Contains(fsItalic)) d += QLatin1Char('I');
        if (t.Style.Contains(fsUnderline)) d += QLatin1Char('U');
        if (t.Style.Contains(fsStrikeOut)) d += QLatin1Char('S');
        if (t.Size != list.DefSize()) d += t.AddY ? QLatin1Char('_') : QLatin1Char('^');
        if (t.DontWRAP) d += QLatin1Char('N');
        if (t.Color != list.DefColor())
            d += QStringLiteral("#%1%2%3")
                     .arg(GetRValue(t.Color), 2, 16, QLatin1Char('0'))
                     .arg(GetGValue(t.Color), 2, 16, QLatin1Char('0'))
                     .arg(GetBValue(t.Color), 2, 16, QLatin1Char('0'));
        if (t.Default) d += QLatin1Char('=');
        if (d.isEmpty()) d = QStringLiteral(".");
        parts << d;
    }
    return parts.join(QLatin1Char(' '));
}

QString Positions(const TrptHTMLTags& line) {
    QStringList parts;
    for (int i = 0; i < line.Count(); ++i)
        parts << QString::number(line.Items(i).Position);
    return parts.join(QLatin1Char(' '));
}

struct TMarkupCase {
    const char16_t* Source;
    bool Allow;
    const char16_t* Text;
    const char16_t* Runs;
};

} // namespace

TEST(Markup, RunsOfEachTag) {
    const TMarkupCase cases[] = {
        // Styles switch on and off; the first plain character after a change is not "=".
        {u"a<b>b</b>c", true, u"abc", u"= B ."},
        {u"<B>x</B><I>y</I><U>z</U>", true, u"xyz", u"B I U"},
        {u"<b><i>x</i></b>", true, u"x", u"BI"},
        {u"<strike>ab</strike>c", true, u"abc", u"S S= ."},
        {u"H<sub>2</sub>O", true, u"H2O", u"= _ ."},
        {u"x<SUP>2</SUP>", true, u"x2", u"= ^"},
        {u"<nowrap>a b</nowrap> c", true, u"a b c", u"N= N= N= . ="},
        // Colours: hexadecimal red, green, blue in quotes, or a colour name without "cl".
        {u"<font color=\"#FF0000\">r</font>k", true, u"rk", u"#ff0000 ."},
        {u"<font color=Navy>n</font>", true, u"n", u"#000080"},
        {u"<font color = \"#00ff00\">g", true, u"g", u"#00ff00"},
        // Tags that are not tags stay as text, one entry per character.
        {u"<abc>", true, u"<abc>", u"= = = = ="},
        {u"a < b", true, u"a < b", u"= = = = ="},
        {u"<x>y", true, u"<x>y", u"= = = ="},
        {u"<font color=\"red\">x", true, u"<font color=\"red\">x", nullptr},
        {u"<font color=\"#GG0000\">x", true, u"<font color=\"#GG0000\">x", nullptr},
        {u"<font color=\"#1234567\">x", true, u"<font color=\"#1234567\">x", nullptr},
        {u"<font color=nosuch>x", true, u"<font color=nosuch>x", nullptr},
        {u"<font color=red", true, u"<font color=red", nullptr},
        // A tag name that already appeared as text hides later tags of that name.
        {u"SUB> <sub>a", true, u"SUB> <sub>a", nullptr},
        {u"sup> <sub>a</sub>", true, u"sup> a", u"= = = = = _"},
        // Markup off: every character is text with the default formatting.
        {u"<b>x</b>", false, u"<b>x</b>", u"= = = = = = = ="},
        // Nothing left: one blank.
        {u"", true, u" ", u"="},
        {u"<b></b>", true, u" ", u"="},
    };
    for (const TMarkupCase& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.Source).toStdString());
        TrptHTMLTagsList list;
        list.SetDefaults(clBlack, 10, {});
        list.SetAllowTags(c.Allow);
        QString s = QString::fromUtf16(c.Source);
        list.ExpandHTMLTags(s);
        EXPECT_EQ(s, QString::fromUtf16(c.Text));
        ASSERT_EQ(list.Count(), 1);
        EXPECT_EQ(list.Items(0).Count(), s.size());
        if (c.Runs) {
            EXPECT_EQ(Describe(list.Items(0), list), QString::fromUtf16(c.Runs));
        }
    }
}

TEST(Markup, SubscriptSizeAndSmallEntries) {
    TrptHTMLTagsList list;
    list.SetDefaults(clBlack, 10, {});
    QString s = QStringLiteral("a<sub>b</sub><sup>c</sup>");
    list.ExpandHTMLTags(s);
    const TrptHTMLTags& line = list.Items(0);
    EXPECT_EQ(line.Items(0).Size, 10);
    EXPECT_FALSE(line.Items(0).Small);
    EXPECT_EQ(line.Items(1).Size, 7); // 10 / 1.5 rounded
    EXPECT_EQ(line.Items(1).AddY, 1);
    EXPECT_TRUE(line.Items(1).Small);
    EXPECT_EQ(line.Items(2).Size, 7);
    EXPECT_EQ(line.Items(2).AddY, 0);
    // Two thirds of the default size, rounded.
    for (auto [def, small] : {std::pair{12, 8}, {11, 7}, {15, 10}, {8, 5}}) {
        list.SetDefaults(clBlack, def, {});
        QString t = QStringLiteral("<sub>x");
        list.ExpandHTMLTags(t);
        EXPECT_EQ(list.Items(0).Items(0).Size, small) << def;
    }
}

TEST(Markup, SourcePositionsCountMarkupAndLineBreaks) {
    TrptHTMLTagsList list;
    list.SetDefaults(clBlack, 10, {});
    QString s = QStringLiteral("a<b>bc</b>d");
    list.ExpandHTMLTags(s);
    EXPECT_EQ(Positions(list.Items(0)), QStringLiteral("1 5 6 11"));
    // The layout moves the position past the line break; the next line starts after it.
    list.SetPosition(list.Position() + 2);
    list.StartLine();
    QString t = QStringLiteral("<i>e");
    list.ExpandHTMLTags(t);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(Positions(list.Items(1)), QStringLiteral("17"));
    // Formatting opened in one line goes on in the next until closed.
    list.SetPosition(list.Position() + 2);
    list.StartLine();
    QString u = QStringLiteral("f</i>g");
    list.ExpandHTMLTags(u);
    EXPECT_EQ(Describe(list.Items(2), list), QStringLiteral("I= ."));
}

TEST(Markup, UnclosedAndDeeplyNestedMarkupIsHarmless) {
    TrptHTMLTagsList list;
    list.SetDefaults(clBlack, 10, {});
    QString open = QStringLiteral("<b>never closed");
    list.ExpandHTMLTags(open);
    EXPECT_EQ(open, QStringLiteral("never closed"));
    EXPECT_TRUE(list.Items(0).Items(11).Style.Contains(fsBold));

    // 10,000 levels of every kind of tag around one character, and closed again.
    QString deep;
    for (int i = 0; i < 10000; ++i)
        deep += QStringLiteral("<b><i><font color=\"#102030\"><sub><strike><nowrap>");
    deep += QLatin1Char('x');
    for (int i = 0; i < 10000; ++i)
        deep += QStringLiteral("</nowrap></strike></sub></font></i></b>");
    deep += QLatin1Char('y');
    list.SetDefaults(clBlack, 10, {});
    QString copy = deep;
    list.ExpandHTMLTags(copy);
    // Every tag is taken (none stays as text), so no name hides a later one.
    EXPECT_EQ(copy, QStringLiteral("xy"));
    EXPECT_EQ(Describe(list.Items(0), list), QStringLiteral("BIS_N#102030 ."));
    EXPECT_EQ(list.Position(), deep.size() + 1);
}

TEST(Markup, SplittingLines) {
    TrptHTMLTagsList list;
    list.SetDefaults(clBlack, 10, {});
    QString s = QStringLiteral("ab<b>cd</b>ef");
    list.ExpandHTMLTags(s);
    // At or past the end nothing happens.
    list.SplitLine(6, false);
    EXPECT_EQ(list.Count(), 1);
    // Split after "ab": the next line starts with the bold "c" (not "="), so it keeps its entry.
    list.SplitLine(2, false);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(Describe(list.Items(0), list), QStringLiteral("= ="));
    EXPECT_EQ(Describe(list.Items(1), list), QStringLiteral("B B= . ="));
    EXPECT_EQ(Positions(list.Items(1)), QStringLiteral("6 7 12 13"));
    // A hyphen gets a copy of the entry before it.
    list.SplitLine(1, true);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(Describe(list.Items(1), list), QStringLiteral("B B"));
    EXPECT_EQ(Positions(list.Items(1)), QStringLiteral("6 6"));
    // A line that would start with a "=" entry starts with a copy of the entry before it.
    list.SplitLine(2, false);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(Positions(list.Items(3)), QStringLiteral("12"));
    EXPECT_EQ(Describe(list.Items(3), list), QStringLiteral("."));
}

TEST(Markup, PreviousTagLooksIntoTheLineBefore) {
    TrptHTMLTagsList list;
    list.SetDefaults(clBlack, 10, {});
    EXPECT_EQ(list.PreviousTag(), nullptr);
    list.AppendTag();
    EXPECT_EQ(list.PreviousTag(), nullptr);
    list.AppendTag().Position = 42;
    EXPECT_EQ(list.PreviousTag(), &list.Items(0).Items(0));
    list.StartLine();
    list.AppendTag();
    EXPECT_EQ(list.PreviousTag(), &list.Items(0).Items(1));
    EXPECT_EQ(list.PreviousTag()->Position, 42);
}

TEST(Markup, MarkupOnOneLineDoesNotDependOnTheDefaultsOfAnotherList) {
    // The first entry of all compares with the defaults: a bold default style makes a bold
    // character "=", a plain one not.
    TrptHTMLTagsList list;
    list.SetDefaults(clBlack, 10, TFontStyles{fsBold});
    QString s = QStringLiteral("a</b>b");
    list.ExpandHTMLTags(s);
    EXPECT_EQ(Describe(list.Items(0), list), QStringLiteral("B= ."));
}
