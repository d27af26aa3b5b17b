// Heights and splitting at a height: how much fits, what goes to the next part, and that parts put
// together give back the text, with no line lost or doubled.

#include "TextTestUtil.h"

#include "report/core/rptDrawText.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace texttest;

namespace {

// 9 points at 600 per inch is 75 pixels, 12 report units exactly; with the default spacing of 2 a
// line is 14 units high.
TLayoutSetup NinePoint() {
    TLayoutSetup s;
    s.FontSize = 9;
    return s;
}

struct TSplitCase {
    std::vector<const char16_t*> Source;
    int Chars;
    int Height;
    bool WordBreak;
    bool Markup;
    const char16_t* In;
    const char16_t* Out;
    bool ParaBreak;
};

} // namespace

TEST(Split, Heights) {
    TrptDrawText dt;
    TLayoutSetup setup = NinePoint();
    Prepare(dt, setup);
    EXPECT_DOUBLE_EQ(dt.TextHeight(), 12);
    EXPECT_DOUBLE_EQ(dt.LineHeight(), 14);
    setup.Rect = TRect(0, 0, WidthForChars(dt, 3), 27);
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("aaa bbb ccc"));
    ASSERT_EQ(dt.LineCount(), 3);
    EXPECT_DOUBLE_EQ(dt.CalcHeight(), 42);
    // Two lines fill 28 units exactly (height + 1).
    EXPECT_DOUBLE_EQ(dt.UnusedSpace(), 0.0001);

    struct {
        int Height;
        double Unused;
    } unused[] = {{10, 0}, {12, 0}, {13, 0.0001}, {20, 7}, {30, 3}, {0, 0}, {-5, 0}};
    for (const auto& u : unused) {
        setup.Rect.Bottom = u.Height;
        Prepare(dt, setup);
        EXPECT_DOUBLE_EQ(dt.UnusedSpace(), u.Unused) << u.Height;
    }

    // A negative spacing is counted once more.
    setup.LineSpacing = -3;
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("aaa bbb ccc"));
    EXPECT_DOUBLE_EQ(dt.CalcHeight(), 9 * 3 + 3);
    // A spacing that leaves no height does not divide by zero.
    setup.LineSpacing = -12;
    setup.Rect.Bottom = 50;
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("aaa bbb ccc"));
    EXPECT_EQ(dt.UnusedSpace(), 0);
    bool paraBreak = true;
    EXPECT_EQ(dt.GetOutBoundsText(paraBreak), QString());
    EXPECT_FALSE(paraBreak);
}

TEST(Split, PartsAtAHeight) {
    const TSplitCase cases[] = {
        // A break at a blank: the blank goes with neither part.
        {{u"aaa bbb ccc ddd"}, 7, 13, false, false, u"aaa bbb", u"ccc ddd\r\n", true},
        // Everything fits; nothing fits.
        {{u"aaa bbb ccc ddd"}, 7, 27, false, false, u"aaa bbb ccc ddd\r\n", u"", false},
        {{u"aaa bbb ccc ddd"}, 7, 5, false, false, u"", u"aaa bbb ccc ddd\r\n", false},
        // A word cut without a blank; lines of one character each.
        {{u"abcdefgh"}, 4, 13, false, false, u"abcd", u"efgh\r\n", true},
        {{u"abc"}, 0, 13, false, false, u"a", u"bc\r\n", true},
        {{u"abc"}, 0, 27, false, false, u"ab", u"c\r\n", true},
        // At a paragraph: the line break stays with the first part.
        {{u"aaa", u"bbb"}, 3, 13, false, false, u"aaa\r\n", u"bbb\r\n", false},
        {{u"aaa", u"", u"bbb"}, 3, 27, false, false, u"aaa\r\n\r\n", u"bbb\r\n", false},
        {{u"aaa", u"", u"bbb"}, 3, 13, false, false, u"aaa\r\n", u"\r\nbbb\r\n", false},
        // The hyphen a break inserted ends the first part; a hyphen of the text is not doubled.
        {{u"МОЛОКОМОЛОКО"}, 7, 13, true, false, u"МОЛОКО-", u"МОЛОКО\r\n", true},
        {{u"aaa-bbbbbb"}, 4, 13, true, false, u"aaa-", u"bbbbbb\r\n", true},
        // Markup: the next part starts with tags that give its first character its formatting.
        {{u"<b>aaa bbb</b> ccc"}, 7, 13, false, true, u"<b>aaa bbb</b>", u"<font color=\"#000000\">ccc\r\n", true},
        {{u"<i>aaa bbb ccc</i>"}, 7, 13, false, true, u"<i>aaa bbb", u"<font color=\"#000000\"><i>ccc</i>\r\n", true},
        {{u"<font color=red>aaa <u><b>bbb ccc</b></u></font>"},
         7,
         13,
         false,
         true,
         u"<font color=red>aaa <u><b>bbb",
         u"<font color=\"#FF0000\"><u><b>ccc</b></u></font>\r\n",
         true},
    };
    TrptDrawText dt;
    for (const TSplitCase& c : cases) {
        QStringList source;
        for (const char16_t* s : c.Source)
            source << QString::fromUtf16(s);
        SCOPED_TRACE(source.join(QLatin1Char('|')).toStdString() + " at " + std::to_string(c.Height));
        TLayoutSetup setup = NinePoint();
        setup.WordBreak = c.WordBreak;
        setup.Markup = c.Markup;
        Prepare(dt, setup);
        setup.Rect = TRect(0, 0, WidthForChars(dt, c.Chars), c.Height);
        Prepare(dt, setup);
        dt.SetText(source);
        const int before = dt.LineCount();
        bool paraBreak = !c.ParaBreak;
        EXPECT_EQ(dt.GetOutBoundsText(paraBreak), QString::fromUtf16(c.Out));
        EXPECT_EQ(dt.GetInBoundsText(), QString::fromUtf16(c.In));
        EXPECT_EQ(paraBreak, c.ParaBreak);
        EXPECT_LE(dt.LineCount(), before);
    }
}

