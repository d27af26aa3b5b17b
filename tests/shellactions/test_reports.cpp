// Report buttons of the demo application, end to end on a copy of its folder with the sample
// rows: prepared pages in preview mode, PDF files, print jobs, the record a report is about, the
// boxes of its refusals, and typed texts that try to become SQL.

#include "ActionsFixture.h"

#include "tests/reportprint/PrintFakes.h"

#include "app/dbControls.h"
#include "app/dbStringGridEx.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/data/DataSet.h"
#include "platform/data/SQLConnection.h"
#include "platform/gfx/Canvas.h"
#include "platform/sys/Desktop.h"
#include "platform/ui/Forms.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDBSet.h"
#include "report/core/rptDesignerComponent.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptPreviewForm.h"
#include "report/core/rptPrintLoop.h"
#include "report/core/rptRunControl.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <sqlite3.h>

#include <cstring>

namespace {

QString ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The golden dump of data/<name>.txt; KORVEL_UPDATE_GOLDENS=1 writes it instead.
QString Golden(const QString& name, const QString& actual) {
    const QString path = QStringLiteral(KORVEL_TEST_DATA "/") + name + QStringLiteral(".txt");
    if (qEnvironmentVariableIsSet("KORVEL_UPDATE_GOLDENS")) {
        QFile out(path);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate)) out.write(actual.toUtf8());
        return actual;
    }
    return ReadText(path);
}

class DemoReports : public ActionsTest {
protected:
    void SetUp() override {
        ActionsTest::SetUp();
        SetOpenUrlHandler([this](const QUrl& url) {
            Opened << url.toLocalFile();
            return true;
        });
    }
    void TearDown() override {
        if (FTracing) sqlite3_trace_v2(Db().Handle(), 0, nullptr, nullptr);
        ActionsTest::TearDown();
    }

    // The demo with its sample rows.
    void StartWithSamples() {
        Start();
        if (HasFatalFailure()) return;
        Exec(ReadText(QStringLiteral(KORVEL_DEMO_DIR "/../sample-data.sql")));
        frmMainKorvel->FillDictionaries(QString());
        for (const char* g : {"grdCustomers", "grdOrders", "grdProducts"})
            Get<TdbStringGridEx>(frmMainKorvel, g)->dbExecute();
    }
    TrptReport* Report() const { return frmMainKorvel->rptReport; }
    // Waits for the preview's preparation (it runs from the report's timer).
    QString PreviewDump() {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (!ReportPreparing(Report()) && Report()->PreviewPages() && Report()->PreviewPages()->Count() > 0 &&
                t.elapsed() > 200)
                break;
        }
        return Report()->PreviewPages() ? DumpPreparedPages(Report()->PreviewPages()) : QString();
    }
    // Statements SQLite is asked to run, as written (parameters unexpanded).
    void TraceStatements() {
        FTracing = true;
        sqlite3_trace_v2(
            Db().Handle(), SQLITE_TRACE_STMT,
            [](unsigned, void* ctx, void*, void* x) -> int {
                const char* sql = static_cast<const char*>(x);
                if (sql && std::strncmp(sql, "--", 2) != 0)
                    static_cast<QStringList*>(ctx)->append(QString::fromUtf8(sql));
                return 0;
            },
            &Statements);
    }
    QStringList Statements;
    QStringList Opened;
    bool FTracing = false;
};

} // namespace

// Each report button in preview mode prepares the pages of its template from its query.
TEST_F(DemoReports, PreviewButtonsPrepareTheExpectedPages) {
    StartWithSamples();
    const struct {
        const char* Button;
        const char* Golden;
        int OrderId; // the grid row to select, 0 for none
    } cases[] = {
        {"btnCustReport", "customers-preview", 0},
        {"btnOrdMonthly", "monthly-preview", 0},
        {"btnOrdDocument", "order4-preview", 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Button);
        if (c.OrderId) Get<TdbStringGridEx>(frmMainKorvel, "grdOrders")->SetdbItemID(c.OrderId);
        Click("frmMainKorvel", c.Button);
        const QString dump = PreviewDump();
        EXPECT_EQ(Report()->Errors()->Text(), QString());
        EXPECT_EQ(dump, Golden(QLatin1String(c.Golden), dump));
    }
    // The order document is about the selected order: its lines by category, subtotals, total.
    const QString dump = PreviewDump();
    for (const char* text : {"\"Order No. 1004\"", "\"Paint\"", "\"Wall paint white 10 l\"", "\"590.00\"",
                             "\"682.30\"", "TrptPictureView Logo",
                             // The page total is filled in when a page is drawn.
                             "\"Page 1 of [TotalPages#]"})
        EXPECT_TRUE(dump.contains(QLatin1String(text))) << text;
}

