// The report library's printer list: the virtual printer when none is installed with its paper
// table, real printers described by test devices (paper numbering, lookups by number, name and
// size, bins, resolution per axis, margins, custom paper, the device mode of a job).

#include "PrinterFakes.h"

#include "platform/rtl/Exceptions.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptRes.h"

#include <QRegularExpression>
#include <QSet>

using namespace printertest;

namespace {

// The paper table as published for templates ("Typ: X×Y" in tenths of a millimetre), kept as
// text so that the compiled table is checked against an independent copy.
const char* const PublishedTable =
    "1: 2159×2794, 2: 2159×2794, 3: 2794×4318, 4: 4318×2794, 5: 2159×3556, 6: 1397×2159, "
    "7: 1842×2667, 8: 2970×4200, 9: 2100×2970, 10: 2100×2970, 11: 1480×2100, 12: 2500×3540, "
    "13: 1820×2570, 14: 2159×3302, 15: 2150×2750, 16: 2540×3556, 17: 2794×4318, 18: 2159×2794, "
    "19: 984×2254, 20: 1048×2413, 21: 1143×2635, 22: 1207×2794, 23: 1270×2921, 24: 4318×5588, "
    "25: 5588×8636, 26: 8636×11176, 27: 1100×2200, 28: 1620×2290, 29: 3240×4580, 30: 2290×3240, "
    "31: 1140×1620, 32: 1140×2290, 33: 2500×3530, 34: 1760×2500, 35: 1760×1250, 36: 1100×2300, "
    "37: 984×1905, 38: 920×1651, 39: 3778×2794, 40: 2159×3048, 41: 2159×3302, 42: 2500×3530, "
    "43: 1000×1480, 44: 2286×2794, 45: 2540×2794, 46: 3810×2794, 47: 2200×2200, 50: 2355×3048, "
    "51: 2355×3810, 52: 2969×4572, 53: 2354×3223, 54: 2101×2794, 55: 2100×2970, 56: 2355×3048, "
    "57: 2270×3560, 58: 3050×4870, 59: 2159×3223, 60: 2100×3300, 61: 1480×2100, 62: 1820×2570, "
    "63: 3220×4450, 64: 1740×2350, 65: 2010×2760, 66: 4200×5940, 67: 2970×4200, 68: 3220×4450";

struct Geometry {
    double Width, Height, Left, Top, Right, Bottom;
    bool operator==(const Geometry&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Geometry& g) {
    return os << g.Width << " x " << g.Height << " margins " << g.Left << ", " << g.Top << ", " << g.Right
              << ", " << g.Bottom;
}

Geometry GeometryOf(const TrptCustomPrinter& p) {
    return {p.PaperWidth(), p.PaperHeight(), p.LeftMargin(), p.TopMargin(), p.RightMargin(), p.BottomMargin()};
}

const QString Laser = QStringLiteral("Office Laser");
const QString Wide = QStringLiteral("Plotter");

} // namespace

// ---------------------------------------------------------------------------------------------
// The paper table

TEST(PaperTable, MatchesThePublishedTableRowByRow) {
    const QStringList rows = QString::fromUtf8(PublishedTable).split(QStringLiteral(", "));
    ASSERT_EQ(rows.size(), PaperInfoCount);
    const QRegularExpression form(QStringLiteral("^(\\d+): (\\d+)×(\\d+)$"));
    QSet<QString> names;
    for (int i = 0; i < PaperInfoCount; ++i) {
        const QRegularExpressionMatch m = form.match(rows[i]);
        ASSERT_TRUE(m.hasMatch()) << rows[i].toStdString();
        const TPaperInfo& row = PaperInfoTable[i];
        SCOPED_TRACE(rows[i].toStdString());
        EXPECT_EQ(row.Typ, m.captured(1).toInt());
        EXPECT_EQ(row.X, m.captured(2).toInt());
        EXPECT_EQ(row.Y, m.captured(3).toInt());
        EXPECT_FALSE(QString::fromLatin1(row.Name).isEmpty());
        names.insert(QString::fromLatin1(row.Name).toLower());
    }
    EXPECT_EQ(names.size(), PaperInfoCount) << "paper names must tell the papers apart";
}

TEST(PaperTable, PaperSizeDimensionsGivesPortraitMillimetres) {
    struct Case {
        int Paper;
        bool Found;
        double Width, Height;
    };
    const Case cases[] = {
        {9, true, 210, 297},    {1, true, 215.9, 279.4}, {4, true, 431.8, 279.4}, {35, true, 176, 125},
        {68, true, 322, 445},   {26, true, 863.6, 1117.6},
        {48, false, 0, 0},      {49, false, 0, 0},       {69, false, 0, 0},       {0, false, 0, 0},
        {256, false, 0, 0},     {-1, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Paper);
        double w = -1, h = -1;
        EXPECT_EQ(PaperSizeDimensions(c.Paper, w, h), c.Found);
        if (c.Found) {
            EXPECT_DOUBLE_EQ(w, c.Width);
            EXPECT_DOUBLE_EQ(h, c.Height);
        } else {
            EXPECT_EQ(w, -1);
            EXPECT_EQ(h, -1);
        }
    }
}

TEST(PaperTable, PrinterPapersGetNumbersThatDependOnlyOnThePaper) {
    // Papers the table has keep their numbers.
    EXPECT_EQ(PaperNumberOf(QPageSize(QPageSize::A4)), 9);
    EXPECT_EQ(PaperNumberOf(QPageSize(QPageSize::Letter)), 1);
    EXPECT_EQ(PaperNumberOf(QPageSize(QPageSize::A2)), 66);
    EXPECT_EQ(PaperNumberOf(QPageSize(QPageSize::EnvelopeDL)), 27);
    // Others go above the custom number, distinct and the same every time.
    const int a6 = PaperNumberOf(QPageSize(QPageSize::A6));
    const int b5 = PaperNumberOf(QPageSize(QPageSize::B5));
    const int photo = PaperNumberOf(OwnPaper(QStringLiteral("Photo"), 101.6, 152.4).Size);
    const int samePhoto = PaperNumberOf(OwnPaper(QStringLiteral("Other name"), 101.6, 152.4).Size);
    const int bigger = PaperNumberOf(OwnPaper(QStringLiteral("Photo L"), 101.6, 152.5).Size);
    for (int n : {a6, b5, photo, bigger}) EXPECT_GT(n, 256);
    EXPECT_EQ(QSet<int>({a6, b5, photo, bigger}).size(), 4);
    EXPECT_EQ(a6, PaperNumberOf(QPageSize(QPageSize::A6)));
    EXPECT_EQ(photo, samePhoto);
    // A roll longer than the packing can hold still gets a valid positive number.
    EXPECT_GT(PaperNumberOf(OwnPaper(QStringLiteral("Roll"), 610, 50000).Size), 256);
}

// ---------------------------------------------------------------------------------------------
// No printer installed: the virtual printer

TEST(VirtualPrinter, StandsInWhenNoPrinterIsInstalled) {
    PrinterWorld world;
    TrptPrinters* list = GlobalPrinters();
    EXPECT_FALSE(list->HasPhysicalPrinters());
    EXPECT_TRUE(list->Printers().isEmpty());
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->PrinterIndex(), 0);
    TrptCustomPrinter* p = list->Printer();
    ASSERT_NE(p, nullptr);
    EXPECT_NE(dynamic_cast<TrptVirtualPrinter*>(p), nullptr);
    EXPECT_EQ(p->Name(), GlobalResources()->Get(QStringLiteral("prVirtual")));
    EXPECT_EQ(p->Name(), QStringLiteral("Virtual"));
    EXPECT_TRUE(p->Port().isEmpty());
    EXPECT_EQ(list->IndexOf(QStringLiteral("VIRTUAL")), 0);
    EXPECT_EQ(list->IndexOf(QStringLiteral("Office")), -1);
    EXPECT_EQ(list->GetItem(-1), nullptr);
    EXPECT_EQ(list->GetItem(1), nullptr);
    EXPECT_EQ(GlobalPrinters(), list) << "one list per process";

