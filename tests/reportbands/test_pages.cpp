// Report pages: paper, orientation, margins, columns, alignment of bands, the background, bad
// page settings, and the data page.

#include "BandsTestSupport.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/SysUtils.h"

#include <QImage>
#include <QPageSize>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

void ExpectPaper(const TrptReportPage& p, double w, double h) {
    EXPECT_DOUBLE_EQ(p.PaperWidth(), w);
    EXPECT_DOUBLE_EQ(p.PaperHeight(), h);
    EXPECT_DOUBLE_EQ(p.Width(), std::nearbyint(w * rptMMFactor));
    EXPECT_DOUBLE_EQ(p.Height(), std::nearbyint(h * rptMMFactor));
}

void SetMargins(TrptReportPage& p, double l, double t, double r, double b) {
    p.SetLeftMargin(l);
    p.SetTopMargin(t);
    p.SetRightMargin(r);
    p.SetBottomMargin(b);
}

} // namespace

TEST(PageGeometry, NewPageIsA4PortraitWithoutMargins) {
    TBandsReport r;
    TrptReportPage& p = *r.Page;
    EXPECT_EQ(p.PaperSize(), 9);
    EXPECT_EQ(p.Orientation(), poPortrait);
    ExpectPaper(p, 210, 297);
    EXPECT_DOUBLE_EQ(p.Width(), 794);
    EXPECT_DOUBLE_EQ(p.Height(), 1123);
    EXPECT_EQ(p.LeftMargin() + p.TopMargin() + p.RightMargin() + p.BottomMargin(), 0);
    EXPECT_EQ(p.Bin(), 7);
    EXPECT_EQ(p.BinOtherPages(), 7);
    EXPECT_TRUE(p.PrintIfEmpty());
    EXPECT_TRUE(p.TitleBeforeHeader());
    EXPECT_TRUE(p.BackPictureVisible());
    EXPECT_TRUE(p.BackPicturePrintable());
    EXPECT_EQ(p.PageCount(), 1);
    EXPECT_EQ(p.Color(), clNone);
    EXPECT_FALSE(p.IsSubReport());
    EXPECT_EQ(p.GetDescription(), "Page");
    EXPECT_EQ(p.AsPage(), &p);

    // Generated names follow the base name "Page".
    auto* second = new TrptReportPage(r.Report.get());
    second->CreateUniqueName();
    EXPECT_EQ(second->Name(), "Page2");

    p.SetDefaults();
    EXPECT_EQ(p.LeftMargin(), 10);
    EXPECT_EQ(p.TopMargin(), 10);
    EXPECT_EQ(p.RightMargin(), 10);
    EXPECT_EQ(p.BottomMargin(), 10);
    TrptCustomPrinter* printer = GlobalPrinters()->Printer();
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(p.PaperSize(), printer->DefPaper());
    EXPECT_EQ(p.Orientation(), printer->DefOrientation());
    ExpectPaper(p, printer->DefPaperWidth(), printer->DefPaperHeight());
}

TEST(PageGeometry, OrientationTurnsPaperAndMargins) {
    TrptReportPage p;
    SetMargins(p, 10, 20, 30, 40);
    p.SetOrientation(poLandscape);
    ExpectPaper(p, 297, 210);
    EXPECT_EQ(p.LeftMargin(), 20);
    EXPECT_EQ(p.TopMargin(), 30);
    EXPECT_EQ(p.RightMargin(), 40);
    EXPECT_EQ(p.BottomMargin(), 10);
    // The same orientation again changes nothing.
    p.SetOrientation(poLandscape);
    ExpectPaper(p, 297, 210);
    EXPECT_EQ(p.LeftMargin(), 20);
    p.SetOrientation(poPortrait);
    ExpectPaper(p, 210, 297);
    EXPECT_EQ(p.LeftMargin(), 10);
    EXPECT_EQ(p.TopMargin(), 20);
    EXPECT_EQ(p.RightMargin(), 30);
    EXPECT_EQ(p.BottomMargin(), 40);
}

