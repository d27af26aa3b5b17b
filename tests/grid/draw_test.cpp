// Drawing and theme routines, the locale view and the text helpers, checked with values and with
// pixel probes on bitmaps.

#include "grid/GxClasses.h"
#include "grid/GxSharedCommon.h"
#include "grid/GxSharedDraw.h"
#include "grid/GxThemesSupport.h"
#include "platform/gfx/Bitmap.h"
#include "platform/rtl/SysUtils.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct Surface {
    explicit Surface(int w = 40, int h = 40, TColor back = clWhite) : Bmp(w, h) {
        Bmp.Canvas().Brush().SetColor(back);
        Bmp.Canvas().FillRect(TRect(0, 0, w, h));
    }
    TCanvas& C() { return Bmp.Canvas(); }
    TColor At(int x, int y) { return Bmp.Canvas().Pixel(x, y); }
    TBitmap Bmp;
};

TEST(LocalSettings, ReadsTheProcessSettingsEachTime) {
    TLocalSettings& s = LocalSettings();
    {
        TFormatSettingsScope scope(QStringLiteral("en_US"));
        EXPECT_EQ(s.DecimalSeparator(), QLatin1Char('.'));
        EXPECT_EQ(s.LongMonthNames(1), QStringLiteral("January"));
        EXPECT_EQ(s.LongDayNames(1), QStringLiteral("Sunday"));
        EXPECT_EQ(s.ShortDayNames(7), FormatSettings().ShortDayNames[6]);
        EXPECT_EQ(s.TimeSeparator(), FormatSettings().TimeSeparator);
        EXPECT_EQ(s.LongTimeFormat(), FormatSettings().LongTimeFormat);
    }
    {
        TFormatSettingsScope scope(QStringLiteral("ru_RU"));
        EXPECT_EQ(s.DecimalSeparator(), QLatin1Char(','));
        EXPECT_EQ(s.DateSeparator(), QLatin1Char('.'));
        EXPECT_EQ(s.LongMonthNames(1), FormatSettings().LongMonthNames[0]);
        EXPECT_NE(s.LongMonthNames(1), QStringLiteral("January"));
        EXPECT_EQ(s.ListSeparator(), FormatSettings().ListSeparator);
    }
}

TEST(TextRoutines, SmallHelpers) {
    EXPECT_TRUE(IsEmptyCellPoint(TPoint(-1, 5)));
    EXPECT_TRUE(IsEmptyCellPoint(TPoint(3, -1)));
    EXPECT_FALSE(IsEmptyCellPoint(TPoint(0, 0)));
    int a = 3, b = -7;
    SwapIntegers(a, b);
    EXPECT_EQ(a, -7);
    EXPECT_EQ(b, 3);
    ActivateHintWindow(nullptr, TRect(0, 0, 10, 10), QStringLiteral("x")); // nothing to show
    ReleaseHintWindow(nullptr);
    EXPECT_FALSE(IsParentFormActive(nullptr));
    EXPECT_TRUE(PointsApart(TPoint(0, 0), TPoint(5, 0), 4));
    EXPECT_FALSE(PointsApart(TPoint(0, 0), TPoint(4, -4), 4));

    Surface s;
    EXPECT_EQ(GetWideTextWidth(s.C(), QString()), 0);
    EXPECT_EQ(GetWideTextExtent(s.C(), QString()), TSize(0, 0));
    const int one = GetWideTextWidth(s.C(), QStringLiteral("W"));
    EXPECT_GT(one, 0);
    EXPECT_GT(GetWideTextWidth(s.C(), QStringLiteral("WW")), one);
    EXPECT_EQ(GetWideTextHeight(s.C(), QStringLiteral("W")), s.C().TextHeight(QStringLiteral("W")));
    // Multi-line text measures its widest line.
    EXPECT_EQ(GetDrawTextWidth(s.C(), QStringLiteral("WW\nW")),
              GetDrawTextWidth(s.C(), QStringLiteral("WW")));
}

