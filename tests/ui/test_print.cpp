// The printer list with its virtual stand-in, the process's current printer, and the print and
// printer setup dialogs answered from a script and by the real Qt dialog.

#include "UiTestSupport.h"

#include "platform/print/Printers.h"
#include "platform/ui/Dialogs.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

using namespace uitest;

namespace {

// Installs a fixed list of printers and starts from the default one; puts everything back after.
class FakePrinters {
public:
    explicit FakePrinters(const QStringList& names, const QString& defaultName = {}) {
        FPrevious = SetPrinterQuery([this] { return FInstalled; });
        Set(names, defaultName);
        SetCurrentPrinterIndex(-1);
    }
    ~FakePrinters() {
        SetPrinterQuery(std::move(FPrevious));
        SetCurrentPrinterIndex(-1);
    }
    void Set(const QStringList& names, const QString& defaultName = {}) {
        FInstalled.Names = names;
        FInstalled.DefaultName = defaultName;
    }

private:
    TInstalledPrinters FInstalled;
    TPrinterQuery FPrevious;
};

struct PrintState {
    int From, To, Min, Max, Copies;
    bool Collate, ToFile;
    TPrintRange Range;
    bool operator==(const PrintState&) const = default;
};

PrintState StateOf(const TPrintDialog& d) {
    return {d.FromPage(), d.ToPage(),  d.MinPage(),     d.MaxPage(),
            d.Copies(),   d.Collate(), d.PrintToFile(), d.PrintRange()};
}

std::ostream& operator<<(std::ostream& os, const PrintState& s) {
    return os << "pages " << s.From << ".." << s.To << " within " << s.Min << ".." << s.Max << ", copies "
              << s.Copies << ", collate " << s.Collate << ", file " << s.ToFile << ", range " << s.Range;
}

} // namespace

TEST(Printers, TheListHoldsTheInstalledPrintersOrTheVirtualOne) {
    struct Case {
        QStringList Installed;
        QString Default;
        QStringList Names;
        QString DefaultName;
        int Current;
    };
    const Case cases[] = {
        {{}, {}, {"Virtual"}, "Virtual", 0},
        {{}, "Stale", {"Virtual"}, "Virtual", 0},
        {{"Laser", "Ink"}, "Ink", {"Laser", "Ink"}, "Ink", 1},
        {{"Laser", "Ink"}, "ink", {"Laser", "Ink"}, "Ink", 1},
        {{"Laser", "Ink"}, {}, {"Laser", "Ink"}, "Laser", 0},
        {{"Laser", "Ink"}, "Gone", {"Laser", "Ink"}, "Laser", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.Installed.join(',') + " default " + c.Default).toStdString());
        FakePrinters printers(c.Installed, c.Default);
        EXPECT_EQ(PrinterNames(), c.Names);
        EXPECT_EQ(PhysicalPrintersInstalled(), !c.Installed.isEmpty());
        EXPECT_EQ(DefaultPrinterName(), c.DefaultName);
        EXPECT_EQ(CurrentPrinterIndex(), c.Current);
        EXPECT_EQ(CurrentPrinterName(), c.DefaultName);
    }
}

TEST(Printers, TheCurrentPrinterIsChosenByNameOrPositionAndFollowsItsPrinter) {
    FakePrinters printers({"Laser", "Ink", "Plotter"}, "Laser");
    EXPECT_TRUE(SetCurrentPrinterName("PLOTTER"));
    EXPECT_EQ(CurrentPrinterIndex(), 2);
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Plotter"));

    EXPECT_FALSE(SetCurrentPrinterName("Fax"));
    EXPECT_THROW(SetCurrentPrinterIndex(3), EPrinter);
    EXPECT_THROW(SetCurrentPrinterIndex(-2), EPrinter);
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Plotter"));

    // Another printer arrives in front: the choice stays with the plotter.
    printers.Set({"Fax", "Laser", "Ink", "Plotter"}, "Laser");
    EXPECT_EQ(CurrentPrinterIndex(), 3);
    // The plotter goes away: the default takes over.
    printers.Set({"Fax", "Laser", "Ink"}, "Laser");
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Laser"));

    SetCurrentPrinterIndex(2);
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Ink"));
    SetCurrentPrinterIndex(-1);
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Laser"));
}

TEST(Printers, TheSystemListIsNeverEmpty) {
    const TInstalledPrinters system = QueryInstalledPrinters();
    const QStringList names = PrinterNames();
    EXPECT_EQ(names, system.Names.isEmpty() ? QStringList{"Virtual"} : system.Names);
    EXPECT_TRUE(names.contains(CurrentPrinterName()));
}