TEST(PageGeometry, PaperNumbersAndSizes) {
    TrptReportPage p;
    struct {
        TPrinterOrientation Orientation;
        int Paper;
        double W, H;
    } cases[] = {
        {poPortrait, 8, 297, 420},                                  // A3
        {poLandscape, 8, 420, 297},                                 // turned
        {poPortrait, 1, 215.9, 279.4}, {poLandscape, 11, 210, 148}, // A5
        {poPortrait, 66, 420, 594},                                 // A2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Paper);
        p.SetOrientation(c.Orientation);
        p.SetPaperSize(c.Paper);
        EXPECT_EQ(p.PaperSize(), c.Paper);
        ExpectPaper(p, c.W, c.H);
    }
    // A number the table lacks keeps the size; so does a printer's own number above 256.
    p.SetOrientation(poPortrait);
    p.SetPaperSize(9);
    p.SetPaperSize(48);
    EXPECT_EQ(p.PaperSize(), 48);
    ExpectPaper(p, 210, 297);
    p.SetPaperSize(300);
    ExpectPaper(p, 210, 297);

    // Setting a side makes the paper the template's own.
    p.SetPaperSize(9);
    p.SetPaperWidth(100.123456789);
    EXPECT_EQ(p.PaperSize(), 256);
    EXPECT_DOUBLE_EQ(p.PaperWidth(), 100.12345679);
    p.SetPaperSize(9);
    p.SetPaperHeight(50);
    EXPECT_EQ(p.PaperSize(), 256);
    ExpectPaper(p, 210, 50);

    p.SetSizeAndDimensions(9, 300, 400);
    EXPECT_EQ(p.PaperSize(), 9);
    ExpectPaper(p, 300, 400);
}

TEST(PageGeometry, PrinterPapersOutsideTheTableKeepTheirNumberAndSize) {
    // A paper only a printer knows gets a number above 256 that does not change between runs,
    // and the template's own width and height carry its size to another printer.
    const int a6 = PaperNumberOf(QPageSize(QPageSize::A6));
    EXPECT_GT(a6, 256);
    EXPECT_EQ(PaperNumberOf(QPageSize(QPageSize::A6)), a6);
    EXPECT_NE(PaperNumberOf(QPageSize(QPageSize::B6)), a6);
    EXPECT_EQ(PaperNumberOf(QPageSize(QPageSize::A4)), 9);
    const int own = PaperNumberOf(QPageSize(QSizeF(123.4, 56.7), QPageSize::Millimeter));
    EXPECT_GT(own, 256);
    EXPECT_EQ(own, PaperNumberOf(QPageSize(QSizeF(123.4, 56.7), QPageSize::Millimeter)));

    for (const auto& [number, w, h] : {std::tuple{a6, 105.0, 148.0}, std::tuple{own, 123.4, 56.7}}) {
        TBandsReport r;
        r.Page->SetOrientation(poLandscape);
        r.Page->SetSizeAndDimensions(number, w, h);
        TBandsReport back;
        LoadReport(*back.Report, SaveReport(*r.Report));
        EXPECT_EQ(back.Report->Errors()->Count(), 0) << back.Report->Errors()->Text().toStdString();
        auto* p = dynamic_cast<TrptReportPage*>(back.Report->FindObject("Page1"));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->PaperSize(), number);
        EXPECT_EQ(p->Orientation(), poLandscape);
        ExpectPaper(*p, w, h);
    }
}

TEST(PageGeometry, EachOrientationThroughATemplate) {
    for (TPrinterOrientation o : {poPortrait, poLandscape}) {
        SCOPED_TRACE(int(o));
        TBandsReport r;
        r.Page->SetPaperSize(1);
        SetMargins(*r.Page, 5, 6, 7, 8);
        r.Page->SetOrientation(o);
        TBandsReport back;
        LoadReport(*back.Report, SaveReport(*r.Report));
        auto* p = dynamic_cast<TrptReportPage*>(back.Report->FindObject("Page1"));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->Orientation(), o);
        EXPECT_EQ(p->PaperSize(), 1);
        ExpectPaper(*p, r.Page->PaperWidth(), r.Page->PaperHeight());
        EXPECT_EQ(p->LeftMargin(), r.Page->LeftMargin());
        EXPECT_EQ(p->TopMargin(), r.Page->TopMargin());
        EXPECT_EQ(p->RightMargin(), r.Page->RightMargin());
        EXPECT_EQ(p->BottomMargin(), r.Page->BottomMargin());
    }
}

// ---------------------------------------------------------------------------------------------

