// Dot-matrix objects: snapping to the character grid, the page's paper and font style, printer
// command bytes, the prepared pages of a dot-matrix report (drawn to reportdmp_page.png) and the
// property round trip of every class.

#include "tests/common/ReportRoundTrip.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontService.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassDMP.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptRunControl.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double cw = 9.6;
constexpr double ch = 17;

// Whether v lies on the grid of step (whole multiples, within the kept precision).
bool OnGrid(double v, double step, double offset = 0) {
    const double k = (v - offset) / step;
    return std::fabs(k - std::round(k)) < 1e-6;
}

// Rows 1..Count with the fields N, Name (as wide as Count asks) and Flag.
class TDMPRows : public TrptUserDataSet {
public:
    explicit TDMPRows(TComponent* AOwner) : TrptUserDataSet(AOwner) {
        Fields()->SetCommaText(QStringLiteral("N,Name"));
        SetRangeEnd(reCount);
    }
    Variant GetValue(const QString& Index) override {
        const int row = RecNo() + 1;
        if (Index == QLatin1String("N")) return Variant(row);
        if (Index == QLatin1String("Name")) return Variant(QStringLiteral("Item %1").arg(row));
        return Variant::Null();
    }
};

struct TDMPReport {
    std::unique_ptr<TComponent> Host = std::make_unique<TComponent>(nullptr);
    std::unique_ptr<TrptReport> Report;
    TrptDMPPage* Page = nullptr;
    TDMPRows* Rows = nullptr;

    TDMPReport() {
        RegisterReportClasses();
        Report = std::make_unique<TrptReport>();
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        Report->CheckDataPage();
        Report->SetDotMatrixReport(true);
        Page = new TrptDMPPage(Report.get());
        Page->SetName("Page1");
        Rows = new TDMPRows(Host.get());
        Rows->SetName("RowsData");
        Rows->SetUserName("Rows");
        Report->DataSets()->Add(Rows);
    }
};

QByteArray Save(TrptReport& r) {
    TMemoryStream ms;
    r.SaveToStream(ms);
    return ms.Bytes();
}

void Load(TrptReport& r, const QByteArray& text) {
    TBytesStream ms(text);
    r.LoadFromStream(ms);
}