TEST(PrintDialog, CancelLeavesEverythingAsItWas) {
    FakePrinters printers({"Laser", "Ink"}, "Laser");
    ScriptedUI ui;
    ui->CancelPrint();
    TPrintDialog d(nullptr);
    d.SetMinPage(1);
    d.SetMaxPage(10);
    d.SetFromPage(0);
    d.SetToPage(50);
    d.SetCopies(3);
    d.SetOptions({poPageNums});
    d.SetPrintRange(prPageNums);
    const PrintState before = StateOf(d);
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(StateOf(d), before);
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Laser"));

    // The dialog was shown with a range it can accept.
    ASSERT_EQ(ui->PrintRequests().size(), 1u);
    const TPrintRequest& shown = ui->PrintRequests()[0];
    EXPECT_FALSE(shown.Setup);
    EXPECT_EQ(shown.Printers, (QStringList{"Laser", "Ink"}));
    EXPECT_EQ(shown.PrinterIndex, 0);
    EXPECT_EQ(shown.FromPage, 1);
    EXPECT_EQ(shown.ToPage, 10);
    EXPECT_EQ(shown.Copies, 3);
    EXPECT_EQ(shown.Range, prPageNums);
    EXPECT_TRUE(shown.AllowPageNums);
    EXPECT_FALSE(shown.AllowSelection);
    EXPECT_FALSE(shown.ShowPrintToFile);
}

TEST(PrintDialog, TheAnswerLandsInThePropertiesAndChoosesThePrinter) {
    FakePrinters printers({"Laser", "Ink"}, "Laser");
    ScriptedUI ui;
    ui->AnswerPrint({"Ink", prPageNums, 3, 7, 2, true, true});
    TPrintDialog d(nullptr);
    d.SetMinPage(1);
    d.SetMaxPage(20);
    d.SetOptions({poPageNums, poPrintToFile});
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(StateOf(d), (PrintState{3, 7, 1, 20, 2, true, true, prPageNums}));
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Ink"));
    EXPECT_EQ(ui->Asked().last(), QStringLiteral("Print: Laser"));

    // The next dialog starts on the printer chosen last time; "all pages" keeps the page numbers.
    ui->AnswerPrint({{}, prAllPages, 0, 0, 1, false, false});
    ASSERT_TRUE(d.Execute());
    EXPECT_EQ(ui->PrintRequests().back().PrinterIndex, 1);
    EXPECT_EQ(StateOf(d), (PrintState{3, 7, 1, 20, 1, false, false, prAllPages}));
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Ink"));
}

TEST(PrintDialog, PagesStayWithinTheLimitsAndCopiesAtLeastOne) {
    struct Case {
        int Min, Max, From, To, Copies;
        int WantFrom, WantTo, WantCopies;
    };
    const Case cases[] = {
        {1, 10, 0, 99, 1, 1, 10, 1},   // both ends outside
        {1, 10, 12, 15, 2, 10, 10, 2}, // the whole range past the end
        {5, 0, 2, 300, 1, 5, 300, 1},  // no upper limit
        {1, 10, 8, 3, 0, 3, 8, 1},     // backwards, no copies
        {10, 2, 1, 5, -4, 2, 5, 1},    // the limits given backwards
        {0, 0, 0, 0, 7, 0, 0, 7},      // no limits, no range
    };
    FakePrinters printers({}, {});
    ScriptedUI ui;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "limits " << c.Min << ".." << c.Max << ", answer " << c.From << ".." << c.To);
        ui->AnswerPrint({{}, prPageNums, c.From, c.To, c.Copies, false, false});
        TPrintDialog d(nullptr);
        d.SetOptions({poPageNums});
        d.SetMinPage(c.Min);
        d.SetMaxPage(c.Max);
        ASSERT_TRUE(d.Execute());
        EXPECT_EQ(d.FromPage(), c.WantFrom);
        EXPECT_EQ(d.ToPage(), c.WantTo);
        EXPECT_EQ(d.Copies(), c.WantCopies);
    }
    EXPECT_EQ(ui->Asked().last(), QStringLiteral("Print: Virtual"));
    TPrintDialog d(nullptr);
    d.SetCopies(0);
    EXPECT_EQ(d.Copies(), 1);
}

TEST(PrintDialog, AChoiceTheDialogDidNotOfferIsRefused) {
    struct Case {
        TPrintDialogOptions Options;
        TPrintChoice Choice;
        const char* Complaint;
    };
    const Case cases[] = {
        {{poSelection}, {{}, prPageNums, 1, 2, 1, false, false}, "page numbers"},
        {{poPageNums}, {{}, prSelection, 0, 0, 1, false, false}, "selection"},
        {{}, {{}, prAllPages, 0, 0, 1, false, true}, "print to file"},
        {{poPrintToFile, poDisablePrintToFile}, {{}, prAllPages, 0, 0, 1, false, true}, "print to file"},
        {{poPrintToFile}, {"Fax", prAllPages, 0, 0, 1, false, false}, "printer \"Fax\""},
    };
    FakePrinters printers({"Laser"}, "Laser");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Complaint);
        QStringList complaints;
        TUIServicesScope scope([&](const QString& q) { complaints << q; });
        scope->AnswerPrint(c.Choice);
        TPrintDialog d(nullptr);
        d.SetOptions(c.Options);
        d.SetCopies(2);
        EXPECT_FALSE(d.Execute());
        ASSERT_EQ(complaints.size(), 1);
        EXPECT_TRUE(complaints[0].contains(QString::fromUtf8(c.Complaint))) << complaints[0].toStdString();
        EXPECT_EQ(d.Copies(), 2);
        EXPECT_EQ(d.PrintRange(), prAllPages);
        EXPECT_FALSE(d.PrintToFile());
    }
}

