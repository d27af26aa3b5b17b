// Preview speed: the time from ShowReport to the first page painted in the preview window, for a
// report of 1,000 and of 100,000 rows (the preview window opens at once and the pages are made
// while it shows); the time of one page flip (the next page fetched from the prepared pages and
// painted) on pages of 200 objects, as a multiple of a flip between empty pages; and the memory
// of the process while paging through all pages of the long report. Prints one "name: value
// unit" line per figure and the goals as "<figure>: yes goal" / "no goal".

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptPreview.h"
#include "report/core/rptPreviewForm.h"
#include "report/core/rptRunControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

void Figure(const QString& name, double value, const char* unit) {
    std::printf("%s: %.3f %s\n", qPrintable(name), value, unit);
}

void Goal(const QString& name, bool met) {
    std::printf("%s: %s goal\n", qPrintable(name), met ? "yes" : "no");
}

double RssMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024.0;
    return 0;
}

// An A4 page of 50 rows, each row four text objects: 200 objects a page.
const char* FullTemplate = R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrptReport Version="4.15" ScriptLanguage="PascalScript" ScriptText.Text="begin&#13;&#10;end.">
  <TrptReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TrptMasterData Name="MasterData1" DataSetName="Rows" Height="20" Left="0" Top="0" Width="718.1">
      <TrptMemoView Name="A" Left="0" Top="0" Width="160" Height="20" Text="Row [Line#]"/>
      <TrptMemoView Name="B" Left="170" Top="0" Width="160" Height="20" Text="Customer [Line#]"/>
      <TrptMemoView Name="C" Left="340" Top="0" Width="160" Height="20" Text="Amount 12.50"/>
      <TrptMemoView Name="D" Left="510" Top="0" Width="200" Height="20" Text="Some city"/>
    </TrptMasterData>
  </TrptReportPage>
</TrptReport>)";

// The same page with one empty band of a page's height per row: a page with nothing on it.
const char* EmptyTemplate = R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrptReport Version="4.15" ScriptLanguage="PascalScript" ScriptText.Text="begin&#13;&#10;end.">
  <TrptReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TrptMasterData Name="MasterData1" DataSetName="Rows" Height="1000" Left="0" Top="0" Width="718.1"/>
  </TrptReportPage>
</TrptReport>)";

class TBench {
public:
    TBench(const char* Template, int Rows) {
        FRows = new TrptUserDataSet(&FHost);
        FRows->SetName(QStringLiteral("RowsData"));
        FRows->SetUserName(QStringLiteral("Rows"));
        FRows->SetRangeEnd(reCount);
        FRows->SetRangeEndCount(Rows);
        TMemoryStream s;
        const QByteArray text(Template);
        s.WriteBuffer(text.constData(), text.size());
        s.SetPosition(0);
        FReport.LoadFromStream(s);
        FReport.EngineOptions()->SetNewSilentMode(simSilent);
        FReport.DataSets()->Add(FRows);
        FReport.PreviewOptions()->SetModal(false);
        FReport.PreviewOptions()->SetMaximized(false);
    }
    ~TBench() {
        if (TForm* f = FReport.PreviewForm()) {
            FReport.SetPreview(nullptr);
            FReport.SetPreviewForm(nullptr);
            delete f;
        }
    }
    TrptReport& Report() { return FReport; }
    TrptPreviewForm* Form() { return dynamic_cast<TrptPreviewForm*>(FReport.PreviewForm()); }

private:
    TComponent FHost{nullptr};
    TrptReport FReport;
    TrptUserDataSet* FRows = nullptr;
};

// Notes the end of the first paint of the main workspace that has a page to show: painting is
// synchronous, so the first event of any object after that paint began comes after it ended.
class TFirstPaint : public QObject {
public:
    TFirstPaint(TrptPreview* P, QElapsedTimer* Clock) : FPreview(P), FClock(Clock) {}
    qint64 At = -1;

protected:
    bool eventFilter(QObject* Obj, QEvent* E) override {
        if (At >= 0) return false;
        if (FSeen) {
            At = FClock->nsecsElapsed();
            return false;
        }
        if (E->type() == QEvent::Paint && Obj == FPreview->Workspace()->Widget() &&
            FPreview->Workspace()->PageList().Count() > 0)
            FSeen = true;
        return false;
    }

private:
    TrptPreview* FPreview;
    QElapsedTimer* FClock;
    bool FSeen = false;
};