TEST(Split, PagesPutTogetherGiveBackTheText) {
    // Random paragraphs split page by page into parts of random heights, the way a stretched text
    // object runs over pages: each part is laid out again from the text the one before left.
    QRandomGenerator rng(1226);
    const QStringList words = {QStringLiteral("a"),       QStringLiteral("bb"),         QStringLiteral("ccc"),
                               QStringLiteral("молоко"),  QStringLiteral("abcdefghijk"), QStringLiteral("x\u0301y"),
                               QStringLiteral("ПАЛЬТО")};
    TrptDrawText dt;
    for (int round = 0; round < 150; ++round) {
        QStringList paragraphs;
        const int count = 1 + static_cast<int>(rng.bounded(4));
        for (int p = 0; p < count; ++p) {
            QStringList ws;
            const int n = static_cast<int>(rng.bounded(12));
            for (int i = 0; i < n; ++i)
                ws << words[static_cast<int>(rng.bounded(static_cast<int>(words.size())))];
            paragraphs << ws.join(QLatin1Char(' '));
        }
        const QString original = paragraphs.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
        TLayoutSetup setup = NinePoint();
        setup.WordBreak = rng.bounded(2) == 1;
        Prepare(dt, setup);
        setup.Rect = TRect(0, 0, WidthForChars(dt, 1 + static_cast<int>(rng.bounded(12))), 0);
        SCOPED_TRACE(original.toStdString() + (setup.WordBreak ? " hyphenated" : ""));
        Prepare(dt, setup);
        dt.SetText(original);
        const int wholeLines = dt.LineCount();

        QString rest = original, joined;
        bool continues = false;
        int lines = 0, pages = 0;
        while (!rest.isEmpty()) {
            ASSERT_LT(++pages, 1000) << "no progress";
            setup.Rect.Bottom = 13 + 14 * static_cast<int>(rng.bounded(4)); // one to four lines
            Prepare(dt, setup);
            dt.SetText(rest);
            dt.SetParaBreaks(continues, false);
            bool paraBreak = false;
            const QString out = dt.GetOutBoundsText(paraBreak);
            QString in = dt.GetInBoundsText();
            ASSERT_FALSE(in.isEmpty() && !out.isEmpty()) << "a page that holds a line took none";
            lines += dt.LineCount();
            // An inserted hyphen is not part of the text; a blank the break took is.
            if (setup.WordBreak && in.endsWith(QLatin1Char('-')) &&
                original.mid(joined.size() + in.size() - 1, 1) != QStringLiteral("-"))
                in.chop(1);
            joined += in;
            if (paraBreak && original.mid(joined.size(), 1) == QStringLiteral(" ")) joined += QLatin1Char(' ');
            ASSERT_TRUE(original.startsWith(joined)) << joined.toStdString();
            rest = out;
            continues = paraBreak;
        }
        EXPECT_EQ(joined, original);
        // Each part starts where a line of the whole text starts, so the parts hold its lines.
        EXPECT_EQ(lines, wholeLines);
    }
}
