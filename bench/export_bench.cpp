// Export benchmark: two reports built in code and prepared once each, then every export filter of
// the table below timed on them, against the program a user would pick instead, run on the same
// data in the same run:
// - a tabular report, 5,000 rows x 8 columns (about 100 A4 pages), and
// - a picture report, 20 pages with one picture per band.
// Peers: LibreOffice headless converting a CSV of the same rows to html, ods and xlsx, and its
// own HTML table of them to odt and rtf (its start-up, a conversion of an empty file, taken off);
// pdftoppm -r 96/300 -jpeg/-tiff on the PDF export of the same report (not timed).
//
// Lines: "<report>.<filter>.<figure>: value unit"; "<report>.<filter>.faster_than_peer: yes/no
// goal" (ratio below 1.0) and, for ods/odt/xlsx, ".size_within_2x_peer: yes/no goal". A filter
// not built yet prints "missing" and "no goal" lines; a peer that cannot run prints "n.a.".
//
//   export_bench [--runs N] [--no-peers] [--only NAME]... [--report table|pictures]...
//                [--keep DIR] (outputs kept in DIR/<report>.<filter>, e.g. to compare two builds)

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPrintLoop.h"
#include "report/export/rptExportImage.h"
#include "report/export/rptExportODF.h"
#include "report/export/rptExportRTF.h"
#include "report/export/rptExportXLS.h"
#include "report/export/rptHTMLExport.h"
#include "report/export/rptPDFExport.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kRows = 5000;
constexpr int kPicturePages = 20;

using TMake = std::function<std::unique_ptr<TrptCustomExportFilter>()>;

template <class T> TMake Make(std::function<void(T&)> Setup = {}) {
    return [Setup]() -> std::unique_ptr<TrptCustomExportFilter> {
        auto f = std::make_unique<T>(nullptr);
        if (Setup) Setup(*f);
        return f;
    };
}

// The peer of a filter: a LibreOffice conversion ("lo:<format>") or pdftoppm ("ppm:<dpi>:<format>").
struct TFilterCase {
    const char* Name;
    const char* FileName; // the output's name in a fresh folder
    TMake MakeFilter;     // empty: the filter is not built yet
    const char* Peer;
    bool SizeGoal; // at most twice the peer's bytes
};

// One line per filter.
std::vector<TFilterCase> Filters() {
    return {
        {"html", "out.html", Make<TrptHTMLExport>(), "lo:html", false},
        {"ods", "out.ods", Make<TrptODSExport>(), "lo:ods", true},
        {"odt", "out.odt", Make<TrptODTExport>(), "lo:odt", true},
        {"xlsx", "out.xlsx", Make<TrptXLSExport>(), "lo:xlsx", true},
        {"rtf", "out.rtf", Make<TrptRTFExport>(), "lo:rtf", false},
        {"jpeg96", "out.jpg", Make<TrptJPEGExport>([](TrptJPEGExport& f) { f.SetResolution(96); }), "ppm:96:jpeg", false},
        {"jpeg300", "out.jpg", Make<TrptJPEGExport>([](TrptJPEGExport& f) { f.SetResolution(300); }), "ppm:300:jpeg",
         false},
        {"tiff96", "out.tif", Make<TrptTIFFExport>([](TrptTIFFExport& f) { f.SetResolution(96); }), "ppm:96:tiff", false},
        {"tiff300", "out.tif", Make<TrptTIFFExport>([](TrptTIFFExport& f) { f.SetResolution(300); }), "ppm:300:tiff",
         false},
    };
}

void Figure(const QString& name, double value, const char* unit) {
    std::printf("%s: %.3f %s\n", qPrintable(name), value, unit);
    std::fflush(stdout);
}
void Status(const QString& name, const QString& text) {
    std::printf("%s: %s status\n", qPrintable(name), qPrintable(text));
    std::fflush(stdout);
}
void Goal(const QString& name, bool met) {
    std::printf("%s: %s goal\n", qPrintable(name), met ? "yes" : "no");
    std::fflush(stdout);
}

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

