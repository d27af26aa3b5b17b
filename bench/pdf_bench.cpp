// PDF export benchmark: pages of vector content (shapes, lines and framed boxes) written by the
// report's PDF filter, against Qt's own PDF writer drawing the same figures on the same pages.
// Both write compressed files into memory; every figure is the best of --runs runs.
//
// Then the report: the five-field list report over 10,000 rows in SQLite, prepared by the engine
// and exported to PDF with embedded fonts, against QPdfWriter drawing the same prepared pages
// through the same canvas (which isolates the writer from layout).
//
// Command-line mode writes any report's PDF:
//   pdf_bench --template FILE.de3 --db FILE.db --query "SELECT ..." [NAME=SQL]... --out FILE.pdf
// binds the query as the dataset "Report" and every NAME=SQL as a dataset of that name.

#include "platform/data/SQLConnection.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDBSet.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPrintLoop.h"
#include "report/export/rptPDFExport.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kPages = 500;
constexpr int kRows = 12, kCols = 4;

struct TFigure {
    TrptShapeKind Kind;
    double X, Y, W, H;
    TColor Fill;
};

std::vector<TFigure> Figures() {
    std::vector<TFigure> f;
    const TrptShapeKind kinds[] = {skRectangle, skEllipse, skRoundRectangle, skDiagonal1};
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            f.push_back({kinds[(r + c) % 4], 50.0 + c * 170, 50.0 + r * 85, 150, 70,
                         static_cast<TColor>(0x102030 * (r + c + 1) & 0xFFFFFF)});
    return f;
}

double RunKorvel(const std::vector<TFigure>& figures, qint64& bytes) {
    std::vector<std::unique_ptr<TrptShapeView>> views;
    for (const TFigure& f : figures) {
        auto v = std::make_unique<TrptShapeView>();
        v->SetBounds(f.X, f.Y, f.W, f.H);
        v->SetShape(f.Kind);
        v->SetColor(f.Kind == skDiagonal1 ? clNone : f.Fill);
        views.push_back(std::move(v));
    }
    auto filter = TrptCustomExportFilter::CreateNoRegister<TrptPDFExport>();
    TrptPDFPageSetup page;
    page.Width = 210 * 3.77953;
    page.Height = 297 * 3.77953;
    page.LeftMargin = page.TopMargin = page.RightMargin = page.BottomMargin = 10;
    page.Color = 0xF0F0F0;
    TMemoryStream out;
    filter->SetStream(&out);
    QElapsedTimer t;
    t.start();
    filter->Start();
    for (int p = 0; p < kPages; ++p) {
        filter->StartPage(page);
        for (auto& v : views)
            filter->ExportObject(v.get());
        filter->FinishPage(nullptr, p);
    }
    filter->Finish();
    const double s = t.nsecsElapsed() / 1e9;
    bytes = out.Size();
    return s;
}

double RunQt(const std::vector<TFigure>& figures, qint64& bytes) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QElapsedTimer t;
    t.start();
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(96);
        QPainter p(&writer);
        for (int page = 0; page < kPages; ++page) {
            if (page) writer.newPage();
            p.fillRect(QRectF(37.8, 37.8, 793.7 - 75.6, 1122.5 - 75.6), QColor(0xF0, 0xF0, 0xF0));
            for (const TFigure& f : figures) {
                const QRectF r(f.X, f.Y, f.W, f.H);
                p.setPen(QPen(Qt::black, 1));
                p.setBrush(f.Kind == skDiagonal1 ? Qt::NoBrush
                                                 : QBrush(QColor(f.Fill & 0xFF, (f.Fill >> 8) & 0xFF, f.Fill >> 16)));
                switch (f.Kind) {
                case skRectangle:
                    p.drawRect(r);
                    break;
                case skEllipse:
                    p.drawEllipse(r);
                    break;
                case skRoundRectangle:
                    p.drawRoundedRect(r, 7.48, 7.48);
                    break;
                default:
                    p.drawLine(r.bottomLeft(), r.topRight());
                }
            }
        }
    }
    const double s = t.nsecsElapsed() / 1e9;
    bytes = data.size();
    return s;
}

// ---------------------------------------------------------------------------------------------
// The list report to PDF

