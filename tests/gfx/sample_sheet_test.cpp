// Writes a sheet with every pen style, brush style and text flag, for a person to look at; the
// checks below only make sure each swatch put something where it belongs.

#include "platform/gfx/Canvas.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cstdio>

TEST(SampleSheet, PenBrushAndTextFlags) {
    QImage img(640, 560, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    c.Font().SetName(QStringLiteral("Arial"));
    c.Font().SetHeight(-12);
    c.Font().SetColor(clBlack);

    // Pen styles, thin and wide.
    const char* penNames[] = {"psSolid",      "psDash",  "psDot",        "psDashDot",
                              "psDashDotDot", "psClear", "psInsideFrame"};
    for (int i = 0; i <= psInsideFrame; ++i) {
        const int y = 10 + i * 18;
        c.Brush().SetStyle(bsClear);
        c.Pen().SetStyle(psSolid);
        c.TextOut(10, y - 6, QString::fromLatin1(penNames[i]));
        c.Pen().SetStyle(static_cast<TPenStyle>(i));
        c.Pen().SetWidth(1);
        c.MoveTo(110, y);
        c.LineTo(300, y);
        c.Pen().SetWidth(3);
        c.MoveTo(320, y);
        c.LineTo(500, y);
    }
    c.Pen().SetWidth(1);
    c.Pen().SetStyle(psSolid);
    // User style with round dots and square dashes, and a dashed line with an opaque background.
    c.Brush().SetStyle(bsClear);
    c.TextOut(10, 130, QStringLiteral("user / opaque gaps"));
    c.Pen().SetWidth(4);
    c.Pen().SetStyle(psUserStyle);
    c.Pen().SetEndCap(pecRound);
    c.Pen().SetUserStyle({0, 8});
    c.MoveTo(130, 136);
    c.LineTo(300, 136);
    c.Pen().SetEndCap(pecFlat);
    c.Pen().SetUserStyle({4, 4});
    c.MoveTo(320, 136);
    c.LineTo(500, 136);
    c.Pen().SetWidth(1);
    c.Pen().SetStyle(psDash);
    c.Brush().SetColor(clYellow);
    c.MoveTo(520, 136);
    c.LineTo(630, 136);
    c.Pen().SetStyle(psSolid);

    // Brush styles.
    const char* brushNames[] = {"bsSolid",     "bsClear",     "bsHorizontal", "bsVertical",
                                "bsFDiagonal", "bsBDiagonal", "bsCross",      "bsDiagCross"};
    for (int i = 0; i <= bsDiagCross; ++i) {
        const int x = 10 + i * 78;
        c.Brush().SetStyle(bsClear);
        c.TextOut(x, 155, QString::fromLatin1(brushNames[i]));
        c.Brush().SetColor(clNavy);
        c.Brush().SetStyle(static_cast<TBrushStyle>(i));
        c.Rectangle(x, 172, x + 70, 222);
    }

    // Text flags, each in a framed box.
    struct Flag {
        const char* Name;
        unsigned Flags;
        const char* Text;
    } flags[] = {
        {"DT_LEFT", DT_SINGLELINE | DT_VCENTER, "Left aligned"},
        {"DT_CENTER", DT_SINGLELINE | DT_VCENTER | DT_CENTER, "Centred"},
        {"DT_RIGHT", DT_SINGLELINE | DT_VCENTER | DT_RIGHT, "Right aligned"},
        {"DT_TOP", DT_SINGLELINE | DT_TOP, "Top"},
        {"DT_BOTTOM", DT_SINGLELINE | DT_BOTTOM, "Bottom"},
        {"DT_WORDBREAK", DT_WORDBREAK, "Several words that wrap onto more lines"},
        {"DT_END_ELLIPSIS", DT_SINGLELINE | DT_END_ELLIPSIS, "A caption far too long for its box"},
        {"DT_PATH_ELLIPSIS", DT_SINGLELINE | DT_PATH_ELLIPSIS, "/home/user/reports/yearly/summary.de3"},
        {"DT_NOPREFIX", DT_SINGLELINE | DT_NOPREFIX, "Save && &Close"},
        {"prefix", DT_SINGLELINE, "Save && &Close"},
        {"DT_RTLREADING", DT_SINGLELINE | DT_RTLREADING | DT_RIGHT, "\u05E9\u05DC\u05D5\u05DD 123"},
        {"DT_NOCLIP", DT_SINGLELINE | DT_NOCLIP, "Not clipped at the right edge"},
    };
    int filled = 0;
    for (int i = 0; i < 12; ++i) {
        const int col = i % 3, row = i / 3;
        const int x = 10 + col * 210, y = 240 + row * 64;
        c.Brush().SetStyle(bsClear);
        c.Font().SetColor(clGray);
        c.TextOut(x, y, QString::fromLatin1(flags[i].Name));
        c.Font().SetColor(clBlack);
        TRect box(x, y + 16, x + 150, y + 58);
        c.Brush().SetColor(clSilver);
        c.FrameRect(box);
        c.Brush().SetStyle(bsClear);
        TRect inner(box.Left + 2, box.Top + 1, box.Right - 2, box.Bottom - 1);
        c.DrawText(QString::fromUtf8(flags[i].Text), inner, flags[i].Flags);
        c.Flush();
        bool ink = false;
        for (int yy = box.Top + 1; yy < box.Bottom - 1 && !ink; ++yy)
            for (int xx = box.Left + 1; xx < box.Right - 1 && !ink; ++xx)
                ink = (img.pixel(xx, yy) & 0xFFFFFF) != 0xFFFFFF;
        filled += ink;
        EXPECT_TRUE(ink) << flags[i].Name;
    }
    EXPECT_EQ(filled, 12);

    // Rotated text and a 3-D frame.
    c.Brush().SetStyle(bsClear);
    c.Font().SetOrientation(450);
    c.TextOut(200, 550, QStringLiteral("45 degrees"));
    c.Font().SetOrientation(0);
    TRect f(10, 500, 110, 550);
    c.Frame3D(f, clBtnHighlight, clBtnShadow, 2);

    const QString path = QDir::current().filePath(QStringLiteral("gfx_sample_sheet.png"));
    ASSERT_TRUE(img.save(path));
    std::printf("sample sheet: %s\n", qPrintable(path));
    // Each pen row drew in its left part (psClear excepted) and each brush box has navy.
    for (int i = 0; i <= psInsideFrame; ++i)
        EXPECT_EQ(c.Pixel(112, 10 + i * 18) == clBlack, i != psClear) << penNames[i];
    for (int i = 0; i <= bsDiagCross; ++i) {
        int navy = 0;
        for (int y = 173; y < 221; ++y)
            for (int x = 11 + i * 78; x < 79 + i * 78; ++x)
                navy += c.Pixel(x, y) == clNavy;
        EXPECT_EQ(navy > 0, i != bsClear) << brushNames[i];
    }
}