// ShowReport to the first page painted; the preparation then runs to its end.
bool FirstPage(int Rows, double& FirstMs, double& TotalMs, int& Pages) {
    TBench b(FullTemplate, Rows);
    QElapsedTimer clock;
    std::unique_ptr<TFirstPaint> watch;
    clock.start();
    ShowReport(&b.Report());
    TrptPreviewForm* form = b.Form();
    if (!form) return false;
    watch = std::make_unique<TFirstPaint>(form->Preview(), &clock);
    qApp->installEventFilter(watch.get());
    while (clock.elapsed() < 600000 &&
           (ReportPreparing(&b.Report()) || b.Report().Timer()->Enabled() || watch->At < 0))
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    qApp->removeEventFilter(watch.get());
    TotalMs = clock.nsecsElapsed() / 1e6;
    FirstMs = watch->At / 1e6;
    Pages = form->Preview()->PageCount();
    return watch->At >= 0 && Pages > 0;
}

// Average time of Next() and a synchronous repaint over N flips starting at page 1.
double FlipMs(TrptPreviewForm* Form, int N) {
    TrptPreview* p = Form->Preview();
    QWidget* w = p->Workspace()->Widget();
    p->First();
    w->repaint();
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < N; ++i) {
        p->Next();
        w->repaint();
    }
    return t.nsecsElapsed() / 1e6 / N;
}

bool Prepared(TBench& B) {
    ShowReport(&B.Report());
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 600000 && (ReportPreparing(&B.Report()) || B.Report().Timer()->Enabled()))
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return B.Form() && B.Form()->Preview()->PageCount() > 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    TApplication app(nullptr);
    TUIServicesScope ui([](const QString& q) { std::fprintf(stderr, "unexpected question: %s\n", qPrintable(q)); });
    RegisterPreviewForm();

    const int cores = QThread::idealThreadCount();
    std::printf("machine.cores: %d count\n", cores);
    std::printf("machine: %s status\n", cores >= 8 ? "8 cores" : cores <= 2 ? "2 cores" : "neither 8 nor 2 cores");

    bool ok = true;
    double first[2] = {0, 0};
    const int sizes[2] = {1000, 100000};
    for (int i = 0; i < 2; ++i) {
        double total = 0;
        int pages = 0;
        const QString tag = QStringLiteral("rows%1k").arg(sizes[i] / 1000);
        if (!FirstPage(sizes[i], first[i], total, pages)) {
            std::printf("%s.error: no page was painted status\n", qPrintable(tag));
            ok = false;
            continue;
        }
        Figure(tag + QStringLiteral(".first_page_painted"), first[i], "ms");
        Figure(tag + QStringLiteral(".prepared"), total, "ms");
        Figure(tag + QStringLiteral(".pages"), pages, "count");
        Goal(tag + QStringLiteral(".first_page_under_300ms"), first[i] < 300);
    }
    if (first[0] > 0 && first[1] > 0) {
        Figure(QStringLiteral("first_page.ratio_100k_to_1k"), first[1] / first[0], "x");
        Goal(QStringLiteral("first_page.ratio_at_most_1_5"), first[1] / first[0] <= 1.5);
    }

    // Page flips: 200 objects a page against empty pages, the same window size.
    {
        TBench full(FullTemplate, 100000);
        TBench empty(EmptyTemplate, 400);
        if (!Prepared(full) || !Prepared(empty)) {
            std::printf("flip.error: the reports did not prepare status\n");
            return 1;
        }
        const int n = 100;
        FlipMs(full.Form(), 5); // warm up fonts and caches
        FlipMs(empty.Form(), 5);
        const double fullMs = std::min(FlipMs(full.Form(), n), FlipMs(full.Form(), n));
        const double emptyMs = std::min(FlipMs(empty.Form(), n), FlipMs(empty.Form(), n));
        Figure(QStringLiteral("flip.page_200_objects"), fullMs, "ms");
        Figure(QStringLiteral("flip.empty_page"), emptyMs, "ms");
        if (emptyMs > 0) Figure(QStringLiteral("flip.vs_empty_page"), fullMs / emptyMs, "x");
        Goal(QStringLiteral("flip.under_20ms"), fullMs < 20);

        // Memory while paging through every page of the long report.
        TrptPreview* p = full.Form()->Preview();
        QWidget* w = p->Workspace()->Widget();
        const int pages = p->PageCount();
        p->First();
        w->repaint();
        const double start = RssMiB();
        double atTenth = start, peak = start;
        for (int i = 1; i < pages; ++i) {
            p->Next();
            w->repaint();
            const double r = RssMiB();
            peak = std::max(peak, r);
            if (i == pages / 10) atTenth = peak;
            if (i % 200 == 0) QApplication::processEvents();
        }
        Figure(QStringLiteral("paging.pages"), pages, "count");
        Figure(QStringLiteral("paging.rss_start"), start, "MiB");
        Figure(QStringLiteral("paging.rss_after_tenth"), atTenth, "MiB");
        Figure(QStringLiteral("paging.rss_peak"), peak, "MiB");
        // Bounded: the last nine tenths add at most 16 MiB to what the first tenth reached.
        Goal(QStringLiteral("paging.memory_bounded"), peak - atTenth <= 16);
    }
    return ok ? 0 : 1;
}