const char* ReportTemplate = R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrptReport Version="4.15" ScriptLanguage="PascalScript" ScriptText.Text="begin&#13;&#10;&#13;&#10;end.">
  <TrptReportPage Name="Page1" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TrptPageHeader Name="PageHeader1" Height="37.8" Left="0" Top="18.9" Width="718.11">
      <TrptMemoView Name="HeaderMemo" Left="0" Top="0" Width="400" Height="18.9" Text="Orders"/>
    </TrptPageHeader>
    <TrptMasterData Name="MasterData1" DataSetName="Report" Height="18.9" Left="0" Top="94.49" Width="718.11">
      <TrptMemoView Name="IdMemo" Left="0" Top="0" Width="60" Height="18.9" DataSetName="Report" DataField="id"/>
      <TrptMemoView Name="NameMemo" Left="60" Top="0" Width="200" Height="18.9" DataSetName="Report" DataField="name"/>
      <TrptMemoView Name="CityMemo" Left="260" Top="0" Width="160" Height="18.9" DataSetName="Report" DataField="city"/>
      <TrptMemoView Name="AmountMemo" Left="420" Top="0" Width="100" Height="18.9" DataSetName="Report" DataField="amount"/>
      <TrptMemoView Name="DateMemo" Left="520" Top="0" Width="120" Height="18.9" DataSetName="Report" DataField="created"/>
    </TrptMasterData>
    <TrptPageFooter Name="PageFooter1" Height="37.8" Left="0" Top="151.18" Width="718.11">
      <TrptMemoView Name="PageMemo" Left="0" Top="0" Width="200" Height="18.9" Text="Page [Page#] of [TotalPages#]"/>
    </TrptPageFooter>
  </TrptReportPage>
</TrptReport>
)";

const char* ReportQuery = "SELECT id, name, city, amount, created FROM orders ORDER BY id";

double PeakMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024.0;
    return 0;
}

void ResetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

void FillOrders(TSQLConnection& db, int rows) {
    db.ExecuteDirect(QStringLiteral("DROP TABLE IF EXISTS orders"));
    db.ExecuteDirect(QStringLiteral(
        "CREATE TABLE orders(id INTEGER PRIMARY KEY, name TEXT, city TEXT, amount REAL, created TEXT)"));
    TSQLTransactionGuard transaction(db);
    TParams p;
    for (int i = 1; i <= rows; ++i) {
        p.Clear();
        p.CreateParam(ftUnknown, QString(), ptInput).SetAsLargeInt(i);
        p.CreateParam(ftUnknown, QString(), ptInput).SetAsString(QStringLiteral("Customer %1").arg(i % 977));
        p.CreateParam(ftUnknown, QString(), ptInput).SetAsString(QStringLiteral("City %1").arg(i % 211));
        p.CreateParam(ftUnknown, QString(), ptInput).SetAsFloat((i % 10000) / 4.0);
        p.CreateParam(ftUnknown, QString(), ptInput)
            .SetAsString(QStringLiteral("2026-%1-%2")
                             .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                             .arg(1 + i % 28, 2, 10, QLatin1Char('0')));
        db.Execute(
            QStringLiteral("INSERT INTO orders(id, name, city, amount, created) VALUES(?, ?, ?, ?, ?)"), &p);
    }
    transaction.Commit();
}

struct TReportRun {
    double Prepare = 0, Export = 0, QtDraw = 0;
    int Pages = 0;
    qint64 Bytes = 0, QtBytes = 0;
    double PeakMiB = 0;
};