    EXPECT_TRUE(p->Initialized());
    EXPECT_EQ(p->DPI(), TPoint(600, 600));
    EXPECT_EQ(p->DefPaper(), 9);
    EXPECT_EQ(p->DefOrientation(), poPortrait);
    EXPECT_EQ(p->DefPaperWidth(), 210);
    EXPECT_EQ(p->DefPaperHeight(), 297);
    EXPECT_EQ(p->Bin(), -1);
    EXPECT_EQ(p->Duplex(), -1);
    // Paper and size stay unset until page metrics are asked for.
    EXPECT_EQ(p->Paper(), 0);
    EXPECT_EQ(p->PaperWidth(), 0);
    EXPECT_EQ(p->PaperHeight(), 0);

    EXPECT_EQ(p->Bins(), (TrptPrinterItems{{QStringLiteral("Default"), 7}}));
    const TrptPrinterItems& papers = p->Papers();
    ASSERT_EQ(papers.size(), 1 + PaperInfoCount);
    EXPECT_EQ(papers[0], (TrptPrinterItem{QStringLiteral("Custom"), 256}));
    for (int i = 0; i < PaperInfoCount; ++i) {
        EXPECT_EQ(papers[i + 1].Number, PaperInfoTable[i].Typ);
        EXPECT_EQ(papers[i + 1].Name, QString::fromLatin1(PaperInfoTable[i].Name));
    }
}

