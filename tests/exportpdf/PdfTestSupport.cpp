#include "PdfTestSupport.h"

#include "platform/gfx/Colors.h"

#include <QProcess>
#include <QRegularExpression>

#include <cmath>

TrptPDFPageSetup A4Page(TColor Colour) {
    TrptPDFPageSetup s;
    s.Width = 210 * 3.77953;
    s.Height = 297 * 3.77953;
    s.LeftMargin = s.TopMargin = s.RightMargin = s.BottomMargin = 10;
    s.Color = Colour;
    return s;
}

int RunTool(const QString& Program, const QStringList& Arguments, QString* Output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(Program, Arguments);
    if (!p.waitForStarted(10000)) {
        if (Output) *Output = Program + QStringLiteral(" did not start");
        return -1;
    }
    p.waitForFinished(120000);
    if (Output) *Output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QString CheckCrossReferences(const QByteArray& Pdf) {
    const qsizetype sx = Pdf.lastIndexOf("startxref\r\n");
    if (sx < 0) return QStringLiteral("no startxref");
    const qsizetype xrefPos = Pdf.mid(sx + 11).split('\r').value(0).toLongLong();
    if (Pdf.mid(xrefPos, 6) != "xref\r\n") return QStringLiteral("startxref does not point at xref");
    const QList<QByteArray> head = Pdf.mid(xrefPos + 6, 40).split('\r');
    const int count = head.value(0).split(' ').value(1).toInt();
    qsizetype pos = xrefPos + 6 + head.value(0).size() + 2;
    if (Pdf.mid(pos, 20) != "0000000000 65535 f\r\n") return QStringLiteral("bad free entry");
    for (int n = 1; n < count; ++n) {
        const QByteArray entry = Pdf.mid(pos + 20 * n, 20);
        if (entry.size() != 20 || !entry.endsWith(" 00000 n\r\n"))
            return QStringLiteral("bad entry %1: %2").arg(n).arg(QString::fromLatin1(entry));
        const qsizetype offset = entry.left(10).toLongLong();
        const QByteArray header = QByteArray::number(n) + " 0 obj\r\n";
        if (Pdf.mid(offset, header.size()) != header)
            return QStringLiteral("object %1 is not at %2").arg(n).arg(offset);
    }
    if (!Pdf.contains("/Size " + QByteArray::number(count) + "\r\n")) return QStringLiteral("/Size mismatch");
    return QString();
}

QByteArray ObjectText(const QByteArray& Pdf, int Number) {
    const QByteArray header = "\n" + QByteArray::number(Number) + " 0 obj\r\n";
    const qsizetype at = Pdf.indexOf(header);
    if (at < 0) return QByteArray();
    const qsizetype end = Pdf.indexOf("endobj\r\n", at);
    return Pdf.mid(at + header.size(), end - at - header.size());
}

QImage RenderOwn(const TrptPDFPageSetup& Page, const std::vector<TrptView*>& Views) {
    const int w = static_cast<int>(std::ceil(Page.Width * 0.75 - 0.01));
    const int h = static_cast<int>(std::ceil(Page.Height * 0.75 - 0.01));
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas canvas(&img);
    if (Page.Color != clNone) {
        const double k = 72 / 25.4;
        canvas.Brush().SetColor(Page.Color);
        canvas.FillRect(TRect{static_cast<int>(std::lround(Page.LeftMargin * k)),
                              static_cast<int>(std::lround(Page.TopMargin * k)),
                              static_cast<int>(std::lround(w - Page.RightMargin * k)),
                              static_cast<int>(std::lround(h - Page.BottomMargin * k))});
    }
    for (TrptView* v : Views)
        v->Draw(&canvas, 0.75, 0.75, 0, 0);
    canvas.Flush();
    return img;
}

namespace {

template <class T> T* Add(TTwoPageReport& r, std::vector<TrptView*>& page, double l, double t, double w, double h) {
    auto v = std::make_unique<T>();
    v->SetBounds(l, t, w, h);
    T* raw = v.get();
    r.Owned.push_back(std::move(v));
    page.push_back(raw);
    return raw;
}

TrptShapeView* AddShape(TTwoPageReport& r, TrptShapeKind kind, double l, double t, TColor fill) {
    auto* s = Add<TrptShapeView>(r, r.Page1, l, t, 120, 80);
    s->SetShape(kind);
    s->SetColor(fill);
    s->Frame()->SetWidth(2);
    return s;
}

} // namespace

TTwoPageReport::TTwoPageReport() : Setup1(A4Page(0xCCFFFF)), Setup2(A4Page()) {
    AddShape(*this, skRectangle, 60, 60, 0x0000FF);
    AddShape(*this, skEllipse, 220, 60, 0xFF0000);
    AddShape(*this, skRoundRectangle, 380, 60, 0x00C000)->SetCurve(0);
    AddShape(*this, skTriangle, 540, 60, 0x00FFFF);
    AddShape(*this, skDiamond, 60, 200, 0xFF00FF);
    AddShape(*this, skDiagonal1, 220, 200, clNone);
    auto* grey = Add<TrptView>(*this, Page1, 380, 200, 150, 90);
    grey->SetColor(0x808080);
    grey->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftTop, ftRight, ftBottom});
    grey->Frame()->SetColor(0x000080);
    grey->Frame()->SetWidth(3);
    Add<TTwoColourView>(*this, Page1, 60, 400, 200, 100);
    Add<TTwoColourView>(*this, Page1, 300, 400, 200, 100);
    Add<TTwoColourView>(*this, Page2, 100, 100, 200, 100);
    auto* dashed = Add<TrptView>(*this, Page2, 100, 300, 300, 150);
    dashed->Frame()->SetTyp(TrptFrameTypes{ftLeft, ftTop, ftRight, ftBottom});
    dashed->Frame()->SetStyle(fsDash);
    dashed->Frame()->SetWidth(2);
}

void TTwoPageReport::Export(TrptPDFExport& Filter, TStream& Out) {
    Filter.SetStream(&Out);
    if (!Filter.Start()) return;
    Filter.StartPage(Setup1);
    for (TrptView* v : Page1)
        Filter.ExportObject(v);
    Filter.FinishPage(nullptr, 0);
    Filter.StartPage(Setup2);
    for (TrptView* v : Page2)
        Filter.ExportObject(v);
    Filter.FinishPage(nullptr, 1);
    Filter.Finish();
}