// Loads the template with the datasets bound, prepares it and writes its PDF to pdfFile; with
// qtFile the same pages are also drawn into QPdfWriter.
TReportRun RunReportPdf(TSQLConnection& db, const QString& templateFile, const QString& query,
                        const QStringList& extra, const QString& pdfFile, const QString& qtFile) {
    TReportRun r;
    TComponent owner(nullptr);
    std::vector<std::unique_ptr<TSQLQuery>> queries;
    std::vector<TrptDBDataset*> datasets;
    auto add = [&](const QString& name, const QString& sql) {
        auto q = std::make_unique<TSQLQuery>();
        q->SetSQLConnection(&db);
        q->SetSQL(sql);
        auto* ds = new TrptDBDataset(&owner);
        ds->SetName(QStringLiteral("Bench") + name);
        ds->SetUserName(name);
        ds->SetDataSet(q.get());
        datasets.push_back(ds);
        queries.push_back(std::move(q));
    };
    add(QStringLiteral("Report"), query);
    for (const QString& e : extra) {
        const qsizetype eq = e.indexOf(QLatin1Char('='));
        add(e.left(eq).trimmed(), e.mid(eq + 1));
    }
    TrptReport report;
    report.EngineOptions()->SetNewSilentMode(simSilent);
    if (!report.LoadFromFile(templateFile, false) || report.Errors()->Count() > 0)
        throw Exception(QStringLiteral("cannot load %1: %2").arg(templateFile, report.Errors()->Text().trimmed()));
    report.EngineOptions()->SetNewSilentMode(simSilent);
    for (TrptDBDataset* ds : datasets)
        if (!report.DataSets()->Find(ds)) report.DataSets()->Add(ds);
    ResetPeak();
    QElapsedTimer t;
    t.start();
    if (!PrepareReportPages(&report))
        throw Exception(QStringLiteral("preparing failed: %1").arg(report.Errors()->Text().trimmed()));
    r.Prepare = t.nsecsElapsed() / 1e9;
    r.Pages = report.PreviewPages()->Count();
    t.restart();
    {
        auto filter = TrptCustomExportFilter::CreateNoRegister<TrptPDFExport>();
        filter->SetFileName(pdfFile);
        filter->SetShowDialog(false);
        if (!ExportPreparedPages(&report, report.PreviewPages(), filter.get()))
            throw Exception(QStringLiteral("export failed: %1").arg(report.Errors()->Text().trimmed()));
    }
    r.Export = t.nsecsElapsed() / 1e9;
    r.PeakMiB = PeakMiB();
    r.Bytes = QFileInfo(pdfFile).size();
    if (!qtFile.isEmpty()) {
        t.restart();
        {
            QPdfWriter writer(qtFile);
            writer.setPageSize(QPageSize(QPageSize::A4));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            writer.setResolution(96);
            QPainter p(&writer);
            TCanvas canvas;
            canvas.SetPainter(&p);
            for (int i = 0; i < r.Pages; ++i) {
                if (i) writer.newPage();
                report.PreviewPages()->DrawPage(i, &canvas, 1, 1, 0, 0);
            }
        }
        r.QtDraw = t.nsecsElapsed() / 1e9;
        r.QtBytes = QFileInfo(qtFile).size();
    }
    return r;
}

void PrintReportFigures(const TReportRun& r) {
    std::printf("report_pdf.pages: %d pages\n", r.Pages);
    std::printf("report_pdf.prepare: %.1f ms\n", r.Prepare * 1000);
    std::printf("report_pdf.export: %.1f ms\n", r.Export * 1000);
    std::printf("report_pdf.total: %.1f ms\n", (r.Prepare + r.Export) * 1000);
    std::printf("report_pdf.pages_per_second: %.1f pages/s\n", r.Pages / (r.Prepare + r.Export));
    std::printf("report_pdf.file: %lld bytes\n", static_cast<long long>(r.Bytes));
    std::printf("report_pdf.peak_memory: %.1f MiB\n", r.PeakMiB);
}

int ReportBench() {
    QTemporaryDir dir;
    const QString dbFile = dir.filePath(QStringLiteral("orders.db"));
    const QString templateFile = dir.filePath(QStringLiteral("orders.de3"));
    {
        QFile f(templateFile);
        if (!f.open(QIODevice::WriteOnly)) throw Exception(QStringLiteral("cannot write the template"));
        f.write(ReportTemplate);
    }
    TSQLConnection db;
    db.SetParamValue(QStringLiteral("Database"), dbFile);
    db.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
    db.Open();
    FillOrders(db, 10000);
    const TReportRun r = RunReportPdf(db, templateFile, QString::fromLatin1(ReportQuery), {},
                                      dir.filePath(QStringLiteral("orders.pdf")), dir.filePath(QStringLiteral("qt.pdf")));
    std::printf("machine.cores: %d count\n", QThread::idealThreadCount());
    PrintReportFigures(r);
    std::printf("report_pdf.qpdfwriter: %.1f ms\n", r.QtDraw * 1000);
    std::printf("report_pdf.qpdfwriter_file: %lld bytes\n", static_cast<long long>(r.QtBytes));
    std::printf("report_pdf.qpdfwriter_vs_korvel_time: %.2f x\n", r.Export > 0 ? r.QtDraw / r.Export : 0);
    std::printf("report_pdf.qpdfwriter_vs_korvel_size: %.2f x\n", r.Bytes > 0 ? double(r.QtBytes) / r.Bytes : 0);
    std::printf("report_pdf.faster_than_qpdfwriter: %s goal\n", r.Export < r.QtDraw ? "yes" : "no");
    std::printf("report_pdf.smaller_than_qpdfwriter: %s goal\n", r.Bytes < r.QtBytes ? "yes" : "no");
    std::printf("report_pdf.total_under_1_5s: %s goal\n", r.Prepare + r.Export < 1.5 ? "yes" : "no");
    std::printf("report_pdf.file_under_1mb: %s goal\n", r.Bytes < 1000000 ? "yes" : "no");
    std::printf("report_pdf.memory_under_100mb: %s goal\n", r.PeakMiB < 100 ? "yes" : "no");
    return 0;
}