TEST(Blending, IntegerAndRatio) {
    struct {
        TColor A, B;
        int Amount;
        TColor Expected;
    } ints[] = {{clWhite, clBlack, 255, 0xFEFEFE},
                {clWhite, clBlack, 0, 0x000000},
                {0x0000FF, 0xFF0000, 128, 0x7E007F},
                {0x00FF00, 0x000000, 128, 0x007F00},
                {0x808080, 0x808080, 255, 0x7F7F7F}};
    for (const auto& k : ints) {
        EXPECT_EQ(TGraphicsProvider::BlendColor(k.A, k.B, k.Amount), k.Expected) << k.Amount;
        EXPECT_EQ(BlendColors(k.A, k.B, k.Amount), k.Expected);
        EXPECT_EQ(TMaskProvider::MixColors(k.A, k.B, k.Amount), k.Expected);
    }
    EXPECT_THROW(TGraphicsProvider::BlendColor(clWhite, clBlack, 256), EInvalidArgument);
    EXPECT_THROW(BlendColors(clWhite, clBlack, 300), EInvalidArgument);
    EXPECT_THROW(TMaskProvider::MixColors(clWhite, clBlack, 256), EInvalidArgument);

    EXPECT_EQ(GetRValue(TGraphicsProvider::BlendColor(0x000001, 0x000002, 0.5)), 2);
    EXPECT_EQ(GetRValue(TGraphicsProvider::BlendColor(0x000002, 0x000003, 0.5)), 2);
    EXPECT_EQ(BlendColorsByRatio(clBlack, clWhite, 0.25), 0x404040);
    EXPECT_EQ(BlendColorsByRatio(clRed, clBlue, 0.0), clRed);
    EXPECT_EQ(BlendColorsByRatio(clRed, clBlue, 1.0), clBlue);

    EXPECT_EQ(TMaskProvider::GetColorLevel(clWhite), 255);
    EXPECT_EQ(TMaskProvider::GetColorLevel(clBlack), 0);
    EXPECT_EQ(TMaskProvider::GetColorLevel(clRed), 76);
    quint8 r, g, b;
    TMaskProvider::GetRGB(0x123456, r, g, b);
    EXPECT_EQ(r, 0x56);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x12);
}

TEST(Geometry, CalcProvider) {
    EXPECT_EQ(TCalcProvider::PosInRect(6, 11, 0, TRect(0, 0, 12, 20), taCenter, taVerticalCenter),
              TPoint(3, 5));
    EXPECT_EQ(TCalcProvider::PosInRect(6, 11, 2, TRect(10, 10, 50, 30), taLeftJustify, taAlignTop),
              TPoint(12, 12));
    EXPECT_EQ(TCalcProvider::PosInRect(6, 11, 2, TRect(10, 10, 50, 30), taRightJustify, taAlignBottom),
              TPoint(42, 17));
    EXPECT_TRUE(TCalcProvider::IsRectInRect(TRect(0, 0, 10, 10), TRect(10, 10, 20, 20))); // touching
    EXPECT_FALSE(TCalcProvider::IsRectInRect(TRect(0, 0, 10, 10), TRect(11, 0, 20, 10)));
    EXPECT_EQ(TCalcProvider::ResizeRect(TRect(1, 2, 3, 4), 1, -1, 2, -2), TRect(2, 1, 5, 2));
    EXPECT_DOUBLE_EQ(TCalcProvider::GetRatio(1, 4), 25);
}

TEST(Themes, ClassicLookAndSchemes) {
    EXPECT_FALSE(IsThemingAvailable());
    EXPECT_EQ(ThemeLibrary(), nullptr);
    EXPECT_EQ(CurrentScheme(), 2);
    EXPECT_EQ(GetSchemeColor(2, 0), 0xCF9365);
    EXPECT_EQ(GetSchemeColor(13, 4), GetSchemeColor(2, 4)); // copied from colour 2
    EXPECT_EQ(GetSchemeColor(13, 1), 0xB6ADA7);
    EXPECT_EQ(GetSchemeColor(9, 1), 0);
    EXPECT_EQ(GetSchemeColor(23, 6), 0x977778);
    EXPECT_EQ(GetSchemeColor(5, 0), 0);
    EXPECT_EQ(GetSchemeColor(0, 0), 0);
    EXPECT_THROW(GetSchemeColor(24, 1), ERangeError);
}

TEST(Drawing, Gradients) {
    Surface s(20, 11);
    TGraphicsProvider::DrawGradient(s.C(), TRect(0, 0, 20, 10), clBlack, clWhite);
    EXPECT_EQ(s.At(5, 0), clBlack);
    EXPECT_EQ(s.At(19, 5), 0x808080); // ratio 0.5
    EXPECT_EQ(s.At(0, 9), 0xE6E6E6);  // ratio 0.9
    EXPECT_EQ(s.At(0, 10), clWhite);  // untouched
    Surface v(10, 4);
    TGraphicsProvider::DrawVertGradient(v.C(), TRect(0, 0, 10, 4), clRed, clBlue);
    EXPECT_EQ(v.At(0, 2), clRed);
    EXPECT_EQ(v.At(5, 2), BlendColorsByRatio(clRed, clBlue, 0.5));
    Surface w(4, 4);
    DrawVerticalGradient(w.C(), TRect(0, 0, 4, 0), clBlack, clBlack); // no height: nothing
    EXPECT_EQ(w.At(1, 0), clWhite);
}

