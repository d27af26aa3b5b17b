// Plain text is measured from each face's advance table without shaping; that must give exactly
// what shaping gives, for every character the table takes, in every context. And right-to-left
// text drawn with given advances takes them.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontService.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// Cumulative extents the way shaping measures a line.
std::vector<int> ShapedExtents(const TFontFacePtr& face, const QString& text, double em) {
    std::vector<double> adv(static_cast<size_t>(text.size()), 0);
    for (const TShapedRun& run : ShapeText(face, text, false)) {
        const double s = em / run.Face->Metrics().UnitsPerEm;
        for (const TShapedGlyph& g : run.Glyphs)
            if (g.Cluster < adv.size()) adv[g.Cluster] += g.XAdvance * s;
    }
    std::vector<int> out(adv.size());
    double cum = 0;
    for (size_t i = 0; i < adv.size(); ++i) {
        cum += adv[i];
        out[i] = static_cast<int>(std::lround(cum));
    }
    return out;
}

} // namespace

TEST(TextFastPath, TableAdvancesEqualShapedAdvances) {
    QRandomGenerator rng(7);
    for (const char* family : {"Arial", "Times New Roman", "Courier New", "DejaVu Sans", "DejaVu Serif",
                               "DejaVu Sans Mono"}) {
        for (int style = 0; style < 4; ++style) {
            const TFontFacePtr face =
                TFontService::Instance().Face(QString::fromLatin1(family), style & 1, style & 2);
            QString simple;
            for (char32_t c = 0x20; c < 0x2C00; ++c)
                if (face->SimpleAdvance(static_cast<char16_t>(c)) >= 0) simple += QChar(static_cast<char16_t>(c));
            ASSERT_GT(simple.size(), 300) << family;
            // Every character in its table order, then shuffled into many neighbourhoods.
            QStringList texts = {simple};
            for (int round = 0; round < 20; ++round) {
                QString t;
                for (int i = 0; i < 400; ++i)
                    t += simple[static_cast<int>(rng.bounded(static_cast<int>(simple.size())))];
                texts << t;
            }
            QImage img(1, 1, QImage::Format_RGB32);
            TCanvas c(&img);
            c.Font().SetName(QString::fromLatin1(family));
            c.Font().SetHeight(-83);
            TFontStyles st;
            if (style & 1) st += fsBold;
            if (style & 2) st += fsItalic;
            c.Font().SetStyle(st);
            for (const QString& t : texts) {
                const std::vector<int> fast = c.TextExtents(t);
                const std::vector<int> shaped = ShapedExtents(c.FontFace(), t, c.FontEmPixels());
                ASSERT_EQ(fast.size(), shaped.size());
                for (size_t i = 0; i < fast.size(); ++i)
                    ASSERT_EQ(fast[i], shaped[i]) << family << " style " << style << " at U+" << std::hex
                                                  << unsigned(t[static_cast<int>(i)].unicode()) << " after U+"
                                                  << unsigned(i ? t[static_cast<int>(i) - 1].unicode() : 0);
                EXPECT_EQ(c.TextWidth(t), shaped.back()) << family;
            }
        }
    }
}

TEST(TextFastPath, OnlyCharactersShapingLeavesAloneAreInTheTable) {
    const TFontFacePtr face = TFontService::Instance().Face(QStringLiteral("DejaVu Sans"), false, false);
    for (const char16_t c : {u'\t', u'\n', char16_t(0xAD), char16_t(0x301), char16_t(0x5D0), char16_t(0x627),
                             char16_t(0x200D), char16_t(0x2028), char16_t(0xD83D), char16_t(0xFE0F)})
        EXPECT_LT(face->SimpleAdvance(c), 0) << std::hex << unsigned(c);
    for (const char16_t c : {u'a', u'Z', u' ', char16_t(0xE9), char16_t(0x416), char16_t(0x3A9), char16_t(0x20AC)})
        EXPECT_GT(face->SimpleAdvance(c), 0) << std::hex << unsigned(c);
    // A face without the character leaves it to the fallback.
    const TFontFacePtr liberation = TFontService::Instance().Face(QStringLiteral("Arial"), false, false);
    EXPECT_LT(liberation->SimpleAdvance(char16_t(0x2654)), 0);
}

TEST(TextFastPath, RightToLeftTextTakesTheGivenAdvances) {
    QImage img(200, 30, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    c.Font().SetName(QStringLiteral("DejaVu Sans"));
    c.Font().SetHeight(-16);
    c.Font().SetColor(clBlack);
    c.SetBkMode(TRANSPARENT);
    const std::vector<int> dx = {50, 50, 50};
    c.ExtTextOut(0, 0, ETO_RTLREADING, nullptr, QStringLiteral("אבג"), &dx);
    c.Flush();
    auto inkIn = [&](int from, int to) {
        for (int x = from; x < to; ++x)
            for (int y = 0; y < img.height(); ++y)
                if (qGray(img.pixel(x, y)) < 128) return true;
        return false;
    };
    // The first letter stands at the right of 150 pixels, the last at the left.
    EXPECT_TRUE(inkIn(100, 150));
    EXPECT_TRUE(inkIn(50, 100));
    EXPECT_TRUE(inkIn(0, 50));
    EXPECT_FALSE(inkIn(150, 200));
}

TEST(TextFastPath, MixedDirectionsComeInVisualOrder) {
    // Runs as (first character, length, right to left), left to right on the line.
    struct TRunSpec {
        int Start, Length;
        bool Rtl;
        bool operator==(const TRunSpec&) const = default;
    };
    auto runs = [](const QString& text, bool rtl) {
        std::vector<TRunSpec> out;
        const TFontFacePtr face = TFontService::Instance().Face(QStringLiteral("DejaVu Sans"), false, false);
        for (const TShapedRun& r : ShapeText(face, text, rtl))
            out.push_back({r.Start, r.Length, r.Rtl});
        return out;
    };
    // Hebrew inside Latin: the blanks around it belong to the Latin text.
    EXPECT_EQ(runs(QStringLiteral("abc שלום def"), false),
              (std::vector<TRunSpec>{{0, 4, false}, {4, 4, true}, {8, 4, false}}));
    // Numbers inside right-to-left text read left to right where they stand.
    EXPECT_EQ(runs(QStringLiteral("שלום 123 עולם"), true),
              (std::vector<TRunSpec>{{8, 5, true}, {5, 3, false}, {0, 5, true}}));
    // Right-to-left words with a number inside a left-to-right line turn as one block.
    EXPECT_EQ(runs(QStringLiteral("abc שלום 123 עולם def"), false),
              (std::vector<TRunSpec>{{0, 4, false}, {12, 5, true}, {9, 3, false}, {4, 5, true}, {17, 4, false}}));
    // Latin in a right-to-left paragraph.
    EXPECT_EQ(runs(QStringLiteral("שלום abc"), true), (std::vector<TRunSpec>{{5, 3, false}, {0, 5, true}}));
    // Plain text is one run, in either paragraph direction.
    EXPECT_EQ(runs(QStringLiteral("a, b"), false), (std::vector<TRunSpec>{{0, 4, false}}));
}