TEST(PageColumns, ColumnsDivideThePrintableWidth) {
    TrptReportPage p;
    SetMargins(p, 10, 10, 10, 10);
    p.SetColumns(2);
    EXPECT_DOUBLE_EQ(p.ColumnWidth(), 95);
    EXPECT_EQ(p.ColumnPositions()->Text(), "0\r\n95\r\n");
    EXPECT_DOUBLE_EQ(p.ColumnOffsetMM(2), 95);

    // Positions are written in the user's number format.
    p.SetColumns(3);
    ASSERT_EQ(p.ColumnPositions()->Count(), 3);
    EXPECT_EQ(p.ColumnPositions()->Get(0), "0");
    EXPECT_EQ(p.ColumnPositions()->Get(1), FloatToStr(190.0 / 3));
    EXPECT_EQ(p.ColumnPositions()->Get(2), FloatToStr(2 * (190.0 / 3)));

    p.SetColumns(0);
    EXPECT_EQ(p.ColumnPositions()->Count(), 0);
    EXPECT_DOUBLE_EQ(p.ColumnWidth(), 190.0 / 3); // the width is kept

    // Positions edited by hand: a missing or unreadable one falls back to the even spacing.
    p.SetColumns(3);
    p.ColumnPositions()->SetText("0\r\n70");
    EXPECT_DOUBLE_EQ(p.ColumnOffsetMM(1), 0);
    EXPECT_DOUBLE_EQ(p.ColumnOffsetMM(2), 70);
    EXPECT_DOUBLE_EQ(p.ColumnOffsetMM(3), 2 * (190.0 / 3));
    p.ColumnPositions()->SetText("0\r\nwide\r\n150,5");
    EXPECT_DOUBLE_EQ(p.ColumnOffsetMM(2), 190.0 / 3);
    EXPECT_DOUBLE_EQ(p.ColumnOffsetMM(3), 150.5);
    EXPECT_DOUBLE_EQ(p.ColumnOffsetMM(0), 0);
}

TEST(PageColumns, BandsAlignToColumnsOrToTheWholeWidth) {
    TBandsReport r;
    TrptReportPage& p = *r.Page;
    SetMargins(p, 10, 10, 10, 10);
    p.SetColumns(2);
    auto* master = new TrptMasterData(&p);
    auto* header = new TrptPageHeader(&p);
    auto* title = new TrptReportTitle(&p);
    auto* group = new TrptGroupHeader(&p);
    auto* overlay = new TrptOverlay(&p);
    auto* vertical = new TrptMasterData(&p);
    vertical->SetVertical(true);
    vertical->SetBounds(300, 40, 50, 20);
    header->SetLeft(18);
    p.AlignChildren();
    const double column = 95 * rptMMFactor;
    const double printable = 190 * rptMMFactor;
    EXPECT_NEAR(master->Width(), column, 1e-9);
    EXPECT_NEAR(group->Width(), column, 1e-9);
    EXPECT_NEAR(header->Width(), printable - 18, 1e-9);
    EXPECT_NEAR(title->Width(), printable, 1e-9);
    EXPECT_NEAR(overlay->Width(), printable, 1e-9);
    EXPECT_NEAR(vertical->Height(), 277 * rptMMFactor - 40, 1e-9);
    EXPECT_DOUBLE_EQ(vertical->Width(), 50);
    // Afterwards the page is the whole paper again.
    EXPECT_DOUBLE_EQ(p.Width(), 794);
    EXPECT_DOUBLE_EQ(p.Height(), 1123);

    // One column: every band takes the printable width.
    p.SetColumns(1);
    p.AlignChildren();
    EXPECT_NEAR(master->Width(), printable, 1e-9);
}

TEST(PageColumns, ViewsOnBandsAreAlignedWithTheBand) {
    TBandsReport r;
    SetMargins(*r.Page, 10, 10, 10, 10);
    auto* band = new TrptMasterData(r.Page);
    band->SetHeight(30);
    auto* shape = new TrptShapeView(band);
    shape->SetBounds(5, 0, 40, 10);
    shape->SetAlign(baRight);
    r.Page->AlignChildren();
    EXPECT_NEAR(shape->Left(), 190 * rptMMFactor - 40, 1e-9);
}

TEST(PageColumns, FindBandTakesTheFirstOfAClass) {
    TBandsReport r;
    EXPECT_EQ(r.Page->FindBand<TrptPageFooter>(), nullptr);
    auto* shape = new TrptShapeView(r.Page);
    (void)shape;
    auto* detail = new TrptDetailData(r.Page);
    auto* master = new TrptMasterData(r.Page);
    auto* footer1 = new TrptPageFooter(r.Page);
    new TrptPageFooter(r.Page);
    EXPECT_EQ(r.Page->FindBand<TrptPageFooter>(), footer1);
    EXPECT_EQ(r.Page->FindBand<TrptMasterData>(), master);
    EXPECT_EQ(r.Page->FindBand(TrptDataBand::StaticClassInfo()), detail);
    EXPECT_EQ(r.Page->FindBand(nullptr), nullptr);
}

