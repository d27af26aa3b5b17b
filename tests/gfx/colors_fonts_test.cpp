#include "platform/gfx/Colors.h"
#include "platform/gfx/FontService.h"
#include "platform/gfx/Graphics.h"

#include <QRawFont>
#include <gtest/gtest.h>

TEST(Colors, ValuesAndSystemColours) {
    EXPECT_EQ(clRed, 255);
    EXPECT_EQ(clBlue, 16711680);
    EXPECT_EQ(clBtnFace, -16777201);
    EXPECT_EQ(clNone, 536870911);
    UseClassicSystemColors();
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clWindow), RGB(255, 255, 255));
    EXPECT_EQ(ColorToRGB(clHighlight), RGB(10, 36, 106));
    // The older form of system colours (top bit only) resolves the same way.
    EXPECT_EQ(ColorToRGB(TColorOf(0x8000000Fu)), RGB(212, 208, 200));
    EXPECT_EQ(ColorToRGB(RGB(1, 2, 3)), RGB(1, 2, 3));
    SetSysColor(COLOR_BTNFACE, clRed);
    EXPECT_EQ(ColorToRGB(clBtnFace), clRed);
    UseClassicSystemColors();
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
}

TEST(Colors, NameTable) {
    QStringList names;
    GetColorValues([&](const QString& n) { names << n; });
    ASSERT_EQ(names.size(), 52);
    EXPECT_EQ(names.first(), QStringLiteral("clBlack"));
    EXPECT_EQ(names.last(), QStringLiteral("clWindowText"));
    EXPECT_EQ(StringToColor(QStringLiteral("clbtnface")), clBtnFace);
    EXPECT_EQ(StringToColor(QStringLiteral("$00FF0000")), clBlue);
    EXPECT_EQ(StringToColor(QStringLiteral("-16777201")), clBtnFace);
    EXPECT_EQ(ColorToString(clRed), QStringLiteral("clRed"));
    EXPECT_EQ(ColorToString(0x123456), QStringLiteral("$00123456"));
    EXPECT_THROW(StringToColor(QStringLiteral("clNoSuch")), EConvertError);
}

TEST(Fonts, SizeAndHeightStayConsistent) {
    TFont f;
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    EXPECT_EQ(f.Size(), 10);
    f.SetHeight(-16);
    EXPECT_EQ(f.Size(), 12);
    f.SetStyle({fsBold, fsItalic});
    EXPECT_EQ(f.Style().ToInt(), 3u);
    EXPECT_EQ(changes, 3);
    f.SetHeight(-16); // unchanged: no event
    EXPECT_EQ(changes, 3);
    f.SetPixelsPerInch(600);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -83);
}

TEST(Fonts, PointSizeKeepsWholeSizesAndExactFractions) {
    // Heights a whole size gives back are that size; the others keep their exact fraction.
    const struct {
        int Ppi, Height;
        double Points;
    } cases[] = {{96, -13, 10}, {96, -11, 8}, {96, -16, 12}, {96, -14, 10.5}, {96, -7, 5},
                 {600, -83, 10}, {600, -88, 10.56}, {72, -9, 9}};
    for (const auto& c : cases) {
        TFont f;
        f.SetPixelsPerInch(c.Ppi);
        f.SetHeight(c.Height);
        EXPECT_NEAR(f.PointSize(), c.Points, 0.005) << c.Ppi << " " << c.Height;
    }
}

TEST(FontService, MapsTheUsualFacesAndFallsBack) {
    auto& fs = TFontService::Instance();
    struct Case {
        const char* Requested;
        const char* Family;
    } cases[] = {
        {"Arial", "Liberation Sans"},       {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"}, {"Tahoma", "DejaVu Sans"},
        {"MS Sans Serif", "DejaVu Sans"},   {"No Such Face 4711", "DejaVu Sans"},
    };
    for (const Case& c : cases) {
        auto face = fs.Face(QString::fromLatin1(c.Requested), false, false);
        EXPECT_EQ(face->Family(), QString::fromLatin1(c.Family)) << c.Requested;
    }
    auto bold = fs.Face(QStringLiteral("Arial"), true, false);
    EXPECT_TRUE(bold->FilePath().contains(QStringLiteral("Bold")));
    EXPECT_FALSE(bold->SyntheticBold());
}

TEST(FontService, TablesMetricsAndAdvances) {
    auto face = TFontService::Instance().Face(QStringLiteral("Arial"), false, false);
    const TFaceMetrics& m = face->Metrics();
    EXPECT_EQ(m.UnitsPerEm, 2048);
    EXPECT_EQ(m.Ascent, 1854);
    EXPECT_EQ(m.Descent, 434);
    const QByteArray head = face->Table("head");
    ASSERT_EQ(head.size(), 54);
    // The magic number of the font header.
    EXPECT_EQ(static_cast<quint8>(head[12]), 0x5F);
    EXPECT_EQ(static_cast<quint8>(head[15]), 0xF5);
    EXPECT_TRUE(face->Table("zzzz").isEmpty());
    EXPECT_FALSE(face->Table("glyf").isEmpty());
    EXPECT_GT(face->FileData().size(), 100000);
    const quint32 h = face->GlyphIndex(U'H');
    ASSERT_NE(h, 0u);
    EXPECT_EQ(face->GlyphAdvance(h), 1479);
    // Shaping gives one glyph per Latin character with the unhinted advances.
    const auto glyphs = face->Shape(QStringLiteral("Hello"), false);
    ASSERT_EQ(glyphs.size(), 5u);
    EXPECT_EQ(glyphs[0].GlyphId, h);
    EXPECT_EQ(glyphs[0].XAdvance, 1479);
    // Qt reads the same file to the same advances.
    const QRawFont raw = face->RawFont(2048);
    const auto qtAdv = raw.advancesForGlyphIndexes(QList<quint32>{h});
    EXPECT_DOUBLE_EQ(qtAdv[0].x(), 1479.0);
}