TEST(VirtualPrinter, PageMetricsComeFromThePaperTableWithFiveMillimetreMargins) {
    PrinterWorld world;
    TrptCustomPrinter* p = GlobalPrinters()->Printer();
    struct Case {
        int Paper;
        double Width, Height;
        TPrinterOrientation Orientation;
        int ExpectPaper;
        Geometry Expect;
    };
    const Case cases[] = {
        {9, 0, 0, poPortrait, 9, {210, 297, 5, 5, 5, 5}},
        {9, 0, 0, poLandscape, 9, {297, 210, 5, 5, 5, 5}},
        {11, 1, 2, poPortrait, 11, {148, 210, 5, 5, 5, 5}},         // the table wins over the sizes given
        {35, 0, 0, poPortrait, 35, {176, 125, 5, 5, 5, 5}},         // a table row wider than tall
        {256, 123.4, 45.6, poPortrait, 256, {123.4, 45.6, 5, 5, 5, 5}},
        {256, 123.4, 45.6, poLandscape, 256, {123.4, 45.6, 5, 5, 5, 5}}, // custom sizes are taken as given
        {48, 100, 150, poPortrait, 256, {100, 150, 5, 5, 5, 5}},    // not in the table: custom
        {PaperNumberOf(QPageSize(QPageSize::A6)), 105, 148, poPortrait, 256, {105, 148, 5, 5, 5, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Paper);
        p->SetViewParams(c.Paper, c.Width, c.Height, c.Orientation);
        EXPECT_EQ(p->Paper(), c.ExpectPaper);
        EXPECT_EQ(p->Orientation(), c.Orientation);
        EXPECT_EQ(GeometryOf(*p), c.Expect);
    }
    p->SetPrintParams(11, 0, 0, poLandscape, 3, dmSimplex, 2);
    EXPECT_EQ(p->Paper(), 11);
    EXPECT_EQ(GeometryOf(*p), (Geometry{210, 148, 5, 5, 5, 5}));
    EXPECT_EQ(p->Bin(), 3);
}

TEST(VirtualPrinter, PapersAreFoundByNumberNameAndSize) {
    PrinterWorld world;
    TrptCustomPrinter* p = GlobalPrinters()->Printer();
    EXPECT_EQ(p->PaperIndex(256), 0);
    EXPECT_EQ(p->PaperIndex(9), 9);
    EXPECT_EQ(p->PaperIndex(50), 48); // 48 and 49 are not in the table
    EXPECT_EQ(p->PaperIndex(48), -1);
    EXPECT_EQ(p->BinIndex(7), 0);
    EXPECT_EQ(p->BinIndex(1), -1);

    EXPECT_EQ(p->PaperNameToNumber(QStringLiteral("a4")), 9);
    EXPECT_EQ(p->PaperNameToNumber(QStringLiteral("Envelope DL")), 27);
    EXPECT_EQ(p->PaperNameToNumber(QStringLiteral("custom")), 256);
    EXPECT_EQ(p->PaperNameToNumber(QStringLiteral("No such paper")), 256);
    EXPECT_EQ(p->PaperNameToNumber(QString()), 256);
    EXPECT_EQ(p->BinNameToNumber(QStringLiteral("Lower tray")), 7);
    EXPECT_EQ(p->BinNameToNumber(QStringLiteral("DEFAULT")), 7);
    EXPECT_EQ(p->PaperName(9), QStringLiteral("A4"));
    EXPECT_EQ(p->PaperName(48), QString());

    // Every paper can be chosen back by the name a list shows for it.
    for (const TrptPrinterItem& paper : p->Papers())
        EXPECT_EQ(p->PaperNameToNumber(paper.Name), paper.Number) << paper.Name.toStdString();

    EXPECT_EQ(p->PaperBySize(210, 297), 9);
    EXPECT_EQ(p->PaperBySize(297, 210), 9);
    EXPECT_EQ(p->PaperBySize(210.4, 296.6), 9);
    EXPECT_EQ(p->PaperBySize(211, 297), 256);
    EXPECT_EQ(p->PaperBySize(215.9, 279.4), 1);
    EXPECT_EQ(p->PaperBySize(100, 100), 256);
    // A template's paper: by number when listed, else by its size, else custom.
    EXPECT_EQ(p->FindPaper(11, 0, 0), 11);
    EXPECT_EQ(p->FindPaper(PaperNumberOf(QPageSize(QPageSize::A6)), 297, 420), 8);
    EXPECT_EQ(p->FindPaper(256, 210, 297), 9);
    EXPECT_EQ(p->FindPaper(300, 77, 88), 256);
    double w = 0, h = 0;
    EXPECT_TRUE(p->PaperDimensions(5, w, h));
    EXPECT_DOUBLE_EQ(w, 215.9);
    EXPECT_DOUBLE_EQ(h, 355.6);
    EXPECT_FALSE(p->PaperDimensions(256, w, h));
}

// ---------------------------------------------------------------------------------------------
// Installed printers

TEST(PrinterList, HoldsTheInstalledPrintersWithTheDefaultOneCurrent) {
    struct Case {
        QString Default;
        int Current;
    };
    const Case cases[] = {{Wide, 1}, {QStringLiteral("plotter"), 1}, {QString(), 0}, {QStringLiteral("Gone"), 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Default.toStdString());
        PrinterWorld world({Laser, Wide}, c.Default);
        world.Device(Laser, OfficeLaser()).Device(Wide, Plotter());
        TrptPrinters* list = GlobalPrinters();
        EXPECT_TRUE(list->HasPhysicalPrinters());
        EXPECT_EQ(list->Printers(), (QStringList{Laser, Wide}));
        ASSERT_EQ(list->Count(), 2);
        EXPECT_EQ(list->PrinterIndex(), c.Current);
        EXPECT_NE(dynamic_cast<TrptPrinter*>(list->GetItem(0)), nullptr);
        // Only the current printer is read from its device.
        EXPECT_TRUE(list->Printer()->Initialized());
        EXPECT_FALSE(list->GetItem(1 - c.Current)->Initialized());
        EXPECT_EQ(world.DeviceQueries(list->GetItem(1 - c.Current)->Name()), 0);
    }
}

TEST(PrinterList, PrinterIndexInitialisesTheChosenPrinterOnce) {
    PrinterWorld world({Laser, Wide}, Laser);
    world.Device(Laser, OfficeLaser()).Device(Wide, Plotter());
    TrptPrinters* list = GlobalPrinters();
    list->SetPrinterIndex(1);
    EXPECT_EQ(list->Printer()->Name(), Wide);
    EXPECT_TRUE(list->Printer()->Initialized());
    list->SetPrinterIndex(1);
    list->SetPrinterIndex(0);
    list->SetPrinterIndex(1);
    EXPECT_EQ(world.DeviceQueries(Wide), 1);
    EXPECT_EQ(world.DeviceQueries(Laser), 1);

    // -1 selects the default printer as the system names it now.
    world.SetDefault(Wide);
    list->SetPrinterIndex(0);
    list->SetPrinterIndex(-1);
    EXPECT_EQ(list->PrinterIndex(), 1);
    world.SetDefault(QStringLiteral("Gone"));
    list->SetPrinterIndex(-1);
    EXPECT_EQ(list->PrinterIndex(), -1);
    EXPECT_EQ(list->Printer(), nullptr);

    list->SetPrinterIndex(0);
    EXPECT_THROW(list->SetPrinterIndex(2), EPrinter);
    EXPECT_THROW(list->SetPrinterIndex(-2), EPrinter);
    EXPECT_EQ(list->PrinterIndex(), 0);
}

TEST(PrinterList, APrinterThatCannotBeOpenedOrMeasuredStaysUninitialised) {
    TPrinterDevice noResolution = OfficeLaser();
    noResolution.DpiY = 0;
    PrinterWorld world({QStringLiteral("Gone"), QStringLiteral("Broken")}, QStringLiteral("Gone"));
    world.Device(QStringLiteral("Broken"), noResolution); // "Gone" has no device at all
    TUIServicesScope ui(FailOnQuestion);

    TrptPrinters* list = GlobalPrinters();
    EXPECT_FALSE(list->Printer()->Initialized());
    EXPECT_TRUE(ui->Messages().empty()) << "a printer that cannot be opened is not reported";

    ui->AnswerMessage(mrOk, QStringLiteral("Printer selected is not valid"));
    list->SetPrinterIndex(1);
    TrptCustomPrinter* broken = list->Printer();
    EXPECT_FALSE(broken->Initialized());
    EXPECT_EQ(ui->Messages().size(), 1u);
    EXPECT_EQ(broken->Papers().size(), 1);
    ui->Verify();
}

// ---------------------------------------------------------------------------------------------
// A real printer

TEST(Printer, ListsItsPapersAndBinsWithTheirNumbers) {
    PrinterWorld world({Laser}, Laser);
    world.Device(Laser, OfficeLaser());
    TrptCustomPrinter* p = GlobalPrinters()->Printer();
    ASSERT_TRUE(p->Initialized());

    const int a6 = PaperNumberOf(QPageSize(QPageSize::A6));
    const int photo = PaperNumberOf(OwnPaper(QStringLiteral("x"), 101.6, 152.4).Size);
    EXPECT_EQ(p->Papers(), (TrptPrinterItems{{QStringLiteral("Custom"), 256},
                                             {QPageSize(QPageSize::A4).name(), 9},
                                             {QPageSize(QPageSize::Letter).name(), 1},
                                             {QPageSize(QPageSize::EnvelopeDL).name(), 27},
                                             {QPageSize(QPageSize::A6).name(), a6},
                                             {QStringLiteral("Photo 4x6"), photo}}))
        << "the second name of one size is left out";
    EXPECT_EQ(p->Bins(), (TrptPrinterItems{{QStringLiteral("Default"), 7},
                                           {QStringLiteral("Upper tray"), 1},
                                           {QStringLiteral("Lower tray"), 2},
                                           {QStringLiteral("Tray 5"), 260}}));
    EXPECT_EQ(p->DefPaper(), 9);
    EXPECT_EQ(p->Paper(), 9);
    EXPECT_EQ(p->DefBin(), 1);
    EXPECT_EQ(p->DefDuplex(), 2);
    EXPECT_EQ(p->DefOrientation(), poPortrait);
    EXPECT_EQ(p->DefPaperWidth(), 210);
    EXPECT_EQ(p->DefPaperHeight(), 297);
    EXPECT_EQ(p->Bin(), -1);
    EXPECT_EQ(p->Duplex(), -1);

    EXPECT_EQ(p->PaperNameToNumber(QStringLiteral("photo 4X6")), photo);
    EXPECT_EQ(p->PaperNameToNumber(QStringLiteral("Index card 4x6")), 256);
    EXPECT_EQ(p->BinNameToNumber(QStringLiteral("LOWER TRAY")), 2);
    EXPECT_EQ(p->BinNameToNumber(QStringLiteral("Automatic")), 7);
    EXPECT_EQ(p->BinIndex(260), 3);
    EXPECT_EQ(p->PaperIndex(a6), 4);
    EXPECT_EQ(p->PaperBySize(152.4, 101.6), photo);
    EXPECT_EQ(p->PaperBySize(297, 420), 256) << "A3 is not among this printer's papers";
}

TEST(Printer, ATemplatesPaperIsFoundOnAnotherPrinter) {
    PrinterWorld world({Laser, Wide}, Laser);
    world.Device(Laser, OfficeLaser()).Device(Wide, Plotter());
    TrptPrinters* list = GlobalPrinters();
    TrptCustomPrinter* laser = list->GetItem(0);
    // Pages saved with the laser's papers ...
    const int photo = laser->PaperNameToNumber(QStringLiteral("Photo 4x6"));
    const int a6 = laser->PaperNameToNumber(QPageSize(QPageSize::A6).name());
    list->SetPrinterIndex(1);
    TrptCustomPrinter* plotter = list->Printer();
    // ... name the same papers on the plotter.
    EXPECT_EQ(plotter->PaperIndex(photo), 3);
    EXPECT_EQ(plotter->PaperIndex(a6), 2);
    EXPECT_EQ(plotter->FindPaper(photo, 101.6, 152.4), photo);
    // A paper the plotter lacks is found by its size, or becomes custom.
    EXPECT_EQ(plotter->FindPaper(8, 420, 297), 8);
    EXPECT_EQ(plotter->FindPaper(9, 210, 297), 256);
    EXPECT_EQ(plotter->FindPaper(1000, 297, 420), 8);
}

TEST(Printer, PageMetricsFollowTheDeviceInWholeMillimetres) {
    PrinterWorld world({Laser, Wide}, Laser);
    world.Device(Laser, OfficeLaser()).Device(Wide, Plotter());
    TrptPrinters* list = GlobalPrinters();
    TrptCustomPrinter* p = list->Printer();
    EXPECT_EQ(p->DPI(), TPoint(600, 600));
    // A4 margins 4.5, 5.5, 6.2, 7.49: halves round to even, right and bottom are what the
    // printable area leaves.
    EXPECT_EQ(GeometryOf(*p), (Geometry{210, 297, 4, 6, 7, 7}));

    struct Case {
        int Paper;
        double Width, Height;
        TPrinterOrientation Orientation;
        Geometry Expect;
    };
    const Case cases[] = {
        {9, 0, 0, poLandscape, {297, 210, 6, 6, 7, 5}}, // the sheet turns with its margins
        {1, 0, 0, poPortrait, {216, 279, 6, 6, 7, 6}},  // Letter 215.9 x 279.4, margins 6.35
        {27, 0, 0, poPortrait, {110, 220, 4, 4, 4, 4}},
        {256, 300, 200, poLandscape, {300, 200, 6, 6, 7, 5}}, // custom: A4's margins
        {256, 100.5, 50.25, poPortrait, {100.5, 50.25, 4, 6, 7, 7}},
        {8, 0, 0, poPortrait, {297, 420, 4, 6, 7, 7}},   // A3 is not listed: its size, A4's margins
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Paper);
        p->SetViewParams(c.Paper, c.Width, c.Height, c.Orientation);
        EXPECT_EQ(p->Paper(), c.Paper);
        EXPECT_EQ(p->Orientation(), c.Orientation);
        EXPECT_EQ(GeometryOf(*p), c.Expect);
    }

    list->SetPrinterIndex(1);
    TrptCustomPrinter* plotter = list->Printer();
    EXPECT_EQ(plotter->DPI(), TPoint(300, 600));
    EXPECT_EQ(plotter->DefOrientation(), poLandscape);
    EXPECT_EQ(plotter->DefPaper(), 8);
    EXPECT_EQ(plotter->DefPaperWidth(), 420);
    EXPECT_EQ(plotter->DefPaperHeight(), 297);
    EXPECT_EQ(GeometryOf(*plotter), (Geometry{420, 297, 12, 10, 12, 10}));
}