TEST(PageSettings, PageCountGuidesAndBackground) {
    TrptReportPage p;
    p.SetPageCount(3);
    p.SetPageCount(0);
    p.SetPageCount(-2);
    EXPECT_EQ(p.PageCount(), 3);

    TStringList guides;
    guides.SetText("10\r\n20");
    p.SetHGuides(&guides);
    p.SetVGuides(&guides);
    guides.Clear();
    EXPECT_EQ(p.HGuides()->Count(), 2);
    p.ClearGuides();
    EXPECT_EQ(p.HGuides()->Count() + p.VGuides()->Count(), 0);

    p.SetColor(clRed);
    EXPECT_EQ(p.BackPictureObject()->Color(), clRed);
    EXPECT_EQ(p.Frame(), p.BackPictureObject()->Frame());
    TrptFrame f;
    f.SetTyp(TrptFrameTypes{ftTop});
    p.SetFrame(&f);
    EXPECT_EQ(p.Frame()->Typ(), TrptFrameTypes{ftTop});
}

TEST(PageSettings, BackgroundDrawsInsideTheMargins) {
    TrptReportPage p;
    SetMargins(p, 10, 20, 10, 20);
    p.SetColor(clRed);
    auto draw = [&] {
        QImage img(794, 1123, QImage::Format_RGB32);
        img.fill(Qt::white);
        TCanvas c(&img);
        p.Draw(&c, 1, 1, 0, 0);
        return img;
    };
    QImage img = draw();
    EXPECT_EQ(img.pixel(400, 500) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(img.pixel(20, 500) & 0xFFFFFF, 0xFFFFFFu) << "left margin";
    EXPECT_EQ(img.pixel(400, 40) & 0xFFFFFF, 0xFFFFFFu) << "top margin";
    EXPECT_EQ(img.pixel(780, 500) & 0xFFFFFF, 0xFFFFFFu) << "right margin";
    EXPECT_EQ(img.pixel(400, 1100) & 0xFFFFFF, 0xFFFFFFu) << "bottom margin";
    EXPECT_EQ(img.pixel(40, 80) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NEAR(p.BackPictureObject()->Width(), 190 * rptMMFactor, 1e-9);

    p.SetIsPrinting(true);
    p.SetBackPicturePrintable(false);
    EXPECT_EQ(draw().pixel(400, 500) & 0xFFFFFF, 0xFFFFFFu);
    p.SetIsPrinting(false);
    EXPECT_EQ(draw().pixel(400, 500) & 0xFFFFFF, 0xFF0000u) << "the preview still shows it";
    p.SetBackPictureVisible(false);
    EXPECT_EQ(draw().pixel(400, 500) & 0xFFFFFF, 0xFFFFFFu);
}

// ---------------------------------------------------------------------------------------------
// Settings that describe no page.

TEST(BadPageSettings, PaperOfNoSizeIsRefused) {
    TrptReportPage p;
    for (double bad :
         {0.0, -5.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(p.SetPaperWidth(bad), EInvalidPageSetting);
        EXPECT_THROW(p.SetPaperHeight(bad), EInvalidPageSetting);
        EXPECT_THROW(p.SetSizeAndDimensions(256, bad, 100), EInvalidPageSetting);
        EXPECT_EQ(p.PaperSize(), 9);
        ExpectPaper(p, 210, 297);
    }
}

TEST(BadPageSettings, TemplateWithPaperOfNoSizeLoadsWithAMessage) {
    TBandsReport r;
    QByteArray text = SaveReport(*r.Report);
    text.replace("PaperWidth=\"210\"", "PaperWidth=\"-20\"");
    text.replace("PaperHeight=\"297\"", "PaperHeight=\"0\"");
    ASSERT_TRUE(text.contains("PaperWidth=\"-20\"")) << text.toStdString();
    TBandsReport back;
    LoadReport(*back.Report, text);
    const QString errors = back.Report->Errors()->Text();
    EXPECT_TRUE(errors.contains("paper width must be above 0 mm")) << errors.toStdString();
    EXPECT_TRUE(errors.contains("paper height must be above 0 mm")) << errors.toStdString();
    auto* p = dynamic_cast<TrptReportPage*>(back.Report->FindObject("Page1"));
    ASSERT_NE(p, nullptr);
    ExpectPaper(*p, 210, 297);
}

TEST(BadPageSettings, MarginsWiderThanThePaperLeaveAnEmptyArea) {
    TBandsReport r;
    TrptReportPage& p = *r.Page;
    SetMargins(p, 150, 200, 100, 150);
    EXPECT_EQ(p.PrintableWidthMM(), 0);
    EXPECT_EQ(p.PrintableHeightMM(), 0);
    auto* band = new TrptMasterData(&p);
    band->SetBounds(0, 0, 500, 20);
    auto* vertical = new TrptMasterData(&p);
    vertical->SetVertical(true);
    p.AlignChildren();
    EXPECT_EQ(band->Width(), 0);
    EXPECT_EQ(vertical->Height(), 0);
    p.SetColumns(3);
    EXPECT_EQ(p.ColumnWidth(), 0);
    EXPECT_EQ(p.ColumnPositions()->Text(), "0\r\n0\r\n0\r\n");
    p.SetColor(clBlue);
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    p.Draw(&c, 0.1, 0.1, 0, 0);
    EXPECT_EQ(img.pixel(50, 50) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(BadPageSettings, ColumnCountsNoPageHolds) {
    TrptReportPage p;
    p.SetColumns(rptMaxPageColumns);
    EXPECT_EQ(p.ColumnPositions()->Count(), rptMaxPageColumns);
    EXPECT_THROW(p.SetColumns(rptMaxPageColumns + 1), EInvalidPageSetting);
    EXPECT_THROW(p.SetColumns(std::numeric_limits<int>::max()), EInvalidPageSetting);
    EXPECT_EQ(p.Columns(), rptMaxPageColumns);
    EXPECT_EQ(p.ColumnPositions()->Count(), rptMaxPageColumns);
    // Below zero there are no columns to lay out.
    p.SetColumns(-4);
    EXPECT_EQ(p.ColumnPositions()->Count(), 0);
}

// ---------------------------------------------------------------------------------------------

TEST(DataPages, SizeNameAndTheReportsDataPageRule) {
    TrptDataPage d;
    EXPECT_EQ(d.Width(), 1000);
    EXPECT_EQ(d.Height(), 1000);
    EXPECT_EQ(d.GetDescription(), "Data page");
    TBandsReport r;
    ASSERT_NE(r.Data, nullptr);
    EXPECT_EQ(r.Report->Pages(0), r.Data);
    EXPECT_EQ(r.Data->Name(), "Data");
    // The report's text stores it with its geometry, first among the pages.
    const QByteArray text = SaveReport(*r.Report);
    EXPECT_TRUE(text.contains("<TrptDataPage Name=\"Data\" Height=\"1000\" Left=\"0\" Top=\"0\" "
                              "Width=\"1000\"/>\r\n  <TrptReportPage"))
        << text.toStdString();
}

TEST(PageSettings, BackPictureFillsThePrintableArea) {
    TBandsReport r;
    TrptReportPage& p = *r.Page;
    SetMargins(p, 10, 20, 10, 20);
    TPicture picture;
    auto png = std::make_unique<TPngImage>();
    QImage img(2, 4, QImage::Format_ARGB32);
    img.fill(QColor(0, 0, 255));
    png->SetImage(img);
    picture.SetGraphic(std::move(png));
    p.SetBackPicture(&picture);
    ASSERT_NE(p.BackPicture(), nullptr);
    ASSERT_NE(p.BackPicture()->Graphic(), nullptr);
    EXPECT_EQ(p.BackPicture()->Width(), 2);

    // Stretched without keeping the aspect ratio: the whole area inside the margins.
    QImage page(794, 1123, QImage::Format_RGB32);
    page.fill(Qt::white);
    TCanvas c(&page);
    p.Draw(&c, 1, 1, 0, 0);
    for (const auto& [x, y] :
         {std::pair{45, 80}, std::pair{750, 80}, std::pair{400, 1040}, std::pair{45, 1040}})
        EXPECT_EQ(page.pixel(x, y) & 0xFFFFFF, 0x0000FFu) << x << "," << y;
    EXPECT_EQ(page.pixel(30, 500) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(page.pixel(400, 70) & 0xFFFFFF, 0xFFFFFFu);

    // Kept in the template as the picture's data.
    const QByteArray text = SaveReport(*r.Report);
    EXPECT_TRUE(text.contains("BackPicture.PropData=\"")) << text.toStdString();
    TBandsReport back;
    LoadReport(*back.Report, text);
    auto* loaded = dynamic_cast<TrptReportPage*>(back.Report->FindObject("Page1"));
    ASSERT_NE(loaded, nullptr);
    ASSERT_NE(loaded->BackPicture(), nullptr);
    ASSERT_NE(loaded->BackPicture()->Graphic(), nullptr);
    EXPECT_EQ(loaded->BackPicture()->Graphic()->ToImage().pixel(1, 3) & 0xFFFFFF, 0x0000FFu);

    p.SetBackPicture(nullptr);
    EXPECT_TRUE(p.BackPicture()->Graphic() == nullptr || p.BackPicture()->Graphic()->Empty());
}