struct TFolderSize {
    qint64 Bytes = 0;
    int Files = 0;
};
TFolderSize FolderSize(const QString& dir) {
    TFolderSize s;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        s.Bytes += QFileInfo(it.next()).size();
        ++s.Files;
    }
    return s;
}

// The tabular report's rows, the same for the report and the CSV.
QString Cell(int Row, int Col) {
    switch (Col) {
    case 0: return QString::number(Row);
    case 1: return QStringLiteral("Customer %1").arg(Row % 977);
    case 2: return QStringLiteral("City %1").arg(Row % 211);
    case 3: return QStringLiteral("Product %1").arg(Row % 53);
    case 4: return QString::number(1 + Row % 17);
    case 5: return QString::number((Row % 10000) / 4.0, 'f', 2);
    case 6: return QStringLiteral("2026-%1-%2").arg(1 + Row % 12, 2, 10, QLatin1Char('0')).arg(1 + Row % 28, 2, 10, QLatin1Char('0'));
    default: return Row % 3 == 0 ? QStringLiteral("open") : QStringLiteral("paid");
    }
}
const char* const kColumns[8] = {"id", "customer", "city", "product", "qty", "amount", "created", "status"};
const double kWidths[8] = {60, 130, 100, 100, 50, 90, 90, 80};

struct TBenchReport {
    QString Name;
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    std::unique_ptr<TrptReport> Report = std::make_unique<TrptReport>();
    int Pages = 0;
    double PrepareMs = 0;
};

TrptReportPage* NewPage(TrptReport* Report) {
    auto* page = new TrptReportPage(Report);
    page->SetName(QStringLiteral("Page1"));
    page->SetPaperSize(9);
    page->SetLeftMargin(10);
    page->SetTopMargin(10);
    page->SetRightMargin(10);
    page->SetBottomMargin(10);
    return page;
}

void Prepare(TBenchReport& r) {
    r.Report->EngineOptions()->SetNewSilentMode(simSilent);
    QElapsedTimer t;
    t.start();
    if (!PrepareReportPages(r.Report.get()))
        throw Exception(QStringLiteral("%1: preparation failed: %2").arg(r.Name, r.Report->Errors()->Text()));
    r.PrepareMs = t.nsecsElapsed() / 1e6;
    r.Pages = r.Report->PreviewPages()->Count();
}

std::unique_ptr<TBenchReport> TabularReport() {
    auto r = std::make_unique<TBenchReport>();
    r->Name = QStringLiteral("table");
    auto* ds = new TrptUserDataSet(r->Owner.get());
    ds->SetName(QStringLiteral("BenchRows"));
    ds->SetUserName(QStringLiteral("Rows"));
    ds->SetRangeEnd(reCount);
    ds->SetRangeEndCount(kRows);
    auto fields = std::make_unique<TStringList>();
    for (const char* c : kColumns) fields->Add(QString::fromLatin1(c));
    ds->SetFields(fields.get());
    ds->OnGetValue = [ds](const QString& Name, Variant& Value) {
        for (int c = 0; c < 8; ++c)
            if (Name.compare(QLatin1String(kColumns[c]), Qt::CaseInsensitive) == 0) Value = Cell(ds->RecNo() + 1, c);
    };
    r->Report->DataSets()->Add(ds);
    TrptReportPage* page = NewPage(r->Report.get());
    auto* header = new TrptPageHeader(page);
    header->SetHeight(24);
    auto* band = new TrptMasterData(page);
    band->SetName(QStringLiteral("Rows1"));
    band->SetDataSet(ds);
    band->SetTop(40);
    // 50 rows a page: (1047 printable - 24 header) / 20.
    band->SetHeight(20);
    double x = 0;
    for (int c = 0; c < 8; ++c) {
        auto* h = new TrptMemoView(header);
        h->SetBounds(x, 0, kWidths[c], 22);
        h->SetText(QString::fromLatin1(kColumns[c]));
        h->Font()->SetStyle(TFontStyles{fsBold});
        h->Frame()->SetTyp(TrptFrameTypes{ftBottom});
        auto* m = new TrptMemoView(band);
        m->SetBounds(x, 0, kWidths[c], 20);
        m->SetDataSet(ds);
        m->SetDataField(QString::fromLatin1(kColumns[c]));
        if (c == 4 || c == 5) m->SetHAlign(haRight);
        x += kWidths[c];
    }
    page->AlignChildren();
    Prepare(*r);
    return r;
}

