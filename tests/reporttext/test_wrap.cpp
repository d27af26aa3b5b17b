// Where lines break: texts against widths with and without word wrap, hyphenation, no-wrap runs,
// clusters that must stay whole, right-to-left text, faces that lack characters, very long lines.

#include "TextTestUtil.h"

#include "platform/gfx/FontService.h"
#include "report/core/rptDrawText.h"
#include "report/core/rptWideStrings.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace texttest;

namespace {

struct TWrapCase {
    const char16_t* Text;
    int Chars; // width in characters of the monospaced font
    bool Wrap;
    bool WordBreak;
    bool Markup;
    std::vector<const char16_t*> Lines;
};

QStringList Expected(const std::vector<const char16_t*>& lines) {
    QStringList out;
    for (const char16_t* l : lines)
        out << QString::fromUtf16(l);
    return out;
}

QStringList LayOut(TrptDrawText& dt, TLayoutSetup setup, int chars, const QStringList& text) {
    Prepare(dt, setup);
    setup.Rect = TRect(0, 0, WidthForChars(dt, chars), 100);
    Prepare(dt, setup);
    dt.SetText(text);
    return Lines(dt);
}

} // namespace

TEST(Wrap, TextsAgainstWidths) {
    const TWrapCase cases[] = {
        {u"aaa bbb ccc", 7, true, false, false, {u"aaa bbb", u"ccc"}},
        {u"aaa bbb ccc", 8, true, false, false, {u"aaa bbb", u"ccc"}},
        {u"aaa bbb ccc", 6, true, false, false, {u"aaa", u"bbb", u"ccc"}},
        {u"aaa bbb ccc", 11, true, false, false, {u"aaa bbb ccc"}},
        {u"aaa bbb ccc", 3, false, false, false, {u"aaa bbb ccc"}},
        {u"aaaaaaaaaa", 4, true, false, false, {u"aaaa", u"aaaa", u"aa"}},
        // A word wider than the line is cut before the first character that does not fit.
        {u"abcdefgh ij", 5, true, false, false, {u"abcde", u"fgh", u"ij"}},
        // A single character is never wrapped; with no room at all every character is a line.
        {u"a", 0, true, false, false, {u"a"}},
        {u"ab", 0, true, false, false, {u"a", u"b"}},
        // Only blanks: the blank at the break goes.
        {u"   ", 1, true, false, false, {u" ", u" "}},
        // An empty source line is one blank.
        {u"", 5, true, false, false, {u" "}},
        // A no-break space is not a break point.
        {u"x\u00A0y z", 3, true, false, false, {u"x\u00A0y", u"z"}},
        // Hyphenation: the word after the last blank, or a word alone, at its last allowed break.
        {u"ПРИВЕТ МОЛОКО", 10, true, true, false, {u"ПРИВЕТ МО-", u"ЛОКО"}},
        {u"ПРИВЕТ МОЛОКО", 10, true, false, false, {u"ПРИВЕТ", u"МОЛОКО"}},
        {u"МОЛОКОМОЛОКО", 7, true, true, false, {u"МОЛОКО-", u"МОЛОКО"}},
        {u"МОЛОКОМОЛОКО", 7, true, false, false, {u"МОЛОКОМ", u"ОЛОКО"}},
        {u"ВАННА ВАННА", 10, true, true, false, {u"ВАННА ВАН-", u"НА"}},
        {u"ВАННА ВАННА", 9, true, true, false, {u"ВАННА", u"ВАННА"}},
        // No allowed break that fits: cut without a hyphen.
        {u"БВГДЖЗКЛМН", 4, true, true, false, {u"БВГД", u"ЖЗКЛ", u"МН"}},
        // Markup: the text without tags is wrapped; no-wrap blanks are no break points.
        {u"a<b>bc</b> de", 3, true, false, true, {u"abc", u"de"}},
        {u"aaa bbb ccc", 6, true, false, true, {u"aaa", u"bbb", u"ccc"}},
        {u"<nowrap>aaa bbb</nowrap> ccc", 6, true, false, true, {u"aaa bb", u"b ccc"}},
        // Clusters stay whole: a base with its combining mark, a surrogate pair.
        {u"e\u0301e\u0301", 0, true, false, false, {u"e\u0301", u"e\u0301"}},
        {u"a\U0001D400b", 0, true, false, false, {u"a", u"\U0001D400", u"b"}},
    };
    TrptDrawText dt;
    for (const TWrapCase& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.Text).toStdString() + " in " + std::to_string(c.Chars) +
                     (c.Wrap ? "" : " no wrap") + (c.WordBreak ? " hyphenated" : ""));
        TLayoutSetup setup;
        setup.WordWrap = c.Wrap;
        setup.WordBreak = c.WordBreak;
        setup.Markup = c.Markup;
        EXPECT_EQ(LayOut(dt, setup, c.Chars, {QString::fromUtf16(c.Text)}), Expected(c.Lines));
        EXPECT_EQ(dt.HTMLTags().Count(), dt.LineCount());
    }
}