TEST(DotMatrixGrid, ObjectsSnapToTheCharacterGrid) {
    TDMPReport r;
    auto* band = new TrptMasterData(r.Page);
    auto* text = new TrptDMPMemoView(band);
    auto* line = new TrptDMPLineView(band);
    auto* cmd = new TrptDMPCommand(band);
    struct Case {
        const char* What;
        TrptComponent* Obj;
        TrptAlign Align;
        void (TrptComponent::*Set)(double);
        double (TrptComponent::*Get)() const;
        double In, Out;
    } cases[] = {
        {"text left", text, baNone, &TrptComponent::SetLeft, &TrptComponent::Left, 15, 19.2},
        {"right-aligned text left", text, baRight, &TrptComponent::SetLeft, &TrptComponent::Left, 15, 9.6},
        {"text left on a half cell", text, baNone, &TrptComponent::SetLeft, &TrptComponent::Left, 4.8, 0},
        {"text top", text, baNone, &TrptComponent::SetTop, &TrptComponent::Top, 20, 17},
        {"text top up", text, baNone, &TrptComponent::SetTop, &TrptComponent::Top, 26, 34},
        {"text width", text, baNone, &TrptComponent::SetWidth, &TrptComponent::Width, 100, 96},
        {"text height", text, baNone, &TrptComponent::SetHeight, &TrptComponent::Height, 30, 34},
        {"line left", line, baNone, &TrptComponent::SetLeft, &TrptComponent::Left, 15, 14.4},
        {"negative line left", line, baNone, &TrptComponent::SetLeft, &TrptComponent::Left, -5, -4.8},
        {"right-aligned line left", line, baRight, &TrptComponent::SetLeft, &TrptComponent::Left, 15, 14.4},
        {"right-aligned line left down", line, baRight, &TrptComponent::SetLeft, &TrptComponent::Left, 12, 4.8},
        {"line top", line, baNone, &TrptComponent::SetTop, &TrptComponent::Top, 20, 25.5},
        {"line top above the band", line, baNone, &TrptComponent::SetTop, &TrptComponent::Top, -8.5, -8.5},
        {"right-aligned line in a middle stays", line, baRight, &TrptComponent::SetLeft, &TrptComponent::Left, 24, 24},
        {"line width", line, baNone, &TrptComponent::SetWidth, &TrptComponent::Width, 15, 19.2},
        {"full-width line width", line, baWidth, &TrptComponent::SetWidth, &TrptComponent::Width, 15, 9.6},
        {"line height stays", line, baNone, &TrptComponent::SetHeight, &TrptComponent::Height, 3.5, 3.5},
        {"command left", cmd, baNone, &TrptComponent::SetLeft, &TrptComponent::Left, 15, 19.2},
        {"command top", cmd, baNone, &TrptComponent::SetTop, &TrptComponent::Top, 9, 17},
        {"command width stays", cmd, baNone, &TrptComponent::SetWidth, &TrptComponent::Width, 15, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        static_cast<TrptView*>(c.Obj)->SetAlign(c.Align);
        (c.Obj->*c.Set)(c.In);
        EXPECT_NEAR((c.Obj->*c.Get)(), c.Out, 1e-9);
        // Snapping a snapped value changes nothing.
        (c.Obj->*c.Set)((c.Obj->*c.Get)());
        EXPECT_NEAR((c.Obj->*c.Get)(), c.Out, 1e-9);
    }
    // SetBoundsDirect keeps the bounds as given.
    text->SetAlign(baNone);
    text->SetBoundsDirect(1, 2, 3, 4);
    EXPECT_DOUBLE_EQ(text->Left(), 1);
    EXPECT_DOUBLE_EQ(text->Top(), 2);
    EXPECT_DOUBLE_EQ(text->Width(), 3);
    EXPECT_DOUBLE_EQ(text->Height(), 4);
}

TEST(DotMatrixGrid, PaperAndMarginsOnWholeCells) {
    TDMPReport r;
    TrptDMPPage& p = *r.Page;
    // A new page is A4 set through the paper number: 210 mm is 82.68 cells, rounded to 83.
    EXPECT_EQ(p.PaperSize(), 9);
    EXPECT_NEAR(p.PaperWidth() * rptMMFactor, 83 * cw, 1e-6);
    EXPECT_NEAR(p.PaperHeight() * rptMMFactor, std::round(297 * rptMMFactor / ch) * ch, 1e-6);
    EXPECT_DOUBLE_EQ(p.Width(), std::round(83 * cw));

    p.SetPaperWidth(210);
    EXPECT_EQ(p.PaperSize(), 256);
    EXPECT_NEAR(p.PaperWidth(), 83 * cw / rptMMFactor, 1e-6);
    p.SetPaperHeight(100);
    EXPECT_NEAR(p.PaperHeight(), 22 * ch / rptMMFactor, 1e-6); // 377.953 / 17 = 22.23
    // A paper narrower than half a cell keeps one cell.
    p.SetPaperWidth(1);
    EXPECT_NEAR(p.PaperWidth() * rptMMFactor, cw, 1e-6);
    EXPECT_THROW(p.SetPaperWidth(0), EInvalidPageSetting);

    // Turned, the paper is whole cells again, and turning back gives the same paper.
    p.SetPaperSize(9);
    const double portraitWidth = p.PaperWidth(), portraitHeight = p.PaperHeight();
    p.SetOrientation(poLandscape);
    EXPECT_EQ(p.PaperSize(), 9);
    EXPECT_TRUE(OnGrid(p.PaperWidth() * rptMMFactor, cw)) << p.PaperWidth();
    EXPECT_TRUE(OnGrid(p.PaperHeight() * rptMMFactor, ch)) << p.PaperHeight();
    EXPECT_NEAR(p.PaperWidth() * rptMMFactor, std::round(portraitHeight * rptMMFactor / cw) * cw, 1e-6);
    p.SetOrientation(poPortrait);
    EXPECT_NEAR(p.PaperWidth(), portraitWidth, 1e-6);
    EXPECT_NEAR(p.PaperHeight(), portraitHeight, 1e-6);

    // Defaults: one cell of margin, the printer's paper cut down to whole cells.
    p.SetDefaults();
    EXPECT_NEAR(p.LeftMargin() * rptMMFactor, cw, 1e-6);
    EXPECT_NEAR(p.RightMargin() * rptMMFactor, cw, 1e-6);
    EXPECT_NEAR(p.TopMargin() * rptMMFactor, ch, 1e-6);
    EXPECT_NEAR(p.BottomMargin() * rptMMFactor, ch, 1e-6);
    TrptCustomPrinter* printer = GlobalPrinters()->Printer();
    ASSERT_NE(printer, nullptr);
    if (printer->DefPaperWidth() > 0) {
        const double w = printer->DefPaperWidth() * rptMMFactor;
        EXPECT_NEAR(p.PaperWidth() * rptMMFactor, std::trunc(w / cw) * cw, 1e-6);
        if (std::fabs(printer->DefPaperWidth() - 210) < 0.01) {
            EXPECT_NEAR(p.PaperWidth() * rptMMFactor, 82 * cw, 1e-6);
        }
    }
    EXPECT_TRUE(OnGrid(p.PaperHeight() * rptMMFactor, ch));
}

TEST(DotMatrixFont, CourierNewTwelvePointsWithThePagesStyle) {
    TDMPReport r;
    TrptDMPPage& p = *r.Page;
    auto* band = new TrptMasterData(&p);
    TFont arial;
    arial.SetName("Arial");
    arial.SetSize(20);
    band->SetFont(&arial);
    auto* inherits = new TrptDMPMemoView(band);
    auto* own = new TrptDMPMemoView(band);
    own->SetFontStyle(TrptDMPFontStyles{fsxItalic, fsxCondensed});
    auto* line = new TrptDMPLineView(band);
    for (TrptDMPMemoView* m : {inherits, own}) {
        EXPECT_EQ(m->Font()->Name(), QStringLiteral("Courier New"));
        EXPECT_EQ(m->Font()->Size(), 12);
        EXPECT_DOUBLE_EQ(m->GapX(), 0);
        EXPECT_DOUBLE_EQ(m->GapY(), 0);
        EXPECT_DOUBLE_EQ(m->LineSpacing(), 1);
        EXPECT_DOUBLE_EQ(m->CharSpacing(), 0);
    }
    EXPECT_TRUE(inherits->ParentFont());
    EXPECT_FALSE(own->ParentFont());
    EXPECT_TRUE(own->Font()->Style().Contains(fsItalic));

    // The page's style reaches every object that takes its parent's font, and only those.
    p.SetFontStyle(TrptDMPFontStyles{fsxBold, fsxUnderline, fsx15cpi});
    EXPECT_EQ(inherits->FontStyle(), (TrptDMPFontStyles{fsxBold, fsxUnderline, fsx15cpi}));
    EXPECT_EQ(inherits->Font()->Style(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(inherits->Font()->Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(line->FontStyle(), (TrptDMPFontStyles{fsxBold, fsxUnderline, fsx15cpi}));
    EXPECT_EQ(own->FontStyle(), (TrptDMPFontStyles{fsxItalic, fsxCondensed}));
    EXPECT_EQ(p.Font()->Style(), (TFontStyles{fsBold, fsUnderline}));
    // New objects take the page's set too; switching ParentFont on again takes it back.
    auto* later = new TrptDMPMemoView(band);
    EXPECT_EQ(later->FontStyle(), p.FontStyle());
    own->SetParentFont(true);
    EXPECT_EQ(own->FontStyle(), p.FontStyle());
    line->SetFontStyle(TrptDMPFontStyles{fsxWide});
    EXPECT_FALSE(line->ParentFont());
    EXPECT_EQ(DMPFontStylesToInt(TrptDMPFontStyles{fsxBold, fsx15cpi}), 257);

    // Courier New is drawn with Liberation Mono, whose cell is the grid's 9.6 units.
    EXPECT_EQ(TFontService::MappedFamily(QStringLiteral("Courier New")), QStringLiteral("Liberation Mono"));
    QImage img(200, 40, QImage::Format_RGB32);
    TCanvas c(&img);
    c.SetFont(*inherits->Font());
    EXPECT_EQ(c.TextWidth(QStringLiteral("0123456789")), 96);
}

TEST(DotMatrixCommand, ToChr) {
    RegisterReportClasses();
    TrptDMPCommand cmd;
    const struct {
        const char* Command;
        QByteArray Bytes;
    } good[] = {
        {"#13", QByteArray("\r")},
        {"0D0A", QByteArray("\r\n")},
        {"0D0", QByteArray("\r")},
        {"#27#64", QByteArray("\x1b\x40")},
        {"1B40", QByteArray("\x1b\x40")},
        {"1b4f", QByteArray("\x1b\x4f")},
        {"#0", QByteArray(1, '\0')},
        {"#255", QByteArray(1, '\xff')},
        {"", QByteArray()},
        {"7", QByteArray()},
    };
    for (const auto& g : good) {
        SCOPED_TRACE(g.Command);
        cmd.SetCommand(QString::fromLatin1(g.Command));
        EXPECT_EQ(cmd.ToChr(), g.Bytes);
    }
    for (const char* bad : {"#", "#13#", "#1x", "#27 64", "ZZ", "0G", " D", "+D", "#256", "#-1"}) {
        SCOPED_TRACE(bad);
        cmd.SetCommand(QString::fromLatin1(bad));
        EXPECT_THROW(cmd.ToChr(), EConvertError);
    }
}

TEST(DotMatrixText, OutOfBoundsTextAndMeasures) {
    TDMPReport r;
    auto* band = new TrptMasterData(r.Page);
    auto* m = new TrptDMPMemoView(band);
    m->SetBounds(0, 0, 48, 34); // five characters, two lines
    m->SetText("abcdefgh\r\nxyz\r\nthird line");
    EXPECT_EQ(m->GetoutBoundText(), QStringLiteral("abcde\r\nxyz\r\n"));
    m->SetHeight(0);
    EXPECT_EQ(m->GetoutBoundText(), QString());
    // Heights and widths are whole cells.
    m->SetHeight(17);
    m->SetStretchMode(smActualHeight);
    const double h = m->CalcHeight();
    EXPECT_TRUE(OnGrid(h, ch)) << h;
    EXPECT_GE(h, 3 * ch);
    const double w = m->CalcWidth();
    EXPECT_TRUE(OnGrid(w, cw)) << w;
    EXPECT_NEAR(w, 10 * cw, cw); // "third line" is ten characters
}

TEST(DotMatrixText, FrameHalfACellOutside) {
    TDMPReport r;
    auto* band = new TrptMasterData(r.Page);
    band->SetBounds(0, 34, 700, 51);
    auto* m = new TrptDMPMemoView(band);
    m->SetBounds(19.2, 17, 48, 17);
    m->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    QImage img(200, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    m->Draw(&c, 2, 2, 10, 0);
    EXPECT_EQ(m->X(), std::lround((19.2 - 4.8) * 2 + 10));
    EXPECT_EQ(m->Y(), std::lround((51 - 8.5) * 2));
    EXPECT_EQ(m->X1(), std::lround((19.2 + 48 + 4.8) * 2 + 10));
    EXPECT_EQ(m->Y1(), std::lround((51 + 17 + 8.5) * 2));
    c.Flush();
    // The frame's top side lies on that rectangle, above the text's own box.
    EXPECT_LT(qGray(img.pixel(m->X() + 20, m->Y())), 128);
    EXPECT_EQ(qGray(img.pixel(m->X() + 20, std::lround(51 * 2.0))), 255);
}

TEST(DotMatrixReport, PreparedOnTheCharacterGrid) {
    TDMPReport r;
    TrptDMPPage& p = *r.Page;
    p.SetDefaults();
    p.SetFontStyle(TrptDMPFontStyles{fsxBold});
    auto* title = new TrptReportTitle(&p);
    title->SetName("Title1");
    title->SetBounds(0, 0, 700, 20); // becomes 17
    auto* head = new TrptDMPMemoView(title);
    head->SetName("Head");
    head->SetBounds(10, 0, 200, 17);
    head->SetText("ORDERS");
    auto* cmd = new TrptDMPCommand(title);
    cmd->SetName("Cmd");
    cmd->SetCommand("#27#69");
    cmd->SetBounds(0, 0, 10, 10);

    auto* data = new TrptMasterData(&p);
    data->SetName("Data1");
    data->SetBounds(0, 40, 700, 17);
    data->SetDataSet(r.Rows);
    data->SetStretched(true);
    auto* n = new TrptDMPMemoView(data);
    n->SetName("N");
    n->SetBounds(0, 0, 30, 17);
    n->SetText("[Rows.\"N\"]");
    n->SetHAlign(haRight);
    auto* name = new TrptDMPMemoView(data);
    name->SetName("ItemName");
    name->SetBounds(50, 0, 120, 17);
    name->SetText("[Rows.\"Name\"]");
    name->SetFontStyle(TrptDMPFontStyles{fsxItalic});
    // A framed text with a bottom side: the band takes one more line for it.
    name->Frame()->SetTyp(TrptFrameTypes{ftBottom});
    auto* rule = new TrptDMPLineView(data);
    rule->SetName("Rule");
    rule->SetBounds(200, 0, 100, 0);
    // A text far wider than the page is kept (clipped where the page ends when drawn).
    auto* wide = new TrptDMPMemoView(data);
    wide->SetName("Wide");
    wide->SetBounds(300, 0, 5000, 17);
    wide->SetText(QString(600, QLatin1Char('W')));
    wide->SetTruncOutboundText(true);
    r.Rows->SetRangeEndCount(5);

    EXPECT_DOUBLE_EQ(title->Height(), 17);
    EXPECT_DOUBLE_EQ(data->Top(), 34);
    // Preparing reads the report again from its template text: the objects made above are gone.
    ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << qPrintable(r.Report->Errors()->Text());
    TrptCustomPreviewPages* pages = r.Report->PreviewPages();
    ASSERT_EQ(pages->Count(), 1);
    TrptReportPage* page = pages->GetPage(0);
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->IsDotMatrix());
    EXPECT_EQ(page->ClassName(), QStringLiteral("TrptDMPPage"));

    int texts = 0, lines = 0, commands = 0, rows = 0;
    QStringList names;
    for (TrptComponent* c : page->AllObjects()) {
        SCOPED_TRACE(c->Name().toStdString());
        if (auto* b = c->AsBand()) {
            EXPECT_TRUE(OnGrid(b->Top(), ch)) << b->Top();
            EXPECT_TRUE(OnGrid(b->Height(), ch)) << b->Height();
            if (b->Name() == QLatin1String("Data1")) {
                ++rows;
                // One line for the row, one for the frame under the name.
                EXPECT_DOUBLE_EQ(b->Height(), 2 * ch);
            }
        } else if (auto* m = dynamic_cast<TrptDMPMemoView*>(c)) {
            ++texts;
            EXPECT_TRUE(OnGrid(m->Left(), cw)) << m->Left();
            EXPECT_TRUE(OnGrid(m->Top(), ch)) << m->Top();
            EXPECT_TRUE(OnGrid(m->Width(), cw)) << m->Width();
            EXPECT_TRUE(OnGrid(m->Height(), ch)) << m->Height();
            EXPECT_EQ(m->Font()->Name(), QStringLiteral("Courier New"));
            if (m->Name() == QLatin1String("ItemName")) {
                names << m->Text().trimmed();
                EXPECT_EQ(m->FontStyle(), TrptDMPFontStyles{fsxItalic});
            } else {
                EXPECT_EQ(m->FontStyle(), TrptDMPFontStyles{fsxBold});
            }
            if (m->Name() == QLatin1String("Wide")) {
                EXPECT_NEAR(m->Width(), std::round(5000 / cw) * cw, 1e-6);
                EXPECT_EQ(m->GetoutBoundText().size(), std::lround(5000 / cw) < 600 ? std::lround(5000 / cw) + 2 : 602);
            }
        } else if (auto* l = dynamic_cast<TrptDMPLineView*>(c)) {
            ++lines;
            EXPECT_TRUE(OnGrid(l->Left(), cw, cw / 2)) << l->Left();
            EXPECT_TRUE(OnGrid(l->Top(), ch, ch / 2)) << l->Top();
        } else if (auto* k = dynamic_cast<TrptDMPCommand*>(c)) {
            ++commands;
            EXPECT_EQ(k->ToChr(), QByteArray("\x1b\x45"));
            EXPECT_TRUE(OnGrid(k->Left(), cw));
            EXPECT_TRUE(OnGrid(k->Top(), ch));
        }
    }
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(texts, 1 + 3 * 5);
    EXPECT_EQ(lines, 5);
    EXPECT_EQ(commands, 1);
    EXPECT_EQ(names, (QStringList{"Item 1", "Item 2", "Item 3", "Item 4", "Item 5"}));

    // Saved as a prepared report and read back: the page is a dot-matrix page again, with its
    // objects where they were.
    TMemoryStream prepared;
    pages->SaveToStream(prepared);
    {
        TDMPReport back;
        TBytesStream in(prepared.Bytes());
        TrptPreviewPages* loaded = EnsurePreviewPages(back.Report.get());
        loaded->LoadFromStream(in);
        ASSERT_EQ(loaded->Count(), 1);
        TrptReportPage* again = loaded->GetPage(0);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again->ClassName(), QStringLiteral("TrptDMPPage"));
        EXPECT_NEAR(again->PaperWidth(), page->PaperWidth(), 1e-6);
        QStringList before, after;
        for (TrptComponent* c : page->AllObjects())
            before << QStringLiteral("%1 %2 %3 %4 %5").arg(c->ClassName()).arg(c->Left()).arg(c->Top()).arg(c->Width()).arg(c->Height());
        for (TrptComponent* c : again->AllObjects())
            after << QStringLiteral("%1 %2 %3 %4 %5").arg(c->ClassName()).arg(c->Left()).arg(c->Top()).arg(c->Width()).arg(c->Height());
        EXPECT_EQ(after, before);
    }

    // Drawn at scale 1: the picture to look at, with text on each row's line.
    const TPoint size = pages->GetPageSize(0);
    QImage img(size.X, size.Y, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TCanvas c(&img);
        pages->DrawPage(0, &c, 1, 1, 0, 0);
    }
    ASSERT_TRUE(img.save(QDir::current().absoluteFilePath(QStringLiteral("reportdmp_page.png"))));
    auto dark = [&img](int l, int t, int rr, int b) {
        int k = 0;
        for (int y = t; y < b; ++y)
            for (int x = l; x < rr; ++x)
                if (qGray(img.pixel(x, y)) < 128) ++k;
        return k;
    };
    const int left = std::lround(page->LeftMargin() * rptMMFactor);
    const int top = std::lround(page->TopMargin() * rptMMFactor);
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(row);
        const int y = top + std::lround(ch + row * 2 * ch);
        EXPECT_GT(dark(left + 10, y + 2, left + 29, y + 15), 5);   // the number, right-aligned
        EXPECT_GT(dark(left + 58, y + 2, left + 160, y + 15), 20); // "Item n"
        // The frame's bottom side on the line below, the next row a line further down.
        EXPECT_GT(dark(left + 60, y + 17 + 6, left + 160, y + 17 + 11), 50);
        EXPECT_EQ(dark(left + 58, y + 17 + 12, left + 160, y + 34), 0);
    }
}

TEST(DotMatrixText, PreparedPageDifferenceCarriesTheFontStyle) {
    TDMPReport r;
    auto* band = new TrptMasterData(r.Page);
    auto* source = new TrptDMPMemoView(band);
    auto* copy = new TrptDMPMemoView(band);
    EXPECT_FALSE(copy->Diff(source).contains(QStringLiteral("FontStyle")));
    copy->SetFontStyle(TrptDMPFontStyles{fsxWide, fsx12cpi});
    EXPECT_TRUE(copy->Diff(source).contains(QStringLiteral(" FontStyle=\"192\""))) << copy->Diff(source).toStdString();
    auto* line = new TrptDMPLineView(band);
    auto* lineCopy = new TrptDMPLineView(band);
    lineCopy->SetFontStyle(TrptDMPFontStyles{fsxBold});
    EXPECT_TRUE(lineCopy->Diff(line).contains(QStringLiteral(" FontStyle=\"1\""))) << lineCopy->Diff(line).toStdString();
    EXPECT_FALSE(line->Diff(line).contains(QStringLiteral("FontStyle")));
}

TEST(DotMatrixReport, BandMakesRoomForABottomFrameLine) {
    const struct {
        const char* What;
        double TallHeight, FramedHeight;
        double Band, Framed;
    } cases[] = {
        // The framed text is not the lowest: no extra line; stretched to the band less a line.
        {"framed text above the bottom", 34, 17, 34, 17},
        // The framed text is the lowest: one more line, and the text keeps its own height.
        {"framed text lowest", 17, 34, 51, 34},
        // Both reach the bottom: the frame still needs its line.
        {"framed text level with another", 34, 34, 51, 34},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TDMPReport r;
        auto* data = new TrptMasterData(r.Page);
        data->SetName("Data1");
        data->SetBounds(0, 0, 700, 17);
        data->SetDataSet(r.Rows);
        data->SetStretched(true);
        auto* tall = new TrptDMPMemoView(data);
        tall->SetName("Tall");
        tall->SetBounds(0, 0, 96, c.TallHeight);
        auto* framed = new TrptDMPMemoView(data);
        framed->SetName("Framed");
        framed->SetBounds(192, 0, 96, c.FramedHeight);
        framed->Frame()->SetTyp(TrptFrameTypes{ftBottom});
        framed->SetStretchMode(smMaxHeight);
        r.Rows->SetRangeEndCount(1);
        ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << qPrintable(r.Report->Errors()->Text());
        TrptReportPage* page = r.Report->PreviewPages()->GetPage(0);
        ASSERT_NE(page, nullptr);
        auto* band = dynamic_cast<TrptBand*>(page->FindObject("Data1"));
        auto* text = dynamic_cast<TrptDMPMemoView*>(page->FindObject("Framed"));
        ASSERT_TRUE(band && text);
        EXPECT_DOUBLE_EQ(band->Height(), c.Band);
        EXPECT_DOUBLE_EQ(text->Height(), c.Framed);
    }
}

TEST(DotMatrixReport, ScriptsSeeTheDotMatrixClasses) {
    TDMPReport r;
    auto* data = new TrptMasterData(r.Page);
    data->SetName("Data1");
    data->SetBounds(0, 0, 700, 17);
    data->SetDataSet(r.Rows);
    auto* name = new TrptDMPMemoView(data);
    name->SetName("ItemName");
    name->SetBounds(0, 0, 96, 17);
    name->SetText("[Rows.\"Name\"]");
    name->SetOnBeforePrint("ItemNameOnBeforePrint");
    auto* cmd = new TrptDMPCommand(data);
    cmd->SetName("Cmd");
    r.Rows->SetRangeEndCount(3);
    r.Report->SetScriptLanguage("PascalScript");
    r.Report->ScriptText()->SetText(R"(var n: Integer;
procedure ItemNameOnBeforePrint(Sender: TrptComponent);
begin
  n := n + 1;
  if n mod 2 = 1 then ItemName.FontStyle := [fsxBold, fsxWide]
  else ItemName.FontStyle := [fsxItalic];
  Cmd.Command := '#27#' + IntToStr(Round(fr1CharX * 10));
end;
begin
end.)");
    ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << qPrintable(r.Report->Errors()->Text());
    TrptReportPage* page = r.Report->PreviewPages()->GetPage(0);
    ASSERT_NE(page, nullptr);
    QList<int> styles;
    for (TrptComponent* c : page->AllObjects()) {
        if (auto* m = dynamic_cast<TrptDMPMemoView*>(c)) styles << DMPFontStylesToInt(m->FontStyle());
        if (auto* k = dynamic_cast<TrptDMPCommand*>(c)) {
            EXPECT_EQ(k->Command(), QStringLiteral("#27#96"));
            EXPECT_EQ(k->ToChr(), QByteArray("\x1b\x60"));
        }
    }
    // Bold and wide (1 + 64), italic (2), bold and wide again: each row as the script left it.
    EXPECT_EQ(styles, (QList<int>{65, 2, 65}));
}

TEST(DotMatrixRoundTrip, EveryClassKeepsEveryPublishedProperty) {
    const std::vector<const TClassInfo*> classes = {TrptDMPPage::StaticClassInfo(), TrptDMPMemoView::StaticClassInfo(),
                                                    TrptDMPLineView::StaticClassInfo(),
                                                    TrptDMPCommand::StaticClassInfo()};
    for (const TClassInfo* cls : classes) {
        SCOPED_TRACE(cls->ClassName().toStdString());
        TDMPReport r;
        ASSERT_EQ(GetClass(cls->ClassName()), cls) << "not registered";
        auto* ds = new TrptUserDataSet(r.Report->FindObject("Data"));
        ds->SetName("Orders");
        auto* band = new TrptMasterData(r.Page);
        band->SetName("Holder");
        auto* target = new TrptDMPMemoView(band);
        target->SetName("FlowTarget");
        TrptComponent* parent = cls == TrptDMPPage::StaticClassInfo() ? static_cast<TrptComponent*>(r.Report.get())
                                                                       : band;
        auto* obj = static_cast<TrptComponent*>(cls->CreateInstance(parent));
        obj->SetName("Object1");
        roundtrip::ChangeEverything(obj, r.Report.get());
        const QByteArray saved = Save(*r.Report);

        TDMPReport back;
        Load(*back.Report, saved);
        EXPECT_EQ(back.Report->Errors()->Count(), 0) << back.Report->Errors()->Text().toStdString();
        TrptComponent* loaded = back.Report->FindObject("Object1");
        ASSERT_NE(loaded, nullptr) << saved.toStdString();
        EXPECT_EQ(loaded->ClassName(), cls->ClassName());
        roundtrip::CompareEverything(obj, loaded, QString());
        EXPECT_EQ(Save(*back.Report), saved);
    }
}

TEST(DotMatrixRegistration, PaletteEntriesInTheDotMatrixCategory) {
    RegisterDMPObjects();
    TrptObjectCollection* reg = ObjectRegistry();
    const struct {
        const TClassInfo* Cls;
        int Image;
    } expected[] = {{TrptDMPMemoView::StaticClassInfo(), 2},
                    {TrptDMPLineView::StaticClassInfo(), 5},
                    {TrptDMPCommand::StaticClassInfo(), 21}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.Cls->ClassName().toStdString());
        int found = 0;
        for (int i = 0; i < reg->Count(); ++i)
            if (reg->Items(i)->ClassRef() == e.Cls) {
                ++found;
                EXPECT_EQ(reg->Items(i)->ButtonImageIndex(), e.Image);
                EXPECT_EQ(reg->Items(i)->Category(), TrptObjectCategories{ctDMP});
            }
        EXPECT_EQ(found, 1);
    }
    EXPECT_EQ(GetClass("TrptDMPPage"), TrptDMPPage::StaticClassInfo());
    UnregisterDMPObjects();
    for (int i = 0; i < reg->Count(); ++i)
        EXPECT_NE(reg->Items(i)->ClassRef(), TrptDMPCommand::StaticClassInfo());
    EXPECT_EQ(TrptDMPMemoView().GetDescription(), QStringLiteral("Dot-matrix Text object"));
}

} // namespace