std::unique_ptr<TBenchReport> PictureReport() {
    auto r = std::make_unique<TBenchReport>();
    r->Name = QStringLiteral("pictures");
    // A photograph-like picture: smooth gradients and a few shapes, 1200 x 900.
    QImage img(1200, 900, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int xx = 0; xx < img.width(); ++xx)
            line[xx] = qRgb((xx * 255) / img.width(), (y * 255) / img.height(),
                            static_cast<int>(127 + 127 * std::sin((xx + y) / 40.0)));
    }
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(250, 250, 240));
        p.drawEllipse(QPoint(600, 450), 250, 180);
        p.setFont(QFont(QStringLiteral("Liberation Sans"), 48));
        p.drawText(QRect(0, 380, 1200, 140), Qt::AlignCenter, QStringLiteral("Korvel"));
    }
    TBitmap bitmap;
    bitmap.SetImage(img);
    TPicture picture;
    picture.SetGraphic(&bitmap);
    TrptReportPage* page = NewPage(r->Report.get());
    auto* band = new TrptMasterData(page);
    band->SetName(QStringLiteral("Pictures1"));
    band->SetRowCount(kPicturePages);
    band->SetHeight(900);
    auto* caption = new TrptMemoView(band);
    caption->SetBounds(0, 0, 700, 30);
    caption->Font()->SetSize(16);
    caption->SetText(QStringLiteral("Picture [Line]"));
    auto* view = new TrptPictureView(band);
    view->SetBounds(0, 40, 700, 525);
    view->SetPicture(&picture);
    view->SetStretched(true);
    page->AlignChildren();
    Prepare(*r);
    return r;
}

struct TResult {
    bool Ok = false;
    QString Error;
    double Ms = 0;
    TFolderSize Size;
    double PeakMiB = 0;
};

TResult RunFilter(TBenchReport& r, const TFilterCase& c, const QString& Dir) {
    TResult res;
    QDir(Dir).removeRecursively();
    QDir().mkpath(Dir);
    std::unique_ptr<TrptCustomExportFilter> f = c.MakeFilter();
    f->SetShowDialog(false);
    f->SetShowProgress(false);
    f->SetFileName(Dir + QLatin1Char('/') + QLatin1String(c.FileName));
    r.Report->Errors()->Clear();
    ResetPeak();
    QElapsedTimer t;
    t.start();
    res.Ok = ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), f.get());
    res.Ms = t.nsecsElapsed() / 1e6;
    res.PeakMiB = PeakMiB();
    res.Size = FolderSize(Dir);
    if (r.Report->Errors()->Count() > 0) {
        res.Ok = false;
        res.Error = r.Report->Errors()->Text().trimmed();
    }
    if (res.Size.Files == 0) {
        res.Ok = false;
        if (res.Error.isEmpty()) res.Error = QStringLiteral("no file written");
    }
    return res;
}

// ---------------------------------------------------------------------------------------------
// Peers

struct TPeer {
    bool Ok = false;
    double Ms = 0;
    qint64 Bytes = 0;
    QString Error;
};

// Wall-clock time of a program, in ms; -1 when it fails.
double Timed(const QString& Program, const QStringList& Args, QString* Output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer t;
    t.start();
    p.start(Program, Args);
    if (!p.waitForStarted(20000)) return -1;
    p.waitForFinished(600000);
    const double ms = t.nsecsElapsed() / 1e6;
    if (Output) *Output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 ? ms : -1;
}