TEST(Wrap, ParagraphsFlagsAndIndent) {
    TrptDrawText dt;
    TLayoutSetup setup;
    EXPECT_EQ(LayOut(dt, setup, 3, {QStringLiteral("aaa bbb"), QString(), QStringLiteral("ccc")}),
              (QStringList{"aaa", "bbb", " ", "ccc"}));
    EXPECT_EQ(dt.LineFlags(0), rptParaFirst);
    EXPECT_EQ(dt.LineFlags(1), rptParaLast);
    EXPECT_EQ(dt.LineFlags(2), rptParaFirst | rptParaLast);
    EXPECT_EQ(dt.LineFlags(3), rptParaFirst | rptParaLast);
    EXPECT_EQ(dt.WrappedText(), QStringLiteral("aaa\r\nbbb\r\n \r\nccc\r\n"));
    dt.SetParaBreaks(true, true);
    EXPECT_EQ(dt.LineFlags(0), 0);
    EXPECT_EQ(dt.LineFlags(3), rptParaFirst);

    // No source lines: no lines, and nothing to measure.
    dt.SetText(QStringList());
    EXPECT_EQ(dt.LineCount(), 0);
    EXPECT_EQ(dt.CalcHeight(), 0);
    EXPECT_EQ(dt.CalcWidth(), 0);
    dt.SetText(QString());
    EXPECT_EQ(dt.LineCount(), 0);
    // The text form splits at every kind of line break.
    dt.SetText(QStringLiteral("a\r\nb\nc\rd\u2028e\r\n"));
    EXPECT_EQ(Lines(dt), (QStringList{"a", "b", "c", "d", "e"}));
    TrptWideStrings list;
    list.Add(QStringLiteral("x y"));
    dt.SetText(list);
    EXPECT_EQ(Lines(dt), (QStringList{"x y"}));

    // The first line of a paragraph is narrower by the indent.
    setup.Rect = TRect(0, 0, WidthForChars(dt, 7), 100);
    setup.ParagraphGap = WidthForChars(dt, 7) - WidthForChars(dt, 5);
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("aaa bbb ccc ddd"));
    EXPECT_EQ(Lines(dt), (QStringList{"aaa", "bbb ccc", "ddd"}));
}

TEST(Wrap, RotatedTextWrapsAtTheHeight) {
    TrptDrawText dt;
    TLayoutSetup setup;
    Prepare(dt, setup);
    const int narrow = WidthForChars(dt, 3), wide = WidthForChars(dt, 7);
    for (const int rotation : {90, 135, 270, 300, -90, 450}) {
        SCOPED_TRACE(rotation);
        setup.Rotation = rotation;
        setup.Rect = TRect(0, 0, narrow, wide);
        Prepare(dt, setup);
        dt.SetText(QStringLiteral("aaa bbb ccc"));
        EXPECT_EQ(Lines(dt), (QStringList{"aaa bbb", "ccc"}));
    }
    for (const int rotation : {0, 45, 180, 200, 360, -180}) {
        SCOPED_TRACE(rotation);
        setup.Rotation = rotation;
        setup.Rect = TRect(0, 0, wide, narrow);
        Prepare(dt, setup);
        dt.SetText(QStringLiteral("aaa bbb ccc"));
        EXPECT_EQ(Lines(dt), (QStringList{"aaa bbb", "ccc"}));
    }
}

