// The prepared-report file: pages, source pages, dictionary, pictures, outline, anchors and
// logical page numbers come back from a saved file; the dictionary's form; missing files.

#include "PreparedFixture.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptOutline.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptPictureCache.h"
#include "report/core/rptXML.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Prepare(TPreparedFixture& f) {
    auto* pic = new TrptPictureView(f.Data);
    pic->SetName(QStringLiteral("Picture1"));
    pic->SetBounds(400, 0, 40, 20);
    f.Report->ReportOptions()->SetName(QStringLiteral("Sales <2026>"));
    f.Report->PreviewOptions()->SetOutlineWidth(180);
    f.Start();
    for (int p = 0; p < 4; ++p) {
        f.NewPage();
        f.HeaderMemo->SetText(QStringLiteral("Header %1").arg(p + 1));
        f.Put(f.Header, 0);
        f.Engine->SetCurY(40);
        f.Pages->AddAnchor(QStringLiteral("Anchor %1").arg(p + 1));
        f.Pages->Outline()->LevelRoot();
        f.Pages->Outline()->AddItem(QStringLiteral("Item %1").arg(p + 1), 40);
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetSize(6 + p, 4);
        bmp->Canvas().Brush().SetColor(p % 2 ? clRed : clBlue);
        bmp->Canvas().FillRect(TRect(0, 0, 6 + p, 4));
        pic->Picture()->SetGraphic(std::move(bmp));
        f.Cell1->SetText(QStringLiteral("Row %1").arg(p));
        f.Put(f.Data, 40);
    }
    f.Pages->ResetLogicalPageNumber();
    f.Stop();
}

TEST(PreparedFile, SavedReportComesBackWhole) {
    TPreparedFixture a;
    Prepare(a);
    TMemoryStream stream;
    a.Pages->SaveToStream(stream);
    const QByteArray saved(static_cast<const char*>(stream.Memory()), static_cast<int>(stream.Size()));
    EXPECT_TRUE(saved.contains("<m1 name=\"Page0.HeaderMemo\"/>"))
        << saved.left(400).toStdString();

    TPreparedFixture b;
    stream.SetPosition(0);
    b.Pages->LoadFromStream(stream);
    EXPECT_EQ(DumpPreparedPages(b.Pages), DumpPreparedPages(a.Pages));
    EXPECT_EQ(b.Report->ReportOptions()->Name(), QStringLiteral("Sales <2026>"));
    EXPECT_EQ(b.Report->PreviewOptions()->OutlineWidth(), 180);
    EXPECT_EQ(b.Pages->GetAnchorPage(QStringLiteral("anchor 3")), 3);
    b.Pages->Outline()->LevelRoot();
    ASSERT_EQ(b.Pages->Outline()->GetCount(), 4);
    QString text;
    int page = 0, top = 0;
    b.Pages->Outline()->GetItem(3, text, page, top);
    EXPECT_EQ(text, QStringLiteral("Item 4"));
    EXPECT_EQ(page, 3);
    b.Pages->SetCurPage(2);
    EXPECT_EQ(b.Pages->GetLogicalPageNo(), 3);
    EXPECT_EQ(b.Pages->GetLogicalTotalPages(), 4);
    for (int p = 0; p < 4; ++p) {
        auto* pic = dynamic_cast<TrptPictureView*>(
            static_cast<TrptComponent*>(b.Pages->GetPage(p))->FindObject(QStringLiteral("Picture1")));
        ASSERT_NE(pic, nullptr);
        EXPECT_EQ(pic->Picture()->Width(), 6 + p);
    }

    // Saved again right after loading: the same file, byte for byte (the unload markers of the
    // pages from the third on included).
    TMemoryStream again;
    b.Pages->SaveToStream(again);
    EXPECT_TRUE(saved.contains(" ld=\"0\""));
    EXPECT_EQ(QByteArray(static_cast<const char*>(again.Memory()), static_cast<int>(again.Size())), saved);
}

TEST(PreparedFile, FilesOnDisk) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("report.dp3"));
    TPreparedFixture a;
    Prepare(a);
    a.Pages->SaveToFile(file);

    TPreparedFixture b;
    EXPECT_FALSE(b.Pages->LoadFromFile(dir.filePath(QStringLiteral("missing.dp3"))));
    EXPECT_THROW(b.Pages->LoadFromFile(dir.filePath(QStringLiteral("missing.dp3")), true), Exception);
    EXPECT_TRUE(b.Pages->LoadFromFile(file));
    EXPECT_EQ(DumpPreparedPages(b.Pages), DumpPreparedPages(a.Pages));
}

} // namespace
