// PDF export benchmark: pages of vector content (shapes, lines and framed boxes) written by the
// report's PDF filter, against Qt's own PDF writer drawing the same figures on the same pages.
// Both write compressed files into memory; every figure is the best of --runs runs.

#include "report/core/rptClassView.h"
#include "report/export/rptPDFExport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
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

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
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
    return 0;
}