TEST(Wrap, HyphenPositions) {
    const std::pair<const char16_t*, std::vector<int>> cases[] = {
        {u"ВАННА", {3}},        {u"МОЛОКО", {2, 4}},    {u"молоко", {2, 4}}, {u"ПАЛЬТО", {2, 4}},
        {u"ЧАЙКА", {3}},        {u"ПРИВЕТ", {3}},       {u"КОТ", {}},        {u"ОКНО", {2}},
        {u"HELLO", {}},         {u"БВГДЖЗ", {}},        {u"ёлка", {2}},      {u"СОЛНЦЕ", {2, 3, 4}},
        {u"МОЛОКОМОЛОКО", {2, 4, 6, 8, 10}},
    };
    for (const auto& [word, positions] : cases) {
        SCOPED_TRACE(QString::fromUtf16(word).toStdString());
        EXPECT_EQ(HyphenPositions(QString::fromUtf16(word)), positions);
    }
}

TEST(Wrap, LayoutHyphenatesAtTheLastAllowedBreakThatFits) {
    // The layout's own search (which never rereads a long word) against the plain rule: for any
    // word and width, the first line is the word's longest allowed prefix that leaves room for the
    // hyphen, or the cut when there is none.
    QRandomGenerator rng(26);
    const QString letters = QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ");
    TrptDrawText dt;
    TLayoutSetup setup;
    setup.WordBreak = true;
    Prepare(dt, setup);
    for (int round = 0; round < 400; ++round) {
        QString word;
        const int len = 4 + static_cast<int>(rng.bounded(12));
        for (int i = 0; i < len; ++i)
            word += letters[static_cast<int>(rng.bounded(static_cast<int>(letters.size())))];
        const int chars = 3 + static_cast<int>(rng.bounded(len - 3));
        SCOPED_TRACE(word.toStdString() + " in " + std::to_string(chars));
        const QStringList lines = LayOut(dt, setup, chars, {word});
        ASSERT_GE(lines.size(), 2);
        int best = 0;
        for (int p : HyphenPositions(word))
            if (p < chars) best = p;
        EXPECT_EQ(lines[0], best > 0 ? word.left(best) + QLatin1Char('-') : word.left(chars));
    }
}

TEST(Wrap, ClustersAreNeverSplitAndNothingIsLost) {
    // Random texts of letters, blanks, combining marks and surrogate pairs at random widths
    // (character spacing makes marks take room of their own): no line starts inside a cluster,
    // and the lines give back the text but for the blanks the breaks took.
    QRandomGenerator rng(2601);
    const QStringList pieces = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral(" "),
                                QStringLiteral("e\u0301"), QStringLiteral("o\u0308\u0304"),
                                QStringLiteral("\U0001D400"), QStringLiteral("\U0001F600"),
                                QStringLiteral("\u05E9"), QStringLiteral("ж")};
    TrptDrawText dt;
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int n = 1 + static_cast<int>(rng.bounded(30));
        for (int i = 0; i < n; ++i)
            text += pieces[static_cast<int>(rng.bounded(static_cast<int>(pieces.size())))];
        TLayoutSetup setup;
        setup.FontName = QStringLiteral("Arial");
        setup.CharSpacing = rng.bounded(3);
        setup.WordBreak = rng.bounded(2) == 1;
        const QStringList lines = LayOut(dt, setup, static_cast<int>(rng.bounded(8)), {text});
        SCOPED_TRACE(text.toStdString());
        for (const QString& line : lines) {
            ASSERT_FALSE(line.isEmpty());
            const char16_t c = line[0].unicode();
            EXPECT_FALSE(QChar::isLowSurrogate(c));
            EXPECT_NE(QChar::category(c), QChar::Mark_NonSpacing);
        }
        // Each line goes on where the one before ended, or after the blank its break took (a
        // final blank may go too).
        std::function<bool(qsizetype, qsizetype)> matches = [&](qsizetype li, qsizetype at) {
            if (li == lines.size())
                return at == text.size() || (at + 1 == text.size() && text[at] == QLatin1Char(' '));
            const QString& line = lines[li];
            if (QStringView(text).mid(at).startsWith(line) && matches(li + 1, at + line.size())) return true;
            return at < text.size() && text[at] == QLatin1Char(' ') &&
                   QStringView(text).mid(at + 1).startsWith(line) && matches(li + 1, at + 1 + line.size());
        };
        EXPECT_TRUE(matches(0, 0)) << lines.join(QLatin1Char('|')).toStdString();
    }
}