int ReportCommandLine(const QStringList& args) {
    QString templateFile, dbFile, query, outFile;
    QStringList extra;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size()) throw Exception(QStringLiteral("%1 needs a value").arg(a));
            return args[++i];
        };
        if (a == QLatin1String("--template"))
            templateFile = value();
        else if (a == QLatin1String("--db"))
            dbFile = value();
        else if (a == QLatin1String("--query"))
            query = value();
        else if (a == QLatin1String("--out"))
            outFile = value();
        else if (a.contains(QLatin1Char('=')) && !a.startsWith(QLatin1String("--")))
            extra << a;
        else
            throw Exception(QStringLiteral("unknown argument %1").arg(a));
    }
    if (templateFile.isEmpty() || dbFile.isEmpty() || query.isEmpty() || outFile.isEmpty())
        throw Exception(QStringLiteral(
            "usage: pdf_bench --template FILE --db FILE --query SQL [NAME=SQL]... --out FILE.pdf"));
    if (!QFileInfo::exists(dbFile)) throw Exception(QStringLiteral("no database %1").arg(dbFile));
    if (!QFileInfo::exists(templateFile)) throw Exception(QStringLiteral("no template %1").arg(templateFile));
    TSQLConnection db;
    db.SetParamValue(QStringLiteral("Database"), dbFile);
    db.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("True"));
    db.Open();
    PrintReportFigures(RunReportPdf(db, templateFile, query, extra, outFile, QString()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitApplication();
    RegisterReportClasses();
    RegisterEngineClasses();
    auto previous = SetUIServices(std::make_unique<TScriptedUIServices>([](const QString& question) {
        std::fprintf(stderr, "pdf_bench: %s\n", qPrintable(question));
    }));
    struct TRestore {
        std::unique_ptr<IUIServices>& Saved;
        ~TRestore() { SetUIServices(std::move(Saved)); }
    } restore{previous};
    if (argc > 1 && std::strcmp(argv[1], "--runs") != 0) {
        try {
            return ReportCommandLine(app.arguments());
        } catch (const Exception& e) {
            std::fprintf(stderr, "pdf_bench: %s\n", qPrintable(e.Message()));
            return 2;
        }
    }
    int runs = 3;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    const std::vector<TFigure> figures = Figures();
    double korvel = 1e9, qt = 1e9;
    qint64 korvelBytes = 0, qtBytes = 0;
    for (int r = 0; r < runs; ++r) {
        korvel = std::min(korvel, RunKorvel(figures, korvelBytes));
        qt = std::min(qt, RunQt(figures, qtBytes));
    }
    const int objects = kPages * static_cast<int>(figures.size());
    std::printf("pdf.pages: %d pages\n", kPages);
    std::printf("pdf.objects: %d objects\n", objects);
    std::printf("pdf.korvel: %.1f ms\n", korvel * 1000);
    std::printf("pdf.korvel_per_object: %.2f us\n", korvel * 1e6 / objects);
    std::printf("pdf.korvel_size: %lld bytes\n", static_cast<long long>(korvelBytes));
    std::printf("pdf.qpdfwriter: %.1f ms\n", qt * 1000);
    std::printf("pdf.qpdfwriter_size: %lld bytes\n", static_cast<long long>(qtBytes));
    std::printf("pdf.at_least_as_fast_as_qpdfwriter: %s goal\n", korvel <= qt ? "yes" : "no");
    try {
        return ReportBench();
    } catch (const Exception& e) {
        std::fprintf(stderr, "pdf_bench: %s\n", qPrintable(e.Message()));
        return 2;
    }
}
