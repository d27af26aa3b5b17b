// Pictures of prepared objects: stored once in the picture cache, read back by index.

#include "PreparedFixture.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptPictureCache.h"
#include "report/core/rptXML.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Pictures stay out of the page elements: each changed picture goes to the picture cache once and
// the rebuilt object reads it back by its index, also when the page came back from the file.
TEST(PreparedInvariantCases, PicturesComeBackFromThePictureCache) {
    TPreparedFixture f;
    f.Report->EngineOptions()->SetUseFileCache(true);
    f.Report->EngineOptions()->SetMaxMemSize(0);
    f.Report->PreviewOptions()->SetPagesInCache(1);
    auto* pic = new TrptPictureView(f.Data);
    pic->SetName(QStringLiteral("Picture1"));
    pic->SetBounds(400, 0, 40, 20);
    f.Start();
    const QRgb colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x808000, 0x008080};
    for (int p = 0; p < 5; ++p) {
        f.NewPage();
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetSize(10 + p, 5);
        bmp->Canvas().Brush().SetColor(static_cast<TColor>(qRed(colours[p]) | qGreen(colours[p]) << 8 | qBlue(colours[p]) << 16));
        bmp->Canvas().FillRect(TRect(0, 0, 10 + p, 5));
        pic->Picture()->SetGraphic(std::move(bmp));
        f.Put(f.Data, 40);
    }
    f.Stop();
    EXPECT_EQ(f.Pages->PictureCache()->Count(), 5);
    EXPECT_EQ(DumpPreparedPages(f.Pages), f.Expected());
    for (int p = 4; p >= 0; --p) {
        SCOPED_TRACE(p);
        TrptReportPage* page = f.Pages->GetPage(p);
        auto* rebuilt = dynamic_cast<TrptPictureView*>(static_cast<TrptComponent*>(page)->FindObject(QStringLiteral("Picture1")));
        ASSERT_NE(rebuilt, nullptr);
        EXPECT_EQ(rebuilt->ImageIndex(), p + 1);
        ASSERT_NE(rebuilt->Picture()->Graphic(), nullptr);
        EXPECT_EQ(rebuilt->Picture()->Width(), 10 + p);
        const QImage img = rebuilt->Picture()->Graphic()->ToImage();
        EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFF, colours[p]);
    }
    // The page elements hold the index only, not the picture's bytes.
    EXPECT_FALSE(f.Pages->PageItem(0)->Items(0)->Items(2)->Text().contains(QStringLiteral("Picture.")));
}

} // namespace