TEST(Wrap, RightToLeftAndMixedLines) {
    TrptDrawText dt;
    TLayoutSetup setup;
    setup.FontName = QStringLiteral("Arial");
    const QString text = QStringLiteral("Total שלום עולם and مرحبا بالعالم end");
    for (const bool rtl : {false, true}) {
        setup.RTL = rtl;
        for (int chars = 14; chars <= 50; chars += 6) {
            const QStringList lines = LayOut(dt, setup, chars, {text});
            EXPECT_EQ(lines.join(QLatin1Char(' ')), text) << chars;
        }
    }
}

TEST(Wrap, CharactersTheFontLacksAreMeasuredWithTheFaceThatHasThem) {
    // Liberation Sans (for Arial) has no Arabic; DejaVu Sans has. The layout measures such a text
    // with DejaVu's advances, so it wraps as it will be drawn.
    const TFontFacePtr arial = TFontService::Instance().Face(QStringLiteral("Arial"), false, false);
    const QString arabic = QStringLiteral("مرحبا");
    ASSERT_EQ(arial->GlyphIndex(arabic[0].unicode()), 0u) << "the test needs a face without Arabic";
    TrptDrawText dt;
    TLayoutSetup setup;
    setup.FontName = QStringLiteral("Arial");
    Prepare(dt, setup);
    const std::vector<int> viaArial = dt.Canvas().TextExtents(arabic);
    setup.FontName = QStringLiteral("DejaVu Sans");
    Prepare(dt, setup);
    const std::vector<int> viaDejaVu = dt.Canvas().TextExtents(arabic);
    EXPECT_EQ(viaArial, viaDejaVu);
    // Every character some installed face has is shaped with a real glyph, never the empty box.
    const QString mixed = QStringLiteral("Abc שלום مرحبا Ωμέγα Жук ✓ €");
    for (const TShapedRun& run : ShapeText(arial, mixed, false))
        for (const TShapedGlyph& g : run.Glyphs) {
            const char32_t c = mixed[static_cast<int>(g.Cluster)].unicode();
            if (TFontService::Instance().FaceForChar(c, false, false) || arial->GlyphIndex(c) != 0) {
                EXPECT_NE(g.GlyphId, 0u) << "U+" << std::hex << static_cast<unsigned>(c);
            }
        }
}

TEST(Wrap, WidthsZeroAndNegative) {
    TrptDrawText dt;
    TLayoutSetup setup;
    for (const TRect r : {TRect(0, 0, 0, 0), TRect(10, 10, 5, 5), TRect(0, 0, -100, -100)}) {
        setup.Rect = r;
        Prepare(dt, setup);
        dt.SetText(QStringLiteral("ab c"));
        // Every character is a line of its own, the blank included (it is not a break point
        // when nothing stands before it on the line).
        EXPECT_EQ(Lines(dt), (QStringList{"a", "b", " ", "c"}));
        EXPECT_GE(dt.CalcHeight(), 0);
        EXPECT_EQ(dt.UnusedSpace(), 0);
        bool paraBreak = true;
        const QString out = dt.GetOutBoundsText(paraBreak);
        EXPECT_EQ(out, QStringLiteral("ab c\r\n"));
        EXPECT_FALSE(paraBreak);
    }
}