// PDF buttons write a new temporary .pdf that qpdf accepts and open it; the order document's
// text holds its lines and totals.
TEST_F(DemoReports, PdfButtonsWriteCheckedFilesWithTheOrdersLinesAndTotals) {
    StartWithSamples();
    if (QStandardPaths::findExecutable("qpdf").isEmpty() || QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "qpdf or pdftotext missing";
    auto pdfText = [](const QString& file) {
        QProcess check;
        check.start("qpdf", {"--check", file});
        EXPECT_TRUE(check.waitForFinished(30000));
        EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
        QProcess text;
        text.start("pdftotext", {"-layout", file, "-"});
        EXPECT_TRUE(text.waitForFinished(30000));
        return QString::fromUtf8(text.readAllStandardOutput());
    };

    Click("frmMainKorvel", "btnOrdPdf");
    ASSERT_EQ(Opened.size(), 1);
    EXPECT_TRUE(Opened[0].endsWith(".pdf"));
    // The system's temporary file stays beside it, empty.
    EXPECT_TRUE(QFileInfo(Opened[0].chopped(4) + ".tmp").exists());
    const QString months = pdfText(Opened[0]);
    for (const char* text : {"Orders by month", "2026-09", "2026-12", "1957.20", "581.40"})
        EXPECT_TRUE(months.contains(QLatin1String(text))) << text << "\n" << months.toStdString();

    // The order window opened on order 4: its own PDF button.
    UI().AnswerModal("frmOrder", [&](TCustomForm* order) {
        Get<TdbButton>(order, "btnOInvoicePdf")->Click();
        return mrNone;
    });
    Get<TdbStringGridEx>(frmMainKorvel, "grdOrders")->SetdbItemID(4);
    Click("frmMainKorvel", "btnOrdEdit");
    ASSERT_EQ(Opened.size(), 2);
    EXPECT_NE(Opened[1], Opened[0]);
    const QString order = pdfText(Opened[1]);
    for (const char* text : {"Order No. 1004", "Budmax", "Wall paint white 10 l", "Primer 5 l", "Spirit level 60 cm",
                             "450.00", "140.00", "Subtotal Paint", "590.00", "Total", "682.30", "Page 1 of 1"})
        EXPECT_TRUE(order.contains(QLatin1String(text))) << text << "\n" << order.toStdString();
}

// The office buttons export without a dialog to new temporary files, each opened once, and leave
// the clipboard as the user had it; the picture buttons ask for the file in the filter's dialog.
TEST_F(DemoReports, OfficeAndPictureButtonsWriteTheirFiles) {
    StartWithSamples();
    QGuiApplication::clipboard()->setText(QStringLiteral("copied by the user"));
    const struct {
        const char* Button;
        const char* Extension;
        const char* Magic;
    } cases[] = {
        {"btnOrdXlsx", ".xlsx", "PK"},
        {"btnOrdOds", ".ods", "PK"},
        {"btnOrdOdt", ".odt", "PK"},
        {"btnOrdRtf", ".rtf", "{\\rtf1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Button);
        const qsizetype before = Opened.size();
        Click("frmMainKorvel", c.Button);
        ASSERT_EQ(Opened.size(), before + 1);
        const QString file = Opened.back();
        EXPECT_TRUE(file.endsWith(QLatin1String(c.Extension))) << file.toStdString();
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(16).startsWith(c.Magic));
        EXPECT_EQ(Report()->Errors()->Text(), QString());
    }
    EXPECT_EQ(Opened.size(), QSet<QString>(Opened.begin(), Opened.end()).size());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "copied by the user");

    // The order window's HTML button: a temporary .html without a dialog, opened once.
    UI().AnswerModal("frmOrder", [&](TCustomForm* order) {
        Get<TdbButton>(order, "btnOInvoiceHtml")->Click();
        return mrCancel;
    });
    Get<TdbStringGridEx>(frmMainKorvel, "grdOrders")->SetdbItemID(4);
    const qsizetype beforeHtml = Opened.size();
    Click("frmMainKorvel", "btnOrdEdit");
    ASSERT_EQ(Opened.size(), beforeHtml + 1);
    EXPECT_TRUE(Opened.back().endsWith(".html")) << Opened.back().toStdString();
    EXPECT_TRUE(ReadText(Opened.back()).contains("Order No. 1004"));

    // The order window's picture buttons: the dialog's save box names the file; the one page of
    // the order document becomes one picture beside that name.
    QTemporaryDir pictures;
    for (const char* ext : {"jpg", "tif"}) {
        SCOPED_TRACE(ext);
        const QString button = QLatin1String(std::strcmp(ext, "jpg") == 0 ? "btnOInvoiceJpeg" : "btnOInvoiceTiff");
        const QString target = pictures.filePath(QStringLiteral("order.") + QLatin1String(ext));
        UI().AnswerModal("frmOrder", [&](TCustomForm* order) {
            UI().AnswerModal("rptIMGExportDialog", [](TCustomForm*) { return mrOk; });
            UI().AnswerFile({target});
            Get<TdbButton>(order, button)->Click();
            return mrCancel;
        });
        Get<TdbStringGridEx>(frmMainKorvel, "grdOrders")->SetdbItemID(4);
        Click("frmMainKorvel", "btnOrdEdit");
        const QStringList written = QDir(pictures.path()).entryList({QStringLiteral("order*.") + QLatin1String(ext)}, QDir::Files);
        ASSERT_EQ(written.size(), 1) << QDir(pictures.path()).entryList().join(' ').toStdString();
        // Qt reads no TIFF without an extra plug-in; ImageMagick reads both.
        QProcess identify;
        identify.start("identify", {"-format", "%w %h", pictures.filePath(written[0])});
        ASSERT_TRUE(identify.waitForFinished(30000));
        EXPECT_EQ(identify.exitCode(), 0) << identify.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(identify.readAllStandardOutput()).trimmed(), "794 1123");
    }
}