TEST(PrinterSetupDialog, ChoosesTheCurrentPrinterOnlyWhenConfirmed) {
    FakePrinters printers({"Laser", "Ink"}, "Ink");
    ScriptedUI ui;
    ui->CancelPrint().AnswerPrint({"Laser", prAllPages, 0, 0, 1, false, false});
    TPrinterSetupDialog d(nullptr);
    EXPECT_FALSE(d.Execute());
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Ink"));
    EXPECT_TRUE(d.Execute());
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Laser"));
    ASSERT_EQ(ui->PrintRequests().size(), 2u);
    EXPECT_TRUE(ui->PrintRequests()[1].Setup);
    EXPECT_EQ(ui->Asked(), (QStringList{"Printer setup: Ink", "Printer setup: Ink"}));
}

TEST(PrintDialog, PropertiesArePublishedByName) {
    TPrintDialog d(nullptr);
    SetOrdProp(&d, QStringLiteral("MaxPage"), 9);
    SetSetProp(&d, QStringLiteral("Options"), QStringLiteral("[poPageNums,poDisablePrintToFile]"));
    SetEnumProp(&d, QStringLiteral("PrintRange"), QStringLiteral("prSelection"));
    SetOrdProp(&d, QStringLiteral("Copies"), 0);
    EXPECT_EQ(d.MaxPage(), 9);
    EXPECT_EQ(d.Options(), (TPrintDialogOptions{poPageNums, poDisablePrintToFile}));
    EXPECT_EQ(d.PrintRange(), prSelection);
    EXPECT_EQ(d.Copies(), 1);
    EXPECT_EQ(GetSetProp(&d, QStringLiteral("Options")), QStringLiteral("poPageNums,poDisablePrintToFile"));
    EXPECT_TRUE(ClassInfoOf(&d)->InheritsFrom(QStringLiteral("TCommonDialog")));
    TPrinterSetupDialog setup(nullptr);
    EXPECT_TRUE(ClassInfoOf(&setup)->InheritsFrom(QStringLiteral("TCommonDialog")));
}

namespace {

// Runs f on the print dialog once it shows.
void WhenPrintDialogShows(std::function<void(QPrintDialog*)> f) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (auto* dlg = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            f(dlg);
        }
    });
    timer->start();
}

} // namespace

TEST(QtServices, ThePrintDialogShowsTheRequestAndHandsBackTheAnswer) {
    TQtUIServices services;
    TPrintRequest r;
    r.Printers = {VirtualPrinterName()};
    r.MinPage = 2;
    r.MaxPage = 9;
    r.FromPage = 3;
    r.ToPage = 4;
    r.Copies = 2;
    r.Collate = true;
    r.Range = prPageNums;
    r.AllowPageNums = true;
    int shownMin = 0, shownMax = 0;
    bool rangeOffered = false, selectionOffered = true;
    WhenPrintDialogShows([&](QPrintDialog* dlg) {
        shownMin = dlg->minPage();
        shownMax = dlg->maxPage();
        rangeOffered = dlg->testOption(QAbstractPrintDialog::PrintPageRange);
        selectionOffered = dlg->testOption(QAbstractPrintDialog::PrintSelection);
        dlg->reject();
    });
    EXPECT_FALSE(services.SelectPrinter(r));
    EXPECT_EQ(shownMin, 2);
    EXPECT_EQ(shownMax, 9);
    EXPECT_TRUE(rangeOffered);
    EXPECT_FALSE(selectionOffered);

    // Confirmed as shown, the dialog gives back what it was given.
    r.Copies = 1;
    r.Collate = false;
    r.FromPage = r.ToPage = 0;
    r.Range = prAllPages;
    TPrintRequest shown = r;
    shown.Copies = 3;
    shown.Collate = true;
    shown.FromPage = 5;
    shown.ToPage = 7;
    shown.Range = prPageNums;
    WhenPrintDialogShows([](QPrintDialog* dlg) { dlg->accept(); });
    ASSERT_TRUE(services.SelectPrinter(shown));
    EXPECT_EQ(shown.Copies, 3);
    EXPECT_TRUE(shown.Collate);
    EXPECT_EQ(shown.Range, prPageNums);
    EXPECT_EQ(shown.FromPage, 5);
    EXPECT_EQ(shown.ToPage, 7);
    EXPECT_EQ(shown.PrinterIndex, 0);
    EXPECT_FALSE(shown.PrintToFile);
}