class TPeers {
public:
    explicit TPeers(const QString& Work) : FWork(Work) {
        FProfile = QStringLiteral("-env:UserInstallation=file://") + Work + QStringLiteral("/lo-profile");
    }

    // The CSV of the rows, an empty CSV, and the PDF of each report.
    void WriteInputs(TBenchReport& Table, TBenchReport& Pictures) {
        QFile csv(FWork + QStringLiteral("/rows.csv"));
        if (csv.open(QIODevice::WriteOnly)) {
            QByteArray data;
            QStringList head;
            for (const char* c : kColumns) head << QString::fromLatin1(c);
            data += head.join(QLatin1Char(',')).toUtf8() + '\n';
            for (int row = 1; row <= kRows; ++row) {
                QStringList cells;
                for (int c = 0; c < 8; ++c) cells << Cell(row, c);
                data += cells.join(QLatin1Char(',')).toUtf8() + '\n';
            }
            csv.write(data);
        }
        QFile empty(FWork + QStringLiteral("/empty.csv"));
        if (empty.open(QIODevice::WriteOnly)) empty.write("\n");
        QFile emptyHtml(FWork + QStringLiteral("/empty.html"));
        if (emptyHtml.open(QIODevice::WriteOnly)) emptyHtml.write("<html><body><table></table></body></html>\n");
        for (TBenchReport* r : {&Table, &Pictures}) {
            TrptPDFExport pdf(nullptr);
            pdf.SetShowDialog(false);
            pdf.SetShowProgress(false);
            pdf.SetFileName(FWork + QLatin1Char('/') + r->Name + QStringLiteral(".pdf"));
            ExportPreparedPages(r->Report.get(), r->Report->PreviewPages(), &pdf);
        }
    }

    TPeer Run(const QString& Report, const QString& How) {
        const QString key = Report + QLatin1Char('|') + How;
        for (const auto& k : FDone)
            if (k.first == key) return k.second;
        TPeer p = How.startsWith(QLatin1String("lo:")) ? LibreOffice(Report, How.mid(3)) : Pdftoppm(Report, How.mid(4));
        FDone.emplace_back(key, p);
        return p;
    }

private:
    // One soffice process converting the inputs in a fresh folder; its time and the bytes of the
    // first input's output.
    TPeer Convert(const QStringList& Inputs, const QString& Format, const QString& InFilter) {
        TPeer p;
        const QString out = FWork + QStringLiteral("/lo-out");
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QStringList args{FProfile, QStringLiteral("--headless"), QStringLiteral("--norestore")};
        if (!InFilter.isEmpty()) args << QStringLiteral("--infilter=") + InFilter;
        args << QStringLiteral("--convert-to") << Format << QStringLiteral("--outdir") << out << Inputs;
        QString output;
        p.Ms = Timed(QStringLiteral("soffice"), args, &output);
        const QFileInfo first(Inputs.value(0));
        p.Bytes = QFileInfo(out + QLatin1Char('/') + first.completeBaseName() + QLatin1Char('.') + Format).size();
        p.Ok = p.Ms >= 0 && p.Bytes > 0;
        if (!p.Ok) p.Error = output.simplified().left(200);
        return p;
    }

    // Start-up is large and noisy beside one conversion of 5,000 rows, so one process converts an
    // empty file and then kCopies copies of the rows, another only the empty file (best of two
    // each); the difference divided by kCopies is the time of one conversion.
    static constexpr int kCopies = 5;

