// Opening damaged and hostile prepared-report files: every one is refused with "Invalid file
// format" and the pages held before stay as they were. Also a file saved, loaded and saved again
// comes out byte for byte the same, and a file of 100,000 pages opens (wholly and in part).

#include "PreparedFixture.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptOutline.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptXML.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

// Four pages of the fixture's template with a picture, an outline and anchors.
void Prepare(TPreparedFixture& f, int pages = 4) {
    auto* pic = new TrptPictureView(f.Data);
    pic->SetName(QStringLiteral("Picture1"));
    pic->SetBounds(400, 0, 40, 20);
    f.Report->ReportOptions()->SetName(QStringLiteral("Sales <2026>"));
    f.Report->PreviewOptions()->SetOutlineWidth(180);
    f.Start();
    for (int p = 0; p < pages; ++p) {
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

QByteArray Save(TrptPreviewPages* pages) {
    TMemoryStream s;
    pages->SaveToStream(s);
    return s.Bytes();
}

void Load(TrptPreviewPages* pages, const QByteArray& bytes, bool partial = false) {
    TBytesStream s(bytes);
    pages->LoadFromStream(s, partial);
}

QByteArray SavedReport() {
    TPreparedFixture f;
    Prepare(f);
    return Save(f.Pages);
}

// Loading Bytes into prepared pages that hold a report must fail with the file-format error and
// change nothing: pages, source pages, dictionary, pictures, outline and the report's settings.
void ExpectRefusedAndUnchanged(const QByteArray& Bytes, const std::string& Case) {
    SCOPED_TRACE(Case);
    TPreparedFixture f;
    Prepare(f);
    f.Report->ReportOptions()->SetName(QStringLiteral("Kept"));
    const QString dump = DumpPreparedPages(f.Pages);
    const QByteArray saved = Save(f.Pages);
    const size_t sources = f.Pages->SourcePages().size();
    try {
        Load(f.Pages, Bytes);
        ADD_FAILURE() << "loaded";
    } catch (const TrptInvalidXMLException& e) {
        EXPECT_TRUE(e.Message().startsWith(QLatin1String("Invalid file format"))) << e.Message().toStdString();
    }
    EXPECT_EQ(f.Pages->SourcePages().size(), sources);
    EXPECT_EQ(DumpPreparedPages(f.Pages), dump);
    EXPECT_EQ(Save(f.Pages), saved);
    EXPECT_EQ(f.Report->ReportOptions()->Name(), QStringLiteral("Kept"));
    EXPECT_EQ(f.Report->PreviewOptions()->OutlineWidth(), 180);
    EXPECT_EQ(f.Pages->GetAnchorPage(QStringLiteral("Anchor 4")), 4);
}

QByteArray Replaced(QByteArray bytes, const QByteArray& from, const QByteArray& to) {
    EXPECT_TRUE(bytes.contains(from)) << from.toStdString();
    return bytes.replace(from, to);
}

TEST(PreparedFileDamage, RefusedFilesLeaveThePagesAsTheyWere) {
    const QByteArray good = SavedReport();
    QByteArray deep = "<b1>";
    for (int i = 0; i < 100000; ++i) deep += "<m2>";
    for (int i = 0; i < 100000; ++i) deep += "</m2>";
    deep += "</b1>";
    const struct {
        const char* Case;
        QByteArray Bytes;
    } cases[] = {
        {"empty", QByteArray()},
        {"not XML", QByteArray("PK\x03\x04 a zip file")},
        {"another version of the format", Replaced(good, "version=\"1.0\"", "version=\"2.0\"")},
        {"a report template", QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>"
                                         "<TrptReport Version=\"4.15\"><TrptReportPage Name=\"Page1\"/></TrptReport>")},
        {"a page naming a missing source page", Replaced(Replaced(good, "<page0", "<page7"), "</page0>", "</page7>")},
        {"a page naming a huge source page",
         Replaced(Replaced(good, "<page0", "<page99999999999"), "</page0>", "</page99999999999>")},
        {"a page of no source page", Replaced(Replaced(good, "<page0", "<pagex"), "</page0>", "</pagex>")},
        {"a report object on a page", Replaced(good, "<m1 ", "<TrptReport/><m1 ")},
        {"a page on a page", Replaced(good, "<m1 ", "<TrptReportPage/><m1 ")},
        {"an unknown class on a page", Replaced(good, "<m1 ", "<TNoSuchView/><m1 ")},
        {"objects nested 100,000 deep", Replaced(good, "<page0>", "<page0>" + deep)},
        {"a source page that is no page", Replaced(good, "<sourcepages><TrptReportPage", "<sourcepages><TrptMemoView")},
        {"a damaged picture stream", Replaced(good, "stream=\"", "stream=\"ZZ")},
        {"an odd number of picture digits", QByteArray(good).replace("stream=\"", "stream=\"A")},
        {"an outline width that is no number",
         Replaced(good, "PreviewOptions.OutlineWidth=\"180\"", "PreviewOptions.OutlineWidth=\"abc\"")},
        {"a bad character reference in the report name", Replaced(good, "&#60;2026", "&#xZZ;2026")},
    };
    for (const auto& c : cases) ExpectRefusedAndUnchanged(c.Bytes, c.Case);
}

TEST(PreparedFileDamage, TruncatedFilesAreRefusedAtEveryLength) {
    const QByteArray good = SavedReport();
    // Every length up to the end tag of the root is a cut file.
    const int end = static_cast<int>(good.lastIndexOf("</preparedreport>"));
    ASSERT_GT(end, 0);
    TPreparedFixture f;
    Prepare(f);
    const QString dump = DumpPreparedPages(f.Pages);
    int refused = 0;
    for (int cut = 0; cut < end; cut += 7) {
        try {
            Load(f.Pages, good.left(cut));
            ADD_FAILURE() << "a file cut at byte " << cut << " loaded";
        } catch (const TrptInvalidXMLException&) {
            ++refused;
        }
    }
    EXPECT_EQ(refused, (end + 6) / 7);
    EXPECT_EQ(DumpPreparedPages(f.Pages), dump);
    // And the whole file still loads into the same pages.
    Load(f.Pages, good);
    EXPECT_EQ(DumpPreparedPages(f.Pages), dump);
}

TEST(PreparedFileDamage, RefusedFileNamesTheFileAndWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("bad.dp3"));
    {
        TFileStream s(file, fmCreate);
        const QByteArray bytes = Replaced(Replaced(SavedReport(), "<page0", "<page3"), "</page0>", "</page3>");
        s.WriteBuffer(bytes.constData(), bytes.size());
    }
    TPreparedFixture f;
    try {
        f.Pages->LoadFromFile(file);
        FAIL() << "loaded";
    } catch (const TrptInvalidXMLException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid file format: \"%1\": page 1 names source page 3, which the file "
                                              "does not hold (it holds 1)")
                                   .arg(file));
    }
    EXPECT_EQ(f.Pages->Count(), 0);
}

