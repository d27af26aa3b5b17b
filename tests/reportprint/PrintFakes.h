#pragma once
// A printer that records every call of a job as a line of text, and prepared pages made by hand
// whose drawing is recorded the same way, so that a job reads as one list of lines.

#include "report/core/rptClassBases.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptPrinter.h"

#include "platform/gfx/Canvas.h"

#include <QImage>
#include <QPainter>
#include <QStringList>

#include <memory>
#include <vector>

namespace printtest {

inline QString Num(double v) {
    return QString::number(v, 'f', 2);
}

// 600 DPI by default, no margins, A4 sheets unless a test sets others. Known papers: 8 A3,
// 9 A4, 11 A5; 256 takes the sizes given.
class RecordingPrinter : public TrptCustomPrinter {
public:
    QStringList Log;

    explicit RecordingPrinter(const QString& name = QStringLiteral("Recorder"), int dpiX = 600, int dpiY = 600)
        : TrptCustomPrinter(name, QString()) {
        FDPI = TPoint(dpiX, dpiY);
        FInitialized = true;
        FPaper = 9;
        FPaperWidth = 210;
        FPaperHeight = 297;
    }
    void SetMargins(double l, double t, double r, double b) {
        FLeftMargin = l, FTopMargin = t, FRightMargin = r, FBottomMargin = b;
    }
    void SetValid(bool v) { FInitialized = v; }

    void Init() override {}
    void Abort() override {
        Log << QStringLiteral("Abort");
        FCanvas->SetPainter(nullptr);
        FPainter.reset();
    }
    void BeginDoc() override { Log << QStringLiteral("BeginDoc %1").arg(FTitle); }
    void BeginPage() override {
        Log << QStringLiteral("BeginPage");
        FPainter = std::make_unique<QPainter>(&FImage);
        FCanvas->SetPainter(FPainter.get());
    }
    void EndPage() override {
        Log << QStringLiteral("EndPage");
        FCanvas->SetPainter(nullptr);
        FPainter.reset();
    }
    void EndDoc() override { Log << QStringLiteral("EndDoc"); }
    void BeginRAWDoc() override {}
    void EndRAWDoc() override {}
    void WriteRAWDoc(const QByteArray&) override {}
    void PropertiesDlg() override {}
    void SetViewParams(int size, double w, double h, TPrinterOrientation o) override {
        Apply(size, w, h, o);
        Log << QStringLiteral("View %1 %2x%3").arg(size).arg(Num(FPaperWidth), Num(FPaperHeight));
    }
    void SetPrintParams(int size, double w, double h, TPrinterOrientation o, int bin, TrptDuplexMode duplex,
                        int copies) override {
        Apply(size, w, h, o);
        Log << QStringLiteral("Params %1 %2x%3 %4 bin %5 duplex %6 copies %7")
                   .arg(size)
                   .arg(Num(FPaperWidth), Num(FPaperHeight), o == poLandscape ? QStringLiteral("landscape")
                                                                              : QStringLiteral("portrait"))
                   .arg(bin)
                   .arg(static_cast<int>(duplex))
                   .arg(copies);
    }

private:
    void Apply(int size, double w, double h, TPrinterOrientation o) {
        double pw = w, ph = h;
        if (size == 8) pw = 297, ph = 420;
        if (size == 9) pw = 210, ph = 297;
        if (size == 11) pw = 148, ph = 210;
        if (size != 256 && o == poLandscape) std::swap(pw, ph);
        FPaper = size;
        FPaperWidth = pw;
        FPaperHeight = ph;
        FOrientation = o;
    }
    QImage FImage{64, 64, QImage::Format_ARGB32};
    std::unique_ptr<QPainter> FPainter;
};

// Pages of given paper sizes; DrawPage writes "Draw index scaleX scaleY offsetX offsetY" into
// the printer's log (device pixels to two decimals).
class RecordedPages : public TrptCustomPreviewPages {
public:
    explicit RecordedPages(TrptReport* report, QStringList* log) : TrptCustomPreviewPages(report), FLog(log) {}

    // Adds a page of that paper number (256 with the sizes given).
    TrptReportPage* Add(int paper = 9, double w = 210, double h = 297,
                        TPrinterOrientation o = poPortrait) {
        auto p = std::make_unique<TrptReportPage>(nullptr);
        p->SetSizeAndDimensions(paper, w, h);
        p->SetOrientation(o);
        p->SetSizeAndDimensions(paper, w, h);
        FPages.push_back(std::move(p));
        return FPages.back().get();
    }
    void AddMany(int n, int paper = 9, double w = 210, double h = 297) {
        for (int i = 0; i < n; ++i) Add(paper, w, h);
    }

    int GetCount() override { return static_cast<int>(FPages.size()); }
    TrptReportPage* GetPage(int Index) override {
        return Index < 0 || Index >= GetCount() ? nullptr : FPages[Index].get();
    }
    void DrawPage(int Index, TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX,
                  double OffsetY) override {
        QString clip;
        if (Canvas->HasClipRegion()) {
            const QRect r = Canvas->ClipRegion()->boundingRect();
            clip = QStringLiteral(" clip %1,%2-%3,%4").arg(r.left()).arg(r.top()).arg(r.right()).arg(r.bottom());
        }
        Canvas->Rectangle(0, 0, 10, 10);
        *FLog << QStringLiteral("Draw %1 %2 %3 %4 %5%6")
                     .arg(Index)
                     .arg(Num(ScaleX), Num(ScaleY), Num(OffsetX), Num(OffsetY), clip);
    }

private:
    QStringList* FLog;
    std::vector<std::unique_ptr<TrptReportPage>> FPages;
};

} // namespace printtest
