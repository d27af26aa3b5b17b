// The print loop against a recording printer: each case gives the print options and the pages
// and expects the whole list of printer calls and page drawings.

#include "PrintFakes.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPrintLoop.h"

#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

using namespace printtest;

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected: " << question.toStdString();
}

class PrintLoop : public ::testing::Test {
protected:
    void SetUp() override {
        FPrevious = SetPrintLoopPrinter(&Printer);
        Report.PrintOptions()->SetShowDialog(false);
        Report.ReportOptions()->SetName(QStringLiteral("Job"));
    }
    void TearDown() override { SetPrintLoopPrinter(FPrevious); }

    QStringList Print(bool expected = true) {
        EXPECT_EQ(PrintPreparedPages(&Report, &Pages), expected);
        return Printer.Log;
    }
    // Only the drawings, "index" each.
    QStringList Drawn() const {
        QStringList r;
        for (const QString& l : Printer.Log)
            if (l.startsWith(QLatin1String("Draw "))) r << l.section(QLatin1Char(' '), 1, 1);
        return r;
    }
    int Count(const QString& call) const {
        int n = 0;
        for (const QString& l : Printer.Log) n += l == call;
        return n;
    }

    RecordingPrinter Printer;
    TrptReport Report;
    RecordedPages Pages{&Report, &Printer.Log};
    TUIServicesScope UI{FailOnQuestion};

private:
    TrptCustomPrinter* FPrevious = nullptr;
};

TEST(SheetArithmetic, PiecesAndArrangements) {
    struct Case {
        double P, Q;
        int Pieces;
    } pieces[] = {{220, 210, 1}, {222, 210, 2}, {210, 210, 1}, {420, 297, 2}, {297, 210, 2},
                  {100, 210, 1}, {0, 210, 0},   {630, 210, 3}, {641, 210, 4}, {642, 210, 4}};
    for (const Case& c : pieces) EXPECT_EQ(SheetPieces(c.P, c.Q), c.Pieces) << c.P << " / " << c.Q;

    struct Arr {
        double A, B, C, D;
        int X, Y;
        bool Rotated;
    } arrangements[] = {
        {297, 420, 210, 297, 1, 2, true},  // A3 split on A4: turned, one across, two down
        {297, 210, 148, 210, 2, 1, false}, // A4 landscape holds two A5 side by side
        {210, 297, 148, 210, 1, 2, true},  // A4 portrait: two A5 turned
        {210, 297, 210, 297, 1, 1, false}, // same size
        {594, 841, 210, 297, 2, 4, true},  // A1 on A4: 8 turned sheets instead of 9
    };
    for (const Arr& a : arrangements) {
        const TrptSheetArrangement r = ArrangeSheets(a.A, a.B, a.C, a.D);
        EXPECT_EQ(r.X, a.X) << a.A << "x" << a.B << " on " << a.C << "x" << a.D;
        EXPECT_EQ(r.Y, a.Y) << a.A << "x" << a.B << " on " << a.C << "x" << a.D;
        EXPECT_EQ(r.Rotated, a.Rotated) << a.A << "x" << a.B << " on " << a.C << "x" << a.D;
    }
    EXPECT_EQ(PrintRound(2.5), 2);
    EXPECT_EQ(PrintRound(3.5), 4);
    EXPECT_EQ(PrintRound(-0.5), 0);
}

TEST_F(PrintLoop, DefaultModeWholeJob) {
    Pages.AddMany(2);
    Printer.SetMargins(5, 4, 0, 0);
    const QStringList expected = {
        "Params 9 210.00x297.00 portrait bin 7 duplex 0 copies 1",
        "BeginDoc Job",
        "BeginPage",
        // 600 DPI: scale 6.25; margins 5 and 4 mm move the page up and left.
        "Draw 0 6.25 6.25 -118.11 -94.49",
        "EndPage",
        "BeginPage",
        "Draw 1 6.25 6.25 -118.11 -94.49",
        "EndPage",
        "EndDoc"};
    EXPECT_EQ(Print(), expected);
}