// A print button prepares the report and sends it to the printer as one job.
TEST_F(DemoReports, PrintButtonSendsAJobToThePrinter) {
    StartWithSamples();
    printtest::RecordingPrinter printer;
    TrptCustomPrinter* previous = SetPrintLoopPrinter(&printer);
    UI().AnswerModal("rptPrintDialog", [](TCustomForm*) { return mrOk; });
    Click("frmMainKorvel", "btnProdPrice");
    SetPrintLoopPrinter(previous);
    ASSERT_FALSE(printer.Log.isEmpty());
    EXPECT_TRUE(printer.Log.first().startsWith("BeginDoc") || printer.Log.join('\n').contains("BeginDoc"));
    EXPECT_EQ(printer.Log.count("BeginPage"), Report()->PreviewPages()->Count());
    EXPECT_EQ(printer.Log.last(), "EndDoc");
    EXPECT_TRUE(DumpPreparedPages(Report()->PreviewPages()).contains("\"Cordless drill 18 V\""));
}

// "$id" of a new order names the record its report button saved first; a save that fails ends
// the report before its query runs.
TEST_F(DemoReports, SaveFirstUsesTheSavedRecordsIdAndStopsWhenTheSaveFails) {
    StartWithSamples();
    TraceStatements();
    UI().AnswerModal("frmOrder", [&](TCustomForm* order) {
        Get<TdbComboBox>(order, "cbOCustomer")->SetdbItemID(2);
        Get<TdbButton>(order, "btnOInvoice")->Click();
        return mrCancel;
    });
    Click("frmMainKorvel", "btnOrdNew");
    const QString id = Rows("SELECT max(id) FROM orders");
    EXPECT_EQ(id, "8");
    EXPECT_EQ(Rows("SELECT id_customers FROM orders WHERE id = 8"), "2");
    EXPECT_TRUE(Statements.filter("FROM orders o LEFT JOIN customers").join('\n').contains("WHERE o.id = 8"))
        << Statements.join('\n').toStdString();
    PreviewDump();

    // The same with orders refused by the database.
    Exec("CREATE TRIGGER no_orders BEFORE INSERT ON orders BEGIN SELECT RAISE(ABORT, 'no new orders'); END");
    Statements.clear();
    UI().AnswerModal("frmOrder", [&](TCustomForm* order) {
        UI().AnswerMessage(mrOk, "no new orders");
        Get<TdbButton>(order, "btnOInvoice")->Click();
        return mrCancel;
    });
    Click("frmMainKorvel", "btnOrdNew");
    EXPECT_TRUE(Statements.filter("FROM orders o LEFT JOIN customers").isEmpty()) << Statements.join('\n').toStdString();
    EXPECT_EQ(Rows("SELECT count(*) FROM orders"), "8");
}