    TPeer LibreOffice(const QString& Report, const QString& Format) {
        TPeer p;
        if (Report != QLatin1String("table")) {
            p.Error = QStringLiteral("no CSV of pictures");
            return p;
        }
        // Calc has no text-document filters: odt and rtf come from its own HTML table of the rows.
        const bool writer = Format == QLatin1String("odt") || Format == QLatin1String("rtf");
        QString input = FWork + QStringLiteral("/rows.csv"), empty = FWork + QStringLiteral("/empty.csv"), inFilter;
        if (writer) {
            const QString html = FWork + QStringLiteral("/rows.html");
            if (!QFile::exists(html)) {
                const TPeer h = Convert({input}, QStringLiteral("html"), QString());
                if (!h.Ok) return h;
                QFile::copy(FWork + QStringLiteral("/lo-out/rows.html"), html);
            }
            input = html;
            empty = FWork + QStringLiteral("/empty.html");
            inFilter = QStringLiteral("HTML (StarWriter)");
        }
        QStringList copies{empty};
        for (int i = 0; i < kCopies; ++i) {
            const QString copy = FWork + QStringLiteral("/copies/%1/rows.%2").arg(i).arg(QFileInfo(input).suffix());
            QDir().mkpath(QFileInfo(copy).path());
            QFile::remove(copy);
            QFile::copy(input, copy);
            copies << copy;
        }
        double startup = 1e18, whole = 1e18;
        for (int i = 0; i < 2; ++i) {
            const TPeer e = Convert({empty}, Format, inFilter);
            if (e.Ms >= 0) startup = std::min(startup, e.Ms);
            // Each copy has a folder of its own, so the outputs do not overwrite each other; the
            // bytes are those of one conversion of the rows.
            QStringList args = copies;
            const TPeer w = ConvertEach(args, Format, inFilter);
            if (w.Ok) {
                whole = std::min(whole, w.Ms);
                p = w;
            }
        }
        if (!p.Ok || startup > 1e17 || whole > 1e17) {
            if (p.Error.isEmpty()) p.Error = QStringLiteral("LibreOffice did not convert");
            p.Ok = false;
            return p;
        }
        Figure(QStringLiteral("peer.libreoffice.%1.startup").arg(Format), startup, "ms");
        Figure(QStringLiteral("peer.libreoffice.%1.startup_and_%2_conversions").arg(Format).arg(kCopies), whole, "ms");
        p.Ms = (whole - startup) / kCopies;
        if (p.Ms <= 0) {
            p.Ok = false;
            p.Error = QStringLiteral("conversions lost in start-up noise");
        }
        return p;
    }

    // The empty file and the copies in one process; the bytes of the first copy's output.
    TPeer ConvertEach(const QStringList& Inputs, const QString& Format, const QString& InFilter) {
        TPeer p = Convert(Inputs, Format, InFilter);
        // Outputs of inputs with the same name land on one file: the size is one conversion's.
        const QString out = FWork + QStringLiteral("/lo-out/rows.") + Format;
        p.Bytes = QFileInfo(out).size();
        p.Ok = p.Ms >= 0 && p.Bytes > 0;
        return p;
    }