// Which pages print, in which order, for page lists, parity, order and copies.
TEST_F(PrintLoop, PageSelectionTable) {
    struct Case {
        const char* Name;
        int Pages;
        QString Numbers;
        TrptPrintPages Parity;
        bool Reverse;
        int Copies;
        bool Collate;
        QStringList Drawn;
        QList<int> CopyNos;
    } cases[] = {
        {"all", 3, "", ppAll, false, 1, true, {"0", "1", "2"}, {1, 1, 1}},
        {"reverse", 3, "", ppAll, true, 1, true, {"2", "1", "0"}, {1, 1, 1}},
        {"list keeps its order", 5, "4,2", ppAll, false, 1, true, {"3", "1"}, {1, 1}},
        {"even of 2,4", 5, "2,4", ppEven, false, 1, true, {"1", "3"}, {1, 1}},
        {"odd of 2,4", 5, "2,4", ppOdd, false, 1, true, {}, {}},
        {"even with a range", 6, "2-5", ppEven, false, 1, true, {"1", "3"}, {1, 1}},
        {"odd reversed", 5, "", ppOdd, true, 1, true, {"4", "2", "0"}, {1, 1, 1}},
        {"beyond the last page", 3, "2,9", ppAll, false, 1, true, {"1"}, {1}},
        {"huge range clamped", 3, "1-99999999", ppAll, false, 1, true, {"0", "1", "2"}, {1, 1, 1}},
        {"collated copies", 2, "", ppAll, false, 2, true, {"0", "1", "0", "1"}, {1, 1, 2, 2}},
        {"collated copies reversed", 2, "", ppAll, true, 2, true, {"1", "0", "1", "0"}, {1, 1, 2, 2}},
        {"uncollated copies", 2, "", ppAll, false, 3, false, {"0", "1"}, {1, 1}},
        {"copies 0 is one copy", 2, "", ppAll, false, 0, true, {"0", "1"}, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        RecordingPrinter printer;
        SetPrintLoopPrinter(&printer);
        TrptReport report;
        RecordedPages pages(&report, &printer.Log);
        pages.AddMany(c.Pages);
        TrptPrintOptions* o = report.PrintOptions();
        o->SetShowDialog(false);
        o->SetPageNumbers(c.Numbers);
        o->SetPrintPages(c.Parity);
        o->SetReverse(c.Reverse);
        o->SetCopies(c.Copies);
        o->SetCollate(c.Collate);
        QList<int> copyNos;
        report.OnPrintPage = [&](TrptReportPage*, int copyNo) { copyNos << copyNo; };
        EXPECT_TRUE(PrintPreparedPages(&report, &pages));
        QStringList drawn;
        for (const QString& l : printer.Log)
            if (l.startsWith(QLatin1String("Draw "))) drawn << l.section(QLatin1Char(' '), 1, 1);
        EXPECT_EQ(drawn, c.Drawn);
        EXPECT_EQ(copyNos, c.CopyNos);
        if (!c.Collate) {
            EXPECT_TRUE(printer.Log.first().endsWith(QStringLiteral("copies %1").arg(c.Copies)));
        }
        // Nothing selected: no document at all.
        EXPECT_EQ(printer.Log.contains(QStringLiteral("BeginDoc Job")) || printer.Log.contains(QStringLiteral("BeginDoc ")),
                  !c.Drawn.isEmpty());
        // The options are as before the job (Copies 0 too).
        EXPECT_EQ(o->Copies(), c.Copies);
        SetPrintLoopPrinter(&Printer);
    }
}

TEST_F(PrintLoop, CollatedDuplexOfThreePagesAddsABlankSide) {
    Pages.AddMany(3);
    Report.PrintOptions()->SetCopies(2);
    Report.PrintOptions()->SetDuplex(dmVertical);
    Print();
    // Each copy: three sides and an empty one, so copy 2 starts on a new sheet.
    EXPECT_EQ(Count("BeginPage"), 8);
    EXPECT_EQ(Drawn(), QStringList({"0", "1", "2", "0", "1", "2"}));
    const int blank = Printer.Log.indexOf(QStringLiteral("Draw 2 6.25 6.25 0.00 0.00"));
    ASSERT_GE(blank, 0);
    EXPECT_EQ(Printer.Log.mid(blank + 1, 3), QStringList({"EndPage", "BeginPage", "EndPage"}));
    // Four pages fill both sheets: no blank side.
    Printer.Log.clear();
    Pages.AddMany(1);
    Print();
    EXPECT_EQ(Count("BeginPage"), 8);
    EXPECT_EQ(Drawn().size(), 8);
}

TEST_F(PrintLoop, PrinterSettingsChangeOnlyWithThePaper) {
    Pages.Add(9, 210, 297);
    Pages.Add(9, 210, 297);
    Pages.Add(11, 148, 210);
    Pages.Add(9, 210, 297, poLandscape);
    TrptReportPage* binned = Pages.Add(9, 210, 297);
    binned->SetBin(2);
    binned->SetBinOtherPages(3);
    TrptReportPage* again = Pages.Add(9, 210, 297);
    again->SetBin(2);
    again->SetBinOtherPages(3);
    Print();
    QStringList params;
    for (const QString& l : Printer.Log)
        if (l.startsWith(QLatin1String("Params"))) params << l;
    EXPECT_EQ(params, QStringList({"Params 9 210.00x297.00 portrait bin 7 duplex 0 copies 1",
                                   "Params 11 148.00x210.00 portrait bin 7 duplex 0 copies 1",
                                   "Params 9 297.00x210.00 landscape bin 7 duplex 0 copies 1",
                                   "Params 9 210.00x297.00 portrait bin 2 duplex 0 copies 1",
                                   // bin 2 seen before: the page's other-pages bin
                                   "Params 9 210.00x297.00 portrait bin 3 duplex 0 copies 1"}));
}

TEST_F(PrintLoop, SplitA3OnA4Sheets) {
    Pages.Add(8, 297, 420);
    TrptPrintOptions* o = Report.PrintOptions();
    o->SetPrintMode(pmSplit);
    o->SetPrintOnSheet(9);
    o->SetSplicingLine(0);
    const QStringList expected = {
        "View 9 210.00x297.00",
        "Params 9 297.00x210.00 landscape bin 7 duplex 0 copies 1",
        "BeginDoc Job",
        // One across (the landscape sheet is 297 mm wide), two down of 210 mm each.
        "BeginPage",
        "Draw 0 6.25 6.25 0.00 0.00 clip 0,0-7014,9919",
        "EndPage",
        "BeginPage",
        "Draw 0 6.25 6.25 0.00 -4960.63 clip 0,0-7014,9919",
        "EndPage",
        "EndDoc"};
    EXPECT_EQ(Print(), expected);
}

TEST_F(PrintLoop, SplitWithMarginsAndSplicing) {
    Pages.Add(8, 297, 420);
    Printer.SetMargins(5, 5, 5, 5);
    TrptPrintOptions* o = Report.PrintOptions();
    o->SetPrintMode(pmSplit);
    o->SetPrintOnSheet(9);
    o->SetSplicingLine(3);
    Print();
    QStringList draws;
    for (const QString& l : Printer.Log)
        if (l.startsWith(QLatin1String("Draw"))) draws << l;
    // The first arrangement (1 x 2, turned) costs the across size splicing and two margins: 210 -
    // 13 mm across turns out best as 1 x 3 turned sheets of 297 x 197. Device pixels at 600 DPI:
    // margins 118.11, splicing 70.87, sheet height 4960.63; each further row starts
    // (4960.63 - 2 * 118.11) - 70.87 = 4653.54 lower, its clip 70.87 lower inside the sheet.
    ASSERT_EQ(draws.size(), 3);
    EXPECT_EQ(draws[0], "Draw 0 6.25 6.25 -118.11 -118.11 clip 118,118-6896,9801");
    EXPECT_EQ(draws[1], "Draw 0 6.25 6.25 -118.11 -4653.54 clip 118,189-6896,9801");
    EXPECT_EQ(draws[2], "Draw 0 6.25 6.25 -118.11 -9307.09 clip 118,189-6896,9801");
    EXPECT_TRUE(Printer.Log.contains("Params 9 297.00x210.00 landscape bin 7 duplex 0 copies 1"));
}

TEST_F(PrintLoop, JoinA5TwoUpOnA4) {
    Pages.AddMany(3, 11, 148, 210);
    TrptPrintOptions* o = Report.PrintOptions();
    o->SetPrintMode(pmJoin);
    o->SetPrintOnSheet(9);
    const QStringList expected = {
        "View 9 210.00x297.00",
        "Params 9 297.00x210.00 landscape bin 7 duplex 0 copies 1",
        "BeginDoc Job",
        "BeginPage",
        "Draw 0 6.25 6.25 0.00 0.00",
        "Draw 1 6.25 6.25 3496.06 0.00",
        "EndPage",
        "BeginPage",
        "Draw 2 6.25 6.25 0.00 0.00",
        "EndPage",
        "EndDoc"};
    EXPECT_EQ(Print(), expected);
}

TEST_F(PrintLoop, JoinCopiesFillConsecutiveCells) {
    Pages.AddMany(2, 11, 148, 210);
    TrptPrintOptions* o = Report.PrintOptions();
    o->SetPrintMode(pmJoin);
    o->SetPrintOnSheet(9);
    o->SetCopies(2);
    o->SetCollate(false);
    Print();
    EXPECT_EQ(Drawn(), QStringList({"0", "0", "1", "1"}));
    EXPECT_EQ(Count("BeginPage"), 2);
}

TEST_F(PrintLoop, ScaleStretchesEachAxis) {
    Pages.Add(9, 210, 297);
    Pages.Add(11, 148, 210);
    TrptPrintOptions* o = Report.PrintOptions();
    o->SetPrintMode(pmScale);
    o->SetPrintOnSheet(8);
    QList<double> scales;
    Print();
    QStringList draws;
    for (const QString& l : Printer.Log)
        if (l.startsWith(QLatin1String("Draw")) || l.startsWith(QLatin1String("Params"))) draws << l;
    // A3 sheet 297 x 420: A4 grows by 297/210 across and 420/297 down; A5 by 297/148 and 2.
    EXPECT_EQ(draws, QStringList({"Params 8 297.00x420.00 portrait bin 7 duplex 0 copies 1",
                                  "Draw 0 8.84 8.84 0.00 0.00", "Draw 1 12.54 12.50 0.00 0.00"}));
}

TEST_F(PrintLoop, TerminatedDuringTheJobAbortsIt) {
    Pages.AddMany(4);
    int seen = 0;
    Report.OnPrintPage = [&](TrptReportPage*, int) {
        if (++seen == 2) Report.SetTerminated(true);
    };
    Print(false);
    EXPECT_EQ(Drawn(), QStringList({"0", "1"}));
    EXPECT_TRUE(Printer.Log.contains("Abort"));
    EXPECT_FALSE(Printer.Log.contains("EndDoc"));
}

TEST_F(PrintLoop, InvalidPrinterFailsNamingIt) {
    Pages.AddMany(2);
    Printer.SetValid(false);
    UI->AnswerMessage(mrOk, QStringLiteral("Printer selected is not valid: Recorder"));
    Print(false);
    EXPECT_TRUE(Printer.Log.isEmpty());
    UI->Verify();
}

TEST_F(PrintLoop, BadPageListsPrintNothingAndSaySo) {
    Pages.AddMany(3);
    struct Case {
        QString Text;
        QString Message;
    } cases[] = {{"0", "name no page"},
                 {"5-2", "name no page"},
                 {"7", "name no page"},
                 {"abc", "\"abc\" are not valid"},
                 {"1-x", "\"1-x\" are not valid"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        Printer.Log.clear();
        Report.PrintOptions()->SetPageNumbers(c.Text);
        UI->AnswerMessage(mrOk, c.Message);
        Print(false);
        EXPECT_TRUE(Printer.Log.isEmpty()) << Printer.Log.join(QLatin1Char('|')).toStdString();
        UI->Verify();
        // The options are kept.
        EXPECT_EQ(Report.PrintOptions()->PageNumbers(), c.Text);
    }
    // An empty piece between commas is refused like any other unreadable list.
    Printer.Log.clear();
    Report.PrintOptions()->SetPageNumbers(QStringLiteral("1,,3"));
    UI->AnswerMessage(mrOk, QStringLiteral("\"1,,3\" are not valid"));
    Print(false);
    EXPECT_TRUE(Printer.Log.isEmpty());
    UI->Verify();
}

TEST_F(PrintLoop, EventsAroundTheJob) {
    Pages.AddMany(1);
    QStringList events;
    Report.OnPrintReport = [&](TObject*) { events << "print report"; };
    Report.OnAfterPrintReport = [&](TObject*) { events << "after print report"; };
    Report.OnPrintPage = [&](TrptReportPage*, int) { events << "page"; };
    Report.OnProgressStart = [&](TrptReport*, TrptProgressType t, int) { events << QStringLiteral("start %1").arg(t); };
    Report.OnProgress = [&](TrptReport*, TrptProgressType t, int n) { events << QStringLiteral("step %1 %2").arg(t).arg(n); };
    Report.OnProgressStop = [&](TrptReport*, TrptProgressType t, int) { events << QStringLiteral("stop %1").arg(t); };
    Report.SetShowProgress(false);
    Print();
    EXPECT_EQ(events, QStringList({"print report", "start 2", "page", "step 2 1", "stop 2", "after print report"}));
}

} // namespace
