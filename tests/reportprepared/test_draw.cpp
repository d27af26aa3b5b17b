// A prepared page drawn to a picture (saved as reportprepared_page.png to look at): the texts of
// every band land inside the page's margins at their places, nothing is drawn outside the page,
// and a page with mirrored margins moves its odd pages.

#include "PreparedFixture.h"

#include "platform/gfx/Canvas.h"
#include "report/core/rptClassView.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// Dark pixels in the rectangle (device pixels).
int DarkPixels(const QImage& img, int l, int t, int r, int b) {
    int n = 0;
    for (int y = std::max(t, 0); y < std::min(b, img.height()); ++y)
        for (int x = std::max(l, 0); x < std::min(r, img.width()); ++x)
            if (qGray(img.pixel(x, y)) < 128) ++n;
    return n;
}

void Prepare(TPreparedFixture& f) {
    const TrptFrameTypes all{ftLeft, ftRight, ftTop, ftBottom};
    f.Cell1->Frame()->SetTyp(all);
    f.Cell2->Frame()->SetTyp(all);
    f.Cell2->SetColor(0xE0F0FF);
    f.Header->SetHeight(30);
    f.HeaderMemo->Font()->SetSize(14);
    f.HeaderMemo->SetParentFont(false);
    f.Start();
    f.NewPage();
    f.HeaderMemo->SetText(QStringLiteral("Customers"));
    f.Put(f.Header, 0);
    for (int r = 0; r < 8; ++r) {
        f.Cell1->SetText(QStringLiteral("Customer %1").arg(r + 1));
        f.Cell2->SetText(QString::number((r + 1) * 12.5, 'f', 2));
        f.Put(f.Data, 40 + r * 20);
    }
    f.FooterMemo->SetText(QStringLiteral("Page 1 of 2"));
    f.Put(f.Footer, 220);
    f.NewPage();
    f.Cell1->SetText(QStringLiteral("Last customer"));
    f.Put(f.Data, 0);
    f.Stop();
}

TEST(PreparedDraw, PageToPicture) {
    TPreparedFixture f;
    Prepare(f);
    const double scale = 1.0;
    const TPoint size = f.Pages->GetPageSize(0);
    QImage img(size.X + 40, 320, QImage::Format_RGB32);
    img.fill(QColor(0x80, 0x80, 0x80)); // grey outside the page
    {
        TCanvas c(&img);
        c.Brush().SetColor(clWhite);
        c.FillRect(TRect(20, 20, 20 + size.X, 320));
        f.Pages->DrawPage(0, &c, scale, scale, 20, 20);
    }
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("reportprepared_page.png"));
    ASSERT_TRUE(img.save(file));

    const int ox = 20 + 38, oy = 20 + 38; // page offset plus the 10 mm margins
    // Header text, every row's cells, the footer text.
    EXPECT_GT(DarkPixels(img, ox, oy, ox + 300, oy + 30), 30);
    for (int r = 0; r < 8; ++r) {
        SCOPED_TRACE(r);
        EXPECT_GT(DarkPixels(img, ox + 2, oy + 40 + r * 20 + 2, ox + 198, oy + 40 + r * 20 + 18), 10);
        EXPECT_GT(DarkPixels(img, ox + 212, oy + 40 + r * 20 + 2, ox + 358, oy + 40 + r * 20 + 18), 10);
    }
    EXPECT_GT(DarkPixels(img, ox, oy + 220, ox + 300, oy + 245), 20);
    // Left margin and the gap between header and rows stay empty; nothing outside the page.
    EXPECT_EQ(DarkPixels(img, 21, 21, ox - 2, 300), 0);
    EXPECT_EQ(DarkPixels(img, ox + 400, oy, 20 + size.X - 1, 300), 0);
    EXPECT_EQ(qGray(img.pixel(5, 100)), 0x80);
    // The cell colour is drawn.
    EXPECT_EQ(img.pixel(ox + 350, oy + 45) & 0xFFFFFF, 0xFFF0E0u & 0xFFFFFF) << std::hex << img.pixel(ox + 350, oy + 45);
}

TEST(PreparedDraw, MirroredMarginsMoveOddPages) {
    TPreparedFixture f;
    f.Page->SetMirrorMargins(true);
    f.Page->SetLeftMargin(10);
    f.Page->SetRightMargin(40);
    f.Page->AlignChildren();
    Prepare(f);
    for (int index : {0, 1}) {
        const TPoint size = f.Pages->GetPageSize(index);
        QImage img(size.X, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            TCanvas c(&img);
            f.Pages->DrawPage(index, &c, 1, 1, 0, 0);
        }
        // The first cell's left frame line: at 10 mm on even pages, at 40 mm on odd ones.
        const int left10 = 38, left40 = 151;
        const int rowY = index == 0 ? 38 + 50 : 38 + 10;
        if (index == 0) {
            EXPECT_GT(DarkPixels(img, left10 - 1, rowY - 5, left10 + 2, rowY + 5), 0);
            EXPECT_EQ(DarkPixels(img, left40 - 1, rowY - 5, left40 + 2, rowY + 5), 0);
        } else {
            EXPECT_GT(DarkPixels(img, left40 - 1, rowY - 5, left40 + 2, rowY + 5), 0);
            EXPECT_EQ(DarkPixels(img, left10 - 1, rowY - 5, left10 + 2, rowY + 5), 0);
        }
    }
    // The page object keeps its own margins after drawing.
    EXPECT_DOUBLE_EQ(f.Pages->GetPage(1)->LeftMargin(), 10);
}

} // namespace