// The grid a report takes its record from: no rows, no selected row.
TEST_F(DemoReports, GridWithoutRowsOrSelectionSaysSoAndRunsNothing) {
    StartWithSamples();
    auto* grid = Get<TdbStringGridEx>(frmMainKorvel, "grdOrders");
    grid->SetSelectedRow(-1);
    ASSERT_GT(grid->RowCount(), 0);
    ASSERT_EQ(grid->dbItemID(), -1);
    UI().AnswerMessage(mrOk, Lang.Please_select_record_in_grid);
    Click("frmMainKorvel", "btnOrdDocument");
    ASSERT_FALSE(UI().Messages().empty());
    EXPECT_EQ(UI().Messages().back().Caption, Lang.Error);

    Exec("DELETE FROM order_lines");
    Exec("DELETE FROM orders");
    grid->dbExecute();
    ASSERT_EQ(grid->RowCount(), 0);
    UI().AnswerMessage(mrOk, Lang.Please_select_record_in_grid);
    Click("frmMainKorvel", "btnOrdDocument");
    EXPECT_EQ(UI().Messages().back().Caption, Lang.Info);
    EXPECT_EQ(frmMainKorvel->rptDBDataset->UserName(), "rptDBDataset1");
}

// A missing template, a damaged one and a query that fails: a box naming the file or the
// database's error, nothing prepared.
TEST_F(DemoReports, MissingOrDamagedTemplateAndFailingQueryAreNamed) {
    StartWithSamples();
    const QString path = FDir.filePath("Report/customers.de3");
    ASSERT_TRUE(QFile::rename(path, path + ".away"));
    UI().AnswerMessage(mrOk, Lang.Report_file_not_found);
    Click("frmMainKorvel", "btnCustReport");
    EXPECT_EQ(UI().Messages().back().Text, Lang.Report_file_not_found + ":" + QChar(13) + QDir::cleanPath(path));
    EXPECT_EQ(UI().Messages().back().Caption, Lang.Error);

    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("<?xml version=\"1.0\"?><TrptReport><TrptReportPage Name=\"P\"");
    damaged.close();
    UI().AnswerMessage(mrOk, path);
    Click("frmMainKorvel", "btnCustReport");
    EXPECT_TRUE(UI().Messages().back().Text.startsWith(QDir::cleanPath(path) + QChar(13)));
    EXPECT_EQ(Report()->PagesCount(), 0);

    auto* button = Get<TdbButton>(frmMainKorvel, "btnOrdMonthly");
    button->SetdbSQL("SELECT month FROM no_such_table");
    UI().AnswerMessage(mrOk, "no such table: no_such_table");
    Click("frmMainKorvel", "btnOrdMonthly");
}

// A query without rows still gives the template's pages (headers, summary, no data rows) and no
// box; a template whose data band names a dataset other than "Report" is refused with that name.
TEST_F(DemoReports, QueryWithoutRowsAndTemplateWithoutTheReportDataset) {
    StartWithSamples();
    auto* button = Get<TdbButton>(frmMainKorvel, "btnCustReport");
    button->SetdbSQL("SELECT * FROM customers WHERE 1 = 0");
    const size_t boxes = UI().Messages().size();
    Click("frmMainKorvel", "btnCustReport");
    const QString dump = PreviewDump();
    EXPECT_EQ(UI().Messages().size(), boxes);
    EXPECT_EQ(Report()->Errors()->Text(), QString());
    EXPECT_EQ(Report()->PreviewPages()->Count(), 1);
    EXPECT_TRUE(dump.contains("\"Customers: 0\"")) << dump.toStdString();
    EXPECT_FALSE(dump.contains("TrptMasterData")) << dump.toStdString();

    // The customer list with its data band bound to "Other": the box names the dataset.
    const QString path = FDir.filePath("Report/customers.de3");
    QString text = ReadText(path);
    ASSERT_TRUE(text.contains("DataSetName=\"Report\""));
    text.replace("DataSetName=\"Report\"", "DataSetName=\"Other\"");
    text.replace("[Report.", "[Other.");
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(text.toUtf8());
    out.close();
    button->SetdbSQL("SELECT * FROM customers");
    button->SetdbReportOpenIn(rpoPDF);
    UI().AnswerMessage(mrOk, "Other");
    Click("frmMainKorvel", "btnCustReport");
    ASSERT_GT(UI().Messages().size(), boxes);
    EXPECT_TRUE(UI().Messages().back().Text.contains("Other")) << UI().Messages().back().Text.toStdString();
    EXPECT_TRUE(Opened.isEmpty());
}

