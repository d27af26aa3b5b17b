// Single plain lines are drawn without shaping; the pixels must be exactly those the shaped path
// gives, and text that needs shaping (joining scripts, marks, ligature-prone letters, tabs,
// surrogates, mixed directions) must keep going through it.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/CanvasTextFastPath.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct TFontSetup {
    const char* Family;
    int Height;
    TFontStyles Style;
};

const TFontSetup kFonts[] = {
    {"Arial", -11, {}},
    {"Arial", -16, {fsBold}},
    {"Times New Roman", -13, {fsItalic}},
    {"Courier New", -12, {}},
    {"Tahoma", -11, {}},
    {"Tahoma", -15, {fsBold, fsItalic, fsUnderline, fsStrikeOut}},
    {"DejaVu Serif", -14, {fsUnderline}},
    {"Liberation Sans Narrow", -17, {}},
};

const char16_t* const kTexts[] = {
    u"Hello, World",
    u"r12c3",
    u"749135.5",
    u"kalominesu",
    u"office ffi fl ffl fi",
    u"\u00DCn\u00EFc\u00F6d\u00E9 fa\u00E7ade",
    u"\u0395\u03BB\u03BB\u03B7\u03BD\u03B9\u03BA\u03AC",
    u"\u041A\u0438\u0440\u0438\u043B\u043B\u0438\u0446\u0430",
    u"\u20AC 1 234,56 \u2030 \u2014 \u00AB\u00BB",
    u"  blanks at both ends  ",
    u"",
    u"\u0645\u0631\u062D\u0628\u0627 \u0628\u0627\u0644\u0639\u0627\u0644\u0645", // Arabic
    u"abc \u0645\u0631\u062D\u0628\u0627 def",                                      // mixed directions
    u"\u05E9\u05DC\u05D5\u05DD",                                                    // Hebrew
    u"e\u0301te\u0301 n\u0303",                                                     // combining marks
    u"\uFB01 \uFB03 ligature letters",
    u"a\tb\tc",
    u"co\u00ADop",
    u"zero\u200Dwidth\u200Cjoiners",
    u"smile \U0001F600 done",
    u"\u0928\u092E\u0938\u094D\u0924\u0947", // Devanagari
    u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35", // Thai
    u"A&B && C",
    u"first\nsecond",
    u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW too long for the box",
};

struct TFlagCase {
    unsigned Flags;
    QRect Box;
};

const TFlagCase kFlags[] = {
    {DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, QRect(4, 2, 380, 30)},
    {DT_CENTER | DT_SINGLELINE | DT_NOPREFIX, QRect(4, 2, 380, 30)},
    {DT_RIGHT | DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX, QRect(4, 2, 380, 30)},
    {DT_LEFT, QRect(4, 2, 380, 34)},
    {DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX, QRect(10, 4, 90, 20)},
    {DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX | DT_RTLREADING, QRect(4, 2, 380, 30)},
    {DT_LEFT | DT_SINGLELINE | DT_NOPREFIX, QRect(30, 8, 40, 9)}, // clipped to a small box
    {DT_LEFT | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX | DT_EXPANDTABS, QRect(6, 6, 30, 10)},
};

void ApplyFont(TCanvas& c, const TFontSetup& f) {
    c.Font().SetName(QString::fromLatin1(f.Family));
    c.Font().SetHeight(f.Height);
    c.Font().SetStyle(f.Style);
    c.Font().SetColor(TColor(0x203040));
}

// Draws with the fast path on or off into a fresh image.
QImage Render(bool fast, const std::function<void(TCanvas&)>& draw) {
    SetPlainTextFastPath(fast);
    QImage img(400, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TCanvas c(&img);
        draw(c);
    }
    SetPlainTextFastPath(true);
    return img;
}

bool HasInk(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return true;
    return false;
}

} // namespace

TEST(TextPlainLine, DrawTextGivesTheShapedPixels) {
    int inked = 0;
    for (const TFontSetup& font : kFonts)
        for (const char16_t* t : kTexts)
            for (const TFlagCase& fc : kFlags) {
                const QString text = QString::fromUtf16(t);
                int height[2] = {0, 0};
                TRect calc[2];
                QImage img[2];
                for (int fast = 0; fast < 2; ++fast) {
                    img[fast] = Render(fast == 1, [&](TCanvas& c) {
                        ApplyFont(c, font);
                        c.Brush().SetStyle(bsClear);
                        TRect r(fc.Box.left(), fc.Box.top(), fc.Box.right() + 1, fc.Box.bottom() + 1);
                        height[fast] = c.DrawText(text, r, fc.Flags);
                        calc[fast] = TRect(fc.Box.left(), fc.Box.top(), fc.Box.right() + 1, fc.Box.bottom() + 1);
                        c.DrawText(text, calc[fast], fc.Flags | DT_CALCRECT);
                    });
                }
                const QString where = QStringLiteral("%1 %2 flags %3: \"%4\"")
                                          .arg(QString::fromLatin1(font.Family))
                                          .arg(font.Height)
                                          .arg(fc.Flags, 0, 16)
                                          .arg(text);
                EXPECT_EQ(height[0], height[1]) << where.toStdString();
                EXPECT_EQ(calc[0], calc[1]) << where.toStdString();
                EXPECT_TRUE(img[0] == img[1]) << where.toStdString();
                if (!text.trimmed().isEmpty() && HasInk(img[1])) ++inked;
            }
    // Nearly every case draws something: the comparison is not between two blank images.
    EXPECT_GT(inked, int(std::size(kFonts) * std::size(kTexts) * std::size(kFlags) * 8 / 10));
}

TEST(TextPlainLine, TextOutAndTextRectGiveTheShapedPixels) {
    for (const TFontSetup& font : kFonts)
        for (const char16_t* t : kTexts) {
            const QString text = QString::fromUtf16(t);
            QImage img[2];
            for (int fast = 0; fast < 2; ++fast) {
                img[fast] = Render(fast == 1, [&](TCanvas& c) {
                    ApplyFont(c, font);
                    c.Brush().SetColor(TColor(0xC0E0F0));
                    c.Brush().SetStyle(bsSolid);
                    c.TextOut(3, 1, text); // opaque background of the text's extent
                    c.TextRect(TRect(20, 20, 140, 36), 15, 19, text);
                    c.Brush().SetStyle(bsClear);
                    c.TextOut(200, 21, text);
                });
            }
            EXPECT_TRUE(img[0] == img[1]) << font.Family << " " << font.Height << ": \"" << text.toStdString() << "\"";
        }
}

TEST(TextPlainLine, PlainTextIsDrawnWhereTheShapedPathPutsIt) {
    // Fractional pens: at 11 pixels no advance is whole, so a fast path that rounded each glyph's
    // pen, or lost the sum's order, would move letters by a pixel somewhere along a long line.
    const QString text = QStringLiteral("iiiiiiiiiiiiiiiiiiiijjjjjjjjjjjjjjjjjjjjllllllllllllllllllll mmmmmmmmmm");
    for (const TFontSetup& font : kFonts) {
        QImage img[2];
        for (int fast = 0; fast < 2; ++fast)
            img[fast] = Render(fast == 1, [&](TCanvas& c) {
                ApplyFont(c, font);
                c.Brush().SetStyle(bsClear);
                TRect r(1, 1, 399, 39);
                c.DrawText(text, r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
            });
        ASSERT_TRUE(HasInk(img[1])) << font.Family;
        EXPECT_TRUE(img[0] == img[1]) << font.Family << " " << font.Height;
    }
}