TEST(Drawing, ButtonFocusAndCheckBox) {
    Surface s;
    TGraphicsProvider::DrawButton(s.C(), TRect(0, 0, 20, 10), false);
    EXPECT_EQ(s.At(0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(s.At(19, 9), ColorToRGB(clBtnShadow));
    EXPECT_EQ(s.At(5, 5), ColorToRGB(clBtnFace));
    TGraphicsProvider::DrawButton(s.C(), TRect(0, 20, 20, 30), true);
    EXPECT_EQ(s.At(19, 29), ColorToRGB(clWindowFrame));

    Surface f;
    TGraphicsProvider::DrawFocused(f.C(), TRect(2, 2, 12, 12), true);
    EXPECT_EQ(f.At(2, 5), ColorToRGB(clHighlight));
    EXPECT_EQ(f.At(5, 5), clWhite);

    // Classic check box: 11 x 11 at PosInRect(11, 11, 2, ...), shadow frame, window fill, tick.
    Surface c;
    TGraphicsProvider::DrawCheckBox(nullptr, c.C(), TRect(0, 0, 40, 40), taLeftJustify, taAlignTop, true,
                                    false, false);
    EXPECT_EQ(c.At(2, 2), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c.At(12, 12), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c.At(3, 3), ColorToRGB(clWindow));
    EXPECT_EQ(c.At(2 + 2, 2 + 4), ColorToRGB(clWindowText)); // tick start, k = 4
    EXPECT_EQ(c.At(2 + 4, 2 + 8), ColorToRGB(clWindowText)); // tick bottom, k = 6
    Surface g;
    TGraphicsProvider::DrawCheckBox(nullptr, g.C(), TRect(0, 0, 40, 40), taCenter, taVerticalCenter, false,
                                    true, false);
    EXPECT_EQ(g.At(20, 20), ColorToRGB(clBtnFace)); // grayed, unchecked: no tick
    EXPECT_EQ(g.At(15, 15), ColorToRGB(clBtnShadow));
}

TEST(Drawing, TextRectangles) {
    auto darkColumns = [](Surface& s, int from, int to) {
        int n = 0;
        for (int x = from; x < to; ++x)
            for (int y = 0; y < 20; ++y)
                if (GetRValue(s.At(x, y)) < 128) ++n;
        return n;
    };
    Surface left(100, 20), right(100, 20);
    left.C().Font().SetColor(clBlack);
    right.C().Font().SetColor(clBlack);
    TGraphicsProvider::DrawTextRect(left.C(), TRect(0, 0, 100, 20), taLeftJustify, QStringLiteral("Wide"));
    TGraphicsProvider::DrawTextRect(right.C(), TRect(0, 0, 100, 20), taRightJustify, QStringLiteral("Wide"));
    EXPECT_GT(darkColumns(left, 0, 40), 0);
    EXPECT_EQ(darkColumns(left, 60, 100), 0);
    EXPECT_GT(darkColumns(right, 60, 100), 0);
    EXPECT_EQ(darkColumns(right, 0, 40), 0);
    EXPECT_EQ(left.C().Brush().Style(), bsSolid); // put back

    Surface wrapped(40, 60);
    wrapped.C().Font().SetColor(clBlack);
    TGraphicsProvider::DrawWrapedTextRect(wrapped.C(), TRect(0, 0, 40, 60), taLeftJustify, taAlignBottom,
                                          true, QStringLiteral("Wi Wi"));
    int top = 60;
    for (int y = 0; y < 60 && top == 60; ++y)
        for (int x = 0; x < 40; ++x)
            if (GetRValue(wrapped.At(x, y)) < 128) {
                top = y;
                break;
            }
    EXPECT_GT(top, 20); // pushed down to the bottom
    EXPECT_LT(top, 60);
}

TEST(Drawing, AlphaAndMaskedBitmaps) {
    // A 24-bit glyph is drawn as it is.
    Surface s(10, 10);
    TBitmap plain(2, 2, pf24bit);
    plain.Canvas().Brush().SetColor(clRed);
    plain.Canvas().FillRect(TRect(0, 0, 2, 2));
    DrawAlphaBitmap(s.C(), 1, 1, plain);
    EXPECT_EQ(s.At(1, 1), clRed);
    EXPECT_EQ(s.At(3, 3), clWhite);

    // A 32-bit one is blended with its alpha channel over the background.
    TBitmap alpha(2, 2, pf32bit);
    QImage img(2, 2, QImage::Format_ARGB32);
    img.fill(qRgba(255, 0, 0, 128));
    img.setPixel(1, 1, qRgba(0, 0, 255, 255));
    alpha.SetImage(img);
    ASSERT_EQ(alpha.PixelFormat(), pf32bit);
    Surface t(10, 10, clWhite);
    DrawAlphaBitmap(t.C(), 4, 4, alpha);
    EXPECT_EQ(t.At(4, 4), TMaskProvider::MixColors(clRed, clWhite, 128));
    EXPECT_EQ(t.At(5, 5), TMaskProvider::MixColors(clBlue, clWhite, 255));

    // Masks: white shows the image, black the background.
    TBitmap image(2, 1), mask(2, 1);
    image.Canvas().Brush().SetColor(clGreen);
    image.Canvas().FillRect(TRect(0, 0, 2, 1));
    mask.Canvas().SetPixel(0, 0, clWhite);
    mask.Canvas().SetPixel(1, 0, clBlack);
    Surface m(4, 4, clYellow);
    TMaskProvider::DrawMaskedImage(m.C(), 0, 0, image, mask);
    EXPECT_EQ(m.At(0, 0), TMaskProvider::MixColors(clGreen, clYellow, 255));
    EXPECT_EQ(m.At(1, 0), TMaskProvider::MixColors(clGreen, clYellow, 0));
    EXPECT_EQ(image.PixelFormat(), pf24bit);
    TBitmap small(1, 1);
    try {
        TMaskProvider::DrawMaskedImage(m.C(), 0, 0, image, small);
        FAIL() << "size mismatch accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Image and Mask size differ"));
    }
}