TEST(Printer, PrintParametersFillTheDeviceMode) {
    PrinterWorld world({Laser}, Laser);
    world.Device(Laser, OfficeLaser());
    auto* p = dynamic_cast<TrptPrinter*>(GlobalPrinters()->Printer());
    ASSERT_NE(p, nullptr);

    struct Case {
        TrptDuplexMode Duplex;
        int ModeDuplex;
        bool DuplexFlag;
    };
    const Case duplexCases[] = {
        {dmSimplex, 1, false},
        {dmNone, 2, true}, // the driver's default, long edge
        {dmVertical, 2, true},
        {dmHorizontal, 3, true},
    };
    for (const Case& c : duplexCases) {
        SCOPED_TRACE(static_cast<int>(c.Duplex));
        p->SetPrintParams(9, 0, 0, poPortrait, 2, c.Duplex, 3);
        const TrptDeviceMode& mode = p->DeviceMode();
        EXPECT_EQ(mode.Duplex, c.ModeDuplex);
        EXPECT_EQ((mode.Fields & rptDM_DUPLEX) != 0, c.DuplexFlag);
        EXPECT_EQ(mode.Copies, 3);
        EXPECT_EQ(mode.DefaultSource, 2);
        EXPECT_EQ(mode.PaperSize, 9);
        EXPECT_EQ(mode.Orientation, 1);
        EXPECT_EQ(mode.PaperLength, 0);
        EXPECT_EQ(mode.PaperWidth, 0);
        const unsigned always = rptDM_ORIENTATION | rptDM_PAPERSIZE | rptDM_COPIES | rptDM_DEFAULTSOURCE;
        EXPECT_EQ(mode.Fields & always, always);
    }
    // Fields once set stay set until the view parameters start the mask over.
    p->SetViewParams(9, 0, 0, poPortrait);
    EXPECT_EQ(p->DeviceMode().Fields, rptDM_ORIENTATION | rptDM_PAPERSIZE);

    // A custom landscape paper of 300 x 200 mm: length and width of the portrait sheet.
    p->SetPrintParams(256, 300, 200, poLandscape, 7, dmNone, 1);
    EXPECT_EQ(p->DeviceMode().PaperLength, 3000);
    EXPECT_EQ(p->DeviceMode().PaperWidth, 2000);
    EXPECT_EQ(p->DeviceMode().Orientation, 2);
    EXPECT_NE(p->DeviceMode().Fields & rptDM_PAPERLENGTH, 0u);
    EXPECT_NE(p->DeviceMode().Fields & rptDM_PAPERWIDTH, 0u);
    EXPECT_EQ(p->DeviceMode().DefaultSource, 1) << "bin 7 is the printer's default bin";
    EXPECT_EQ(p->Paper(), 256);
    EXPECT_EQ(GeometryOf(*p), (Geometry{300, 200, 6, 6, 7, 5}));
    p->SetPrintParams(256, 100.04, 149.96, poPortrait, 7, dmNone, 1);
    EXPECT_EQ(p->DeviceMode().PaperLength, 1500);
    EXPECT_EQ(p->DeviceMode().PaperWidth, 1000);
}