    TPeer Pdftoppm(const QString& Report, const QString& How) {
        TPeer p;
        const QStringList parts = How.split(QLatin1Char(':'));
        const QString out = FWork + QStringLiteral("/ppm-out");
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QString output;
        p.Ms = Timed(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), parts.value(0), QLatin1Char('-') + parts.value(1),
                      FWork + QLatin1Char('/') + Report + QStringLiteral(".pdf"), out + QStringLiteral("/p")},
                     &output);
        p.Bytes = FolderSize(out).Bytes;
        p.Ok = p.Ms >= 0 && p.Bytes > 0;
        if (!p.Ok) p.Error = output.simplified().left(200);
        return p;
    }

    QString FWork, FProfile;
    std::vector<std::pair<QString, TPeer>> FDone;
};

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitApplication();
    RegisterReportClasses();
    RegisterEngineClasses();
    auto previous = SetUIServices(std::make_unique<TScriptedUIServices>([](const QString& question) {
        std::fprintf(stderr, "export_bench: %s\n", qPrintable(question));
    }));
    struct TRestore {
        std::unique_ptr<IUIServices>& Saved;
        ~TRestore() { SetUIServices(std::move(Saved)); }
    } restore{previous};
    int runs = 1;
    bool peers = true;
    QStringList only, which;
    QString keep;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--no-peers") == 0)
            peers = false;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only << QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--report") == 0 && i + 1 < argc)
            which << QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc)
            keep = QString::fromLocal8Bit(argv[++i]);
    }
    int status = 0;
    try {
        QTemporaryDir work;
        std::vector<std::unique_ptr<TBenchReport>> reports;
        // The peers' inputs need both reports.
        if (which.isEmpty() || which.contains(QLatin1String("table")) || peers) reports.push_back(TabularReport());
        if (which.isEmpty() || which.contains(QLatin1String("pictures")) || peers) reports.push_back(PictureReport());
        for (auto& r : reports) {
            Figure(r->Name + QStringLiteral(".pages"), r->Pages, "count");
            Figure(r->Name + QStringLiteral(".prepare"), r->PrepareMs, "ms");
        }
        TPeers peer(work.path());
        if (peers) peer.WriteInputs(*reports[0], *reports[1]);
        for (const TFilterCase& c : Filters()) {
            if (!only.isEmpty() && !only.contains(QLatin1String(c.Name))) continue;
            for (auto& r : reports) {
                if (!which.isEmpty() && !which.contains(r->Name)) continue;
                const QString tag = r->Name + QLatin1Char('.') + QLatin1String(c.Name);
                if (!c.MakeFilter) {
                    Status(tag, QStringLiteral("missing (filter not built yet)"));
                    Goal(tag + QStringLiteral(".faster_than_peer"), false);
                    if (c.SizeGoal) Goal(tag + QStringLiteral(".size_within_2x_peer"), false);
                    continue;
                }
                TResult best;
                for (int i = 0; i < runs; ++i) {
                    const QString out = keep.isEmpty() ? work.path() + QStringLiteral("/out-") + QLatin1String(c.Name)
                                                       : keep + QLatin1Char('/') + tag;
                    const TResult res = RunFilter(*r, c, out);
                    if (!res.Ok) {
                        best = res;
                        break;
                    }
                    if (i == 0 || res.Ms < best.Ms) best = res;
                }
                if (!best.Ok) {
                    Status(tag + QStringLiteral(".error"), best.Error.simplified().left(300));
                    Goal(tag + QStringLiteral(".faster_than_peer"), false);
                    status = 1;
                    continue;
                }
                Figure(tag + QStringLiteral(".time"), best.Ms, "ms");
                Figure(tag + QStringLiteral(".pages_per_second"), r->Pages / (best.Ms / 1000.0), "pages/s");
                Figure(tag + QStringLiteral(".bytes_per_page"), static_cast<double>(best.Size.Bytes) / r->Pages, "bytes");
                Figure(tag + QStringLiteral(".files"), best.Size.Files, "count");
                Figure(tag + QStringLiteral(".peak_rss"), best.PeakMiB, "MiB");
                if (!peers) continue;
                const TPeer p = peer.Run(r->Name, QString::fromLatin1(c.Peer));
                if (!p.Ok) {
                    Status(tag + QStringLiteral(".peer"), QStringLiteral("n.a. (%1)").arg(p.Error));
                    continue;
                }
                Figure(tag + QStringLiteral(".peer_time"), p.Ms, "ms");
                Figure(tag + QStringLiteral(".peer_bytes"), p.Bytes, "bytes");
                Figure(tag + QStringLiteral(".vs_peer"), best.Ms / p.Ms, "x");
                Goal(tag + QStringLiteral(".faster_than_peer"), best.Ms < p.Ms);
                if (c.SizeGoal) {
                    Figure(tag + QStringLiteral(".size_vs_peer"), static_cast<double>(best.Size.Bytes) / p.Bytes, "x");
                    Goal(tag + QStringLiteral(".size_within_2x_peer"), best.Size.Bytes <= 2 * p.Bytes);
                }
            }
        }
    } catch (const Exception& e) {
        std::fprintf(stderr, "export_bench: %s\n", qPrintable(e.Message()));
        return 2;
    }
    return status;
}