// The old single-byte kind of the file (a header without "standalone") is read, not refused.
TEST(PreparedFileDamage, OldKindOfFileLoads) {
    TPreparedFixture a;
    Prepare(a);
    const QByteArray old = Replaced(Save(a.Pages), " standalone=\"no\"", "");
    TPreparedFixture b;
    Load(b.Pages, old);
    EXPECT_EQ(DumpPreparedPages(b.Pages), DumpPreparedPages(a.Pages));
}

TEST(PreparedFileDamage, SaveLoadSaveIsByteIdentical) {
    const QByteArray first = SavedReport();
    // The unload markers of the pages from the third on are part of it.
    EXPECT_TRUE(first.contains("<page0 ld=\"0\">"));
    for (const bool partial : {false, true}) {
        SCOPED_TRACE(partial ? "partial" : "whole");
        TPreparedFixture b;
        TBytesStream in(first);
        b.Pages->LoadFromStream(in, partial);
        const QByteArray second = Save(b.Pages);
        EXPECT_EQ(second, first);
        TPreparedFixture c;
        Load(c.Pages, second);
        EXPECT_EQ(Save(c.Pages), first);
        EXPECT_EQ(DumpPreparedPages(c.Pages), DumpPreparedPages(b.Pages));
    }
}

// 100,000 pages made from one page element: loaded whole and in part, the last page rebuilt.
TEST(PreparedFileDamage, HundredThousandPages) {
    TPreparedFixture a;
    Prepare(a, 1);
    const QByteArray one = Save(a.Pages);
    const qsizetype from = one.indexOf("<page0>");
    const qsizetype to = one.indexOf("</page0>") + 8;
    ASSERT_GT(from, 0);
    ASSERT_GT(to, from);
    const QByteArray page = one.mid(from, to - from);
    QByteArray pages;
    pages.reserve(page.size() * 100000 + 16);
    for (int i = 0; i < 100000; ++i) pages += i < 2 ? page : QByteArray(page).replace("<page0>", "<page0 ld=\"0\">");
    const QByteArray big = one.left(from) + pages + one.mid(to);
    const QString firstPage = DumpPreparedPage(a.Pages, 0);

    for (const bool partial : {false, true}) {
        SCOPED_TRACE(partial ? "partial" : "whole");
        TPreparedFixture b;
        TBytesStream in(big);
        b.Pages->LoadFromStream(in, partial);
        ASSERT_EQ(b.Pages->Count(), 100000);
        // Left in the stream, the pages cost no memory until they are read.
        EXPECT_EQ(b.Pages->XMLDoc()->Root()->FindItem(QStringLiteral("previewpages"))->Items(99999)->Loaded(), !partial);
        EXPECT_EQ(b.Pages->GetPageSize(99999).X, b.Pages->GetPageSize(0).X);
        EXPECT_EQ(b.Pages->GetPageSize(99999).Y, b.Pages->GetPageSize(0).Y);
        EXPECT_EQ(DumpPreparedPage(b.Pages, 99999).section(QLatin1Char('\n'), 1),
                  firstPage.section(QLatin1Char('\n'), 1));
        if (!partial) {
            EXPECT_EQ(Save(b.Pages), big);
        }
    }
}

} // namespace