TEST(Printer, TheSetupDialogsBinAndDuplexWinUntilTheJobEnds) {
    PrinterWorld world({Laser}, Laser);
    world.Device(Laser, OfficeLaser());
    auto* p = dynamic_cast<TrptPrinter*>(GlobalPrinters()->Printer());
    ASSERT_NE(p, nullptr);
    TUIServicesScope ui(FailOnQuestion);

    p->SetPrintParams(9, 0, 0, poPortrait, 260, dmSimplex, 1);
    ui->CancelPrint();
    p->PropertiesDlg();
    EXPECT_EQ(p->Bin(), -1) << "a cancelled dialog changes nothing";
    ui->AnswerPrint(TPrintChoice{});
    p->PropertiesDlg();
    ASSERT_EQ(ui->PrintRequests().size(), 2u);
    EXPECT_TRUE(ui->PrintRequests()[1].Setup);
    EXPECT_EQ(ui->PrintRequests()[1].Printers, QStringList{Laser});
    EXPECT_EQ(p->Bin(), 260);
    EXPECT_EQ(p->Duplex(), -1);

    // The automatic bin now means the bin chosen in the dialog.
    p->SetPrintParams(9, 0, 0, poPortrait, 7, dmSimplex, 1);
    EXPECT_EQ(p->DeviceMode().DefaultSource, 260);
    p->SetPrintParams(9, 0, 0, poPortrait, 2, dmSimplex, 1);
    EXPECT_EQ(p->DeviceMode().DefaultSource, 2) << "a page's own bin wins";

    // Ending a document puts the printer's defaults back.
    p->EndDoc();
    EXPECT_EQ(p->Bin(), -1);
    EXPECT_EQ(p->Duplex(), -1);
    EXPECT_EQ(p->DeviceMode().DefaultSource, 1);
    EXPECT_EQ(p->DeviceMode().Duplex, 2);
    EXPECT_NE(p->DeviceMode().Fields & rptDM_DUPLEX, 0u);
    ui->Verify();
}

TEST(Printer, TheCanvasFontFollowsTheVerticalResolution) {
    PrinterWorld world({Wide}, Wide);
    world.Device(Wide, Plotter());
    TrptCustomPrinter* p = GlobalPrinters()->Printer();
    TFont& font = p->Canvas()->Font();
    font.SetSize(10);
    EXPECT_EQ(font.PixelsPerInch(), 600);
    EXPECT_EQ(font.Height(), -83); // 10 points at 600 pixels per inch
    TFont screen;                  // 96 pixels per inch
    screen.SetName(QStringLiteral("DejaVu Sans"));
    screen.SetSize(12);
    p->Canvas()->SetFont(screen);
    EXPECT_EQ(font.PixelsPerInch(), 600);
    EXPECT_EQ(font.Size(), 12);
    EXPECT_EQ(font.Height(), -100);
    EXPECT_EQ(font.Name(), QStringLiteral("DejaVu Sans"));
}