TEST(Drawing, ClipRegions) {
    Surface s(20, 20);
    SetClipRect(s.C(), TRect(5, 5, 10, 10));
    s.C().Brush().SetColor(clBlack);
    s.C().FillRect(TRect(0, 0, 20, 20));
    EXPECT_EQ(s.At(6, 6), clBlack);
    EXPECT_EQ(s.At(2, 2), clWhite);
    s.C().ResetClip();
    Surface p(20, 20);
    // The last point is left out of the polygon.
    TGraphicsProvider::SetClipingPolygon(p.C(), {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {19, 19}});
    p.C().Brush().SetColor(clBlack);
    p.C().FillRect(TRect(0, 0, 20, 20));
    EXPECT_EQ(p.At(5, 5), clBlack);
    EXPECT_EQ(p.At(15, 15), clWhite);
}

} // namespace

namespace {

TEST(Drawing, VerticalText) {
    Surface s(40, 100);
    s.C().Font().SetColor(clBlack);
    s.C().Font().SetHeight(-14);
    DrawVerticalText(s.C(), TRect(0, 0, 40, 100), QStringLiteral("WWWW"), false);
    int minX = 40, maxX = -1, minY = 100, maxY = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 40; ++x)
            if (GetRValue(s.At(x, y)) < 128) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    ASSERT_GE(maxX, 0) << "nothing drawn";
    EXPECT_GT(maxY - minY, 2 * (maxX - minX)); // runs upwards, so taller than wide
    EXPECT_EQ(s.C().Font().Orientation(), 0);  // the canvas font is put back
}

} // namespace

namespace {

TEST(Drawing, BitmapsFromResources) {
    const QString path = QDir::temp().filePath(QStringLiteral("korvel_grid_glyph.bmp"));
    {
        TBitmap glyph(3, 3);
        glyph.Canvas().Brush().SetColor(clBlue);
        glyph.Canvas().FillRect(TRect(0, 0, 3, 3));
        glyph.Canvas().SetPixel(0, 2, clLime); // bottom-left: transparent
        glyph.Canvas().SetPixel(2, 0, clLime);
        glyph.SaveToFile(path);
    }
    Surface opaque(6, 6), clear(6, 6);
    TGraphicsProvider::DrawBitmapFromRes(opaque.C(), 1, 1, path, false);
    TGraphicsProvider::DrawImageFromRes(clear.C(), 1, 1, path);
    EXPECT_EQ(opaque.At(1, 1), clBlue);
    EXPECT_EQ(opaque.At(3, 1), clLime);
    EXPECT_EQ(clear.At(1, 1), clBlue);
    EXPECT_EQ(clear.At(3, 1), clWhite); // the transparent colour let the background through
    QFile::remove(path);
    EXPECT_THROW(TGraphicsProvider::DrawBitmapFromRes(opaque.C(), 0, 0, QStringLiteral("NOSUCHGLYPH"), true),
                 EInvalidOperation);
}

} // namespace