// Report buttons only read the Report folder: with the folder and its templates read-only every
// delivery still works, and nothing in the folder changes.
TEST_F(DemoReports, ReadOnlyReportFolderIsOnlyRead) {
    StartWithSamples();
    const QString folder = FDir.filePath("Report");
    auto listing = [&] {
        QStringList l;
        for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            l << f.fileName() + " " + QString::number(f.size()) + " " + f.lastModified().toString(Qt::ISODateWithMs);
        return l;
    };
    const QFileDevice::Permissions ro = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    for (const QFileInfo& f : QDir(folder).entryInfoList(QDir::Files))
        QFile::setPermissions(f.filePath(), ro);
    QFile::setPermissions(folder, ro | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther);
    const QStringList before = listing();
    Click("frmMainKorvel", "btnOrdPdf");
    Click("frmMainKorvel", "btnCustReport");
    PreviewDump();
    EXPECT_EQ(Report()->Errors()->Text(), QString());
    EXPECT_EQ(Opened.size(), 1);
    EXPECT_EQ(listing(), before);
    QFile::setPermissions(folder, ro | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A press that arrives while the previous one's report is still being made or shown (its preview
// window open, the preparation pending or done) is ignored: one window, the first report's pages.
TEST_F(DemoReports, SecondPressWhileTheReportPreparesIsIgnored) {
    StartWithSamples();
    RegisterPreviewForm();
    int previews = 0;
    TrptPreviewWindowFactory shell = SetPreviewWindowFactory(nullptr);
    ASSERT_TRUE(shell);
    SetPreviewWindowFactory([&](TrptReport* r) {
        ++previews;
        return shell(r);
    });
    // The preview window is modal: the second press comes while it shows, before and during the
    // preparation it runs.
    QString dump;
    UI().AnswerModal("rptPreviewForm", [&](TCustomForm*) {
        Click("frmMainKorvel", "btnCustReport");
        dump = PreviewDump();
        Click("frmMainKorvel", "btnCustReport");
        return mrCancel;
    });
    Click("frmMainKorvel", "btnCustReport");
    SetPreviewWindowFactory(nullptr);
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(dump, Golden(QStringLiteral("customers-preview"), dump));
}

// Texts typed into a control used by a report's query arrive as data: inside the query's quoted
// literal with their quotes doubled, outside one as a parameter. The statement keeps its shape,
// another token's text is not substituted again, and the database is untouched.
TEST_F(DemoReports, HostileTextsArriveAsDataAndLeaveTheDatabaseUntouched) {
    StartWithSamples();
    const QString hostile[] = {
        "O'Brien",
        "'; DROP TABLE customers; --",
        "x%' OR '1'='1",
        "{edCustName}",
        "$id",
        "\"quoted\"",
    };
    for (const QString& name : hostile)
        Exec("INSERT INTO customers(name) VALUES (" + QString(name).replace("'", "''").prepend('\'').append('\'') + ")");
    const QString tablesBefore = Rows("SELECT name FROM sqlite_master ORDER BY name");
    const QString customersBefore = Rows("SELECT id, name FROM customers ORDER BY id");
    auto* edit = Get<TdbEdit>(frmMainKorvel, "edCustName");
    auto* button = Get<TdbButton>(frmMainKorvel, "btnCustReport");
    button->SetdbReportOpenIn(rpoPrint);
    printtest::RecordingPrinter printer;
    TrptCustomPrinter* previous = SetPrintLoopPrinter(&printer);
    TraceStatements();
    const QString inLiteral = button->dbSQL();
    const QString outside = "SELECT c.record_count, c.name, '' AS city, c.phone, c.email FROM customers c\r\n"
                            "WHERE c.name = {EDCUSTNAME} ORDER BY c.id";
    for (const QString& text : hostile) {
        SCOPED_TRACE(text.toStdString());
        edit->SetText(text);
        for (const QString& sql : {inLiteral, outside}) {
            button->SetdbSQL(sql);
            Statements.clear();
            UI().AnswerModal("rptPrintDialog", [](TCustomForm*) { return mrOk; });
            button->Click();
            const QStringList run = Statements.filter("FROM customers c");
            ASSERT_EQ(run.size(), 1) << Statements.join('\n').toStdString();
            QString expected = sql;
            if (sql == outside)
                expected.replace("{EDCUSTNAME}", ":korvel_v1");
            else
                expected.replace("'%{edCustName}%'", "'%" + QString(text).replace("'", "''") + "%'");
            EXPECT_EQ(run[0], expected);
            // The report reads exactly the customer of that name.
            TDataSet* data = frmMainKorvel->rptDBDataset->GetDataSet();
            ASSERT_NE(data, nullptr);
            data->First();
            QStringList names;
            for (; !data->Eof(); data->Next())
                names << data->FieldByName("name")->AsString();
            EXPECT_TRUE(names.contains(text)) << names.join('|').toStdString();
            if (sql == outside) {
                EXPECT_EQ(names.size(), 1);
            }
        }
    }
    SetPrintLoopPrinter(previous);
    EXPECT_EQ(Rows("SELECT name FROM sqlite_master ORDER BY name"), tablesBefore);
    EXPECT_EQ(Rows("SELECT id, name FROM customers ORDER BY id"), customersBefore);
}

// Without a designer class: a report button without a template and the menu item say so, after
// pointing the designer's folders at the Report folder.
TEST_F(DemoReports, DesigningSaysNoDesignerIsInstalled) {
    StartWithSamples();
    auto* button = Get<TdbButton>(frmMainKorvel, "btnOrdMonthly");
    button->SetdbReportFile(QString());
    UI().AnswerMessage(mrOk, "No report designer");
    button->Click();
    EXPECT_EQ(frmMainKorvel->rptDesigner->OpenDir(), FDir.path() + "/Report");
    EXPECT_EQ(frmMainKorvel->rptDesigner->SaveDir(), FDir.path() + "/Report");
    // The report was cleared and holds the query's dataset.
    ASSERT_EQ(Report()->DataSets()->Count(), 1);
    EXPECT_EQ(Report()->DataSets()->Items(0)->DataSetName(), "Report");
    UI().AnswerMessage(mrOk, "No report designer");
    frmMainKorvel->mniReportClick(nullptr);
}

// The order window and the first prepared page of its order document, drawn as the preview draws
// it. With KORVEL_SHOT_DIR set both pictures are saved there to be looked at.
TEST_F(DemoReports, OrderWindowAndItsDocumentPageDraw) {
    StartWithSamples();
    QImage window;
    UI().AnswerModal("frmOrder", [&](TCustomForm* order) {
        window = order->Widget()->grab().toImage();
        Get<TdbButton>(order, "btnOInvoice")->Click();
        return mrNone;
    });
    Get<TdbStringGridEx>(frmMainKorvel, "grdOrders")->SetdbItemID(4);
    Click("frmMainKorvel", "btnOrdEdit");
    PreviewDump();
    ASSERT_GT(Report()->PreviewPages()->Count(), 0);
    EXPECT_FALSE(window.isNull());

    // A4 at 96 dpi.
    QImage page(794, 1123, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        TCanvas canvas;
        canvas.SetPainter(&painter);
        Report()->PreviewPages()->DrawPage(0, &canvas, 1, 1, 0, 0);
        canvas.SetPainter(nullptr);
    }
    // Text was drawn, and the logo's blue.
    int dark = 0, blue = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.lightness() < 80) ++dark;
            if (c.blue() > 120 && c.red() < 60) ++blue;
        }
    EXPECT_GT(dark, 500);
    EXPECT_GT(blue, 500);
    const QString shots = qEnvironmentVariable("KORVEL_SHOT_DIR");
    if (!shots.isEmpty()) {
        window.save(shots + "/order-window.png");
        page.save(shots + "/order-document.png");
    }
}