TEST(Wrap, CalcWidthOfTheWidestLine) {
    TrptDrawText dt;
    TLayoutSetup setup;
    setup.Rect = TRect(0, 0, 10000, 10000);
    Prepare(dt, setup);
    const double k = 6.25;
    const std::vector<int> ext = dt.Canvas().TextExtents(QStringLiteral("abcde"));
    dt.SetText(QStringList{"ab", "abcde"});
    EXPECT_DOUBLE_EQ(dt.CalcWidth(), ext[4] / k);
    // Character spacing counts for every character, the indent for a paragraph's first line.
    setup.CharSpacing = 1.5;
    setup.ParagraphGap = 4;
    Prepare(dt, setup);
    dt.SetText(QStringList{"ab", "abcde"});
    EXPECT_DOUBLE_EQ(dt.CalcWidth(), (ext[4] + rptRound(k * 5 * 1.5) + rptRound(k * 4)) / k);
    // Markup: measured in the runs' styles.
    setup = TLayoutSetup();
    setup.FontName = QStringLiteral("Arial");
    setup.Markup = true;
    setup.Rect = TRect(0, 0, 10000, 10000);
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("b<b>bb</b>"));
    const double marked = dt.CalcWidth();
    dt.SetText(QStringLiteral("bbb"));
    EXPECT_GT(marked, dt.CalcWidth());
    setup.Style = TFontStyles{fsBold};
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("bb"));
    const double bold = dt.CalcWidth();
    setup.Style = TFontStyles{};
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("b"));
    EXPECT_NEAR(marked, bold + dt.CalcWidth(), 0.33); // each part rounded on its own
}

TEST(Wrap, VeryLongLines) {
    // Lines far beyond any fixed buffer wrap in full, with words, with one endless word and
    // hyphenation, and with nothing to hyphenate.
    TrptDrawText dt;
    TLayoutSetup setup;
    setup.FontName = QStringLiteral("Arial");
    setup.Rect = TRect(0, 0, 189, 100); // 50 mm
    Prepare(dt, setup);
    const int limit = rptRound(6.25 * 189);

    const QStringList words = {QStringLiteral("lorem"), QStringLiteral("ipsum"), QStringLiteral("dolor"),
                               QStringLiteral("молоко"), QStringLiteral("a"), QStringLiteral("consectetur")};
    QString text;
    text.reserve(1 << 20);
    for (int i = 0; text.size() < (1 << 20); ++i) {
        if (i) text += QLatin1Char(' ');
        text += words[i % words.size()];
    }
    dt.SetText(QStringList{text});
    ASSERT_GT(dt.LineCount(), 10000);
    EXPECT_EQ(Lines(dt).join(QLatin1Char(' ')), text);
    for (int i = 0; i < dt.LineCount(); i += 97)
        EXPECT_LE(dt.Canvas().TextWidth(dt.Line(i)), limit + 1) << i; // extents round once more

    setup.WordBreak = true;
    Prepare(dt, setup);
    const QString word = QStringLiteral("МОЛОКО").repeated((1 << 20) / 6);
    dt.SetText(QStringList{word});
    QString joined;
    for (int i = 0; i < dt.LineCount(); ++i) {
        QString line = dt.Line(i);
        if (i + 1 < dt.LineCount()) {
            ASSERT_TRUE(line.endsWith(QLatin1Char('-'))) << i;
            line.chop(1);
        }
        joined += line;
    }
    EXPECT_EQ(joined, word);

    const QString consonants = QStringLiteral("БВГДЖЗКЛМН").repeated((1 << 20) / 10);
    dt.SetText(QStringList{consonants});
    ASSERT_GT(dt.LineCount(), 1000);
    EXPECT_EQ(Lines(dt).join(QString()), consonants);
}
