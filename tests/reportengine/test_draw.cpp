// A page the engine prepared, drawn to a picture (saved as reportengine_page.png to look at): the
// group headers, rows, group totals and the page footer stand where the engine put them.

#include "EngineTest.h"

#include "platform/gfx/Canvas.h"
#include "report/core/rptClassBases.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace {

int DarkPixels(const QImage& img, int l, int t, int r, int b) {
    int n = 0;
    for (int y = std::max(t, 0); y < std::min(b, img.height()); ++y)
        for (int x = std::max(l, 0); x < std::min(r, img.width()); ++x)
            if (qGray(img.pixel(x, y)) < 128) ++n;
    return n;
}

TEST(EngineDraw, KeptGroupsOnAPicture) {
    TEngineReport r(QStringLiteral("keep.de3"), 25);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    TrptCustomPreviewPages* pages = r.Report->PreviewPages();
    const TPoint size = pages->GetPageSize(1);
    QImage img(size.X, size.Y, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TCanvas c(&img);
        pages->DrawPage(1, &c, 1, 1, 0, 0);
    }
    ASSERT_TRUE(img.save(QDir::current().absoluteFilePath(QStringLiteral("reportengine_page.png"))));
    // Page 2: group 3 (header at 0, rows at 20..100, total at 120), group 4 (140..260), the page
    // total at the bottom (337.95); every 20-pixel line has text, the space below the last group
    // (280..337) has none.
    for (int line = 0; line < 14; ++line) {
        SCOPED_TRACE(line);
        EXPECT_GT(DarkPixels(img, 0, line * 20 + 2, 100, line * 20 + 18), 5);
    }
    EXPECT_EQ(DarkPixels(img, 0, 282, size.X, 336), 0);
    EXPECT_GT(DarkPixels(img, 0, 340, 100, 356), 5);
}

} // namespace
